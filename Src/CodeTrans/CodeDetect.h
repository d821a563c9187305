// Encoding detection by a byte automaton loaded from "CodeTrans.model", and the conversion
// entry points that detect first (code 0) or take a given code.
//
// Model file layout (little-endian, no header):
//   0       24576 x u16  GBK map: Unicode value of each two-byte GBK character
//   49152   24576 x u16  BIG5 map, the same for BIG5
//   98304   i32 N        number of automaton cells
//   98308   N x 16 bytes cells {base, check, fail, score}, each i32
// A two-byte character (lead, trail) sits at map index max(trail - 0x40, 0) * 128 + (lead & 0x7F).
// Bytes after the last cell are ignored; cell 0 is the root.
//
// A cell's packed score: bits 20 and up (signed) are a decisive code that ends detection; bits
// 0-17 hold four base-20 digits, each a score change + 9: GBK = V % 20 - 9, BIG5 = V / 20 % 20
// - 9, Unicode = V / 400 % 20 - 9, UTF-8 = V / 8000 - 9. The value 0x1280D is neutral.
//
// Thread safety: the model is replaced atomically by CodeTrans_Initialize / CodeTrans_Destroy;
// detection and conversion may run on any number of threads meanwhile, each working on the model
// that was installed when it started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Conversion codes of the detector and its converters.
enum _enCodeType {
    CODETRANS_DETECT = 0,   // argument: detect first; result: unknown
    CODETRANS_UTF8 = 1,
    CODETRANS_GBK = 2,
    CODETRANS_BIG5 = 3,
    CODETRANS_UNICODE = 8,  // 16-bit little-endian units
};

// One automaton cell as stored in the model file.
struct _stTrieElem_ {
    int32_t m_iBase;   // offset of this state's transitions: the cell for byte ch is m_iBase + ch
    int32_t m_iCheck;  // the state that owns this cell
    int32_t m_iFail;   // failure link
    int32_t m_iScore;  // packed score of reaching this cell
};

constexpr int CODETRANS_MAP_SIZE = 24576;           // entries of each character map
constexpr int32_t CODETRANS_NEUTRAL_SCORE = 0x1280D;  // all four changes 0, no decisive code
constexpr size_t CODETRANS_HEADER_BYTES = 98308;    // two maps and the cell count

// Number of truncated two-byte characters met by this thread's last GBKBig5_ToUnicode call.
extern thread_local size_t CodeTrans_iTransErrCnt;

// Loads the model file, replacing any loaded model. 0 on success; -1 file not opened or GBK map
// short; -2 BIG5 map short; -3 cell count missing; -4 cell count negative or cells short; -127
// out of memory. On failure no model is loaded. Safe to call while other threads detect.
int CodeTrans_Initialize(const char* pcModelFile);

// The same from the bytes of a model file (for tests and fuzzers).
int CodeTrans_LoadModel(const unsigned char* pData, size_t nSize);

// Unloads the model.
void CodeTrans_Destroy();

// Writes a model file (atomically: the target is replaced only when every byte was written).
// The maps hold CODETRANS_MAP_SIZE entries each. False on a null argument or a write failure.
bool CodeTrans_SaveModel(const char* pcModelFile, const uint16_t* pGBKMap, const uint16_t* pBig5Map,
                         const std::vector<_stTrieElem_>& vecCells);

// Packs four score changes (each -9..10) and a decisive code into a cell score.
int32_t CodeTrans_PackScore(int iGBK, int iBig5, int iUnicode, int iUTF8, int iDecisive = 0);

// Detects the code of iSourLen bytes: 1, 2, 3, 8, 0 (unknown) or a decisive code of the model.
// Without a model, text without a byte >= 0x80 detects as 2 and any other as 0. A null text or a
// negative length counts as empty (2).
int CodeTrans_CodeDetect(const char* pcSour, int iSourLen);

// Converts iSourLen bytes (code 0: detected first) to GBK in pcDest, which must hold iSourLen + 1
// bytes; nothing beyond that is written. Code 1: UTF-8 (to its first NUL, mark skipped; no GBK
// form gives '?'); 2 and 3: copied unchanged; 8: iSourLen / 2 little-endian units (no GBK form
// gives A1 A1); any other code (an undetected text): "". The output is NUL-terminated; iDestLen
// and the result are the GBK byte count.
int CodeTrans_ToAnsi(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen);

// Converts iSourLen bytes (code 0: detected first) to UTF-8. iDestLen is the capacity of pcDest
// on entry (0: unbounded, the caller provides 4 * iSourLen + 1 bytes) and the length on return.
// A bounded output keeps its NUL inside the capacity and is cut only between characters. Code 1:
// copied; 2 and 3: decoded as GBK; 8: iSourLen / 2 little-endian units; other: "". Returns the
// bytes written (terminator not counted).
int CodeTrans_ToUtf8(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen);

// Converts iSourLen bytes (code 0: detected first) to Unicode units in pcDest, whose capacity in
// bytes is iDestLen on entry. Code 1: 32-bit units, at most iDestLen / 4 - 1 of them plus a zero
// unit, iDestLen left as it was; 2 and 3: GBKBig5_ToUnicode; 8: the input bytes copied, at most
// capacity - 1 of them, plus one zero byte. Returns the bytes written; 0 for a null pointer or a
// negative length.
int CodeTrans_ToUnicode(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen);

// Decodes GBK (code 2) or BIG5 (code 3) text into little-endian 16-bit units through the model's
// maps (0 for a character they lack, for any other code, or without a model). A lead byte at the
// end gives 0xFEFF and counts in CodeTrans_iTransErrCnt. Writes whole units while they fit in the
// capacity iDestLen, with no terminator; iDestLen and the result are the bytes written.
int GBKBig5_ToUnicode(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen);
