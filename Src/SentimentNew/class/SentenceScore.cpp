#include <locale>
#include <sstream>

#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A numeric tag starts with a digit, or with "-" and a digit ("+2", ".5" and "-.5" are not).
bool IsNumericTag(const tstring& tag) {
    if (tag.empty()) return false;
    if (IsDigit(tag[0])) return true;
    return tag[0] == '-' && tag.size() > 1 && IsDigit(tag[1]);
}

// A weight as a classic-locale stream writes a double with default flags: at most six significant
// digits, "%g"-style ("2", "-1.5", "0.333333", "-0").
tstring WeightText(double weight) {
    std::ostringstream os;
    os.imbue(std::locale::classic());
    os << weight;
    return os.str();
}

}  // namespace

ProcSentResult Sentiment::ProcessSentence(const tstring& sentence, bool bContainAllSentence) const {
    if (sentence.empty()) return ProcSentResult();
    return ScoreTaggedSentence(TagSentence(sentence), bContainAllSentence);
}

ProcSentResult Sentiment::ScoreTaggedSentence(const tstring& sTagged, bool bContainAllSentence) const {
    ProcSentResult result;
    double dPosPoint = 0.0, dNegPoint = 0.0;
    bool bContainThisSentence = false;
    bool bNegative = false;
    const SentiEncoding enc = SentiWorkingEncoding(m_encode);

    std::vector<tstring> tokens = Split(sTagged, " ", false);
    for (tstring& token : tokens) {
        // A negation reaches no further than its clause. Clause punctuation is known by its text:
        // the sentence-end marks and line breaks come without a tag.
        if (bNegative && IsClauseMark(token, enc)) bNegative = false;
        const std::vector<tstring> parts = Split(token, "/", false);
        if (parts.size() != 2) continue;  // not "word/tag": kept as it is
        const tstring& word = parts[0];
        const tstring& tag = parts[1];
        if (IsNumericTag(tag)) {
            double weight = ConvertFromString<double>(tag);
            if (bNegative) {
                weight = -weight;
                bNegative = false;
            }
            const tstring value = WeightText(weight);
            if (weight > 0.0) {
                dPosPoint += weight;
                token = "<pos value=\"" + value + "\">" + word + "</pos>";
            } else {
                dNegPoint += weight;
                token = "<neg value=\"" + value + "\">" + word + "</neg>";
            }
        } else if (tag == m_negationName) {
            bNegative = true;  // pending until the next weight or the end of the clause
            token = "<neg_word>" + word + "</neg_word>";
        } else if (tag == m_removeSentenceName) {
            bContainThisSentence = false;  // the token stays "word/RemSent"
        } else if (tag == m_objectName) {
            bContainThisSentence = true;
            result.objects.insert(word);
            token = "<object>" + word + "</object>";
        } else {
            token = word;
        }
    }

    if (bContainAllSentence || bContainThisSentence) {
        size_t total = 0;
        for (const tstring& token : tokens) total += token.size();
        result.str.reserve(total);
        for (const tstring& token : tokens) result.str += token;
    }
    result.posPoint = dPosPoint;
    result.negPoint = dNegPoint;
    return result;
}
