// Atom segmentation with user-dictionary priority on many threads while another thread changes
// the user dictionary under its lock: no race, and texts without the changing words cut as on
// one thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SegmentFixture.h"

namespace {

using segtest::Gbk;

class PreProcessThreadTest : public segtest::SegmentTestBase {};

std::vector<std::string> Cut(CPreProcess& pre, const std::string& line) {
    std::vector<std::string> out;
    int n = int(line.size()), pos = 0;
    while (pos < n) {
        pos = int(pre.AtomSegment(line.c_str(), pos, n) - line.c_str());
        const word_t* a = pre.GetAtoms();
        for (int k = 1; k + 1 < pre.GetAtomCount(); ++k)
            out.push_back(line.substr(size_t(a[k].start), size_t(a[k].end - a[k].start)) + "/" +
                          std::to_string(a[k].type));
    }
    return out;
}

TEST_F(PreProcessThreadTest, PriorityLookupsWhileTheUserDictionaryChanges) {
    Install(segtest::MakeCharset(), segtest::MakeCoreDict({"北京", "大学"}));
    m_user.reset(new CTrie);
    m_user->AddTrie(Gbk("北京大学 nt").c_str());
    {
        CUserDictWriteLock lock;
        g_pUserDict = m_user.get();
    }
    g_bUserDictPrior = true;
    const std::vector<std::string> texts = {Gbk("他在北京大学读书。1998年，他说：“好！”"),
                                            Gbk("北京大学的学生很多，北京大学很好。"), "abc ^^x^^ 3.5%"};
    std::vector<std::vector<std::string>> expected;
    for (const auto& t : texts) expected.push_back(Cut(*m_pre, t));

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::thread writer([&] {
        for (int k = 0; !done; ++k) {
            CUserDictWriteLock lock;
            if (k % 2 == 0)
                m_user->AddTrie(Gbk("甲乙丙 n").c_str());
            else
                m_user->DelTrie(Gbk("甲乙丙").c_str());
        }
    });
    std::vector<std::thread> readers;
    for (int t = 0; t < 8; ++t)
        readers.emplace_back([&] {
            CPreProcess pre(m_cs.get(), m_dict.get(), nullptr);
            for (int round = 0; round < 200; ++round)
                for (size_t k = 0; k < texts.size(); ++k)
                    if (Cut(pre, texts[k]) != expected[k]) ++mismatches;
        });
    for (auto& r : readers) r.join();
    done = true;
    writer.join();
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
