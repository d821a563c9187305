// The engine operations the sentiment analyser needs, gathered behind one small interface so that
// scoring and object requests never name the engine's functions directly.
//
// KovexSentiEngine is the implementation the library uses; each of its operations is one call of
// the engine's internal interface (named on each operation below). Tests put a fake engine in its
// place with the Sentiment constructor that takes a SentiEngine.
//
// Texts are in the caller's working encoding (see Sentiment.h) unless an operation says otherwise.
// Thread safety: every operation may be called from any thread; the user-dictionary operations
// change shared state, so object requests call them only while they hold the request lock
// exclusively (the exported interface takes it).
#pragma once

#include <cstddef>
#include <functional>

#include "Utility/Types.h"

// The state of one word in the engine's user dictionary, as read before a request changes it.
struct SentiUserWordState {
    bool bPresent = false;  // the word is in the user dictionary (and not deleted)
    tstring sTag;           // its tag (a deleted word's kept tag when absent)
    int nFreq = 0;          // its count (a deleted word's kept count when absent; 0 never added)
};

class SentiEngine {
public:
    virtual ~SentiEngine() = default;

    // The tagged text of one non-empty sentence: every word followed by "/" and its tag and by one
    // blank (paragraph processing with tagging on and the engine's default delimiter and word
    // boundary), unregistered. Empty when the engine is not started or cannot process the text.
    // Engine: KOVEX_ParagraphProcessStr(sentence, 1).
    virtual tstring TagSentence(const tstring& sentence) = 0;

    // TagSentence's text of one non-empty NUL-terminated sentence handed to sink in pieces, the
    // pieces joined being that text (a reader joins a unit that goes on into the next piece).
    // Nothing is handed out when the engine is not started or cannot process the text. The
    // default hands TagSentence's text out whole. Engine: KOVEX_ParagraphProcessToSink(sentence,
    // 1, sink), which holds no more than a piece of the result at a time.
    virtual void TagSentencePieces(const char* sentence, const std::function<void(const char*, size_t)>& sink) {
        const tstring sTagged = TagSentence(sentence);
        if (!sTagged.empty()) sink(sTagged.data(), sTagged.size());
    }

    // Adds one user word from the line "word tag" (an empty tag after the blank stores the tag
    // "n"); an existing entry takes the new tag and a raised count. The engine's result: below 0
    // on failure. Engine: KOVEX_AddUserWord(line).
    virtual int AddUserWord(const tstring& sLine) = 0;

    // Reads the state of a word. 0 or more on success; -1 when the engine is not started (state
    // then unchanged). Without a user dictionary every word reads as absent.
    // Engine: KOVEX_GetUserWordState(word, state).
    virtual int GetUserWordState(const tstring& sWord, SentiUserWordState& state) = 0;

    // Puts a word back into a state read before: absent takes the request's additions back, so
    // the word leaves nothing in the dictionary; present sets its tag and count back, keeping its
    // handle (adding it first when it was deleted meanwhile). 0 or more on success, below 0 on
    // failure. Engine: KOVEX_RestoreUserWord(word, state).
    virtual int RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) = 0;

    // Saves the user dictionary; 1 when saved. Engine: KOVEX_SaveTheUsrDic().
    virtual int SaveUserDict() = 0;

    // The key under which the user dictionary stores a word: the word converted to GBK as the
    // user-word functions convert it, ASCII capitals folded (a GBK walk, so trail bytes stay).
    // Two spellings with one key are one entry of the dictionary.
    virtual tstring UserWordKey(const tstring& sWord) = 0;
};

// The library's engine: the calls named above. Under automatic detection (-1), whose texts reach
// the analyser in UTF-8, the user-word operations hand the engine each word's GBK form and tell
// it so (the engine's GBK path), so no word is detected or converted twice. While the engine is not started every operation
// refuses as the engine does (empty text, -1, 0).
class KovexSentiEngine : public SentiEngine {
public:
    tstring TagSentence(const tstring& sentence) override;
    void TagSentencePieces(const char* sentence, const std::function<void(const char*, size_t)>& sink) override;
    int AddUserWord(const tstring& sLine) override;
    int GetUserWordState(const tstring& sWord, SentiUserWordState& state) override;
    int RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) override;
    int SaveUserDict() override;
    tstring UserWordKey(const tstring& sWord) override;

    // The one instance every analyser built without an engine of its own uses.
    static KovexSentiEngine& Instance();
};
