#include "MERIDOX/System/MainSystem.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "MainSystemFixture.h"

namespace enginetest {

bool EngineTestBase::s_bLoaded = false;

class MainSystemTest : public EngineTestBase {};

TEST_F(MainSystemTest, Explore) {
    CMainSystem sys;
    ASSERT_TRUE(sys.IsReady());
    for (const char* s : {"我们是中国人。", "他说：“好！”", "一个个", "这台computer和programming", "电话13800138000",
                          "2008-10-12日", "12 34个", "12  ", "name@domain.com 和 www.abc.com", "//注释", "张三丰说话", "a a a"}) {
        std::string g = Gbk(s);
        const char* r = sys.Process(g.c_str(), 1, true);
        printf("[%s] -> [%s]\n", s, Utf8(r).c_str());
        for (const result_t& row : Rows(sys))
            printf("   %d %d %s iPOS=%d id=%d type=%d w=%d\n", row.start, row.length, row.sPOS, row.iPOS, row.word_ID,
                   row.word_type, row.weight);
    }
}

}  // namespace enginetest
