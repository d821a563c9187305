// The engine's analysis chain without a full start-up: atoms, lattice, bigram path, person roles
// with the name merge, parts of speech. Header-only, for the tests, the benchmark and the
// accuracy tool, which load the shipped data directory into the engine globals themselves.
#pragma once

#include <string>
#include <vector>

#include "SegmentData.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/Segment/Segment.h"
#include "MERIDOX/Tagger/HMMTagger.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/POS.h"

namespace kxtest {

// LoadSegmentLexicons plus the tagging lexicons (candidates and transitions of both taggers, the
// person-name automaton). False when a file does not load. Call while no analysis runs.
inline bool LoadChainLexicons(const std::string& dataDir) {
    bool ok = LoadSegmentLexicons(dataDir);
    g_pCorePOS = new CPOS;
    g_pPOSContext = new CContextStat;
    g_pPersonRole = new CPOS;
    g_pPersonContext = new CContextStat;
    g_pPersonFSA = new CFSA;
    return ok && g_pCorePOS->Load((dataDir + "/CoreDict.pos").c_str()) &&
           g_pPOSContext->Load((dataDir + "/KOVEX.ctx").c_str()) &&
           g_pPersonRole->Load((dataDir + "/nr.role").c_str()) &&
           g_pPersonContext->Load((dataDir + "/nr.ctx").c_str()) &&
           g_pPersonFSA->Load((dataDir + "/nr.fsa").c_str());
}

inline bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One analysis instance over the globals: its own pre-processor, path search and two taggers.
// One thread at a time per instance.
class EngineChain {
public:
    EngineChain(bool bRoles = true, bool bPOS = true)
        : m_pre(g_pCharset, g_pCoreDict, nullptr),
          m_seg(g_pCoreDict, g_pUnigram, g_pBiDict),
          m_pos(g_pCorePOS, g_pPOSContext, g_pUnigram->GetItemCount(), 21),
          m_per(g_pPersonRole, g_pPersonContext, g_pUnigram->GetItemCount(), 22, false),
          m_bRoles(bRoles),
          m_bPOS(bPOS) {}

    // Runs the chain over every sentence of the line (nLen bytes, NUL-terminated; white space
    // between sentences skipped) and calls onSentence(words, count) with the tagged path of
    // each, start and end atoms included.
    template <typename OnSentence>
    void Line(const char* s, int nLen, OnSentence onSentence) {
        int pos = 0;
        while (pos < nLen) {
            while (pos < nLen && IsLineSpace(s[pos])) ++pos;
            if (pos >= nLen) break;
            pos = int(m_pre.FullSegment(s, pos, nLen) - s);
            int n = m_seg.BiSegment(m_pre);
            n = TagSentenceWords(m_seg.GetWords(), n, m_bRoles ? &m_per : nullptr, g_pPersonFSA,
                                 m_bPOS ? &m_pos : nullptr, m_names);
            onSentence(m_seg.GetWords(), n);
        }
    }

    // The words of a line as "text/POS_id" (start and end atoms and empty words left out).
    std::vector<std::string> Words(const std::string& line) {
        std::vector<std::string> out;
        Line(line.c_str(), int(line.size()), [&](const word_t* w, int n) {
            for (int k = 0; k < n; ++k)
                if (w[k].end > w[k].start)
                    out.push_back(line.substr(size_t(w[k].start), size_t(w[k].end - w[k].start)) + "/" +
                                  std::to_string(int(w[k].POS_id)));
        });
        return out;
    }

    CPreProcess& Pre() { return m_pre; }
    CSegment& Seg() { return m_seg; }
    CHMMTagger& POSTagger() { return m_pos; }
    CHMMTagger& RoleTagger() { return m_per; }

private:
    CPreProcess m_pre;
    CSegment m_seg;
    CHMMTagger m_pos;
    CHMMTagger m_per;
    bool m_bRoles, m_bPOS;
    std::vector<int> m_names;
};

}  // namespace kxtest
