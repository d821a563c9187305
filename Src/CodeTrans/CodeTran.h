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
// towards GBK such blanks are wrapped in "^^" ... "^^" marks, and a "^^ ... ^^" span of the input
// passes through both directions unconverted, without its marks. White space between lines (runs
// of blanks, TABs, CR and LF) and every TAB are kept as they are.
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
    // The path of the file that did not load ("" when none failed), so that a caller can name it.
    const tstring& GetFailedPath() const { return m_sFailedPath; }
    // True when the caller encoding's dictionary holds the nLen bytes at sUnit as one unit (a
    // character the converter knows); false for a converter whose status is not 1.
    bool HoldsCodeUnit(const char* sUnit, unsigned int nLen) const;

    // Caller encoding to GBK into result; returns result's text (valid while result lives).
    // A null or empty line, or a converter whose status is not 1, gives the empty text.
    const char* CodeToGBK(const char* sLine, tstring& result) const;
    // GBK to the caller encoding, likewise.
    const char* GBKToCode(const char* sLine, tstring& result) const;
    // GBKToCode of nLen GBK bytes at sPiece (no NUL among them) written to pOut with a NUL, for a
    // piece that holds no blank, TAB, CR, LF or '^' byte, does not start with a byte-order mark
    // and whose characters all have a target in the converter's character table: returns the
    // length written. -1, when the piece is not such a piece or nCap is below 4 x nLen + 9: the
    // caller then converts it with GBKToCode.
    int GBKToCodePlain(const char* sPiece, size_t nLen, char* pOut, size_t nCap) const;

    // The conversion itself: units of pSrcDict mapped by pIDMaps to texts of pDsnWordList.
    // bOutput is false towards GBK (unconvertible units are marked with "^^"), true towards the
    // caller's encoding (a bare blank each).
    const char* CodeTrans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                          CWordList* pDsnWordList, bool bOutput) const;

    // Convert a whole file and write the result and one line feed to sDsnFile ("wt").
    // CodeToGBKFile skips a leading UTF-8 byte-order mark for code 1; GBKToCodeFile writes one
    // first for code 1. 1, or 0 when nothing was read or the destination cannot be written.
    int CodeToGBKFile(const char* sSrcFile, const char* sDsnFile) const;
    int GBKToCodeFile(const char* sSrcFile, const char* sDsnFile) const;

private:
    // Converts one line piece (no CR, LF or TAB) unit by unit and appends it to result.
    // ppBuffer/ppIDs are the malloc'd work buffers of the unit segmentation (text, handles).
    void TransPiece(const char* sPiece, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                    CWordList* pDsnWordList, bool bOutput, size_t& nSpanEnd, char** ppBuffer,
                    int* pnBufferSize, int** ppIDs, int* pnIDSize) const;
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
    // The conversion of a piece when every unit is a known character or ASCII: appends it and
    // returns true. False, result untouched, at anything else (the general path then runs).
    bool TransPieceDirect(const char* sPiece, tstring& result, const UnitTable& table, CIDMaps* pIDMaps,
                          CWordList* pDsnWordList) const;
    // TransPieceDirect for one form (1 double-byte, 2 UTF-8); bTargets: the table's target texts
    // serve this conversion.
    template <int nForm>
    static bool TransDirect(const char* sPiece, tstring& result, const UnitTable& table, bool bTargets,
                            CIDMaps* pIDMaps, CWordList* pDsnWordList);

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
