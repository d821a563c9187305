// Character-type table: one type byte per 16-bit GBK character code.
//
// File format ("charset.type", little-endian, exactly 65540 bytes):
//   int32 count (characters given a type when the table was built), 65536 x uint8 types.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Utility/Types.h"

class CCharset {
public:
    static constexpr int kCodes = 65536;
    static constexpr size_t kFileSize = 4 + kCodes;

    // A table of 65536 zero types.
    CCharset();
    virtual ~CCharset();
    CCharset(const CCharset&) = delete;
    CCharset& operator=(const CCharset&) = delete;

    // Loads "charset.type". False when the file cannot be read or is not exactly 65540 bytes;
    // the table is then unchanged. No message is written.
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // Type of a character code; -1 outside 0..65535. Thread-safe.
    int GetType(int nCode) const { return (nCode < 0 || nCode >= kCodes) ? -1 : m_pData[nCode]; }
    // Type of the text's first character: two bytes when the first is 0x80 or above and a
    // second (non-NUL) byte follows, else the first byte alone; an empty text gives code 0.
    int GetType(const char* sChar) const;
    int GetCount() const { return m_nSize; }
    // The 65536 types by character code (valid as long as the table).
    const tuchar* GetTypes() const { return m_pData; }

    // ---- building (offline) -----------------------------------------------------------------

    // Reads "character type" lines: clears the table, stores the low byte of each type, counts
    // one per line with a character, then forces tab, line feed, carriage return and blank to
    // type 28. Returns the count, 0 when the file cannot be opened.
    int Import(const char* sFilename);
    // Writes the table; false (old file untouched) when it cannot be written.
    bool Save(const char* sFilename) const;
    // Lists "%c\t%d\n" for single bytes 33..128, then "%s\t%d\n" for the two-byte codes with
    // lead 0xA1..0xF7 and trail 0xA1..0xFE. Returns the count, 0 when the file cannot be written.
    int Export(const char* sFilename) const;

    // Character code of the first character of a text, as GetType(text) reads it.
    static int CharCode(const char* sChar);

private:
    tuchar m_pData[kCodes];  // type of each character code
    int32_t m_nSize = 0;     // characters given a type when built (informational)
};
