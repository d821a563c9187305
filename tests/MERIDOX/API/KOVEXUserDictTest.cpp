// User and field dictionaries at the engine interface: import parsing, failures that keep the
// data, and adding, deleting and restoring user words.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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
    EXPECT_TRUE(Contains(errors, m_dir.Data("FieldDict.wordlist")));
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot Save user dictionary  " + m_dir.Data("FieldDict.wordlist"));

    // An unopenable file changes nothing.
    EXPECT_EQ(KOVEX_ImportUserDict(m_tmp.file("missing.txt").c_str(), true), 0);
    EXPECT_TRUE(Contains(m_logs.Errors(), "Failed Open file " + m_tmp.file("missing.txt")));
    EXPECT_EQ(CopyLastErrorMessage(), "Failed Open file " + m_tmp.file("missing.txt"));
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
}

// Every failing import or save leaves its own reason as the last error, whatever an earlier call
// left there, with the file name as the caller gave it (a UTF-8 name under code 1), and writes it
// to the error file.
TEST_F(KOVEXUserDictTest, FailuresLeaveTheirOwnReasonAsTheLastError) {
    Start(1);
    const std::string missing = m_tmp.file("无此.txt");
    const std::string empty = m_tmp.file("空.txt");
    kxtest::WriteAll(empty, "\n  \n");
    const std::pair<std::function<int()>, std::string> cases[] = {
        {[&] { return KOVEX_ImportUserDict(missing.c_str(), true); }, "Failed Open file " + missing},
        {[&] { return KOVEX_ImportUserDictFiles({missing, empty}, false); }, "No dictionary entry in file " + empty},
        {[&] { return KOVEX_ImportKeyBlackList(empty.c_str()); }, "No dictionary entry in file " + empty},
        {[&] { return KOVEX_ImportKeyBlackList(missing.c_str()); }, "Failed Open file " + missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        SetLastErrorMessage("an earlier call's message");
        EXPECT_EQ(c.first(), 0);
        EXPECT_EQ(KOVEX_GetLastErrorMsg(), c.second);
        EXPECT_TRUE(Contains(m_logs.Errors(), c.second));
    }
    // A save that cannot write: the two error lines, joined as the last error.
    ASSERT_EQ(KOVEX_AddUserWord("甲乙 Neg"), 1);
    std::filesystem::create_directories(m_dir.Data("UserDict.pdat/x"));
    SetLastErrorMessage("an earlier call's message");
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 0);
    EXPECT_EQ(KOVEX_GetLastErrorMsg(), "Cannot Save user dictionary  " + m_dir.Data("UserDict.pdat"));
}

// A save writes UserDict.pdat only when the dictionary differs from what the file holds: right
// after start-up, after words added and taken back, and after a save the data folder stays as it
// was (a link to the file stays a link); a dictionary without words writes no file where there
// was none.
TEST_F(KOVEXUserDictTest, SaveWritesOnlyAChangedDictionary) {
    Start();
    ASSERT_EQ(KOVEX_AddUserWord(Gbk("甲乙 Neg").c_str()), 1);
    ASSERT_EQ(KOVEX_SaveTheUsrDic(), 1);
    // The saved file becomes a link to a copy, as in a data folder of links.
    const std::string copy = m_tmp.file("UserDict.copy");
    kxtest::WriteAll(copy, kxtest::ReadAll(m_dir.Data("UserDict.pdat")));
    ASSERT_EQ(unlink(m_dir.Data("UserDict.pdat").c_str()), 0);
    ASSERT_EQ(symlink(copy.c_str(), m_dir.Data("UserDict.pdat").c_str()), 0);
    ASSERT_EQ(KOVEX_Exit(), 1);
    Start();
    ASSERT_EQ(KOVEX_IsUserWord(Gbk("甲乙").c_str(), true), 1);

    const kxtest::FileStamp folder = kxtest::StampOf(m_dir.Data()), file = kxtest::StampOf(m_dir.Data("UserDict.pdat"));
    const size_t nErrors = m_logs.Errors().size();
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    KOVEX_UserWordState absent, present;
    ASSERT_EQ(KOVEX_GetUserWordState(Gbk("丙丁").c_str(), absent), 0);
    ASSERT_EQ(KOVEX_GetUserWordState(Gbk("甲乙").c_str(), present), 1);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(KOVEX_AddUserWord(Gbk("丙丁 Object").c_str()), 1);
        ASSERT_EQ(KOVEX_AddUserWord(Gbk("甲乙 Object").c_str()), 2);
        ASSERT_EQ(KOVEX_RestoreUserWord(Gbk("丙丁").c_str(), absent), 1);
        ASSERT_EQ(KOVEX_RestoreUserWord(Gbk("甲乙").c_str(), present), 1);
        EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    }
    EXPECT_TRUE(kxtest::StampOf(m_dir.Data()) == folder);
    EXPECT_TRUE(kxtest::StampOf(m_dir.Data("UserDict.pdat")) == file);
    EXPECT_EQ(m_logs.Errors().size(), nErrors);

    // A change is written (the link replaced by a file), once.
    ASSERT_EQ(KOVEX_AddUserWord(Gbk("戊己 5").c_str()), 1);
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    const kxtest::FileStamp written = kxtest::StampOf(m_dir.Data("UserDict.pdat"));
    EXPECT_FALSE(written.link);
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    EXPECT_TRUE(kxtest::StampOf(m_dir.Data("UserDict.pdat")) == written);
    CTrie saved;
    ASSERT_TRUE(saved.Load(m_dir.Data("UserDict.pdat").c_str()));
    EXPECT_GE(saved.Find(Gbk("戊己").c_str()), 0);

    // No file, and a dictionary whose only word was taken back: nothing to write.
    ASSERT_EQ(unlink(m_dir.Data("UserDict.pdat").c_str()), 0);
    ASSERT_EQ(KOVEX_CleanUserWord(), 0);
    ASSERT_EQ(KOVEX_AddUserWord(Gbk("丙丁 Object").c_str()), 1);
    ASSERT_EQ(KOVEX_RestoreUserWord(Gbk("丙丁").c_str(), absent), 1);
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Data("UserDict.pdat")));
    EXPECT_EQ(m_logs.Errors().size(), nErrors);
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
    EXPECT_EQ(g_pUserDict, nullptr);  // refused before anything changed

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

TEST_F(KOVEXUserDictTest, AddUserWordRefusesWhatTheTrieWouldNotAddOrAddWrongly) {
    for (int encode : {1, -1}) {
        SCOPED_TRACE(encode);
        Start(encode);
        ASSERT_EQ(KOVEX_AddUserWord("甲乙 Neg"), 1);
        const int nItems = g_pUserDict->GetLowerBound();
        EXPECT_EQ(KOVEX_AddUserWord(("丙丁 " + std::string(40, 'T')).c_str()), -1);
        EXPECT_EQ(KOVEX_AddUserWord(" \t  "), -1);
        EXPECT_EQ(KOVEX_AddUserWord("\xEF\xBB\xBF Neg"), -1);  // the mark has no GBK form
        EXPECT_EQ(KOVEX_AddUserWord((std::string(1100, 'a') + " n").c_str()), -1);
        EXPECT_EQ(g_pUserDict->GetLowerBound(), nItems);
        EXPECT_EQ(KOVEX_IsUserWord("丙丁"), 0);
        EXPECT_EQ(KOVEX_IsUserWord("Neg"), 0);
        int nHandle = 0;
        EXPECT_EQ(g_pUserDict->GetFreq("Neg", nHandle, nullptr), -1);
        EXPECT_EQ(KOVEX_AddUserWord(("丙丁 " + std::string(39, 'T')).c_str()), 1);
        EXPECT_EQ(KOVEX_IsUserWord("丙丁"), 1);
        ASSERT_EQ(KOVEX_Exit(), 1);
    }
}

// Under automatic detection the words of add, delete, the user-word test and the imports are
// detected and converted as the analysed text is (an import file as a whole), so a UTF-8 word
// added is the word the engine finds in UTF-8 text.
TEST_F(KOVEXUserDictTest, DetectedWordsMatchTheDetectedText) {
    Start(-1);
    ASSERT_EQ(KOVEX_AddUserWord("甲乙丙 Object"), 1);
    EXPECT_EQ(KOVEX_IsUserWord("甲乙丙"), 1);
    EXPECT_EQ(KOVEX_IsUserWord(Gbk("甲乙丙").c_str(), true), 1);
    EXPECT_NE(std::string(KOVEX_ParagraphProcess("他说甲乙丙好", 1)).find("甲乙丙/Object"), std::string::npos);
    KOVEX_UserWordState state;
    EXPECT_EQ(KOVEX_GetUserWordState("甲乙丙", state), 1);
    EXPECT_STREQ(state.sPOS, "Object");
    EXPECT_EQ(KOVEX_AddUserWord(Gbk("丁戊 Neg").c_str(), true), 1);  // already GBK: not converted again
    EXPECT_EQ(KOVEX_IsUserWord("丁戊"), 1);
    EXPECT_GE(KOVEX_DelUsrWord("甲乙丙\n"), 0);
    EXPECT_EQ(KOVEX_IsUserWord("甲乙丙"), 0);

    kxtest::WriteAll(m_tmp.file("utf8.txt"), "庚辛 5\n[壬  癸] -1\n");
    EXPECT_EQ(KOVEX_ImportUserDict(m_tmp.file("utf8.txt").c_str(), true), 2);
    EXPECT_EQ(FieldTag(Gbk("庚辛")), "5");
    EXPECT_EQ(FieldTag(Gbk("壬 癸")), "-1");
    EXPECT_EQ(KOVEX_IsUserWord("庚辛"), 1);
    kxtest::WriteAll(m_tmp.file("gbk.txt"), Gbk("子丑寅 3\n"));
    EXPECT_EQ(KOVEX_ImportUserDict(m_tmp.file("gbk.txt").c_str(), false), 1);
    EXPECT_EQ(FieldTag(Gbk("子丑寅")), "3");
    EXPECT_EQ(FieldTag(Gbk("庚辛")), "5");
    kxtest::WriteAll(m_tmp.file("black.txt"), "卯辰巳\n");
    EXPECT_EQ(KOVEX_ImportKeyBlackList(m_tmp.file("black.txt").c_str()), 1);
    EXPECT_GE(g_pKeyBlackList->Find(Gbk("卯辰巳").c_str()), 0);
}

// An import without overwrite keeps the stored field words when the engine does not hold them
// (tagging off: no tag list; FieldDict off: no dictionary) by reading them from the data
// directory, and is refused, changing nothing, when they cannot be read.
TEST_F(KOVEXUserDictTest, ImportKeepsStoredWordsTheEngineDoesNotHold) {
    Start();
    Import(Gbk("甲乙 5\n丙丁 Neg\n"), true);
    ASSERT_EQ(m_nImported, 2);
    ASSERT_EQ(KOVEX_Exit(), 1);
    const std::pair<const char*, const char*> cases[] = {{"<Tagger>on</Tagger>", "戊己 -2\n"},
                                                         {"<FieldDict>on</FieldDict>", "庚辛 -3\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        std::string config = DefaultConfig();
        std::string off = c.first;
        off.replace(off.find(">on<"), 4, ">off<");
        config.replace(config.find(c.first), strlen(c.first), off);
        m_dir.Put("Configure.xml", config);
        Start();
        Import(Gbk(c.second), false);
        EXPECT_EQ(m_nImported, 1);
        EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
        EXPECT_EQ(FieldTag(Gbk("丙丁")), "Neg");
        ASSERT_EQ(KOVEX_Exit(), 1);
    }
    m_dir.Put("Configure.xml", DefaultConfig());
    Start();
    EXPECT_EQ(FieldTag(Gbk("庚辛")), "-3");
    EXPECT_EQ(FieldTag(Gbk("戊己")), "-2");

    ASSERT_EQ(unlink(m_dir.Data("FieldDict.wordlist").c_str()), 0);
    const std::string pdat = kxtest::ReadAll(m_dir.Data("FieldDict.pdat"));
    const std::string pos = kxtest::ReadAll(m_dir.Data("FieldDict.pos"));
    Import(Gbk("壬癸 1\n"), false);
    EXPECT_EQ(m_nImported, 0);
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
    EXPECT_EQ(FieldTag(Gbk("壬癸")), "<absent>");
    EXPECT_EQ(kxtest::ReadAll(m_dir.Data("FieldDict.pdat")), pdat);
    EXPECT_EQ(kxtest::ReadAll(m_dir.Data("FieldDict.pos")), pos);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Data("FieldDict.wordlist")));
    EXPECT_TRUE(Contains(m_logs.Errors(), "Cannot open field dictionary " + m_dir.Data("FieldDict.wordlist")));
    Import(Gbk("壬癸 1\n"), true);  // overwriting needs no stored words
    EXPECT_EQ(m_nImported, 1);
    EXPECT_EQ(FieldTag(Gbk("壬癸")), "1");
}

// Only a regular file that gives entries is imported: a folder, an empty file, a file without
// entries, a FIFO (refused at once, not waited on) and /dev/zero leave the field dictionary, the
// keyword blacklist and their files as they were, with overwrite on.
TEST_F(KOVEXUserDictTest, ImportsTakeOnlyRegularFilesWithEntries) {
    Start();
    Import(Gbk("甲乙 5\n"), true);
    ASSERT_EQ(m_nImported, 1);
    kxtest::WriteAll(m_tmp.file("black.txt"), Gbk("丙丁\n"));
    ASSERT_EQ(KOVEX_ImportKeyBlackList(m_tmp.file("black.txt").c_str()), 1);
    const char* files[] = {"FieldDict.pdat", "FieldDict.pos", "FieldDict.wordlist", "KeyBlackList.pdat"};
    std::vector<std::string> before;
    for (const char* f : files) before.push_back(kxtest::ReadAll(m_dir.Data(f)));

    const std::string folder = m_tmp.file("folder"), fifo = m_tmp.file("fifo");
    std::filesystem::create_directories(folder);
    kxtest::WriteAll(m_tmp.file("empty.txt"), "");
    // No entry for the field dictionary: its only word, a core punctuation, is skipped.
    kxtest::WriteAll(m_tmp.file("none.txt"), "\n  \n\t\r\n" + Gbk("。 w\n"));
    kxtest::FifoReleaser releaser(fifo);
    ASSERT_TRUE(releaser.ok());
    const std::vector<std::string> paths = {folder, m_tmp.file("empty.txt"), m_tmp.file("none.txt"), fifo, "/dev/zero"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(KOVEX_ImportUserDict(path.c_str(), true), 0);
        if (path != m_tmp.file("none.txt")) {
            EXPECT_EQ(KOVEX_ImportKeyBlackList(path.c_str()), 0);
        }
    }
    EXPECT_EQ(KOVEX_ImportUserDictFiles(paths, true), 0);

    for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(kxtest::ReadAll(m_dir.Data(files[i])) == before[i]) << files[i];
    EXPECT_EQ(FieldTag(Gbk("甲乙")), "5");
    ASSERT_NE(g_pKeyBlackList, nullptr);
    EXPECT_GE(g_pKeyBlackList->Find(Gbk("丙丁").c_str()), 0);
    EXPECT_TRUE(Contains(m_logs.Errors(), "Failed Open file " + folder));
    EXPECT_TRUE(Contains(m_logs.Errors(), "Failed Open file " + fifo));
}
