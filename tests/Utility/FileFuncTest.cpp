#include "Utility/FileFunc.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "Utility/LogFile.h"
#include "common/TestUtil.h"

namespace {

bool IsDir(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Cwd() {
    char* c = getcwd(nullptr, 0);
    std::string s = c ? c : "";
    free(c);
    return s;
}

}  // namespace

TEST(FileFuncTest, StringsInBinaryFilesRoundTripAndRefuseLyingLengths) {
    kxtest::TempDir dir;
    const std::string f = dir.file("strings.bin");
    FILE* fp = fopen(f.c_str(), "wb");
    tstring a = std::string("ab\0c", 4), empty;
    ASSERT_TRUE(tstring_save(a, fp));
    ASSERT_TRUE(tstring_save(empty, fp));
    fclose(fp);
    EXPECT_EQ(kxtest::ReadAll(f), std::string("\x04\0\0\0" "ab\0c" "\0\0\0\0", 12));
    fp = fopen(f.c_str(), "rb");
    tstring x = "junk", y = "junk";
    EXPECT_TRUE(tstring_load(x, fp));
    EXPECT_TRUE(tstring_load(y, fp));
    EXPECT_EQ(x, a);
    EXPECT_EQ(y, "");
    EXPECT_FALSE(tstring_load(x, fp));  // at the end
    EXPECT_EQ(x, "");
    fclose(fp);

    // A length far beyond the file fails at once and leaves the string empty.
    kxtest::WriteAll(f, std::string("\xFF\xFF\xFF\x7F" "abc", 7));
    fp = fopen(f.c_str(), "rb");
    x = "junk";
    EXPECT_FALSE(tstring_load(x, fp));
    EXPECT_EQ(x, "");
    fclose(fp);
    kxtest::WriteAll(f, std::string("\x05\0\0\0" "abc", 7));  // two bytes short
    fp = fopen(f.c_str(), "rb");
    EXPECT_FALSE(tstring_load(x, fp));
    fclose(fp);
}

TEST(FileFuncTest, FileCopyForms) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string src = dir.file("src"), dst = dir.file("dst");
    std::string text;
    for (int i = 0; i < 100000; ++i) text += char('a' + i % 23);
    kxtest::WriteAll(src, text);
    EXPECT_TRUE(FileCopy(src.c_str(), dst.c_str(), 0));  // 0 means 64 KiB pieces, and it ends
    EXPECT_EQ(kxtest::ReadAll(dst), text);
    EXPECT_TRUE(FileCopy(src.c_str(), dst.c_str(), 7));
    EXPECT_EQ(kxtest::ReadAll(dst), text);

    EXPECT_FALSE(FileCopy(dir.file("none").c_str(), dst.c_str(), 0));
    EXPECT_FALSE(FileCopy(src.c_str(), dir.file("no/such/dir").c_str(), 0));
    EXPECT_EQ(capture.Errors(), std::vector<std::string>({"Error read file", dir.file("none"), "Error write file",
                                                          dir.file("no/such/dir")}));

    // Stream form: appends and checks the new length.
    kxtest::WriteAll(dst, "head");
    FILE* fs = fopen(src.c_str(), "rb");
    FILE* fd = fopen(dst.c_str(), "r+b");
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    EXPECT_EQ(FileCopy(fs, fd, 0, &m, 0), long(4 + text.size()));
    EXPECT_EQ(FileCopy(fs, fd, 1000, nullptr, 10), long(4 + text.size() + 10));
    fclose(fd);
    EXPECT_EQ(kxtest::ReadAll(dst), "head" + text + text.substr(0, 10));

    // Range form.
    fd = fopen(dst.c_str(), "wb");
    unsigned char buf[3];
    EXPECT_EQ(FileCopy(fs, fd, 5, 15, buf, sizeof buf, &m), 10u);
    EXPECT_EQ(FileCopy(fs, fd, 15, 5, buf, sizeof buf, nullptr), 0u);  // end before start
    EXPECT_EQ(FileCopy(fs, fd, 0, 5, nullptr, 3, nullptr), 0u);
    EXPECT_EQ(FileCopy(fs, fd, 0, 5, buf, 0, nullptr), 0u);
    EXPECT_EQ(FileCopy(fs, fd, text.size() - 2, text.size() + 50, buf, sizeof buf, nullptr), 2u);  // source ends
    fclose(fd);
    fclose(fs);
    EXPECT_EQ(kxtest::ReadAll(dst), text.substr(5, 10) + text.substr(text.size() - 2));
}

TEST(FileFuncTest, WholeFileWrites) {
    kxtest::TempDir dir;
    const std::string f = dir.file("w.txt");
    EXPECT_TRUE(gfn_bWriteFile(f.c_str(), "one"));
    EXPECT_TRUE(gfn_bAddFile(f.c_str(), "two"));
    EXPECT_EQ(kxtest::ReadAll(f), "onetwo");
    EXPECT_TRUE(gfn_bWriteFile(f.c_str(), "new"));
    EXPECT_EQ(kxtest::ReadAll(f), "new");
    EXPECT_FALSE(gfn_bWriteFile("", "x"));
    EXPECT_FALSE(gfn_bAddFile(nullptr, "x"));
    EXPECT_FALSE(gfn_bWriteFile(dir.file("no/dir").c_str(), "x"));
    // A full device: the short write is noticed (at fclose at the latest).
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_FALSE(gfn_bWriteFile("/dev/full", std::string(100000, 'x')));
    }
}

TEST(FileFuncTest, PathSplittingAndJoining) {
    tstring path, name, ext;
    GetPathFile("/a/b//c.tar.gz", path, name, ext);
    EXPECT_EQ(path, "/a/b");
    EXPECT_EQ(name, "c.tar");
    EXPECT_EQ(ext, "gz");
    GetPathFile("dir.v2/file", path, name, ext);  // a point before the last separator
    EXPECT_EQ(path, "dir.v2");
    EXPECT_EQ(name, "file");
    EXPECT_EQ(ext, "");
    GetPathFile("plain.txt", path, name, ext);
    EXPECT_EQ(path, ".");
    EXPECT_EQ(name, "plain");
    GetPathFile("/top", path, name, ext);
    EXPECT_EQ(path, "/");
    GetPathFile("a\\b\\c.h", path, name, ext);
    EXPECT_EQ(path, "a\\b");
    EXPECT_EQ(ext, "h");

    char out[4096], file[4096];
    EXPECT_STREQ(GetFullFileName(out, "dir", "f.txt"), "dir/f.txt");
    EXPECT_STREQ(GetFullFileName(out, "", "f.txt"), "f.txt");
    std::string longName(5000, 'n');  // cut to the out-buffer, never past it
    EXPECT_EQ(strlen(GetFullFileName(out, "d", longName.c_str())), 4095u);
    EXPECT_STREQ(GetFilename("/x/y/name.a.b", file), "name");
    EXPECT_EQ(getFilePath("/x/y/name"), "/x/y/");
    EXPECT_EQ(getFilePath("name"), "");
    EXPECT_EQ(getFilePath(""), "");

    GetRelevatePath("/x/y/name", out, file);
    EXPECT_STREQ(out, "/x/y");
    EXPECT_STREQ(file, "name");
    GetRelevatePath("name", out, file);
    EXPECT_EQ(std::string(out), Cwd());
    EXPECT_STREQ(file, "name");

    std::vector<tstring> filter{"TX", "htm"};
    EXPECT_TRUE(IsExtIncluded("txt", filter));
    EXPECT_TRUE(IsExtIncluded("HTML", filter));
    EXPECT_FALSE(IsExtIncluded("xml", filter));
}

TEST(FileFuncTest, GetFilePathCreatesDirectoriesWithoutChangingTheCwd) {
    kxtest::TempDir dir;
    const std::string cwd = Cwd();
    tstring result;
    const std::string base = dir.path() + "/";
    EXPECT_STREQ(gfn_GetFilePath(base.c_str(), "a/b\\c/file.txt", result), (base + "a/b\\c/file.txt").c_str());
    EXPECT_EQ(Cwd(), cwd);
    EXPECT_TRUE(IsDir(base + "a"));
    EXPECT_TRUE(IsDir(base + "a/b"));
    EXPECT_TRUE(IsDir(base + "a/b/c"));
    EXPECT_FALSE(IsDir(base + "a/b/c/file.txt"));
    // Existing directories are fine.
    EXPECT_STREQ(gfn_GetFilePath(base.c_str(), "a//d/f", result), (base + "a//d/f").c_str());
    EXPECT_TRUE(IsDir(base + "a/d"));
}

TEST(FileFuncTest, ContentById) {
    LogCapture capture;
    kxtest::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("123").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(dir.file("123/456").c_str(), 0777), 0);
    kxtest::WriteAll(dir.file("123/456/7.txt"), "seven");
    kxtest::WriteAll(dir.file("123/456.html"), "six");
    tstring content;
    EXPECT_STREQ(GetFileContentById("1234567", dir.path().c_str(), content), "seven");
    EXPECT_STREQ(GetFileContentById("123456", (dir.path() + "/").c_str(), content), "six");  // .txt, then .html
    capture.Errors();
    EXPECT_EQ(GetFileContentById("999", dir.path().c_str(), content), nullptr);
    std::vector<std::string> errors = capture.Errors();
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[errors.size() - 2], "Read file by ID fail!");
    EXPECT_EQ(errors.back(), dir.path() + "/999");
    EXPECT_EQ(CopyLastErrorMessage(), "Read file by ID fail!");
    EXPECT_EQ(GetFileContentById("../etc", dir.path().c_str(), content), nullptr);
    EXPECT_EQ(GetFileContentById("a/b", dir.path().c_str(), content), nullptr);
    EXPECT_EQ(GetFileContentById("", dir.path().c_str(), content), nullptr);
}

TEST(FileFuncTest, ReadNWordAndEnglishFiles) {
    kxtest::TempDir dir;
    const std::string f = dir.file("words");
    kxtest::WriteAll(f, "a b\tc\r\n\nd e\n");
    FILE* fp = fopen(f.c_str(), "rb");
    std::vector<tstring> words{"prior"};
    EXPECT_EQ(ReadNWord(fp, 4, words), 5);
    EXPECT_EQ(words, std::vector<tstring>({"prior", "a", "b", "c", "d"}));
    EXPECT_EQ(ReadNWord(fp, 10, words), 5);  // the line of d was read whole: e went with it
    fclose(fp);

    kxtest::WriteAll(f, "This is plain English text for the test.");
    EXPECT_TRUE(IsEnglishTextFile(f.c_str()));
    kxtest::WriteAll(f, "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4");
    EXPECT_FALSE(IsEnglishTextFile(f.c_str()));
    EXPECT_FALSE(IsEnglishTextFile(dir.file("missing").c_str()));
    EXPECT_EQ(get_file_size(f.c_str()), 12);
    EXPECT_EQ(get_file_size(dir.file("missing").c_str()), -1);
}

TEST(FileFuncTest, WriteBufGrowsAndKeepsByteOrders) {
    char* buf = nullptr;
    int size = 0, maxSize = 0;
    EXPECT_EQ(WriteBuf(&buf, size, maxSize, 0x01020304, false), 4);
    EXPECT_EQ(maxSize, 1024);
    EXPECT_EQ(WriteBuf(&buf, size, maxSize, 0x01020304, true), 8);
    uint32_t host, net;
    memcpy(&host, buf, 4);
    memcpy(&net, buf + 4, 4);
    EXPECT_EQ(host, 0x01020304u);
    EXPECT_EQ(ntohl(net), 0x01020304u);
    EXPECT_EQ(static_cast<unsigned char>(buf[4]), 0x01);  // network order: most significant first
    for (int i = 0; i < 1000; ++i) WriteBuf(&buf, size, maxSize, i, false);
    EXPECT_EQ(size, 8 + 4000);
    EXPECT_GE(maxSize, size + 10);
    int v;
    memcpy(&v, buf + 8 + 4 * 999, 4);
    EXPECT_EQ(v, 999);
    // Growth beyond int range fails and keeps everything.
    int hugeSize = INT_MAX - 100, hugeMax = INT_MAX - 100;
    char* keep = buf;
    EXPECT_EQ(WriteBuf(&buf, hugeSize, hugeMax, 1, false), INT_MAX - 100);
    EXPECT_EQ(buf, keep);
    EXPECT_EQ(hugeMax, INT_MAX - 100);
    free(buf);
}

TEST(FileFuncTest, SystemRunLogsBothLinesAndLeavesNoZombie) {
    LogCapture capture;
    kxtest::TempDir dir;
    const std::string marker = dir.file("ran");
    pthread_mutex_t unused = PTHREAD_MUTEX_INITIALIZER;
    const std::string cmd = "echo hi > " + marker;
    EXPECT_EQ(system_run(cmd.c_str(), unused), 1);
    EXPECT_EQ(kxtest::ReadAll(marker), "hi\n");  // waited for: the file is complete
    EXPECT_EQ(capture.Logs(), std::vector<std::string>({cmd + " start!", cmd + " start! End!"}));
    EXPECT_EQ(CopyLastErrorMessage(), cmd + " start! End!");
    // No child is left to reap.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}
