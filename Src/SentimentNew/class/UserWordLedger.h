// The words one object request adds to the engine's user dictionary, with the state each had
// before the request, so that the request leaves the dictionary as it found it: a word that was
// already there gets its tag and count back (and keeps its handle), a new word is deleted.
//
// Words are keyed by the engine's form (SentiEngine::UserWordKey), so two spellings the user
// dictionary stores as one entry ("Apple" and "apple") are one entry here, recorded once however
// often the request adds it. Each word is put back once; later puts of the same word do nothing.
// The destructor puts back every word not put back yet, so every exit path of a request, an
// exception included, restores the dictionary.
//
// One ledger serves one request on one thread; the request holds the request lock exclusively
// while it adds and puts back words.
#pragma once

#include <map>
#include <vector>

#include "SentimentNew/class/SentiEngine.h"
#include "Utility/Types.h"

class UserWordLedger {
public:
    explicit UserWordLedger(SentiEngine& engine) : m_engine(engine) {}
    ~UserWordLedger();
    UserWordLedger(const UserWordLedger&) = delete;
    UserWordLedger& operator=(const UserWordLedger&) = delete;

    // Adds the user word "word tag" (an empty tag: "word " and the engine's default tag), first
    // recording the word's state when the request has not added it yet. Returns the engine's
    // result, or -1 without adding anything when the state cannot be read (a word whose state is
    // unknown could not be put back).
    int Add(const tstring& sWord, const tstring& sTag);

    // Puts the word back into its recorded state. 0 or more on success (also for a word already put
    // back, or never added by this request, which are left alone); -1 when the engine fails.
    int PutBack(const tstring& sWord);

    // Puts back every word not put back yet, in the reverse order of their first addition; never
    // throws.
    void PutBackAll() noexcept;

private:
    struct Entry {
        tstring sWord;  // the spelling first added
        SentiUserWordState state;
        bool bPutBack = false;
    };

    SentiEngine& m_engine;
    std::map<tstring, size_t> m_index;  // engine key -> position in m_entries
    std::vector<Entry> m_entries;       // in order of first addition
};
