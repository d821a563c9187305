// Scores the sentences of a held-out news day through the library, as a user who asks for
// sentiment in news meets them: each sentence (the day's paragraphs cut at 。！？, the pieces of
// at least 6 characters; sentilex::NewsSentences) is one text for ST_GetSentimentPoint in UTF-8,
// on the data directory given (the shipped lexicon in it). Most news sentences are plain reports
// and should score exactly 0.
//
//   sentinews [--day N] [--ceiling SHARE] [--labels FILE] [--neutral-floor N] [--polar-floor N]
//             [--misses] <folder holding Data> <PFR.xz>
//
// Prints the number of sentences and the share of them whose point is not 0. --labels reads a
// suite of sentences of that day labelled by a reader, one a line: the kind (zero: neutral, pos,
// neg), the sentence's number in the day (from 0), its paragraph's id and its length in
// characters, separated by TABs; blank lines and lines starting with # skipped. It prints how many
// neutral ones score exactly 0 and how many polar ones land on their side (a point above 0 for
// pos, below 0 for neg), and with --misses every labelled sentence that does not. Exits 1 when the
// share is above SHARE (default 1), fewer neutral sentences than --neutral-floor score 0 or fewer
// polar ones than --polar-floor land on their side; 2 on a wrong command line, an unreadable
// corpus or labels that do not match the day's sentences (the id or the length differs).
#include <kovex_sentiment.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "senti/SentiLex.h"

namespace {

struct Label {
    std::string kind;
    size_t index = 0;
};

// Characters of a UTF-8 text.
size_t Characters(const std::string& utf8) {
    size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Reads the labels and checks each against the day's sentences; false with `error` set.
bool ReadLabels(const std::string& path, const std::vector<sentilex::NewsSentence>& sentences,
                std::vector<Label>& labels, std::string& error) {
    return sentilex::ReadListLines(path, error, [&](const std::string& line, int n) {
        std::vector<std::string> f;
        for (size_t p = 0;;) {
            const size_t t = line.find('\t', p);
            f.push_back(line.substr(p, t == std::string::npos ? std::string::npos : t - p));
            if (t == std::string::npos) break;
            p = t + 1;
        }
        const std::string where = path + ":" + std::to_string(n) + ": ";
        if (f.size() != 4 || (f[0] != "zero" && f[0] != "pos" && f[0] != "neg") || f[1].empty() ||
            f[1].find_first_not_of("0123456789") != std::string::npos) {
            error = where + "not kind, number, paragraph and length";
            return false;
        }
        const size_t index = std::strtoul(f[1].c_str(), nullptr, 10);
        if (index >= sentences.size() || sentences[index].paragraph != f[2] ||
            std::to_string(Characters(sentences[index].text)) != f[3]) {
            error = where + "sentence " + f[1] + " of the day is not " + f[2] + " of " + f[3] + " characters";
            return false;
        }
        labels.push_back({f[0], index});
        return true;
    });
}

}  // namespace

int main(int argc, char** argv) {
    int day = 27;
    double ceiling = 1.0;
    long neutralFloor = -1, polarFloor = -1;
    bool misses = false;
    std::string labelsPath;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--day") && value)
            day = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--ceiling") && value)
            ceiling = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--labels") && value)
            labelsPath = argv[++i];
        else if (!std::strcmp(argv[i], "--neutral-floor") && value)
            neutralFloor = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--polar-floor") && value)
            polarFloor = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--misses"))
            misses = true;
        else
            args.push_back(argv[i]);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: sentinews [--day N] [--ceiling SHARE] [--labels FILE] [--neutral-floor N] "
                             "[--polar-floor N] [--misses] <folder holding Data> <PFR.xz>\n");
        return 2;
    }
    std::vector<sentilex::NewsSentence> sentences;
    std::vector<Label> labels;
    std::string error;
    if (!sentilex::NewsSentences(args[1], day, 6, sentences, error) ||
        (!labelsPath.empty() && !ReadLabels(labelsPath, sentences, labels, error))) {
        std::fprintf(stderr, "sentinews: %s\n", error.c_str());
        return 2;
    }
    if (ST_Init(args[0], 1, nullptr) != 1) {
        std::fprintf(stderr, "sentinews: ST_Init failed on %s: %s\n", args[0], ST_GetLastErrorMsg());
        return 2;
    }
    std::vector<double> points;
    long scored = 0;
    for (const sentilex::NewsSentence& s : sentences) {
        points.push_back(ST_GetSentimentPoint(s.text.c_str()));
        scored += points.back() != 0.0;
    }
    ST_Exit();
    const double share = double(scored) / sentences.size();
    std::printf("day %d: %ld of %zu sentences (%.1f %%) score other than 0\n", day, scored, sentences.size(), 100.0 * share);
    int failed = 0;
    if (share > ceiling) {
        std::printf("FAIL: share %.4f above the ceiling %.4f\n", share, ceiling);
        failed = 1;
    }
    if (labels.empty()) return failed;
    long neutral = 0, neutralRight = 0, polar = 0, polarRight = 0;
    for (const Label& l : labels) {
        const double p = points[l.index];
        const bool right = l.kind == "zero" ? p == 0.0 : l.kind == "pos" ? p > 0.0 : p < 0.0;
        (l.kind == "zero" ? neutral : polar) += 1;
        (l.kind == "zero" ? neutralRight : polarRight) += right;
        if (!right && misses)
            std::printf("miss  %-4s %+.3f  %s\n", l.kind.c_str(), p, sentences[l.index].text.c_str());
    }
    std::printf("labelled: %ld of %ld neutral sentences score 0, %ld of %ld polar ones land on their side\n",
                neutralRight, neutral, polarRight, polar);
    if (neutralRight < neutralFloor) {
        std::printf("FAIL: %ld neutral sentences at 0, below the floor %ld\n", neutralRight, neutralFloor);
        failed = 1;
    }
    if (polarRight < polarFloor) {
        std::printf("FAIL: %ld polar sentences on their side, below the floor %ld\n", polarRight, polarFloor);
        failed = 1;
    }
    return failed;
}
