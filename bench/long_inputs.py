#!/usr/bin/python3
"""Peak memory and time of the driver and of the library on long inputs, for one build and
optionally a baseline build in the same run (each case runs in a process of its own, the builds
taking turns, and the ratio new/baseline is printed).

Cases (news text: the corpus paragraphs of days 1-27 as tools/corpus_text.py prints them, in
UTF-8, repeated where a case needs more):
  kovex_news_lines   kovex on the news text, one paragraph a line (about 5.3 MB)
  kovex_news_line5   kovex on the same text as one line (newlines removed)
  kovex_news_line10  kovex on 9.6 MB of news text as one line
  kovex_zh6          kovex on one line of 2 million 中 (6 MB, no sentence end)
  kovex_news_line100 kovex on a 100 MB line of news text (--big)
  kovex_zh120        kovex on 40 million 中 in one line (120 MB, --big)
  st_point_news10    ST_GetSentimentPoint on 9.6 MB of news text (paragraphs on lines)
  st_point_line10    ST_GetSentimentPoint on the same 9.6 MB as one line
  st_point_zh10      ST_GetSentimentPoint on 10 MB of 中 (no sentence end)
  st_sentence_news10 ST_GetSentencePoint on the 9.6 MB news text
  st_one_news10      ST_GetOneObjectResult on it (object 中国)
  st_multi_news10    ST_GetMultiObjectResult on it (a configuration with two objects)
  st_dir_news10      ST_ProcesDir on a folder holding it as one file

The driver runs with the engine's data of its build (-e 1, one thread); the library on a copy
of its build's data directory (code 1), so that the requests that save the user dictionary
leave the build as it was. Library figures are the peak resident memory during the call above
the resident memory of the started library with the text loaded; driver figures the peak
resident memory of the whole process. After a library call the memory still held above the
same start (the allocator's free memory given back first) is shown as "held". A process that goes past the address-space cap (--cap-mb)
or the time limit is stopped and reported as such.

With --fail-above N the run fails (exit status 1) when a case of BUILD fails or needs more than
N MB; CTest runs it so on the 6 MB line without sentence end (long_line_memory).

Usage: bench/long_inputs.py [--baseline BUILD] [--big] [--cap-mb N] [--cases a,b,...]
                            [--fail-above N] BUILD
"""
import argparse
import ctypes
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
ZH = '中'.encode('utf-8')
MB = 1000 * 1000

DRIVER_CASES = ['kovex_news_lines', 'kovex_news_line5', 'kovex_news_line10', 'kovex_zh6',
                'kovex_news_line100', 'kovex_zh120']
LIBRARY_CASES = ['st_point_news10', 'st_point_line10', 'st_point_zh10', 'st_sentence_news10',
                 'st_one_news10', 'st_multi_news10', 'st_dir_news10']
BIG_CASES = {'kovex_news_line100', 'kovex_zh120'}

CONFIG = '''<?xml version="1.0" encoding="utf-8"?>
<QVSentiment-Config>
  <eventcategory>
    <category id="1"><description>a</description><brandword>中国|经济</brandword></category>
  </eventcategory>
  <wordset><set tag="Neg">不|没有</set></wordset>
  <remove><remove tag="sentence"><description>s</description><removeSentence>广告</removeSentence></remove></remove>
</QVSentiment-Config>
'''


def news_paragraphs():
    out = subprocess.run([sys.executable, os.path.join(SOURCE, 'tools', 'corpus_text.py')] +
                         [str(d) for d in range(1, 28)], check=True, stdout=subprocess.PIPE).stdout
    return [p.decode('gbk').encode('utf-8') for p in out.split(b'\n') if p]


def repeated(paragraphs, sep, size):
    """The paragraphs joined with sep, repeated up to size bytes, cut at a paragraph's end."""
    parts, n = [], 0
    while n < size:
        for p in paragraphs:
            if n + len(p) + len(sep) > size:
                break
            parts.append(p)
            n += len(p) + len(sep)
        else:
            continue
        break
    return sep.join(parts)


def make_inputs(tmp, cases):
    files = {}
    news_cases = {'kovex_news_lines', 'kovex_news_line5', 'kovex_news_line10', 'kovex_news_line100',
                  'st_point_line10', 'st_point_news10', 'st_sentence_news10', 'st_one_news10',
                  'st_multi_news10', 'st_dir_news10'}
    paras = news_paragraphs() if news_cases & set(cases) else []

    def put(name, data):
        path = os.path.join(tmp, name)
        with open(path, 'wb') as f:
            f.write(data)
        files[name] = path

    want = set(cases)
    if 'kovex_news_lines' in want:
        put('news_lines.txt', b'\n'.join(paras) + b'\n')
    if 'kovex_news_line5' in want:
        put('news_line5.txt', b''.join(paras) + b'\n')
    if want & {'kovex_news_line10', 'st_point_line10'}:
        put('news_line10.txt', repeated(paras, b'', int(9.6 * MB)) + b'\n')
    if 'kovex_zh6' in want:
        put('zh6.txt', ZH * 2000000 + b'\n')
    if 'kovex_news_line100' in want:
        put('news_line100.txt', repeated(paras, b'', 100 * MB) + b'\n')
    if 'kovex_zh120' in want:
        put('zh120.txt', ZH * 40000000 + b'\n')
    if want & {'st_point_news10', 'st_sentence_news10', 'st_one_news10', 'st_multi_news10', 'st_dir_news10'}:
        put('news10.txt', repeated(paras, b'\n', int(9.6 * MB)))
    if 'st_point_zh10' in want:
        put('zh10.txt', ZH * 3333333)
    if 'st_multi_news10' in want:
        put('config.xml', CONFIG.encode('utf-8'))
    if 'st_dir_news10' in want:
        d = os.path.join(tmp, 'dir')
        os.makedirs(d, exist_ok=True)
        shutil.copy(files['news10.txt'], os.path.join(d, 'news.txt'))
        files['dir'] = d
    return files


def limit(cap_mb):
    def f():
        resource.setrlimit(resource.RLIMIT_AS, (cap_mb * 1024 * 1024, cap_mb * 1024 * 1024))
    return f


DRIVER_INPUT = {'kovex_news_lines': 'news_lines.txt', 'kovex_news_line5': 'news_line5.txt',
                'kovex_news_line10': 'news_line10.txt', 'kovex_zh6': 'zh6.txt',
                'kovex_news_line100': 'news_line100.txt', 'kovex_zh120': 'zh120.txt'}


def run_driver(build, case, files, cap_mb, timeout):
    path = files[DRIVER_INPUT[case]]
    t0 = time.time()
    with open(path, 'rb') as fin, open(os.devnull, 'wb') as fout:
        p = subprocess.Popen([os.path.join(build, 'bin', 'kovex'), '-e', '1'], stdin=fin, stdout=fout,
                             stderr=subprocess.DEVNULL, preexec_fn=limit(cap_mb))
        try:
            _, status, usage = wait4_timeout(p, timeout)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()
            return {'error': 'over %d s' % timeout}
    seconds = time.time() - t0
    if status != 0:
        return {'error': 'failed (over %d MB?)' % cap_mb}
    size = os.path.getsize(path)
    return {'peak_mb': usage.ru_maxrss / 1024.0, 'seconds': seconds, 'mb_per_s': size / MB / seconds}


def wait4_timeout(p, timeout):
    deadline = time.time() + timeout
    while True:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid == p.pid:
            p.returncode = status
            return pid, status, usage
        if time.time() > deadline:
            raise subprocess.TimeoutExpired(p.args, timeout)
        time.sleep(0.05)


# The library cases run in a child Python: it loads the build's library, starts it on a copy of
# the data, loads the text, then measures one call.
CHILD = r'''
import ctypes, json, os, sys, time
lib_path, data_root, case, text_path, extra = sys.argv[1:6]
lib = ctypes.CDLL(lib_path)
lib.ST_Init.restype = ctypes.c_int
lib.ST_GetSentimentPoint.restype = ctypes.c_double
for f in ('ST_GetSentencePoint', 'ST_GetOneObjectResult', 'ST_GetMultiObjectResult', 'ST_ProcesDir'):
    getattr(lib, f).restype = ctypes.c_char_p
def status(key):
    with open('/proc/self/status') as f:
        for line in f:
            if line.startswith(key + ':'):
                return int(line.split()[1]) / 1024.0
if lib.ST_Init(data_root.encode(), 1, None) != 1:
    print(json.dumps({'error': 'ST_Init failed'})); sys.exit(0)
text = open(text_path, 'rb').read() if text_path != '-' else b''
buf = ctypes.c_char_p(text)
libc = ctypes.CDLL(None)
libc.malloc_trim(0)
base = status('VmRSS')
with open('/proc/self/clear_refs', 'w') as f:
    f.write('5')
t0 = time.time()
if case.startswith('st_point'):
    r = lib.ST_GetSentimentPoint(buf); out = '%.6f' % r
elif case == 'st_sentence_news10':
    out = len(lib.ST_GetSentencePoint(buf) or b'')
elif case == 'st_one_news10':
    out = len(lib.ST_GetOneObjectResult(b'', buf, '中国'.encode()) or b'')
elif case == 'st_multi_news10':
    out = len(lib.ST_GetMultiObjectResult(b'', buf, extra.encode()) or b'')
elif case == 'st_dir_news10':
    out = (lib.ST_ProcesDir(extra.encode()) or b'').decode()
seconds = time.time() - t0
peak = status('VmHWM')
# What stays held after the call: the free memory the allocator keeps is given back first.
libc.malloc_trim(0)
held = status('VmRSS')
print(json.dumps({'peak_mb': peak - base, 'held_mb': held - base, 'seconds': seconds, 'result': out}))
'''

LIBRARY_INPUT = {'st_point_news10': 'news10.txt', 'st_point_line10': 'news_line10.txt',
                 'st_point_zh10': 'zh10.txt', 'st_sentence_news10': 'news10.txt',
                 'st_one_news10': 'news10.txt', 'st_multi_news10': 'news10.txt', 'st_dir_news10': '-'}


def run_library(build, data_root, case, files, cap_mb, timeout):
    extra = files.get('config.xml', '') if case == 'st_multi_news10' else files.get('dir', '')
    text = files.get(LIBRARY_INPUT[case], '-') if LIBRARY_INPUT[case] != '-' else '-'
    try:
        p = subprocess.run([sys.executable, '-c', CHILD, os.path.join(build, 'lib', 'libkovexsentiment.so'),
                            data_root, case, text, extra], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                           timeout=timeout, preexec_fn=limit(cap_mb), cwd=data_root)
    except subprocess.TimeoutExpired:
        return {'error': 'over %d s' % timeout}
    lines = p.stdout.decode(errors='replace').strip().splitlines()
    if p.returncode != 0 or not lines:
        return {'error': 'failed (over %d MB?)' % cap_mb}
    return json.loads(lines[-1])


def data_copy(build, tmp, name):
    """A copy of the build's sentiment data directory (links followed) under tmp/name."""
    root = os.path.join(tmp, name)
    if not os.path.isdir(root):
        os.makedirs(root)
        shutil.copytree(os.path.join(build, 'Data'), os.path.join(root, 'Data'), symlinks=False)
    return root


def show(value):
    if 'error' in value:
        return value['error']
    s = '%8.1f MB %7.2f s' % (value['peak_mb'], value['seconds'])
    if 'held_mb' in value:
        s += ' held %5.1f MB' % value['held_mb']
    if 'mb_per_s' in value:
        s += ' %6.2f MB/s' % value['mb_per_s']
    return s


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('build')
    ap.add_argument('--baseline')
    ap.add_argument('--big', action='store_true')
    ap.add_argument('--cap-mb', type=int, default=4096)
    ap.add_argument('--timeout', type=int, default=600)
    ap.add_argument('--cases')
    ap.add_argument('--fail-above', type=float)
    args = ap.parse_args()
    failed = []
    cases = args.cases.split(',') if args.cases else [
        c for c in DRIVER_CASES + LIBRARY_CASES if args.big or c not in BIG_CASES]
    builds = [('new', os.path.abspath(args.build))]
    if args.baseline:
        builds.append(('baseline', os.path.abspath(args.baseline)))
    tmp = tempfile.mkdtemp(prefix='kx_long_')
    try:
        files = make_inputs(tmp, cases)
        print('%-20s %-34s %-34s %s' % ('case', 'new', 'baseline' if args.baseline else '', 'memory, time new/baseline'))
        for case in cases:
            res = {}
            for name, build in builds:
                if case in DRIVER_CASES:
                    res[name] = run_driver(build, case, files, args.cap_mb, args.timeout)
                else:
                    res[name] = run_library(build, data_copy(build, tmp, 'data-' + name), case, files,
                                            args.cap_mb, args.timeout)
            ratio = ''
            if args.baseline and 'error' not in res['new'] and 'error' not in res['baseline']:
                ratio = '%.2f, %.2f' % (res['new']['peak_mb'] / max(res['baseline']['peak_mb'], 0.1),
                                        res['new']['seconds'] / max(res['baseline']['seconds'], 1e-3))
            print('%-20s %-34s %-34s %s' % (case, show(res['new']), show(res['baseline']) if args.baseline else '',
                                            ratio), flush=True)
            if args.fail_above is not None and ('error' in res['new'] or res['new']['peak_mb'] > args.fail_above):
                failed.append(case)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if failed:
        print('over %g MB or failed: %s' % (args.fail_above, ', '.join(failed)))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
