// Text importers of the unigram, bigram and part-of-speech tables over a small dictionary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utility/Bigram.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/PDAT.h"
#include "Utility/StoreImport.h"
#include "Utility/Unigram.h"
#include "common/TestUtil.h"

namespace {

void Build(CPDAT& dict, const std::vector<std::string>& words) {
    dict.AddWordInit();
    for (const std::string& w : words) dict.AddWord(w.c_str());
    dict.AddWordComplete();
}

}  // namespace

TEST(StoreImportTest, UnigramCountsModesAndListing) {
    kxtest::TempDir dir;
    CPDAT dict;
    Build(dict, {"a", "b", "c", "x y", "\xB0\xA1"});
    const std::string text = "a 5\nb 0\n[x y] 3\nc 4\nzz 7\n\n\xB0\xA1 1\nc 2\nx_y 1\n";
    kxtest::WriteAll(dir.file("u.txt"), text);
    const int want[] = {2, 4, 6, 4};  // c under modes 0 (smaller), 1 (larger), 2 (sum), 3 (first)
    for (int mode = 0; mode < 4; ++mode) {
        CUnigram u;
        EXPECT_EQ(u.Import(dir.file("u.txt").c_str(), dict, mode), 7) << mode;  // duplicates counted
        EXPECT_EQ(u.GetTotalFreq(), 5 + 0 + 3 + 4 + 1 + 2 + 1) << mode;
        EXPECT_EQ(u.GetFreq(dict.Find("c")), want[mode]) << mode;
        EXPECT_EQ(u.GetFreq(dict.Find("a")), 5);
        EXPECT_EQ(u.GetFreq(dict.Find("x y")), mode == 2 ? 4 : (mode == 0 ? 1 : 3)) << mode;
        EXPECT_EQ(u.GetFreq(dict.Find("\xB0\xA1")), 1);
    }
    EXPECT_EQ(kxtest::ReadAll(dir.file("u.txt_unigram_export.txt")),
              "a\t5\nb\t[x y]\t3\nc\t4\nzz\t\xB0\xA1\t1\nc\t4\n[x y]\t3\n");  // mode 3 ran last
    EXPECT_TRUE(kxtest::ReadAll(dir.file("u.txt.log")).empty());
    CUnigram u;
    EXPECT_EQ(u.Import(dir.file("missing.txt").c_str(), dict, 0), 0);
}

TEST(StoreImportTest, UnigramOverADictionaryWhoseLastHandleIsItsBound) {
    kxtest::TempDir dir;
    CPDAT dict;
    Build(dict, {"a", "b", "c"});  // single characters: every used cell ends a word
    int last = dict.Find("c");
    ASSERT_GE(last, dict.GetLowerBound()) << "the dictionary no longer shows the case";
    kxtest::WriteAll(dir.file("u.txt"), "a 1\nb 2\nc 3\n");
    CUnigram u;
    EXPECT_EQ(u.Import(dir.file("u.txt").c_str(), dict, 0), 3);
    EXPECT_EQ(u.GetFreq(last), 3);
    EXPECT_EQ(u.GetBound(), ImportBound(dict));
    ASSERT_TRUE(u.Save(dir.file("u.unig").c_str()));
    CUnigram back;
    ASSERT_TRUE(back.Load(dir.file("u.unig").c_str()));
    EXPECT_EQ(back.GetFreq(last), 3);

    kxtest::WriteAll(dir.file("b.txt"), "a@c 4\nc@c 5\n");
    CBigram big;
    EXPECT_EQ(big.Import(dir.file("b.txt").c_str(), dict, true), 2);
    EXPECT_EQ(big.GetFreq(last, last), 5);
    ASSERT_TRUE(big.Save(dir.file("b.big").c_str()));
    ASSERT_TRUE(big.Load(dir.file("b.big").c_str()));
    EXPECT_EQ(big.GetFreq(dict.Find("a"), last), 4);

    kxtest::WriteAll(dir.file("p.txt"), "c 3 7\n");
    CPOS pos;
    EXPECT_EQ(pos.Import(dir.file("p.txt").c_str(), dict, nullptr), 1);
    EXPECT_EQ(pos.GetPOS(last), 3);
}

TEST(StoreImportTest, BigramImportForms) {
    kxtest::TempDir dir;
    CPDAT dict;
    Build(dict, {"a", "b", "c", "d"});
    const int a = dict.Find("a"), b = dict.Find("b"), c = dict.Find("c");
    kxtest::WriteAll(dir.file("at.txt"), "b@a 2\na@c 3\na@b 5\nab 9\nq@a 1\na@b 1\n\n");
    CBigram big;
    EXPECT_EQ(big.Import(dir.file("at.txt").c_str(), dict, true), 4);  // the repeat is kept
    EXPECT_EQ(big.GetFreq(a, c), 3);
    EXPECT_EQ(big.GetFreq(b, a), 2);
    int ab = big.GetFreq(a, b);
    EXPECT_TRUE(ab == 5 || ab == 1) << ab;
    EXPECT_EQ(big.GetFreq(c, a), 0);

    kxtest::WriteAll(dir.file("sp.txt"), "a b 5\nb\tc 6\nc\n");
    CBigram big2;
    EXPECT_EQ(big2.Import(dir.file("sp.txt").c_str(), dict, false), 2);
    EXPECT_EQ(big2.GetFreq(b, c), 6);
    EXPECT_EQ(big2.Import(dir.file("missing").c_str(), dict, false), 0);
}

TEST(StoreImportTest, BigramImportOfSortedInputAtScale) {
    kxtest::TempDir dir;
    CPDAT dict;
    std::vector<std::string> words;
    for (int i = 0; i < 400; ++i) words.push_back("w" + std::to_string(i));
    Build(dict, words);
    std::string text;
    for (int i = 0; i < 400; ++i)
        for (int j = 0; j < 400; j += 2) text += words[size_t(i)] + "@" + words[size_t(j)] + " " + std::to_string(i + j) + "\n";
    kxtest::WriteAll(dir.file("sorted.txt"), text);
    CBigram big;
    ASSERT_EQ(big.Import(dir.file("sorted.txt").c_str(), dict, true), 80000);
    EXPECT_EQ(big.GetFreq(dict.Find("w7"), dict.Find("w10")), 17);
    EXPECT_EQ(big.GetFreq(dict.Find("w7"), dict.Find("w11")), 0);
}

TEST(StoreImportTest, POSImportWithAndWithoutTagSet) {
    kxtest::TempDir dir;
    CPDAT dict;
    Build(dict, {"a", "b"});
    kxtest::WriteAll(dir.file("set.map"), "n\nv\nvn\n");
    CPOSmap tags;
    ASSERT_TRUE(tags.Load(dir.file("set.map").c_str()));
    kxtest::WriteAll(dir.file("named.txt"), "a VN 5\na n 9\nb v 2\nzz n 1\nb nope 4\n");
    CPOS pos;
    EXPECT_EQ(pos.Import(dir.file("named.txt").c_str(), dict, &tags), 4);
    const int a = dict.Find("a"), b = dict.Find("b");
    EXPECT_EQ(pos.GetPOS(a), 0);
    EXPECT_EQ(pos.GetPOSFreq(a, 2), 5);
    EXPECT_EQ(pos.GetPOSFreq(b, 255), 4);  // an unknown tag name is 255
    int n = 0;
    pos.GetPOS(b, &n);
    EXPECT_EQ(n, 2);

    kxtest::WriteAll(dir.file("ids.txt"), "a 30 90\na 12 5\n");
    CPOS byId;
    EXPECT_EQ(byId.Import(dir.file("ids.txt").c_str(), dict, nullptr), 2);
    EXPECT_EQ(byId.GetPOS(a), 12);
    EXPECT_EQ(byId.GetMaxPOS(a)->POS_id, 30);
}
