#include "Utility/BufferManager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

char* NewText(const std::string& s) {
    char* p = new char[s.size() + 1];
    memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

TEST(BufferManagerTest, ReleaseThresholds) {
    CBufferManager mgr;
    std::vector<char*> bufs;
    for (int i = 0; i < 20000; ++i) bufs.push_back(mgr.AddBuffer(NewText(std::to_string(i))));
    EXPECT_EQ(20000u, mgr.GetBufferCount());
    bufs.push_back(mgr.AddBuffer(NewText("20000")));  // sees 20000 before its append: frees nothing
    EXPECT_EQ(20001u, mgr.GetBufferCount());
    EXPECT_STREQ("0", bufs[0]);
    bufs.push_back(mgr.AddBuffer(NewText("20001")));  // sees 20001: frees the 10000 oldest first
    EXPECT_EQ(10002u, mgr.GetBufferCount());
    for (size_t i = 10000; i < bufs.size(); ++i) ASSERT_EQ(std::to_string(i), bufs[i]);
    mgr.ReleaseBuf(false);  // under the threshold now
    EXPECT_EQ(10002u, mgr.GetBufferCount());
}

TEST(BufferManagerTest, FullReleaseKeepsNullSlots) {
    CBufferManager mgr;
    for (int i = 0; i < 15000; ++i) mgr.AddBuffer(NewText("x"));
    mgr.ReleaseBuf(true);
    EXPECT_EQ(15000u, mgr.GetBufferCount());
    mgr.ReleaseBuf(false);
    mgr.ReleaseBuf(true);  // nothing left to free
    EXPECT_EQ(15000u, mgr.GetBufferCount());
    // The NULL slots count towards the next release.
    for (int i = 0; i < 5001; ++i) mgr.AddBuffer(NewText("y"));
    EXPECT_EQ(20001u, mgr.GetBufferCount());
    char* last = mgr.AddBuffer(NewText("last"));
    EXPECT_EQ(10002u, mgr.GetBufferCount());
    EXPECT_STREQ("last", last);
}

TEST(BufferManagerTest, CopiesAndNulls) {
    CBufferManager mgr;
    std::string text = "result";
    char* copy = mgr.AddBuffer(text.c_str());
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(text.c_str(), copy);
    EXPECT_STREQ("result", copy);
    EXPECT_EQ(nullptr, mgr.AddBuffer(static_cast<const char*>(nullptr)));
    EXPECT_EQ(1u, mgr.GetBufferCount());
    EXPECT_EQ(nullptr, mgr.AddBuffer(static_cast<char*>(nullptr)));  // a NULL slot is allowed
    EXPECT_EQ(2u, mgr.GetBufferCount());
    mgr.ReleaseBuf(true);
    // Deleting the manager with NULL slots and new buffers frees each buffer once (ASan/LSan).
    mgr.AddBuffer(NewText("after"));
}

// A reusable barrier: threads register in lock-step rounds, so the last two rounds of every
// thread are certainly among the 10000 most recent registrations.
class Barrier {
public:
    explicit Barrier(int n) : m_n(n) {}
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        int gen = m_gen;
        if (++m_count == m_n) {
            m_count = 0;
            ++m_gen;
            m_cv.notify_all();
        } else {
            m_cv.wait(lock, [&] { return gen != m_gen; });
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_n, m_count = 0, m_gen = 0;
};

TEST(BufferManagerThreadTest, ManyThreadsRegister) {
    const int kThreads = 8, kPerThread = 5000, kRound = 500;
    auto* mgr = new CBufferManager;
    Barrier barrier(kThreads);
    std::vector<std::vector<char*>> mine(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                std::string s = std::to_string(t) + ":" + std::to_string(i);
                char* p = (i % 2) ? mgr->AddBuffer(s.c_str()) : mgr->AddBuffer(NewText(s));
                EXPECT_STREQ(s.c_str(), p);
                mine[t].push_back(p);
                if ((i + 1) % kRound == 0) barrier.Wait();
            }
        });
    }
    for (auto& th : threads) th.join();
    size_t count = mgr->GetBufferCount();
    EXPECT_GT(count, 10000u);
    EXPECT_LE(count, 20001u);
    for (int t = 0; t < kThreads; ++t)
        for (int i = kPerThread - 2 * kRound; i < kPerThread; ++i)
            ASSERT_EQ(std::to_string(t) + ":" + std::to_string(i), mine[t][size_t(i)]);
    delete mgr;
}

}  // namespace
