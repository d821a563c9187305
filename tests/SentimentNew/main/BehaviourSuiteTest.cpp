// The shipped sentiment lexicon as a caller meets it: the sentences of
// tests/data/sentiment/behaviour.txt (written for this suite, across hotels, food, films, travel,
// services, software, devices, books, clothes and home goods) scored one by one through
// ST_GetSentimentPoint in UTF-8 on the shipped data. Polar sentences, plain and negated, must
// mostly land on their side (a point above 0 positive, below 0 negative), neutral statements
// must all score exactly 0. The 虽然…但是 turns are scored by the weights alone (the scorer has
// no turn rule) and only reported. The test prints every miss.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "SentimentNew/main/STTestDir.h"

namespace {

struct Case {
    std::string kind, domain, text;
};

std::vector<Case> ReadSuite(const std::string& path) {
    std::vector<Case> cases;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t t1 = line.find('\t'), t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string::npos) continue;
        cases.push_back({line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1)});
    }
    return cases;
}

// Whether a point reads as the kind expects: "zero" exactly 0, kinds ending in "pos" above 0,
// the others below 0.
bool ReadsRight(const std::string& kind, double point) {
    if (kind == "zero") return point == 0.0;
    if (kind.size() >= 3 && kind.compare(kind.size() - 3, 3, "pos") == 0) return point > 0.0;
    return point < 0.0;
}

TEST(SentimentBehaviourTest, SuiteSentencesReadAsAReaderReadsThem) {
    const std::vector<Case> cases = ReadSuite(std::string(KX_TEST_DATA_DIR) + "/sentiment/behaviour.txt");
    ASSERT_GE(cases.size(), 230u);

    sttest::STDataDir dir(true);
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    std::map<std::string, int> total, right;
    std::map<std::string, int> domains;
    for (const Case& c : cases) {
        const double point = ST_GetSentimentPoint(c.text.c_str());
        ++total[c.kind];
        ++domains[c.domain];
        if (ReadsRight(c.kind, point))
            ++right[c.kind];
        else
            std::printf("miss  %-7s %-8s %+.3f  %s\n", c.kind.c_str(), c.domain.c_str(), point, c.text.c_str());
    }
    ST_Exit();

    for (const auto& k : total) std::printf("%-7s %3d of %3d right\n", k.first.c_str(), right[k.first], k.second);
    const int polar = total["pos"] + total["neg"] + total["notpos"] + total["notneg"];
    const int polarRight = right["pos"] + right["neg"] + right["notpos"] + right["notneg"];
    std::printf("polar %d of %d (%.1f %%), turns %d of %d, neutral %d of %d exactly 0 (%.1f %%)\n", polarRight, polar,
                100.0 * polarRight / polar, right["turnpos"] + right["turnneg"], total["turnpos"] + total["turnneg"],
                right["zero"], total["zero"], 100.0 * right["zero"] / total["zero"]);

    EXPECT_GE(polar, 150);
    EXPECT_GE(total["zero"], 40);
    EXPECT_GE(domains.size(), 8u);
    EXPECT_GE(polarRight, 0.93 * polar);
    EXPECT_EQ(right["zero"], total["zero"]);
}

// The demo's phone request: the object document marks the opinion words only. The parts, the
// price and the object itself carry no weight; 清晰, 耐用 and 太贵 do, on their side.
TEST(SentimentBehaviourTest, ObjectDocumentMarksOpinionWordsOnly) {
    sttest::STDataDir dir(true);
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    const std::string doc =
        ST_GetOneObjectResult("新手机到货", "这款手机屏幕很清晰，电池也耐用。可惜手机的价格太贵了。耳机音质一般。", "手机");
    ST_Exit();
    for (const char* word : {"屏幕", "电池", "价格", "手机"}) {
        EXPECT_EQ(std::string::npos, doc.find(std::string("\">") + word + "</")) << word << "\n" << doc;
        EXPECT_NE(std::string::npos, doc.find(word)) << word;
    }
    for (const char* marked : {"<pos value=\"", "\">清晰</pos>", "\">耐用</pos>", "\">太贵</neg>"})
        EXPECT_NE(std::string::npos, doc.find(marked)) << marked << "\n" << doc;
}

}  // namespace
