// Engine instances analysing on many threads while the user dictionary changes, a name is
// learned and the tag-set map is switched: every result equals one of its single-thread results.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "MainSystemFixture.h"

namespace enginetest {

class MainSystemThreadTest : public EngineTestBase {};

TEST_F(MainSystemThreadTest, AnalysisWhileTheUserDictionaryChanges) {
    SetUserWords({"优秀 5", "不 Neg"});
    const int kThreads = 8;
    std::vector<std::unique_ptr<CMainSystem>> pool;
    for (int i = 0; i < kThreads; ++i) pool.emplace_back(new CMainSystem);
    std::vector<CMainSystem*> table;
    for (auto& p : pool) table.push_back(p.get());
    g_vecKOVEX = table.data();
    g_nCopyMemSize = kThreads;
    g_pKOVEX = table[0];

    const std::vector<std::string> texts = {Gbk("他的成绩很优秀，我们都不反对。"), Gbk("中国人民很好！优秀的人"),
                                            Gbk("欧阳小明说话了，大家都很优秀。"), Gbk("这台computer不错")};
    // Single-thread results under map 0 and map 1.
    std::vector<std::set<std::string>> expected(texts.size());
    for (int map : {0, 1}) {
        CMainSystem one;
        one.SetPOSmap(map);
        for (size_t t = 0; t < texts.size(); ++t) expected[t].insert(one.Process(texts[t].c_str(), 1, true));
    }

    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    const int kRounds = 60;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            CMainSystem& sys = *table[size_t(i)];
            for (int r = 0; r < kRounds; ++r) {
                size_t t = size_t(r + i) % texts.size();
                const char* out = sys.Process(texts[t].c_str(), 1, true);
                if (!out || !expected[t].count(out)) ++failures;
                if (out && t < 3 && std::string(out).find(Gbk("优秀/5 ")) == std::string::npos) ++failures;
            }
        });
    }
    std::thread writer([&] {
        int k = 0;
        while (!stop) {
            std::string w = Gbk("测试词") + std::to_string(k++ % 7);
            table[0]->AddUsrWord((w + " Object").c_str());
            {
                CUserDictWriteLock lock;
                table[0]->DelUsrWord(w.c_str());
            }
            AddUserWordO((Gbk("欧阳小") + " nr").c_str());
        }
    });
    std::thread mapper([&] {
        // Each pass over the instances gives every one the other map.
        for (int k = 0; !stop; ++k) table[size_t(k % kThreads)]->SetPOSmap((k / kThreads) % 2);
    });
    for (auto& t : threads) t.join();
    stop = true;
    writer.join();
    mapper.join();
    g_vecKOVEX = nullptr;
    g_nCopyMemSize = 0;
    g_pKOVEX = nullptr;
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace enginetest
