// The GBK character model and the character tests built on it.
//
// A character is one byte below 0x80, or two bytes whose lead byte is 0x80 or above. A lead byte
// with no trail byte after it (at the NUL, or at the end of the given length) is a one-byte unit:
// it matches no two-byte set, the in-place functions copy it unchanged, and it ends every walk.
// The code of a two-byte character is lead * 256 + trail. Hanzi are the two-byte characters whose
// lead byte lies in 0xB0-0xF7; full-width ASCII is row 0xA3.
//
// A character set is a GBK string of characters one after another. All functions here are
// stateless and thread-safe; strings are NUL-terminated unless a length is given, and no function
// reads past the NUL or past a given length. NULL strings are treated as empty unless noted.
#pragma once

#include <stddef.h>

#include <vector>

#include "Utility/Types.h"

// ---- reading characters ----------------------------------------------------------------------

// Copies the character at sBuffer into sChar (at least 3 bytes) and ends it with a NUL. Returns 2
// for a lead byte followed by a non-NUL byte, 1 for any other byte, 0 for an empty string (sChar "").
int Getchar(const char* sBuffer, char* sChar);

// Stores the code of the character at sBuffer: the byte value (result 1) below 0x80; lead * 256 +
// trail (result 2) for a lead byte with a trail; a lone lead byte at the end gives the byte read as
// a signed 8-bit number, a negative code (result 1); an empty string gives -1 (result 0).
int Getchar(const char* sBuffer, int* npCharCode);

// The code of the character at sLine[i], advancing i. Takes two bytes when sLine[i] is 0x80 or
// above and i + 1 is below nSize (whatever that byte is); otherwise the byte value 0-255 with
// 'A'-'Z' folded to lower case, advancing 1. The caller keeps i below nSize.
unsigned int GetCharCode(const char* sLine, unsigned long& i, unsigned long nSize);

// Copies one UTF-8 character into sChar (at least 7 bytes, NUL-terminated). Its length follows
// the first byte: 0 for NUL, 1 below 0xC0 (stray continuation bytes included), 2 below 0xE0,
// 3 below 0xF0, 4 below 0xF8, 5 below 0xFC, else 6; cut at the end of the string. Returns it.
int GetUTF8Char(const char* sBuffer, char* sChar);

// Length of the UTF-8 character at s, of which nAvail bytes may be read: 2, 3 or 4 for a lead
// byte (C2-DF, E0-EF, F0-F4) followed by as many continuation bytes as it announces, else 1
// (ASCII, and every byte of a broken sequence on its own). 0 when nAvail is 0.
int UTF8CharLength(const unsigned char* s, size_t nAvail);

// Length of the character at s, of which nAvail (at least 1) bytes may be read: UTF8CharLength
// when bUTF8, else a double-byte encoding's (a byte of 0x80 or above takes the next byte with it
// when there is one).
int EncodedCharLength(const unsigned char* s, size_t nAvail, bool bUTF8);

// Clears vecStr and appends each character of sStr (UTF-8 when bUTF8, else GBK). Returns the count.
size_t Str2CharVector(const char* sStr, std::vector<tstring>& vecStr, bool bUTF8);

// Byte offset of the first two-byte character whose code is nCode, walking sText character by
// character from nFrom (a character boundary); npos when absent. A NUL ends the walk.
size_t FindGBKChar(const tstring& sText, int nCode, size_t nFrom = 0);

// ---- sets and counts -------------------------------------------------------------------------

// Note the order: `string` is the set, `strCharSet` the character looked for. Returns the first
// occurrence of strCharSet in string when it lies at an even byte offset, else NULL (a later
// occurrence is not searched for); NULL for an empty needle. Meant for sets of two-byte characters.
const char* CC_Find(const char* string, const char* strCharSet);

// Counts the characters among the first nLen bytes of sWord (the whole string when nLen is 0, and
// never past its NUL) that belong to sCharSet: two-byte ones found by CC_Find, one-byte ones found
// in the set's bytes. A NUL and a lone lead byte are never members.
unsigned long GetCharCount(const char* sCharSet, const char* sWord, unsigned long nLen);

// ---- number, year and day tokens -------------------------------------------------------------
// Each takes a token of a longer line: a length of 0 means the whole string, and nothing at or
// beyond the length is read.

// True for an optional sign ('+', '-', ±第—＋), a point right after a sign, ASCII digits, a point
// that is not the first character with its decimals, a percent (% ％‰) and a run of units
// (百千万亿佰仟兆), when together they use up exactly nLen bytes. "" and "-" are numbers;
// full-width digits are not digits.
bool IsAllNum(const char* sString, unsigned long nLen);

// True when the token reads as a year: year numerals only (3 bytes or more); 4 ASCII bytes, or 2
// ASCII bytes from '5' up; an IsAllNum token of 6 bytes or more, or of 4 bytes led by ５-９;
// 8 bytes with exactly two of 千仟零〇○; or one 千/仟. A negative length is no year.
bool IsYearTime(const char* sNum, int length);

// True when the token is under 7 bytes of day numerals (a counting test: one-byte tokens and ""
// pass), or under 3 bytes of ASCII digits.
bool IsDayTime(const char* sNum, unsigned int nLen);

// ---- full-width and delimiter forms ----------------------------------------------------------

// Maps ".,;:?!%(){+}[]/=" to 。，；：？！％（）｛＋｝［］／＝ in sWordRet (3 bytes) and returns true;
// any other byte comes back alone with false.
bool Delimiter2DictFormat(char cDelemiter, char* sWordRet);

// In place: full-width digits and letters and 63 full-width punctuation forms become ASCII; every
// other character is kept. Returns true when anything changed. NULL gives false.
bool QuanJiao2BanJiao(char* sLine);

// ---- normalising and classifying text --------------------------------------------------------

// In place: runs of blanks, tabs, CR and LF become one blank, with none left at either end.
// Returns sStr; NULL for NULL.
char* StrNormalize(char* sStr);

// True when at least 5 of 10 sampled bytes (positions i * len / 10) are ASCII letters and no
// sampled byte, nor for len >= 4 the bytes at 1 and len - 2, is 0x80 or above other than 0xA1 or
// 0xB1. False for NULL or "".
bool IsEnglishText(const char* sLine);
// IsEnglishText of a text of nLen bytes that is not held in memory: byteAt(i) gives its byte at
// offset i (asked for 12 offsets at most).
template <class ByteAt>
bool IsEnglishTextOf(size_t nLen, ByteAt byteAt) {
    if (nLen == 0) return false;
    auto bForeign = [](unsigned char c) { return c >= 0x80 && c != 0xA1 && c != 0xB1; };
    int nLetters = 0;
    for (size_t i = 0; i < 10; ++i) {
        const unsigned char c = byteAt(i * nLen / 10);
        if (bForeign(c)) return false;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ++nLetters;
    }
    if (nLen >= 4 && (bForeign(byteAt(1)) || bForeign(byteAt(nLen - 2)))) return false;
    return nLetters >= 5;
}
// False when IsEnglishText is false for every text of 4 bytes or more that starts with the
// bytes b0 and b1 (either is 0x80 or above other than 0xA1 or 0xB1).
inline bool MayBeEnglishText(unsigned char b0, unsigned char b1) {
    auto bForeign = [](unsigned char c) { return c >= 0x80 && c != 0xA1 && c != 0xB1; };
    return !bForeign(b0) && !bForeign(b1);
}

// Counts multi-byte characters and one-byte characters other than blank, tab, CR and LF (UTF-8
// when bUTF8, else GBK). Returns the sum.
unsigned long CharStat(const char* sText, unsigned long& nSingleCharCount, unsigned long& nMultiCharCount,
                       bool bUTF8);

// ---- the test family (an empty string passes every IsAll* test) ------------------------------

// The first `length` bytes (the whole string when 0) are all below 0x80.
bool IsAllSingleByte(const unsigned char* sString, unsigned long length);
// Only hanzi.
bool IsAllChinese(const unsigned char* str);
// No lead byte in 0xB0-0xF7.
bool IsAllNonChinese(const unsigned char* str);
// Byte length of the leading run of hanzi.
unsigned long GetCCPrefix(const unsigned char* str);
// A run of row-0xA2 characters followed only by ASCII letters (either part may be empty).
bool IsAllIndex(const unsigned char* str);
// Only full-width letters.
bool IsAllLetter(const unsigned char* str);
// Only two-byte characters of rows 0xA1 and 0xA3.
bool IsAllDelimiter(const unsigned char* str);
// Exactly one byte, one of "\t\r \n.,(){}[]:;\"'<>?/~@#$%^&*()_-+=". False for NULL.
bool IsDelimiter(const char* str);
// Two-byte units (len 0: whole string), each a Chinese numeral or point, "分之" as one unit, and
// "数" or "第" allowed first. A unit shorter than two bytes fails.
bool IsAllChineseNum(const char* str, unsigned long len);

// The largest count of str's characters in the three foreign-name character sets.
unsigned long GetForeignCharCount(const char* str);
// Which set counts most: 0 by default, 2 when the third beats the first, 1 when the second beats
// both.
int GetForeignType(const char* str);
// True when str is 3 bytes or longer, or at least half its length counts in GetForeignCharCount.
bool IsForeign(const char* str);
// True when every character of str belongs to a foreign-name set (2 * count == length).
bool IsAllForeign(const char* str);

// Splits a place name: sPostfix receives the first two-or-three-character place suffix that ends
// the word, else its last character when that is a one-character place suffix, else ""; sPrefix
// receives the rest. Both buffers need strlen(word) + 1 bytes. Always true.
bool PostfixSplit(const char* word, char* sPrefix, char* sPostfix);

// In place: lower-cases ASCII, full-width digits and letters to ASCII, keeps + - { } ; digits,
// letters, CR and LF, turns row-A3 characters from trail 0xBB up into ';' and ＋ into '+', keeps a
// blank only before an ASCII letter or digit, drops other one-byte characters and keeps other
// two-byte characters.
void WordStandard(char* str);

// Length of the common byte prefix of a and b.
size_t MaxPrefix(const char* a, const char* b);

// Copies text up to CR, LF or NUL into line, skips the CR/LF run after it and returns where the
// next line starts, or NULL when no line follows. line needs strlen(text) + 1 bytes.
const char* sgets(const char* text, char* line);

// Write one line "<char>,<lead>,<trail>\n" per two-byte code (lead and trail as unsigned
// decimals): leads 0xA1-0xFE (GB2312_Generate) or 0xB0-0xFE (CC_Generate), trails 0xA1-0xFE.
// False when the file cannot be written.
bool GB2312_Generate(const char* path);
bool CC_Generate(const char* path);
