// Scans arbitrary bytes into keyword finders. The first input byte chooses the finder's flags
// and how often the text is scanned; the rest is the text (up to its first zero byte). The text
// is scanned three ways: through the rows the engine gives for it (when the build's data
// directory is found: $KX_DATA_DIR, ../Data or Data), through rows whose offsets and lengths are
// read from the input bytes themselves (so rows may lie anywhere), and through English terms
// cut at blanks. Traps when the word table and the trie part, an id or a sentence leaves its
// range, or a slot passes its 600 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../tests/common/SegmentData.h"
#include "EnglishParser/English.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/LogFile.h"
#include "Utility/Trie.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Engine {
    std::unique_ptr<CMainSystem> sys;
    Engine() {
        g_bLog = false;  // the finder's limit message would write log files
        std::vector<std::string> dirs;
        if (const char* env = std::getenv("KX_DATA_DIR")) dirs.push_back(env);
        dirs.push_back("../Data");
        dirs.push_back("Data");
        for (const std::string& d : dirs) {
            std::string probe = d + "/CoreDict.pdat";
            if (FILE* f = std::fopen(probe.c_str(), "rb")) {
                std::fclose(f);
                if (kxtest::LoadEngineLexicons(d)) {
                    sys.reset(new CMainSystem);
                    if (!sys->IsReady()) sys.reset();
                }
                break;
            }
        }
    }
};

void CheckFinder(CKeyWordFinder& f) {
    const std::vector<WORD_AV>& table = f.GetWordAV();
    for (size_t k = 0; k < table.size(); ++k) {
        const tstring& w = table[k].word;
        Check(f.GetTrie()->Find(w.c_str(), (unsigned long)w.size()) == int(k));
        for (const _word_freq& e : table[k].vecLV) Check(e.handle >= 0 && size_t(e.handle) < table.size());
        for (const _word_freq& e : table[k].vecRV) Check(e.handle >= 0 && size_t(e.handle) < table.size());
    }
    const std::vector<int32_t>& ids = f.GetWordIDList();
    for (int32_t h : ids) Check(h >= 0 && size_t(h) < table.size());
    for (const SENTENCE_INFO& s : f.GetSentences()) {
        Check(s.length > 0 && size_t(s.length) == s.line.size());
        Check(s.start_pos >= 0 && size_t(s.start_pos) <= ids.size());
    }
    DOC_EXTRAXT_DATA* slots = f.GetDocExtractData();
    for (uint32_t k = 0; k < slots->entity_count; ++k) Check(slots->GetElement(int(k))->size() <= 600);
}

unsigned int Flags(uint8_t b) {
    static const unsigned int kFlags[] = {KWF_KEYWORD, KWF_GENERIC | KWF_TIME, KWF_SENTIMENT_SCORE | KWF_SENTIMENT_WORDS,
                                          0xFFFF};
    return kFlags[b & 3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Engine engine;
    if (size < 1) return 0;
    const unsigned int flags = Flags(data[0]);
    const int nScans = 1 + ((data[0] >> 2) & 1);
    const char* sUserTags = (data[0] & 0x10) ? "nr#ns#x#ns" : nullptr;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(strlen(text.c_str()));

    // Rows the engine gives.
    if (engine.sys) {
        tstring sTrans;
        int n = engine.sys->ProcessA(text.c_str(), sTrans, true, false, true);
        int nRows = 0;
        result_t* rows = engine.sys->GetResult(&nRows);
        if (n > 0 && rows && nRows > 0) {
            std::vector<result_t> copy(rows, rows + nRows);
            const char* sLine = sTrans.empty() ? text.c_str() : sTrans.c_str();
            CKeyWordFinder f(g_pUnigram, sUserTags, flags);
            for (int k = 0; k < nScans; ++k) {
                size_t r = f.Scan(sLine, nRows, copy.data());
                Check(r == strlen(sLine));
            }
            CheckFinder(f);
        }
    }

    // Rows read from the bytes: every 3 bytes give a start, a length and a tag id.
    {
        std::vector<result_t> rows;
        for (size_t at = 0; at + 3 <= text.size() && rows.size() < 4096; at += 3) {
            result_t r{};
            r.start = int(int8_t(text[at])) + int(at);
            r.length = int(uint8_t(text[at + 1]) % 40) - 2;
            static const int kTags[] = {21, 81, 91, 1, 90, 30, 24, 18};
            static const char* const kNames[] = {"n", "wj", "wyy", "w", "wt", "gn", "t", "nr"};
            r.iPOS = kTags[uint8_t(text[at + 2]) % 8];
            SetResultPOS(r, kNames[uint8_t(text[at + 2]) % 8]);
            r.word_ID = int(int8_t(text[at + 2]));
            rows.push_back(r);
        }
        CKeyWordFinder f(g_pUnigram, sUserTags, flags);
        for (int k = 0; k < nScans; ++k) f.Scan(text.c_str(), int(rows.size()), rows.data());
        CheckFinder(f);
    }

    // English terms cut at blanks (a blank itself is a term, as the parser gives separators).
    {
        CEnglish parser;
        for (size_t at = 0; at < text.size();) {
            size_t end = at;
            if (text[at] == ' ' || text[at] == '\n') {
                end = at + 1;
            } else {
                while (end < text.size() && text[end] != ' ' && text[end] != '\n') ++end;
            }
            english_term_result t;
            t.start = int(at);
            t.length = int(end - at);
            t.word = text.substr(at, end - at);
            t.original_word = t.word;
            SetResultPOS(t, (end - at) % 2 ? "n" : "wyz");
            t.iPOS = (end - at) % 2 ? 21 : 81;
            parser.m_vecResult.push_back(t);
            at = end;
        }
        CKeyWordFinder f(g_pUnigram, sUserTags, flags);
        for (int k = 0; k < nScans; ++k) f.Scan(text.c_str(), &parser);
        CheckFinder(f);
    }
    return 0;
}
