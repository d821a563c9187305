#include "Utility/Profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "common/TestUtil.h"

namespace {

class ProfileTest : public testing::Test {
protected:
    std::string Path() const { return m_dir.file("p.ini"); }
    void Put(const std::string& bytes) const { kxtest::WriteAll(Path(), bytes); }
    std::string Get() const { return kxtest::ReadAll(Path()); }
    std::string ReadString(Profile& p, const char* section, const char* key) {
        char buf[64];
        p.fn_iReadString(section, key, "<none>", buf, sizeof buf);
        return buf;
    }

    kxtest::TempDir m_dir;
};

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST_F(ProfileTest, ReadsSectionsKeysAndSeparators) {
    Put("; a = 9\n"
        "x = 0\n"
        "[s]\r\n"
        "  x\t= 1  \r\n"
        "a: 5\n"
        "b = c: d\n"
        "e =\n"
        "f = 2.5\n"
        "no separator here\n"
        "[ my section ]\n"
        "k = v\n"
        "[t]\n"
        "x = 2\n"
        "a = 6\n");
    Profile p(Path().c_str());
    EXPECT_EQ(1, p.fn_iReadInt("s", "x", -1));
    EXPECT_EQ(2, p.fn_iReadInt("t", "x", -1));
    EXPECT_EQ(0, p.fn_iReadInt(nullptr, "x", -1));  // no section: the first in the file
    EXPECT_EQ(5, p.fn_iReadInt("s", "a", -1));      // ":" only without "="
    EXPECT_EQ(6, p.fn_iReadInt("t", "a", -1));
    EXPECT_EQ("c: d", ReadString(p, "s", "b"));
    EXPECT_EQ(-1, p.fn_iReadInt("s", "e", -1));  // empty value: the default
    EXPECT_EQ(2.5f, p.fn_fReadFloat("s", "f", 0));
    EXPECT_EQ(-1, p.fn_iReadInt(nullptr, ";a", -1));  // comments are no entries
    EXPECT_EQ("<none>", ReadString(p, "s", "noseparatorhere"));
    EXPECT_EQ("v", ReadString(p, "mysection", "k"));
    EXPECT_EQ("<none>", ReadString(p, "my section", "k"));  // the argument is compared as given
    EXPECT_EQ(-1, p.fn_iReadInt("S", "x", -1));               // case-sensitive
    EXPECT_EQ(-1, p.fn_iReadInt("s", "X", -1));
    EXPECT_EQ(-1, p.fn_iReadInt("s", nullptr, -1));

    Profile missing(m_dir.file("nope.ini").c_str());
    EXPECT_EQ(3, missing.fn_iReadInt("s", "x", 3));
}

TEST_F(ProfileTest, ReadStringCutsAndRefuses) {
    Put("[s]\nk = hello\n");
    Profile p(Path().c_str());
    char buf[8] = "zzzzzzz";
    EXPECT_EQ(3, p.fn_iReadString("s", "k", "dflt", buf, 4));
    EXPECT_STREQ("hel", buf);
    EXPECT_EQ(2, p.fn_iReadString("s", "missing", "dflt", buf, 3));
    EXPECT_STREQ("df", buf);
    EXPECT_EQ(0, p.fn_iReadString("s", "missing", "dflt", buf, 1));
    EXPECT_STREQ("", buf);
    strcpy(buf, "keep");
    EXPECT_EQ(0, p.fn_iReadString("s", "k", nullptr, buf, 8));
    EXPECT_EQ(0, p.fn_iReadString("s", "k", "d", buf, 0));
    EXPECT_EQ(0, p.fn_iReadString("s", "k", "d", nullptr, 8));
    EXPECT_STREQ("keep", buf);
}

TEST_F(ProfileTest, LongLinesAreWholeLines) {
    // A line longer than any fixed buffer: its tail is never read as a line of its own.
    const std::string sValue(3000, 'v');
    Put("[s]\nc = " + std::string(1019, 'x') + "a = 7[t]\nlong = " + sValue + "\n");
    Profile p(Path().c_str());
    EXPECT_EQ(-1, p.fn_iReadInt(nullptr, "a", -1));
    std::unique_ptr<char[]> buf(new char[4000]);
    EXPECT_EQ(3000, p.fn_iReadString("s", "long", "", buf.get(), 4000));
    EXPECT_EQ(sValue, buf.get());
}

TEST_F(ProfileTest, WriteCreatesMissingFile) {
    Profile p(Path().c_str());
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "1"));
    EXPECT_EQ("[s]\r\na = 1\r\n", Get());
}

TEST_F(ProfileTest, WriteKeepsEveryOtherByte) {
    const std::string sHead = "; comment\n[s]\n";
    const std::string sTail = "b=2\r\n\n# note\n[t]\na = 5\nlast";
    Put(sHead + "  a : 0 \n" + sTail);
    Profile p(Path().c_str());
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "x y"));
    EXPECT_EQ(sHead + "a = x y\r\n" + sTail, Get());

    // A key missing from a section that another follows goes before the next header.
    EXPECT_EQ(1, p.fn_iWriteInt("s", "c", -3));
    EXPECT_EQ(sHead + "a = x y\r\nb=2\r\n\n# note\nc = -3\r\n[t]\na = 5\nlast", Get());

    // A section never found is appended, after a line end for the unterminated last line.
    EXPECT_EQ(1, p.fn_iWriteFloat("u", "f", 1.5f));
    EXPECT_EQ(sHead + "a = x y\r\nb=2\r\n\n# note\nc = -3\r\n[t]\na = 5\nlast\r\n[u]\r\nf = 1.500000\r\n", Get());
    EXPECT_EQ(1.5f, p.fn_fReadFloat("u", "f", 0));
}

TEST_F(ProfileTest, WriteToLastSectionWithoutLineEnd) {
    Put("[s]\nb = 2");
    Profile p(Path().c_str());
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "1"));
    EXPECT_EQ("[s]\nb = 2\r\na = 1\r\n", Get());
    EXPECT_EQ(2, p.fn_iReadInt("s", "b", 0));
    EXPECT_EQ(1, p.fn_iReadInt("s", "a", 0));
}

TEST_F(ProfileTest, WriteWithoutSection) {
    Put("x = 1\n[s]\ny = 2\n");
    Profile p(Path().c_str());
    EXPECT_EQ(1, p.fn_iWriteString(nullptr, "y", "5"));  // replaced wherever it stands
    EXPECT_EQ("x = 1\n[s]\ny = 5\r\n", Get());
    EXPECT_EQ(1, p.fn_iWriteString(nullptr, "z", "6"));  // appended, with no header
    EXPECT_EQ("x = 1\n[s]\ny = 5\r\nz = 6\r\n", Get());

    Profile fresh(m_dir.file("fresh.ini").c_str());
    EXPECT_EQ(1, fresh.fn_iWriteString(nullptr, "k", "v"));
    EXPECT_EQ("k = v\r\n", kxtest::ReadAll(m_dir.file("fresh.ini")));
}

TEST_F(ProfileTest, WriteKeepsLongLines) {
    const std::string sComment = "#" + std::string(2000, 'c') + "\n";
    Put("[s]\n" + sComment + "a = 0\n");
    Profile p(Path().c_str());
    const std::string sValue(3000, 'v');
    EXPECT_EQ(1, p.fn_iWriteString("s", "big", sValue.c_str()));
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "1"));
    EXPECT_EQ("[s]\n" + sComment + "a = 1\r\nbig = " + sValue + "\r\n", Get());
}

TEST_F(ProfileTest, WriteRefusals) {
    Put("[s]\na = 0\n");
    Profile p(Path().c_str());
    EXPECT_EQ(0, p.fn_iWriteString("s", nullptr, "1"));
    EXPECT_EQ(0, p.fn_iWriteString("s", "a", nullptr));
    EXPECT_EQ("[s]\na = 0\n", Get());
    Profile dir(m_dir.path().c_str());  // a directory is no profile
    EXPECT_EQ(0, dir.fn_iWriteString("s", "a", "1"));
    Profile noDir(m_dir.file("missing/p.ini").c_str());
    EXPECT_EQ(0, noDir.fn_iWriteString("s", "a", "1"));
}

// Runs fn_iWriteString in a child process limited to files of nLimit bytes, with SIGXFSZ
// ignored so that the write or the close fails instead of killing it; returns its result.
static int WriteUnderSizeLimit(const std::string& path, const std::string& value, rlim_t nLimit) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim;
        getrlimit(RLIMIT_FSIZE, &lim);
        lim.rlim_cur = nLimit;
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(99);
        Profile p(path.c_str());
        _exit(p.fn_iWriteString("s", "a", value.c_str()));
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_F(ProfileTest, FailedWriteLeavesOldFile) {
    Put("[s]\na = 0\n");
    ASSERT_EQ(0, chmod(Path().c_str(), 0640));
    // A file-size limit makes the final flush and close fail (a short value), or a write itself
    // (a value longer than the stream's buffer).
    for (const std::string& value : {std::string(40, 'x'), std::string(100000, 'y')}) {
        EXPECT_EQ(0, WriteUnderSizeLimit(Path(), value, 16)) << value.size();
        EXPECT_EQ("[s]\na = 0\n", Get());
        EXPECT_EQ(0640u, ModeOf(Path()));
        int nEntries = 0;
        for (const auto& e : std::filesystem::directory_iterator(m_dir.path())) nEntries += e.exists();
        EXPECT_EQ(1, nEntries) << "a temporary file was left behind";
    }
    EXPECT_EQ(1, WriteUnderSizeLimit(Path(), "1", 1 << 20));
    EXPECT_EQ("[s]\na = 1\r\n", Get());

    // An unwritable directory (not testable as root, who may write anywhere).
    kxtest::TempDir locked;
    const std::string sPath = locked.file("p.ini");
    kxtest::WriteAll(sPath, "[s]\na = 0\n");
    ASSERT_EQ(0, chmod(sPath.c_str(), 0640));
    ASSERT_EQ(0, chmod(locked.path().c_str(), 0555));
    if (access(locked.path().c_str(), W_OK) != 0) {
        Profile q(sPath.c_str());
        EXPECT_EQ(0, q.fn_iWriteString("s", "a", "1"));
        EXPECT_EQ("[s]\na = 0\n", kxtest::ReadAll(sPath));
        EXPECT_EQ(0640u, ModeOf(sPath));
    }
    chmod(locked.path().c_str(), 0755);
}

TEST_F(ProfileTest, NameNearTheLengthLimitCanBeSaved) {
    const std::string sLong = m_dir.file(std::string(250, 'n'));
    kxtest::WriteAll(sLong, "[s]\na = 0\n");
    ASSERT_EQ(0, chmod(sLong.c_str(), 0640));
    Profile p(sLong.c_str());
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "1"));
    EXPECT_EQ("[s]\na = 1\r\n", kxtest::ReadAll(sLong));
    EXPECT_EQ(0640u, ModeOf(sLong));
}

// Line breaks would let a value, key or section write lines of its own (an "[evil]" section);
// blanks, "=" and ":" in a key, blanks in a section, and keys that start a comment or header
// could never be read back, and each write would append another line. All are refused, the file
// untouched.
TEST_F(ProfileTest, WriteRefusesEntriesThatWouldNotReadBack) {
    const std::string sOld = "[s]\na = 0\n";
    Put(sOld);
    Profile p(Path().c_str());
    EXPECT_EQ(0, p.fn_iWriteString("s", "a", "x\r\n[evil]\r\nb = 2"));
    EXPECT_EQ(0, p.fn_iWriteString("s", "a", "x\n"));
    EXPECT_EQ(0, p.fn_iWriteString("s", "a", "x\ry"));
    EXPECT_EQ(0, p.fn_iWriteString("s\r\n[evil]", "a", "1"));
    for (const char* key : {"my key", "a\tb", "a\nb = 2", "a=b", "a:b", " a", ";a", "#a", "[a"}) {
        EXPECT_EQ(0, p.fn_iWriteString("s", key, "1")) << key;
    }
    EXPECT_EQ(0, p.fn_iWriteString("my section", "a", "1"));
    EXPECT_EQ(0, p.fn_iWriteInt("s", "my key", 1));
    EXPECT_EQ(0, p.fn_iWriteFloat("s", "k=", 1.0f));
    EXPECT_EQ(sOld, Get());
    EXPECT_EQ(0, p.fn_iReadInt("s", "a", -1));

    // What may stand in a value: blanks, "=", ":", ";", "#" and brackets.
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "x = y: [z] ;#"));
    EXPECT_EQ("x = y: [z] ;#", ReadString(p, "s", "a"));
    EXPECT_EQ(1, p.fn_iWriteString("s", "a.b-c_d", "2"));
    EXPECT_EQ(2, p.fn_iReadInt("s", "a.b-c_d", 0));
}

TEST_F(ProfileTest, WriteKeepsModeAndLink) {
    Put("[s]\na = 0\n");
    ASSERT_EQ(0, chmod(Path().c_str(), 0604));
    const std::string sLink = m_dir.file("link.ini");
    ASSERT_EQ(0, symlink(Path().c_str(), sLink.c_str()));
    Profile p(sLink.c_str());
    EXPECT_EQ(1, p.fn_iWriteString("s", "a", "1"));
    EXPECT_EQ("[s]\na = 1\r\n", Get());
    EXPECT_EQ(0604u, ModeOf(Path()));
    struct stat st;
    ASSERT_EQ(0, lstat(sLink.c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(ProfileUtilityTest, IntToString) {
    char buf[40];
    EXPECT_TRUE(Profile::fn_pIntToString(-255, buf, 16));
    EXPECT_STREQ("-FF", buf);
    EXPECT_TRUE(Profile::fn_pIntToString(0, buf, 2));
    EXPECT_STREQ("0", buf);
    EXPECT_TRUE(Profile::fn_pIntToString(35, buf, 36));
    EXPECT_STREQ("Z", buf);
    EXPECT_TRUE(Profile::fn_pIntToString(INT_MIN, buf, 10));
    EXPECT_STREQ("-2147483648", buf);
    // Base 2 of INT_MIN fills the documented 34 bytes exactly.
    std::unique_ptr<char[]> exact(new char[34]);
    EXPECT_TRUE(Profile::fn_pIntToString(INT_MIN, exact.get(), 2));
    EXPECT_EQ("-1" + std::string(31, '0'), exact.get());
    strcpy(buf, "keep");
    EXPECT_FALSE(Profile::fn_pIntToString(5, buf, 1));
    EXPECT_FALSE(Profile::fn_pIntToString(5, buf, 37));
    EXPECT_FALSE(Profile::fn_pIntToString(5, nullptr, 10));
    EXPECT_STREQ("keep", buf);

    // Random values and bases read back through strtol.
    const unsigned seed = 20211;
    std::mt19937 rng(seed);
    for (int i = 0; i < 5000; ++i) {
        const int num = int(rng());
        const int base = 2 + int(rng() % 35);
        ASSERT_TRUE(Profile::fn_pIntToString(num, buf, base));
        ASSERT_EQ(num, strtol(buf, nullptr, base)) << "seed " << seed << " num " << num << " base " << base;
    }
}

TEST(ProfileUtilityTest, FloatToStringFitsFortyEightBytes) {
    std::unique_ptr<char[]> buf(new char[48]);
    EXPECT_TRUE(Profile::fn_pFloatToString(-FLT_MAX, buf.get()));
    EXPECT_EQ(47u, strlen(buf.get()));
    EXPECT_TRUE(Profile::fn_pFloatToString(1.5f, buf.get()));
    EXPECT_STREQ("1.500000", buf.get());
    EXPECT_FALSE(Profile::fn_pFloatToString(1.5f, nullptr));
}

TEST(ProfileUtilityTest, FiltersAndReverse) {
    struct Case {
        const char* in;
        const char* lr;
        const char* all;
        const char* rev;
    } cases[] = {
        {"", "", "", ""},
        {" \t\r\n ", "", "", " \n\r\t "},
        {" a b\tc\r\n", "a b\tc", "abc", "\n\rc\tb a "},
        {"x", "x", "x", "x"},
    };
    for (const Case& c : cases) {
        char buf[32];
        strcpy(buf, c.in);
        Profile::fn_vFilterLRSpace(buf);
        EXPECT_STREQ(c.lr, buf) << '"' << c.in << '"';
        strcpy(buf, c.in);
        Profile::fn_vFilterSpace(buf);
        EXPECT_STREQ(c.all, buf) << '"' << c.in << '"';
        strcpy(buf, c.in);
        Profile::fn_vReverse(buf);
        EXPECT_STREQ(c.rev, buf) << '"' << c.in << '"';
    }
    Profile::fn_vFilterLRSpace(nullptr);
    Profile::fn_vFilterSpace(nullptr);
    Profile::fn_vReverse(nullptr);
}
