// Test helper: documents for the keyword finder built word by word, as the engine's result rows
// (Doc) or as the English parser's term list (EnglishDoc).
#pragma once

#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "Utility/KeyWordFinder.h"

namespace kwtest {

// A text and its rows; End() adds a line break (the sentence end).
struct Doc {
    std::string line;
    std::vector<result_t> rows;

    Doc& Add(const std::string& word, const char* tag, int iPOS = 21, int wordId = -1) {
        result_t r{};
        r.start = int(line.size());
        r.length = int(word.size());
        SetResultPOS(r, tag);
        r.iPOS = iPOS;
        r.word_ID = wordId;
        rows.push_back(r);
        line += word;
        return *this;
    }
    Doc& End() { return Add("\n", "w", 1); }
    size_t ScanInto(CKeyWordFinder& f) { return f.Scan(line.c_str(), int(rows.size()), rows.data()); }
};

// A text and the parser's terms for the finder's English scan (base form: the word itself unless
// given); End() adds a line break.
struct EnglishDoc {
    CEnglish parser;
    std::string line;

    EnglishDoc& Add(const std::string& word, const char* tag = "n", int iPOS = 21, const char* origin = nullptr) {
        english_term_result t;
        t.start = int(line.size());
        t.length = int(word.size());
        SetResultPOS(t, tag);
        t.iPOS = iPOS;
        t.word = word;
        t.original_word = origin ? origin : word;
        parser.m_vecResult.push_back(t);
        line += word;
        return *this;
    }
    EnglishDoc& End() { return Add("\n", "w", 1); }
    size_t ScanInto(CKeyWordFinder& f) { return f.Scan(line.c_str(), &parser); }
};

}  // namespace kwtest
