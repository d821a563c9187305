// Dictionary-based code converter between one caller encoding and GBK.
//
// A CCodeTran cuts text into dictionary units of the source side by forward maximum matching,
// maps each unit's handle through an id map to a handle of the other side and writes that side's
// text. Six data files make one converter; the encoding code 1 to 5 picks them:
//
//   code  GBK dictionary / word list   code dictionary / word list   code->GBK map   GBK->code map
//   1     GBKA.pdat  GBKA.wordlist     UTF8.pdat  UTF8.wordlist      UTF2GBKA.map    GBKA2UTF.map
//   2     GBK.pdat   GBK.wordlist      BIG5.pdat  BIG5.wordlist      BIG2GBK.map     GBK2BIG.map
//   3     GBK.pdat   GBK.wordlist      GBKA.pdat  GBKA.wordlist      GBKA2GBK.map    GBK2GBKA.map
//   4     as code 1 with the two maps exchanged
//   5     GBK.pdat   GBK.wordlist      UTF8.pdat  UTF8.wordlist      UTF2GBK.map     GBK2UTF.map
//
// A unit without a mapping stays as it is when it is ASCII and becomes one blank otherwise;
// towards GBK such blanks are wrapped in "^^" ... "^^" marks (one span for a run of them, at most
// kMarkSpanBlanks blanks a span), and towards the caller's encoding such a mark span becomes its
// blanks again. The marks are the
// converter's own: a "^" of the input is a character like any other and is converted as text in
// both directions (a caller's text never opens a span). White space between lines (runs of
// blanks, TABs, CR and LF) and every TAB are kept as they are.
//
// A converter never changes after construction: every conversion keeps its work buffers local,
// so one converter serves any number of threads at once.
#pragma once

#include <cstdint>
#include <vector>

#include "Utility/Types.h"

class CPDAT;
class CWordList;
class CIDMaps;

class CCodeTran {
public:
    // Loads the six files of `encoding` from the directory sDataPath. Codes outside 1..5 and a
    // null path load nothing and leave the status 0. A file that does not load writes
    // "<path> cannot load!\n" to the error file and leaves the status 0 with no store kept; the
    // last-error text is not set by the converter itself.
    CCodeTran(const char* sDataPath, int encoding);
    virtual ~CCodeTran();
    CCodeTran(const CCodeTran&) = delete;
    CCodeTran& operator=(const CCodeTran&) = delete;

    // 1 when all six files are loaded, else 0. Callers delete a converter whose status is not 1.
    int GetStatus() const { return m_nStatus; }
    // The encoding code, set only when all six files loaded (0 otherwise).
    int GetEncodeType() const { return m_nEncoding; }
    // True when the caller's texts are UTF-8 (codes 1, 4 and 5); false before the files loaded.
    bool IsUTF8Encoding() const { return m_nEncoding == 1 || m_nEncoding == 4 || m_nEncoding == 5; }
    // The path of the file that did not load ("" when none failed), so that a caller can name it.
    const tstring& GetFailedPath() const { return m_sFailedPath; }
    // True when the caller encoding's dictionary holds the nLen bytes at sUnit as one unit (a
    // character the converter knows); false for a converter whose status is not 1.
    bool HoldsCodeUnit(const char* sUnit, unsigned int nLen) const;

    // Caller encoding to GBK into result; returns result's text (valid while result lives).
    // A null or empty line, or a converter whose status is not 1, gives the empty text.
    const char* CodeToGBK(const char* sLine, tstring& result) const;
    // The offset after the converter's mark span that starts at s[i] ("^^", one or more blanks,
    // "^^"), or 0 when none starts there. s is NUL-terminated.
    static size_t MarkedSpanEnd(const char* s, size_t i);
    // The most blanks one mark span holds: a longer run of unconvertible units takes several
    // spans in a row, so that a span stays short of the engine's sentence bound.
    static constexpr size_t kMarkSpanBlanks = 1000;
    // The bytes [nFrom, nTo) of a source text (offsets from the text's first byte, a skipped
    // byte-order mark counted) that one byte of a conversion came from: the unit it belongs to.
    struct SourceSpan {
        int nFrom;
        int nTo;
    };
    // CodeToGBK that also gives each byte of result its source span (vecSpans ends up with
    // result's size). Spans never go backwards and lie inside sLine; a unit's span may hold
    // part of a character when the unit segmentation cut an unconvertible character apart.
    const char* CodeToGBK(const char* sLine, tstring& result, std::vector<SourceSpan>& vecSpans) const;
    // The same, with the spans when pSpans is not null, and the offset in result of each opening
    // "^^" the converter wrote when pMarks is not null (in increasing order; every other "^^" of
    // result is the caller's text).
    const char* CodeToGBK(const char* sLine, tstring& result, std::vector<SourceSpan>* pSpans,
                          std::vector<int>* pMarks) const;
    // GBK to the caller encoding, likewise. With bMarks each mark span ("^^", blanks, "^^", see
    // MarkedSpanEnd) becomes its blanks, as the converter wrote them for characters without a GBK
    // form (a caller's own text of that shape reads so too); without, every "^" is text.
    const char* GBKToCode(const char* sLine, tstring& result, bool bMarks = true) const;

    // UTF-8 to GBK through the built-in Unicode table (no data files), marked as the converter
    // marks: a character without a double-byte GBK form (four-byte characters and the euro sign
    // included) and each byte that starts no character become one blank per byte inside "^^"
    // marks that a run shares. A leading byte-order mark is skipped. pSpans and pMarks as for
    // CodeToGBK (spans count the skipped mark). Thread-safe.
    static void UTF8ToGBKMarked(const char* sLine, tstring& result, std::vector<SourceSpan>* pSpans,
                                std::vector<int>* pMarks);

    // The conversion itself: units of pSrcDict mapped by pIDMaps to texts of pDsnWordList.
    // bOutput is false towards GBK (unconvertible units are marked with "^^"), true towards the
    // caller's encoding (a bare blank each, and mark spans of the input become their blanks).
    const char* CodeTrans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                          CWordList* pDsnWordList, bool bOutput) const;

    // Convert a whole file and write the result and one line feed to sDsnFile ("wt").
    // CodeToGBKFile skips a leading UTF-8 byte-order mark for code 1; GBKToCodeFile writes one
    // first for code 1. 1, or 0 when nothing was read or the destination cannot be written.
    int CodeToGBKFile(const char* sSrcFile, const char* sDsnFile) const;
    int GBKToCodeFile(const char* sSrcFile, const char* sDsnFile) const;

private:
    // The mark span written last in a line towards GBK: where it opened and where it ends (npos:
    // none that a following unconvertible unit may join).
    struct MarkRun {
        size_t nOpen = 0;
        size_t nEnd = tstring::npos;
        // True when nBlanks more blanks join the span that ends at nAt.
        bool Extends(size_t nAt, size_t nBlanks) const {
            return nEnd == nAt && nEnd - nOpen - 4 + nBlanks <= kMarkSpanBlanks;
        }
    };
    // CodeTrans, with mark spans of the input read as their blanks when bMarks, the source span of
    // each output byte appended to pSpans and the offset of each opening mark written appended
    // to pMarks when they are not null.
    const char* CodeTransSpans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                               CWordList* pDsnWordList, bool bOutput, bool bMarks, std::vector<SourceSpan>* pSpans,
                               std::vector<int>* pMarks) const;
    // Converts one line piece (no CR, LF or TAB) unit by unit and appends it to result.
    // ppBuffer/ppIDs are the malloc'd work buffers of the unit segmentation (text, handles).
    // With pSpans, each byte appended gets its source span (the piece starts at nPieceFrom of
    // the source); with pMarks, the offset of each opening mark written is appended.
    void TransPiece(const char* sPiece, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                    CWordList* pDsnWordList, bool bOutput, MarkRun& run, char** ppBuffer,
                    int* pnBufferSize, int** ppIDs, int* pnIDSize, std::vector<SourceSpan>* pSpans = nullptr,
                    int nPieceFrom = 0, std::vector<int>* pMarks = nullptr) const;
    int WriteConverted(const char* sSrcFile, const char* sDsnFile, bool bToGBK) const;
    // Direct table of a source dictionary whose words are all single characters of one form:
    // the handle of each character by its code, -1 for none.
    struct UnitTable {
        int nForm = 0;                 // 0 none (always the general path), 1 double-byte, 2 UTF-8
        std::vector<int32_t> vecHandle;  // 65536 entries when nForm > 0
        // The target text of each code through pMaps and pTargets, read from them once: its
        // bytes from the lowest up and its length in the top byte; 0 when the code has none, or
        // one longer than 3 bytes (the lookups then run). Four bytes an entry keep the table's
        // hot part (the common characters) small.
        std::vector<uint32_t> vecTarget;
        size_t nMaxTarget = 0;  // the longest target text in vecTarget
        const CIDMaps* pMaps = nullptr;
        const CWordList* pTargets = nullptr;
    };
    // pIDMaps and pDsnWordList: the conversion the table serves (may be null: no target texts).
    static void BuildUnitTable(const CPDAT* pDict, const CWordList* pWordList, const CIDMaps* pIDMaps,
                               const CWordList* pDsnWordList, UnitTable& table);
    // The conversion of a piece when every unit is a known character or ASCII: appends it (and,
    // with pSpans, the source span of each byte, the piece starting at nPieceFrom) and returns
    // true. False, result and pSpans untouched, at anything else (the general path then runs).
    bool TransPieceDirect(const char* sPiece, tstring& result, const UnitTable& table, CIDMaps* pIDMaps,
                          CWordList* pDsnWordList, std::vector<SourceSpan>* pSpans, int nPieceFrom) const;
    // TransPieceDirect for one form (1 double-byte, 2 UTF-8); bTargets: the table's target texts
    // serve this conversion; bSpans: pSpans is not null and records the spans.
    template <int nForm, bool bSpans>
    static bool TransDirect(const char* sPiece, tstring& result, const UnitTable& table, bool bTargets,
                            CIDMaps* pIDMaps, CWordList* pDsnWordList, std::vector<SourceSpan>* pSpans,
                            int nPieceFrom);

    CPDAT* m_pGBKSrcDict = nullptr;       // GBK units (source side of GBKToCode)
    CWordList* m_pGBKWordList = nullptr;  // GBK text of each GBK handle (target of CodeToGBK)
    CPDAT* m_pCodeDict = nullptr;         // caller-encoding units (source side of CodeToGBK)
    CWordList* m_pCodeWordList = nullptr; // caller-encoding text of each code handle
    CIDMaps* m_pCode2GBKMap = nullptr;    // code handle -> GBK handles
    CIDMaps* m_pGBK2CodeMap = nullptr;    // GBK handle -> code handles
    UnitTable m_codeUnits;  // of m_pCodeDict
    UnitTable m_gbkUnits;   // of m_pGBKSrcDict
    int m_nEncoding = 0;
    int m_nStatus = 0;
    tstring m_sFailedPath;
};
