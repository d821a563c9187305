#include <cstring>
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

// Reads the engine's tagged text of one sentence unit by unit, as it comes in pieces: units are
// the non-empty runs between blanks, and one may go on from one piece into the next.
class TaggedTextScorer {
public:
    TaggedTextScorer(const Sentiment& senti, bool bKeepText)
        : m_senti(senti), m_enc(SentiWorkingEncoding(senti.m_encode)), m_bKeepText(bKeepText) {}

    void Feed(const char* p, size_t n) {
        const char* const pEnd = p + n;
        while (p < pEnd) {
            const char* pBlank = static_cast<const char*>(memchr(p, ' ', size_t(pEnd - p)));
            if (!pBlank) {
                m_sUnit.append(p, size_t(pEnd - p));  // goes on in the next piece
                return;
            }
            m_sUnit.append(p, size_t(pBlank - p));
            Unit();
            p = pBlank + 1;
        }
    }

    ProcSentResult Finish(bool bContainAllSentence) {
        Unit();
        if (!(bContainAllSentence || m_bContainThisSentence)) m_result.str.clear();
        m_result.posPoint = m_dPosPoint;
        m_result.negPoint = m_dNegPoint;
        return std::move(m_result);
    }

private:
    void Unit() {
        if (m_sUnit.empty()) return;
        tstring& token = m_sUnit;
        // A negation reaches no further than its clause. Clause punctuation is known by its text:
        // the sentence-end marks and line breaks come without a tag.
        if (m_bNegative && IsClauseMark(token, m_enc)) m_bNegative = false;
        const std::vector<tstring> parts = Split(token, "/", false);
        if (parts.size() == 2) {  // else not "word/tag": kept as it is
            const tstring& word = parts[0];
            const tstring& tag = parts[1];
            if (IsNumericTag(tag)) {
                double weight = ConvertFromString<double>(tag);
                if (m_bNegative) {
                    weight = -weight;
                    m_bNegative = false;
                }
                const tstring value = WeightText(weight);
                if (weight > 0.0) {
                    m_dPosPoint += weight;
                    token = "<pos value=\"" + value + "\">" + word + "</pos>";
                } else {
                    m_dNegPoint += weight;
                    token = "<neg value=\"" + value + "\">" + word + "</neg>";
                }
            } else if (tag == m_senti.m_negationName) {
                m_bNegative = true;  // pending until the next weight or the end of the clause
                token = "<neg_word>" + word + "</neg_word>";
            } else if (tag == m_senti.m_removeSentenceName) {
                m_bContainThisSentence = false;  // the token stays "word/RemSent"
            } else if (tag == m_senti.m_objectName) {
                m_bContainThisSentence = true;
                m_result.objects.insert(word);
                token = "<object>" + word + "</object>";
            } else {
                token = word;
            }
        }
        if (m_bKeepText) m_result.str += token;
        m_sUnit.clear();
    }

    const Sentiment& m_senti;
    const SentiEncoding m_enc;
    const bool m_bKeepText;
    ProcSentResult m_result;
    tstring m_sUnit;  // the unit being read
    double m_dPosPoint = 0.0, m_dNegPoint = 0.0;
    bool m_bContainThisSentence = false;
    bool m_bNegative = false;
};

}  // namespace

ProcSentResult Sentiment::ProcessSentence(const tstring& sentence, bool bContainAllSentence) const {
    if (sentence.empty()) return ProcSentResult();
    TaggedTextScorer scorer(*this, true);
    m_engine->TagSentencePieces(sentence.c_str(), [&scorer](const char* p, size_t n) { scorer.Feed(p, n); });
    return scorer.Finish(bContainAllSentence);
}

ProcSentResult Sentiment::SentencePoints(const char* sentence) const {
    if (!sentence || !*sentence) return ProcSentResult();
    TaggedTextScorer scorer(*this, false);
    m_engine->TagSentencePieces(sentence, [&scorer](const char* p, size_t n) { scorer.Feed(p, n); });
    return scorer.Finish(false);
}

ProcSentResult Sentiment::ScoreTaggedSentence(const tstring& sTagged, bool bContainAllSentence) const {
    TaggedTextScorer scorer(*this, true);
    scorer.Feed(sTagged.data(), sTagged.size());
    return scorer.Finish(bContainAllSentence);
}
