// Measures how well an encoding-detection model ("CodeTrans.model") tells the encodings apart on
// random texts of 1 to 8 dictionary words mixed with ASCII, each written in GBK, in BIG5, in UTF-8
// and in 16-bit little-endian units, and exits non-zero when a share falls below its gate or a
// byte-order mark is missed.
//
// Usage: codetrans_gate MODEL WORDLIST SAMPLES MIN_GBK MIN_BIG5 MIN_UTF8 MIN_UTF16
//   WORDLIST: UTF-8 lines whose first blank-separated field is a word (jieba's dict.txt format).
//   MIN_*: the least share (percent) of texts of that encoding detected right.
// The engine converts GBK and BIG5 text alike (both pass unchanged), so a GBK or BIG5 text is
// right when it is detected as either; what matters is the split between UTF-8, GBK-or-BIG5,
// undetected and 16-bit. Texts without a byte >= 0x80 read the same in every byte encoding and
// are not counted. The BIG5 form is the traditional text through the GBK tables' BIG5 column.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"

namespace {

int Detect(const std::string& s) { return CodeTrans_CodeDetect(s.data(), int(s.size())); }

bool HasHighByte(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

std::string Utf16(const std::string& utf8) {
    std::string out;
    for (wchar_t c : utf8_to_unicode(utf8)) {
        out += char(c & 0xFF);
        out += char((c >> 8) & 0xFF);
    }
    return out;
}

// Detections of one encoding's texts, by the class of the result.
struct Tally {
    const char* name;
    int expected;  // the right class
    double gate;
    int count[5] = {};  // UTF-8, GBK-or-BIG5, undetected, 16-bit, other
    int total = 0;

    static int ClassOf(int code) {
        switch (code) {
            case CODETRANS_UTF8: return 0;
            case CODETRANS_GBK:
            case CODETRANS_BIG5: return 1;
            case CODETRANS_DETECT: return 2;
            case CODETRANS_UNICODE: return 3;
            default: return 4;
        }
    }
    // Counts one detection; false when it is wrong.
    bool Add(int code) {
        ++total;
        ++count[ClassOf(code)];
        return ClassOf(code) == expected;
    }
    double Share(int k) const { return total ? 100.0 * count[k] / total : 0.0; }
    bool Passes() const { return total > 0 && Share(expected) >= gate; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s MODEL WORDLIST SAMPLES MIN_GBK MIN_BIG5 MIN_UTF8 MIN_UTF16\n", argv[0]);
        return 2;
    }
    const int samples = std::atoi(argv[3]);
    Tally tallies[4] = {{"GBK", 1, std::atof(argv[4])},
                        {"BIG5", 1, std::atof(argv[5])},
                        {"UTF-8", 0, std::atof(argv[6])},
                        {"16-bit", 3, std::atof(argv[7])}};
    const int rc = CodeTrans_Initialize(argv[1]);
    if (rc != 0) {
        std::fprintf(stderr, "cannot load model %s (%d)\n", argv[1], rc);
        return 2;
    }

    // Words that GBK can hold (their GBK form converts back to the same UTF-8).
    std::vector<std::string> words;
    std::ifstream in(argv[2]);
    std::string line;
    while (std::getline(in, line)) {
        const std::string word = line.substr(0, line.find(' '));
        std::string gbk, back;
        UTF8ToANSI(word.c_str(), gbk);
        ANSIToUTF8(gbk.c_str(), back);
        if (!word.empty() && back == word) words.push_back(word);
    }
    if (words.empty()) {
        std::fprintf(stderr, "no words in %s\n", argv[2]);
        return 2;
    }

    const unsigned seed = 20240611;
    std::mt19937 rng(seed);
    const char* ascii[] = {" ", ", ", ". ", "2024", " OK ", "(", ")", "abc", ": ", "\n", "-", "100%"};
    int shown = 0;
    for (int i = 0; i < samples; ++i) {
        std::string utf8;
        const int n = 1 + int(rng() % 8);
        for (int k = 0; k < n; ++k) {
            if (rng() % 4 == 0) utf8 += ascii[rng() % (sizeof ascii / sizeof *ascii)];
            utf8 += words[rng() % words.size()];
        }
        if (!HasHighByte(utf8)) continue;
        std::string gbk;
        UTF8ToANSI(utf8.c_str(), gbk);
        std::vector<char> big5(gbk.size() + 1);
        const bool hasBig5 = buffer_gbk2big5(gbk.c_str(), big5.data()) >= 0;
        const int g = Detect(gbk), u = Detect(utf8), w = Detect(Utf16(utf8));
        // Every tally counts its line, so each is added before the results are combined.
        const bool okGBK = tallies[0].Add(g), okUTF8 = tallies[2].Add(u), okUnicode = tallies[3].Add(w);
        bool ok = okGBK && okUTF8 && okUnicode;
        int b = -1;
        if (hasBig5) ok &= tallies[1].Add(b = Detect(big5.data()));
        if (!ok && shown++ < 10)
            std::printf("miss: %s (GBK -> %d, BIG5 -> %d, UTF-8 -> %d, 16-bit -> %d)\n", utf8.c_str(), g, b, u, w);
    }
    // Byte-order marks decide at once: UTF-8, and 16-bit little-endian units.
    const bool bomOk = Detect("\xEF\xBB\xBF" "\xB0\xA1\xB0\xA1\xB0\xA1") == CODETRANS_UTF8 &&
                       Detect(std::string("\xFF\xFE\x4A\x55\x2D\x4E", 6)) == CODETRANS_UNICODE;
    CodeTrans_Destroy();

    std::printf("%d words, %d samples (seed %u); detected as UTF-8 / GBK-or-BIG5 / undetected / 16-bit / other:\n",
                int(words.size()), samples, seed);
    bool pass = bomOk;
    for (const Tally& t : tallies) {
        std::printf("  %-6s %6d texts: %6.2f%% %6.2f%% %6.2f%% %6.2f%% %6.2f%%  right %.2f%% (gate %.2f%%) %s\n",
                    t.name, t.total, t.Share(0), t.Share(1), t.Share(2), t.Share(3), t.Share(4),
                    t.Share(t.expected), t.gate, t.Passes() ? "ok" : "BELOW");
        pass &= t.Passes();
    }
    std::printf("  byte-order marks %s\n", bomOk ? "ok" : "MISSED");
    return pass ? 0 : 1;
}
