#include <locale>
#include <sstream>

#include "SentimentNew/class/SentiEngine.h"
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

std::vector<SentiUnit> ParseTaggedText(const tstring& sTagged) {
    std::vector<SentiUnit> units;
    for (tstring& token : Split(sTagged, " ", false)) {
        SentiUnit unit;
        std::vector<tstring> parts = Split(token, "/", false);
        if (parts.size() == 2) {
            unit.word.swap(parts[0]);
            unit.tag.swap(parts[1]);
            unit.bTagged = true;
        } else {
            unit.word.swap(token);  // not "word/tag": kept as it is
        }
        units.push_back(std::move(unit));
    }
    return units;
}

ProcSentResult Sentiment::ProcessSentence(const tstring& sentence, bool bContainAllSentence) const {
    if (sentence.empty()) return ProcSentResult();
    return ScoreUnits(TagUnits(sentence), bContainAllSentence);
}

ProcSentResult Sentiment::ScoreTaggedSentence(const tstring& sTagged, bool bContainAllSentence) const {
    return ScoreUnits(ParseTaggedText(sTagged), bContainAllSentence);
}

ProcSentResult Sentiment::ScoreUnits(const std::vector<SentiUnit>& units, bool bContainAllSentence) const {
    ProcSentResult result;
    double dPosPoint = 0.0, dNegPoint = 0.0;
    bool bContainThisSentence = false;
    bool bNegative = false;
    const SentiEncoding enc = SentiWorkingEncoding(m_encode);

    std::vector<tstring> tokens;
    tokens.reserve(units.size());
    for (const SentiUnit& unit : units) {
        // A negation reaches no further than its clause. Clause punctuation is known by its text:
        // the sentence-end marks and line breaks come without a tag.
        if (bNegative && IsClauseMark(unit.word, enc)) bNegative = false;
        if (!unit.bTagged) {
            tokens.push_back(unit.word);
            continue;
        }
        const tstring& word = unit.word;
        const tstring& tag = unit.tag;
        if (IsNumericTag(tag)) {
            double weight = ConvertFromString<double>(tag);
            if (bNegative) {
                weight = -weight;
                bNegative = false;
            }
            const tstring value = WeightText(weight);
            if (weight > 0.0) {
                dPosPoint = SumPoints(dPosPoint, weight);
                tokens.push_back("<pos value=\"" + value + "\">" + word + "</pos>");
            } else {
                dNegPoint = SumPoints(dNegPoint, weight);
                tokens.push_back("<neg value=\"" + value + "\">" + word + "</neg>");
            }
        } else if (tag == m_negationName) {
            bNegative = true;  // pending until the next weight or the end of the clause
            tokens.push_back("<neg_word>" + word + "</neg_word>");
        } else if (tag == m_removeSentenceName) {
            bContainThisSentence = false;  // the unit stays "word/RemSent"
            tokens.push_back(word + "/" + tag);
        } else if (tag == m_objectName) {
            bContainThisSentence = true;
            result.objects.insert(word);
            tokens.push_back("<object>" + word + "</object>");
        } else {
            tokens.push_back(word);
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
