#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <set>
#include <sstream>
#include <string>

#include "CommaLocale.h"
#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/Sentiment.h"

// The tagged texts below are written as the engine writes them with its defaults: each unit is
// the word, "/" and its tag, followed by one blank; sentence-end punctuation carries no tag.

namespace {

class SentenceScoreTest : public ::testing::Test {
protected:
    Sentiment m_senti{"", 0};

    ProcSentResult Score(const std::string& tagged, bool all = true) { return m_senti.ScoreTaggedSentence(tagged, all); }
};

using Words = std::set<std::string>;

}  // namespace

TEST_F(SentenceScoreTest, WeightsAddToTheirPointsAndAreMarked) {
    // 手机 很 好 , 屏幕 差
    const ProcSentResult r = Score("\xCA\xD6\xBB\xFA/n \xBA\xDC/d \xBA\xC3/2 \xA3\xAC/wd \xC6\xC1\xC4\xBB/n \xB2\xEE/-1.5 \xA1\xA3 ");
    EXPECT_EQ(r.posPoint, 2.0);
    EXPECT_EQ(r.negPoint, -1.5);
    EXPECT_TRUE(r.objects.empty());
    EXPECT_EQ(r.str,
              "\xCA\xD6\xBB\xFA\xBA\xDC<pos value=\"2\">\xBA\xC3</pos>\xA3\xAC\xC6\xC1\xC4\xBB"
              "<neg value=\"-1.5\">\xB2\xEE</neg>\xA1\xA3");

    const ProcSentResult zero = Score("a/0 b/0.25");
    EXPECT_EQ(zero.posPoint, 0.25);
    EXPECT_EQ(zero.negPoint, 0.0);
    EXPECT_EQ(zero.str, "<neg value=\"0\">a</neg><pos value=\"0.25\">b</pos>");
}

TEST_F(SentenceScoreTest, WeightsAreWrittenWithSixSignificantDigits) {
    EXPECT_EQ(Score("a/0.3333333333").str, "<pos value=\"0.333333\">a</pos>");
    EXPECT_EQ(Score("a/2.50").str, "<pos value=\"2.5\">a</pos>");
    EXPECT_EQ(Score("a/1000000").str, "<pos value=\"1e+06\">a</pos>");
    EXPECT_EQ(Score("a/-0.0001").str, "<neg value=\"-0.0001\">a</neg>");
    // The tag is read from its start: "2abc" is 2, "0x1A" is 0.
    EXPECT_EQ(Score("a/2abc b/0x1A").str, "<pos value=\"2\">a</pos><neg value=\"0\">b</neg>");
    // Out of range reads as the largest double; the sum of two of them stays there, finite.
    const ProcSentResult big = Score("a/1e999 b/1e999 c/-1e308 d/-1e308");
    EXPECT_EQ(big.str, "<pos value=\"1.79769e+308\">a</pos><pos value=\"1.79769e+308\">b</pos>"
                       "<neg value=\"-1e+308\">c</neg><neg value=\"-1e+308\">d</neg>");
    EXPECT_EQ(big.posPoint, std::numeric_limits<double>::max());
    EXPECT_EQ(big.negPoint, -std::numeric_limits<double>::max());
}

TEST_F(SentenceScoreTest, NegationFlipsTheNextWeightOnce) {
    // 不 好: the negation mark first, then the flipped weight.
    ProcSentResult r = Score("\xB2\xBB/Neg \xBA\xC3/3 ");
    EXPECT_EQ(r.posPoint, 0.0);
    EXPECT_EQ(r.negPoint, -3.0);
    EXPECT_EQ(r.str, "<neg_word>\xB2\xBB</neg_word><neg value=\"-3\">\xBA\xC3</neg>");

    r = Score("no/Neg bad/-2");
    EXPECT_EQ(r.posPoint, 2.0);
    EXPECT_EQ(r.negPoint, 0.0);
    EXPECT_EQ(r.str, "<neg_word>no</neg_word><pos value=\"2\">bad</pos>");

    // Two negations in a row flip once; a pending one crosses plain words; only the next weight.
    r = Score("no/Neg not/Neg very/d good/3 fine/1");
    EXPECT_EQ(r.negPoint, -3.0);
    EXPECT_EQ(r.posPoint, 1.0);
    EXPECT_EQ(r.str, "<neg_word>no</neg_word><neg_word>not</neg_word>very<neg value=\"-3\">good</neg>"
                     "<pos value=\"1\">fine</pos>");

    // A negated 0 is -0, which counts as negative.
    r = Score("no/Neg so/0");
    EXPECT_EQ(r.str, "<neg_word>no</neg_word><neg value=\"-0\">so</neg>");
    EXPECT_EQ(r.posPoint, 0.0);
    EXPECT_EQ(r.negPoint, 0.0);

    // A negation left pending at the end does not reach the next sentence.
    Score("good/2 no/Neg");
    EXPECT_EQ(Score("good/2").posPoint, 2.0);
}

TEST_F(SentenceScoreTest, NegationEndsWithItsClause) {
    // 我 不 知道 为什么 ， 质量 很 好: the negation of the first clause leaves 好 alone and is still
    // marked.
    ProcSentResult r = Score("i/r no/Neg know/v why/r \xA3\xAC/wd quality/n very/d good/2 ");
    EXPECT_EQ(r.posPoint, 2.0);
    EXPECT_EQ(r.negPoint, 0.0);
    EXPECT_EQ(r.str, "i<neg_word>no</neg_word>knowwhy\xA3\xAC" "qualityvery<pos value=\"2\">good</pos>");

    // Every clause mark, with its tag or without (sentence-end marks and line breaks have none),
    // alone or in a run.
    for (const char* mark : {"\xA3\xAC/wd", ",/wd", "\xA1\xA2/wn", "\xA3\xBB/wf", ";/wf", "\xA3\xBA/wm", ":/wm",
                             "\xA1\xA3", "\xA3\xAE/w", "./w", "\xA3\xA1", "!", "\xA3\xBF", "?", "\xA1\xAD/ws", "\n",
                             "\r", "\xA3\xA1\xA3\xA1", "?!"}) {
        r = Score(std::string("no/Neg ") + mark + " good/2");
        EXPECT_EQ(r.posPoint, 2.0) << mark;
        EXPECT_EQ(r.negPoint, 0.0) << mark;
    }
    // Other punctuation and words holding a mark among other bytes leave it pending.
    for (const char* unit : {"\xA3\xA8/wkz", "-/w", "\xA1\xB0/wyz", "a,/x", ",a/x", "/w", "x/\xA3\xAC"}) {
        EXPECT_EQ(Score(std::string("no/Neg ") + unit + " good/2").negPoint, -2.0) << unit;
    }
    // A negation after the mark flips the next clause's weight; two in a row flip once.
    r = Score("good/2 \xA3\xAC/wd no/Neg not/Neg bad/-1 \xA1\xA3 bad/-1");
    EXPECT_EQ(r.posPoint, 3.0);
    EXPECT_EQ(r.negPoint, -1.0);
}

TEST(SentenceScoreEncodingTest, ClauseMarksAreThoseOfTheWorkingEncoding) {
    const Sentiment utf8("", 1), big5("", 2);
    // UTF-8 ， and 。 end a negation; the GBK bytes of ， do not, nor does the ellipsis, which the
    // conversion tables give no UTF-8 form (as for the sentence cut).
    EXPECT_EQ(utf8.ScoreTaggedSentence("no/Neg \xEF\xBC\x8C/wd good/2", true).posPoint, 2.0);
    EXPECT_EQ(utf8.ScoreTaggedSentence("no/Neg \xE3\x80\x82 good/2", true).posPoint, 2.0);
    EXPECT_EQ(utf8.ScoreTaggedSentence("no/Neg \xA3\xAC/wd good/2", true).negPoint, -2.0);
    EXPECT_EQ(utf8.ScoreTaggedSentence("no/Neg \xE2\x80\xA6/ws good/2", true).negPoint, -2.0);
    // BIG5 ， and …
    EXPECT_EQ(big5.ScoreTaggedSentence("no/Neg \xA1\x41/wd good/2", true).posPoint, 2.0);
    EXPECT_EQ(big5.ScoreTaggedSentence("no/Neg \xA1\x4B/ws good/2", true).posPoint, 2.0);
}

TEST_F(SentenceScoreTest, TokensThatAreNotWordAndTagStayAsTheyAre) {
    // Only a first byte digit, or "-" and a digit, makes a weight.
    EXPECT_EQ(Score("a/-x b/+2 c/.5 d/-.5 e/-").str, "abcde");
    EXPECT_EQ(Score("a/+2").posPoint, 0.0);
    // Three parts, one part, and a bracketed unit split at its blank stay unchanged.
    const ProcSentResult r = Score("a/b/c x/ /y [3 5]m u//v ");
    EXPECT_EQ(r.str, "a/b/cx//y[35]mu");  // "u//v": the empty piece is dropped, so word u, tag v
    EXPECT_EQ(r.posPoint, 0.0);
    EXPECT_EQ(r.negPoint, 0.0);
    // Tag names compare case-sensitively.
    EXPECT_EQ(Score("a/neg b/object c/remsent d/2").str, "abc<pos value=\"2\">d</pos>");
    EXPECT_TRUE(Score("b/object").objects.empty());
    // Empty and blank-only texts.
    EXPECT_EQ(Score("").str, "");
    EXPECT_EQ(Score("   ").str, "");
}

TEST_F(SentenceScoreTest, TextIsKeptForObjectSentencesOnly) {
    ProcSentResult r = Score("good/2 bad/-1", false);
    EXPECT_EQ(r.str, "");
    EXPECT_EQ(r.posPoint, 2.0);
    EXPECT_EQ(r.negPoint, -1.0);

    // 苹果 好
    r = Score("\xC6\xBB\xB9\xFB/Object \xBA\xC3/2 Apple/Object \xC6\xBB\xB9\xFB/Object ", false);
    EXPECT_EQ(r.str, "<object>\xC6\xBB\xB9\xFB</object><pos value=\"2\">\xBA\xC3</pos><object>Apple</object>"
                     "<object>\xC6\xBB\xB9\xFB</object>");
    EXPECT_EQ(r.objects, Words({"Apple", "\xC6\xBB\xB9\xFB"}));

    // An object and then a removal word: no text, but the object and the points count.
    r = Score("phone/Object good/2 ad/RemSent bad/-1", false);
    EXPECT_EQ(r.str, "");
    EXPECT_EQ(r.objects, Words({"phone"}));
    EXPECT_EQ(r.posPoint, 2.0);
    EXPECT_EQ(r.negPoint, -1.0);
    // Kept whole when asked, the removal word as "word/RemSent".
    EXPECT_EQ(Score("phone/Object ad/RemSent", true).str, "<object>phone</object>ad/RemSent");
    // A removal word and then an object: the text is kept.
    EXPECT_EQ(Score("ad/RemSent phone/Object", false).str, "ad/RemSent<object>phone</object>");
}

TEST_F(SentenceScoreTest, NumbersKeepTheirPointUnderACommaLocale) {
    kxtest::CommaLocale comma;
    std::ostringstream probe;
    probe << 1234.5;
    ASSERT_EQ(probe.str(), "1.234,5");  // the global locale is in effect for new streams
    const ProcSentResult r = Score("a/1234.5 b/-1.5 c/0.333333");
    EXPECT_EQ(r.str, "<pos value=\"1234.5\">a</pos><neg value=\"-1.5\">b</neg><pos value=\"0.333333\">c</pos>");
    EXPECT_EQ(r.posPoint, 1234.5 + 0.333333);
    EXPECT_EQ(r.negPoint, -1.5);
}

TEST_F(SentenceScoreTest, EmptySentenceScoresWithoutTheEngine) {
    const ProcSentResult r = m_senti.ProcessSentence("", true);
    EXPECT_EQ(r.str, "");
    EXPECT_EQ(r.posPoint, 0.0);
    EXPECT_EQ(r.negPoint, 0.0);
    EXPECT_TRUE(r.objects.empty());
}

namespace {

// An engine that tags every sentence with one fixed text and hands it out in pieces of 1 to 4
// bytes, cutting units, words and tags anywhere.
class PiecesEngine : public SentiEngine {
public:
    explicit PiecesEngine(std::string tagged) : m_tagged(std::move(tagged)) {}
    tstring TagSentence(const tstring&) override { return m_tagged; }
    void TagSentencePieces(const char*, const std::function<void(const char*, size_t)>& sink) override {
        for (size_t i = 0, n = 1; i < m_tagged.size(); i += n, n = n % 4 + 1)
            sink(m_tagged.data() + i, std::min(n, m_tagged.size() - i));
    }
    int AddUserWord(const tstring&) override { return 0; }
    int GetUserWordState(const tstring&, SentiUserWordState&) override { return 0; }
    int RestoreUserWord(const tstring&, const SentiUserWordState&) override { return 0; }
    int SaveUserDict() override { return 1; }
    tstring UserWordKey(const tstring& s) override { return s; }

private:
    std::string m_tagged;
};

}  // namespace

TEST_F(SentenceScoreTest, ATaggedTextReadInPiecesScoresAsReadWhole) {
    const std::string tagged =
        "phone/Object  is/v not/Neg good/2 ,  but/c battery/n bad/-1.5 \n  "
        "x//y ad/RemSent brand/Object great/0.333333 end/ \xA1\xA3 ";
    PiecesEngine engine(tagged);
    Sentiment senti("", 0, engine);
    for (bool all : {false, true}) {
        const ProcSentResult whole = senti.ScoreTaggedSentence(tagged, all);
        const ProcSentResult pieces = senti.ProcessSentence("any text", all);
        EXPECT_EQ(pieces.str, whole.str) << all;
        EXPECT_EQ(pieces.posPoint, whole.posPoint);
        EXPECT_EQ(pieces.negPoint, whole.negPoint);
        EXPECT_EQ(pieces.objects, whole.objects);
    }
    // The points alone: the same points and objects, no marked-up text.
    const ProcSentResult whole = senti.ScoreTaggedSentence(tagged, true);
    const ProcSentResult points = senti.SentencePoints("any text");
    EXPECT_EQ(points.posPoint, whole.posPoint);
    EXPECT_EQ(points.negPoint, whole.negPoint);
    EXPECT_EQ(points.objects, whole.objects);
    EXPECT_EQ(points.str, "");
    EXPECT_EQ(senti.SentencePoints("").posPoint, 0.0);
    EXPECT_EQ(senti.SentencePoints(nullptr).objects.size(), 0u);
}
