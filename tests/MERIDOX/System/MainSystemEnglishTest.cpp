// English in the engine's results: numbers and punctuation of English lines tagged as Chinese
// lines tag them under every tag set, and white space between words written as one boundary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "MainSystemFixture.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/GBKChar.h"

namespace enginetest {

namespace {

// The tags written after every unit `unit` of a result text ("unit/tag " with one-blank
// boundaries), in order; "" for a unit written without a tag.
std::vector<std::string> TagsOf(const std::string& text, const std::string& unit) {
    std::vector<std::string> tags;
    for (size_t p = text.find(unit); p != std::string::npos; p = text.find(unit, p + 1)) {
        const size_t e = p + unit.size();
        if ((p > 0 && text[p - 1] != ' ') || e >= text.size()) continue;
        if (text[e] == ' ') {
            tags.push_back("");
        } else if (text[e] == '/') {
            tags.push_back(text.substr(e + 1, text.find(' ', e) - e - 1));
        }
    }
    return tags;
}

// The row of a unit's first occurrence in the line (the row starting at its offset).
const result_t* RowOf(const std::vector<result_t>& rows, const std::string& line, const std::string& unit) {
    for (size_t p = line.find(unit); p != std::string::npos; p = line.find(unit, p + 1))
        for (const result_t& r : rows)
            if (r.start == int(p) && r.length == int(unit.size())) return &r;
    return nullptr;
}

}  // namespace

class MainSystemEnglishTest : public EngineTestBase {};

// Every punctuation character and number shape gets, in an English line, the tag and tag id that
// the same unit gets in a Chinese line, under each of the four tag sets ("2" is in the English
// dictionary as an adjective, punctuation is not in it at all).
TEST_F(MainSystemEnglishTest, EnglishLinesTagNumbersAndPunctuationAsChineseLinesDo) {
    CMainSystem sys;
    const std::vector<std::string> units = {",", ";", ":", "(", ")", "[", "]", "{", "}", "<", ">",
                                            "#", "$", "&", "*", "+", "-", "=", "/", "|", "~", "`",
                                            "^", "%", "_", ".", "\\", "2", "3.5", "100%", "1,000"};
    for (int map = 0; map < 4; ++map) {
        ASSERT_TRUE(sys.SetPOSmap(map));
        for (const std::string& u : units) {
            const std::string chinese = Gbk("我们 ") + u + Gbk(" 你们");
            const std::vector<std::string> want = TagsOf(sys.Process(chinese.c_str(), 1, true), u);
            ASSERT_EQ(want.size(), 1u) << "map " << map << " unit " << u << ": " << sys.GetResultText();
            ASSERT_FALSE(want[0].empty()) << u;
            const std::vector<result_t> zhRows = Rows(sys);
            const result_t* pWant = RowOf(zhRows, chinese, u);
            ASSERT_NE(pWant, nullptr) << u;
            const int nWantId = pWant->iPOS;

            const std::string english = "Several thoughtful English sentences " + u + " without other language mixing";
            ASSERT_TRUE(IsEnglishText(english.c_str())) << english;
            const std::string text = sys.Process(english.c_str(), 1, true);
            EXPECT_EQ(TagsOf(text, u), want) << "map " << map << ": " << text;
            const std::vector<result_t> enRows = Rows(sys);
            const result_t* pRow = RowOf(enRows, english, u);
            ASSERT_NE(pRow, nullptr) << u;
            EXPECT_EQ(pRow->sPOS, want[0]) << "map " << map << " unit " << u;
            EXPECT_EQ(pRow->iPOS, nWantId) << "map " << map << " unit " << u;
        }
    }
}

// Quotes get the left and right tags of a Chinese line, and no punctuation of a run is lost ("("
// after a comma and a blank, a quote after a blank).
TEST_F(MainSystemEnglishTest, EnglishQuotesOpenAndCloseAndNoPunctuationIsLost) {
    CMainSystem sys;
    const std::string chinese = Gbk("我们 \" 好 \" 你们 ' 好 ' 他们");
    const std::string zh = sys.Process(chinese.c_str(), 1, true);
    const std::string english = "He said \"yes\", (twice) and '(no)' to the others";
    ASSERT_TRUE(IsEnglishText(english.c_str()));
    const std::string en = sys.Process(english.c_str(), 1, true);
    EXPECT_EQ(TagsOf(en, "\""), TagsOf(zh, "\"")) << en;
    EXPECT_EQ(TagsOf(en, "'"), TagsOf(zh, "'")) << en;
    EXPECT_EQ(TagsOf(en, "\"").size(), 2u) << en;
    EXPECT_EQ(TagsOf(en, "(").size(), 2u) << en;
    // Every byte but white space is in some row.
    std::vector<bool> covered(english.size(), false);
    for (const result_t& r : Rows(sys))
        for (int k = r.start; k < r.start + r.length; ++k) covered[size_t(k)] = true;
    for (size_t k = 0; k < english.size(); ++k)
        EXPECT_TRUE(english[k] == ' ' || covered[k]) << "byte " << k << " of " << english;
}

// A quote is told left or right by the byte before it, so the two parts of an English line cut at
// a blank between two tokens (as the driver processes a long line) give the line's result, also
// when the cut falls between two quotes.
TEST_F(MainSystemEnglishTest, PartsOfAnEnglishLineCutBetweenTokensGiveTheLinesResult) {
    CEnglish eng;
    const std::string first = "He said \"yes and";
    const std::string second = "no\" to '(them)' and \"us\" today";
    const std::string whole = eng.Process((first + " " + second).c_str(), 1);
    std::string parts = eng.Process(first.c_str(), 1);
    parts += eng.Process(second.c_str(), 1);
    EXPECT_EQ(parts, whole);
    EXPECT_EQ(TagsOf(whole, "\""), std::vector<std::string>({"wyz", "wyy", "wyz", "wyy"})) << whole;
    EXPECT_EQ(TagsOf(whole, "'"), std::vector<std::string>({"wyz", "wyy"})) << whole;
}

// Each blank or TAB between words gives at most the one boundary written after the word before
// it, with or without tags and whatever the boundary; rows still tile the line; a line break
// stays a unit of its own.
TEST_F(MainSystemEnglishTest, WhiteSpaceBetweenWordsIsOneBoundary) {
    CMainSystem sys;
    const char* lines[] = {"我们 今天", "我们   今天", "我们\t今天", " 我们 今天 ", "他说 hello world 很好",
                           "价格 3.5 元 , 对吗 ?", "我们 \t 123 中国"};
    for (const char* utf8 : lines) {
        const std::string line = Gbk(utf8);
        for (int bTagged = 0; bTagged <= 1; ++bTagged) {
            const std::string text = sys.Process(line.c_str(), bTagged, true);
            EXPECT_EQ(text.find("  "), std::string::npos) << utf8 << " -> " << Utf8(text);
            EXPECT_EQ(text.find('\t'), std::string::npos) << utf8;
            EXPECT_NE(text[0], ' ') << utf8;
            int nTiled = 0;
            for (const result_t& r : Rows(sys)) nTiled += r.length;
            EXPECT_EQ(nTiled, int(line.size())) << utf8;
        }
    }
    EXPECT_EQ(Utf8(sys.Process(Gbk("我们 \t 今天").c_str(), 0, true)), "我们 今天 ");
    g_sWordBoundary = "|";
    EXPECT_EQ(Utf8(sys.Process(Gbk("我们  今天").c_str(), 0, true)), "我们|今天|");
    g_sWordBoundary = "  ";
    // The break's blanks go, the break stays between boundaries.
    EXPECT_EQ(Utf8(sys.Process(Gbk("我们 \n 今天").c_str(), 0, true)), "我们 \n 今天 ");
}

}  // namespace enginetest
