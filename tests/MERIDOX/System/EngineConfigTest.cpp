#include "MERIDOX/System/EngineConfig.h"

#include <gtest/gtest.h>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogFile.h"

namespace {

// One start-up's handling of the configuration text.
void StartWith(const char* sConfig) {
    ResetEngineSettings();
    ApplyLogItem(sConfig);
    ApplyEngineItems(sConfig);
}

class EngineConfigTest : public ::testing::Test {
protected:
    void TearDown() override {
        g_bLog = true;
        ResetEngineSettings();
    }
};

}  // namespace

TEST_F(EngineConfigTest, NoItemsGiveTheDefaults) {
    g_bLog = false;
    StartWith("<Configure><Other>x</Other></Configure>");
    EXPECT_TRUE(g_bLog);
    EXPECT_TRUE(g_bPOSTagger);
    EXPECT_TRUE(g_bNERPerson);
    EXPECT_FALSE(g_bUserDictPrior);
    EXPECT_EQ(g_nGranularity, 0);
    EXPECT_FALSE(g_bFinerSegCombined);
    EXPECT_EQ(g_sPOSDelimiter, "/");
    EXPECT_EQ(g_sWordBoundary, "  ");
    EXPECT_EQ(g_sTagset, "");
    for (const char* item : {"UserDict", "FieldDict", "GranularityContorl", "Sentiment"})
        EXPECT_FALSE(IsConfigItemOn("<Configure/>", item)) << item;
    StartWith("");  // an empty or missing file still leaves logging on
    EXPECT_TRUE(g_bLog);
    StartWith(nullptr);
    EXPECT_TRUE(g_bPOSTagger);
}

TEST_F(EngineConfigTest, ValuesCompareWithoutCaseAndUntrimmed) {
    StartWith("<Log>OFF</Log><Tagger>OFF</Tagger><Person>Off</Person><UserDictPrior>ON</UserDictPrior>"
              "<Granularity>Small</Granularity><TagSet>KOVEX.map</TagSet><WordBoundary> </WordBoundary>");
    EXPECT_FALSE(g_bLog);
    EXPECT_FALSE(g_bPOSTagger);
    EXPECT_FALSE(g_bNERPerson);
    EXPECT_TRUE(g_bUserDictPrior);
    EXPECT_EQ(g_nGranularity, 1);
    EXPECT_EQ(g_sTagset, "KOVEX.map");
    EXPECT_EQ(g_sWordBoundary, " ");
    g_bLog = true;

    StartWith("<Tagger> off</Tagger><Person>no</Person><Granularity>small </Granularity>");
    EXPECT_TRUE(g_bPOSTagger);  // " off" is not "off"
    EXPECT_TRUE(g_bNERPerson);
    EXPECT_EQ(g_nGranularity, 0);

    // The first occurrence counts, commented out or not; <UserDict> is not <UserDictPrior>.
    const char* text = "<!-- <UserDict>on</UserDict> --><UserDict>off</UserDict><UserDictPrior>on</UserDictPrior>"
                       "<FieldDict>On</FieldDict><GranularityControl>on</GranularityControl>";
    EXPECT_TRUE(IsConfigItemOn(text, "UserDict"));
    EXPECT_TRUE(IsConfigItemOn(text, "FieldDict"));
    EXPECT_FALSE(IsConfigItemOn(text, "GranularityContorl"));  // spelled as the engine reads it
    EXPECT_FALSE(IsConfigItemOn("<UserDictPrior>on</UserDictPrior>", "UserDict"));
}

TEST_F(EngineConfigTest, FinerSegCombinedTestsTheFirstCharacter) {
    StartWith("<FinerSegCombined>true</FinerSegCombined>");
    EXPECT_TRUE(g_bFinerSegCombined);
    StartWith("<FinerSegCombined>T</FinerSegCombined>");
    EXPECT_TRUE(g_bFinerSegCombined);
    StartWith("<FinerSegCombined>on</FinerSegCombined>");
    EXPECT_FALSE(g_bFinerSegCombined);
    StartWith("<FinerSegCombined></FinerSegCombined>");
    EXPECT_FALSE(g_bFinerSegCombined);
}

TEST_F(EngineConfigTest, RestartDoesNotKeepTheOldTagSet) {
    StartWith("<TagSet>first.map</TagSet><POSDelimiter>#</POSDelimiter><Tagger>off</Tagger>");
    EXPECT_EQ(g_sTagset, "first.map");
    EXPECT_EQ(g_sPOSDelimiter, "#");
    StartWith("<Person>on</Person>");
    EXPECT_EQ(g_sTagset, "");
    EXPECT_EQ(g_sPOSDelimiter, "/");
    EXPECT_TRUE(g_bPOSTagger);
}

TEST_F(EngineConfigTest, DelimitersWriteTheirFirstCharacter) {
    StartWith("<POSDelimiter></POSDelimiter><WordBoundary>\xA1\xA1x</WordBoundary>");
    EXPECT_EQ(g_sPOSDelimiter, "/");  // an empty delimiter keeps the default, never a NUL
    tstring out = "word";
    AppendFirstChar(out, "");  // an empty text writes nothing
    EXPECT_EQ(out, "word");
    AppendFirstChar(out, g_sWordBoundary);  // a whole GBK character
    EXPECT_EQ(out, "word\xA1\xA1");
    AppendFirstChar(out, "\xA1");           // a lone lead byte is one character
    EXPECT_EQ(out, "word\xA1\xA1\xA1");
    AppendFirstChar(out, "/n");
    EXPECT_EQ(out, "word\xA1\xA1\xA1/");
}
