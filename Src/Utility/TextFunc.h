// Sentence boundaries, e-mail addresses in a mail header, and small character and number functions.
// Texts are GBK; all functions are stateless and thread-safe.
#pragma once

#include <vector>

#include "Utility/Types.h"

// One address found by ExtractEmail.
struct _email {
    tstring username;    // the part before '@'
    tstring domainname;  // the part after '@'
    tstring cnName;      // Chinese display name directly before the address, if any
    tstring enName;      // Latin display name directly before the address, if any
    tstring direction;   // "send", "recv", "copy_to" or "secret_to"
};
typedef _email _tEmail;

// ---- sentences ---------------------------------------------------------------------------------
// Sentence-ending punctuation: 。！？； (GBK) and '.', '!', ';', '?', CR, LF, tab.

// Walks the characters from nLocatePos and returns the position just behind the first sentence-ending
// punctuation. Returns strlen(sLine) when the text ends, or nLimited bytes have been walked, first
// (and for a position at or past the end). A lead byte in the last position is one byte.
unsigned long FindSentenceEnd(const char* sLine, unsigned long nLocatePos, unsigned long nLimited);

// Walks backwards from nLocatePos - 1 (nLocatePos clamped to the length) and returns the position
// just behind the nearest sentence-ending punctuation; a byte of 0x80 or above at position 2 or later
// is read with the byte before it as one character. 0 when the start is reached, or nLimited bytes
// have been walked, first.
unsigned long FindSentenceStart(const char* sLine, unsigned long nLocatePos, unsigned long nLimited);

// False when the text ends with 。 or ！ (texts of 4 bytes or more) or with ';'; true otherwise.
// False for NULL.
bool IsValidTitle(const char* sLine);

// True when the text ends with one of 。：！；） (texts of 4 bytes or more) or one of ';', '.', ':', ')'.
bool IsValidSentence(const char* sLine);

// ---- e-mail addresses ----------------------------------------------------------------------------

// Appends every address (user@domain) of a mail header text to vecEmail and returns vecEmail's
// size. The direction of all of them is decided once, from the text before the first '@': "recv"
// when 收 occurs there, else "copy_to" for 抄, else "secret_to" for 密, else "send". The display name
// directly before an address (behind '<', '"', blanks and tabs) fills enName (ASCII letters, digits,
// blanks, '-', '.', '_', tabs, and commas inside double quotes) and cnName (a run of two-byte
// characters before that); a name ends at ':', ';', ',' and at ：。，.
int ExtractEmail(const char* sLine, std::vector<_email>& vecEmail);

// ---- characters and numbers ------------------------------------------------------------------------

// Writes value into str (12 bytes): octal for radix 8, hexadecimal for 16, decimal otherwise.
// Returns str.
char* itoa(int value, char* str, int radix);

// tolower / toupper on every byte, in place. Returns _src (NULL for NULL).
char* strlwr(char* _src);
char* strupr(char* _src);

// ASCII case change of one character; any other byte is returned unchanged.
char GetUpperLetter(char ch);
char GetLowerLetter(char ch);

// Returns szt with its text unchanged (kept for callers that expect the name).
char* strrev(char* szt);
