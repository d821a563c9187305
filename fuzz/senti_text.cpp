// Fuzz target for the sentiment side's text functions: cutting into sentences, scoring a tagged
// text, and Split.
// Input: byte 0 selects the encoding code (low 2 bits: GBK, UTF-8, BIG5, GBK under code 3) and
// whether the whole marked-up text is kept (bit 2); the rest is the text.
// Checks, besides memory safety: sentences are non-empty, hold no ASCII separator and together
// are never longer than the content; points keep their signs; Split with empty pieces kept
// joins back to its input.
#include <cstdint>
#include <string>
#include <vector>

#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/Sentiment.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const int kCodes[] = {0, 1, 2, 3};
    const Sentiment senti("", kCodes[data[0] & 3]);
    const bool bAll = (data[0] & 4) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    size_t total = 0;
    for (const std::string& s : senti.CutContentToSentences(text)) {
        Check(!s.empty());
        Check(s.find_first_of(".!?;") == std::string::npos);
        total += s.size();
    }
    Check(total <= text.size());

    const ProcSentResult r = senti.ScoreTaggedSentence(text, bAll);
    Check(r.posPoint >= 0.0);
    Check(r.negPoint <= 0.0);
    for (const std::string& o : r.objects) Check(!o.empty() && o.find_first_of(" /") == std::string::npos);
    Check(bAll || r.str.empty() || !r.objects.empty());

    const std::vector<std::string> pieces = Split(text, "/", true);
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? "/" : "") + pieces[i];
    Check(joined == text);
    return 0;
}
