#include "Utility/WordList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Encript/BDQEncript.h"
#include "Utility/ByteIO.h"
#include "Utility/PDAT.h"
#include "common/TestUtil.h"

namespace {

CWordList* Tiny(bool bEncript) {
    CWordList* l = new CWordList(bEncript, nullptr);
    l->AddWord("ab", 0);
    l->AddWord("c", 2);
    l->AddWordComplete();
    return l;
}

}  // namespace

TEST(WordListTest, TinyListHasGoldenBytes) {
    std::unique_ptr<CWordList> l(Tiny(false));
    CByteWriter w;
    for (int v : {2, 3, 0, 0, 3, 0, 5}) w.PutI32(v);
    w.PutBytes("ab\0c\0", 5);
    EXPECT_TRUE(l->Serialize() == w.Bytes());
    EXPECT_STREQ(l->GetWord(0), "ab");
    EXPECT_STREQ(l->GetWord(1), "ab");  // no string of its own: the first string
    EXPECT_STREQ(l->GetWord(2), "c");
    EXPECT_STREQ(l->GetWord(3), "");
    EXPECT_STREQ(l->GetWord(-1), "");
}

TEST(WordListTest, EncipheredRoundTrip) {
    kxtest::TempDir dir;
    std::string path = dir.file("e.wordlist");
    std::unique_ptr<CWordList> l(Tiny(true));
    ASSERT_TRUE(l->Save(path.c_str()));
    // Memory stays plain after saving.
    EXPECT_STREQ(l->GetWord(0), "ab");
    EXPECT_STREQ(l->GetWord(2), "c");
    // Only the string block is enciphered: plain XOR key.
    std::string file = kxtest::ReadAll(path);
    ASSERT_EQ(file.size(), 28u + 5u);
    std::string block = file.substr(28);
    std::string plain("ab\0c\0", 5);
    for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(block[i], char(plain[i] ^ g_sWordListKey[i])) << i;
    std::unique_ptr<CWordList> plainTiny(Tiny(false));
    EXPECT_EQ(file.substr(0, 28), std::string(reinterpret_cast<const char*>(plainTiny->Serialize().data()), 28));

    CWordList enc(true, nullptr), plainList(false, nullptr);
    ASSERT_TRUE(enc.Load(path.c_str()));
    EXPECT_STREQ(enc.GetWord(0), "ab");
    EXPECT_STREQ(enc.GetWord(2), "c");
    EXPECT_EQ(enc.GetItemCount(), 2);
    ASSERT_TRUE(plainList.Load(path.c_str()));
    EXPECT_EQ(std::string(plainList.GetWord(0)), block.substr(0, strlen(plainList.GetWord(0))));
    EXPECT_NE(std::string(plainList.GetWord(0)), "ab");
}

TEST(WordListTest, MalformedFilesAreRefused) {
    std::unique_ptr<CWordList> l(Tiny(false));
    std::vector<unsigned char> good = l->Serialize();
    CWordList target(false, nullptr);
    target.AddWord("keep", 0);
    target.AddWordComplete();
    auto refused = [&](std::vector<unsigned char> bytes) {
        return !target.Parse(bytes.data(), bytes.size()) && std::string(target.GetWord(0)) == "keep";
    };
    std::vector<unsigned char> bad = good;
    PutLE32(&bad[16], 6);  // offset beyond D (5)
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[16], 5);  // offset D reads the terminating NUL
    ASSERT_TRUE(target.Parse(bad.data(), bad.size()));
    EXPECT_STREQ(target.GetWord(2), "");
    target.AddWordInit();
    target.AddWord("keep", 0);
    target.AddWordComplete();
    bad = good;
    PutLE32(&bad[4], uint32_t(-1));  // B < 0
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[24], uint32_t(-1));  // D < 0
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad.pop_back();
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[4], 0x40000000);
    EXPECT_TRUE(refused(bad));
    EXPECT_TRUE(refused({}));
    // A block whose last string lacks its NUL still reads as a terminated string.
    bad = good;
    bad.back() = 'z';
    ASSERT_TRUE(target.Parse(bad.data(), bad.size()));
    EXPECT_STREQ(target.GetWord(2), "cz");
    EXPECT_FALSE(target.Load("/nonexistent/x.wordlist"));
}

TEST(WordListTest, ImportFromRecordsAndGrowth) {
    CPDAT dict(0);
    dict.AddWord("abc");
    dict.AddWord("xyz");
    dict.AddWord("pad");
    dict.AddWordComplete();
    std::vector<WORD_INFO> recs(4);
    recs[0].word = "\"abc\"";  // found through Find's normalisation
    recs[0].store_info = "n";
    recs[1].word = "missing";
    recs[2].word = "xyz";
    recs[2].store_info = "v";
    recs[3].word = "abc";
    recs[3].store_info = "a";
    CWordList words(false, nullptr), tags(false, nullptr);
    EXPECT_EQ(tags.Import(recs, &dict, true), 3);
    EXPECT_EQ(words.Import(recs, &dict, false), 3);
    EXPECT_EQ(tags.GetBound(), 3);
    EXPECT_STREQ(tags.GetWord(0), "a");  // the later record of a handle wins
    EXPECT_STREQ(tags.GetWord(1), "v");
    EXPECT_STREQ(tags.GetWord(2), "n");  // no string of its own: the first one
    EXPECT_STREQ(words.GetWord(0), "abc");
    // Growth in 0xFA000 steps: past 1 MB, and one 2 MB text.
    CWordList big(false, nullptr);
    std::string w(1000, 'w');
    for (int i = 0; i < 1100; ++i) big.AddWord(w.c_str(), i);
    std::string huge(2 * 1024 * 1024, 'h');
    big.AddWord(huge.c_str(), 1100);
    big.AddWordComplete();
    EXPECT_EQ(big.GetBlockMemSize() % 0xFA000, 0);
    EXPECT_GT(big.GetBlockMemSize(), 1001 * 1100 + 2 * 1024 * 1024);
    EXPECT_EQ(std::string(big.GetWord(1100)), huge);
    EXPECT_EQ(std::string(big.GetWord(1099)), w);
    CWordList one(false, nullptr);
    one.AddWord(huge.c_str(), 0);
    one.AddWordComplete();
    EXPECT_EQ(one.GetBlockMemSize(), 3 * 0xFA000);
    EXPECT_EQ(std::string(one.GetWord(0)), huge);
    EXPECT_EQ(one.AddWord("neg", -1), -1);
}

TEST(WordListTest, BuildWordByWordAndTextImportExport) {
    kxtest::TempDir dir;
    CPDAT dict(0);
    for (const char* w : {"alpha", "beta", "\xD6\xD0\xB9\xFA" /* 中国 */, "new york"}) dict.AddWord(w);
    dict.AddWordComplete();
    std::string src = dir.file("words.txt");
    kxtest::WriteAll(src, "\xEF\xBB\xBF" "beta 3\n[New York] x\nalpha\nunknown\n\xD6\xD0\xB9\xFA\n");
    CWordList l(true, nullptr);
    EXPECT_EQ(l.Import(src.c_str(), &dict), 4);
    EXPECT_STREQ(l.GetWord(1), "beta");
    EXPECT_STREQ(l.GetWord(3), "New York");
    EXPECT_STREQ(l.GetWord(2), "\xD6\xD0\xB9\xFA");
    EXPECT_EQ(kxtest::ReadAll(src + "_wordlist_export.txt"), "beta\n[New York]\nalpha\nunknown\n\xD6\xD0\xB9\xFA\n");
    std::string excl = dir.file("excl.txt");
    kxtest::WriteAll(excl, "\xD6\xD0\xB9\xFA\nbeta\n");  // only GBK words of 3 bytes or more are excluded
    std::string out = dir.file("out.txt");
    EXPECT_EQ(l.Export(out.c_str(), &dict, excl.c_str()), 0);
    EXPECT_EQ(kxtest::ReadAll(out), "alpha\nbeta\nNew York\n");
    EXPECT_EQ(l.Export((dir.path() + "/no/such/dir/x").c_str(), &dict, nullptr), 1);
    // Save and load the enciphered list built word by word.
    std::string path = dir.file("l.wordlist");
    ASSERT_TRUE(l.Save(path.c_str()));
    CWordList back(true, nullptr);
    ASSERT_TRUE(back.Load(path.c_str()));
    for (int h = 0; h < 4; ++h) EXPECT_STREQ(back.GetWord(h), l.GetWord(h));
}
