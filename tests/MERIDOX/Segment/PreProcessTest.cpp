// Atom segmentation and the word lattice on the shipped character classes with a tiny core
// dictionary, so that every expected handle is exact.
#include "MERIDOX/Segment/PreProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <set>

#include "SegmentFixture.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"

namespace {

using segtest::Exact;
using segtest::Gbk;
using segtest::MakeCharset;
using segtest::MakeCoreDict;

std::vector<std::string> G(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* s : utf8) out.push_back(Gbk(s));
    return out;
}

class PreProcessTest : public segtest::SegmentTestBase {
protected:
    void SetUp() override {
        SegmentTestBase::SetUp();
        Install(MakeCharset(), MakeCoreDict({"。", "，", "：", "？", "！", "…", "^", "甲", "他", "说", "北京", "大学",
                                             "北京大学", "十分", "五万", "学生", "戊。己"}));
    }
};

TEST_F(PreProcessTest, CommaEndsTheSentenceOnlyAfterTheFifthRealAtom) {
    int next = 0;
    std::string five = Gbk("甲乙丙丁戊，己");
    EXPECT_EQ(Atoms(five, 0, &next), G({"甲", "乙", "丙", "丁", "戊", "，"}));
    EXPECT_EQ(next, 12);
    EXPECT_EQ(Atom(6).handle, Id("，"));
    std::string four = Gbk("甲乙丙丁，己");
    EXPECT_EQ(Atoms(four, 0, &next).size(), 6u);
    EXPECT_EQ(next, int(four.size()));
    // An ASCII comma is class 3 here and never ends a sentence; a semicolon takes its full-width id.
    std::string semi = "a b c d e;f";
    Atoms(semi, 0, &next);
    EXPECT_EQ(next, 10);
}

TEST_F(PreProcessTest, BlankKeepsTheSentenceFullStopAndLineFeedEndIt) {
    int next = 0;
    std::string s = Gbk("甲 乙。丙");
    EXPECT_EQ(Atoms(s, 0, &next), G({"甲", " ", "乙", "。"}));
    EXPECT_EQ(next, 7);
    EXPECT_EQ(Atom(2).handle, gSent_EndID);
    EXPECT_EQ(Atom(2).type, 28);
    EXPECT_EQ(Atom(4).handle, gSent_EndID);
    EXPECT_EQ(Atom(4).type, 28);
    // The end atom: start = end, type 'y'.
    EXPECT_EQ(Atom(5).start, 7);
    EXPECT_EQ(Atom(5).end, 7);
    EXPECT_EQ(Atom(5).type, 'y');
    EXPECT_EQ(Atom(0).type, 'x');
    EXPECT_EQ(Atom(0).handle, gSent_StartID);
    std::string lf = Gbk("甲\n乙");
    Atoms(lf, 0, &next);
    EXPECT_EQ(next, 3);
    // The next sentence starts where the last one ended, with offsets of the whole line.
    EXPECT_EQ(Atoms(s, 7, &next), G({"丙"}));
    EXPECT_EQ(Atom(1).start, 7);
    EXPECT_EQ(next, 9);
}

TEST_F(PreProcessTest, AsciiQuotesAlternateWithinOneSentence) {
    std::string s = "\"" + Gbk("甲") + "\"" + Gbk("乙") + "\"'" + Gbk("丙") + "'";
    Atoms(s);
    EXPECT_EQ(Atom(1).handle, gQuatation_LD_ID);
    EXPECT_EQ(Atom(3).handle, gQuatation_RD_ID);
    EXPECT_EQ(Atom(5).handle, gQuatation_LD_ID);
    EXPECT_EQ(Atom(6).handle, gQuatation_LS_ID);
    EXPECT_EQ(Atom(8).handle, gQuatation_RS_ID);
    // A new call starts with both quotes closed.
    Atoms("\"a");
    EXPECT_EQ(Atom(1).handle, gQuatation_LD_ID);
}

TEST_F(PreProcessTest, CaretSpansAndUnclosedCarets) {
    EXPECT_EQ(Atoms("^^abc^^" + Gbk("甲")), G({"^^abc^^", "甲"}));
    EXPECT_EQ(Atom(1).type, 'c');
    // The closing mark is searched across sentence ends.
    EXPECT_EQ(Atoms("^^a" + Gbk("。") + "b^^"), G({"^^a。b^^"}));
    EXPECT_EQ(Atoms("^^ab"), G({"^", "^", "ab"}));
    EXPECT_EQ(Atom(1).handle, Id("^"));
    EXPECT_EQ(Atom(1).type, 1);
    // A "^^" made of a trail byte and a caret does not close a span: the search keeps to
    // character boundaries (0xB0 0x5E is one character).
    EXPECT_EQ(Atoms("^^\xB0^^"), (std::vector<std::string>{"^", "^", "\xB0^", "^"}));
}

TEST_F(PreProcessTest, DashRunIsOneAtomEllipsisPairStaysTwo) {
    EXPECT_EQ(Atoms(Gbk("甲——乙")), G({"甲", "——", "乙"}));
    EXPECT_EQ(Atom(2).handle, gPunctation_WP_ID);
    EXPECT_EQ(Atoms(Gbk("—")), G({"—"}));
    EXPECT_NE(Atom(1).handle, gPunctation_WP_ID);
    EXPECT_EQ(Atoms(Gbk("……")), G({"…", "…"}));
    EXPECT_EQ(Atom(1).handle, Id("…"));
    EXPECT_EQ(Atom(2).handle, Id("…"));
}

TEST_F(PreProcessTest, YearsAndDaysBecomeTimeAtoms) {
    EXPECT_EQ(Atoms(Gbk("1998年")), G({"1998年"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("31日")), G({"31日"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("32日")), G({"32", "日"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_m_ID);
    EXPECT_EQ(Atoms(Gbk("十二月份")), G({"十二月份"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
}

TEST_F(PreProcessTest, UnitsThatStartAnotherWordStayApart) {
    EXPECT_EQ(Atoms(Gbk("3月饼")), G({"3", "月", "饼"}));
    EXPECT_EQ(Atoms(Gbk("80年代")), G({"80", "年", "代"}));
    EXPECT_EQ(Atoms(Gbk("3分钟")), G({"3", "分", "钟"}));
}

TEST_F(PreProcessTest, NumberRunsAndPrefixes) {
    // The currency sign absorbs the number: one atom, no time rule after the merge.
    EXPECT_EQ(Atoms(Gbk("$100年")), G({"$100", "年"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_m_ID);
    EXPECT_EQ(Atom(1).type, 17);
    // ASCII digits (29) stop before full-width ones (7) and the reverse.
    EXPECT_EQ(Atoms(Gbk("12３4")), G({"12", "３", "4"}));
    // "=" first joins nothing; with granularity 0 letters join and make a letter string.
    EXPECT_EQ(Atoms("=1"), G({"=", "1"}));
    EXPECT_EQ(Atoms("1a2"), G({"1a2"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_x_ID);
    EXPECT_EQ(Atom(1).type, 8);
    EXPECT_EQ(Atoms("1O2"), G({"1O2"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_m_ID);
    g_nGranularity = 1;
    EXPECT_EQ(Atoms("1a2"), G({"1", "a", "2"}));
}

TEST_F(PreProcessTest, NumeralRuns) {
    // The run stops in front of a two-character core word and stays a number.
    EXPECT_EQ(Atoms(Gbk("三五万")), G({"三", "五万"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_m_ID);
    EXPECT_EQ(Atom(1).type, 9);
    EXPECT_EQ(Atom(2).handle, Id("五万"));
    // A time-unit word that is a core word takes its own id.
    EXPECT_EQ(Atoms(Gbk("十分")), G({"十分"}));
    EXPECT_EQ(Atom(1).handle, Id("十分"));
    // 点 may not end a run, but then joins as a time unit; 第 starts a numeral prefix run.
    EXPECT_EQ(Atoms(Gbk("三点")), G({"三点"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("三点五")), G({"三点五"}));
    EXPECT_EQ(Atoms(Gbk("第三")), G({"第三"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_m_ID);
    EXPECT_EQ(Atoms(Gbk("第第")), G({"第", "第"}));
    // 分 followed by 之 joins both, 分 alone stops the run.
    EXPECT_EQ(Atoms(Gbk("三分之一")), G({"三分之一"}));
}

TEST_F(PreProcessTest, ClassTwelveAfterOneStaysApart) {
    Install(MakeCharset({{"个", 12}}), MakeCoreDict({"一"}));
    EXPECT_EQ(Atoms(Gbk("一个")), G({"一", "个"}));
    EXPECT_EQ(Atom(1).handle, Id("一"));
    EXPECT_EQ(Atoms(Gbk("三一个")), G({"三", "一", "个"}));
}

// Every rule at the very end of a line, on exact heap copies: ASan catches a read past the NUL.
TEST_F(PreProcessTest, RulesAtTheEndOfTheLineStayInside) {
    EXPECT_EQ(Atoms(Gbk("1998年")), G({"1998年"}));
    EXPECT_EQ(Atoms(Gbk("3月")), G({"3月"}));
    EXPECT_EQ(Atoms(Gbk("3月份")), G({"3月份"}));
    EXPECT_EQ(Atoms(Gbk("三五")), G({"三五"}));
    EXPECT_EQ(Atoms(Gbk("三五") + "\xCE"), (std::vector<std::string>{Gbk("三五"), "\xCE"}));
    EXPECT_EQ(Atoms(Gbk("甲") + "\xB0"), (std::vector<std::string>{Gbk("甲"), "\xB0"}));
    EXPECT_EQ(Atoms("\xB0"), std::vector<std::string>{"\xB0"});
    EXPECT_EQ(Atoms("a."), G({"a."}));
    EXPECT_EQ(Atoms(Gbk("——")), G({"——"}));
    EXPECT_EQ(Atoms(Gbk("第三")), G({"第三"}));
    EXPECT_EQ(Atoms("^^"), G({"^", "^"}));
    int next = -1;
    EXPECT_TRUE(Atoms("", 0, &next).empty());
    EXPECT_EQ(next, 0);
}

TEST_F(PreProcessTest, OneByteCharactersOfTwoByteClassesAreNotSplit) {
    Install(MakeCharset({{"#", 12}, {"~", 16}, {"&", 18}, {"|", 15}}), MakeCoreDict({"一"}));
    // 11 followed by a one-byte 12 stays alone; the 12 is its own atom.
    EXPECT_EQ(Atoms(Gbk("一#")), G({"一", "#"}));
    EXPECT_EQ(Atoms(Gbk("三一#")), G({"三", "一", "#"}));
    // A one-byte 16 or 15 ending a run is given back as one byte; a 16 then joins as a unit.
    EXPECT_EQ(Atoms(Gbk("三~")), G({"三~"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("三|")), G({"三", "|"}));
    // A one-byte 18 not followed by 19 stops the run (and joins as a unit); followed by 19 both
    // join the run.
    EXPECT_EQ(Atoms(Gbk("三&")), G({"三&"}));
    EXPECT_EQ(Atoms(Gbk("三&乙")), G({"三&", "乙"}));
    EXPECT_EQ(Atoms(Gbk("三&之一")), G({"三&之一"}));
    // A one-byte unit after a number joins by its own length.
    EXPECT_EQ(Atoms("5~"), G({"5~"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms("5~a"), G({"5~", "a"}));
}

TEST_F(PreProcessTest, LetterRunDropsAFinalDotOnlyForAKnownEnglishWord) {
    CPDAT english(0);
    english.AddWord("abc");
    english.AddWord("etc");
    english.AddWordComplete();
    CPDAT* saved = g_pEnglishDict;
    g_pEnglishDict = &english;
    EXPECT_EQ(Atoms("etc." + Gbk("甲")), G({"etc", ".", "甲"}));
    EXPECT_EQ(Atoms("xyz." + Gbk("甲")), G({"xyz.", "甲"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_x_ID);
    // Id 0 is the placeholder and does not count.
    EXPECT_EQ(Atoms("abc."), G({"abc."}));
    g_pEnglishDict = saved;
}

TEST_F(PreProcessTest, UserWordsTakePriority) {
    m_user.reset(new CTrie);
    m_user->AddTrie(Gbk("北京大学 nt").c_str());
    m_field.reset(new CPDAT(0));
    m_field->AddWord(Gbk("北京大").c_str());
    m_field->AddWord(Gbk("甲乙丙").c_str());
    m_field->AddWordComplete();
    {
        CUserDictWriteLock lock;
        g_pUserDict = m_user.get();
        g_pFieldDict = m_field.get();
    }
    g_bUserDictPrior = true;
    EXPECT_EQ(Atoms(Gbk("他北京大学甲乙丙丁")), G({"他", "北京大学", "甲乙丙", "丁"}));
    EXPECT_EQ(Atom(2).type, 'e');
    EXPECT_EQ(Atom(2).handle, -1);
    EXPECT_EQ(Atom(3).type, 'e');
    // Off again: the core rules apply.
    g_bUserDictPrior = false;
    EXPECT_EQ(Atoms(Gbk("北京大学")).size(), 4u);
}

TEST_F(PreProcessTest, EmptyUserAndFieldDictionariesMakeNoEmptyAtoms) {
    m_user.reset(new CTrie);  // no node: GetMaxWord answers -1
    m_field.reset(new CPDAT(0));
    m_field->AddWordComplete();
    {
        CUserDictWriteLock lock;
        g_pUserDict = m_user.get();
        g_pFieldDict = m_field.get();
    }
    g_bUserDictPrior = true;
    EXPECT_EQ(Atoms(Gbk("他说1998年")), G({"他", "说", "1998年"}));
}

// ---- the lattice ----

struct Slot {
    int slot;
    std::string text;
    int handle;
};

class LatticeTest : public PreProcessTest {
protected:
    // Every lattice word as (slot, text, handle), slot after slot.
    std::vector<Slot> Lattice(const std::string& line, int nStart = 0) {
        m_line = Exact(line);
        m_pre->FullSegment(m_line.get(), nStart);
        std::vector<Slot> out;
        for (int s = 0; s < m_pre->GetGraphLength(); ++s)
            for (int k = 0; k < m_pre->GetWordCounter()[s]; ++k) {
                const word_t& w = m_pre->GetWordGraph()[s][k];
                out.push_back({s, line.substr(size_t(w.start), size_t(w.end - w.start)), w.handle});
            }
        return out;
    }
    std::unique_ptr<char[]> m_line;
};

TEST_F(LatticeTest, SlotsAreRelativeToTheSentence) {
    std::string line = Gbk("甲。北京大学");
    std::vector<Slot> l = Lattice(line, 4);
    EXPECT_EQ(m_pre->GetGraphLength(), 8 + 2);
    ASSERT_EQ(l.size(), 9u);
    auto is = [&](size_t i, int slot, const char* utf8, int handle) {
        EXPECT_EQ(l[i].slot, slot) << i;
        EXPECT_EQ(l[i].text, Gbk(utf8)) << i;
        EXPECT_EQ(l[i].handle, handle) << i;
    };
    is(0, 0, "", gSent_StartID);
    is(1, 1, "北", -1);
    is(2, 1, "北京", Id("北京"));
    is(3, 1, "北京大学", Id("北京大学"));
    is(4, 3, "京", -1);
    is(5, 5, "大", -1);
    is(6, 5, "大学", Id("大学"));
    is(7, 7, "学", -1);
    is(8, 9, "", gSent_EndID);
    // Longer words keep the atom's start and class.
    const word_t& w = m_pre->GetWordGraph()[1][2];
    EXPECT_EQ(w.start, 4);
    EXPECT_EQ(w.end, 12);
    EXPECT_EQ(w.type, 0);
    EXPECT_EQ(m_pre->GetWordGraph()[2], nullptr);
    EXPECT_EQ(m_pre->GetWordCounter()[2], 0);
}

TEST_F(LatticeTest, WordsNeverCrossTheSentenceEnd) {
    // "戊。己" is a core word, but the sentence ends after 。.
    std::vector<Slot> l = Lattice(Gbk("戊。己"));
    EXPECT_EQ(l.size(), 4u);
    EXPECT_FALSE(m_pre->IsValidPosition(1, 6));
    EXPECT_TRUE(m_pre->IsValidPosition(1, 4));
    EXPECT_FALSE(m_pre->IsValidPosition(1, 3));
}

TEST_F(LatticeTest, FewerThanThreeAtomsLeaveAnEmptyLattice) {
    Lattice(Gbk("北京"));
    EXPECT_GT(m_pre->GetGraphLength(), 0);
    std::vector<Slot> l = Lattice(Gbk("北京"), 4);
    EXPECT_TRUE(l.empty());
    EXPECT_EQ(m_pre->GetGraphLength(), 0);
    EXPECT_EQ(m_pre->GetAtomCount(), 2);
}

TEST_F(LatticeTest, StandAloneAtomsStartNoLongerWord) {
    Install(MakeCharset(), MakeCoreDict({"1998年底", "，他", "^^a^^b", "3a"}));
    EXPECT_EQ(Lattice(Gbk("1998年底")).size(), 4u);
    EXPECT_EQ(Lattice(Gbk("甲乙，他")).size(), 6u);
    EXPECT_EQ(Lattice("3a").size(), 3u);
    // A "^^" span is not stand-alone: a longer core word may start on it.
    std::vector<Slot> l = Lattice("^^a^^b");
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[2].text, "^^a^^b");
}

TEST_F(LatticeTest, PriorityWordsStartLongerCoreWords) {
    m_user.reset(new CTrie);
    m_user->AddTrie(Gbk("北京 ns").c_str());
    {
        CUserDictWriteLock lock;
        g_pUserDict = m_user.get();
    }
    g_bUserDictPrior = true;
    std::vector<Slot> l = Lattice(Gbk("北京大学"));
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(l[1].text, Gbk("北京"));
    EXPECT_EQ(l[2].text, Gbk("北京大学"));
    EXPECT_EQ(m_pre->GetWordGraph()[1][1].type, 'e');
}

TEST_F(PreProcessTest, CharVectorCoversTheWholeLine) {
    std::vector<tstring> v;
    EXPECT_EQ(m_pre->GetCharVector(Gbk("他说。1998年 ^^a^^").c_str(), v, false), 4);
    EXPECT_EQ(v, G({"他", "说", "1998年", "^^a^^"}));
    // With stop removal only classes 7 and up are left.
    EXPECT_EQ(m_pre->GetCharVector(Gbk("他，1998年").c_str(), v, true), 1);
}

// On the shipped data directory.
class PreProcessDataTest : public segtest::SegmentTestBase {
protected:
    void SetUp() override {
        SegmentTestBase::SetUp();
        std::unique_ptr<CCharset> cs(new CCharset);
        std::unique_ptr<CPDAT> dict(new CPDAT);
        ASSERT_TRUE(cs->Load((segtest::DataDir() + "/charset.type").c_str()));
        ASSERT_TRUE(dict->Load((segtest::DataDir() + "/CoreDict.pdat").c_str()));
        Install(std::move(cs), std::move(dict));
    }
};

TEST_F(PreProcessDataTest, ShippedDataGivesTheClassWordsAndTimes) {
    EXPECT_EQ(gSent_StartID, 0);
    EXPECT_EQ(Atoms(Gbk("十分")), G({"十分"}));
    EXPECT_EQ(Atom(1).handle, Id("十分"));
    EXPECT_NE(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("1998年1月31日，")), G({"1998年", "1月", "31日", "，"}));
    EXPECT_EQ(Atom(1).handle, gUnknown_t_ID);
    EXPECT_EQ(Atoms(Gbk("“他”")), G({"“", "他", "”"}));
    EXPECT_EQ(Atom(1).handle, gQuatation_LD_ID);
    EXPECT_EQ(Atoms("\"a\"."), G({"\"", "a", "\"", "."}));
    EXPECT_EQ(Atom(4).handle, Id("。"));
}


// ---- random lines: kept lookups and reused lattice arrays against fresh answers ----

class PreProcessRandomTest : public PreProcessTest {
protected:
    // A random line of the pieces below (GBK), up to nPieces pieces.
    std::string RandomLine(std::mt19937& rng, int nPieces) {
        static const char* const kPieces[] = {"北", "京", "大", "学", "甲", "乙", "丙", "丁", "他", "说",
                                              "。", "，", "十", "分", "1",  "9",  "a",  "b",  " ",  "^"};
        std::string line;
        int n = int(rng() % unsigned(nPieces)) + 1;
        for (int k = 0; k < n; ++k) line += Gbk(kPieces[rng() % (sizeof kPieces / sizeof *kPieces)]);
        return line;
    }
    std::string RandomWord(std::mt19937& rng) {
        std::string w;
        do w = RandomLine(rng, 4);
        while (w.find(' ') != std::string::npos || w.find('^') != std::string::npos);
        return w;
    }
};

TEST_F(PreProcessRandomTest, KeptLookupsAnswerAsFreshLookups) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    g_bUserDictPrior = true;
    for (int round = 0; round < 40; ++round) {
        // New dictionaries every round: the kept answers must follow them.
        m_user.reset(new CTrie);
        m_field.reset(new CPDAT(0));
        for (int k = 0; k < 6; ++k) m_user->AddTrie((RandomWord(rng) + " t" + std::to_string(k)).c_str());
        for (int k = 0; k < 6; ++k) m_field->AddWord(RandomWord(rng).c_str());
        m_field->AddWordComplete();
        {
            CUserDictWriteLock lock;
            g_pUserDict = m_user.get();
            g_pFieldDict = m_field.get();
        }
        for (int nLine = 0; nLine < 20; ++nLine) {
            const std::string line = RandomLine(rng, 30);
            std::unique_ptr<char[]> p = segtest::Exact(line);
            const int nLen = int(line.size());
            m_pre->KeepLookups(p.get(), nLen);
            std::set<int> starts;
            for (int pos = 0; pos < nLen;) {
                const int next = int(m_pre->FullSegment(p.get(), pos, nLen) - p.get());
                for (int k = 1; k + 1 < m_pre->GetAtomCount(); ++k) starts.insert(m_pre->GetAtoms()[k].start);
                if (next <= pos) break;
                pos = next;
            }
            size_t n = 0;
            const uint64_t* looked = nullptr;
            int nLookedFrom = -1, nLookedEnd = -1;
            const CPreProcess::KeptLookup* kept = m_pre->GetKeptLookups(p.get(), &n, &looked, &nLookedFrom, &nLookedEnd);
            EXPECT_EQ(nLookedFrom, 0);
            ASSERT_NE(kept, nullptr) << "seed " << seed;
            ASSERT_NE(looked, nullptr) << "seed " << seed;
            EXPECT_EQ(kept[n].nOffset, INT_MAX) << "seed " << seed << " line '" << line << "'";
            for (size_t j = 1; j < n; ++j) EXPECT_GT(kept[j].nOffset, kept[j - 1].nOffset) << "seed " << seed;
            // Every atom start was looked at (a merged number atom's start may be as well); each
            // offset looked at answers what the dictionaries answer there: its record, or nothing.
            size_t j = 0;
            for (int off = 0; off < nLen; ++off) {
                const bool bLooked = off < nLookedEnd && ((looked[size_t(off) >> 6] >> (off & 63)) & 1);
                const std::string where = "seed " + std::to_string(seed) + " round " + std::to_string(round) +
                                          " line '" + line + "' offset " + std::to_string(off);
                if (starts.count(off)) {
                    EXPECT_TRUE(bLooked) << where;
                }
                while (j < n && kept[j].nOffset < off) ++j;
                const bool bRecord = j < n && kept[j].nOffset == off;
                if (bRecord) {
                    EXPECT_TRUE(bLooked) << where;
                }
                if (!bLooked) continue;
                const CPreProcess::KeptLookup& k = bRecord ? kept[j] : *CPreProcess::ZeroLookup();
                int h = -1;
                bool bBlank = false;
                const int nField = m_field->GetMaxWord(p.get() + off, &h, &bBlank);
                ASSERT_EQ(k.nFieldLen, nField) << where;
                if (nField > 0) {
                    EXPECT_EQ(k.nFieldHandle, h) << where;
                    EXPECT_EQ(k.bFieldBlank, bBlank) << where;
                }
                char tag[40] = {};
                const int nUser = m_user->GetMaxWord(p.get() + off, &h, tag);
                ASSERT_EQ(std::max(k.nUserLen, 0), std::max(nUser, 0)) << where;
                if (nUser > 0) {
                    EXPECT_EQ(k.nUserHandle, h) << where;
                    EXPECT_STREQ(m_pre->GetKeptUserTag(k), tag) << where;
                }
                EXPECT_EQ(bRecord, nField > 0 || nUser > 0) << where;
            }
            m_pre->DropLookups();
            EXPECT_EQ(m_pre->GetKeptLookups(p.get(), &n, &looked)->nOffset, INT_MAX);
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(looked, nullptr);
        }
    }
}

TEST_F(PreProcessRandomTest, ReusedLatticeEqualsAFreshInstancesLattice) {
    Install(MakeCharset(), MakeCoreDict({"北京", "大学", "北京大学", "京大", "甲乙", "甲乙丙", "他说", "十分", "1a",
                                         "学甲", "说。"}));
    const unsigned seed = 7177;
    std::mt19937 rng(seed);
    for (int nLine = 0; nLine < 300; ++nLine) {
        g_bUserDictPrior = nLine % 3 == 0;
        const std::string line = RandomLine(rng, 40);
        std::unique_ptr<char[]> p = segtest::Exact(line);
        const int nLen = int(line.size());
        for (int pos = 0; pos < nLen;) {
            // The reused instance has held longer and shorter sentences before this one.
            const int next = int(m_pre->FullSegment(p.get(), pos, nLen) - p.get());
            CPreProcess fresh(m_cs.get(), m_dict.get(), nullptr);
            ASSERT_EQ(int(fresh.FullSegment(p.get(), pos, nLen) - p.get()), next);
            const std::string where = "seed " + std::to_string(seed) + " line '" + line + "' at " + std::to_string(pos);
            ASSERT_EQ(m_pre->GetGraphLength(), fresh.GetGraphLength()) << where;
            for (int slot = 0; slot < fresh.GetGraphLength(); ++slot) {
                const int n = fresh.GetWordCounter()[slot];
                ASSERT_EQ(m_pre->GetWordCounter()[slot], n) << where << " slot " << slot;
                ASSERT_EQ(m_pre->GetWordGraph()[slot] == nullptr, fresh.GetWordGraph()[slot] == nullptr)
                    << where << " slot " << slot;
                EXPECT_EQ(n == 0, fresh.GetWordGraph()[slot] == nullptr) << where << " slot " << slot;
                for (int k = 0; k < n; ++k) {
                    const word_t& a = m_pre->GetWordGraph()[slot][k];
                    const word_t& b = fresh.GetWordGraph()[slot][k];
                    EXPECT_TRUE(a.start == b.start && a.end == b.end && a.handle == b.handle && a.type == b.type)
                        << where << " slot " << slot << " word " << k;
                }
            }
            if (next <= pos) break;
            pos = next;
        }
    }
}

}  // namespace
