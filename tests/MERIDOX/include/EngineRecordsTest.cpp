#include "MERIDOX/include/EngineRecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

TEST(EngineRecordsTest, Defaults) {
    word_t w;
    EXPECT_EQ(w.handle, -1);
    EXPECT_EQ(w.start, -1);
    EXPECT_EQ(w.end, -1);
    EXPECT_EQ(w.value, 0.0);
    EXPECT_EQ(w.type, 255);
    EXPECT_EQ(w.POS_id, 255);

    result_t rows[2];
    memset(rows, 0x5A, sizeof rows);
    new (&rows[0]) result_t{};  // value-initialised: every field zero, the tag text empty
    EXPECT_EQ(rows[0].start, 0);
    EXPECT_EQ(rows[0].weight, 0);
    EXPECT_EQ(rows[0].sPOS[0], 0);
    for (char c : rows[0].sPOS) EXPECT_EQ(c, 0);
}

TEST(EngineRecordsTest, TagTextIsBounded) {
    result_t row{};
    memset(row.sPOS, 'z', sizeof row.sPOS);
    SetResultPOS(row, std::string(39, 'a').c_str());
    EXPECT_EQ(std::string(row.sPOS), std::string(39, 'a'));
    SetResultPOS(row, std::string(80, 'b').c_str());
    EXPECT_EQ(std::string(row.sPOS), std::string(39, 'b'));
    SetResultPOS(row, (std::string(38, 'c') + "\xB0\xA1").c_str());  // no half character at the cut
    EXPECT_EQ(std::string(row.sPOS), std::string(38, 'c'));
    SetResultPOS(row, (std::string(37, 'c') + "\xB0\xA1").c_str());
    EXPECT_EQ(std::string(row.sPOS), std::string(37, 'c') + "\xB0\xA1");
    SetResultPOS(row, nullptr);
    EXPECT_STREQ(row.sPOS, "");
    SetResultPOS(row, "seg");
    EXPECT_STREQ(row.sPOS, "seg");
}

TEST(EngineRecordsTest, WeightConversion) {
    EXPECT_EQ(ProbabilityToWeight(1.0), 0);
    EXPECT_EQ(ProbabilityToWeight(0.5), int(-std::log(0.5) * 1000));  // 693
    EXPECT_EQ(ProbabilityToWeight(0.5), 693);
    EXPECT_EQ(ProbabilityToWeight(1e-300), int(-std::log(1e-300) * 1000));
    EXPECT_EQ(ProbabilityToWeight(0.0), INT_MAX);
    EXPECT_EQ(ProbabilityToWeight(std::numeric_limits<double>::infinity()), INT_MIN);
    EXPECT_EQ(ProbabilityToWeight(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ProbabilityToWeight(-0.5), 0);
    EXPECT_NEAR(ProbabilityToWeight(std::exp(-700.0)), 700000, 1);  // large but in range
    EXPECT_EQ(ProbabilityToWeight(2.0), int(-std::log(2.0) * 1000));  // negative weights truncate toward 0
}
