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

// One unit of a tagged sentence. A tagged unit is a word and its tag; an untagged one (white
// space, a sentence end, a line break, or a piece of tagged text that is not "word/tag") is kept
// in the marked-up sentence as it is and never scored.
struct SentiUnit {
    tstring word;
    tstring tag;
    bool bTagged = false;
};

// Receives the units of a tagged sentence one by one; a unit is valid during the call only.
typedef std::function<void(const SentiUnit&)> SentiUnitSink;

// Reads a tagged text unit by unit as it comes in pieces: units are the non-empty runs between
// blanks, and one may go on from one piece into the next. A unit that splits at "/" into exactly
// two non-empty parts is a tagged unit (word, tag), any other an untagged one. One reader per
// text; not shared between threads.
class TaggedTextReader {
public:
    explicit TaggedTextReader(const SentiUnitSink& sink) : m_sink(sink) {}
    // Reads the n bytes at p.
    void Feed(const char* p, size_t n);
    // Hands out the unit the text ends with, if any.
    void Finish() { Unit(); }

private:
    void Unit();

    const SentiUnitSink& m_sink;
    tstring m_sToken;  // the unit being read
    SentiUnit m_unit;
};

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

    // The units of one non-empty NUL-terminated sentence, tagging on, handed to sink in order;
    // nothing when TagSentencePieces hands out nothing. The default reads TagSentencePieces's text
    // with a TaggedTextReader.
    virtual void TagSentenceUnits(const char* sentence, const SentiUnitSink& sink) {
        TaggedTextReader reader(sink);
        TagSentencePieces(sentence, [&reader](const char* p, size_t n) { reader.Feed(p, n); });
        reader.Finish();
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
//
// TagSentenceUnits takes the units from the engine's result rows (KOVEX_ParagraphUnitsToSink),
// not from its text: a unit's text may hold blanks and "/" (a "^^" span of GBK text, a number
// with blanks), so only the rows tell a caller's text from a tag. A tagged row is a tagged unit;
// a row without a tag gives an untagged unit of its text less its blanks (none when only blanks
// are left), as the text would.
class KovexSentiEngine : public SentiEngine {
public:
    tstring TagSentence(const tstring& sentence) override;
    void TagSentencePieces(const char* sentence, const std::function<void(const char*, size_t)>& sink) override;
    void TagSentenceUnits(const char* sentence, const SentiUnitSink& sink) override;
    int AddUserWord(const tstring& sLine) override;
    int GetUserWordState(const tstring& sWord, SentiUserWordState& state) override;
    int RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) override;
    int SaveUserDict() override;
    tstring UserWordKey(const tstring& sWord) override;

    // The one instance every analyser built without an engine of its own uses.
    static KovexSentiEngine& Instance();
};
