// The dictionary-based converter on a small hand-made set: unit handling, marks, spans, white
// space, and construction failures.
#include "CodeTrans/CodeTran.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Utility/IDMaps.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/WordList.h"
#include "common/TestUtil.h"

namespace {

// Caller-side (UTF-8) and GBK forms of the characters of the small set.
const char kA_U[] = "\xE5\x95\x8A";       // 啊
const char kA_G[] = "\xB0\xA1";           // 啊
const char kB_U[] = "\xE9\x98\xBF";       // 阿
const char kB_G[] = "\xB0\xA2";           // 阿
const char kNoMap_U[] = "\xE5\x9F\x83";   // 埃: in the code dictionary, without a mapping
const char kNoMap_G[] = "\xB0\xA3";       // 埃: in the GBK dictionary, without a mapping
const char kFar_U[] = "\xE6\x8C\xA8";     // 挨: mapped to a GBK handle outside the word list
const char kMinus_U[] = "\xE5\x93\x8E";   // 哎: mapped to the target -1
const char kBOM[] = "\xEF\xBB\xBF";

void SaveWords(const std::string& dir, const char* dictName, const char* listName,
               const std::vector<std::pair<std::string, int>>& words) {
    CPDAT dict(1);
    CWordList list(false, nullptr);
    for (const auto& w : words) {
        ASSERT_EQ(w.second, dict.AddWord(w.first.c_str(), w.second, false));
        list.AddWord(w.first.c_str(), w.second);
    }
    dict.AddWordComplete();
    list.AddWordComplete();
    ASSERT_TRUE(dict.Save((dir + "/" + dictName).c_str()));
    ASSERT_TRUE(list.Save((dir + "/" + listName).c_str()));
}

void SaveMap(const std::string& dir, const char* name, const std::vector<std::pair<int, int>>& pairs) {
    CIDMaps map;
    map.MapInit();
    for (const auto& p : pairs) map.MapAdd(p.first, p.second);
    map.MapComplete();
    ASSERT_TRUE(map.Save((dir + "/" + name).c_str()));
}

// Writes the small set under the names of codes 1, 2 and 5 (the BIG5 names carry the same
// UTF-8 content, to see code 2 treat a byte-order mark as text).
void WriteSmallSet(const std::string& dir) {
    const std::vector<std::pair<std::string, int>> code = {
        {kA_U, 0}, {kB_U, 1}, {kNoMap_U, 2}, {kFar_U, 3}, {kMinus_U, 4}};
    const std::vector<std::pair<std::string, int>> gbk = {{kA_G, 0}, {kB_G, 1}, {kNoMap_G, 2}};
    const std::vector<std::pair<int, int>> code2gbk = {{0, 0}, {1, 1}, {3, 99}, {4, -1}};
    const std::vector<std::pair<int, int>> gbk2code = {{0, 0}, {1, 1}};
    for (const char* g : {"GBK", "GBKA"}) {
        std::string d = std::string(g) + ".pdat", l = std::string(g) + ".wordlist";
        SaveWords(dir, d.c_str(), l.c_str(), gbk);
    }
    for (const char* c : {"UTF8", "BIG5"}) {
        std::string d = std::string(c) + ".pdat", l = std::string(c) + ".wordlist";
        SaveWords(dir, d.c_str(), l.c_str(), code);
    }
    for (const char* m : {"UTF2GBK.map", "UTF2GBKA.map", "BIG2GBK.map"}) SaveMap(dir, m, code2gbk);
    for (const char* m : {"GBK2UTF.map", "GBKA2UTF.map", "GBK2BIG.map"}) SaveMap(dir, m, gbk2code);
}

class CodeTranTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new kxtest::TempDir();
        WriteSmallSet(s_dir->path());
        s_utf8 = new CCodeTran(s_dir->path().c_str(), 5);
    }
    static void TearDownTestSuite() {
        delete s_utf8;
        delete s_dir;
    }
    static std::string ToGBK(const std::string& s) {
        std::string out;
        s_utf8->CodeToGBK(s.c_str(), out);
        return out;
    }
    static std::string ToCode(const std::string& s) {
        std::string out;
        s_utf8->GBKToCode(s.c_str(), out);
        return out;
    }

    static kxtest::TempDir* s_dir;
    static CCodeTran* s_utf8;
};
kxtest::TempDir* CodeTranTest::s_dir = nullptr;
CCodeTran* CodeTranTest::s_utf8 = nullptr;

}  // namespace

TEST_F(CodeTranTest, MappedUnitsAndAsciiBothWays) {
    ASSERT_EQ(1, s_utf8->GetStatus());
    EXPECT_EQ(5, s_utf8->GetEncodeType());
    EXPECT_EQ(std::string(kA_G) + kB_G, ToGBK(std::string(kA_U) + kB_U));
    EXPECT_EQ(std::string(kA_U) + kB_U, ToCode(std::string(kA_G) + kB_G));
    EXPECT_EQ("hello, world 123 (x) a-b", ToGBK("hello, world 123 (x) a-b"));
    EXPECT_EQ(std::string("x=") + kA_G + "!", ToGBK(std::string("x=") + kA_U + "!"));
    std::string out = "stale";
    EXPECT_STREQ("", s_utf8->CodeToGBK("", out));
    EXPECT_STREQ("", s_utf8->CodeToGBK(nullptr, out));
    EXPECT_EQ("", out);
}

TEST_F(CodeTranTest, ByteOrderMarkSkippedOnlyForUtf8Codes) {
    EXPECT_EQ(kA_G, ToGBK(std::string(kBOM) + kA_U));
    EXPECT_EQ(kA_U, ToCode(std::string(kBOM) + kA_G));  // both directions
    CCodeTran big5(s_dir->path().c_str(), 2);
    ASSERT_EQ(1, big5.GetStatus());
    std::string out;
    big5.CodeToGBK((std::string(kBOM) + kA_U).c_str(), out);
    EXPECT_EQ(std::string("^^   ^^") + kA_G, out);
}

TEST_F(CodeTranTest, UnknownUnitsBecomeBlanksInOneSpan) {
    EXPECT_EQ("^^  ^^", ToGBK("\xFE\xFE"));
    EXPECT_EQ("  ", ToCode("\xFE\xFE"));
    EXPECT_EQ(std::string(kA_G) + "^^ ^^" + kB_G + "^^ ^^", ToGBK(std::string(kA_U) + "\xFE" + kB_U + "\xFF"));
    // A four-byte character without a GBK form gives one blank per byte.
    EXPECT_EQ("a^^    ^^b", ToGBK("a\xF0\x9F\x98\x80" "b"));
    EXPECT_EQ("a    b", ToCode("a\xF0\x9F\x98\x80" "b"));
    // ASCII glued onto a stray high byte is kept.
    EXPECT_EQ("^^ ^^abc", ToGBK("\xFF" "abc"));
}

// A span holds at most kMarkSpanBlanks blanks: a longer run goes on in the next span, from both
// the converter and the table conversion of UTF-8.
TEST_F(CodeTranTest, LongRunsOfUnknownUnitsTakeSeveralSpans) {
    const size_t nMax = CCodeTran::kMarkSpanBlanks;
    std::string out;
    std::vector<int> marks;
    s_utf8->CodeToGBK(std::string(nMax + 1, '\xFE').c_str(), out, nullptr, &marks);
    EXPECT_EQ(out, "^^" + std::string(nMax, ' ') + "^^^^ ^^");
    EXPECT_EQ(marks, (std::vector<int>{0, int(nMax) + 4}));
    std::string emojis;
    for (size_t k = 0; k < nMax / 4 + 1; ++k) emojis += "\xF0\x9F\x98\x80";
    CCodeTran::UTF8ToGBKMarked(emojis.c_str(), out, nullptr, &marks);
    EXPECT_EQ(out, "^^" + std::string(nMax, ' ') + "^^^^    ^^");
    EXPECT_EQ(marks, (std::vector<int>{0, int(nMax) + 4}));
}

TEST_F(CodeTranTest, FoundButUnmappedUnitsOpenTheirOwnSpan) {
    EXPECT_EQ("^^ ^^^^ ^^", ToGBK(std::string(kNoMap_U) + kNoMap_U));
    EXPECT_EQ(std::string(kA_G) + "^^ ^^^^ ^^^^  ^^",
              ToGBK(std::string(kA_U) + "\xFE" + kNoMap_U + "\xFE\xFE"));
    EXPECT_EQ("  ", ToCode(std::string(kNoMap_G) + kNoMap_G));
    // A target outside the word list, or -1, gives a blank, not nothing.
    EXPECT_EQ("^^ ^^", ToGBK(kFar_U));
    EXPECT_EQ(std::string(kA_G) + "^^ ^^" + kB_G, ToGBK(std::string(kA_U) + kMinus_U + kB_U));
}

// The "^^" marks are the converter's own: a caller's "^^" is converted as text in both
// directions, and the converter tells where it wrote its opening marks.
TEST_F(CodeTranTest, CallerCaretsAreTextAndOnlyTheMarksAreTheConverters) {
    EXPECT_EQ("a^^x^^b", ToGBK("a^^x^^b"));
    EXPECT_EQ("a^^x^^b", ToCode("a^^x^^b"));
    EXPECT_EQ(std::string(kA_G) + "^^" + kA_G + "\r\n" + kB_G + "^^" + kB_G,
              ToGBK(std::string(kA_U) + "^^" + kA_U + "\r\n" + kB_U + "^^" + kB_U));
    EXPECT_EQ(std::string(kA_U) + "^^" + kA_U, ToCode(std::string(kA_G) + "^^" + kA_G));
    EXPECT_EQ("a^^b", ToGBK("a^^b"));
    // Marks next to a caller's carets: each unconvertible unit opens its own span.
    const std::string in = "\xFE^^q^^\xFE";
    std::string out;
    std::vector<int> marks;
    s_utf8->CodeToGBK(in.c_str(), out, nullptr, &marks);
    EXPECT_EQ("^^ ^^^^q^^^^ ^^", out);
    EXPECT_EQ(marks, (std::vector<int>{0, 10}));
    s_utf8->CodeToGBK((std::string("^") + kA_U + "\xFE\xFE^").c_str(), out, nullptr, &marks);
    EXPECT_EQ(std::string("^") + kA_G + "^^  ^^^", out);
    EXPECT_EQ(marks, (std::vector<int>{3}));
    // Back to the caller's encoding a mark span becomes its blanks; without marks every "^" is text.
    EXPECT_EQ(" ", ToCode("^^ ^^"));
    EXPECT_EQ("  q^^x", ToCode("^^  ^^q^^x"));
    s_utf8->GBKToCode("^^ ^^q", out, false);
    EXPECT_EQ("^^ ^^q", out);
    EXPECT_EQ(CCodeTran::MarkedSpanEnd("^^  ^^x", 0), 6u);
    EXPECT_EQ(CCodeTran::MarkedSpanEnd("^^^^", 0), 0u);
    EXPECT_EQ(CCodeTran::MarkedSpanEnd("^^ x^^", 0), 0u);
}

TEST_F(CodeTranTest, WhiteSpaceAndLinesAreKept) {
    const std::string in = std::string("  ") + kA_U + "\r\n\r\n\t" + kB_U + "  \n" + kA_U + "\r";
    const std::string gbk = std::string("  ") + kA_G + "\r\n\r\n\t" + kB_G + "  \n" + kA_G + "\r";
    EXPECT_EQ(gbk, ToGBK(in));
    EXPECT_EQ(in, ToCode(gbk));
    // TABs inside a line survive both directions.
    EXPECT_EQ(std::string(kA_G) + "\t" + kB_G + "\t\tx\t", ToGBK(std::string(kA_U) + "\t" + kB_U + "\t\tx\t"));
    EXPECT_EQ(std::string(kA_U) + "\t" + kB_U, ToCode(std::string(kA_G) + "\t" + kB_G));
    // An unknown unit ending one line and one starting the next give two spans.
    EXPECT_EQ(std::string(kA_G) + "^^ ^^\r\n^^ ^^" + kB_G, ToGBK(std::string(kA_U) + "\xFE\r\n\xFE" + kB_U));
    EXPECT_EQ("^^ ^^\t^^ ^^", ToGBK("\xFE\t\xFE"));
}

TEST_F(CodeTranTest, Code4ExchangesTheMaps) {
    // Code 4 reads GBKA2UTF.map as its code->GBK map: with the small set that map holds only the
    // two identities, so the unmapped handles stay blanks.
    CCodeTran code4(s_dir->path().c_str(), 4);
    ASSERT_EQ(1, code4.GetStatus());
    std::string out;
    code4.CodeToGBK((std::string(kBOM) + kA_U + kB_U + kFar_U).c_str(), out);
    EXPECT_EQ(std::string(kA_G) + kB_G + "^^ ^^", out);
}

TEST_F(CodeTranTest, FilesAreConvertedWithMarkAndLineFeed) {
    kxtest::TempDir tmp;
    CCodeTran code1(s_dir->path().c_str(), 1);
    ASSERT_EQ(1, code1.GetStatus());
    kxtest::WriteAll(tmp.file("in.txt"), std::string(kBOM) + kA_U + "\r\n" + kB_U);
    EXPECT_EQ(1, code1.CodeToGBKFile(tmp.file("in.txt").c_str(), tmp.file("gbk.txt").c_str()));
    EXPECT_EQ(std::string(kA_G) + "\r\n" + kB_G + "\n", kxtest::ReadAll(tmp.file("gbk.txt")));
    EXPECT_EQ(1, code1.GBKToCodeFile(tmp.file("gbk.txt").c_str(), tmp.file("utf8.txt").c_str()));
    EXPECT_EQ(std::string(kBOM) + kA_U + "\r\n" + kB_U + "\n\n", kxtest::ReadAll(tmp.file("utf8.txt")));
    EXPECT_EQ(0, code1.CodeToGBKFile(tmp.file("missing.txt").c_str(), tmp.file("x.txt").c_str()));
    EXPECT_EQ(0, code1.CodeToGBKFile(tmp.file("in.txt").c_str(), tmp.file("in.txt/x").c_str()));
}

// Construction failures write to the error file of the working directory; run them in a
// directory of their own.
class CodeTranLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char* cwd = getcwd(nullptr, 0);
        m_oldDir = cwd ? cwd : ".";
        free(cwd);
        ASSERT_EQ(0, chdir(m_logDir.path().c_str()));
        LogTestResetPath();
    }
    void TearDown() override {
        LogTestResetPath();
        EXPECT_EQ(0, chdir(m_oldDir.c_str()));
    }
    // Everything the .err files of the log directory hold.
    std::string ErrorFileText() {
        std::string all;
        DIR* dir = opendir(m_logDir.path().c_str());
        while (dir != nullptr) {
            struct dirent* e = readdir(dir);
            if (e == nullptr) break;
            std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".err") == 0)
                all += kxtest::ReadAll(m_logDir.file(name));
        }
        if (dir != nullptr) closedir(dir);
        return all;
    }

    kxtest::TempDir m_logDir;
    kxtest::TempDir m_data;
    std::string m_oldDir;
};

TEST_F(CodeTranLoadTest, CodesOutsideTheTableOpenNothing) {
    WriteSmallSet(m_data.path());
    for (int code : {0, 6, -1}) {
        CCodeTran t(m_data.path().c_str(), code);
        EXPECT_EQ(0, t.GetStatus());
        EXPECT_EQ(0, t.GetEncodeType());
        std::string out = "x";
        EXPECT_STREQ("", t.CodeToGBK("abc", out));
        EXPECT_STREQ("", t.GBKToCode("abc", out));
    }
    CCodeTran none(nullptr, 1);
    EXPECT_EQ(0, none.GetStatus());
    EXPECT_EQ("", ErrorFileText());
}

TEST_F(CodeTranLoadTest, MissingFileFailsCleanly) {
    WriteSmallSet(m_data.path());
    ASSERT_EQ(0, remove((m_data.path() + "/UTF8.wordlist").c_str()));
    SetLastErrorMessage("before");
    CCodeTran t(m_data.path().c_str(), 5);
    EXPECT_EQ(0, t.GetStatus());
    EXPECT_EQ(0, t.GetEncodeType());
    EXPECT_EQ("before", CopyLastErrorMessage());
    const std::string err = ErrorFileText();
    EXPECT_NE(std::string::npos, err.find("\t" + m_data.path() + "/UTF8.wordlist cannot load!\n\n")) << err;
    std::string out;
    EXPECT_STREQ("", t.CodeToGBK(kA_U, out));

    // A missing map, the last file of the row, fails the same way.
    WriteSmallSet(m_data.path());
    ASSERT_EQ(0, remove((m_data.path() + "/GBK2UTF.map").c_str()));
    CCodeTran t2(m_data.path().c_str(), 5);
    EXPECT_EQ(0, t2.GetStatus());
    EXPECT_NE(std::string::npos, ErrorFileText().find("GBK2UTF.map cannot load!"));
}

// The working copy a text is cut in is kept per thread for the next call, but not at the size of
// a long text: converting one leaves no more memory in use than before.
TEST_F(CodeTranTest, ALongTextLeavesNoWorkingCopyHeld) {
    std::string text;
    while (text.size() < 4000000) text += std::string(kA_U) + kB_U + " hello\n";
    const auto InUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return m.uordblks + m.hblkhd;
    };
    const size_t nBefore = InUse();
    {
        std::string out;
        s_utf8->CodeToGBK(text.c_str(), out);
        EXPECT_EQ(out.size(), text.size() / 13 * 11);
    }
    EXPECT_LT(InUse(), nBefore + 1000000);
}
