// Tags of English lines and the blanks of mixed lines through the engine interface: the text of
// KOVEX_ParagraphProcess and the rows of KOVEX_ParagraphProcessA under each tag set.
#include <gtest/gtest.h>

#include <string>

#include "MERIDOX/API/EngineDir.h"
#include "Utility/LogCapture.h"

using namespace apitest;

namespace {

class KOVEXTagSetTest : public ::testing::Test {
protected:
    void TearDown() override { KOVEX_Exit(); }
    LogCapture m_logs;
    EngineDir m_dir;
};

// The row that starts at byte nStart, null when none does.
const result_t* RowAt(const result_t* rows, int n, int nStart) {
    for (int i = 0; i < n; ++i)
        if (rows[i].start == nStart) return &rows[i];
    return nullptr;
}

}  // namespace

// Map 0 names punctuation finely (wd, wkz, wj), the other three sets all "w"; numbers are "m"
// everywhere; the rows carry the same texts and the ids of map 0.
TEST_F(KOVEXTagSetTest, EnglishNumbersAndPunctuationUnderEveryTagSet) {
    ASSERT_EQ(m_dir.Start(), 1);
    const std::string line = "Several thoughtful English sentences, with 25 numbers (and) the word engine.";
    struct Unit {
        const char* text;
        const char* tag0;  // name in map 0; maps 1 to 3 say "w" for punctuation
        int id;
    } units[] = {{",", "wd", 80}, {"25", "m", 18}, {"(", "wkz", 84}, {")", "wky", 83}, {".", "wj", 82}};
    for (int map = 0; map < 4; ++map) {
        KOVEX_SetPOSmap(map);
        const std::string text = KOVEX_ParagraphProcess(line.c_str(), 1);
        int n = 0;
        const result_t* rows = KOVEX_ParagraphProcessA(line.c_str(), &n, true);
        ASSERT_NE(rows, nullptr);
        for (const Unit& u : units) {
            const std::string tag = map == 0 || u.id == 18 ? u.tag0 : "w";
            EXPECT_NE(text.find(std::string(" ") + u.text + "/" + tag + " "), std::string::npos)
                << "map " << map << ": " << text;
            const result_t* row = RowAt(rows, n, int(line.find(u.text)));
            ASSERT_NE(row, nullptr) << u.text;
            EXPECT_STREQ(row->sPOS, tag.c_str()) << "map " << map << " unit " << u.text;
            EXPECT_EQ(row->iPOS, u.id) << "map " << map << " unit " << u.text;
        }
    }
}

// UTF-8 callers: one blank between words of a mixed line gives one boundary in the text, and the
// English line tags its punctuation as punctuation.
TEST_F(KOVEXTagSetTest, MixedAndEnglishLinesInUtf8) {
    ASSERT_EQ(m_dir.Start(1), 1);
    const std::string mixed = KOVEX_ParagraphProcess("我们  今天\tsee you 你们", 0);
    EXPECT_EQ(mixed.find("  "), std::string::npos) << mixed;
    EXPECT_EQ(mixed.find('\t'), std::string::npos) << mixed;
    const std::string english = KOVEX_ParagraphProcess("Several thoughtful English sentences; without mixing!", 1);
    EXPECT_NE(english.find(" ;/wf "), std::string::npos) << english;
    EXPECT_NE(english.find(" !/wt "), std::string::npos) << english;
}
