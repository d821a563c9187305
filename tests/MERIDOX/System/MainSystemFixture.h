// Shared set-up of the engine-instance tests: the lexicons of the build's data directory loaded
// once into the engine globals, the settings returned to start-up's defaults before each test,
// and helpers that read an instance's rows and text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"
#include "Utility/WordList.h"
#include "common/IconvRef.h"
#include "common/SegmentData.h"

namespace enginetest {

using kxtest::Gbk;

inline std::string DataDir() { return std::string(KX_BUILD_DIR) + "/Data"; }

// The GBK paragraphs of corpus days (tools/corpus_text.py with sDays, e.g. "1" or "27"); empty
// when they cannot be read.
inline std::vector<std::string> CorpusParagraphs(const char* sDays) {
    std::vector<std::string> out;
    const std::string sCommand =
        std::string("/usr/bin/python3 " KX_SOURCE_DIR "/tools/corpus_text.py ") + sDays + " 2>/dev/null";
    FILE* p = popen(sCommand.c_str(), "r");
    if (!p) return out;
    std::string line;
    char buf[1 << 16];
    while (fgets(buf, sizeof buf, p)) {
        line += buf;
        if (line.back() != '\n') continue;
        line.pop_back();
        if (!line.empty()) out.push_back(line);
        line.clear();
    }
    if (pclose(p) != 0) out.clear();
    return out;
}

class EngineTestBase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!s_bLoaded) {
            ASSERT_TRUE(kxtest::LoadEngineLexicons(DataDir()));
            s_bLoaded = true;
        }
    }
    void SetUp() override {
        g_sPOSDelimiter = "/";
        g_sWordBoundary = "  ";
        g_bPOSTagger = true;
        g_bNERPerson = true;
        g_bUserDictPrior = false;
        g_bFinerSegCombined = false;
        g_nEncodeType = 0;
        kxtest::SetSpecialWordIds(*g_pCoreDict);
        ClearDictionaries();
    }
    void TearDown() override {
        ClearDictionaries();
        g_nEncodeType = 0;
    }
    static void ClearDictionaries() {
        CUserDictWriteLock lock;
        delete g_pUserDict;
        g_pUserDict = nullptr;
        delete g_pFieldDict;
        g_pFieldDict = nullptr;
        delete g_pFieldPOS;
        g_pFieldPOS = nullptr;
    }
    // A user dictionary of "word tag" lines (UTF-8, converted to GBK).
    static void SetUserWords(const std::vector<std::string>& utf8Lines) {
        CTrie* trie = new CTrie;
        for (const auto& l : utf8Lines) trie->AddTrie(Gbk(l.c_str()).c_str());
        CUserDictWriteLock lock;
        delete g_pUserDict;
        g_pUserDict = trie;
    }
    // A field dictionary of (word, tag) pairs; without tags g_pFieldPOS stays null.
    static void SetFieldWords(const std::vector<std::pair<std::string, std::string>>& entries, bool bTags = true) {
        CPDAT* dict = new CPDAT(0);
        for (const auto& e : entries) dict->AddWord(Gbk(e.first.c_str()).c_str());
        dict->AddWordComplete();
        CWordList* tags = nullptr;
        if (bTags) {
            tags = new CWordList;
            tags->AddWordInit();
            for (const auto& e : entries)
                tags->AddWord(Gbk(e.second.c_str()).c_str(), dict->Find(Gbk(e.first.c_str()).c_str()));
            tags->AddWordComplete();
        }
        CUserDictWriteLock lock;
        delete g_pFieldDict;
        g_pFieldDict = dict;
        delete g_pFieldPOS;
        g_pFieldPOS = tags;
    }

    static bool s_bLoaded;
};

// The rows of the instance's last result.
inline std::vector<result_t> Rows(CMainSystem& sys) {
    int n = 0;
    result_t* p = sys.GetResult(&n);
    return std::vector<result_t>(p, p + n);
}

// The GBK text of each row of a GBK line.
inline std::vector<std::string> RowTexts(CMainSystem& sys, const std::string& line) {
    std::vector<std::string> out;
    for (const result_t& r : Rows(sys)) out.push_back(line.substr(size_t(r.start), size_t(r.length)));
    return out;
}

// Process on a GBK line, the result as UTF-8 (for readable failures).
inline std::string Utf8(const std::string& gbk) {
    std::string out;
    ANSIToUTF8(gbk.c_str(), out);
    return out;
}

// Where a character of a UTF-8 text may start or end (size + 1 entries): every offset but those
// inside a well-formed sequence, as iconv reads them.
inline std::vector<bool> CharStarts(const std::string& s) {
    std::vector<bool> starts(s.size() + 1, true);
    kxtest::Iconv check("UTF-32LE", "UTF-8");
    for (size_t i = 0; i < s.size();) {
        size_t n = 1;
        std::string out;
        for (size_t len = 4; len >= 2; --len) {
            if (i + len <= s.size() && check.Convert(s.substr(i, len), out) && out.size() == 4) {
                n = len;
                break;
            }
        }
        for (size_t k = 1; k < n; ++k) starts[i + k] = false;
        i += n;
    }
    return starts;
}

// True when the text is well-formed UTF-8.
inline bool IsUtf8(const std::string& s) {
    std::string out;
    return kxtest::Iconv("UTF-32LE", "UTF-8").Convert(s, out);
}

}  // namespace enginetest
