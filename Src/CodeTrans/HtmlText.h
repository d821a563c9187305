// Text cleaning before analysis: HTML to plain text, %XX decoding, folding of GBK queries and
// names to a canonical form, and hexadecimal dumps for diagnosis.
//
// Every function works on the caller's buffers only, keeps no state and is thread-safe (the
// dumps write to standard output).
#pragma once

#include "CodeTrans/CodeDetect.h"

// Turns an HTML page into plain text. The input is the iInPutLen bytes at pInPut (no terminator
// needed; nothing past them is read); a leading byte-order mark EF BB BF is skipped.
// - Markup ('<' followed by a letter, '/', '!' or '?') becomes one blank: a comment up to its
//   "-->", a script element (when more than 15 bytes are left) up to the '>' after its "</s" (or
//   "</S" when there is no "</s"), any other tag when its '>' lies less than 500 bytes away.
//   Markup without its end stays as text.
// - "&#N;" (';' at most 10 bytes from '&', N read as decimal) becomes character N in nCodeType;
//   N of 0, 127-254, D800-DFFF or above 10FFFF, and a character without a GBK form, become one
//   blank. "&lt;" and "&gt;" give '<' and '>'; any other "&name;" (';' less than 10 bytes away)
//   becomes one blank.
// - "%XX" (0-9, A-F upper case) becomes its byte; the first of two zero bytes is dropped; a bare
//   "nbsp;" is dropped (a blank takes its place after a blank); a blank after a blank is dropped.
// - Finally every run of blanks becomes one blank and leading blanks go; one trailing blank may stay.
// nCodeType: CODETRANS_GBK writes character references in GBK; any other value in UTF-8.
// iOutPutLen: on entry the size of pOutPut, 0 for none (then pOutPut must hold iInPutLen + 1
// bytes, which always suffices: the text never grows); a piece that would not leave room for the
// terminator ends the walk. On return the text length; pOutPut is NUL-terminated. Returns 0.
int vHtmlToText(const char* pInPut, int iInPutLen, char* pOutPut, int& iOutPutLen, int nCodeType = CODETRANS_UTF8);

// The byte denoted by the two characters at from: each is worth c - '0' below 'A', else
// (c & ~0x20) - 55, so letter case does not matter. Nothing is validated.
char x2c(const char* from);

// Copies iInPutLen bytes to pOutPut, turning each '%' with two bytes after it inside the length
// into the byte x2c gives for them; everything else ('+' included) is copied. pOutPut must hold
// iInPutLen bytes; no terminator is written. iOutPutLen gets the bytes written. Returns 0.
int iURIDecode(const char* pInPut, int iInPutLen, char* pOutPut, int& iOutPutLen);

// Folds the first nLen bytes of a GBK line in place and NUL-terminates it (sLine must hold nLen + 1
// bytes). A lead byte with a trail byte inside nLen is one two-byte character, else bytes stand
// alone. ASCII capitals are lowered; ',', '/' and '_' become TAB unless bQueryPaser; full-width
// brackets become '(' and ')', curly and full-width quotes '"', a set of full-width separators
// (＼｜，．。、－—) TAB, and full-width digits and letters lower-case ASCII. Returns the new length
// (never longer); 0 for NULL.
int str_normalization(char* sLine, int nLen, bool bQueryPaser);

// The same as str_normalization.
int zipname_normalization(char* sLine, int nLen, bool bQueryPaser);

// Prints each byte of the NUL-terminated text as "%02X", then a line feed, on standard output.
void dump_utf8(const char* utf8);

// Prints size bytes as "%02X", then a line feed, on standard output.
void dump_unicode(const char* utf16, int size);
