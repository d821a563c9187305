#include "Utility/LogFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "Utility/Settings.h"
#include "common/TestUtil.h"

namespace {

// 2021-03-04 05:06:07 local time and one second before the following local midnight.
time_t FixedTime(int year, int mon, int day, int hour, int min, int sec) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = mon - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_isdst = -1;
    return mktime(&t);
}

time_t s_tNow = 0;
time_t TestClock() { return s_tNow; }

std::string Fmt(time_t t, const char* f) {
    struct tm tmv;
    localtime_r(&t, &tmv);
    char buf[64];
    return std::string(buf, strftime(buf, sizeof buf, f, &tmv));
}

bool Exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

// Fixed clock, logging on and a forgotten log directory for each test; the working directory is
// restored afterwards.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        s_tNow = FixedTime(2021, 3, 4, 5, 6, 7);
        LogTestSetClock(TestClock);
        LogTestResetPath();
        g_bLog = true;
        char* cwd = getcwd(nullptr, 0);
        m_cwd = cwd;
        free(cwd);
    }
    void TearDown() override {
        LogTestSetClock(nullptr);
        LogTestResetPath();
        g_bLog = true;
        EXPECT_EQ(0, chdir(m_cwd.c_str()));
    }
    std::string Day() const { return Fmt(s_tNow, "%Y%m%d"); }
    std::string m_cwd;
    kxtest::TempDir m_dir;
};

TEST_F(LogFileTest, LineFormatAndAppend) {
    WriteError("first", m_dir.path().c_str());
    WriteError("second\nline", m_dir.path().c_str());
    std::string text = kxtest::ReadAll(m_dir.file(Day() + ".err"));
    EXPECT_EQ("[2021-03-04 05:06:07]\tfirst\n[2021-03-04 05:06:07]\tsecond\nline\n", text);
    std::regex line(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\]\tfirst\n)");
    EXPECT_TRUE(std::regex_search(text, line));
    EXPECT_FALSE(Exists(m_dir.file(Day() + ".log")));
    // Bytes pass unchanged, GBK and an embedded NUL included.
    WriteLog(std::string("\xD6\xD0\0x", 4), m_dir.path().c_str(), false);  // 中
    EXPECT_EQ(std::string("[2021-03-04 05:06:07]\t\xD6\xD0\0x\n", 27),
              kxtest::ReadAll(m_dir.file(Day() + ".log")));
}

TEST_F(LogFileTest, DirectoryJoinedByOneSlash) {
    std::string logs = m_dir.file("logs");
    ASSERT_EQ(0, mkdir(logs.c_str(), 0755));
    WriteError("a", logs.c_str());
    WriteError("b", (logs + "/").c_str());
    EXPECT_EQ(std::vector<std::string>{Day() + ".err"}, ListDir(logs));
    EXPECT_EQ("[2021-03-04 05:06:07]\ta\n[2021-03-04 05:06:07]\tb\n", kxtest::ReadAll(logs + "/" + Day() + ".err"));
}

TEST_F(LogFileTest, SilencedWritesNothing) {
    ASSERT_EQ(0, chdir(m_dir.path().c_str()));
    g_bLog = false;
    testing::internal::CaptureStdout();
    WriteError("e");
    WriteLog("l");
    WriteError("e", m_dir.path().c_str());
    WriteError("e", m_dir.file("missing/dir").c_str());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_TRUE(ListDir(m_dir.path()).empty());
    EXPECT_EQ("", LogTestGetPath());
}

TEST_F(LogFileTest, MidnightStartsNextDayFile) {
    s_tNow = FixedTime(2021, 12, 31, 23, 59, 59);
    WriteLog("late", m_dir.path().c_str(), false);
    s_tNow += 1;
    WriteLog("early", m_dir.path().c_str(), false);
    EXPECT_EQ("[2021-12-31 23:59:59]\tlate\n", kxtest::ReadAll(m_dir.file("20211231.log")));
    EXPECT_EQ("[2022-01-01 00:00:00]\tearly\n", kxtest::ReadAll(m_dir.file("20220101.log")));
}

TEST_F(LogFileTest, UnwritableDirectoryFallsBackToStdout) {
    kxtest::WriteAll(m_dir.file("plain"), "x");
    std::string dir = m_dir.file("plain/sub");  // ENOTDIR, even for root
    testing::internal::CaptureStdout();
    WriteError("msg", dir.c_str());
    EXPECT_EQ("[2021-03-04 05:06:07] msg\nCannot write log file " + dir + "/" + Day() + ".err!\r\n",
              testing::internal::GetCapturedStdout());
}

TEST_F(LogFileTest, DefaultDirectoryFixedAtFirstWrite) {
    kxtest::TempDir other;
    ASSERT_EQ(0, chdir(m_dir.path().c_str()));
    WriteLog("one");
    std::string first = LogTestGetPath();
    EXPECT_EQ(0, chdir(other.path().c_str()));
    WriteLog("two", "");  // "" is the default directory too
    WriteError("three");
    EXPECT_EQ(first, LogTestGetPath());
    EXPECT_EQ("[2021-03-04 05:06:07]\tone\n[2021-03-04 05:06:07]\ttwo\n", kxtest::ReadAll(m_dir.file(Day() + ".log")));
    EXPECT_NE(std::string::npos, kxtest::ReadAll(m_dir.file(Day() + ".err")).find("\tthree\n"));
    EXPECT_TRUE(ListDir(other.path()).empty());
}

TEST_F(LogFileTest, UnreadableWorkingDirectoryUsesStdout) {
    kxtest::TempDir gone;
    ASSERT_EQ(0, chdir(gone.path().c_str()));
    ASSERT_EQ(0, rmdir(gone.path().c_str()));
    testing::internal::CaptureStdout();
    WriteError("lost");
    EXPECT_EQ("[2021-03-04 05:06:07] lost\nCannot write log file " + Day() + ".err!\r\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ("", LogTestGetPath());  // tried again next time
    ASSERT_EQ(0, chdir(m_dir.path().c_str()));
    WriteError("found");
    EXPECT_NE(std::string::npos, kxtest::ReadAll(m_dir.file(Day() + ".err")).find("\tfound\n"));
}

TEST_F(LogFileTest, WriteToStream) {
    std::string file = m_dir.file("stream.txt");
    FILE* fp = fopen(file.c_str(), "wb");
    ASSERT_NE(nullptr, fp);
    g_bLog = false;  // not consulted
    WriteLog(fp, "text");
    fclose(fp);
    EXPECT_EQ("[2021-03-04 05:06:07] text\n", kxtest::ReadAll(file));
    testing::internal::CaptureStdout();
    WriteLog(static_cast<FILE*>(nullptr), "text");
    EXPECT_EQ("[2021-03-04 05:06:07] text\nCannot write log file!\r", testing::internal::GetCapturedStdout());
}

// A program's chosen log folder takes the default writes wherever it is run, an unusable one is
// refused without changing the choice, NULL drops them, and lines no file takes go to the
// fallback stream instead of standard output.
TEST_F(LogFileTest, ChosenFolderDropAndFallbackStream) {
    kxtest::TempDir logs, other;
    ASSERT_EQ(0, chdir(other.path().c_str()));
    ASSERT_TRUE(SetLogPath(logs.path().c_str()));
    EXPECT_FALSE(SetLogPath(m_dir.file("missing").c_str()));
    kxtest::WriteAll(m_dir.file("plain"), "x");
    EXPECT_FALSE(SetLogPath(m_dir.file("plain").c_str()));
    EXPECT_FALSE(SetLogPath("/proc"));  // a folder, but no file can be created there, even by root
    EXPECT_FALSE(SetLogPath(""));
    WriteError("kept");
    EXPECT_EQ("[2021-03-04 05:06:07]\tkept\n", kxtest::ReadAll(logs.file(Day() + ".err")));
    EXPECT_TRUE(ListDir(other.path()).empty());

    ASSERT_TRUE(SetLogPath(nullptr));
    testing::internal::CaptureStdout();
    WriteError("dropped");
    WriteLog("dropped");
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_TRUE(ListDir(other.path()).empty());
    WriteLog("own folder", m_dir.path().c_str(), false);  // a write given a folder still writes
    EXPECT_EQ("[2021-03-04 05:06:07]\town folder\n", kxtest::ReadAll(m_dir.file(Day() + ".log")));

    const std::string side = m_dir.file("side.txt");
    FILE* fp = fopen(side.c_str(), "wb");
    ASSERT_NE(nullptr, fp);
    SetLogFallback(fp);
    testing::internal::CaptureStdout();
    WriteError("msg", m_dir.file("plain/sub").c_str());
    WriteLog(static_cast<FILE*>(nullptr), "text");
    SetLogFallback(nullptr);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    fclose(fp);
    EXPECT_EQ("[2021-03-04 05:06:07] msg\nCannot write log file " + m_dir.file("plain/sub") + "/" + Day() +
                  ".err!\r\n[2021-03-04 05:06:07] text\nCannot write log file!\r",
              kxtest::ReadAll(side));
}

// The configured folder (the engine configuration's LogPath) takes the default writes in place of
// the working directory, below a program's own choice; forgetting it brings the working
// directory back, and an unusable folder is refused without changing anything.
TEST_F(LogFileTest, ConfiguredFolderComesAfterTheProgramsChoice) {
    kxtest::TempDir logs, work, chosen;
    ASSERT_EQ(0, chdir(work.path().c_str()));
    ASSERT_TRUE(SetConfiguredLogPath(logs.path().c_str()));
    EXPECT_FALSE(SetConfiguredLogPath(m_dir.file("missing").c_str()));
    EXPECT_FALSE(SetConfiguredLogPath("/proc"));
    WriteError("configured");
    EXPECT_EQ("[2021-03-04 05:06:07]\tconfigured\n", kxtest::ReadAll(logs.file(Day() + ".err")));
    EXPECT_TRUE(ListDir(work.path()).empty());

    ASSERT_TRUE(SetConfiguredLogPath(nullptr));
    WriteLog("working folder");
    EXPECT_EQ("[2021-03-04 05:06:07]\tworking folder\n", kxtest::ReadAll(work.file(Day() + ".log")));

    ASSERT_TRUE(SetLogPath(chosen.path().c_str()));
    ASSERT_TRUE(SetConfiguredLogPath(logs.path().c_str()));
    WriteLog("chosen");
    EXPECT_EQ("[2021-03-04 05:06:07]\tchosen\n", kxtest::ReadAll(chosen.file(Day() + ".log")));
    ASSERT_TRUE(SetLogPath(nullptr));  // dropped by the program: the configured folder gets nothing
    WriteError("dropped");
    EXPECT_EQ("[2021-03-04 05:06:07]\tconfigured\n", kxtest::ReadAll(logs.file(Day() + ".err")));
}

TEST_F(LogFileTest, LastErrorSetAppendAndReport) {
    SetLastErrorMessage("Cannot open ");
    EXPECT_EQ("Cannot open a.txt", AppendLastErrorMessage("a.txt"));
    EXPECT_EQ("Cannot open a.txt", CopyLastErrorMessage());
    ASSERT_EQ(0, chdir(m_dir.path().c_str()));
    EXPECT_EQ(-1, ReportError("bad value 7", -1));
    EXPECT_EQ(nullptr, ReportError<char*>("no buffer", nullptr));
    EXPECT_EQ("no buffer", CopyLastErrorMessage());
    EXPECT_EQ("[2021-03-04 05:06:07]\tbad value 7\n[2021-03-04 05:06:07]\tno buffer\n",
              kxtest::ReadAll(m_dir.file(Day() + ".err")));
    // Logging off: the last error still changes.
    g_bLog = false;
    EXPECT_FALSE(ReportError("quiet", false));
    EXPECT_EQ("quiet", CopyLastErrorMessage());
}

// A message keeps track of the texts a caller gave through concatenation, appending and copying:
// the error file gets the bytes as they stand, a caller the own runs converted and the given
// texts as they were.
TEST_F(LogFileTest, GivenTextsAreNeverConverted) {
    auto upper = [](const tstring& s) {
        tstring u = s;
        for (char& c : u) c = char(toupper((unsigned char)c));
        return u;
    };
    ASSERT_EQ(0, chdir(m_dir.path().c_str()));
    EXPECT_FALSE(ReportError("cannot open " + CErrorText::Given("dir/a.txt") + " in " + CErrorText::Given("b"), false));
    AppendLastErrorMessage(" at " + CErrorText::Given("c") + " now");
    EXPECT_EQ("cannot open dir/a.txt in b at c now", CopyLastErrorMessage());
    EXPECT_EQ("CANNOT OPEN dir/a.txt IN b AT c NOW", CopyLastError().ForCaller(upper));
    EXPECT_EQ("[2021-03-04 05:06:07]\tcannot open dir/a.txt in b\n", kxtest::ReadAll(m_dir.file(Day() + ".err")));
    SetLastErrorMessage(CErrorText::Given("x") + CErrorText::Given("") + CErrorText::Given("y"));
    EXPECT_EQ("xy", CopyLastError().ForCaller(upper));
    SetLastErrorMessage("plain");
    EXPECT_EQ("PLAIN", CopyLastError().ForCaller(upper));
}

// ---- threads ---------------------------------------------------------------------------------

TEST(LastErrorThreadTest, ConcurrentSetAppendCopyAndLog) {
    kxtest::TempDir dir;
    const int kThreads = 8, kRounds = 300;
    std::vector<std::string> msgs;
    for (int t = 0; t < kThreads; ++t) msgs.push_back("thread " + std::to_string(t) + " failed");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                SetLastErrorMessage(msgs[t]);
                std::string s = AppendLastErrorMessage(" +");
                EXPECT_GE(s.size(), 2u);
                (void)CopyLastErrorMessage();
                if (r % 10 == 0) {
                    WriteError(msgs[t], dir.path().c_str());
                    g_bLog.store(true, std::memory_order_relaxed);
                }
                if (r % 50 == 0) ReportError(msgs[t], 0);
            }
            SetLastErrorMessage(msgs[t]);  // every thread ends with a plain set
        });
    }
    for (auto& th : threads) th.join();
    std::string last = CopyLastErrorMessage();
    EXPECT_NE(msgs.end(), std::find(msgs.begin(), msgs.end(), last)) << last;
    // Every line of the shared file is whole.
    for (auto& name : ListDir(dir.path())) {
        std::string text = kxtest::ReadAll(dir.file(name));
        std::regex line(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\]\tthread \d failed\n)");
        EXPECT_TRUE(std::regex_replace(text, line, "").empty());
    }
}

TEST(LastErrorThreadTest, ReportingWhileHoldingEngineMutex) {
    kxtest::TempDir dir;
    auto done = std::async(std::launch::async, [&] {
        pthread_mutex_lock(&g_mutex);
        WriteError("under lock", dir.path().c_str());
        SetLastErrorMessage("under lock");
        std::string s = CopyLastErrorMessage();
        pthread_mutex_unlock(&g_mutex);
        return s;
    });
    ASSERT_EQ(std::future_status::ready, done.wait_for(std::chrono::seconds(20)));
    EXPECT_EQ("under lock", done.get());
    // The lock still works afterwards, from another thread too.
    std::thread([] {
        EXPECT_EQ(0, pthread_mutex_lock(&g_mutex));
        EXPECT_EQ(0, pthread_mutex_unlock(&g_mutex));
    }).join();
}

}  // namespace
