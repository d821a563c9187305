// Built-in GBK conversion tables and the small converters on top of them.
//
// GBKHanzis holds, for every double-byte GBK code, its UTF-8 form and the BIG5 code of its
// traditional form; CodeTable holds, for every 16-bit Unicode code point, its GBK code. Both are
// generated from glibc iconv, OpenCC and Python's cp950 codec by tools/gen_code_tables.py and
// compiled in; they are constant, so every function here is thread-safe.
//
// The UTF-8 column is not a plain code page 936 decoder: 102 punctuation and Greek codes have no
// UTF-8 form on purpose, and the 255 codes code page 936 leaves unmapped carry private-use
// characters U+E766..U+E864. Text conversion that must agree with code page 936 goes through
// CodeTable (CodeTrans/STLCodeTrans.h), never through this column.
#pragma once

#include <cstdint>

// One GBKHanzis record, 8 bytes.
struct GBKHanzi {
    uint16_t big5;   // BIG5 code of the traditional form, lead byte high; 0 when there is none
    uint16_t zero;   // always 0
    uint32_t utf8;   // UTF-8 bytes in bits 23..16, 15..8, 7..0 (7..0 zero for a two-byte form); 0 = none
};
static_assert(sizeof(GBKHanzi) == 8, "GBKHanzi records are 8 bytes");

constexpr int GBK_HANZI_COUNT = 22046;

extern const GBKHanzi GBKHanzis[GBK_HANZI_COUNT];

// GBK code (lead byte high, or the byte itself below 0x80; U+20AC gives 0x0080) of each BMP code
// point; 0 when GBK has no form for it.
extern const uint16_t CodeTable[65536];

// Index of a double-byte GBK code (lead * 256 + trail) in GBKHanzis, or -1 when the code lies
// outside the table's rows and trail ranges (codes above 0xFFFF included).
int cd2sub(unsigned int code);

// UTF-8 form of one double-byte code into output (at least 4 bytes), NUL-terminated. 0 on
// success; -2 for a code below 0x8000; -1 for an invalid code or one without a UTF-8 form.
int char_gbk2utf8(unsigned int code, char* output);

// BIG5 bytes of one double-byte code into output (at least 3 bytes), NUL-terminated. 0 on
// success; -2 for a code below 0x8000; -1 for an invalid code or one without a BIG5 code.
int char_gbk2big5(unsigned int code, char* output);

// Converts a NUL-terminated GBK text to UTF-8. With output given, output_len is its capacity,
// terminator included: a character that would not leave room for the NUL gives -1 unwritten.
// With output null, only the length is measured (no capacity applies). Returns the UTF-8 length,
// or -1 for a null buffer, an invalid or unmapped character, or a full output; on -1 the output
// holds the text converted before the failing character.
int buffer_gbk2utf8(const char* buffer, int output_len, char* output);

// The same towards BIG5, without a capacity: the output is never longer than the input, so the
// caller provides strlen(buffer) + 1 bytes (or null to measure).
int buffer_gbk2big5(const char* buffer, char* output);

// Converts a GBK file to UTF-8, dropping characters without a UTF-8 form. 0, or -1 when a file
// cannot be opened or the output cannot be written.
int file_gbk2utf8(const char* infile, const char* outfile);

// Converts a GBK file to BIG5, writing `notfound` (may be null: nothing) for a character without
// a BIG5 code. 0, or -1 when a file cannot be opened or the output cannot be written.
int file_gbk2big5(const char* infile, const char* outfile, const char* notfound);
