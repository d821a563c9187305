// A stand-in for the engine behind the sentiment analyser: a map of words with tags, counts and
// handles (the user dictionary and the sentiment words in one), and sentence tagging by greedy
// longest match over the present words, as the engine's user-dictionary match does (ASCII case
// folded, a match longer than one byte). Unmatched characters between matches and blanks form one
// unit tagged "x". Every change is recorded; a throw can be injected into the Nth tagging.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/SentiText.h"

namespace kxtest {

class FakeSentiEngine : public SentiEngine {
public:
    struct Word {
        std::string sTag;
        int nFreq = 0;
        int nHandle = 0;
        bool bPresent = false;
    };
    // Present words only: key -> (tag, count, handle).
    using Snapshot = std::map<std::string, std::tuple<std::string, int, int>>;

    explicit FakeSentiEngine(SentiEncoding enc = SentiEncoding::GBK) : m_enc(enc) {}

    void Preset(const std::string& word, const std::string& tag, int freq = 1) {
        Word& w = m_words[FoldAscii(word, m_enc)];
        w.sTag = tag;
        w.nFreq = freq;
        w.nHandle = m_nNextHandle++;
        w.bPresent = true;
    }

    Snapshot Present() const {
        Snapshot s;
        for (const auto& kv : m_words) {
            if (kv.second.bPresent) s[kv.first] = std::make_tuple(kv.second.sTag, kv.second.nFreq, kv.second.nHandle);
        }
        return s;
    }

    tstring TagSentence(const tstring& sentence) override {
        if (++m_nTagCalls == m_nThrowOnTag) throw std::runtime_error("injected");
        std::string out, run;
        auto flush = [&] {
            if (!run.empty()) out += run + "/x ";
            run.clear();
        };
        for (size_t i = 0; i < sentence.size();) {
            size_t best = 0;
            const Word* match = nullptr;
            for (const auto& kv : m_words) {
                const size_t len = kv.first.size();
                if (!kv.second.bPresent || len < 2 || len <= best || i + len > sentence.size()) continue;
                if (FoldAscii(sentence.substr(i, len), m_enc) != kv.first) continue;
                if (!OnBoundary(sentence, i + len)) continue;
                best = len;
                match = &kv.second;
            }
            if (match) {
                flush();
                out += sentence.substr(i, best) + "/" + match->sTag + " ";
                i += best;
            } else if (sentence[i] == ' ') {
                flush();
                ++i;
            } else {
                const size_t len = SentiCharLength(m_enc, sentence, i);
                run += sentence.substr(i, len);
                i += len;
            }
        }
        flush();
        return out;
    }

    int AddUserWord(const tstring& sLine) override {
        m_adds.push_back(sLine);
        const size_t blank = sLine.find(' ');
        const std::string word = sLine.substr(0, blank);
        std::string tag = blank == std::string::npos ? "" : sLine.substr(blank + 1);
        if (tag.empty()) tag = "n";
        Word& w = m_words[FoldAscii(word, m_enc)];
        const bool bWasPresent = w.bPresent;
        if (!bWasPresent) {
            w.nHandle = m_nNextHandle++;
            w.nFreq = 0;
        }
        w.bPresent = true;
        w.sTag = tag;
        ++w.nFreq;
        return bWasPresent ? 2 : 1;
    }

    int GetUserWordState(const tstring& sWord, SentiUserWordState& state) override {
        if (m_bStopped) return -1;
        auto it = m_words.find(FoldAscii(sWord, m_enc));
        state = SentiUserWordState();
        if (it != m_words.end() && it->second.bPresent) {
            state.bPresent = true;
            state.sTag = it->second.sTag;
            state.nFreq = it->second.nFreq;
        }
        return 0;
    }

    int RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) override {
        ++m_nRestores;
        if (m_bFailRestore) return -1;
        Word& w = m_words[FoldAscii(sWord, m_enc)];
        if (!state.bPresent) {
            w.bPresent = false;
            return 0;
        }
        if (!w.bPresent) w.nHandle = m_nNextHandle++;
        w.bPresent = true;
        w.sTag = state.sTag;
        w.nFreq = state.nFreq;
        return 0;
    }

    int SaveUserDict() override {
        ++m_nSaves;
        m_savedSnapshots.push_back(Present());
        return m_nSaveResult;
    }

    tstring UserWordKey(const tstring& sWord) override { return FoldAscii(sWord, m_enc); }

    std::vector<std::string> m_adds;
    int m_nSaves = 0;
    std::vector<Snapshot> m_savedSnapshots;  // the present words at each save
    int m_nSaveResult = 1;
    int m_nRestores = 0;
    int m_nTagCalls = 0;
    int m_nThrowOnTag = 0;  // 0: never
    bool m_bStopped = false;
    bool m_bFailRestore = false;

private:
    bool OnBoundary(const std::string& s, size_t end) const {
        for (size_t i = 0; i < s.size(); i += SentiCharLength(m_enc, s, i)) {
            if (i >= end) return i == end;
        }
        return true;
    }

    SentiEncoding m_enc;
    std::map<std::string, Word> m_words;
    int m_nNextHandle = 1;
};

}  // namespace kxtest
