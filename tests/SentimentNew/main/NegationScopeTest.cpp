// A negation word reaches through the engine's real output no further than its clause: the
// marks the engine writes in UTF-8 (tagged commas, untagged full stops, line breaks) end it.
#include <gtest/gtest.h>

#include "SentimentNew/main/STTestDir.h"

namespace {

class NegationScopeTest : public sttest::STStarted {};

TEST_F(NegationScopeTest, ANegationEndsAtTheEndOfItsClause) {
    ASSERT_EQ(3, ST_ImportUserDict(m_dir.Put("lex.txt", "不 Neg\n满意 2\n失望 -1\n").c_str(), 1));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("我不满意"));
    EXPECT_DOUBLE_EQ(1.0, ST_GetSentimentPoint("我不失望"));
    // The negation of the first clause does not reach the weight of the next.
    for (const char* text : {"我不喜欢红色，但我满意", "我不喜欢红色。我满意", "我不喜欢红色\n我满意",
                             "我不喜欢红色\r\n我满意", "我不喜欢红色！我满意", "我不喜欢红色；我满意",
                             "我不喜欢红色、满意"}) {
        EXPECT_DOUBLE_EQ(1.0, ST_GetSentimentPoint(text)) << text;
    }
    // Within its clause it still reaches over plain words.
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("我不太满意"));
    const std::string doc = ST_GetSentencePoint("我不喜欢红色，但我满意");
    EXPECT_NE(std::string::npos, doc.find("<neg_word>不</neg_word>")) << doc;
    EXPECT_NE(std::string::npos, doc.find("<pos value=\"2\">满意</pos>")) << doc;
}

}  // namespace
