// The data compiler, the checker and the detector model, on the hand-written fixture sources and
// on the real data directory the build made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/include/EngineRecords.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/LogFile.h"
#include "Utility/POS.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"
#include "common/TestUtil.h"
#include "data/CodeModel.h"
#include "data/DataBuild.h"
#include "data/DataCheck.h"
#include "senti/SentiLex.h"

namespace fs = std::filesystem;

namespace {

kxdata::BuildOptions FixtureOptions(const kxtest::TempDir& dir) {
    kxdata::BuildOptions o;
    o.sourceDirs = {kxtest::DataPath("fixture"), std::string(KX_SOURCE_DIR) + "/data"};
    o.outDir = dir.file("Data");
    o.workDir = dir.file("work");
    return o;
}

std::string Failures(const std::vector<kxdata::CheckLine>& report) {
    std::string s;
    for (const auto& l : report)
        if (!l.ok) s += l.file + ": " + l.summary + "\n";
    return s;
}

const kxdata::CheckLine* Line(const std::vector<kxdata::CheckLine>& report, const std::string& file) {
    for (const auto& l : report)
        if (l.file == file) return &l;
    return nullptr;
}

std::string RealData() { return std::string(KX_BUILD_DIR) + "/Data"; }

// Installs a model made of these cells (maps empty) as the library's detection model, written and
// loaded as a model file is; uninstalled at the end of the scope.
class InstalledModel {
public:
    explicit InstalledModel(const std::vector<_stTrieElem_>& cells) {
        kxdata::CodeModel model;
        model.cells = cells;
        const std::string path = m_dir.file("CodeTrans.model");
        EXPECT_TRUE(kxdata::WriteModel(model, path));
        EXPECT_EQ(CodeTrans_Initialize(path.c_str()), 0);
    }
    ~InstalledModel() { CodeTrans_Destroy(); }
    int Detect(const std::string& s) const { return CodeTrans_CodeDetect(s.data(), int(s.size())); }

private:
    kxtest::TempDir m_dir;
};

}  // namespace

TEST(DataBuildTest, FixtureBuildsReproduciblyAndPassesTheChecks) {
    kxtest::TempDir a, b;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(a), error)) << error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(b), error)) << error;
    std::vector<kxdata::CheckLine> report;
    EXPECT_EQ(kxdata::CheckDataDirectory(a.file("Data"), report), 0) << Failures(report);
    // Every file is a pure function of its sources.
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(a.file("Data"))) {
        if (!e.is_regular_file()) continue;
        std::string rel = fs::relative(e.path(), a.file("Data")).string();
        EXPECT_EQ(kxtest::ReadAll(e.path().string()), kxtest::ReadAll(b.file("Data/" + rel))) << rel;
        ++files;
    }
    EXPECT_EQ(files, 39);  // the start-up list, the keyword blacklist, 16 converter files, the model
    // Handles follow the word file: the special words sit where the engine expects them.
    CPDAT core(0);
    ASSERT_TRUE(core.Load(a.file("Data/CoreDict.pdat").c_str()));
    EXPECT_EQ(core.Find("\xCA\xBC##\xCA\xBC"), 0);                            // 始##始
    EXPECT_EQ(core.Find("\xD2\xBB"), int(core.GetItemCount()) - 1);            // 一
    EXPECT_GE(core.Find("\xB1\xB1\xBE\xA9\xB4\xF3\xD1\xA7"), 0);               // 北京大学
}

// Two data directories on one set of stores: the second holds relative links to the first's
// files (none copied), its own configuration and an empty user dictionary; it still starts the
// engine after the pair is moved, without a log line, and a scratch copy of it holds real files.
TEST(DataBuildTest, LinkedDirectorySharesTheStoresAndStartsCleanly) {
    kxtest::TempDir dir;
    kxdata::BuildOptions o = FixtureOptions(dir);
    o.outDir = dir.file("pair/Data");
    o.emptyUserDict = true;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(o, error)) << error;
    kxtest::WriteAll(o.outDir + "/FieldDict.pos", "not shared");
    const std::string config = dir.file("engine.xml");
    kxtest::WriteAll(config, "<Configure>\n<TagSet>KOVEX.map</TagSet>\n<UserDict>on</UserDict>\n"
                             "<FieldDict>off</FieldDict>\n</Configure>\n");
    const std::string linked = dir.file("pair/engine/Data");
    ASSERT_TRUE(kxdata::LinkDataDirectory(o.outDir, linked, config, error)) << error;
    int links = 0;
    for (const auto& e : fs::recursive_directory_iterator(linked)) {
        const std::string rel = e.path().lexically_relative(linked).string();
        if (e.is_symlink()) {
            ++links;
            EXPECT_TRUE(fs::read_symlink(e.path()).is_relative()) << rel;
            EXPECT_EQ(fs::canonical(e.path()), fs::canonical(o.outDir + "/" + rel)) << rel;
        } else if (!e.is_directory()) {
            EXPECT_TRUE(rel == "Configure.xml" || rel == "UserDict.pdat") << rel;
        }
    }
    EXPECT_EQ(links, 39 - 1);  // every built file but the configuration
    EXPECT_FALSE(fs::exists(linked + "/FieldDict.pos"));
    EXPECT_EQ(kxtest::ReadAll(config), kxtest::ReadAll(linked + "/Configure.xml"));
    CTrie empty;
    ASSERT_TRUE(empty.Load((linked + "/UserDict.pdat").c_str()));
    EXPECT_EQ(empty.GetLowerBound(), empty.GetDelNum());  // every entry deleted
    EXPECT_EQ(empty.Find("#"), -1);

    // Moved together, the pair still works and passes the checks.
    fs::rename(dir.file("pair"), dir.file("moved"));
    std::vector<kxdata::CheckLine> report;
    EXPECT_EQ(kxdata::CheckDataDirectory(dir.file("moved/engine/Data"), report, true), 0) << Failures(report);
    fs::remove(dir.file("moved/Data/FieldDict.pos"));
    EXPECT_EQ(kxdata::CheckDataDirectory(dir.file("moved/Data"), report), 0) << Failures(report);
    kxtest::TempDir logs;
    ASSERT_TRUE(SetLogPath(logs.path().c_str()));
    EXPECT_EQ(KOVEX_Init(dir.file("moved/engine").c_str(), 0, nullptr), 1);
    KOVEX_Exit();
    LogTestResetPath();
    EXPECT_TRUE(fs::is_empty(logs.path())) << "a clean start-up logs nothing";

    // A scratch copy of the linked directory holds the files themselves.
    ASSERT_TRUE(sentilex::CopyDataWithoutField(dir.file("moved/engine"), dir.file("copy")));
    for (const auto& e : fs::recursive_directory_iterator(dir.file("copy/Data")))
        EXPECT_FALSE(e.is_symlink()) << e.path();
    EXPECT_EQ(kxtest::ReadAll(dir.file("moved/Data/CoreDict.pdat")), kxtest::ReadAll(dir.file("copy/Data/CoreDict.pdat")));
}

TEST(DataBuildTest, MissingSourceFailsWithItsName) {
    kxtest::TempDir dir, empty;
    kxdata::BuildOptions o;
    o.sourceDirs = {empty.path()};
    o.outDir = dir.file("Data");
    o.workDir = dir.file("work");
    std::string error;
    EXPECT_FALSE(kxdata::BuildDataDirectory(o, error));
    EXPECT_NE(error.find("Configure.xml"), std::string::npos) << error;
}

TEST(DataCheckTest, CatchesBrokenFiles) {
    kxtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(dir), error)) << error;
    std::string data = dir.file("Data");
    // A context table whose first row no longer sums to its stored frequency.
    std::string ctx = kxtest::ReadAll(data + "/KOVEX.ctx");
    ASSERT_GT(ctx.size(), 9u);
    ctx[5] = char(ctx[5] + 1);
    kxtest::WriteAll(data + "/KOVEX.ctx", ctx);
    // A tag name the sentiment layer would read as a weight, and a map one line short.
    std::string map = kxtest::ReadAll(data + "/PKU.map");
    kxtest::WriteAll(data + "/PKU.map", "1x\n" + map.substr(map.find('\n') + 1));
    std::string first = kxtest::ReadAll(data + "/PKU_First.map");
    kxtest::WriteAll(data + "/PKU_First.map", first.substr(first.find('\n') + 1));
    // A truncated unigram table.
    std::string uni = kxtest::ReadAll(data + "/CoreDict.unig");
    kxtest::WriteAll(data + "/CoreDict.unig", uni.substr(0, uni.size() - 4));
    std::vector<kxdata::CheckLine> report;
    EXPECT_GE(kxdata::CheckDataDirectory(data, report), 4);
    for (const char* f : {"KOVEX.ctx", "PKU.map", "PKU_First.map", "CoreDict.unig"}) {
        const kxdata::CheckLine* l = Line(report, f);
        ASSERT_NE(l, nullptr) << f;
        EXPECT_FALSE(l->ok) << f;
    }
    EXPECT_TRUE(Line(report, "nr.fsa")->ok);
}

TEST(CodeModelTest, ScoresAndDecisions) {
    EXPECT_EQ(kxdata::ModelMapIndex(0x81, 0x30), 1);
    EXPECT_EQ(kxdata::ModelMapIndex(0xB0, 0xA1), (0xA1 - 0x40) * 128 + 0x30);
    std::vector<_stTrieElem_> cells;
    std::string error;
    EXPECT_FALSE(kxdata::BuildModelCells("1 2 3 4 5\n", cells, error));
    EXPECT_FALSE(kxdata::BuildModelCells("1 2 3 4 5 11\n", cells, error));
    EXPECT_FALSE(kxdata::BuildModelCells("1 256 0 0 0 0\n", cells, error));
    ASSERT_TRUE(kxdata::BuildModelCells("214 208 5 -3 -5 -4\n228 184 -2 -2 -5 6\n", cells, error)) << error;
    {
        InstalledModel model(cells);
        EXPECT_EQ(model.Detect(""), CODETRANS_GBK);
        EXPECT_EQ(model.Detect("plain"), CODETRANS_GBK);
        EXPECT_EQ(model.Detect("\xD6\xD0\xD6\xD0"), CODETRANS_GBK);
        EXPECT_EQ(model.Detect("\xE4\xB8"), CODETRANS_UTF8);
        EXPECT_EQ(model.Detect("\x81\x81\x81"), CODETRANS_DETECT);  // high bytes meeting only neutral cells
    }
    // A decisive cell ends detection at once, whatever the scores so far.
    cells[257 + 256 * 0x81 + 0x82].m_iScore = CodeTrans_PackScore(0, 0, 0, 0, CODETRANS_BIG5);
    InstalledModel model(cells);
    EXPECT_EQ(model.Detect("\xD6\xD0\xD6\xD0\x81\x82\xD6\xD0"), CODETRANS_BIG5);
}

TEST(RealDataTest, CoreContentMeansWhatTheRulesExpect) {
    CPDAT core(0);
    ASSERT_TRUE(core.Load((RealData() + "/CoreDict.pdat").c_str())) << "build/Data missing";
    CPOS pos;
    ASSERT_TRUE(pos.Load((RealData() + "/CoreDict.pos").c_str()));
    CUnigram uni;
    ASSERT_TRUE(uni.Load((RealData() + "/CoreDict.unig").c_str()));
    EXPECT_GT(core.GetItemCount(), 140000u);  // corpus words, the kept jieba words, every GBK character
    int zhongguo = core.Find("\xD6\xD0\xB9\xFA");  // 中国
    ASSERT_GE(zhongguo, 0);
    EXPECT_GT(uni.GetFreq(zhongguo), 1000);
    EXPECT_GT(pos.GetPOSFreq(zhongguo, 29), 0);   // ns
    int de = core.Find("\xB5\xC4");               // 的
    EXPECT_GT(pos.GetPOSFreq(de, 54), 10000);     // u
    // Words that could never be reached in the lattice are not in the dictionary.
    EXPECT_LT(core.Find("\xA3\xC2\xB3\xAC"), 0);  // Ｂ超
    EXPECT_GE(core.Find("\xA1\xA3"), 0);          // 。
    EXPECT_EQ(pos.GetPOS(core.Find("\xA1\xA3")), 82);
}

TEST(RealDataTest, EnglishIrregularFormsReachTheirBase) {
    std::string dir = RealData() + "/English/";
    CPDAT en(0);
    CWordList words(false, nullptr);
    CIDMaps irr;
    CPOS pos;
    ASSERT_TRUE(en.Load((dir + "English.pdat").c_str()));
    ASSERT_TRUE(words.Load((dir + "English.wordlist").c_str()));
    ASSERT_TRUE(irr.Load((dir + "Irrel2regular.map").c_str()));
    ASSERT_TRUE(pos.Load((dir + "English.pos").c_str()));
    int went = en.Find("went"), go = en.Find("go");
    ASSERT_GT(went, 0);
    ASSERT_GT(go, 0);
    EXPECT_EQ(irr.GetMapID(went), go);
    EXPECT_STREQ(words.GetWord(go), "go");
    EXPECT_EQ(pos.GetPOSFreq(went, 68), 0);       // the form itself has no verb candidate
    EXPECT_GE(pos.GetPOSFreq(go, 68), 3);         // its base does, frequent enough to win
    EXPECT_GT(pos.GetPOSFreq(en.Find("paris"), 29), 0);
    EXPECT_EQ(en.Find("<none>"), 0);
}

TEST(DataBuildTest, SourcesAreFoundInOrderAndUnpacked) {
    kxtest::TempDir first, second, work;
    kxtest::WriteAll(first.file("a.txt"), "first\n");
    kxtest::WriteAll(second.file("a.txt"), "second\n");
    kxtest::WriteAll(second.file("b.txt"), "plain b\n");
    ASSERT_EQ(std::system(("printf 'packed c\\n' | xz -c > '" + second.file("c.txt.xz") + "'").c_str()), 0);
    kxdata::BuildOptions o;
    o.sourceDirs = {first.path(), second.path()};
    o.workDir = work.path();
    // The importers write echo files beside their input, so every source is read from a copy.
    std::string a = kxdata::FindSource(o, "a.txt");
    EXPECT_EQ(a, work.file("a.txt"));
    EXPECT_EQ(kxtest::ReadAll(a), "first\n");
    EXPECT_EQ(kxtest::ReadAll(kxdata::FindSource(o, "b.txt")), "plain b\n");
    EXPECT_EQ(kxtest::ReadAll(kxdata::FindSource(o, "c.txt")), "packed c\n");
    EXPECT_EQ(kxdata::FindSource(o, "d.txt"), "");
}

TEST(DataCheckTest, MissingFilesFailTheirLines) {
    kxtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(dir), error)) << error;
    std::string data = dir.file("Data");
    fs::remove(data + "/nr.fsa");
    fs::remove(data + "/GBK2BIG.map");
    std::vector<kxdata::CheckLine> report;
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report), 2) << Failures(report);
    EXPECT_FALSE(Line(report, "nr.fsa")->ok);
    EXPECT_FALSE(Line(report, "code set 2")->ok);
    EXPECT_TRUE(Line(report, "code set 1")->ok);
    EXPECT_TRUE(Line(report, "CodeTrans.model")->ok);
}

// The converter checks: UTF-8 maps must be identities, and BIG5 must come in simplified.
TEST(DataCheckTest, CatchesWrongConverterMaps) {
    kxtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(dir), error)) << error;
    const std::string data = dir.file("Data");
    // GBK2UTF.map now sends each GBK character to the UTF-8 form of another one.
    fs::copy_file(data + "/BIG2GBK.map", data + "/GBK2UTF.map", fs::copy_options::overwrite_existing);
    // BIG2GBK.map now keeps every BIG5 character in its own script.
    fs::copy_file(data + "/GBK2GBKA.map", data + "/BIG2GBK.map", fs::copy_options::overwrite_existing);
    std::vector<kxdata::CheckLine> report;
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report), 2) << Failures(report);
    EXPECT_NE(Line(report, "code set 5")->summary.find("not identities"), std::string::npos);
    EXPECT_NE(Line(report, "code set 2")->summary.find("simplified"), std::string::npos)
        << Line(report, "code set 2")->summary;
    EXPECT_TRUE(Line(report, "code set 1")->ok);
}

TEST(CodeModelTest, FileImageHasTheSpecifiedLayout) {
    kxdata::CodeModel model;
    std::string error;
    ASSERT_TRUE(kxdata::BuildModelCells("", model.cells, error));
    kxdata::FillModelMaps(model);
    EXPECT_EQ(model.gbkMap[kxdata::ModelMapIndex(0xD6, 0xD0)], 0x4E2D);   // 中 in GBK
    EXPECT_EQ(model.big5Map[kxdata::ModelMapIndex(0xA4, 0xA4)], 0x4E2D);  // 中 in BIG5
    kxtest::TempDir dir;
    ASSERT_TRUE(kxdata::WriteModel(model, dir.file("CodeTrans.model")));
    const std::string bytes = kxtest::ReadAll(dir.file("CodeTrans.model"));
    ASSERT_EQ(bytes.size(), 98308u + 16u * model.cells.size());
    auto le = [&](size_t at, int n) {
        unsigned v = 0;
        for (int k = n - 1; k >= 0; --k) v = (v << 8) | (unsigned char)bytes[at + k];
        return v;
    };
    EXPECT_EQ(le(2 * size_t(kxdata::ModelMapIndex(0xD6, 0xD0)), 2), 0x4E2Du);
    EXPECT_EQ(le(49152 + 2 * size_t(kxdata::ModelMapIndex(0xA4, 0xA4)), 2), 0x4E2Du);
    EXPECT_EQ(le(98304, 4), model.cells.size());
    // Root: base 1, check -1; every cell neutral until scored.
    EXPECT_EQ(le(98308, 4), 1u);
    EXPECT_EQ(le(98312, 4), 0xFFFFFFFFu);
    for (const auto& c : model.cells) EXPECT_EQ(c.m_iScore, CODETRANS_NEUTRAL_SCORE);
}

// The shipped detector model and converter sets, run by the system's own detector and converter.
TEST(RealDataTest, DetectorModelTellsTheEncodingsApart) {
    ASSERT_EQ(CodeTrans_Initialize((RealData() + "/CodeTrans.model").c_str()), 0);
    CCodeTran big5(RealData().c_str(), 2);
    ASSERT_EQ(big5.GetStatus(), 1);
    // UTF-8 sample texts; their GBK and BIG5 forms come from the system's own tables.
    const char* simplified = u8"国务院总理今天在人民大会堂会见了来访的客人，双方就两国关系交换了意见。";
    const char* traditional = u8"國務院總理今天在人民大會堂會見了來訪的客人，雙方就兩國關係交換了意見。";
    tstring gbk, tradGbk, big5Text;
    ASSERT_TRUE(UTF8ToANSI(simplified, gbk));
    ASSERT_TRUE(UTF8ToANSI(traditional, tradGbk));
    big5.GBKToCode(tradGbk.c_str(), big5Text);
    std::string utf16;
    {
        tstring s = simplified;
        size_t i = 0;
        while (i < s.size()) {
            unsigned char c = s[i];
            unsigned cp = c < 0x80 ? c : c < 0xE0 ? ((c & 0x1F) << 6) | (s[i + 1] & 0x3F)
                                                  : ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            i += c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
            utf16 += char(cp & 0xFF);
            utf16 += char(cp >> 8);
        }
    }
    EXPECT_EQ(CodeTrans_CodeDetect(gbk.data(), int(gbk.size())), CODETRANS_GBK);
    EXPECT_EQ(CodeTrans_CodeDetect(big5Text.data(), int(big5Text.size())), CODETRANS_BIG5);
    EXPECT_EQ(CodeTrans_CodeDetect(simplified, int(strlen(simplified))), CODETRANS_UTF8);
    EXPECT_EQ(CodeTrans_CodeDetect(utf16.data(), int(utf16.size())), CODETRANS_UNICODE);
    EXPECT_EQ(CodeTrans_CodeDetect("plain ASCII text, 42.", 21), CODETRANS_GBK);
    EXPECT_EQ(CodeTrans_CodeDetect("", 0), CODETRANS_GBK);
    // Byte-order marks decide at once.
    std::string bom = "\xEF\xBB\xBF" + gbk;
    EXPECT_EQ(CodeTrans_CodeDetect(bom.data(), int(bom.size())), CODETRANS_UTF8);
    std::string mark = "\xFF\xFE" + gbk;
    EXPECT_EQ(CodeTrans_CodeDetect(mark.data(), int(mark.size())), CODETRANS_UNICODE);
    // The model's GBK map agrees with the system's table.
    char out[8];
    int len = 8;
    ASSERT_EQ(GBKBig5_ToUnicode(CODETRANS_GBK, "\xD6\xD0", 2, out, len), 2);  // 中
    EXPECT_EQ((unsigned char)out[0] | ((unsigned char)out[1] << 8), 0x4E2D);
    CodeTrans_Destroy();
}

TEST(CodeModelTest, FirstBytesAndMarks) {
    std::vector<_stTrieElem_> cells;
    std::string error;
    ASSERT_TRUE(kxdata::BuildModelCells("first 176 0 0 1 -9\nmark efbbbf 1\nmark fffe 8\n", cells, error))
        << error;
    {
        InstalledModel model(cells);
        EXPECT_EQ(model.Detect("\xEF\xBB\xBF"), CODETRANS_UTF8);
        EXPECT_EQ(model.Detect("ab\xEF\xBB\xBF"), CODETRANS_UTF8);
        EXPECT_EQ(model.Detect("\xEF\xBB"), CODETRANS_DETECT);
        EXPECT_EQ(model.Detect("a\xFF\xFE"), CODETRANS_UNICODE);
        // Only the first byte scores, and it favours 16-bit text.
        EXPECT_EQ(model.Detect("\xB0"), CODETRANS_UNICODE);
    }
    EXPECT_FALSE(kxdata::BuildModelCells("mark efbbbf 1\nmark efbbc0 1\n", cells, error));
    EXPECT_FALSE(kxdata::BuildModelCells("mark ef 1\n", cells, error));
    EXPECT_FALSE(kxdata::BuildModelCells("first 300 0 0 0 0\n", cells, error));
}

// The field and user dictionaries against the switches of Configure.xml: a shipped lexicon that
// is switched off, and in a shipped directory a dictionary switched on but absent, are faults.
TEST(DataCheckTest, DictionariesMatchTheirSwitches) {
    kxtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(FixtureOptions(dir), error)) << error;
    const std::string data = dir.file("Data");
    std::vector<kxdata::CheckLine> report;
    // The fixture switches both on and ships neither: fine for a fixture, not for a shipped one.
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report), 0) << Failures(report);
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report, true), 2) << Failures(report);
    ASSERT_TRUE(kxdata::WriteEmptyUserDict(data + "/UserDict.pdat"));
    std::string cfg = kxtest::ReadAll(data + "/Configure.xml");
    const size_t at = cfg.find("<FieldDict>on");
    ASSERT_NE(at, std::string::npos);
    kxtest::WriteAll(data + "/Configure.xml", cfg.replace(at, 13, "<FieldDict>off"));
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report, true), 0) << Failures(report);
    kxtest::WriteAll(data + "/FieldDict.pdat", "");
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report, true), 1) << Failures(report);
    EXPECT_NE(Line(report, "FieldDict.pdat")->summary.find("switched off"), std::string::npos);
    kxtest::WriteAll(data + "/UserDict.pdat", "xx");
    EXPECT_EQ(kxdata::CheckDataDirectory(data, report), 2) << Failures(report);
}

TEST(DataCheckTest, ClassWordAndPunctuationCandidatesAreExact) {
    kxtest::TempDir dir;
    // A fixture whose number class word also reads as a noun, and whose full stop reads as a verb.
    std::string src = dir.file("src");
    fs::create_directories(src);
    std::string pos = kxtest::ReadAll(kxtest::DataPath("fixture/CoreDict.pos.txt"));
    pos += "\xCE\xB4##\xCA\xFD n 3\n";  // 未##数
    pos += "\xA1\xA3 v 2\n";            // 。
    kxtest::WriteAll(src + "/CoreDict.pos.txt", pos);
    kxdata::BuildOptions o = FixtureOptions(dir);
    o.sourceDirs.insert(o.sourceDirs.begin(), src);
    std::string error;
    ASSERT_TRUE(kxdata::BuildDataDirectory(o, error)) << error;
    std::vector<kxdata::CheckLine> report;
    EXPECT_EQ(kxdata::CheckDataDirectory(o.outDir, report), 1) << Failures(report);
    const kxdata::CheckLine* l = Line(report, "CoreDict.pos");
    ASSERT_NE(l, nullptr);
    EXPECT_NE(l->summary.find("class word 7"), std::string::npos) << l->summary;
    EXPECT_NE(l->summary.find("punctuation 41379"), std::string::npos) << l->summary;
}

// Person names: the shipped automaton merges the role patterns into one name, and the shipped
// role counts give the characters of a common name the roles those patterns need.
TEST(RealDataTest, RoleAutomatonAndRoleCountsMakeNames) {
    CFSA fsa;
    ASSERT_TRUE(fsa.Load((RealData() + "/nr.fsa").c_str()));
    auto merge = [&](std::vector<int> roles) {
        std::vector<word_t> words(roles.size());
        for (size_t i = 0; i < roles.size(); ++i) {
            words[i].handle = int(i);
            words[i].start = int(2 * i);
            words[i].end = int(2 * i + 2);
            words[i].POS_id = tuchar(roles[i]);
        }
        int count = int(words.size());
        std::vector<int> merged;
        fsa.MaxPR(words.data(), &count, 777, merged);
        std::string out;
        for (int i = 0; i < count; ++i)
            out += words[i].handle == 777 ? "[" + std::to_string(words[i].end - words[i].start) + ":" +
                                                std::to_string(words[i].type) + "]"
                                          : std::to_string(words[i].POS_id);
        return out;
    };
    // S B C D S: the surname and the two given-name characters become one name tagged 24.
    EXPECT_EQ(merge({0, 1, 2, 3, 0}), "0[6:24]0");
    EXPECT_EQ(merge({0, 9, 1, 4, 10, 0}), "09[4:24]100");    // K B E L
    EXPECT_EQ(merge({0, 6, 3, 0}), "0[4:24]0");              // X D
    EXPECT_EQ(merge({0, 1, 2, 0}), "0120");                  // B C alone is no name
    EXPECT_EQ(merge({0, 12, 22, 0}), "012220");              // a whole-name word needs no merge
    EXPECT_EQ(merge({0, 0, 1, 5, 0}), "00[4:24]0");          // the boundary role starts nothing

    CPDAT core(0);
    CPOS roles;
    ASSERT_TRUE(core.Load((RealData() + "/CoreDict.pdat").c_str()));
    ASSERT_TRUE(roles.Load((RealData() + "/nr.role").c_str()));
    EXPECT_GT(roles.GetPOSFreq(core.Find("\xCD\xF5"), 1), 100);  // 王 as a surname
    EXPECT_GT(roles.GetPOSFreq(core.Find("\xC3\xF7"), 3), 10);   // 明 ending a given name
    EXPECT_GT(roles.GetPOSFreq(core.Find("\xBC\xC7\xD5\xDF"), 9), 100);  // 记者 before a name
    int n = 0;
    const POS_info* p = roles.GetPOS(0, &n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(p[0].POS_id, 0);
}
