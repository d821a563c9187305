// Conversion between GBK, wide strings (32-bit wchar_t units), UTF-8 and 16-bit Unicode units,
// plus the file-name, data-path and last-error services built on it.
//
// GBK here is code page 936, decoded and encoded through the compiled-in CodeTable (never
// through the C locale, so the host's locale is left alone). Every function is thread-safe
// unless its contract says otherwise; buffers handed out through a pointer argument come from
// malloc and are freed by the caller with free.
#pragma once

#include <cstddef>
#include <string>

#include "Utility/Types.h"

// Name of the locale whose multibyte code the GBK conversions reproduce.
extern const char* const GBK_LOCALE_NAME;  // "zh_CN.gbk"

// ---- GBK <-> wide -------------------------------------------------------------------------------

// Decodes GBK text (up to its first NUL) into wStr, one unit per character. A byte below 0x80
// stays as it is; 0x80 is U+20AC; a well-formed pair without a code page 936 mapping gives one
// '?'; a lead byte without a valid trail, a lead byte at the end and 0xFF give '?' for that one
// byte and decoding goes on at the next byte. Returns the number of units.
size_t ANSIToUnicode(const tstring& Str, std::wstring& wStr);

// Encodes wide text (up to its first zero unit) into GBK. A unit without a GBK form (unmapped,
// above 0xFFFF, a surrogate) gives '?' and encoding goes on. Returns the number of bytes.
size_t UnicodeToANSI(const std::wstring& wStr, tstring& Str);

// GBK (NUL-terminated; null is empty) to UTF-8. Returns the UTF-8 byte length.
int ANSIToUTF8(const char* Str, tstring& sUTF8Str);

// UTF-8 (NUL-terminated; null is empty) to GBK, skipping a leading byte-order mark; malformed
// UTF-8 is skipped and characters without a GBK form become '?'. Always true.
bool UTF8ToANSI(const char* sUTF8StrO, tstring& sAnsiStr);

// ---- wide <-> UTF-8 -----------------------------------------------------------------------------

// Encodes insize 32-bit units as UTF-8 into a new zero-filled malloc buffer of 3 * insize + 1
// bytes, handed out through out (null when the allocation fails). Units below 0 or from 0x10000
// up are dropped. Returns the number of bytes written (the terminator not counted).
int unicode_to_utf8(const wchar_t* in, int insize, char** out);

// Decodes NUL-terminated UTF-8 into the caller's zero-filled buffer, which must hold one unit per
// input byte plus one, and ends it with a zero unit. Two- and three-byte forms are taken only
// when their followers are continuation bytes and the form is not overlong; anything else
// (four-byte forms included) is skipped byte by byte. Returns 4 * the number of units written.
int utf8_to_unicode(const char* in, wchar_t* out);

// Encodes one code point in the up-to-six-byte form (values below 0x80000000). Returns the bytes
// written, 0 when pOutput is null, outSize is below 6, or the value is 0x80000000 or more.
int unicode_to_utf8_one(unsigned long unic, unsigned char* pOutput, int outSize);

// ---- 16-bit units ------------------------------------------------------------------------------

// Converts num little-endian 16-bit units to GBK through CodeTable, then writes two zero bytes.
// A unit without a GBK form becomes the ideographic space A1 A1; U+20AC becomes the byte 0x80.
// Gbkstring must hold 2 * num + 2 bytes.
void utoGbk(const char* unicode, char* Gbkstring, int num);
// utoGbk returning the number of GBK bytes written before the two zero bytes (a U+0000 unit is
// one of those bytes, written as a zero); 0 when Gbkstring is null.
size_t utoGbkBytes(const char* unicode, char* Gbkstring, int num);

// Decodes NUL-terminated UTF-8 into little-endian 16-bit units followed by one zero byte;
// unicode must hold 2 * strlen(utf8string) + 1 bytes. Malformed bytes are dropped one by one; a
// four-byte form is dropped whole. Returns the number of units.
int utf8tou(const char* utf8string, char* unicode);

// UTF-8 to GBK through utf8tou and utoGbk. Gbkstring must hold strlen(utf8string) + 2 bytes.
void utf8toGbk(const char* utf8string, char* Gbkstring);

// Decodes the first character of pcWord (iWordLen bytes) into shUnicode and returns its length
// in bytes (1 for empty input). shUnicode is 0xFEFF when the character is not a complete one-,
// two- or three-byte form.
int UTF8Char_ToUnicode(const char* pcWord, int iWordLen, wchar_t& shUnicode);

// ---- string forms ------------------------------------------------------------------------------

// UTF-8 to wide, skipping a leading byte-order mark (null gives "").
std::wstring UtfStr2Unicode(const char* pText);
// UTF-8 to wide without the byte-order-mark test.
std::wstring utf8_to_unicode(const tstring& sUTF8);
// Wide to UTF-8 (units from 0x10000 up dropped).
tstring unicode_to_utf8(const std::wstring& sWStr);

// ---- services ----------------------------------------------------------------------------------

// Finds a usable name for a file or directory. When sFilename exists as given, sAnsi = sFilename
// and the result is false. Otherwise sAnsi = its GBK conversion (from UTF-8), taken when it
// exists or when bUTF8 is set (result true); else sAnsi = sFilename again and the result is false.
bool GetAnsiFilename(const char* sFilename, tstring& sAnsi, bool bUTF8);

// Sets g_sDefaultDir, the directory holding the engine's data directory: the usable form of sPath
// (see GetAnsiFilename, bUTF8 false), or the current working directory when sPath is null or
// empty ("." when it cannot be read). Returns g_sDefaultDir's text, valid until the next call.
// Not thread-safe: engine start-up calls it under its lock.
const char* GetDefaultPath(const char* sPath);

// The last error message for an API caller: LastErrorForCaller(g_nEncodeType == 1). The copy is
// registered with g_pBufManager when it exists (valid until the manager releases it); otherwise it
// is kept per thread and stays valid until this thread's next call. Callers never free it.
// Thread-safe.
const char* GetLastErrorMsg();
// A copy of the last error with its own text converted from GBK to UTF-8 when bUtf8, else as
// stored; the texts a caller gave (paths) stay as they were given either way. Thread-safe.
tstring LastErrorForCaller(bool bUtf8);
