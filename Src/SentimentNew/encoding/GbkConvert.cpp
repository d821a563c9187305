// Lookups and buffer/file converters over GBKHanzis.
#include "SentimentNew/encoding/GbkTables.h"

#include <cstdio>
#include <cstring>

int cd2sub(unsigned int code)
{
    // The lead byte is taken unmasked, so a value above 0xFFFF never matches a row.
    const unsigned int lead = code >> 8;
    const unsigned int trail = code & 0xFF;
    if (lead < 0x81 || lead > 0xFE) return -1;

    // Rows A1-A7 use only the GB2312 trail range A1-FE.
    if (lead >= 0xA1 && lead <= 0xA7) {
        if (trail < 0xA1 || trail > 0xFE) return -1;
        return 6080 + int(lead - 0xA1) * 94 + int(trail - 0xA1);
    }

    // The other rows take 40-7E and 80-FE (190 trails), or 40-7E and 80-A0 (96 trails).
    int base;
    unsigned int lastTrail;
    if (lead <= 0xA0) {
        base = int(lead - 0x81) * 190;
        lastTrail = 0xFE;
    } else if (lead <= 0xA9) {
        base = 6738 + int(lead - 0xA8) * 190;
        lastTrail = 0xFE;
    } else if (lead <= 0xAF) {
        base = 7118 + int(lead - 0xAA) * 96;
        lastTrail = 0xA0;
    } else if (lead <= 0xF7) {
        base = 7694 + int(lead - 0xB0) * 190;
        lastTrail = 0xFE;
    } else {
        base = 21374 + int(lead - 0xF8) * 96;
        lastTrail = 0xA0;
    }
    if (trail >= 0x40 && trail <= 0x7E) return base + int(trail - 0x40);
    if (trail >= 0x80 && trail <= lastTrail) return base + int(trail - 0x41);
    return -1;
}

namespace {

// Writes the UTF-8 bytes packed in a GBKHanzis value; returns their count (2 or 3).
int UnpackUtf8(uint32_t packed, char* output)
{
    output[0] = char((packed >> 16) & 0xFF);
    output[1] = char((packed >> 8) & 0xFF);
    output[2] = char(packed & 0xFF);
    const int len = output[2] ? 3 : 2;
    output[len] = '\0';
    return len;
}

}  // namespace

int char_gbk2utf8(unsigned int code, char* output)
{
    if (code < 0x8000) return -2;
    const int i = cd2sub(code);
    if (i < 0 || GBKHanzis[i].utf8 == 0) return -1;
    UnpackUtf8(GBKHanzis[i].utf8, output);
    return 0;
}

int char_gbk2big5(unsigned int code, char* output)
{
    if (code < 0x8000) return -2;
    const int i = cd2sub(code);
    if (i < 0 || GBKHanzis[i].big5 == 0) return -1;
    output[0] = char(GBKHanzis[i].big5 >> 8);
    output[1] = char(GBKHanzis[i].big5 & 0xFF);
    output[2] = '\0';
    return 0;
}

namespace {

// Shared walk of the two buffer converters. `convert` turns a double-byte code into its form
// (NUL-terminated) and returns 0 on success. capacity < 0 means unbounded.
template <typename Convert>
int ConvertBuffer(const char* buffer, int capacity, char* output, Convert convert)
{
    if (!buffer) return -1;
    int length = 0;
    if (output) output[0] = '\0';
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer);
    while (*p) {
        char form[4];
        int formLen;
        if (*p < 0x80) {
            form[0] = char(*p);
            form[1] = '\0';
            formLen = 1;
            p += 1;
        } else {
            // A lead byte before the terminator forms code lead*256, which no row accepts.
            const unsigned int code = (unsigned(p[0]) << 8) | p[1];
            if (convert(code, form) != 0) return -1;
            formLen = int(std::strlen(form));
            p += 2;
        }
        if (output) {
            if (capacity >= 0 && length + formLen >= capacity) return -1;
            std::memcpy(output + length, form, size_t(formLen) + 1);
        }
        length += formLen;
    }
    return length;
}

}  // namespace

int buffer_gbk2utf8(const char* buffer, int output_len, char* output)
{
    return ConvertBuffer(buffer, output_len < 0 ? 0 : output_len, output, char_gbk2utf8);
}

int buffer_gbk2big5(const char* buffer, char* output)
{
    return ConvertBuffer(buffer, -1, output, char_gbk2big5);
}

namespace {

// Shared file walk: ASCII bytes are copied, every other byte pairs with the next one (end of
// file counts as 0xFF) and `emit` writes that character's form, or its replacement.
template <typename Emit>
int ConvertFile(const char* infile, const char* outfile, Emit emit)
{
    if (!infile || !outfile) return -1;
    FILE* in = std::fopen(infile, "rb");
    if (!in) return -1;
    FILE* out = std::fopen(outfile, "wb");
    if (!out) {
        std::fclose(in);
        return -1;
    }
    int c;
    while ((c = std::fgetc(in)) != EOF) {
        if (c < 0x80) {
            std::fputc(c, out);
            continue;
        }
        int trail = std::fgetc(in);
        if (trail == EOF) trail = 0xFF;
        emit((unsigned(c) << 8) | unsigned(trail), out);
    }
    const bool readOk = !std::ferror(in);
    std::fclose(in);
    const bool writeOk = !std::ferror(out);
    return (std::fclose(out) == 0 && readOk && writeOk) ? 0 : -1;
}

}  // namespace

int file_gbk2utf8(const char* infile, const char* outfile)
{
    return ConvertFile(infile, outfile, [](unsigned int code, FILE* out) {
        char form[4];
        if (char_gbk2utf8(code, form) == 0) std::fputs(form, out);
    });
}

int file_gbk2big5(const char* infile, const char* outfile, const char* notfound)
{
    return ConvertFile(infile, outfile, [notfound](unsigned int code, FILE* out) {
        char form[3];
        if (char_gbk2big5(code, form) == 0)
            std::fwrite(form, 1, 2, out);
        else if (notfound)
            std::fputs(notfound, out);
    });
}
