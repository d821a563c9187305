// The walker's nested threads, and separate walkers running at the same time.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "BrowseDir/BrowseDir.h"
#include "BrowseDirTestUtil.h"
#include "common/TestUtil.h"

namespace {

// A tree 25 folders deep with a few files and side folders on every level, and a link loop.
void BuildTree(const std::string& root) {
    std::string dir = root;
    for (int level = 0; level < 25; ++level) {
        for (int k = 0; k < 3; ++k) Touch(dir + "f" + std::to_string(k) + ".txt", std::string(size_t(level), 'x'));
        MakeDir(dir + "side");
        Touch(dir + "side/s.txt");
        Touch(dir + "side/s.log");
        dir += "d/";
        MakeDir(dir);
    }
    ASSERT_EQ(symlink(root.c_str(), (dir + "loop").c_str()), 0);
}

}  // namespace

TEST(BrowseDirThreadTest, NestedWalkerThreadsListTheWholeTree) {
    kxtest::TempDir t;
    const std::string root = RealDir(t.path());
    BuildTree(root);
    for (unsigned limit : {0u, 1u, 5u, 20u, 100u}) {
        CBrowseDir walker(limit);
        ASSERT_TRUE(walker.SetInitDir(root.c_str()));
        ASSERT_TRUE(walker.BeginBrowse("*.txt", true, nullptr, nullptr));
        EXPECT_EQ(walker.GetFileInfo().size(), 25u * 4u) << "limit " << limit;
    }
}

TEST(BrowseDirThreadTest, ConcurrentWalkersAgreeWithOne) {
    kxtest::TempDir t;
    const std::string root = RealDir(t.path());
    BuildTree(root);
    std::vector<tstring> expected;
    ASSERT_TRUE(gfn_vScanFiles(root.c_str(), expected, "*.txt;*.log", true));
    ASSERT_EQ(expected.size(), 25u * 5u);

    const int kThreads = 6;
    std::vector<std::vector<tstring>> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                std::vector<tstring> v;
                gfn_vScanFiles(root.c_str(), v, "*.txt;*.log", true);
                if (round == 0 || v != expected) results[i] = v;
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int i = 0; i < kThreads; ++i) EXPECT_EQ(results[i], expected) << "thread " << i;
}
