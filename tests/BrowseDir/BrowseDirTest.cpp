#include "BrowseDir/BrowseDir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "BrowseDirTestUtil.h"
#include "Utility/LogFile.h"
#include "common/TestUtil.h"

using kxtest::TempDir;

namespace {

// Collects the texts a walk passes to its progress callback.
struct Progress {
    std::vector<std::string> lines;
    static void Callback(void* host, const char* text) { static_cast<Progress*>(host)->lines.push_back(text); }
};

std::vector<std::string> Scan(const std::string& dir, const char* filter, bool bFile = true) {
    std::vector<tstring> v;
    gfn_vScanFiles(dir.c_str(), v, filter, bFile);
    return v;
}

}  // namespace

TEST(BrowseDirTest, FilterListAndMatching) {
    TempDir t;
    const std::string root = RealDir(t.path());
    for (const char* name : {"a.Txt", "README", "b.log", "c.text", ".txt", "d.TXT", "e.txt.bak"}) Touch(root + name);
    ASSERT_EQ(mkfifo((root + "p.txt").c_str(), 0600), 0);

    CBrowseDir walker(20);
    ASSERT_TRUE(walker.SetInitDir(t.path().c_str()));
    EXPECT_EQ(walker.GetInitDir(), root);
    Progress progress;
    ASSERT_TRUE(walker.BeginBrowse("*.TXT;*.log", true, &progress, reinterpret_cast<void*>(&Progress::Callback)));
    EXPECT_EQ(walker.GetFilter(), (std::vector<tstring>{"log", "txt"}));
    std::vector<std::string> got;
    for (const auto& info : walker.GetFileInfo()) got.push_back(info.filename);
    std::sort(got.begin(), got.end());
    // The FIFO named p.txt is never taken, nor a name without a dot.
    EXPECT_EQ(got, (std::vector<std::string>{root + ".txt", root + "a.Txt", root + "b.log", root + "d.TXT"}));

    // "*" takes every regular file; a NULL filter takes none.
    std::vector<std::string> all = Scan(t.path(), "*");
    EXPECT_EQ(all.size(), 7u);
    EXPECT_TRUE(Scan(t.path(), nullptr).empty());
    // The flag of "*" does not stick to the next walk of the same walker.
    ASSERT_TRUE(walker.BeginBrowse("*", true, nullptr, nullptr));
    EXPECT_EQ(walker.GetFileInfo().size(), 7u);
    ASSERT_TRUE(walker.BeginBrowse("log", true, nullptr, nullptr));
    ASSERT_EQ(walker.GetFileInfo().size(), 1u);
    EXPECT_EQ(walker.GetFileInfo()[0].filename, root + "b.log");
    EXPECT_EQ(walker.GetFileInfo()[0].size, 0u);
}

TEST(BrowseDirTest, TreeWalkListsAbsolutePathsOnceEach) {
    TempDir t;
    const std::string root = RealDir(t.path());
    MakeDir(root + "x");
    MakeDir(root + "x/y");
    Touch(root + "top.txt", "12345");
    Touch(root + "x/mid.txt");
    Touch(root + "x/y/low.txt");
    // Links back to ancestors, and a second link to one folder.
    ASSERT_EQ(symlink("..", (root + "x/y/up").c_str()), 0);
    ASSERT_EQ(symlink(root.c_str(), (root + "x/root").c_str()), 0);
    ASSERT_EQ(symlink((root + "x").c_str(), (root + "xx").c_str()), 0);
    // A dangling link is reported and skipped.
    ASSERT_EQ(symlink((root + "gone").c_str(), (root + "dangling.txt").c_str()), 0);

    char cwdBefore[4096];
    ASSERT_NE(getcwd(cwdBefore, sizeof(cwdBefore)), nullptr);
    SetLastErrorMessage("before the walk");

    std::vector<std::string> got = Scan(t.path(), "*.txt");
    std::vector<std::string> names;
    for (const std::string& p : got) names.push_back(std::filesystem::path(p).filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"low.txt", "mid.txt", "top.txt"}));
    for (const std::string& p : got) EXPECT_EQ(p.compare(0, root.size(), root), 0) << p;

    char cwdAfter[4096];
    ASSERT_NE(getcwd(cwdAfter, sizeof(cwdAfter)), nullptr);
    EXPECT_STREQ(cwdBefore, cwdAfter);
    EXPECT_EQ(CopyLastErrorMessage(), "before the walk");

    // A relative start folder lists the same absolute paths.
    const std::string rel = std::filesystem::relative(t.path(), std::filesystem::current_path());
    std::vector<std::string> viaRel = Scan(rel, "*.txt");
    EXPECT_EQ(viaRel, got);
}

TEST(BrowseDirTest, DeepTreeBeyondTheThreadLimit) {
    TempDir t;
    const std::string root = RealDir(t.path());
    std::string dir = root;
    for (int level = 0; level < 25; ++level) {
        dir += "d" + std::to_string(level) + "/";
        MakeDir(dir);
        Touch(dir + "f" + std::to_string(level) + ".txt");
    }
    EXPECT_EQ(Scan(t.path(), "*.txt").size(), 25u);
    // No threads at all gives the same list.
    CBrowseDir walker(0);
    ASSERT_TRUE(walker.SetInitDir(t.path().c_str()));
    ASSERT_TRUE(walker.BeginBrowse("*.txt", true, nullptr, nullptr));
    EXPECT_EQ(walker.GetFileInfo().size(), 25u);
}

TEST(BrowseDirTest, AppendMinTimeAndProgress) {
    TempDir t;
    const std::string root = RealDir(t.path());
    for (int i = 0; i < 2500; ++i) Touch(root + "f" + std::to_string(i) + ".txt");

    std::vector<tstring> v{"kept"};
    ASSERT_TRUE(gfn_vScanFiles(t.path().c_str(), v, "*.txt", true));
    ASSERT_EQ(v.size(), 2501u);
    EXPECT_EQ(v[0], "kept");
    // Oldest status change first.
    struct stat a, b;
    ASSERT_EQ(stat(v[1].c_str(), &a), 0);
    ASSERT_EQ(stat(v[2500].c_str(), &b), 0);
    EXPECT_LE(a.st_ctime, b.st_ctime);

    CBrowseDir walker(20);
    ASSERT_TRUE(walker.SetInitDir(t.path().c_str()));
    Progress progress;
    ASSERT_TRUE(walker.BeginBrowse("*.txt", true, &progress, reinterpret_cast<void*>(&Progress::Callback)));
    std::vector<std::string> scans;
    for (const std::string& line : progress.lines) {
        if (line.compare(0, 12, "ThreadCount=") == 0) scans.push_back(line);
    }
    ASSERT_EQ(scans.size(), 2u);
    EXPECT_NE(scans[0].find("(" + root + ") 1000 "), std::string::npos) << scans[0];
    EXPECT_NE(scans[1].find("(" + root + ") 2000 "), std::string::npos) << scans[1];
    ASSERT_EQ(progress.lines.size(), 4u);
    EXPECT_EQ(progress.lines[2].compare(0, 26, "BrowseDir Get  2500 files,"), 0) << progress.lines[2];
    EXPECT_EQ(progress.lines[3].compare(0, 24, "Sort ending  2500 files,"), 0) << progress.lines[3];
    EXPECT_NE(progress.lines[3].find("\xCE\xC4\xBC\xFE\xCA\xFD/s Started sort!\n"), std::string::npos);  // 文件数

    // Files older than the limit are left out; a limit equal to a file's time keeps it.
    walker.SetMinTimestamp(b.st_ctime + 100000);
    ASSERT_TRUE(walker.BeginBrowse("*.txt", true, nullptr, nullptr));
    EXPECT_TRUE(walker.GetFileInfo().empty());
    walker.SetMinTimestamp(b.st_ctime);
    ASSERT_TRUE(walker.BeginBrowse("*.txt", true, nullptr, nullptr));
    EXPECT_FALSE(walker.GetFileInfo().empty());
    for (const auto& info : walker.GetFileInfo()) EXPECT_GE(info.timestamp, b.st_ctime);
}

TEST(BrowseDirTest, RefusedStartFolders) {
    TempDir t;
    const std::string plain = t.file("plain.txt");
    Touch(plain);
    for (const char* dir : {"", "/no/such/folder/anywhere", plain.c_str()}) {
        std::vector<tstring> v{"kept"};
        EXPECT_FALSE(gfn_vScanFiles(dir, v, "*", true)) << dir;
        EXPECT_EQ(v, std::vector<tstring>{"kept"}) << dir;
    }
    std::vector<tstring> v;
    EXPECT_FALSE(gfn_vScanFiles(nullptr, v, "*", true));
    EXPECT_TRUE(v.empty());

    CBrowseDir walker(20);
    EXPECT_FALSE(walker.SetInitDir(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(walker.BeginBrowse("*", true, nullptr, nullptr));
    ASSERT_TRUE(walker.SetInitDir(t.path().c_str()));
    ASSERT_TRUE(walker.BeginBrowse("*", true, nullptr, nullptr));
    EXPECT_EQ(walker.GetFileInfo().size(), 1u);
    // A refused name clears the start folder: nothing from the earlier one is walked.
    EXPECT_FALSE(walker.SetInitDir("/no/such/folder/anywhere"));
    EXPECT_EQ(walker.GetInitDir(), "");
    EXPECT_FALSE(walker.BeginBrowse("*", true, nullptr, nullptr));
    EXPECT_TRUE(walker.GetFileInfo().empty());
    // The wide form resolves the same way.
    EXPECT_TRUE(walker.SetInitDir(std::wstring(t.path().begin(), t.path().end()).c_str()));
    EXPECT_EQ(walker.GetInitDir(), RealDir(t.path()));
    // The root folder gets no second slash.
    EXPECT_TRUE(walker.SetInitDir("/"));
    EXPECT_EQ(walker.GetInitDir(), "/");
}

TEST(BrowseDirTest, FoldersModeListsSubfolderNames) {
    TempDir t;
    const std::string root = RealDir(t.path());
    MakeDir(root + "b");
    MakeDir(root + "a");
    MakeDir(root + "a/inner");
    Touch(root + "file.txt");
    std::vector<tstring> dirs{"kept"};
    ASSERT_TRUE(gfn_vScanDirs(t.path().c_str(), dirs));
    EXPECT_EQ(dirs, (std::vector<tstring>{"kept", "a", "b"}));

    std::vector<tstring> drives{"x"};
    GetHardDiskDriver(drives);
    EXPECT_TRUE(drives.empty());
}

TEST(BrowseDirTest, CleanDirectoryMatchesNameEndsAndNeverFollowsLinks) {
    TempDir t;
    const std::string root = RealDir(t.path());
    const std::string d = root + "d/";
    const std::string outside = root + "outside/";
    MakeDir(d);
    MakeDir(d + "sub");
    MakeDir(d + "x.txt");
    MakeDir(outside);
    Touch(outside + "o.txt");
    Touch(d + "a.txt");
    Touch(d + "a.txt.bak");
    Touch(d + "sub/b.txt");
    Touch(d + "sub/c.log");
    Touch(d + "x.txt/keep.log");
    ASSERT_EQ(symlink(outside.c_str(), (d + "out").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (d + "link.txt").c_str()), 0);

    EXPECT_TRUE(gfn_bCleanDirectory(d.c_str(), "*.txt"));
    auto exists = [](const std::string& p) {
        struct stat st;
        return lstat(p.c_str(), &st) == 0;
    };
    EXPECT_FALSE(exists(d + "a.txt"));
    EXPECT_TRUE(exists(d + "a.txt.bak"));
    EXPECT_FALSE(exists(d + "sub/b.txt"));
    EXPECT_TRUE(exists(d + "sub/c.log"));
    EXPECT_TRUE(exists(d + "x.txt/keep.log"));
    EXPECT_TRUE(exists(d + "out"));
    EXPECT_FALSE(exists(d + "link.txt"));  // the link itself
    EXPECT_TRUE(exists(outside + "o.txt"));

    EXPECT_TRUE(gfn_bCleanDirectory((root + "d").c_str(), nullptr));
    EXPECT_FALSE(exists(d));
    EXPECT_TRUE(exists(outside + "o.txt"));

    EXPECT_FALSE(gfn_bCleanDirectory("", nullptr));
    EXPECT_FALSE(gfn_bCleanDirectory(nullptr, nullptr));
    EXPECT_FALSE(gfn_bCleanDirectory((root + "missing").c_str(), nullptr));
}

// A tree deeper than the kernel's path limit (30 levels of 200-byte names, about 6,000 bytes) is
// walked whole, with and without threads; every listed path names its file.
TEST(BrowseDirTest, TreeDeeperThanThePathLimit) {
    TempDir t;
    const std::string root = RealDir(t.path());
    const std::vector<std::string> files = kxtest::MakeDeepTree(t.path(), 30, 200, "x");
    ASSERT_EQ(files.size(), 30u);
    ASSERT_GT(files.back().size(), 6000u);
    std::vector<std::string> expected;
    for (const std::string& f : files) expected.push_back(root + f.substr(t.path().size() + 1));
    std::sort(expected.begin(), expected.end());
    for (unsigned limit : {20u, 0u}) {
        CBrowseDir walker(limit);
        ASSERT_TRUE(walker.SetInitDir(t.path().c_str()));
        testing::internal::CaptureStdout();
        const bool ok = walker.BeginBrowse("*.txt", true, nullptr, nullptr);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(ok);
        EXPECT_EQ(out.find("Failure"), std::string::npos) << out.substr(0, 300);
        std::vector<std::string> got;
        for (const auto& info : walker.GetFileInfo()) {
            got.push_back(info.filename);
            EXPECT_EQ(info.size, 1u);
        }
        std::sort(got.begin(), got.end());
        EXPECT_TRUE(got == expected) << got.size() << " of " << expected.size() << " listed, limit " << limit;
    }
}

namespace {

// A walker whose first recorded file removes every other file of its folder: entries the folder
// listing already holds vanish before the walk looks at them.
class VanishingWalker : public CBrowseDir {
public:
    VanishingWalker() : CBrowseDir(20) {}
    bool ProcessFile(const char* filename, const struct stat& st) override {
        if (!m_bRemoved) {
            m_bRemoved = true;
            const std::string dir = std::filesystem::path(filename).parent_path();
            for (const auto& e : std::filesystem::directory_iterator(dir)) {
                if (e.path() != filename && e.path().extension() == ".txt") std::filesystem::remove(e.path());
            }
        }
        return CBrowseDir::ProcessFile(filename, st);
    }

private:
    bool m_bRemoved = false;
};

}  // namespace

TEST(BrowseDirTest, MessagesOfTheWalk) {
    TempDir t;
    const std::string root = RealDir(t.path());
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) Touch(root + name);

    // Entries that vanish during the walk are reported and skipped; the walk goes on.
    VanishingWalker vanishing;
    ASSERT_TRUE(vanishing.SetInitDir(t.path().c_str()));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(vanishing.BeginBrowse("*.txt", true, nullptr, nullptr));
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(vanishing.GetFileInfo().size(), 1u);
    const std::string kept = vanishing.GetFileInfo()[0].filename;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        const std::string line = "Error:stat " + root + name + "\n";
        EXPECT_EQ(out.find(line) != std::string::npos, root + name != kept) << out;
    }

    // A link to nothing cannot be stat-ed.
    ASSERT_EQ(symlink((root + "gone").c_str(), (root + "dangling.txt").c_str()), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Scan(t.path(), "*.txt"), std::vector<std::string>{kept});
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Error:stat " + root + "dangling.txt\n"), std::string::npos) << out;

    // A start folder that is gone by the time of the walk.
    TempDir gone;
    const std::string sGone = RealDir(gone.path());
    CBrowseDir walker(20);
    ASSERT_TRUE(walker.SetInitDir(gone.path().c_str()));
    ASSERT_EQ(rmdir(gone.path().c_str()), 0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(walker.BeginBrowse("*", true, nullptr, nullptr));
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find(" Failure to open the directory " + sGone + "\n"), 0u) << out;
    EXPECT_TRUE(walker.GetFileInfo().empty());

    // A file recorded by name that cannot be stat-ed.
    SetLastErrorMessage("");
    EXPECT_FALSE(walker.ProcessFile((root + "missing.txt").c_str()));
    EXPECT_EQ(CopyLastErrorMessage(), "Fail read file " + root + "missing.txt");
    EXPECT_TRUE(walker.ProcessFile(kept.c_str()));
    ASSERT_EQ(walker.GetFileInfo().size(), 1u);
    EXPECT_EQ(walker.GetFileInfo()[0].filename, kept);
}

// Names on this platform are UTF-8: a wide name reaches a non-ASCII folder as the narrow one does.
TEST(BrowseDirTest, WideStartFolderIsUtf8) {
    TempDir t;
    const std::string dir = t.file("\xE8\xAF\x84\xE8\xAE\xBA");  // 评论
    MakeDir(dir);
    Touch(dir + "/a.txt");
    std::wstring wide(t.path().begin(), t.path().end());
    wide += L"/\u8BC4\u8BBA";
    CBrowseDir walker(20);
    ASSERT_TRUE(walker.SetInitDir(wide.c_str()));
    EXPECT_EQ(walker.GetInitDir(), RealDir(dir));
    ASSERT_TRUE(walker.BeginBrowse("*.txt", true, nullptr, nullptr));
    EXPECT_EQ(walker.GetFileInfo().size(), 1u);
    // A unit that is no character names nothing.
    const wchar_t bad[] = {L'/', wchar_t(0xD800), 0};
    EXPECT_FALSE(walker.SetInitDir(bad));
    EXPECT_EQ(walker.GetInitDir(), "");
}

// The timing texts hold "文件数" in GBK by default and in UTF-8 when asked for.
TEST(BrowseDirTest, TimingTextsInUtf8OnRequest) {
    TempDir t;
    Touch(t.file("a.txt"));
    const std::string gbk = "\xCE\xC4\xBC\xFE\xCA\xFD/s Started sort!";
    const std::string utf8 = "\xE6\x96\x87\xE4\xBB\xB6\xE6\x95\xB0/s Started sort!";
    for (bool bUtf8 : {false, true}) {
        std::vector<tstring> v;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(gfn_vScanFiles(t.path().c_str(), v, "*.txt", true, bUtf8));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(v.size(), 1u);
        const std::string& want = bUtf8 ? utf8 : gbk;
        const std::string& other = bUtf8 ? gbk : utf8;
        size_t n = 0;
        for (size_t at = out.find(want); at != std::string::npos; at = out.find(want, at + 1)) ++n;
        EXPECT_EQ(n, 2u) << out;
        EXPECT_EQ(out.find(other), std::string::npos) << out;
    }
}
