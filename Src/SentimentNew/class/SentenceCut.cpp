#include <cstring>

#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

namespace {

inline unsigned char UC(char c) { return static_cast<unsigned char>(c); }

// Quotation marks, deleted from the content (GBK).
const char* const kQuoteMarks[] = {
    "\xA1\xB0",  // “
    "\xA1\xB1",  // ”
    "\xA1\xAE",  // ‘
    "\xA1\xAF",  // ’
};

// Sentence-ending punctuation (GBK); the first is the delimiter the others turn into.
const char* const kSeparators[] = {
    ".", "!", "?", ";",
    "\xA1\xA3",  // 。
    "\xA3\xA1",  // ！
    "\xA3\xBF",  // ？
    "\xA3\xBB",  // ；
    "\xA1\xAD",  // …
};

// The literals in one working encoding, and the bytes any of them starts with.
struct Literals {
    std::vector<tstring> quotes;
    std::vector<tstring> separators;
    bool first[256] = {};
};

Literals MakeLiterals(SentiEncoding enc) {
    Literals lit;
    for (const char* q : kQuoteMarks) AddWorkingLiteral(lit.quotes, q, enc);
    for (const char* s : kSeparators) AddWorkingLiteral(lit.separators, s, enc);
    for (const tstring& q : lit.quotes) lit.first[UC(q[0])] = true;
    for (const tstring& s : lit.separators) lit.first[UC(s[0])] = true;
    return lit;
}

const Literals& LiteralsFor(SentiEncoding enc) {
    static const Literals gbk = MakeLiterals(SentiEncoding::GBK);
    static const Literals utf8 = MakeLiterals(SentiEncoding::UTF8);
    static const Literals big5 = MakeLiterals(SentiEncoding::BIG5);
    switch (enc) {
        case SentiEncoding::UTF8: return utf8;
        case SentiEncoding::BIG5: return big5;
        default: return gbk;
    }
}

bool IsOneOf(const std::vector<tstring>& list, const char* p, size_t len) {
    for (const tstring& lit : list) {
        if (lit.size() == len && memcmp(lit.data(), p, len) == 0) return true;
    }
    return false;
}

}  // namespace

std::vector<tstring> Sentiment::CutContentToSentences(const tstring& sContent) const {
    std::vector<tstring> sentences;
    ForEachContentSentence(sContent, [&sentences](const tstring& sentence) { sentences.push_back(sentence); });
    return sentences;
}

void Sentiment::ForEachContentSentence(const tstring& sContent, const std::function<void(const tstring&)>& fn) const {
    if (sContent.empty()) return;
    const SentiEncoding enc = SentiWorkingEncoding(m_encode);
    const Literals& lit = LiteralsFor(enc);
    // The delimiter is "." in every working encoding, one byte: a sentence ends at each such byte
    // the walk writes, as a split of the whole rewritten content at the delimiter would cut it.
    const char chDelimiter = lit.separators.front()[0];
    tstring sentence;
    const auto write = [&](const char* p, size_t len) {
        for (size_t k = 0; k < len; ++k) {
            if (p[k] != chDelimiter) {
                sentence += p[k];
            } else if (!sentence.empty()) {
                fn(sentence);
                sentence.clear();
            }
        }
    };
    for (size_t i = 0; i < sContent.size();) {
        const size_t len = SentiCharLength(enc, sContent, i);
        const char* p = sContent.data() + i;
        if (!lit.first[UC(*p)]) {
            write(p, len);
        } else if (IsOneOf(lit.quotes, p, len)) {
            // dropped
        } else if (IsOneOf(lit.separators, p, len)) {
            write(&chDelimiter, 1);
        } else {
            write(p, len);
        }
        i += len;
    }
    if (!sentence.empty()) fn(sentence);
}
