#include "Utility/ReadFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "Utility/LogFile.h"
#include "common/TestUtil.h"

namespace {

// Reads with the buffer form; returns the count and the n bytes read (empty when untouched).
struct Read {
    unsigned long n;
    bool touched;
    std::string bytes;
};

Read ReadBuf(const std::string& path, long offset, unsigned long length, bool all) {
    char* buf = nullptr;
    Read r;
    r.n = ReadFile(path.c_str(), &buf, offset, length, all);
    r.touched = buf != nullptr;
    if (buf) {
        EXPECT_EQ(buf[r.n], 0) << "no NUL at n";
        r.bytes.assign(buf, r.n);
    }
    delete[] buf;
    return r;
}

}  // namespace

TEST(ReadFileTest, WholeFilesAndRanges) {
    kxtest::TempDir dir;
    const std::string f = dir.file("a.txt");
    kxtest::WriteAll(f, "hello world");
    Read r = ReadBuf(f, 0, 0, true);
    EXPECT_EQ(r.n, 11u);
    EXPECT_EQ(r.bytes, "hello world");
    r = ReadBuf(f, 6, 3, false);
    EXPECT_EQ(r.bytes, "wor");
    // A range past the end returns the requested length, zero-filled.
    r = ReadBuf(f, 9, 6, false);
    EXPECT_EQ(r.n, 6u);
    EXPECT_EQ(r.bytes, std::string("ld\0\0\0\0", 6));
    r = ReadBuf(f, 100, 4, false);
    EXPECT_EQ(r.bytes, std::string(4, '\0'));
    // A negative offset reads nothing: n zero bytes.
    r = ReadBuf(f, -5, 3, false);
    EXPECT_EQ(r.bytes, std::string(3, '\0'));
    // length 0 without bZeroIsAll reads nothing.
    r = ReadBuf(f, 0, 0, false);
    EXPECT_EQ(r.n, 0u);
    EXPECT_TRUE(r.touched);
}

TEST(ReadFileTest, EmptyFilesAndNames) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string f = dir.file("empty");
    kxtest::WriteAll(f, "");
    Read r = ReadBuf(f, 0, 0, true);
    EXPECT_EQ(r.n, 0u);
    EXPECT_TRUE(r.touched);  // an allocated "", freed by the caller
    r = ReadBuf("", 0, 0, true);
    EXPECT_EQ(r.n, 0u);
    EXPECT_TRUE(r.touched);
    char* buf = nullptr;
    EXPECT_EQ(ReadFile(nullptr, &buf, 0, 0, true), 0u);
    delete[] buf;
    EXPECT_TRUE(capture.Logs().empty());

    // The string form counts an empty file as a failure.
    SetLastErrorMessage("");
    tstring s = "old";
    EXPECT_EQ(ReadFile(f.c_str(), s, 0, 0, true), 0u);
    EXPECT_EQ(s, "");
    EXPECT_EQ(CopyLastErrorMessage(), "Error read file " + f);
    EXPECT_EQ(capture.Errors(), std::vector<std::string>({"Error read file " + f}));
}

TEST(ReadFileTest, StringFormDropsNulBytes) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string f = dir.file("nul");
    kxtest::WriteAll(f, std::string("a\0b\0\0c", 6));
    tstring s;
    EXPECT_EQ(ReadFile(f.c_str(), s, 0, 0, true), 3u);
    EXPECT_EQ(s, "abc");
    kxtest::WriteAll(f, std::string(5, '\0'));
    EXPECT_EQ(ReadFile(f.c_str(), s, 0, 0, true), 0u);  // only NULs: 0 without a message
    EXPECT_EQ(s, "");
    EXPECT_TRUE(capture.Errors().empty());
    // Zero-filled bytes of a range past the end are dropped too.
    kxtest::WriteAll(f, "xy");
    EXPECT_EQ(ReadFile(f.c_str(), s, 0, 10, false), 2u);
    EXPECT_EQ(s, "xy");
}

TEST(ReadFileTest, OpenFailuresLeaveThePointerAndLastError) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string missing = dir.file("missing");
    SetLastErrorMessage("before");
    char* const sentinel = reinterpret_cast<char*>(0x1);
    char* buf = sentinel;
    EXPECT_EQ(ReadFile(missing.c_str(), &buf, 0, 0, true), 0u);
    EXPECT_EQ(buf, sentinel);
    EXPECT_EQ(CopyLastErrorMessage(), "before");
    EXPECT_EQ(capture.Logs(), std::vector<std::string>({"Failed open file  " + missing}));
    EXPECT_TRUE(capture.Errors().empty());

    // The string form adds its own error line.
    tstring s = "x";
    EXPECT_EQ(ReadFile(missing.c_str(), s, 0, 0, true), 0u);
    EXPECT_EQ(capture.Logs().size(), 2u);
    EXPECT_EQ(capture.Errors(), std::vector<std::string>({"Error read file " + missing}));
    EXPECT_EQ(CopyLastErrorMessage(), "Error read file " + missing);
}

TEST(ReadFileTest, DirectoriesAndFifosAreRefused) {
    LogCapture capture;
    kxtest::TempDir dir;
    char* buf = nullptr;
    EXPECT_EQ(ReadFile(dir.path().c_str(), &buf, 0, 0, true), 0u);
    EXPECT_EQ(buf, nullptr);
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(fifo.c_str(), &buf, 0, 0, true), 0u);  // must not block
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(capture.Logs(), std::vector<std::string>({"Failed open file  " + dir.path(),
                                                         "Failed open file  " + fifo}));
}

// Paths longer than the kernel takes at once are read through their folders; a missing file at
// such a path, or a FIFO there, is refused as at a short one.
TEST(ReadFileTest, PathsBeyondTheKernelLimit) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::vector<std::string> files = kxtest::MakeDeepTree(dir.path(), 30, 200, "deep text");
    ASSERT_EQ(files.size(), 30u);
    for (size_t k : {size_t(0), size_t(19), size_t(20), size_t(29)}) {
        tstring s;
        EXPECT_EQ(ReadFile(files[k].c_str(), s, 0, 0, true), 9u) << files[k].size();
        EXPECT_EQ(s, "deep text");
    }
    ASSERT_GT(files[29].size(), 6000u);
    // Relative to the working directory, too.
    const std::string rel = files[29].substr(dir.path().size() + 1);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    tstring s;
    const unsigned long n = ReadFile(rel.c_str(), s, 5, 4, true);
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(s, "text");

    const std::string missing = files[29].substr(0, files[29].rfind('/')) + "/missing.txt";
    char* buf = nullptr;
    EXPECT_EQ(ReadFile(missing.c_str(), &buf, 0, 0, true), 0u);
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(capture.Logs(), std::vector<std::string>({"Failed open file  " + missing}));
}

namespace {

// The non-empty names of a path, in order.
std::vector<std::string> PathNames(const std::string& path) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < path.size()) {
        const size_t j = std::min(path.find('/', i), path.size());
        if (j > i) names.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    return names;
}

// Makes the folders `names` one below the other under `root`, each relative to the one above (so
// the chain may pass the kernel's limit), and writes `content` into `file` in the last. True on
// success.
bool MakeChainFile(const std::string& root, const std::vector<std::string>& names, const std::string& file,
                   const std::string& content) {
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::string& name : names) {
        if (fd < 0) return false;
        mkdirat(fd, name.c_str(), 0755);
        const int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = sub;
    }
    if (fd < 0) return false;
    const int out = openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = out >= 0 && write(out, content.data(), content.size()) == ssize_t(content.size());
    if (out >= 0) close(out);
    close(fd);
    return ok;
}

}  // namespace

// A long path with "//" where it is cut into pieces names the file that the path with one slash
// names: the piece after the cut is read below the folder reached, never as an absolute path, both
// when it is the last piece and when more folders follow it.
TEST(ReadFileTest, DoubleSlashAtTheCutOfALongPath) {
    LogCapture capture;
    kxtest::TempDir dir;
    // A folder path of exactly 4,094 bytes, so that its trailing "/" is byte 4,094, the last one a
    // piece below the limit can end with.
    std::vector<std::string> deepNames;
    size_t nLen = dir.path().size();
    while (PATH_MAX - 2 - nLen > 250) {
        deepNames.push_back(std::string(200, 'a'));
        nLen += 201;
    }
    deepNames.push_back(std::string(PATH_MAX - 2 - nLen - 1, 'b'));
    std::string deep = dir.path();
    for (const std::string& name : deepNames) deep += "/" + name;
    ASSERT_EQ(deep.size(), size_t(PATH_MAX - 2));

    // The file right after the cut: a short absolute decoy, and the same names below the deep folder.
    const std::string decoy = dir.path() + "/decoy";
    ASSERT_TRUE(MakeChainFile(dir.path(), {"decoy"}, "f.txt", "decoy"));
    std::vector<std::string> realNames = deepNames;
    for (const std::string& name : PathNames(decoy)) realNames.push_back(name);
    ASSERT_TRUE(MakeChainFile(dir.path(), realNames, "f.txt", "real"));
    tstring s;
    EXPECT_EQ(ReadFile((deep + "/" + decoy + "/f.txt").c_str(), s, 0, 0, true), 4u);
    EXPECT_EQ(s, "real");

    // More folders after the cut than one piece takes: the decoy is itself beyond the limit.
    ASSERT_EQ(mkdir(dir.file("long").c_str(), 0755), 0);
    const std::vector<std::string> files = kxtest::MakeDeepTree(dir.file("long"), 22, 200, "decoy");
    ASSERT_EQ(files.size(), 22u);
    const std::string sLongDecoy = files.back();
    ASSERT_GT(sLongDecoy.size(), size_t(PATH_MAX));
    std::vector<std::string> longNames = deepNames;
    const std::vector<std::string> decoyNames = PathNames(sLongDecoy);
    longNames.insert(longNames.end(), decoyNames.begin(), decoyNames.end() - 1);
    ASSERT_TRUE(MakeChainFile(dir.path(), longNames, decoyNames.back(), "real"));
    s.clear();
    EXPECT_EQ(ReadFile((deep + "/" + sLongDecoy).c_str(), s, 0, 0, true), 4u);
    EXPECT_EQ(s, "real");
    // Three slashes read the same; a path ending in slashes after the cut names a folder, refused.
    s.clear();
    EXPECT_EQ(ReadFile((deep + "//" + decoy + "/f.txt").c_str(), s, 0, 0, true), 4u);
    EXPECT_EQ(s, "real");
    char* buf = nullptr;
    EXPECT_EQ(ReadFile((deep + "///").c_str(), &buf, 0, 0, true), 0u);
    EXPECT_EQ(buf, nullptr);
}

TEST(ReadFileTest, HugeLengthsAreRefusedWithoutAnException) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string f = dir.file("small");
    kxtest::WriteAll(f, "abc");
    char* buf = nullptr;
    EXPECT_EQ(ReadFile(f.c_str(), &buf, 0, ULONG_MAX, false), 0u);  // n + 1 wraps
    EXPECT_EQ(buf, nullptr);
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer reports such a request instead of failing it
    EXPECT_EQ(ReadFile(f.c_str(), &buf, 0, ULONG_MAX - 1, false), 0u);  // cannot be allocated
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(capture.Errors().size(), 2u);
#endif
    EXPECT_EQ(capture.Errors().back(), "Error read file " + f);
    const size_t before = capture.Errors().size();
    tstring s;
    EXPECT_EQ(ReadFile(f.c_str(), s, 0, ULONG_MAX, false), 0u);
    EXPECT_EQ(capture.Errors().size(), before + 1);  // one line, not two, for the string form
}

TEST(ReadFileTest, KeptReaderMatchesNamesIgnoringCase) {
    kxtest::TempDir dir;
    const std::string f = dir.file("Doc.txt");
    kxtest::WriteAll(f, "content");
    CReadFile reader;
    char* buf = nullptr;
    EXPECT_EQ(reader.ReadFile(f.c_str(), &buf, 0, 0, true), 7u);
    delete[] buf;
    std::string upper = f;
    upper.replace(upper.size() - 7, 7, "DOC.TXT");
    buf = nullptr;
    EXPECT_EQ(reader.ReadFile(upper.c_str(), &buf, 0, 3, false), 3u);  // served from the open file
    EXPECT_STREQ(buf, "con");
    delete[] buf;
}

TEST(ReadFileTest, LinesCount) {
    kxtest::TempDir dir;
    const std::string f = dir.file("lines");
    kxtest::WriteAll(f, std::string(2499, 'x') + "\n");
    FILE* fp = fopen(f.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    EXPECT_EQ(GetFileLinesCount(fp), 3);  // 999 + 999 + 502
    EXPECT_EQ(ftell(fp), 0);
    fclose(fp);
    kxtest::WriteAll(f, "a\nb\nlast");
    fp = fopen(f.c_str(), "rb");
    EXPECT_EQ(GetFileLinesCount(fp), 3);
    fclose(fp);
    EXPECT_EQ(GetFileLinesCount(nullptr), 0);
}

TEST(ReadFileThreadTest, SharedReaderSwitchedBetweenTwoFiles) {
    kxtest::TempDir dir;
    const std::string a = dir.file("a"), b = dir.file("b");
    std::string textA, textB;
    for (int i = 0; i < 4096; ++i) {
        textA += char('a' + i % 26);
        textB += char('0' + i % 10);
    }
    kxtest::WriteAll(a, textA);
    kxtest::WriteAll(b, textB);
    CReadFile reader;
    std::vector<std::thread> threads;
    std::vector<int> bad(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const bool useA = (i + t) % 2 == 0;
                const std::string& name = useA ? a : b;
                const std::string& text = useA ? textA : textB;
                const long offset = (i * 37 + t * 11) % 4000;
                char* buf = nullptr;
                unsigned long n = reader.ReadFile(name.c_str(), &buf, offset, 64, false);
                if (n != 64 || !buf || std::string(buf, 64) != text.substr(offset, 64)) ++bad[t];
                delete[] buf;
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(bad[t], 0) << "thread " << t;
}
