// The sentiment analyser: scores sentences from the engine's tagged units, cuts contents into
// sentences, reads sentiment configuration documents, and answers object requests with result
// documents (root "QVSentiment-Result"). Every engine operation goes through a SentiEngine
// (SentiEngine.h).
//
// The analyser works on the caller's text unconverted, in its working encoding: UTF-8 for the
// encoding codes 1 and 4 and for automatic detection (-1, whose texts reach the analyser already
// normalised to UTF-8), BIG5 for code 2, GBK for every other code.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "SentimentNew/class/SentiConfig.h"
#include "SentimentNew/class/SentiEngine.h"
#include "Utility/Types.h"

class CCodeTran;
class ChunkedText;
class UserWordLedger;

// One scored sentence. A default result has an empty `str`, both points 0.0 and no objects.
struct ProcSentResult {
    tstring str;               // the marked-up sentence; empty when the sentence is not kept
    double posPoint = 0.0;     // sum of the weights above 0.0, after negation
    double negPoint = 0.0;     // sum of the other weights, after negation; 0.0 or negative
    std::set<tstring> objects; // every object word met, once each, in byte order
};

// The encoding the analyser's texts and punctuation literals are in.
enum class SentiEncoding { GBK, UTF8, BIG5 };

// The working encoding of a caller's encoding code: UTF-8 for 1, 4 and -1, BIG5 for 2, else GBK.
SentiEncoding SentiWorkingEncoding(int encode);

class Sentiment {
public:
    // Sets the tag names, the data path (null: "") and the caller's encoding code; the analyser
    // works through the library's engine (KovexSentiEngine::Instance()).
    Sentiment(const char* dataPath, int encode);
    // The same, working through `engine`, which must outlive the analyser.
    Sentiment(const char* dataPath, int encode, SentiEngine& engine);
    // An analyser built on the library's engine stops the engine (Exit); one built on an engine of
    // its own leaves the engine alone.
    virtual ~Sentiment();
    Sentiment(const Sentiment&) = delete;
    Sentiment& operator=(const Sentiment&) = delete;

    // Starts the engine on sDataPath (the folder holding "Data"; "" the working directory) for
    // callers in encoding `encode`. Returns the engine's result: 1 started (or already running,
    // with its first encoding), 0 failed; then " KOVEX Segment init failed! In Data Path=" and the
    // path are appended to the last error and the whole message is written to the error file.
    // Not to be called while any other engine call runs.
    static int Init(const tstring& sDataPath, int encode);
    // Stops the engine, freeing every text it handed out. True when it was running.
    static bool Exit();

    // Rebuilds the engine's field dictionary from a user-dictionary text file ("word tag" lines);
    // bSaveDict is the engine's overwrite flag: true drops the field words stored before, false
    // keeps them. Returns the number of the file's entries; 0 on failure, for a path that names no
    // regular file and for a file without entries (the field dictionary and its files then stay
    // as they were). The engine reads the file in the caller's encoding (detected as a whole under
    // -1). The caller holds the request lock exclusively.
    int ImportUserDict(const tstring& filePath, bool bSaveDict);
    // The same over several files in one rebuild (a word in several takes the last file's tag);
    // returns the sum of their counts, 0 when none gives an entry or the rebuild fails.
    int ImportUserDicts(const std::vector<tstring>& filePaths, bool bSaveDict);

    // The last error message: its own text in UTF-8 for the encoding codes 1, 4 and -1, else GBK
    // as stored; paths a caller gave stay as they were given (LastErrorForCaller). A copy
    // kept per thread, valid until this thread's next call; the caller never frees it. Needs no
    // started engine. Thread-safe.
    static const char* GetLastErrMsg(int encode);

    // Scores one sentence: the engine segments and tags it into units (SentiEngine::
    // TagSentenceUnits), which are scored as ScoreTaggedSentence scores them, one by one as the
    // engine writes them (a long text's whole tagged text is never held). An empty sentence gives
    // a default result without an engine call. Takes no lock: the caller keeps the engine's
    // dictionaries from changing during the call.
    ProcSentResult ProcessSentence(const tstring& sentence, bool bContainAllSentence) const;
    // The points and objects of a NUL-terminated text scored as one sentence, as ProcessSentence
    // gives them, without the marked-up text (`str` stays empty): the memory used follows the
    // text, not its result. A null or empty text gives a default result without an engine call.
    ProcSentResult SentencePoints(const char* sentence) const;

    // Receives a text piece by piece: the bytes of one piece, valid during the call only.
    typedef std::function<void(const char*, size_t)> TextSink;
    // A NUL-terminated text scored as one sentence with its whole marked-up text, as
    // ProcessSentence(text, true) scores it, the marked-up text handed to `text` piece by piece as
    // it is written (the pieces joined are ProcessSentence's `str`; the result's `str` stays
    // empty), so that it is never held whole here. A null or empty text gives a default result
    // without an engine call and hands out nothing.
    ProcSentResult ScoreSentenceToSink(const char* sentence, const TextSink& text) const;

    // Scores the engine's tagged text of one sentence: units separated by blanks, each a word, "/"
    // and its tag (TaggedTextReader). A numeric tag (first byte a digit, or "-" and a digit) is the
    // word's weight, negated when a negation word ("Neg") is pending; a negation stays pending
    // until the next weight or the end of its clause (a unit of clause punctuation or a line
    // break, IsClauseMark in SentiText.h), however many other words come between. Weights above
    // 0.0 add to the positive point, the others to the negative point; the sums stay finite
    // (SumPoints). "Object" words are collected, "RemSent" words make the sentence no longer count
    // as holding an object. `str` is the units joined without separator: a scored word as its
    // mark, a "RemSent" unit as word, "/" and tag, any other tagged unit as its word, an untagged
    // unit as it is; it is kept when bContainAllSentence is true or the sentence holds an object at
    // its end. Only a unit's tag is ever read as a weight or a role, never its word. Thread-safe;
    // no engine call.
    ProcSentResult ScoreTaggedSentence(const tstring& sTagged, bool bContainAllSentence) const;

    // Cuts a content in the working encoding into sentences at the sentence-ending punctuation
    // (".", "!", "?", ";" and the full-width full stop, exclamation mark, question mark and
    // semicolon; in GBK and BIG5 also the ellipsis), dropping the double and single quotation
    // marks (not in UTF-8, where they have no form of their own here). The text is walked by
    // whole characters, so no literal matches across a character boundary. Returns the sentences
    // in order without their delimiters, empty ones dropped; blanks and line breaks stay inside.
    // Linear in the content's length. Thread-safe.
    std::vector<tstring> CutContentToSentences(const tstring& sContent) const;
    // The same sentences handed to fn one at a time (the sentence is valid during the call), so
    // that only one sentence of the content is held at a time. Thread-safe.
    void ForEachContentSentence(const tstring& sContent, const std::function<void(const tstring&)>& fn) const;

    // Reads a sentiment configuration document (layout in SentiConfig.h) with pugixml, which
    // converts UTF-16 and UTF-32 files and files declared Latin-1 to UTF-8 and keeps other bytes
    // as they are. A missing or malformed file, a path that names no regular file (a directory,
    // a pipe, a device), or a file whose root is not "QVSentiment-Config" gives the empty
    // configuration, without a message; *pbRead (when given) tells whether the document was read
    // (false for those). Thread-safe.
    static Config ReadConfig(const tstring& sObjectRuleFile, bool* pbRead = nullptr);

    // Object-list request: adds every object word to the engine's user dictionary with the tag
    // "Object" for the time of the request, scores the title and each sentence of the content, and
    // returns the result document: one "result" per object that the title or a sentence holds, in
    // list order. Object words are trimmed of blanks, TABs, CRs and LFs; empty words and words
    // holding a blank, TAB, CR, LF, VT, FF or "/" are skipped (never added, no result). Objects
    // match the text without regard to ASCII case; "object" keeps the requested spelling.
    // nHitCount counts, per object, one for the title and one for the content when they hold it.
    // The user dictionary is left as it was before the request (words that were there get their
    // tag and count back), on every exit path; it is not saved. The caller holds the request lock
    // exclusively: no other request or scoring may run meanwhile.
    tstring GetMultiObjectResult(const tstring& sTitle, const tstring& sContent,
                                 const std::vector<tstring>& sObjects, int& nHitCount);

    // Configuration request: reads the configuration document (see ReadConfig), adds its negation
    // words (tag "Neg"), sentence-removal words ("RemSent") and word-removal words (no tag), runs
    // the object-list request over the categories' brand words (cleaned as above, byte-sorted,
    // duplicates once), and puts every word back, then saves the user dictionary once (which
    // writes nothing when the dictionary is as the file holds it). Returns the result document, or "" when no object is found; *pbRead (when
    // given) tells whether the configuration document was read. Same lock rule.
    tstring GetMultiObjectResult(const tstring& sTitle, const tstring& sContent, const tstring& sObjectRuleFile,
                                 bool* pbRead = nullptr);

    // The result document of one text scored as a single sentence, its whole marked-up text kept.
    // The user dictionary is not touched; the caller holds the request lock (shared is enough).
    tstring GetSentenceResult(const tstring& sSentence) const;
    // The same document for a NUL-terminated text (null: ""), as one new[] array with its NUL that
    // the caller owns. Built as the text is scored: besides the document the call holds about one
    // more copy of its marked-up text at the end, never a document tree or a copy of the text.
    std::unique_ptr<char[]> SentenceDocument(const char* sSentence) const;

    // Puts back each word of the list through the request's ledger (every word, even after a
    // failure), then, when bSaveDict, saves the user dictionary (also after a failed word).
    // Returns the number of words, or -1 when a word or the save failed.
    int DelUsrWord(UserWordLedger& ledger, const std::vector<tstring>& sWords, bool bSaveDict);

    // Deletes one word from the user dictionary; when that succeeded and bSaveDict, saves the user
    // dictionary. The deletion's result (below 0: failed), or -1 when the save failed. Not used by
    // the requests, which put words back through their ledger instead.
    int DelUsrWord(const tstring& sWord, bool bSaveDict);

    // ---- ranking a directory (RankDir.cpp) ----
    // Scores every regular "*.txt" file (any letter case) below the directory sPath as one text
    // each (GetSentenceResult) and writes the ranking table "SentimentRankResult.xls" into that
    // directory: UTF-8 with a byte-order mark, a summary line, a header line and one CSV row per
    // scored file, most negative score first. sPath is taken as given when it exists, else as its
    // GBK conversion from UTF-8. On success sTablePath receives the directory name followed by
    // "/SentimentRankResult.xls" and the result is true. A null, empty or missing path, or one that
    // is not a directory, gives false with the last error "Cannot open directory <path>" and
    // writes nothing; a table that cannot be written gives false with "Cannot write file <table>",
    // any previous table left as it was. Prints progress lines on standard output, and the line
    // that the documents were processed only once the table is written. The caller
    // holds the request lock (shared is enough) for the whole run.
    bool RankDirectory(const char* sPath, tstring& sTablePath) const;

    tstring m_negationName;        // "Neg": tag of negation words
    tstring m_transitionName;      // "Tran"
    tstring m_objectName;          // "Object": tag of object words
    tstring m_removeWordName;      // "RemWord"
    tstring m_removeSentenceName;  // "RemSent": tag of sentence-removal words
    tstring m_dataPath;
    int m_encode;
    // The code-2 converter whose BIG5 dictionary vouches for the BIG5 characters written into
    // documents; not owned, may be null (then the BIG5 ranges are taken on trust).
    const CCodeTran* m_big5Converter = nullptr;

private:
    // Scores a NUL-terminated text as ScoreSentenceToSink does, its marked-up text written into
    // `content` as the single-text document's CDATA section holds it (CdataTextWriter).
    ProcSentResult ScoreToDocumentText(const char* sSentence, ChunkedText& content) const;

    // Object-list request with the words recorded in a ledger the caller owns.
    tstring ObjectListResult(UserWordLedger& ledger, const tstring& sTitle, const tstring& sContent,
                             const std::vector<tstring>& sObjects, int& nHitCount);

    SentiEngine* m_engine;
};
