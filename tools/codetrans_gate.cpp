// Measures how well an encoding-detection model ("CodeTrans.model") tells GBK, BIG5 and UTF-8
// apart on random texts of 1 to 8 dictionary words mixed with ASCII, and exits non-zero when a
// share falls below the gate or a byte-order mark is missed.
//
// Usage: codetrans_gate MODEL WORDLIST [SAMPLES] [MIN_PERCENT]
//   WORDLIST: UTF-8 lines whose first blank-separated field is a word (jieba's dict.txt format).
//   Texts without a byte >= 0x80 read the same in both encodings and are not counted.
//   BIG5 forms (the traditional text through GBKHanzis) are measured too; GBK (2) and BIG5 (3)
//   both count as right for them, since the engine treats them alike.
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

bool HasHighByte(const std::string& s)
{
    for (unsigned char c : s)
        if (c >= 0x80) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MODEL WORDLIST [SAMPLES] [MIN_PERCENT]\n", argv[0]);
        return 2;
    }
    const int samples = argc > 3 ? std::atoi(argv[3]) : 20000;
    const double gate = argc > 4 ? std::atof(argv[4]) : 99.5;
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
    int counted = 0, gbkRight = 0, utf8Right = 0, big5Counted = 0, big5Right = 0;
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
        ++counted;
        const int g = Detect(gbk), u = Detect(utf8);
        gbkRight += g == CODETRANS_GBK;
        utf8Right += u == CODETRANS_UTF8;
        if ((g != CODETRANS_GBK || u != CODETRANS_UTF8) && shown++ < 10)
            std::printf("miss: %s (GBK -> %d, UTF-8 -> %d)\n", utf8.c_str(), g, u);

        std::vector<char> big5(gbk.size() + 1);
        if (buffer_gbk2big5(gbk.c_str(), big5.data()) >= 0) {
            ++big5Counted;
            const int b = Detect(big5.data());
            big5Right += b == CODETRANS_GBK || b == CODETRANS_BIG5;
        }
    }
    // Byte-order marks decide at once: UTF-8, and 16-bit little-endian units.
    const bool bomOk = Detect("\xEF\xBB\xBF" "\xB0\xA1\xB0\xA1\xB0\xA1") == CODETRANS_UTF8 &&
                       Detect(std::string("\xFF\xFE\x4A\x55\x2D\x4E", 6)) == CODETRANS_UNICODE;

    const double gbkShare = 100.0 * gbkRight / counted, utf8Share = 100.0 * utf8Right / counted;
    const double big5Share = big5Counted ? 100.0 * big5Right / big5Counted : 0.0;
    std::printf("%d words, %d texts (seed %u): GBK %.2f%%, UTF-8 %.2f%%, BIG5 as GBK-or-BIG5 %.2f%% of %d, "
                "marks %s\n",
                int(words.size()), counted, seed, gbkShare, utf8Share,
                big5Share, big5Counted, bomOk ? "ok" : "MISSED");
    CodeTrans_Destroy();
    return (gbkShare >= gate && utf8Share >= gate && big5Share >= gate && bomOk) ? 0 : 1;
}
