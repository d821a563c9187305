// The whole analysis chain (atoms with user-dictionary priority, lattice, path, roles and name
// merge, parts of speech) on the shipped data in eight threads while another thread adds and
// deletes user words: no race, and texts without the changing words give their one-thread result.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/EngineChain.h"
#include "Utility/Trie.h"

namespace {

using kxtest::Gbk;

class ChainThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedPrior = g_bUserDictPrior;
        ASSERT_TRUE(kxtest::LoadChainLexicons(std::string(KX_BUILD_DIR) + "/Data"));
        CTrie* user = new CTrie;
        user->AddTrie(Gbk("人民大会堂前 ns").c_str());
        CUserDictWriteLock lock;
        g_pUserDict = user;  // owned by the globals from here on
    }
    void TearDown() override {
        ReleaseEngineLexicons();
        g_bUserDictPrior = m_savedPrior;
    }
    bool m_savedPrior = false;
};

TEST_F(ChainThreadTest, AnalysisWhileUserWordsChange) {
    g_bUserDictPrior = true;
    const std::vector<std::string> steady = {
        Gbk("国务院总理李鹏今天在人民大会堂前会见了来访的客人，江泽民主席也出席了。"),
        Gbk("1998年1月27日，欧阳明和王小红在北京大学读书，他们说：“很好！”"),
        Gbk("全国人民代表大会常务委员会委员长乔石说，改革开放二十年来成绩显著。"),
        "abc ^^x^^ 3.5% " + Gbk("１９９８年的国内生产总值增长８．８％"),
    };
    // The words the writer adds and deletes, and texts that contain them.
    const std::vector<std::string> churn = {Gbk("甲乙丙丁"), Gbk("经济增长率为")};
    const std::vector<std::string> changing = {Gbk("甲乙丙丁来了。"), Gbk("今年的经济增长率为百分之八。")};

    std::vector<std::vector<std::string>> expected;
    {
        kxtest::EngineChain one;
        for (const auto& t : steady) {
            expected.push_back(one.Words(t));
            ASSERT_FALSE(expected.back().empty());
        }
    }

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0}, rounds{0};
    std::thread writer([&] {
        for (int k = 0; !done; ++k) {
            CUserDictWriteLock lock;
            const std::string& w = churn[size_t(k / 2) % churn.size()];
            if (k % 2 == 0)
                g_pUserDict->AddTrie((w + " n").c_str());
            else
                g_pUserDict->DelTrie(w.c_str());
        }
    });
    std::vector<std::thread> readers;
    for (int t = 0; t < 8; ++t)
        readers.emplace_back([&] {
            kxtest::EngineChain chain;
            for (int round = 0; round < 100; ++round) {
                for (size_t k = 0; k < steady.size(); ++k)
                    if (chain.Words(steady[k]) != expected[k]) ++mismatches;
                for (const auto& t : changing) EXPECT_FALSE(chain.Words(t).empty());
                ++rounds;
            }
        });
    for (auto& r : readers) r.join();
    done = true;
    writer.join();
    EXPECT_EQ(rounds, 800);
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
