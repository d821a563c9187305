#!/usr/bin/python3
"""README.md's demo block against what the demo prints.

    demo-readme.py check BUILD    runs the demo (scripts/run-demo.sh BUILD) and fails, showing the
                                  difference, when its output is not the block between the two
                                  demo markers of README.md
    demo-readme.py update BUILD   rewrites that block from the demo's output (make readme-demo)

The block is the demo's standard output as a terminal shows it (a carriage return overwrites the
line from its start), indented by four blanks (trailing blanks kept), with the build folder
written as "build". Only what changes from run to run is left out of the comparison: the name of the
demo's scratch folder (/tmp/kxdemo.XXXXXX) and the times and speeds the directory ranking
reports. The demo must write nothing to standard error."""
import difflib
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
README = os.path.join(ROOT, 'README.md')
BEGIN = '<!-- demo output: begin (make readme-demo rewrites this block) -->'
END = '<!-- demo output: end -->'
INDENT = '    '
REFRESH = 'make readme-demo (python3 scripts/demo-readme.py update BUILD for another build folder)'

# What differs from run to run, and the one form each takes for the comparison.
VARYING = [
    (re.compile(r'/tmp/kxdemo\.[A-Za-z0-9]{6}'), '/tmp/kxdemo.XXXXXX'),
    (re.compile(r'\b(Time|Speed)=(?:-?inf|-?nan|[-+0-9.eE]+)', re.I), r'\1=N'),
]


def normalise(lines):
    out = []
    for line in lines:
        for pattern, replacement in VARYING:
            line = pattern.sub(replacement, line)
        out.append(line)
    return out


def as_on_a_terminal(line):
    """A line as a terminal leaves it: each carriage return goes back to the line's start and the
    text after it overwrites what was there (the ranking's "Finished i/n" progress)."""
    shown = ''
    for part in line.split('\r'):
        shown = part + shown[len(part):]
    return shown


def run_demo(build):
    """The demo's output lines with the build folder written as "build"; exits on a failure."""
    rel = os.path.relpath(os.path.abspath(build), ROOT)
    proc = subprocess.run(['bash', os.path.join('scripts', 'run-demo.sh'), rel], cwd=ROOT,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out = proc.stdout.decode('utf-8', 'replace')
    err = proc.stderr.decode('utf-8', 'replace')
    if proc.returncode != 0 or err:
        sys.exit('the demo (scripts/run-demo.sh %s) failed with status %d:\n%s%s'
                 % (rel, proc.returncode, err, out))
    if rel != 'build':
        out = out.replace(rel + '/', 'build/')
    lines = out.split('\n')
    if out.endswith('\n'):
        lines.pop()
    return [as_on_a_terminal(line) for line in lines]


def read_readme():
    """README's lines and the index range of the block between the markers."""
    with open(README, encoding='utf-8') as f:
        lines = f.read().split('\n')
    try:
        begin = lines.index(BEGIN)
        end = lines.index(END, begin)
    except ValueError:
        sys.exit('README.md lacks the demo markers %r and %r' % (BEGIN, END))
    return lines, begin + 1, end


def block_of(output):
    """The output as README holds it: each line indented (trailing blanks kept), empty lines empty."""
    return [INDENT + line if line else '' for line in output]


def check(build):
    lines, begin, end = read_readme()
    # Markdown's code block: blank lines before and after it are not output.
    inner = lines[begin:end]
    while inner and not inner[0].strip():
        inner.pop(0)
    while inner and not inner[-1].strip():
        inner.pop()
    want = normalise(inner)
    got = normalise(block_of(run_demo(build)))
    if want == got:
        print('README.md demo block matches the demo (%d lines)' % len(got))
        return 0
    # Each line ends in "$" in the difference, so that trailing blanks show.
    sys.stdout.writelines(difflib.unified_diff([l + '$\n' for l in want], [l + '$\n' for l in got],
                                               'README.md demo block', 'demo output'))
    print('\nREADME.md\'s demo block is not what the demo prints. When the new output is right, '
          'rewrite the block with: ' + REFRESH)
    return 1


def update(build):
    lines, begin, end = read_readme()
    block = block_of(run_demo(build))
    with open(README, 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines[:begin] + [''] + block + [''] + lines[end:]))
    print('README.md demo block rewritten from the demo (%d lines)' % len(block))
    return 0


def main(argv):
    if len(argv) != 3 or argv[1] not in ('check', 'update'):
        sys.exit(__doc__)
    return check(argv[2]) if argv[1] == 'check' else update(argv[2])


if __name__ == '__main__':
    sys.exit(main(sys.argv))
