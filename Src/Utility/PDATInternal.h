// Helpers shared by the CPDAT sources (not part of the public interface).
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <vector>

#include "Utility/PDAT.h"
#include "Utility/Types.h"

// One of the two-byte mode-2 delimiters (GBK code).
bool PdatIsMode2Delimiter2(int code);
// The character of nCharLen bytes at s is a mode-2 delimiter.
bool PdatIsMode2Delimiter(const unsigned char* s, size_t nCharLen);
// The name to open for sFilename: the name itself when it exists, else its conversion from UTF-8
// when that exists (then logged as "Changed utf-8 file name " + sFilename).
tstring PdatResolveFilename(const char* sFilename);
// The word of one line of a word file: its first blank-delimited token (a leading UTF-8 byte-order
// mark skipped), or, when that begins with "[", the text between the line's first "[" and the next
// "]" (the rest of the line without one). False when the line gives no word.
bool PdatImportLine(const char* sLine, tstring& sWord);
// Echoes an imported word to fpEcho (may be null): a word beginning with a byte of 0x80 or more as
// it is; otherwise its "_" become blanks (in sWord too) and it is bracketed when it holds a blank or
// tab.
void PdatEchoImportWord(FILE* fpEcho, tstring& sWord);

// The build trie: nodes in one pool, node 0 the root. Children form a sibling chain in order of
// first addition; the root's children are also indexed by code.
struct CPDAT::BuildTrie {
    std::vector<build_elem> nodes;  // node 0 is the root
    std::vector<int32_t> rootChild; // root child by symbol code, -1 none

    BuildTrie() { Reset(); }

    void Reset() {
        nodes.clear();
        build_elem root = {0, 0, -1, -1, -1, 0, -1};
        nodes.push_back(root);
        rootChild.assign(65536, -1);
    }

    int32_t FindChild(int32_t parent, uint32_t code) const {
        if (parent == 0) return rootChild[code];
        for (int32_t c = nodes[parent].children; c >= 0; c = nodes[c].next)
            if (nodes[c].node == code) return c;
        return -1;
    }

    int32_t AddChild(int32_t parent, uint32_t code) {
        build_elem child = {code, 0, -1, -1, -1, 0, -1};
        int32_t idx = int32_t(nodes.size());
        nodes.push_back(child);
        build_elem& p = nodes[parent];
        if (p.last < 0)
            p.children = idx;
        else
            nodes[p.last].next = idx;
        p.last = idx;
        ++p.child_count;
        if (parent == 0) rootChild[code] = idx;
        return idx;
    }
};

