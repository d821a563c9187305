// Helpers shared by the benchmark programs: finding a corpus file and reading the held-out day 27
// of the corpus, either from the tagged corpus itself or as the plain text tools/corpus_text.py
// prints. Header-only; each benchmark is one translation unit. KX_SOURCE_DIR comes from
// bench/CMakeLists.txt.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kxbench {

// The day of the corpus kept out of every data builder; benchmarks measure on it.
const int kHeldOutDay = 27;

// Full path of the readable file shared/corpus/<name>, looked for beside the source tree, one
// level higher, then under /work. Returns "" when none is found.
inline std::string CorpusFile(const char* name) {
    const std::string rel = std::string("/shared/corpus/") + name;
    for (std::string base : {std::string(KX_SOURCE_DIR) + "/..", std::string(KX_SOURCE_DIR) + "/../..",
                             std::string("/work")}) {
        std::string p = base + rel;
        if (FILE* f = std::fopen(p.c_str(), "rb")) {
            std::fclose(f);
            return p;
        }
    }
    return "";
}

// The paragraphs of the held-out day as plain GBK text (tags, brackets and the id token removed),
// read from the tagged corpus through xz. Empty when the corpus or xz is missing.
inline std::vector<std::string> HeldOutParagraphs() {
    std::vector<std::string> out;
    std::string path = CorpusFile("pfr-199801-train.gbk.txt.xz");
    if (path.empty()) return out;
    FILE* p = popen(("xz -dc '" + path + "'").c_str(), "r");
    if (!p) return out;
    std::string line;
    char buf[1 << 16];
    auto flush = [&] {
        size_t sp = line.find("  ");
        if (line.size() >= 8 && sp != std::string::npos && std::atoi(line.substr(6, 2).c_str()) == kHeldOutDay) {
            std::string text;
            size_t at = sp;
            while (at < line.size()) {
                while (at < line.size() && line[at] == ' ') ++at;
                size_t end = line.find("  ", at);
                std::string tok = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
                at = end == std::string::npos ? line.size() : end;
                if (!tok.empty() && tok[0] == '[') tok.erase(0, 1);
                size_t close = tok.rfind(']');
                if (close != std::string::npos && close > 0 && tok.find('/') < close) tok.erase(close);
                size_t slash = tok.rfind('/');
                if (slash == std::string::npos || slash == 0) continue;
                text += tok.substr(0, slash);
            }
            if (!text.empty()) out.push_back(text);
        }
        line.clear();
    };
    while (std::fgets(buf, sizeof buf, p)) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            flush();
        }
    }
    if (!line.empty()) flush();
    pclose(p);
    return out;
}

// Appends to *pLines the non-empty lines (GBK, one paragraph each, newline removed) that
// tools/corpus_text.py prints for the held-out day; an unterminated last line is dropped. When
// pBytes is given, adds the bytes of the appended lines to it. Returns false when the tool cannot
// be run, fails, or prints nothing.
inline bool HeldOutTextLines(std::vector<std::string>* pLines, size_t* pBytes = nullptr) {
    FILE* p = popen(("/usr/bin/python3 " KX_SOURCE_DIR "/tools/corpus_text.py " + std::to_string(kHeldOutDay)).c_str(),
                    "r");
    if (!p) return false;
    char buf[1 << 16];
    std::string line;
    bool any = false;
    while (std::fgets(buf, sizeof buf, p)) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty()) {
                pLines->push_back(line);
                if (pBytes) *pBytes += line.size();
                any = true;
            }
            line.clear();
        }
    }
    return pclose(p) == 0 && any;
}

// True when ok; otherwise marks the run as skipped with the reason why and returns false, so a
// benchmark without its data reports that instead of a figure.
inline bool SkipUnless(benchmark::State& st, bool ok, const char* why) {
    if (ok) return true;
    st.SkipWithError(why);
    return false;
}

}  // namespace kxbench
