#include "Utility/TimeFunc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "Utility/LogFile.h"

namespace {

class TimeFuncTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

// 2024-01-02 12:30:45 UTC.
const long kNoonish = 1704198645;
// 2024-01-02 00:00:00 UTC.
const long kMidnight = 1704153600;

const std::string kYear = "\xE5\xB9\xB4", kMonth = "\xE6\x9C\x88", kDay = "\xE6\x97\xA5";  // 年 月 日
const std::string kHour = "\xE6\x97\xB6", kMin = "\xE5\x88\x86", kSec = "\xE7\xA7\x92";    // 时 分 秒

}  // namespace

TEST_F(TimeFuncTest, Str2TimeWithDashesAndSlashesAgree) {
    EXPECT_EQ(str2time("2024-01-02 12:30:45"), kNoonish);
    EXPECT_EQ(str2time("2024/01/02 12:30:45"), kNoonish);
    EXPECT_EQ(str2time("2024-1-2_12:30:45"), kNoonish);  // hour after '_'
    EXPECT_EQ(str2time("2024-01-02"), kMidnight);
    EXPECT_EQ(str2time("2024-01-02 12"), kMidnight + 12 * 3600);  // missing parts are 0
    EXPECT_EQ(str2time(""), 0);
    EXPECT_EQ(str2time(nullptr), 0);
}

TEST_F(TimeFuncTest, Str2TimeErrorsWriteOneLineAndKeepTheLastError) {
    LogCapture capture;
    SetLastErrorMessage("previous");
    EXPECT_EQ(str2time("2024-01"), -1);
    EXPECT_EQ(CopyLastErrorMessage(), "previous");
    std::vector<std::string> errors = capture.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "strDateStr[2024-01] err \n");
    EXPECT_EQ(str2time("nonsense"), -1);  // no separator and no Chinese units
    EXPECT_EQ(capture.Errors().size(), 2u);
}

TEST_F(TimeFuncTest, ChineseDatesBothWays) {
    const std::string full = "2024" + kYear + "1" + kMonth + "2" + kDay + " 12" + kHour + "30" + kMin + "45" + kSec;
    EXPECT_EQ(cstr2time(full.c_str()), kNoonish);
    EXPECT_EQ(str2time(full.c_str()), kNoonish);  // no '-' or '/': handed on
    EXPECT_EQ(cstr2time(("2024" + kYear + "1" + kMonth + "2" + kDay).c_str()), kMidnight);
    EXPECT_EQ(cstr2time(nullptr), 0);

    char buf[64];
    EXPECT_STREQ(time2str(kNoonish, buf, false), "2024/01/02 12:30:45");
    EXPECT_EQ(std::string(time2str(kNoonish, buf, true)),
              "2024" + kYear + "1" + kMonth + "2" + kDay + " 12:30:45");
    EXPECT_EQ(std::string(time2str(kMidnight, buf, true)), "2024" + kYear + "1" + kMonth + "2" + kDay);
    EXPECT_STREQ(time2str(0, buf, false), "");
    // Round trips through both text forms.
    EXPECT_EQ(str2time(time2str(kNoonish, buf, false)), kNoonish);
    EXPECT_EQ(cstr2time(time2str(kMidnight, buf, true)), kMidnight);
}

TEST_F(TimeFuncTest, FormattedDates) {
    EXPECT_EQ(formatDateTime(kNoonish, false), "2024-01-02 12:30:45");
    EXPECT_EQ(formatDateTime(kNoonish, true), "2024-01-02T12:30");
    // Today's forms agree with each other.
    const int today = getCurDate();
    EXPECT_EQ(GetToday(), today);
    EXPECT_EQ(getCurDateString(), std::to_string(today));
    char value[15];
    TimeValue(value);
    EXPECT_EQ(strlen(value), 14u);
    EXPECT_EQ(std::string(value, 8), std::to_string(today));
    EXPECT_EQ(getDateTime(false).size(), 19u);
}

TEST(TimeFuncThreadTest, ConcurrentFormattingIsConsistent) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &failures] {
            char buf[64];
            for (int i = 0; i < 500; ++i) {
                const long when = kMidnight + (t * 1000 + i) * 3600L;
                time2str(when, buf, false);
                if (str2time(buf) != when) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}
