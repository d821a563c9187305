#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/main/STTestDir.h"

namespace {

class STRequestThreadTest : public sttest::STStarted {};

// Object requests with different objects run beside point requests: each answer equals the one
// the same call gave alone, and the user dictionary ends as it began.
TEST_F(STRequestThreadTest, ConcurrentObjectAndPointRequestsMatchSingleThreadResults) {
    ASSERT_EQ(4, ST_ImportUserDict(m_dir.Put("l.txt", "满意 2\n失望 -1\n糟糕 -3\n不 Neg\n").c_str(), 1));
    const std::string content = "苹果很满意。香蕉很失望！西瓜不太满意；葡萄糟糕。苹果和香蕉都糟糕。";
    const std::vector<std::string> objects = {"苹果", "香蕉", "西瓜", "葡萄"};
    const std::vector<std::string> sentences = {"我很满意", "我不太满意", "糟糕而且失望", "今天"};

    std::vector<std::string> expectedDocs;
    for (const std::string& o : objects) expectedDocs.push_back(ST_GetOneObjectResult("", content.c_str(), o.c_str()));
    std::vector<double> expectedPoints;
    for (const std::string& s : sentences) expectedPoints.push_back(ST_GetSentimentPoint(s.c_str()));
    for (const std::string& d : expectedDocs) ASSERT_FALSE(d.empty());

    constexpr int kRounds = 30;
    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                const size_t i = size_t(t + r) % 4;
                if (t < 4) {
                    if (expectedDocs[i] != ST_GetOneObjectResult("", content.c_str(), objects[i].c_str())) ++mismatches[t];
                } else {
                    if (expectedPoints[i] != ST_GetSentimentPoint(sentences[i].c_str())) ++mismatches[t];
                    if (std::string(ST_GetSentencePoint(sentences[i].c_str())).empty()) ++mismatches[t];
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(0, mismatches[t]) << "thread " << t;
    for (const std::string& o : objects) {
        KOVEX_UserWordState state;
        EXPECT_EQ(0, KOVEX_GetUserWordState(o.c_str(), state)) << o;
    }
}

// Two threads send object requests back to back while six threads ask for points: every point
// thread gets its calls done while the object requests keep coming, long before the object
// threads reach their bound (a point request waits for at most one object request).
TEST_F(STRequestThreadTest, PointRequestsProgressBesideBackToBackObjectRequests) {
    ASSERT_EQ(2, ST_ImportUserDict(m_dir.Put("l.txt", "满意 2\n失望 -1\n").c_str(), 1));
    constexpr int kPointThreads = 6, kPointCalls = 100, kObjectBound = 3000;
    std::atomic<int> nPointThreadsDone{0}, nObjectThreadsRunning{0};
    std::vector<int> objectCalls(2, 0), pointCalls(kPointThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            const std::string object = t == 0 ? "苹果" : "香蕉";
            const std::string content = "今天" + object + "很满意。" + object + "有点失望！";
            while (objectCalls[size_t(t)] < kObjectBound && nPointThreadsDone < kPointThreads) {
                ST_GetOneObjectResult("", content.c_str(), object.c_str());
                if (++objectCalls[size_t(t)] == 1) ++nObjectThreadsRunning;
            }
        });
    }
    for (int t = 0; t < kPointThreads; ++t) {
        threads.emplace_back([&, t] {
            while (nObjectThreadsRunning < 2) std::this_thread::yield();
            for (int k = 0; k < kPointCalls; ++k) {
                if (k % 2) {
                    ST_GetSentencePoint("我很满意");
                } else {
                    ST_GetSentimentPoint("有点失望");
                }
                ++pointCalls[size_t(t)];
            }
            ++nPointThreadsDone;
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kPointThreads; ++t) EXPECT_EQ(kPointCalls, pointCalls[size_t(t)]);
    for (int t = 0; t < 2; ++t) EXPECT_LT(objectCalls[size_t(t)], kObjectBound) << "object thread " << t;
    std::printf("object requests meanwhile: %d and %d\n", objectCalls[0], objectCalls[1]);
}

}  // namespace
