// String functions of the foundation library: substring replacement, splitting and joining,
// trimming, case folding, counting and fuzzy matching over GBK byte strings.
//
// All functions are stateless and thread-safe (they touch only their arguments). Texts are
// NUL-terminated GBK byte strings unless a length is given; a character is one byte below 0x80 or
// a lead byte of 0x80 or above with the byte after it.
#pragma once

#include <vector>

#include "Utility/Types.h"

// Replaces every occurrence of sSubOld in sString, left to right; the search resumes after each
// inserted text, which is never searched again ("aaa" with a -> aa gives six a's). A NULL sSubNew
// means "". Returns the number of replacements; 0 for an empty string or an empty or NULL sSubOld.
int gfn_vReplaceSubstr(tstring& sString, const char* sSubOld, const char* sSubNew);

// Clears vResult and splits lpszText at each occurrence of the whole string lpszDelimiter,
// dropping empty pieces. With an empty (or NULL) delimiter, or none found, the whole text is the one
// piece. False (vResult empty) for an empty or NULL text.
bool gfn_bSplit(const char* lpszText, std::vector<tstring>& vResult, const char* lpszDelimiter);

// Clears vResult and splits lpszText at any of the bytes of lpszDelimiter, dropping empty pieces.
// False for an empty or NULL text. No length limit.
bool gfn_bSplitOR(const char* lpszText, std::vector<tstring>& vResult, const char* lpszDelimiter);

// Removes blanks, tabs, CR, LF and the GBK spaces A1A1 and A3A0 from both ends, character by
// character. False for an empty string.
bool gfn_bTrimWord(tstring& sWord);

// Removes the byte ch from both ends of s.
void trim(tstring& s, char ch);

// Removes every byte ch among the first nLen bytes of source, moving the rest forward and
// zero-filling the freed tail of the nLen bytes. Returns the new length.
unsigned int deleteChar(char* source, unsigned int nLen, char ch);

// Splits sEntry at the first occurrence of sDelimiter into a trimmed word and a trimmed rest.
// False for an empty entry. With an empty delimiter or none found, sWord is the whole entry, sPos
// empty, and the result true. Otherwise true when the word is not empty.
bool gfn_bGetWordPos(const tstring& sEntry, tstring& sWord, tstring& sPos, tstring sDelimiter);

// Joins the strings into str (cleared first), putting pDelimiter (NULL: none) after each
// non-empty string except the last. Returns str.c_str().
const char* Vector2Str(std::vector<tstring>& vecResult, const char* pDelimiter, tstring& str);

// ASCII letter / ASCII digit.
bool isLetter(char ch);
bool isDigit(char ch);

// Lower-cases the ASCII letters of the one-byte characters in place; trail bytes of two-byte
// characters (which may lie in 'A'-'Z') are left alone. The char* form works on the first nLen
// bytes and stops at a NUL.
void toLower(tstring& s);
void toLower(char* s, unsigned int nLen);

// Number of characters among the first nLen bytes of s (stopping at a NUL) whose code equals ch;
// a two-byte code is lead * 256 + trail.
unsigned int countChar(const char* s, unsigned int nLen, unsigned int ch);

// A copy of src with every byte ch replaced by the text s (NULL: "").
tstring replaceChar(const tstring& src, char ch, const char* s);

// Appends "\r\n" and then nCount copies of ch to sResult.
void TextIndent(tstring& sResult, unsigned int nCount, char ch);

// Number of bytes of sStr that are not tab, CR, LF or blank (0 for NULL).
unsigned long strlen_nospace(const char* sStr);

// sTextStand = sText without its trailing CR and LF (keeping at least one byte), with every run of
// blanks, tabs, CR and LF reduced to one blank when it stands between two one-byte ASCII letters
// or digits and dropped otherwise. Returns sTextStand.c_str().
const char* TextStandard(const char* sText, tstring& sTextStand);

// True when position nLoc of sText lies between an occurrence of range_start that ends at or before
// nLoc and an occurrence of range_end that starts at or after nLoc, with no range_end between that
// start and nLoc and no range_start between nLoc and that end.
bool IsInRange(tstring& sText, tstring range_start, tstring range_end, unsigned long nLoc);

// prefix = the common prefix of the two texts, compared byte by byte while blanks, LF and CR are
// skipped in each (the skipped bytes are not part of prefix). Returns prefix's length.
unsigned long prefixMatch(const char* sStr1, const char* sStr2, tstring& prefix);

// Finds sStrPattern in sStr from byte offset `offset` (in/out), ignoring blanks, LF and CR in both.
// Anchors on the pattern's first non-blank byte, extends the match byte by byte and, on a mismatch,
// re-anchors at the next occurrence after the current anchor.
// - 0: full match; nStart/nEnd are the span [nStart, nEnd) in sStr and offset becomes nEnd.
// - > 0: the text ended after that many pattern bytes matched (span set as far as it goes).
// - -1: the anchor byte does not occur (any more) from offset on.
// A pattern of only blanks matches the empty span at offset.
int StrLocate(const char* sStr, const char* sStrPattern, unsigned long& nStart, unsigned long& nEnd,
              int& offset);

// Compares sStr1 with sStr2 ignoring blanks, tabs, CR and LF, skipping a markup tag '<'...'>' in
// sStr1 and '['...']' in sStr2 when the closing bracket follows within 15 bytes. Stops after
// nMaxMatchLen matched bytes (-1: no limit). On a mismatch, for an sStr1 of 3 bytes or more, true
// when StrLocate finds all of sStr1 inside sStr2 (nStart = where it starts in sStr2); otherwise
// true when at least 4 ASCII bytes matched. At the end of either text, true when anything matched.
// nStart is 0 unless StrLocate found the match.
bool StrMatch(const char* sStr1, const char* sStr2, unsigned long& nStart, int nMaxMatchLen);
