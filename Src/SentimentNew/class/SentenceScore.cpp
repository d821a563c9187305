#include <cstring>
#include <locale>
#include <sstream>

#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

void TaggedTextReader::Feed(const char* p, size_t n) {
    const char* const pEnd = p + n;
    while (p < pEnd) {
        const char* pBlank = static_cast<const char*>(memchr(p, ' ', size_t(pEnd - p)));
        if (!pBlank) {
            m_sToken.append(p, size_t(pEnd - p));  // goes on in the next piece
            return;
        }
        m_sToken.append(p, size_t(pBlank - p));
        Unit();
        p = pBlank + 1;
    }
}

void TaggedTextReader::Unit() {
    if (m_sToken.empty()) return;
    std::vector<tstring> parts = Split(m_sToken, "/", false);
    m_unit.bTagged = parts.size() == 2;
    if (m_unit.bTagged) {
        m_unit.word.swap(parts[0]);
        m_unit.tag.swap(parts[1]);
    } else {
        m_unit.word.swap(m_sToken);  // not "word/tag": kept as it is
        m_unit.tag.clear();
    }
    m_sink(m_unit);
    m_sToken.clear();
}

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

// Scores the units of one sentence as they come. Only a unit's tag is read as a weight or a role.
class UnitScorer {
public:
    // With bKeepText the marked-up text goes to pText piece by piece when given, else into the
    // result's `str`.
    UnitScorer(const Sentiment& senti, bool bKeepText, const Sentiment::TextSink* pText = nullptr)
        : m_senti(senti), m_enc(SentiWorkingEncoding(senti.m_encode)), m_bKeepText(bKeepText), m_pText(pText) {}

    void Unit(const SentiUnit& unit) {
        const tstring& word = unit.word;
        // A negation reaches no further than its clause. Clause punctuation is known by its text:
        // the sentence-end marks and line breaks come without a tag.
        if (m_bNegative && IsClauseMark(word, m_enc)) m_bNegative = false;
        if (!unit.bTagged) {
            Keep(word);
            return;
        }
        const tstring& tag = unit.tag;
        if (IsNumericTag(tag)) {
            double weight = ConvertFromString<double>(tag);
            if (m_bNegative) {
                weight = -weight;
                m_bNegative = false;
            }
            if (weight > 0.0) {
                m_dPosPoint = SumPoints(m_dPosPoint, weight);
                if (m_bKeepText) Keep("<pos value=\"" + WeightText(weight) + "\">" + word + "</pos>");
            } else {
                m_dNegPoint = SumPoints(m_dNegPoint, weight);
                if (m_bKeepText) Keep("<neg value=\"" + WeightText(weight) + "\">" + word + "</neg>");
            }
        } else if (tag == m_senti.m_negationName) {
            m_bNegative = true;  // pending until the next weight or the end of the clause
            if (m_bKeepText) Keep("<neg_word>" + word + "</neg_word>");
        } else if (tag == m_senti.m_removeSentenceName) {
            m_bContainThisSentence = false;  // the unit stays "word/RemSent"
            if (m_bKeepText) Keep(word + "/" + tag);
        } else if (tag == m_senti.m_objectName) {
            m_bContainThisSentence = true;
            m_result.objects.insert(word);
            if (m_bKeepText) Keep("<object>" + word + "</object>");
        } else {
            Keep(word);
        }
    }

    ProcSentResult Finish(bool bContainAllSentence) {
        if (!(bContainAllSentence || m_bContainThisSentence)) m_result.str.clear();
        m_result.posPoint = m_dPosPoint;
        m_result.negPoint = m_dNegPoint;
        return std::move(m_result);
    }

private:
    void Keep(const tstring& token) {
        if (!m_bKeepText) return;
        if (m_pText) (*m_pText)(token.data(), token.size());
        else m_result.str += token;
    }

    const Sentiment& m_senti;
    const SentiEncoding m_enc;
    const bool m_bKeepText;
    const Sentiment::TextSink* const m_pText;
    ProcSentResult m_result;
    double m_dPosPoint = 0.0, m_dNegPoint = 0.0;
    bool m_bContainThisSentence = false;
    bool m_bNegative = false;
};

}  // namespace

ProcSentResult Sentiment::ProcessSentence(const tstring& sentence, bool bContainAllSentence) const {
    if (sentence.empty()) return ProcSentResult();
    UnitScorer scorer(*this, true);
    m_engine->TagSentenceUnits(sentence.c_str(), [&scorer](const SentiUnit& unit) { scorer.Unit(unit); });
    return scorer.Finish(bContainAllSentence);
}

ProcSentResult Sentiment::SentencePoints(const char* sentence) const {
    if (!sentence || !*sentence) return ProcSentResult();
    UnitScorer scorer(*this, false);
    m_engine->TagSentenceUnits(sentence, [&scorer](const SentiUnit& unit) { scorer.Unit(unit); });
    return scorer.Finish(false);
}

ProcSentResult Sentiment::ScoreSentenceToSink(const char* sentence, const TextSink& text) const {
    if (!sentence || !*sentence) return ProcSentResult();
    UnitScorer scorer(*this, true, &text);
    m_engine->TagSentenceUnits(sentence, [&scorer](const SentiUnit& unit) { scorer.Unit(unit); });
    return scorer.Finish(true);
}

ProcSentResult Sentiment::ScoreTaggedSentence(const tstring& sTagged, bool bContainAllSentence) const {
    UnitScorer scorer(*this, true);
    const SentiUnitSink sink = [&scorer](const SentiUnit& unit) { scorer.Unit(unit); };
    TaggedTextReader reader(sink);
    reader.Feed(sTagged.data(), sTagged.size());
    reader.Finish();
    return scorer.Finish(bContainAllSentence);
}
