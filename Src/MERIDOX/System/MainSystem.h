// CMainSystem: one engine instance. It owns one of each processing stage (atom and full
// segmentation, bigram path search, the part-of-speech and person-role taggers, the English
// parser, a keyword finder) and the results of the last text it processed: a result text (each
// word, with tagging followed by the first character of the tag delimiter and its tag, then the
// first character of the word boundary) and an array of result rows (result_t).
//
// Construction builds the stages from the process-wide lexicons (EngineGlobals.h), which must be
// loaded first and outlive the instance. A stage that cannot be built is reported with WriteError
// and leaves the instance unready: IsReady() is false and every Process* call returns its failure
// value (null or 0).
//
// Memory: texts and rows returned by an instance point into its own buffers and stay valid until
// its next call. Buffers only grow; a buffer that cannot grow is reported with WriteError, and
// the call returns its failure value.
//
// Thread safety: one thread at a time per instance (the instance pool's claim). All instances
// share the lexicons: they only read them, except the user dictionary and the field dictionary,
// which are read under a shared hold of g_hUserDictLock, taken once per line (atoms and output
// nest in it; English lines take it per word), let go between two sentences or output units
// whenever a writer waits, and changed under the exclusive hold (AddUserWordO, AddUsrWord,
// DelUsrWord's caller). Lock order: g_mutex first, then g_hUserDictLock. The static members (GetUniProb, IsWord, IsFreqAssociate) touch no
// instance state and may be called from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "CodeTrans/CodeTran.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/include/EngineRecords.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/Types.h"

class CEnglish;
class CHMMTagger;
class CKeyWordFinder;
class CPDAT;
class CPOS;
class CPreProcess;
class CSegment;
class CTrie;
class CWordList;

// Receives a result text piece by piece (ProcessToSink): the bytes of one piece, in the caller's
// encoding, valid during the call only.
typedef std::function<void(const char* sPiece, size_t nLen)> ResultTextSink;
// Receives the units of a result one by one (ProcessUnitsToSink): a unit's text in the caller's
// encoding (nText bytes) and its tag text (NUL-terminated, "" for none), valid during the call.
typedef std::function<void(const char* sText, size_t nText, const char* sTag)> ResultUnitSink;

class CMainSystem {
public:
    // Builds the stages in order: pre-processor, path search, part-of-speech tagger (only with
    // g_bPOSTagger), role tagger (only with g_bNERPerson), the buffers (10240 text bytes, 2048
    // rows each, 2048 field words), the keyword finder and the English parser. A failure writes
    // "Cannot build object CPreProcess.\n" or "Cannot build object  CSegment" (under g_mutex) and
    // stops construction; IsReady() is then false. The tag-set map starts at 0.
    CMainSystem();
    virtual ~CMainSystem();
    CMainSystem(const CMainSystem&) = delete;
    CMainSystem& operator=(const CMainSystem&) = delete;

    // Where a long GBK line may be cut into pieces that Process handles one by one, their results
    // joined giving Process's result of the whole line: the largest offset c <= nMax
    // at which sLine (NUL-terminated at nLen; the start of a line, or of a piece after such a cut)
    // may be cut: the end of a sentence cut at the sentence bound, or of one whose two-byte
    // sentence end the output joins nothing across (CPreProcess::IsPieceBoundary), where no white
    // space follows, and c >= 101 (a piece is a long text, whose lines drop leading white space
    // as the whole line's does). Unless bLineEnds (sLine holds the rest of the line) only cuts at least
    // kPieceLookahead bytes before nLen count, so that bytes beyond nLen cannot change them. 0
    // when there is none (or on an unready instance). A piece is processed as the line would be
    // only when the whole line is not judged English (IsEnglishText samples the whole line).
    // Uses the instance's atom cutter: not while it processes a text.
    // With bLinePieces the pieces are processed by ProcessLinePiece instead, which keeps white
    // space at a piece's start as the line does: a cut before white space then counts too.
    // bConverted as for ProcessLinePiece.
    int PieceEnd(const char* sLine, int nLen, int nMax, bool bLineEnds, bool bLinePieces = false,
                 bool bConverted = false);
    static constexpr int kPieceLookahead = 8192;
    // PieceEnd for a line judged English (processed by the English parser): the largest offset
    // c <= nMax after a blank or TAB that ends a token (an ASCII byte before it that is no
    // delimiter of the English tokenizer) and before a byte that starts one, across which no
    // field or user dictionary word starting in the last kDictWordWindow bytes reaches; the
    // tokens, their tags and the dictionary merges of the two parts are then those of the line.
    // Unless bLineEnds only cuts kPieceLookahead bytes or more before nLen count. 0 when there is
    // none. Takes a shared hold of the user dictionaries.
    static int EnglishPieceEnd(const char* sLine, int nLen, int nMax, bool bLineEnds);

    // The result text, in the caller's encoding, of one piece of one line of a long text given
    // in GBK (no CR or LF inside; a line as the long text's line loop hands it to ProcessAtom,
    // or a piece of it cut where PieceEnd(..., bLinePieces true) or EnglishPieceEnd say), with
    // the English verdict of the whole line (IsEnglishText of the line, which samples all of it)
    // instead of the piece's own. The results of a line's pieces joined are the line's result in
    // Process. Null on an unready instance or when a buffer cannot grow. Valid until the next
    // call on this instance. bConverted: the piece is the conversion of a caller's text whose
    // "^^" are text (a converter of the data folder, or detection that found no GBK), so only
    // the conversion's mark spans ("^^", blanks, "^^") are spans; a caller's text of exactly that
    // shape reads as one too, which Process, knowing where the conversion wrote its marks, does
    // not do.
    const char* ProcessLinePiece(const char* sGBK, int bPOStagged, bool bUserDict, bool bEnglish,
                                 bool bConverted = false);
    // The text that Process writes for the line break chBreak (CR or LF) ending a line of a long
    // text, in the caller's encoding: the byte and the whole word boundary. Valid until the next
    // call on this instance; null on an unready instance.
    const char* LineBreakText(char chBreak);

    // The limits of this instance's long lines: the sentence bound in bytes (CPreProcess::
    // kSentenceBound when built) and the number of words a line gathers before the result
    // output writes them at the next sentence end where the line may be cut (8192 when built).
    // INT_MAX and SIZE_MAX give unbounded sentences and one output run per line, for comparisons.
    // Not while the instance processes a text.
    void SetLineLimits(int nSentenceBytes, size_t nFlushWords);

    // True when every stage was built; start-up and the instance pool use only ready instances.
    bool IsReady() const { return m_bReady; }
    // The bytes this instance's own text and row buffers hold (their capacities), the last
    // call's result included. A call gives back, as it ends, every buffer that grew beyond
    // kKeptBufferBytes and holds nothing the caller may still read, so between calls this stays
    // below the last result plus kKeptBufferBytes a buffer, whatever the texts processed were.
    // Not while the instance processes a text.
    size_t HeldBytes() const;
    static const size_t kKeptBufferBytes = size_t(1) << 20;

    // ---- analysis ----------------------------------------------------------------------------

    // The result text of one text in the caller's encoding (g_nEncodeType: -1 detected and given
    // back in UTF-8, 1 to 4 through g_pCodeTranslator, else GBK). "" for a null or empty text; a
    // text shorter than 3 bytes starting with CR, LF, blank or TAB comes back unchanged. Texts of
    // 101 bytes or more are processed line by line. A character without a GBK form keeps its
    // place as blanks (one per byte) in a unit of its own. Null on an unready instance or when a
    // buffer cannot grow. Valid until the next call on this instance.
    //
    // Converted texts (codes 1 to 4; under -1 UTF-8, BIG5 and 16-bit Unicode texts): a "^" of the
    // caller's text is a character like any other; only the conversion's own marks around
    // characters without a GBK form make span atoms. In GBK text (other codes, and texts detected
    // as GBK) a "^^" ... "^^" pair makes a span atom.
    const char* Process(const char* sLineOrig, int bPOStagged, bool bUserDict);
    // The result text of Process(sLineOrig, bPOStagged, bUserDict), handed to sink in pieces as
    // it is written instead of gathered: the pieces joined are Process's text. A long text goes
    // line by line and a long line in runs of words (see CollectLineWords), so the memory used
    // follows the text (its GBK form and a copy) and one run's results, not the whole result.
    // A piece ends after a word boundary or a line break (never inside a word's unit). False on
    // an unready instance or when a buffer cannot grow (the pieces handed out so far stay
    // handed out). The instance keeps no text result of the call.
    bool ProcessToSink(const char* sLineOrig, int bPOStagged, bool bUserDict, const ResultTextSink& sink);
    // The units of ProcessToSink's text with tagging on, one per result row, handed to sink in
    // order as the rows are written: each unit's text as the result text writes it (a mark span
    // of the conversion as its blanks) in the caller's encoding, and its tag text. A unit's text
    // and tag stay apart, whatever blanks or "/" the text holds. Memory as ProcessToSink's. False
    // on an unready instance or when a buffer cannot grow. The instance keeps no result.
    bool ProcessUnitsToSink(const char* sLineOrig, bool bUserDict, const ResultUnitSink& sink);
    // The rows of one text; returns their number (read them with GetResult). sLineTrans receives
    // the GBK text when a conversion happened (under -1 always, a text detected as GBK or BIG5
    // unchanged). With a code translator (and not bKeyWordExtract), and under -1 with
    // bMapDetected for a text detected as UTF-8, the rows are mapped back onto the caller's text:
    // each row then covers the caller's bytes its GBK bytes were converted from, whole characters
    // of the caller's encoding, inside the text (a character the conversion could not map is
    // covered by the row that holds its stand-in). Otherwise they index the GBK text (sLineTrans
    // when it was converted, else sLineOrig). RowsIndexCallerText tells which. 0 on failure.
    int ProcessA(const char* sLineOrig, tstring& sLineTrans, bool bPOStagged, bool bUserDict,
                 bool bKeyWordExtract, bool bMapDetected = false);
    // After ProcessA: true when its rows index the caller's text (mapped back, or a text the
    // engine took as it was given), false when they index the converted GBK text.
    bool RowsIndexCallerText() const { return !m_bRowsIndexGBK || m_bTextAsGiven; }
    // After ProcessA: true when the caller's text is UTF-8 (a converter of a UTF-8 code, or
    // detected as UTF-8).
    bool CallerTextUTF8() const { return m_bCallerUTF8; }
    // After ProcessA(sOrig, sTrans, ...): the text of one of its rows in the caller's encoding
    // (UTF-8 under automatic detection, where a GBK text's is converted); "" for a row that lies
    // outside the text it indexes.
    tstring RowText(const char* sOrig, const tstring& sTrans, const result_t& row) const;
    // One GBK text, line by line when it has 101 bytes or more (bStrOut: text result in the
    // long-text output, else rows). Returns the row count of the (last) line; 0 on failure.
    int ProcessAtomEx(const char* sLine, bool bPOStagged, bool bUserDict, bool bStrOut);
    // One GBK line into the text and row results; returns the row count (0 on failure).
    int ProcessAtom(const char* sLine, bool bPOStagged, bool bUserDict);
    // Appends the literal nWordLen bytes of pLine at nStartLen as a row with an empty tag and
    // word id -1: with bOut to the long-text results (text followed by the whole word boundary),
    // else to the line results (followed by its first character). handle and nOutputStyle are
    // not used. Returns the new row count.
    int SetOutput(const char* pLine, int nStartLen, int nWordLen, int handle, int nOutputStyle, bool bOut);
    // The rows of the last text (the long-text rows after a long text) and their count through
    // p_nCount (may be null). Valid until the next call on this instance.
    result_t* GetResult(int* p_nCount);
    // Writes the text and the rows of the words of one GBK line (appending to the line results):
    // dictionary overrides, merges, tags, weights and finer pieces. Returns the row count.
    int Output(const char* pLine, word_t* pWords, int nWordCount, int nStartLen, int bPOStagged,
               bool bUserDict);

    // The text result of the last text as its GBK bytes (before conversion back).
    const tstring& GetResultText() const { return m_bLongText ? m_sOutput : m_sResult; }
    bool IsLongText() const { return m_bLongText; }
    bool IsEnglishText() const { return m_bEnglishText; }
    CKeyWordFinder* GetKeyWordFinder() { return m_pKeyWordFinder.get(); }
    CEnglish* GetEnglishParser() { return m_pEnglishParser.get(); }

    // ---- dictionaries and settings --------------------------------------------------------

    // Sets g_pUserDict and the pre-processor's record of it; true. The caller holds g_mutex and
    // the exclusive user-dictionary lock when other threads may be analysing (this takes neither).
    bool SetUserDict(CTrie* pUserDict);
    // Sets g_pFieldPOS; true. Same locking as SetUserDict.
    bool SetFieldPOS(CWordList* pFieldPOS);
    // Selects tag-set map 0..3 (true); any other value gives false and no change. May be called
    // while another thread runs this instance: a call reads the map once at its start.
    bool SetPOSmap(int nPOSmap);
    int GetPosmap() const { return m_nPOSmap.load(); }
    // Adds a user-dictionary line ("word tag") under the exclusive user-dictionary lock; the
    // result of CTrie::AddTrie, 0 without a user dictionary. Must not be called holding the lock.
    int AddUsrWord(const char* sWord);
    // Deletes a word from the user dictionary: its old handle, -1 when absent or without a user
    // dictionary. The caller holds the exclusive user-dictionary lock.
    int DelUsrWord(const char* sWord);

    // ---- word tests (static: called on the main instance from every thread) -----------------

    // Smoothed unigram probability (f + 0.05) / (T + I x 0.05) of a word: English tables when the
    // first byte is an ASCII letter, else the core ones; 1 for a table without counts.
    static double GetUniProb(const char* sWord);
    // The same for a core-dictionary handle (f = 0 for a negative handle).
    static double GetUniProb(int nHandle);
    // True when both words are known and their pair frequency b is at least 4 and at least a
    // tenth of either word's unigram frequency.
    static bool IsFreqAssociate(const char* sPrevWord, const char* sNextWord);
    // True when the core dictionary, else the English dictionary, knows the word.
    static bool IsWord(const char* sWord);

    // ---- word lists and files --------------------------------------------------------------

    // "word/tag" entries of the tagged rows of a text (rows with an empty tag left out; with
    // bStopRemove also rows whose tag starts with none of a, n, m, v and whose word id is above
    // 0). Under automatic detection the entries are UTF-8. Returns the vector's size.
    size_t GetWordVector(const char* sLine, std::vector<tstring>& vecTerm, bool bStopRemove);
    // "word/tag/count#..." of those entries, most frequent first; "" for an empty text. Valid
    // until the next call on this instance.
    const char* WordFreqStat(const char* sLine, bool bStopRemove);
    // Processes a text file line by line into sDsnFilename (with a UTF-8 byte-order mark);
    // returns the speed in KB/s, 0 when a file cannot be opened.
    double FileProcess(const char* sSrcFilename, const char* sDsnFilename, int bPOStagged);
    // Does nothing; true.
    bool FileProcessEx(const char* sSrcFilename, const char* sDsnFilename);
    // Has no effect.
    void NER_Person(const char* pLine, word_vector pWords, int nWordCount);
    // Adds "word tag" to the user dictionary (AddUserWordO) for each index of vecResultIndex
    // inside 0..nWordCount-1, the tag being that of the word's type in tag map 0 ("n" without
    // maps). Returns the number of indexes.
    int AddUserWord(const char* sLine, word_vector pWords, int nWordCount, std::vector<int> vecResultIndex);
    // Copies the nWordCount words into the instance's field scratch array (returned through
    // pWordsDest, at most nWordCount words, the first copied as is), merging the words that the
    // longest match of pDict at each word's start covers exactly into one word of type
    // nDictType (tag from pPOS with g_bPOSTagger, 21 when pPOS is null or has none). Returns the
    // destination count (also in nWordCountDest); 0 for no words.
    int FieldDic(const char* pLine, word_vector pWords, int nWordCount, word_vector& pWordsDest,
                 int& nWordCountDest, CPDAT* pDict, CPOS* pPOS, int nDictType);

    // ---- keywords, new words, summaries and fingerprints ---------------------------------------
    // Texts and file names are in the caller's encoding; result texts come back in it (UTF-8
    // for -1, through g_pCodeTranslator for 1-4, else GBK), point into m_sResult and stay valid
    // until the next call on this instance; null only when that buffer cannot grow. Formats and
    // limits are those of CKeyWordFinder. None of these may be called holding g_hUserDictLock.

    // Scans one text into the finder (with bHtmlTagRemove its markup is removed first, into
    // slot 11): English texts through the English parser, others through ProcessA. Returns the
    // finder's scan result; 0 for a null finder. A null text reads as "".
    size_t Scan(const char* sLineO, CKeyWordFinder* pKeyWordFinder, bool bEnglishRecognized, bool bUserDict,
                bool bHtmlTagRemove);
    // Keywords of a text through a one-shot finder; "" for a null or empty text. With bGetVector
    // the selected records (GBK) go into vecWordAVResult.
    const char* GetKeyWordsEx(const char* sLine, std::vector<WORD_AV>& vecWordAVResult, int nMaxKeyLimit,
                              int nFormat, bool bGetVector);
    const char* GetKeyWords(const char* sLine, int nMaxKeyLimit, int nFormat);
    // New words of a text.
    const char* GetNewWords(const char* sLine, int nMaxKeyLimit, int nFormat);
    // Summary of a text (see CKeyWordFinder::GetSummary for the budget).
    const char* GetSummary(const char* sText, int nLengthLimit, double fRatio, int nSentCount, bool bHtmlTagRemove);
    // The same over the lines of a file (opened by its name, else by the name's GBK form). A file
    // that does not open gives "" and log lines ("Open file failed " and the name for keywords;
    // the error line "Failed Open file <name>" for the others).
    const char* GetFileKeyWords(const char* sFilenameO, int nMaxKeyLimit, int nFormat);
    const char* GetFileNewWords(const char* sFilenameO, int nMaxKeyLimit, int nFormat);
    const char* GetFileSummary(const char* sFilenameO, int nLengthLimit, double fRatio, int nSentCount,
                               bool bHtmlTagRemove);
    // 32-bit hash of the best six keywords of a text (user dictionary off); 0 for an empty text.
    uint64_t GetFinger(const char* sLine);

    // The new-word run on the instance's own finder: Start resets it (1); AddMem scans a text
    // (the scan's result: 0 nothing scanned, -1 the size limit); AddFile scans every line of a
    // file and returns its size, 0 when it cannot be opened or measured, -1 at the size limit;
    // Complete returns 1; the results rank what was gathered.
    int NWI_Start();
    int NWI_AddMem(const char* sText);
    int NWI_AddFile(const char* sFilenameO);
    int NWI_Complete();
    const char* NWI_GetKeyWordResult(int nMaxKeyLimt, int nFormat);
    const char* NWI_GetResult(int nFormat);
    // The selected new words (GBK records), valid until the next new-word call.
    const std::vector<WORD_AV>& NWI_Result2UserDict();

    // A new finder with the tag list and flags, the text scanned into it (markup removed when
    // nFuncRequired is not 0) and its extraction run. The caller owns the finder.
    CKeyWordFinder* ParseDoc(const char* sText, const char* sUserDefPos, bool bSummaryNeeded, unsigned int nFuncRequired);

private:
    // At the end of a call: gives back the buffers grown beyond kKeptBufferBytes except those
    // that hold the call's result (GetResultText's text, GetResult's rows, and the buffer whose
    // text pReturned points to; pReturned may be null).
    void ReleaseGrownBuffers(const char* pReturned);
    // Calls visit(buffer) on each text and row buffer HeldBytes counts.
    template <typename Visit>
    void ForEachBuffer(Visit visit);
    // Calls ReleaseGrownBuffers as a call ends, with the text it hands out (Returned(p) notes
    // it and returns p).
    struct CallEndScope {
        CMainSystem& system;
        const char* pReturned = nullptr;
        const char* Returned(const char* p) { return pReturned = p; }
        ~CallEndScope() { system.ReleaseGrownBuffers(pReturned); }
    };
    // Converts a GBK result to the caller's encoding into m_sResult (kept as it was on failure).
    const char* HandBack(const char* sText);
    // Buffer growth failure: writes the message under g_mutex.
    static void ReportGrowFailure(bool bRows);
    int ProcessAtomImpl(const char* sLine, bool bPOStagged, bool bUserDict);
    // Moves the nCount rows, which index the GBK text converted from sOrig with m_vecSpans, onto
    // sOrig: each covers whole characters of the caller's encoding (UTF-8 when bUTF8, else a
    // double-byte one) inside it.
    void MapRowsBack(const char* sOrig, result_t* pRows, int nCount, bool bUTF8);
    // The GBK working text of a caller's text as the encoding code says: true when sTrans holds
    // it (converted, or under -1 a copy of a text detected as GBK or BIG5), false when the text is
    // GBK and used as given. With bSpans, m_vecSpans gets the source span of each GBK byte where
    // the conversion tells it (m_bSpans then true). Sets the call's span marks (m_spanMarks,
    // m_bMarkSpans), m_bTextAsGiven and m_bCallerUTF8; the caller holds a MarksScope.
    bool ConvertText(const char* sOrig, tstring& sTrans, bool bSpans);
    // Clears the span marks of a call when it ends, so that GBK texts processed later (and
    // the buffers the marks point into) are never read with them.
    // Sets the span marks of a call on a converted GBK piece of n bytes (NUL-terminated) from
    // the shape of the conversion's mark spans in it; the caller holds a MarksScope.
    void MarkSpansByShape(const char* s, size_t n);
    struct MarksScope {
        CMainSystem& system;
        ~MarksScope();
    };
    int ProcessAtomExImpl(const char* sLine, bool bPOStagged, bool bUserDict, bool bStrOut);
    // With a text sink (ProcessToSink): hands sGBK to it in the caller's encoding and clears it.
    void EmitText(tstring& sGBK);
    // With a unit sink (ProcessUnitsToSink): hands the rows, which index sLine (GBK), to it as
    // units in the caller's encoding and clears them.
    void EmitUnits(const char* sLine, std::vector<result_t>& rows);
    // Converts the text and processes it for its text (bStrOut) or its rows, which the sink set
    // by the caller takes as they are written; keeps no result. False when a buffer cannot grow.
    bool ProcessForSink(const char* sLineOrig, bool bPOStagged, bool bUserDict, bool bStrOut);
    // Sets a sink member for the time of a call (null again afterwards, whatever happens).
    template <typename Sink>
    struct SinkHold {
        const Sink*& p;
        SinkHold(const Sink*& member, const Sink& sink) : p(member) { p = &sink; }
        ~SinkHold() { p = nullptr; }
    };
    // sGBK in the caller's encoding as Process gives a result back: sGBK's own text when no
    // conversion applies, else the conversion in m_sScratch.
    const char* CallerText(const tstring& sGBK);

    bool m_bEnglishText = false;
    int m_nEnglishVerdict = -1;  // ProcessLinePiece: the line's verdict (0, 1), else -1 (judged)
    std::unique_ptr<CKeyWordFinder> m_pKeyWordFinder;
    std::unique_ptr<CPreProcess> m_pPreProcess;
    std::unique_ptr<CSegment> m_pSegmenter;
    std::unique_ptr<CHMMTagger> m_pTagger;
    std::unique_ptr<CHMMTagger> m_pPERTagger;
    std::unique_ptr<CEnglish> m_pEnglishParser;
    tstring m_sResult;                  // text result of the last short text or line
    tstring m_sOutput;                  // text result of a long text
    std::vector<result_t> m_pVecResult; // rows of the last short text or line
    std::vector<result_t> m_pVecOut;    // rows of a long text
    bool m_bLongText = false;
    std::vector<word_t> m_pVecField;    // scratch words of FieldDic
    std::atomic<int> m_nPOSmap{0};      // selected tag-set map 0..3
    bool m_bReady = false;

    // Per-call scratch, kept for its capacity.
    std::vector<word_t> m_vecWords;     // the words of a line
    std::vector<int> m_vecNames;        // positions of merged names (tagging)
    tstring m_sScratch;                 // conversions and pieces
    tstring m_sTrans;                   // Process: the caller's text in GBK (capacity kept)
    tstring m_sUnit;                    // finer pieces and EmitUnits: a unit's text
    tstring m_sLearn;                   // Output: a name to learn ("<text> nr")
    std::vector<char> m_vecPieces;      // finer pieces: the cut text
    // Row weights of small unigram counts (INT_MIN: not yet computed), valid for the unigram
    // denominator m_dWeightDenominator: a weight depends only on the count and that sum.
    std::vector<int> m_vecWeightByFreq;
    double m_dWeightDenominator = 0;
    // Output's tag texts by POS id for one line: an entry counts while its stamp is the line's
    // (m_nTagStamp, new for every Output call, so a changed tag map is read anew). The text is cut
    // as a row keeps it and padded with NULs; nLen is its length.
    struct TagText {
        unsigned int nStamp = 0;
        unsigned int nLen = 0;
        char s[40] = {};
    };
    std::vector<TagText> m_vecTagText;  // 256 entries once Output has run
    unsigned int m_nTagStamp = 0;
    bool m_bRowsIndexGBK = true;        // ProcessA's rows index the GBK text
    bool m_bTagging = false;            // the current call writes tags
    // Output writes the text only (no rows), or the rows only (no text): set while a long text is
    // processed for its text or for its rows, whose lines' other part nobody reads.
    bool m_bTextOnly = false;
    bool m_bRowsOnly = false;
    // The working copy of a long text that is not the instance's own conversion (m_sTrans, which
    // is cut into lines where it lies).
    std::vector<char> m_vecLongText;
    const ResultTextSink* m_pTextSink = nullptr;  // set during ProcessToSink
    const ResultUnitSink* m_pUnitSink = nullptr;  // set during ProcessUnitsToSink
    tstring m_sTagText;                 // EmitUnits: a unit's tag
    size_t m_nFlushWords;               // see SetLineLimits
    std::vector<CCodeTran::SourceSpan> m_vecSpans;  // ProcessA: the caller's bytes of each GBK byte
    bool m_bSpans = false;              // m_vecSpans belongs to the current conversion
    // The conversion's own "^^" marks in the current text; the pre-processor reads them while
    // m_bMarkSpans is set (a converted text), and Output then writes a mark span as its blanks.
    CSpanMarks m_spanMarks;
    bool m_bMarkSpans = false;
    bool m_bTextAsGiven = false;        // the GBK text of the current call is the caller's bytes
    bool m_bCallerUTF8 = false;         // the caller's text of the current call is UTF-8
    std::vector<unsigned char> m_vecCharStart;      // ProcessA: 1 where a caller's character starts
};

// Where CollectLineWords lets its caller write the words gathered so far: flush(nCut) is called
// after a sentence cut at the sentence bound, and after a sentence end at which the line may be
// cut (CPreProcess::IsPieceBoundary) once nWords words or more have gathered; nCut is the line
// offset where the next sentence starts. flush writes the words (the result output takes none
// across nCut) and usually clears vecWords.
struct LineWordFlush {
    size_t nWords = 0;
    std::function<void(int nCut)> flush;
};

// Appends the words of one GBK line of nLen bytes as the result output takes them: each run of
// blanks, TABs, CR and LF as one white-space word (type 'y', tag 1, handle -1), then each sentence
// cut into atoms and its word lattice (pre), its bigram path (seg) and its tags (TagSentenceWords
// with the role tagger and the part-of-speech tagger, either may be null), without its leading
// sentence-start and trailing sentence-end words. Word offsets index sLine. With pFlush the
// caller writes the words in runs (see LineWordFlush); without it they all gather. The caller
// holds the user-dictionary lock when pre reads a user dictionary; between sentences that hold
// lets waiting writers in (UserDictLetWritersIn), and pre's kept lookups are dropped when one
// changed anything.
void CollectLineWords(const char* sLine, int nLen, CPreProcess& pre, CSegment& seg, CHMMTagger* pRoleTagger,
                      CHMMTagger* pPOSTagger, std::vector<int>& vecNames, std::vector<word_t>& vecWords,
                      const LineWordFlush* pFlush = nullptr);

// Adds a user-dictionary line ("word tag") unless its first token is already present: 0 when
// present, else CTrie::AddTrie's result. The first call without a user dictionary creates an
// empty one and gives it to every instance. Suspends this thread's shared user-dictionary hold,
// takes g_mutex, then the exclusive user-dictionary lock; must not be called holding either.
int AddUserWordO(const char* sWord);
