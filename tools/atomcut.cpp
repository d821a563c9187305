// atomcut DATA_DIR: cuts each GBK line of standard input into sentences and atoms with the
// engine's atom segmentation (user-dictionary priority off) and prints one line per input line:
// every atom as "start,end,handle,type", sentences separated by " |". White space between
// sentences (blank, TAB, CR, LF) is skipped as the engine's line processing skips it.
// tools/check_atoms.py compares this with the Python copy of the atom rules.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "../tests/common/SegmentData.h"
#include "MERIDOX/Segment/PreProcess.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: atomcut DATA_DIR < lines\n");
        return 2;
    }
    if (!kxtest::LoadSegmentLexicons(argv[1])) {
        fprintf(stderr, "atomcut: cannot load the data directory %s\n", argv[1]);
        return 1;
    }
    g_bUserDictPrior = false;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    std::string line, out;
    while (std::getline(std::cin, line)) {
        out.clear();
        const char* s = line.c_str();
        int nLen = int(strlen(s));
        int pos = 0;
        bool first = true;
        while (pos < nLen) {
            while (pos < nLen && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n')) ++pos;
            if (pos >= nLen) break;
            pos = int(pre.AtomSegment(s, pos, nLen) - s);
            if (!first) out += " |";
            first = false;
            const word_t* atoms = pre.GetAtoms();
            char buf[64];
            for (int k = 0; k < pre.GetAtomCount(); ++k) {
                snprintf(buf, sizeof buf, " %d,%d,%d,%d", atoms[k].start, atoms[k].end, atoms[k].handle,
                         int(atoms[k].type));
                out += buf;
            }
        }
        out += '\n';
        fwrite(out.data(), 1, out.size(), stdout);
    }
    return 0;
}
