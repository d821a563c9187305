// CKeyWordFinder: gathers the statistics of one document from the engine's tagged result rows
// (word table with neighbour lists, the document as a list of word handles, sentences, entity
// slots, a sentiment sum), from which keywords, new words, a summary and a fingerprint are
// computed. Every engine instance owns one finder; keyword front ends build temporary ones.
//
// This file holds the records, the finder's members, its construction, destruction and Reset,
// document scanning (Scan, GetWord, SetExtractName) and the sorted neighbour-list helpers Find
// and Add.
//
// Memory: the finder owns its slots, its user-tag dictionary and handle array and its trie; the
// unigram store and the English parser are borrowed. Finders and slot sets are not copyable.
// Thread safety: none inside; a finder serves one thread at a time. Construction reads the
// English unigram store g_pEnglishUnigram, which does not change after start-up. Scanning reads
// the engine's shared stores; the keyword blacklists and the field dictionary are read under a
// shared hold of g_hUserDictLock (taken per new word), so callers of Scan and GetWord must not
// hold that lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/Types.h"

class CEnglish;
class CPDAT;
class CTrie;
class CUnigram;

// One neighbour entry: the neighbouring word's handle and how often it stood there.
struct _word_freq {
    int32_t handle;
    int32_t freq;
    _word_freq(int32_t handle1 = -1, int32_t freq1 = 0) : handle(handle1), freq(freq1) {}
};
typedef _word_freq WORD_FREQ;

// One distinct word of the document.
struct _tWordAV {
    tstring word;           // the word as counted
    tstring original_word;  // its base form (English words) or the word itself
    tstring pos;            // tag text
    int32_t pos_id = -1;    // tag id
    int32_t freq = 0;       // occurrences in the document
    double weight = 0.0;    // working weight
    std::vector<int32_t> vecInvertList;  // positions in the document's id list, ascending
    bool is_stopword = false;            // never weighted as a keyword
    bool is_freq_bigram = false;         // a new-word candidate
    std::vector<_word_freq> vecLV;       // left neighbours, ascending by handle
    std::vector<_word_freq> vecRV;       // right neighbours, ascending by handle
    int32_t unit_count = 1;              // engine words the entry spans
    // Values every keyword computation restarts from, so that repeated requests on one finder
    // rank alike: the weight the record was created with, and the occurrences counted by scans
    // (merges of English forms add to `freq` only).
    double base_weight = 0.0;
    int32_t base_freq = 0;

    _tWordAV() = default;
    // A word with its tag: a stop word when the tag's first character is one of "uwcopqrey" or
    // the word starts with '<' or '>'; else weight 1000 when the tag starts with "key" (any
    // case); else a stop word when it starts with "vshi" (any case). An empty tag is no stop tag.
    _tWordAV(const char* sWord, const char* sPos, int iPosId, int unit_count_in = 1);
};
typedef _tWordAV WORD_AV;

// An index into a word table with its weight.
struct _tWordAVWeight {
    int32_t index;
    double weight;
    _tWordAVWeight(int32_t index_input = -1, double weight_input = 0.0)
        : index(index_input), weight(weight_input) {}
    // Ranking order: greater weight first, then the smaller index.
    bool operator<(const _tWordAVWeight& other) const {
        return weight > other.weight || (weight == other.weight && index < other.index);
    }
};
typedef _tWordAVWeight WORD_AV_WEIGHT;

// One sentence of the document.
struct _tSentenceInfo {
    bool b_selected = false;  // taken into the summary
    int32_t start_pos = 0;    // id-list position of its first word
    int32_t end_pos = 0;      // id-list position of its last word (the sentence end)
    int32_t length = 0;       // byte length of its text
    double weight = 0.0;
    tstring line;             // its text, TAB, CR and LF replaced by blanks
    std::vector<int32_t> vecWordID;  // candidate word handles
};
typedef _tSentenceInfo SENTENCE_INFO;

// The extraction slots: 13 fixed ones plus one per user tag, each a text of at most 600 bytes.
struct _tDocExtractData {
    static const size_t kSlotCapacity = 600;  // bytes of text a slot holds (601 with the NUL)

    uint32_t entity_count;
    std::vector<tstring> entity_list;  // entity_count slots, empty at construction
    int32_t sentiment_score = 0;

    explicit _tDocExtractData(uint32_t nEntityCount);
    _tDocExtractData(const _tDocExtractData&) = delete;
    _tDocExtractData& operator=(const _tDocExtractData&) = delete;

    // Slot `type` for 0 <= type < entity_count, else null (callers test it).
    tstring* GetElement(int type);
};
typedef _tDocExtractData DOC_EXTRAXT_DATA;

// Flag bits of the finder's function set.
const unsigned int KWF_PERSON = 0x1;
const unsigned int KWF_PLACE = 0x2;
const unsigned int KWF_ORGANIZATION = 0x4;
const unsigned int KWF_KEYWORD = 0x8;
const unsigned int KWF_AUTHOR = 0x10;
const unsigned int KWF_GENERIC = 0x100;
const unsigned int KWF_SUMMARY = 0x800;
const unsigned int KWF_SENTIMENT_WORDS = 0x1000;
const unsigned int KWF_SENTIMENT_SCORE = 0x2000;
const unsigned int KWF_TIME = 0x4000;

// Number of fixed extraction slots before the user-tag slots.
const int kFixedEntityCount = 13;
// Most handles the document's id list takes.
const int kMaxDocWordIds = 30000000;
// The document text kept for the summary is emptied before an append once it passes this size.
const size_t kMaxDocTextBytes = 1024000;
// The word standing for sentence ends, line breaks and unusable rows.
extern const char* const kSentenceEndWord;  // "末##末" in GBK

class CKeyWordFinder {
public:
    // A finder over the core unigram store (borrowed, may be null) with the "#"-separated user
    // tag list (may be null or empty; a list that yields no tag counts as none) and the flag set.
    // The too-common thresholds are 10 x total / items of each unigram store, computed in 64 bits
    // and clamped to INT_MAX; a missing store or one without items gives INT_MAX.
    CKeyWordFinder(CUnigram* pUnigram, const char* sUserPosLists, unsigned int nFuncRequired);
    virtual ~CKeyWordFinder();
    CKeyWordFinder(const CKeyWordFinder&) = delete;
    CKeyWordFinder& operator=(const CKeyWordFinder&) = delete;

    // Starts a new collection: empties the word table, the new-word table, the sentences and the
    // id list, replaces the trie by an empty one and sets the document length to 0. The ranking,
    // the document text and the slots stay.
    void Reset();

    // ---- scanning ----
    // Adds one tagged GBK text: sLine with its nCount result rows (start and length index
    // sLine). Returns strlen(sLine); 0 for a null or empty text, no rows or null rows (the text
    // length is still counted when the text is not null); size_t(-1) when the document already
    // holds more than kMaxDocWordIds handles (reported with WriteError; the text is still
    // counted and kept). A row whose iPOS is changed to 1 (a line break or blank taken as the
    // sentence end) is written back into `result`. Later scans continue the same document: the
    // first sentence of a scan starts at the id count found when the scan starts, and the
    // sentiment score is normalised from the raw sum of every scan.
    size_t Scan(const char* sLine, int nCount, result_t* result);
    // The English twin: scans the parser's term list (offsets index sLine). Returns 1, 0 when
    // the parser is null, its term list empty or sLine null or empty, size_t(-1) at the size
    // limit. The parser is borrowed until the next scan; the terms' iPOS may be changed to 1.
    size_t Scan(const char* sLine, CEnglish* pEnglishParser);
    // Maps row i (term i of the parser's list in English mode) to its word handle, adding the
    // word on first sight, and counts one occurrence. The word as counted goes to *pWord (may be
    // null). Rows of 31 bytes or more (row mode), rows outside the text, empty words, line
    // breaks and blanks, and words the trie cannot take (1024 bytes or more) count as the
    // sentence-end word. Returns the handle (also in nCurHandle); -1 for i outside 0..nCount-1,
    // null rows or a null text.
    // Besides the tag rules of WORD_AV, a new word is a stop word when its text holds only
    // punctuation or white space, when its row is tagged and the tag is empty (the engine leaves
    // sentence-end marks and white space untagged), and when it is a field-dictionary word (a
    // dictionary row found in g_pFieldDict) that the core dictionary gives no tag and that is no
    // numeral; a field word with a core tag is judged by that tag and its core word id instead of
    // the field tag (a weight) it carries (row mode; in English mode a field tag, not beginning
    // with n, a or v, already makes a stop word). The record keeps the row's tag.
    int GetWord(const char* sLine, int nCount, result_t* result, int i, tstring* pWord, int& nCurHandle);
    // Appends the text of word nCurHandle and "#" to slot nType (for slots 9 and 10 with "/" and
    // nScore before the "#"), unless the slot already holds the text or the piece would not fit
    // in the slot's 600 bytes. Nothing for an invalid slot or handle.
    void SetExtractName(int nType, int nCurHandle, int nScore);
    // The raw sentiment sum of every scan since construction.
    int64_t GetSentimentRawSum() const { return m_nSentimentRaw; }

    // ---- read access ----
    DOC_EXTRAXT_DATA* GetDocExtractData() { return m_pDocExtractData.get(); }
    int GetCnWordThreshold() const { return m_nCnWordThreshold; }
    int GetEnWordThreshold() const { return m_nEnWordThreshold; }
    unsigned int GetFuncRequired() const { return m_nFuncRequired; }
    // Handle of user tag k in the tag dictionary (-1 outside the list).
    int GetUserPosHandle(int k) const;
    int GetUserPosCount() const { return m_nUserPosCount; }
    const CPDAT* GetUserDefPos() const { return m_pUserDefPos.get(); }
    const std::vector<WORD_AV>& GetWordAV() const { return m_vecWordAV; }
    const std::vector<int32_t>& GetWordIDList() const { return m_vecWordIDList; }
    const std::vector<SENTENCE_INFO>& GetSentences() const { return m_vecSentInfo; }
    size_t GetDocLength() const { return m_nDocLength; }
    CTrie* GetTrie() { return m_trie.get(); }

    // ---- keywords ----
    // The keyword text of the scanned document: new-word proposal, weighting, ranking, then the
    // result string (format 0 "word/tag/weight/freq#...", 1 a GBK JSON array, 2 CSV with a
    // header, other CSV without). nMaxLim -1 (or any negative) means no limit. With bGetVector
    // the written records are copied into vecWordAV. Fills the person, place, organisation and
    // author slots on the way and empties the document text. The text stays valid until the
    // next result call on this finder. Must not be called while holding g_hUserDictLock.
    const char* GetKeyWordListEx(std::vector<WORD_AV>& vecWordAV, int nOutFormat, int nMaxLimt, bool bGetVector);
    const char* GetKeyWordList(int nOutFormat, int nMaxLim);
    // Weighs every word of vecWordAV (restarting from base_weight and base_freq) and ranks the
    // usable ones into vecWordAVWeight, best first. Returns 1.
    int ComputeKeyWord(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                       bool bNewWordExtract);
    // Fallback weights for short texts whose ranking stays small; keeps 4 entries once the
    // ranking holds 5 or more. Returns the ranking size.
    int ComputeSingleKeyWord(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight);
    // Merges ranked English words with the same base form (any case) into the higher one, in
    // English mode only. Returns the number of merges.
    int MergeEnglishSameWords(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight);
    // Formats the ranking into m_sLine (see GetKeyWordListEx) and returns it: ranked words from
    // the best while they weigh 1.0 or more, the first two whatever they weigh unless it is below
    // 0 (a rejected word is never written). When nothing is written, format 0 writes the word of
    // handle 1 alone, unless it is a stop word or weighs below 0.
    const char* GenerateResultString(int nMaxLim, std::vector<WORD_AV>& vecWordAV,
                                     std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                                     std::vector<WORD_AV>& vecWordAVResult, bool bGetVector, int nOutFormat);
    const std::vector<WORD_AV_WEIGHT>& GetRanking() const { return m_vecWordAVWeight; }
    bool IsEnglishText() const { return m_bEnglishText; }

    // ---- new words ----
    // Proposes adjacent pairs as new words into the word table and the new-word table. Returns
    // the new-word table's size. Must not be called while holding g_hUserDictLock.
    int GenerateNewWordList();
    // Joins words nPrev and nNext into a candidate. 0 (added, refreshed or rejected), -1 when
    // the joined text is blacklisted or longer than 40 bytes. A candidate made earlier from the
    // same two words is built again from the document as it is now (count, positions,
    // neighbours), so that results asked for while a document grows do not freeze it. The
    // candidate's weight comes from the parts' creation weights and scanned counts, which no
    // keyword computation changes. The caller holds g_hUserDictLock shared.
    int SetNewWord(int nPrev, int nNext, int nFreq);
    // Ranked new words as a result text (formats as GetKeyWordListEx); valid until the next
    // result call.
    const char* GetNewWordList(int nOutFormat, int nMaxLim);
    // The same, returning the selected candidates (valid until the next call).
    const std::vector<WORD_AV>& GetNewWordListE(int nOutFormat, int nMaxLim);
    const std::vector<WORD_AV>& GetNewWordTable() const { return m_vecNewWordInfo; }

    // ---- summary ----
    // Summary of the scanned document: whole sentences picked by keyword weight within the byte
    // budget nLengthLimit (0: none; negative counts as 0), or the share dRation of the document's
    // bytes when that is smaller, and at most nSentCount sentences (0 or less: no limit). With
    // bSkip the ranking of the last keyword computation is used as it is. Both budget and count
    // absent: logs and returns "". Valid until the next summary on this finder.
    const char* GetSummary(int nLengthLimit, double dRation, int nSentCount, bool bSkip);

    // Fills slot 3 with the best 5 keywords and, with bSummaryNeeded and flag 0x800, slot 8 with
    // a one-sentence summary of at most 400 bytes. Returns the extraction data.
    DOC_EXTRAXT_DATA* DocExtractor(bool bSummaryNeeded);

    // ---- extraction slots, fingerprint, dump ----
    // Slot nType of the extraction data, or null outside 0 .. entity_count - 1.
    tstring* GetExtractElement(int nType) { return m_pDocExtractData->GetElement(nType); }
    // Strhash (32-bit) of the words at ranking positions 0-5 joined without separators; 0 for an
    // empty word table, and Strhash("") = 0 for an empty ranking. The ranking is whatever the last
    // keyword computation left.
    uint64_t FingerPrint() const;
    // Writes a diagnostic dump of vecWordAV (words with their positions and neighbours) and of the
    // finder's sentences into sFilename. On an open failure prints "Error open <name>" to standard
    // output and returns false. Neighbour handles outside vecWordAV are skipped.
    bool Export(const std::vector<WORD_AV>& vecWordAV, const char* sFilename) const;

private:
    double ComputeAVEntropy(WORD_AV& word) const;
    void RecognizeAuthor(std::vector<WORD_AV>& vecWordAV, int i);
    bool IsExist(const std::vector<WORD_AV>& vecWordAV, const std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                 int nCurIndex) const;
    // Appends sName + "#" to slot nSlot when the slot does not contain it (bCheckContained) and
    // the result stays below 600 bytes.
    void AppendToSlot(int nSlot, const tstring& sName, bool bCheckContained);
    void ThresholdFilter();
    void ModifyWordList();
    int ComputeSentWeight(int nLenLimit);
    double GetSentWeight(const SENTENCE_INFO& sent) const;

    // Where an entry of the new-word table comes from: its word-table handle and, for a joined
    // pair, the handles of its two parts (-1 for a word copied whole, an English acronym).
    struct NewWordSource {
        int32_t handle;
        int32_t prev;
        int32_t next;
    };
    std::vector<NewWordSource> m_vecNewWordSource;            // parallel to m_vecNewWordInfo
    std::unordered_map<int32_t, size_t> m_mapNewWordIndex;    // word-table handle -> new-word index
    std::unique_ptr<DOC_EXTRAXT_DATA> m_pDocExtractData;  // the slots
    std::unique_ptr<CPDAT> m_pUserDefPos;                  // user tag text -> its number
    std::unique_ptr<int[]> m_pVecUserPosHandle;            // dictionary handle of each user tag
    unsigned int m_nFuncRequired;
    int32_t m_nCnWordThreshold;
    int32_t m_nEnWordThreshold;
    bool m_bEnglishText = false;
    std::vector<WORD_AV> m_vecWordAV;                 // the word table, indexed by handle
    std::vector<WORD_AV_WEIGHT> m_vecWordAVWeight;    // the keyword ranking
    std::unique_ptr<CTrie> m_trie;                    // word text -> handle
    std::vector<int32_t> m_vecWordIDList;             // the document as word handles
    tstring m_sLine;                                  // the last result string
    std::vector<WORD_AV> m_vecNewWordInfo;            // new-word table
    std::vector<WORD_AV_WEIGHT> m_vecNewWordAVWeight; // its ranking
    std::vector<WORD_AV> m_vecNewWordResult;          // its selected result
    CUnigram* m_pUnigram;                             // core unigram store, borrowed
    std::vector<SENTENCE_INFO> m_vecSentInfo;         // the sentences
    tstring m_sSummary;                               // the last summary
    tstring m_sText;                                  // the document text
    size_t m_nDocLength = 0;                          // bytes of scanned texts
    std::vector<int32_t> m_vecSelectedWordID;         // summary working list
    CEnglish* m_pEnglishParser = nullptr;             // borrowed
    int m_nUserPosCount = 0;                          // entries of m_pVecUserPosHandle
    int64_t m_nSentimentRaw = 0;                      // raw sentiment sum of every scan
    const char* m_pScanLine = nullptr;                // text of the scan in progress
    int64_t m_nScanLineLen = 0;                       // its strlen

    // Handle of the sentence-end word, added as a stop word (empty tag, tag id 1) when missing.
    int SentenceEndHandle();
    // Handle of `word`, adding it (base form `origin`) with a new record when the trie does not
    // know it; -1 when the trie refuses it or its handle would not be the next table index.
    // The stop-word rules of GetWord are applied to the new record; `row` gives the word id, the
    // length, the word type and whether the row was tagged (iPOS -1: analysed without tags).
    int HandleOf(const tstring& word, const tstring& origin, const result_t& row, const tstring& pos, int iPosId);
    // Fills `candidate` (text already set) for the pair nPrev, nNext seen nFreq times: tag,
    // counts, weight, positions and neighbours. False when the pair has no common position.
    bool BuildCandidate(int nPrev, int nNext, int nFreq, WORD_AV& candidate) const;
    // Records the sentence [nStartPos, nEndPos] of the ids over bytes [nStartByte, nStartByte +
    // nLen) of the text; nothing when that range is empty or leaves the text.
    void AddSentence(int nStartPos, int nEndPos, int64_t nStartByte, int64_t nLen);
    // Both Scan forms after their own input tests: rows are result rows (row mode) or the
    // parser's terms (English mode, rows null).
    void ScanRows(const char* sLine, int nCount, result_t* rows, bool bEnglish);
    // Row i of the scan: result[i], or term i of the parser in English mode; null outside.
    result_t* RowAt(result_t* result, int nCount, int i) const;
    // Reports the id-list limit; true when it is passed.
    bool OverLimit() const;
};

// Too-common threshold of a unigram store: 10 x total / item count in 64 bits, clamped to
// INT_MAX; INT_MAX for a null store or one whose item count is not positive.
int32_t WordThreshold(const CUnigram* pUnigram);

// Binary search of nHandle in the list ascending by handle. On a hit: true, nMid its index. On a
// miss: false, nMid the insertion point (the last probe - 2, not below 0, advanced while the
// entry there is below nHandle and inside the list); 0 for an empty list.
bool Find(int nHandle, const std::vector<_word_freq>& vecList, int& nMid);
// Adds 1 to the entry of nHandle, or inserts (nHandle, 1) at its place; returns its index.
int Add(int nHandle, std::vector<_word_freq>& vecList);
// The longest prefix of sText (NULL as "") that ends on a GBK character boundary and holds at
// most nMaxBytes bytes.
tstring CutAtCharBoundary(const char* sText, size_t nMaxBytes);
// Replaces TAB, CR and LF by blanks in place; returns sLine (null for null).
char* replacelinechar(char* sLine);
// True when the GBK text is not empty and holds only punctuation, symbols and white space
// (ASCII other than letters and digits, the punctuation and symbol rows of GBK); false for ""
// and for any text holding a letter, digit or hanzi.
bool IsPunctuationText(const tstring& s);
