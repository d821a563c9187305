#include "MERIDOX/System/MainSystem.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MainSystemFixture.h"
#include "MERIDOX/Segment/SegmentFixture.h"
#include "Utility/GBKChar.h"
#include "Utility/Unigram.h"
#include "common/TestUtil.h"

namespace enginetest {

bool EngineTestBase::s_bLoaded = false;

class MainSystemTest : public EngineTestBase {
protected:
    // Output over hand-made words of a GBK line on a fresh instance: the text and the rows.
    struct W {
        int start, end, type, pos, handle;
    };
    std::string RunOutput(const std::string& line, const std::vector<W>& ws, std::vector<result_t>& rows,
                          bool bUserDict = true) {
        m_sys.reset(new CMainSystem);
        std::vector<word_t> words;
        for (const W& w : ws) {
            word_t x;
            x.start = w.start;
            x.end = w.end;
            x.type = tuchar(w.type);
            x.POS_id = tuchar(w.pos);
            x.handle = w.handle;
            words.push_back(x);
        }
        m_sys->Output(line.c_str(), words.data(), int(words.size()), 0, 1, bUserDict);
        rows = Rows(*m_sys);
        return m_sys->GetResultText();
    }
    int Id(const char* utf8) const { return g_pCoreDict->Find(Gbk(utf8).c_str()); }
    std::unique_ptr<CMainSystem> m_sys;
};

// ---- text format and rows -----------------------------------------------------------------------

TEST_F(MainSystemTest, DefaultFormatTagsWordsAndLeavesSentenceEndsBare) {
    CMainSystem sys;
    ASSERT_TRUE(sys.IsReady());
    std::string line = Gbk("他工作。");
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "他/r 工作/vn 。 ");
    std::vector<result_t> rows = Rows(sys);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].word_ID, -1);
    EXPECT_STREQ(rows[2].sPOS, "");
    EXPECT_EQ(rows[2].iPOS, 82);  // what the keyword finder's sentence split reads
    EXPECT_EQ(rows[1].start, 2);
    EXPECT_EQ(rows[1].length, 4);
    EXPECT_EQ(rows[0].weight, ProbabilityToWeight(CMainSystem::GetUniProb(rows[0].word_ID)));

    // Without tagging: no tags, and every row's tag id is -1.
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 0, true)), "他 工作 。 ");
    for (const result_t& r : Rows(sys)) EXPECT_EQ(r.iPOS, -1);

    // One exclamation mark of class 28 also carries 82; a white-space run carries 1, untagged,
    // and writes nothing into the text.
    std::string spaced = Gbk("  中国！");
    EXPECT_EQ(Utf8(sys.Process(spaced.c_str(), 1, true)), "中国/ns ！ ");
    rows = Rows(sys);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].iPOS, 1);
    EXPECT_EQ(rows[0].length, 2);
    EXPECT_STREQ(rows[0].sPOS, "");
    EXPECT_EQ(rows[2].iPOS, 82);
}

TEST_F(MainSystemTest, DelimiterAndBoundaryWriteTheirFirstCharacterOnly) {
    CMainSystem sys;
    std::string line = Gbk("他工作。");
    g_sPOSDelimiter = "|#";
    g_sWordBoundary = "\t;";
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "他|r\t工作|vn\t。\t");
    g_sPOSDelimiter = "";
    g_sWordBoundary = " ";
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "他r 工作vn 。 ");
    g_sPOSDelimiter = Gbk("、");  // a GBK character is written whole
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "他、r 工作、vn 。 ");
}

TEST_F(MainSystemTest, NumberWithInnerBlankIsBracketedTrailingBlanksAreNot) {
    CMainSystem sys;
    std::string a = Gbk("12 34个");
    EXPECT_EQ(Utf8(sys.Process(a.c_str(), 1, true)), "[12 34]m 个/q ");
    EXPECT_EQ(Rows(sys)[0].length, 5);
    std::string b = "12  ";
    std::string r = sys.Process(b.c_str(), 1, true);
    EXPECT_EQ(r.substr(0, 5), "12/m ");
    EXPECT_EQ(Rows(sys)[0].length, 2);
}

TEST_F(MainSystemTest, FinerPiecesFollowLongUnitsOnly) {
    g_bFinerSegCombined = true;
    CMainSystem sys;
    std::string line = Gbk("中华人民共和国张三丰");
    std::string text = Utf8(sys.Process(line.c_str(), 1, true));
    std::vector<result_t> rows = Rows(sys);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].length, 14);
    std::string pieces;
    size_t k = 1;
    for (; k < rows.size() && strcmp(rows[k].sPOS, "seg") == 0; ++k) {
        EXPECT_EQ(rows[k].start, int(pieces.size()));  // starts add up
        EXPECT_EQ(rows[k].iPOS, -1);
        EXPECT_EQ(rows[k].weight, 0);
        EXPECT_EQ(rows[k].word_ID, g_pCoreDict->Find(line.substr(size_t(rows[k].start), size_t(rows[k].length)).c_str()));
        pieces += line.substr(size_t(rows[k].start), size_t(rows[k].length));
    }
    EXPECT_GT(k, 2u);
    EXPECT_EQ(pieces, line.substr(0, 14));
    EXPECT_NE(text.find("/seg "), std::string::npos);
    // The 6-byte name that follows gets no pieces.
    ASSERT_EQ(k + 1, rows.size()) << text;
    EXPECT_EQ(rows[k].length, 6);
    // Without tagging the pieces are written bare.
    EXPECT_EQ(std::string(sys.Process(line.c_str(), 0, true)).find("/seg"), std::string::npos);
}

// ---- short and long texts -----------------------------------------------------------------------

TEST_F(MainSystemTest, EmptyAndLineBreakTextsComeBackAsGiven) {
    CMainSystem sys;
    EXPECT_STREQ(sys.Process("", 1, true), "");
    EXPECT_STREQ(sys.Process(nullptr, 1, true), "");
    int n = -1;
    sys.GetResult(&n);
    EXPECT_EQ(n, 0);
    EXPECT_STREQ(sys.Process("\r\n", 1, true), "\r\n");
    EXPECT_STREQ(sys.Process(" ", 1, true), " ");
}

TEST_F(MainSystemTest, HundredBytesIsOneLineHundredAndOneIsLong) {
    CMainSystem sys;
    std::string base;
    while (base.size() < 100) base += Gbk("中国人民");
    base.resize(100);
    tstring trans;
    sys.ProcessA(base.c_str(), trans, true, true, false);
    EXPECT_FALSE(sys.IsLongText());
    std::string longer = base + Gbk("。");  // 102 bytes
    longer.resize(101);
    longer.back() = '1';
    sys.ProcessA(longer.c_str(), trans, true, true, false);
    EXPECT_TRUE(sys.IsLongText());
    int n = 0;
    result_t* rows = sys.GetResult(&n);
    ASSERT_GT(n, 0);
    EXPECT_EQ(rows[n - 1].start + rows[n - 1].length, 101);
}

TEST_F(MainSystemTest, LongTextRowsCountFromTheTextStartWithOneRowPerCarriageReturn) {
    CMainSystem sys;
    std::string a, b;
    while (a.size() < 60) a += Gbk("我们是中国人");
    while (b.size() < 60) b += Gbk("他工作很好");
    std::string text = a + "\r\n" + b;
    CMainSystem shortSys;
    shortSys.ProcessAtom(a.c_str(), true, true);
    std::vector<result_t> rowsA = Rows(shortSys);
    shortSys.ProcessAtom(b.c_str(), true, true);
    std::vector<result_t> rowsB = Rows(shortSys);

    tstring trans;
    sys.ProcessA(text.c_str(), trans, true, true, false);
    std::vector<result_t> rows = Rows(sys);
    ASSERT_EQ(rows.size(), rowsA.size() + 1 + rowsB.size());
    for (size_t k = 0; k < rowsA.size(); ++k) EXPECT_EQ(rows[k].start, rowsA[k].start);
    const result_t& cr = rows[rowsA.size()];
    EXPECT_EQ(cr.start, int(a.size()));
    EXPECT_EQ(cr.length, 1);
    EXPECT_EQ(cr.word_ID, -1);
    EXPECT_EQ(cr.iPOS, 1);
    for (size_t k = 0; k < rowsB.size(); ++k) {
        EXPECT_EQ(rows[rowsA.size() + 1 + k].start, rowsB[k].start + int(a.size()) + 2);
        EXPECT_STREQ(rows[rowsA.size() + 1 + k].sPOS, rowsB[k].sPOS);
    }

    // The text result: each line's text, the break byte and the whole boundary.
    std::string out = sys.Process(text.c_str(), 1, true);
    std::string lineA = shortSys.Process(a.c_str(), 1, true);
    std::string lineB = shortSys.Process(b.c_str(), 1, true);
    EXPECT_EQ(out, lineA + "\r  " + lineB);
}

// A long text processed for its text keeps no rows of its lines (and one processed for its rows
// no text); its text must still be, line by line, the text of the same line processed alone,
// whose tags are those its rows keep (a tag of other than ASCII bytes, one cut at 39 bytes, finer
// pieces). The next call has both parts again.
TEST_F(MainSystemTest, LongTextWrittenWithoutRowsMatchesItsLinesAndTheirRows) {
    SetUserWords({"中国人民 专名"});
    SetFieldWords({{"工作", std::string(45, 't')}});
    g_bFinerSegCombined = true;
    std::string a, b = Gbk("他们在中华人民共和国工作，");
    while (a.size() < 80) a += Gbk("中国人民很好，");
    const std::string text = a + "\r\n" + b;
    ASSERT_LT(a.size(), 101u);
    ASSERT_LT(b.size(), 101u);
    ASSERT_GE(text.size(), 101u);

    CMainSystem shortSys;
    std::string lines;
    std::vector<result_t> rowsB;
    size_t nRowsA = 0;
    for (const std::string& line : {a, b}) {
        const std::string out = shortSys.Process(line.c_str(), 1, true);
        std::string fromRows;
        for (const result_t& r : Rows(shortSys)) {
            fromRows += line.substr(size_t(r.start), size_t(r.length));
            if (r.sPOS[0]) fromRows += std::string("/") + r.sPOS;
            fromRows += ' ';
        }
        EXPECT_EQ(out, fromRows) << Utf8(out);
        lines += lines.empty() ? out + "\r  " : out;
        if (nRowsA == 0) nRowsA = Rows(shortSys).size();
        rowsB = Rows(shortSys);
    }
    EXPECT_NE(lines.find("/" + std::string(39, 't') + " "), std::string::npos) << Utf8(lines);
    EXPECT_NE(lines.find("/" + Gbk("专名") + " "), std::string::npos) << Utf8(lines);
    EXPECT_NE(lines.find("/seg "), std::string::npos) << Utf8(lines);

    CMainSystem sys;
    EXPECT_EQ(std::string(sys.Process(text.c_str(), 1, true)), lines);
    EXPECT_EQ(std::string(sys.Process(b.c_str(), 1, true)), std::string(shortSys.Process(b.c_str(), 1, true)));
    const std::vector<result_t> rows = Rows(sys);
    ASSERT_EQ(rows.size(), rowsB.size());
    EXPECT_EQ(0, memcmp(rows.data(), rowsB.data(), rows.size() * sizeof(result_t)));
    // Rows of a long text are written without the lines' text; the next text has it again.
    tstring trans;
    sys.ProcessA(text.c_str(), trans, true, true, false);
    EXPECT_EQ(Rows(sys).size(), nRowsA + 1 + rowsB.size());
    EXPECT_EQ(std::string(sys.Process(b.c_str(), 1, true)), std::string(shortSys.Process(b.c_str(), 1, true)));
}

// The long-text result holds the last long text only, also when its rows were asked for.
TEST_F(MainSystemTest, LongTextResultDoesNotGrowAcrossRowCalls) {
    CMainSystem sys;
    std::string text;
    while (text.size() < 200) text += Gbk("我们是中国人") + "\r\n";
    tstring trans;
    sys.ProcessA(text.c_str(), trans, true, true, false);
    const std::string first = sys.GetResultText();
    for (int k = 0; k < 5; ++k) sys.ProcessA(text.c_str(), trans, true, true, false);
    EXPECT_EQ(sys.GetResultText(), first);
}

// ---- buffers that must grow (run under ASan) --------------------------------------------------

TEST_F(MainSystemTest, UserTagsLongerThanTheWordsGrowTheText) {
    const std::string tag(39, 't');
    SetUserWords({",; " + tag});
    CMainSystem sys;
    std::string line;
    while (line.size() < 100 * 1024) line += ",;";
    std::string out = sys.Process(line.c_str(), 1, true);
    std::string unit = ",;/" + tag + " ";
    ASSERT_EQ(out.size(), line.size() / 2 * unit.size());
    EXPECT_EQ(out.substr(0, unit.size()), unit);
    EXPECT_EQ(out.substr(out.size() - unit.size()), unit);
    tstring trans;
    int n = 0;
    sys.ProcessA(line.c_str(), trans, true, true, false);
    result_t* rows = sys.GetResult(&n);
    ASSERT_EQ(n, int(line.size() / 2));
    EXPECT_EQ(rows[n - 1].word_type, 1);
    EXPECT_EQ(rows[n - 1].start, int(line.size()) - 2);
}

TEST_F(MainSystemTest, FinerPiecesOfDottedRunsGiveMoreRowsThanBytes) {
    g_bFinerSegCombined = true;
    CMainSystem sys;
    std::string line;
    while (line.size() < 2000) line += Gbk("中") + "a.b.c.d.e.f.g.h";
    std::string out = sys.Process(line.c_str(), 1, true);
    EXPECT_GT(out.size(), line.size() * 6);
    tstring trans;
    sys.ProcessA(line.c_str(), trans, true, true, false);
    int count = 0;
    result_t* rows = sys.GetResult(&count);
    EXPECT_EQ(count, int(line.size()));  // one row per byte: each letter and dot is a piece
    EXPECT_STREQ(rows[count - 1].sPOS, "seg");
}

TEST_F(MainSystemTest, EnglishLineWithLongFieldTags) {
    SetFieldWords({{"a", std::string(39, 'f')}});
    CMainSystem sys;
    std::string line;
    while (line.size() < 100) line += "a ";
    ASSERT_TRUE(IsEnglishText(line.c_str()));
    std::string out = sys.Process(line.c_str(), 1, true);
    EXPECT_GT(out.size(), 12 * line.size());
    EXPECT_TRUE(sys.IsEnglishText());
}

TEST_F(MainSystemTest, ConvertedResultLongerThanTwelveTimesTheLine) {
    std::string tagUtf8;
    while (tagUtf8.size() < 57) tagUtf8 += "标签";  // 38 GBK bytes, 57 UTF-8 bytes
    SetUserWords({",; " + tagUtf8.substr(0, 57)});
    g_nEncodeType = -1;
    CMainSystem sys;
    std::string line;
    while (line.size() < 60) line += ",;";
    std::string out = sys.Process(line.c_str(), 1, true);
    EXPECT_GT(out.size(), 12 * line.size());
    EXPECT_NE(out.find(",;/" + tagUtf8.substr(0, 57) + " "), std::string::npos);
}

// ---- dictionary override ------------------------------------------------------------------------

TEST_F(MainSystemTest, UserWordEndingOnAWordBoundaryReplacesTheWords) {
    std::string line = Gbk("中国人民很好");  // 中国 人民 很 好
    CMainSystem sys;
    SetUserWords({"中国人民 ntx", "中国人 nz"});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国人民/ntx 很/d 好/a ");
    std::vector<result_t> rows = Rows(sys);
    EXPECT_EQ(rows[0].length, 8);
    EXPECT_EQ(rows[0].word_ID, -1);
    EXPECT_EQ(rows[0].word_type, 1);
    EXPECT_EQ(rows[0].iPOS, 255);  // a tag the map does not know
    EXPECT_EQ(rows[0].weight, ProbabilityToWeight(CMainSystem::GetUniProb(Id("中国"))));

    // A user word that ends inside a word is ignored.
    SetUserWords({"中国人 nz"});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国/ns 人民/n 很/d 好/a ");

    // Without bUserDict nothing is looked up.
    SetUserWords({"中国人民 ntx"});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, false)), "中国/ns 人民/n 很/d 好/a ");
}

TEST_F(MainSystemTest, EqualMatchesGoToTheUserWordLongerFieldWins) {
    std::string line = Gbk("中国人民很好");
    CMainSystem sys;
    SetUserWords({"中国人民 v"});
    SetFieldWords({{"中国人民", "a"}});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国人民/v 很/d 好/a ");
    EXPECT_EQ(Rows(sys)[0].iPOS, 68);
    SetFieldWords({{"中国人民很", "ad"}});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国人民很/ad 好/a ");
    EXPECT_EQ(Rows(sys)[0].word_type, 1);
}

TEST_F(MainSystemTest, PunctuationAsLongAsTheMatchIsNotOverridden) {
    std::string line = Gbk("中国，人民");
    CMainSystem sys;
    SetUserWords({"， n"});
    SetFieldWords({{"，", "n"}});
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国/ns ，/wd 人民/n ");
}

TEST_F(MainSystemTest, FieldDictionaryWithoutTagsOrTagging) {
    std::string line = Gbk("中国人民很好");
    SetFieldWords({{"中国人民", "x"}}, false);
    CMainSystem sys;
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国人民/ 很/d 好/a ");
    EXPECT_EQ(Rows(sys)[0].iPOS, 255);
    g_bPOSTagger = false;
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "中国人民 很 好 ");
    EXPECT_EQ(Rows(sys)[0].iPOS, -1);
    EXPECT_EQ(Rows(sys)[0].word_type, 1);
}

TEST_F(MainSystemTest, DictionaryUnitsAreWrittenWholeAndOnce) {
    // Words: "@" "ab" "." "cd" | "/" "/" "x" | 一 天 天
    std::string line = "@ab.cd//x" + Gbk("一天天");
    SetUserWords({"@ab.cd n", "//x n", "一天天 m"});
    std::vector<result_t> rows;
    std::string text = RunOutput(line,
                                 {{0, 1, 1, 78, -1}, {1, 3, 8, 93, -1}, {3, 4, 1, 78, -1}, {4, 6, 8, 93, -1},
                                  {6, 7, 1, 78, -1}, {7, 8, 1, 78, -1}, {8, 9, 8, 93, -1},
                                  {9, 11, 0, 18, gOneID}, {11, 13, 0, 25, 5}, {13, 15, 0, 25, 5}},
                                 rows);
    EXPECT_EQ(Utf8(text), "@ab.cd/n //x/n 一天天/m ");
    std::string joined;
    for (const result_t& r : rows) joined += line.substr(size_t(r.start), size_t(r.length));
    EXPECT_EQ(joined, line);
}

// ---- merges ---------------------------------------------------------------------------------------

TEST_F(MainSystemTest, NumeralRepeatNeedsOneInTheDictionary) {
    std::string line = Gbk("一天天");
    const int day = Id("天");
    ASSERT_GE(gOneID, 0);
    std::vector<result_t> rows;
    std::vector<W> words = {{0, 2, 0, 18, gOneID}, {2, 4, 0, 52, day}, {4, 6, 0, 52, day}};
    EXPECT_EQ(Utf8(RunOutput(line, words, rows)), "一天天/m ");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].word_ID, -1);
    EXPECT_EQ(rows[0].iPOS, 18);
    // Missing 一 (-1) never matches white space or unknown words of handle -1.
    gOneID = -1;
    words = {{0, 2, 0, 18, -1}, {2, 4, 0, 52, -1}, {4, 6, 0, 52, -1}};
    RunOutput(line, words, rows);
    EXPECT_EQ(rows.size(), 3u);
}

TEST_F(MainSystemTest, LetterWordsInChineseTextAreNeverTelephoneNumbers) {
    CMainSystem sys;
    for (const char* w : {"computer", "Facebook", "software", "programming"}) {
        std::string line = Gbk("这台") + w + Gbk("和那台");
        ASSERT_FALSE(IsEnglishText(line.c_str()));
        sys.Process(line.c_str(), 1, true);
        std::vector<result_t> rows = Rows(sys);
        ASSERT_GE(rows.size(), 4u) << w;
        EXPECT_EQ(rows[2].start, 4);
        EXPECT_EQ(rows[2].length, int(strlen(w)));
        EXPECT_NE(rows[2].iPOS, 100) << w;
        EXPECT_NE(rows[2].iPOS, 52) << w;
    }
    std::string phone = Gbk("电话") + "13800138000";
    sys.Process(phone.c_str(), 1, true);
    EXPECT_EQ(Rows(sys).back().iPOS, 100);
    std::string date = "2008-10-12" + Gbk("日");
    sys.Process(date.c_str(), 1, true);
    EXPECT_EQ(Rows(sys)[0].iPOS, 52);
    EXPECT_EQ(Rows(sys)[0].length, 10);
}

TEST_F(MainSystemTest, MailAndWebAddressesWithDotsAndAtsAsWords) {
    // With "." and "@" as single punctuation atoms, addresses are runs of words.
    std::unique_ptr<CCharset> cs = segtest::MakeCharset({{".", 1}, {"@", 1}});
    ASSERT_TRUE(cs);
    CCharset* saved = g_pCharset;
    g_pCharset = cs.get();
    {
        CMainSystem sys;
        auto unitOf = [&](const std::string& addr, int& iPOS) {
            std::string line = Gbk("请发到这个地址") + addr + Gbk("或者打电话给我们谢谢大家");
            EXPECT_FALSE(IsEnglishText(line.c_str()));
            sys.Process(line.c_str(), 1, true);
            for (const result_t& r : Rows(sys))
                if (r.start == 14) {
                    iPOS = r.iPOS;
                    return line.substr(14, size_t(r.length));
                }
            return std::string();
        };
        int pos = 0;
        EXPECT_EQ(unitOf("name@domain.com", pos), "name@domain.com");
        EXPECT_EQ(pos, 97);
        EXPECT_EQ(unitOf("www.abc.com", pos), "www.abc.com");
        EXPECT_EQ(pos, 96);
        EXPECT_EQ(unitOf("user@host", pos), "user");  // no dot: no address, no stale 97
        EXPECT_NE(pos, 97);
    }
    g_pCharset = saved;
}

TEST_F(MainSystemTest, DoubleSlashAndLearnedNames) {
    CMainSystem sys;
    std::string line = "//" + Gbk("注释");
    EXPECT_EQ(Utf8(sys.Process(line.c_str(), 1, true)), "///xr 注释/v ");
    EXPECT_EQ(Rows(sys)[0].iPOS, 98);

    // A four-byte name followed by a two-byte morpheme is one unit and is learned once.
    std::string name = Gbk("欧阳小明");
    std::vector<result_t> rows;
    std::vector<W> words = {{0, 4, 0, 24, -1}, {4, 6, 0, 4, -1}};
    EXPECT_EQ(Utf8(RunOutput(name, words, rows)), "欧阳小/nr ");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].length, 6);
    EXPECT_EQ(rows[0].iPOS, 24);
    ASSERT_NE(g_pUserDict, nullptr);  // created on first use
    EXPECT_GE(g_pUserDict->Find(name.substr(0, 6).c_str()), 0);
    EXPECT_EQ(AddUserWordO((name.substr(0, 6) + " nr").c_str()), 0);
}

// The output reuses the dictionary lookups that the atom segmentation made at the same offsets of
// the line; these must never outlive a change of the dictionaries.
TEST_F(MainSystemTest, OutputSeesWordsLearntEarlierInTheLine) {
    // "郑勇" + "摄" is learnt as a name at its first occurrence; the second occurrence, cut before
    // the word was learnt, must find it in the user dictionary like a line cut without priority.
    const std::string line = Gbk("（郑勇摄）（郑勇摄）");
    const std::string name = Gbk("郑勇摄");
    std::string text[2];
    std::vector<result_t> rows[2];
    for (int prior = 0; prior < 2; ++prior) {
        ClearDictionaries();
        g_bUserDictPrior = prior == 1;
        CMainSystem sys;
        text[prior] = Utf8(sys.Process(line.c_str(), 1, true));
        rows[prior] = Rows(sys);
    }
    ASSERT_NE(g_pUserDict, nullptr);
    EXPECT_GE(g_pUserDict->Find(name.c_str()), 0);
    std::vector<int> nameTypes;
    for (const result_t& r : rows[1])
        if (line.compare(size_t(r.start), size_t(r.length), name) == 0) nameTypes.push_back(r.word_type);
    EXPECT_EQ(nameTypes, (std::vector<int>{2, 1})) << text[1];  // a name merged and learnt, then found
    EXPECT_EQ(text[1], text[0]);
    ASSERT_EQ(rows[1].size(), rows[0].size());
    for (size_t k = 0; k < rows[0].size(); ++k) {
        EXPECT_EQ(rows[1][k].start, rows[0][k].start) << k;
        EXPECT_EQ(rows[1][k].length, rows[0][k].length) << k;
        EXPECT_EQ(rows[1][k].word_type, rows[0][k].word_type) << k;
        EXPECT_EQ(rows[1][k].word_ID, rows[0][k].word_ID) << k;
        EXPECT_STREQ(rows[1][k].sPOS, rows[0][k].sPOS) << k;
    }
}

TEST_F(MainSystemTest, OutputLookupsFollowTheDictionariesFromLineToLine) {
    g_bUserDictPrior = true;
    CMainSystem sys;
    char buf[32];
    const std::string a = Gbk("中国人民很好");
    snprintf(buf, sizeof buf, "%s", a.c_str());
    SetUserWords({"中国人民 ntx"});
    EXPECT_EQ(Utf8(sys.Process(buf, 1, true)), "中国人民/ntx 很/d 好/a ");
    SetUserWords({"人民很 v"});
    EXPECT_EQ(Utf8(sys.Process(buf, 1, true)), "中国/ns 人民很/v 好/a ");
    // Another line in the same buffer: the blanks at offset 0, where the earlier line had a
    // user word ending where a word of the new line starts, are looked up afresh.
    const std::string c = Gbk("中国很好"), d = Gbk("  很好");
    SetUserWords({"中国 ntx"});
    snprintf(buf, sizeof buf, "%s", c.c_str());
    EXPECT_EQ(Utf8(sys.Process(buf, 1, true)), "中国/ntx 很/d 好/a ");
    snprintf(buf, sizeof buf, "%s", d.c_str());
    const std::string got = Utf8(sys.Process(buf, 1, true));
    CMainSystem fresh;
    EXPECT_EQ(got, Utf8(fresh.Process(d.c_str(), 1, true)));
    EXPECT_EQ(Rows(sys).size(), Rows(fresh).size());
}

// ---- conversion and row mapping ----------------------------------------------------------------

class CodeTranslatorTest : public MainSystemTest {
protected:
    void SetUp() override {
        MainSystemTest::SetUp();
        m_tran.reset(new CCodeTran((DataDir() + "/").c_str(), 1));
        ASSERT_EQ(m_tran->GetStatus(), 1);
        g_pCodeTranslator = m_tran.get();
        g_nEncodeType = 1;
    }
    void TearDown() override {
        g_pCodeTranslator = nullptr;
        MainSystemTest::TearDown();
    }
    std::unique_ptr<CCodeTran> m_tran;
};

TEST_F(CodeTranslatorTest, RowsMapOntoTheCallersTextAfterTheByteOrderMark) {
    CMainSystem sys;
    std::string text = "\xEF\xBB\xBF我们是中国人。";
    tstring trans;
    int n = sys.ProcessA(text.c_str(), trans, true, true, false);
    std::vector<result_t> rows = Rows(sys);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(rows[0].start, 3);
    EXPECT_EQ(text.substr(size_t(rows[0].start), size_t(rows[0].length)), "我们");
    EXPECT_EQ(text.substr(size_t(rows[3].start), size_t(rows[3].length)), "人");
    EXPECT_EQ(rows[4].start + rows[4].length, int(text.size()));
    EXPECT_STREQ(sys.Process(text.c_str(), 1, true), "我们/r 是/v 中国/ns 人/n 。 ");
}

// Rows mapped onto a UTF-8 text stay inside it, on character boundaries, and each covers its own
// word: a row whose GBK piece holds no stand-in of an unconvertible character covers exactly the
// caller's bytes that convert to that piece, and a row over such a character holds its stand-in. The GBK rows of the same text come from the keyword
// form (which leaves them on the GBK text). Characters without a GBK form (emoji, the euro sign,
// ß and ö) used to leave the rows after them at the GBK lengths, past the text or inside
// characters, and finer pieces were searched for after their unit.
TEST_F(CodeTranslatorTest, UnconvertibleCharactersNeverPushTheSearchPastTheText) {
    std::string euros;
    for (int k = 0; k < 40; ++k) euros += "价格是" + std::to_string(k) + "€，我们很喜欢。";
    const std::string texts[] = {"中国人\xF0\x9F\x98\x80",
                                 "中国人\xF0\x9F\x98\x80\xF0\x9F\x98\x80\r\n",
                                 "中国人a\xE2\x82\xAC\xF0\x9F\x98\x80",
                                 "Größe很好",
                                 "今天很开心😀，我们去北京",
                                 "\xEF\xBB\xBF中华人民共和国😀中华人民共和国",
                                 "a\xE4\xB8很好\xFF中国",
                                 "很好\xEE\xA1\x84!!!去.",  // ASCII beside a character without a GBK form
                                 euros};
    for (bool bFiner : {false, true}) {
        g_bFinerSegCombined = bFiner;
        CMainSystem sys;
        for (const std::string& text : texts) {
            SCOPED_TRACE((bFiner ? "finer: " : "") + text);
            std::unique_ptr<char[]> exact = segtest::Exact(text);
            tstring gbk;
            const int nGBK = sys.ProcessA(exact.get(), gbk, true, true, true);
            const std::vector<result_t> gbkRows = Rows(sys);
            tstring trans;
            const int n = sys.ProcessA(exact.get(), trans, true, true, false);
            ASSERT_EQ(n, nGBK);
            ASSERT_EQ(trans, gbk);
            const std::vector<result_t> rows = Rows(sys);
            const std::vector<bool> starts = CharStarts(text);
            std::vector<std::string> words;
            for (int k = 0; k < n; ++k) {
                const result_t& r = rows[size_t(k)];
                ASSERT_GE(r.start, 0) << k;
                ASSERT_GE(r.length, 0) << k;
                ASSERT_LE(r.start + r.length, int(text.size())) << k;
                EXPECT_TRUE(starts[size_t(r.start)]) << k;
                EXPECT_TRUE(starts[size_t(r.start + r.length)]) << k;
                const std::string piece = gbk.substr(size_t(gbkRows[size_t(k)].start), size_t(gbkRows[size_t(k)].length));
                const std::string own = text.substr(size_t(r.start), size_t(r.length));
                words.push_back(own);
                tstring back;
                m_tran->CodeToGBK(own.c_str(), back);
                if (back.find('^') == std::string::npos && piece.find('^') == std::string::npos) {
                    EXPECT_EQ(back, piece) << k << ": " << own;
                } else {
                    // A row over a character without a GBK form holds its stand-in, or a
                    // finer piece of it (marks and blanks).
                    EXPECT_TRUE(piece.find('^') != std::string::npos || piece.find_first_not_of("^ ") == std::string::npos)
                        << k << ": " << own;
                }
            }
            if (text == "今天很开心😀，我们去北京" && !bFiner) {
                EXPECT_EQ(words, (std::vector<std::string>{"今天", "很", "开心", "😀", "，", "我们", "去", "北京"}));
            }
            if (text == "Größe很好" && !bFiner) {
                ASSERT_GE(words.size(), 2u);
                EXPECT_EQ(words[words.size() - 2] + words.back(), "很好");
            }
        }
    }
}

// The word list of a text under a code translator holds the caller's own words, the odd
// character included, and counts the words after it.
TEST_F(CodeTranslatorTest, WordFrequenciesCountTheWordsAfterAnUnconvertibleCharacter) {
    CMainSystem sys;
    const std::string stat = sys.WordFreqStat("好评😀非常满意，非常满意", false);
    EXPECT_NE(stat.find("非常/d/2#"), std::string::npos) << stat;
    EXPECT_NE(stat.find("满意/v/2#"), std::string::npos) << stat;
    EXPECT_NE(stat.find("#😀/"), std::string::npos) << stat;
    EXPECT_TRUE(IsUtf8(stat)) << stat;
}

TEST_F(MainSystemTest, AutomaticDetectionRowsIndexTheGBKText) {
    ASSERT_EQ(CodeTrans_Initialize((DataDir() + "/CodeTrans.model").c_str()), 0);
    g_nEncodeType = -1;
    CMainSystem sys;
    std::string text = "我们是中国人，中国人民很好。";
    tstring trans;
    int n = sys.ProcessA(text.c_str(), trans, true, true, false);
    ASSERT_GT(n, 0);
    EXPECT_EQ(trans, Gbk(text.c_str()));
    result_t* rows = sys.GetResult(nullptr);
    EXPECT_EQ(trans.substr(size_t(rows[0].start), size_t(rows[0].length)), Gbk("我们"));

    std::vector<tstring> terms;
    sys.GetWordVector(text.c_str(), terms, false);
    ASSERT_GE(terms.size(), 5u);
    EXPECT_EQ(terms[0], "我们/r");
    EXPECT_EQ(terms[3], "人/n");
    EXPECT_STREQ(sys.WordFreqStat(text.c_str(), true), "中国/ns/2#是/v/1#人/n/1#人民/n/1#好/a/1#");
    EXPECT_EQ(Utf8(Gbk(sys.Process(text.c_str(), 1, true))), "我们/r 是/v 中国/ns 人/n ，/wd 中国/ns 人民/n 很/d 好/a 。 ");
    EXPECT_STREQ(sys.WordFreqStat("", true), "");
    // A character without a GBK form is listed as itself, as under the UTF-8 code.
    const std::string stat = sys.WordFreqStat("好评😀非常满意，非常满意", false);
    EXPECT_NE(stat.find("#😀/"), std::string::npos) << stat;
    EXPECT_EQ(stat.find('^'), std::string::npos) << stat;
}

TEST_F(MainSystemTest, FileProcessWritesWhatProcessGives) {
    kxtest::TempDir dir;
    std::string line;
    while (line.size() < 10 * 1024) line += Gbk("我们是中国人，中国人民很好。");
    line += "\n";
    kxtest::WriteAll(dir.file("in.txt"), line);
    CMainSystem sys;
    double speed = sys.FileProcess(dir.file("in.txt").c_str(), dir.file("out.txt").c_str(), 1);
    EXPECT_GE(speed, 0.0);
    std::string expected = std::string("\xEF\xBB\xBF") + sys.Process(line.c_str(), 1, true);
    EXPECT_EQ(kxtest::ReadAll(dir.file("out.txt")), expected);

    // A missing source: 0, and the destination is still created.
    EXPECT_EQ(sys.FileProcess(dir.file("missing.txt").c_str(), dir.file("out2.txt").c_str(), 1), 0.0);
    FILE* f = fopen(dir.file("out2.txt").c_str(), "rb");
    EXPECT_NE(f, nullptr);
    if (f) fclose(f);
}

// A NUL byte inside a line is read as a blank: the line ends at its own line break, and the lines
// after it are processed one by one (a NUL used to cut the line short and glue the next one on).
TEST_F(MainSystemTest, FileProcessReadsANulByteAsABlank) {
    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("in.txt"), std::string("ab\0cd\nline2\nline3\n", 18));
    CMainSystem sys;
    EXPECT_GE(sys.FileProcess(dir.file("in.txt").c_str(), dir.file("out.txt").c_str(), 1), 0.0);
    std::string expected = "\xEF\xBB\xBF";
    for (const char* line : {"ab cd\n", "line2\n", "line3\n"}) expected += sys.Process(line, 1, true);
    EXPECT_EQ(kxtest::ReadAll(dir.file("out.txt")), expected);
}

// ---- members --------------------------------------------------------------------------------------

TEST_F(MainSystemTest, SettingsAndWordTests) {
    CMainSystem sys;
    EXPECT_TRUE(sys.SetPOSmap(2));
    EXPECT_FALSE(sys.SetPOSmap(4));
    EXPECT_FALSE(sys.SetPOSmap(-1));
    EXPECT_EQ(sys.GetPosmap(), 2);

    EXPECT_TRUE(CMainSystem::IsWord(Gbk("中国").c_str()));
    EXPECT_TRUE(CMainSystem::IsWord("computer"));
    EXPECT_FALSE(CMainSystem::IsWord(Gbk("中国中国中国").c_str()));

    const double T = g_pUnigram->GetTotalFreq(), I = g_pUnigram->GetItemCount();
    EXPECT_DOUBLE_EQ(CMainSystem::GetUniProb(Gbk("中国中国中国").c_str()), 0.05 / (T + I * 0.05));
    EXPECT_DOUBLE_EQ(CMainSystem::GetUniProb(-1), 0.05 / (T + I * 0.05));
    const double TE = g_pEnglishUnigram->GetTotalFreq(), IE = g_pEnglishUnigram->GetItemCount();
    int h = g_pEnglishDict->Find("computer");
    ASSERT_GE(h, 0);
    EXPECT_DOUBLE_EQ(CMainSystem::GetUniProb("computer"), (g_pEnglishUnigram->GetFreq(h) + 0.05) / (TE + IE * 0.05));
    EXPECT_DOUBLE_EQ(CMainSystem::GetUniProb("2008"), 0.05 / (T + I * 0.05) == CMainSystem::GetUniProb("2008")
                                                           ? CMainSystem::GetUniProb("2008")
                                                           : -1);

    // An empty unigram table gives probability 1 (weight 0), never inf or NaN.
    CUnigram* saved = g_pUnigram;
    CUnigram empty;
    g_pUnigram = &empty;
    EXPECT_EQ(CMainSystem::GetUniProb(5), 1.0);
    EXPECT_EQ(ProbabilityToWeight(CMainSystem::GetUniProb(Gbk("中国").c_str())), 0);
    g_pUnigram = saved;

    EXPECT_EQ(sys.AddUsrWord(Gbk("新词 n").c_str()), 0);  // no user dictionary
    EXPECT_EQ(sys.DelUsrWord(Gbk("新词").c_str()), -1);
    SetUserWords({});
    EXPECT_EQ(sys.AddUsrWord(Gbk("新词 n").c_str()), 1);
    {
        CUserDictWriteLock lock;
        EXPECT_GE(sys.DelUsrWord(Gbk("新词").c_str()), 0);
    }
}

TEST_F(MainSystemTest, AddUserWordSkipsIndexesOutsideTheWordsAndFieldDicMerges) {
    CMainSystem sys;
    std::string line = Gbk("中国人民很好");
    std::vector<word_t> words(4);
    int starts[] = {0, 4, 8, 10, 12};
    for (int k = 0; k < 4; ++k) {
        words[size_t(k)].start = starts[k];
        words[size_t(k)].end = starts[k + 1];
        words[size_t(k)].type = 0;
    }
    EXPECT_EQ(sys.AddUserWord(line.c_str(), words.data(), 4, {1, 7, -2}), 3);
    ASSERT_NE(g_pUserDict, nullptr);
    EXPECT_GE(g_pUserDict->Find(Gbk("人民").c_str()), 0);

    CPDAT dict(0);
    dict.AddWord(Gbk("人民很").c_str());
    dict.AddWordComplete();
    word_vector dest = nullptr;
    int nDest = 0;
    EXPECT_EQ(sys.FieldDic(line.c_str(), words.data(), 4, dest, nDest, &dict, nullptr, 'e'), 3);
    ASSERT_EQ(nDest, 3);
    EXPECT_EQ(dest[1].start, 4);
    EXPECT_EQ(dest[1].end, 10);
    EXPECT_EQ(dest[1].type, 'e');
    EXPECT_EQ(dest[1].POS_id, 21);
    EXPECT_EQ(dest[2].start, 10);
}


// Row weights come from a per-instance table by unigram count: every row of a core word carries
// its own count's weight, a second pass gives the same rows, a table without counts gives weight
// 0 in the same instance, and the first table's weights come back with it.
TEST_F(MainSystemTest, RowWeightsFollowTheUnigramTable) {
    CMainSystem sys;
    ASSERT_TRUE(sys.IsReady());
    const std::string text = Gbk("中国人民银行今天发布了2008年的报告，他们工作了三年。中国的经济发展很快。");
    auto check = [&] {
        sys.Process(text.c_str(), 1, false);
        std::vector<result_t> rows = Rows(sys);
        int nChecked = 0;
        for (const result_t& r : rows)
            if (r.word_type == 0 && r.word_ID >= 0) {
                EXPECT_EQ(r.weight, ProbabilityToWeight(CMainSystem::GetUniProb(r.word_ID))) << r.word_ID;
                ++nChecked;
            }
        EXPECT_GT(nChecked, 10);
        return rows;
    };
    std::vector<result_t> first = check(), second = check();
    ASSERT_EQ(first.size(), second.size());
    for (size_t k = 0; k < first.size(); ++k) EXPECT_EQ(first[k].weight, second[k].weight) << k;

    CUnigram* saved = g_pUnigram;
    CUnigram empty;
    g_pUnigram = &empty;  // probability 1 everywhere
    sys.Process(text.c_str(), 1, false);
    for (const result_t& r : Rows(sys)) EXPECT_EQ(r.weight, 0);
    g_pUnigram = saved;
    std::vector<result_t> again = check();
    ASSERT_EQ(again.size(), first.size());
    for (size_t k = 0; k < first.size(); ++k) EXPECT_EQ(again[k].weight, first[k].weight) << k;
}

}  // namespace enginetest
