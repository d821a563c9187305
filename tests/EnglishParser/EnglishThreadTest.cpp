// English lines analysed on several threads while user words are added and the field
// dictionary is swapped.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "EnglishParser/English.h"
#include "EnglishParser/EnglishLexicon.h"
#include "Utility/Trie.h"

namespace {

using namespace kxtest;

const int kWords = 300;

std::string UserWord(int k) {
    return "user" + std::to_string(k) + "-x" + std::to_string(k);
}
std::string UserTag(int k) {
    return "u" + std::to_string(k);
}
std::string FieldWord(int k) {
    return "field" + std::to_string(k) + "-y";
}
std::string FieldTag(int k) {
    return "f" + std::to_string(k);
}

TEST(EnglishThreadTest, AnalysisWhileUserWordsAreAdded) {
    EnglishLexicon lexicon;
    EnglishLexicon::SetUserDict({});
    std::atomic<bool> bWriting{true};
    std::atomic<int> nBad{0};

    std::thread writer([&] {
        for (int k = 0; k < kWords; ++k) {
            {
                CUserDictWriteLock lock;
                g_pUserDict->AddTrie((UserWord(k) + " " + UserTag(k)).c_str());
            }
            if (k % 30 == 0) {
                // A new field dictionary of the words so far (each with its own tag).
                std::vector<std::pair<std::string, std::string>> entries;
                for (int i = 0; i <= k; ++i) entries.emplace_back(FieldWord(i), FieldTag(i));
                EnglishLexicon::SetFieldDict(entries);
            }
        }
        bWriting = false;
    });

    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            const unsigned seed = 1000u + unsigned(t);
            std::mt19937 rng(seed);
            CEnglish eng;
            bool bLastRound = false;
            while (!bLastRound) {
                bLastRound = !bWriting;
                for (int r = 0; r < 50; ++r) {
                    const int k = int(rng() % kWords), m = int(rng() % kWords);
                    const std::string line = "see " + UserWord(k) + " and " + FieldWord(m) + " go";
                    eng.Process(line.c_str(), 1);
                    // Each merged item carries the tag of its own entry.
                    for (const auto& item : eng.m_vecResult) {
                        bool bOk = true;
                        if (item.word == UserWord(k)) bOk = item.sPOS == UserTag(k) && item.iPOS == kN;
                        if (item.word == FieldWord(m)) bOk = item.sPOS == FieldTag(m);
                        if (!bOk) {
                            ++nBad;
                            ADD_FAILURE() << "seed " << seed << ": " << line << " -> " << eng.m_sResult;
                        }
                    }
                    if (bLastRound) {
                        // Every entry is in: all merges happen.
                        const std::string expected = "see/v " + UserWord(k) + "/" + UserTag(k) + " and/c ";
                        if (eng.m_sResult.compare(0, expected.size(), expected) != 0) {
                            ++nBad;
                            ADD_FAILURE() << "seed " << seed << ": " << eng.m_sResult;
                        }
                    }
                    if (nBad > 5) return;
                }
            }
        });
    }
    writer.join();
    for (auto& r : readers) r.join();
    EXPECT_EQ(nBad, 0);
    EXPECT_EQ(g_nUserDictReaderCount, 0);
}

}  // namespace
