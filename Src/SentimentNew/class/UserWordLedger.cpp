#include "SentimentNew/class/UserWordLedger.h"

UserWordLedger::~UserWordLedger() { PutBackAll(); }

int UserWordLedger::Add(const tstring& sWord, const tstring& sTag) {
    const tstring key = m_engine.UserWordKey(sWord);
    auto it = m_index.find(key);
    if (it == m_index.end()) {
        Entry entry;
        entry.sWord = sWord;
        if (m_engine.GetUserWordState(sWord, entry.state) < 0) return -1;
        m_entries.push_back(std::move(entry));
        m_index.emplace(key, m_entries.size() - 1);
    } else {
        // Added again after its put-back: the recorded state still is the one before the request.
        m_entries[it->second].bPutBack = false;
    }
    return m_engine.AddUserWord(sWord + " " + sTag);
}

int UserWordLedger::PutBack(const tstring& sWord) {
    auto it = m_index.find(m_engine.UserWordKey(sWord));
    if (it == m_index.end()) return 0;
    Entry& entry = m_entries[it->second];
    if (entry.bPutBack) return 0;
    entry.bPutBack = true;
    return m_engine.RestoreUserWord(entry.sWord, entry.state) < 0 ? -1 : 0;
}

void UserWordLedger::PutBackAll() noexcept {
    for (size_t i = m_entries.size(); i-- > 0;) {
        Entry& entry = m_entries[i];
        if (entry.bPutBack) continue;
        entry.bPutBack = true;
        try {
            m_engine.RestoreUserWord(entry.sWord, entry.state);
        } catch (...) {
            // Nothing more can be done for this word; the others are still put back.
        }
    }
}
