// jieba's word list (a Debian package) converted to GBK, as a large real-world word set for the
// trie tests and benchmarks. Header-only so that the benchmarks can use it too.
#pragma once

#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kxtest {

inline const char* JiebaDictPath() { return "/usr/lib/python3/dist-packages/jieba/dict.txt"; }

// The first field of every line ("word freq tag", UTF-8) converted to GBK with glibc iconv; words
// that have no GBK form are skipped. Empty when the list is not installed.
inline std::vector<std::string> LoadJiebaWordsGBK() {
    std::vector<std::string> words;
    FILE* fp = fopen(JiebaDictPath(), "rb");
    if (!fp) return words;
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == (iconv_t)-1) {
        fclose(fp);
        return words;
    }
    char line[4096];
    while (fgets(line, sizeof line, fp)) {
        std::string w(line);
        size_t sp = w.find_first_of(" \t\r\n");
        if (sp != std::string::npos) w.resize(sp);
        if (w.empty()) continue;
        char out[1024];
        char* in = &w[0];
        size_t inLeft = w.size();
        char* o = out;
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &inLeft, &o, &outLeft) == (size_t)-1) continue;
        words.emplace_back(out, size_t(o - out));
    }
    iconv_close(cd);
    fclose(fp);
    return words;
}

}  // namespace kxtest
