// User and field dictionaries at the engine interface: import parsing, failures that keep the
// data, and adding, deleting and restoring user words.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "MERIDOX/API/EngineDir.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogCapture.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"
#include "Utility/WordList.h"

using namespace apitest;

namespace {

class KOVEXUserDictTest : public ::testing::Test {
protected:
    void Start(int encode = 0) { ASSERT_EQ(m_dir.Start(encode), 1); }
    void TearDown() override { KOVEX_Exit(); }

    // The tag of a field word (GBK), or "<absent>".
    static std::string FieldTag(const std::string& word) {
        if (!g_pFieldDict || !g_pFieldPOS) return "<absent>";
        int h = g_pFieldDict->Find(word.c_str());
        return h < 0 ? "<absent>" : g_pFieldPOS->GetWord(h);
    }
    std::string Import(const std::string& text, bool overwrite) {
        kxtest::WriteAll(m_tmp.file("import.txt"), text);
        m_nImported = KOVEX_ImportUserDict(m_tmp.file("import.txt").c_str(), overwrite);
        return m_tmp.file("import.txt");
    }

    LogCapture m_logs;
    EngineDir m_dir;
    kxtest::TempDir m_tmp;
    int m_nImported = -1;
};

}  // namespace

TEST_F(KOVEXUserDictTest, ImportParsesBracketsTagsMarksAndLongLines) {
    Start();
    const std::string longWord(5000, 'a');
    const std::string longTag(2500, 'T');
    std::string text = Gbk("[甲乙   丙  丁] x\n[戊己]\n庚辛\n");
    text += "\xEF\xBB\xBF" + Gbk("壬癸 Neg") + "\n\n   \n";
    text += longWord + " " + longTag + "\n";
    text += Gbk("。 w\n") + Gbk("， w\n") + "[ ] x\n";
    Import(text, false);
    EXPECT_EQ(m_nImported, 6);  // the full stop (a core punctuation) and "[ ]" are skipped
    EXPECT_EQ(FieldTag(Gbk("甲乙 丙 丁")), "x");
    EXPECT_EQ(FieldTag(Gbk("戊己")), "n");
    EXPECT_EQ(FieldTag(Gbk("庚辛")), "n");
    EXPECT_EQ(FieldTag(Gbk("壬癸")), "Neg");
    EXPECT_EQ(FieldTag(longWord), std::string(1999, 'T'));
    EXPECT_EQ(FieldTag(Gbk("，")), "w");
    EXPECT_EQ(FieldTag(Gbk("。")), "<absent>");
    // The three files are in place and a restart loads them.
    ASSERT_EQ(KOVEX_Exit(), 1);
    Start();
    EXPECT_EQ(FieldTag(Gbk("壬癸")), "Neg");
    EXPECT_EQ(KOVEX_IsUserWord(Gbk("庚辛").c_str(), true), 1);
}

TEST_F(KOVEXUserDictTest, ImportKeepsStoredWordsUnlessOverwriting) {
    Start();
    Import(Gbk("甲乙 5\n丙丁 Neg\n"), false);
    ASSERT_EQ(m_nImported, 2);
    Import(Gbk("丙丁 -3\n戊己 Object\n"), false);
    EXPECT_EQ(m_nImported, 2);  // only the file's entries count
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
    EXPECT_EQ(FieldTag(Gbk("丙丁")), "-3");  // the file's tag wins over the stored one
    EXPECT_EQ(FieldTag(Gbk("戊己")), "Object");
    Import(Gbk("庚辛 n\n"), true);
    EXPECT_EQ(m_nImported, 1);
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "<absent>");
    EXPECT_EQ(FieldTag(Gbk("庚辛")), "n");
}

TEST_F(KOVEXUserDictTest, SeveralFilesInOneRebuild) {
    Start();
    kxtest::WriteAll(m_tmp.file("a.txt"), Gbk("甲乙 5\n丙丁 Neg\n"));
    kxtest::WriteAll(m_tmp.file("b.txt"), Gbk("丙丁 RemSent\n"));
    EXPECT_EQ(KOVEX_ImportUserDictFiles({m_tmp.file("a.txt"), m_tmp.file("missing.txt"), m_tmp.file("b.txt")}, false), 3);
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
    EXPECT_EQ(FieldTag(Gbk("丙丁")), "RemSent");
    EXPECT_TRUE(Contains(m_logs.Errors(), "Failed Open file " + m_tmp.file("missing.txt")));
}

TEST_F(KOVEXUserDictTest, FailedImportKeepsTheOldDictionaryAndFiles) {
    Start();
    Import(Gbk("甲乙 5\n"), false);
    ASSERT_EQ(m_nImported, 1);
    const std::string pdat = kxtest::ReadAll(m_dir.Data("FieldDict.pdat"));
    const std::string pos = kxtest::ReadAll(m_dir.Data("FieldDict.pos"));
    const std::string list = kxtest::ReadAll(m_dir.Data("FieldDict.wordlist"));
    SetLastErrorMessage("before");

    // The last file cannot be written: its temporary's name is taken by a directory.
    std::filesystem::create_directories(m_dir.Data("FieldDict.wordlist.new/x"));
    Import(Gbk("丙丁 Neg\n"), false);
    EXPECT_EQ(m_nImported, 0);
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
    EXPECT_EQ(FieldTag(Gbk("丙丁")), "<absent>");
    EXPECT_EQ(kxtest::ReadAll(m_dir.Data("FieldDict.pdat")), pdat);
    EXPECT_EQ(kxtest::ReadAll(m_dir.Data("FieldDict.pos")), pos);
    EXPECT_EQ(kxtest::ReadAll(m_dir.Data("FieldDict.wordlist")), list);
    auto errors = m_logs.Errors();
    EXPECT_TRUE(Contains(errors, "Cannot Save user dictionary  "));
    EXPECT_EQ(CopyLastErrorMessage(), "before");

    // An unopenable file changes nothing.
    EXPECT_EQ(KOVEX_ImportUserDict(m_tmp.file("missing.txt").c_str(), true), 0);
    EXPECT_TRUE(Contains(m_logs.Errors(), "Failed Open file " + m_tmp.file("missing.txt")));
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
}

TEST_F(KOVEXUserDictTest, FailedSaveKeepsTheUserWords) {
    Start();
    const size_t nErrors = m_logs.Errors().size();
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 0);  // no user dictionary yet: nothing written
    EXPECT_EQ(m_logs.Errors().size(), nErrors);
    EXPECT_EQ(KOVEX_AddUserWord(""), -1);
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 0);  // created empty: refused with the two lines
    EXPECT_TRUE(Contains(m_logs.Errors(), "Cannot Save user dictionary  "));
    EXPECT_TRUE(Contains(m_logs.Errors(), m_dir.Data("UserDict.pdat")));

    ASSERT_EQ(KOVEX_AddUserWord(Gbk("甲乙 Neg").c_str()), 1);
    std::filesystem::create_directories(m_dir.Data("UserDict.pdat/x"));
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 0);
    EXPECT_EQ(KOVEX_IsUserWord(Gbk("甲乙").c_str(), true), 1);
    std::filesystem::remove_all(m_dir.Data("UserDict.pdat"));
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    CTrie saved;
    EXPECT_TRUE(saved.Load(m_dir.Data("UserDict.pdat").c_str()));
    EXPECT_GE(saved.Find(Gbk("甲乙").c_str()), 0);

    EXPECT_EQ(KOVEX_CleanUserWord(), 0);
    EXPECT_EQ(g_pUserDict, nullptr);
    EXPECT_TRUE(std::filesystem::is_regular_file(m_dir.Data("UserDict.pdat")));
}

TEST_F(KOVEXUserDictTest, AddDeleteAndRestore) {
    Start(1);  // UTF-8 callers
    EXPECT_EQ(KOVEX_AddUserWord("ab\xF0\x9F\x98\x80" "cd Object"), -1);  // no GBK form for the emoji
    EXPECT_EQ(g_pUserDict->GetLowerBound(), 0);

    ASSERT_EQ(KOVEX_AddUserWord("甲乙 Neg"), 1);
    EXPECT_EQ(KOVEX_AddUserWord("甲乙 Neg"), 2);
    int handle = -1;
    char tag[40];
    const int freq = g_pUserDict->GetFreq(Gbk("甲乙").c_str(), handle, tag);

    KOVEX_UserWordState state;
    EXPECT_EQ(KOVEX_GetUserWordState("甲乙", state), 1);
    EXPECT_TRUE(state.bPresent);
    ASSERT_EQ(KOVEX_AddUserWord("甲乙 Object"), 2);
    EXPECT_EQ(KOVEX_RestoreUserWord("甲乙", state), 1);
    int handle2 = -1;
    char tag2[40];
    EXPECT_EQ(g_pUserDict->GetFreq(Gbk("甲乙").c_str(), handle2, tag2), freq);
    EXPECT_EQ(handle2, handle);
    EXPECT_STREQ(tag2, "Neg");

    // Deleted in between: added again, then set.
    EXPECT_EQ(KOVEX_DelUsrWord("甲乙\r\n"), handle);
    EXPECT_EQ(KOVEX_RestoreUserWord("甲乙", state), 1);
    EXPECT_EQ(g_pUserDict->GetFreq(Gbk("甲乙").c_str(), handle2, tag2), freq);
    EXPECT_STREQ(tag2, "Neg");

    KOVEX_UserWordState absent;
    EXPECT_EQ(KOVEX_GetUserWordState("丙丁", absent), 0);
    ASSERT_EQ(KOVEX_AddUserWord("丙丁 Object"), 1);
    EXPECT_EQ(KOVEX_RestoreUserWord("丙丁", absent), 1);
    EXPECT_EQ(g_pUserDict->Find(Gbk("丙丁").c_str()), -1);

    EXPECT_EQ(KOVEX_DelUsrWord("\n"), -1);  // a lone LF is looked up as itself
    EXPECT_EQ(KOVEX_DelUsrWord("丙丁"), -1);
}

TEST_F(KOVEXUserDictTest, KeywordBlacklistImport) {
    Start();
    kxtest::WriteAll(m_tmp.file("black.txt"), Gbk("甲乙 x\n\n丙丁\n"));
    EXPECT_EQ(KOVEX_ImportKeyBlackList(m_tmp.file("black.txt").c_str(), "w u"), 2);
    EXPECT_EQ(g_pKeyPOSBlacklist, "w u");
    ASSERT_NE(g_pKeyBlackList, nullptr);
    EXPECT_GE(g_pKeyBlackList->Find(Gbk("丙丁").c_str()), 0);
    EXPECT_EQ(KOVEX_ImportKeyBlackList(nullptr, "n"), 0);
    EXPECT_EQ(g_pKeyPOSBlacklist, "n");
}
