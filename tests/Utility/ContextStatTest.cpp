#include "Utility/ContextStat.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "Utility/ByteIO.h"
#include "Utility/POSmap.h"
#include "common/TestUtil.h"

namespace {

tuchar T(int id) { return tuchar(id); }

// Statistics of three tags with count[1][2] = 9, frequency of tag 1 = 10, total 100.
void FillExample(CContextStat& ctx) {
    ASSERT_TRUE(ctx.SetSymbol(tuchar(3)));
    ctx.Add(T(1), T(2), 9);
    ctx.Add(T(1), T(0), 1);
    ctx.Add(T(0), T(0), 90);
}

}  // namespace

TEST(ContextStatTest, ProbabilityOnTinyTable) {
    CContextStat ctx;
    FillExample(ctx);
    EXPECT_EQ(ctx.GetTotalFrequency(), 100);
    EXPECT_EQ(ctx.GetFrequency(T(1)), 10);
    EXPECT_NEAR(ctx.GetContextPossibility(T(1), T(2)), 0.8200018, 5e-8);
    // Exactly the documented expression, evaluated in double in this order.
    EXPECT_EQ(ctx.GetContextPossibility(T(1), T(2)), ((9 * 0.9) / 10 + (10 * 0.1) / 100) * 0.99999 + 0.00001);
    EXPECT_EQ(ctx.GetContextPossibility(T(1), T(1)), 0.00001);   // unseen pair
    EXPECT_EQ(ctx.GetContextPossibility(T(2), T(0)), 0.00001);   // previous tag without frequency
    EXPECT_EQ(ctx.GetContextPossibility(T(3), T(0)), 0.00001);   // ids >= N
    EXPECT_EQ(ctx.GetContextPossibility(T(0), T(200)), 0.00001);
    EXPECT_EQ(ctx.GetFrequency(T(3)), 0);
    EXPECT_FALSE(ctx.Add(T(3), T(0), 1));

    CContextStat empty;
    EXPECT_EQ(empty.GetContextPossibility(T(0), T(0)), 0.00001);
    EXPECT_EQ(empty.GetFrequency(T(0)), 0);
}

TEST(ContextStatTest, ZeroTotalGivesFiniteProbability) {
    // A file whose grand total is 0 while a row has counts: the share term drops out.
    CByteWriter w;
    w.PutU8(1);
    w.PutI32(0);   // total
    w.PutI32(4);   // frequency of tag 0
    w.PutI32(4);   // count[0][0]
    CContextStat ctx;
    ASSERT_TRUE(ctx.LoadFromMemory(w.Bytes().data(), w.Size()));
    double p = ctx.GetContextPossibility(T(0), T(0));
    EXPECT_GT(p, 0.0);
    EXPECT_LE(p, 1.0);
    EXPECT_NEAR(p, 0.9 * 0.99999 + 0.00001, 1e-12);
}

TEST(ContextStatTest, GoldenBytesAndNamedUnnamedAgree) {
    kxtest::TempDir dir;
    CContextStat plain;
    FillExample(plain);
    ASSERT_TRUE(plain.Save(dir.file("plain.ctx").c_str()));
    std::string bytes = kxtest::ReadAll(dir.file("plain.ctx"));
    ASSERT_EQ(bytes.size(), 1u + 4 + 12 + 36);
    EXPECT_EQ((unsigned char)bytes[0], 3);
    // The total sits at the unaligned offset 1.
    EXPECT_EQ(bytes.substr(1, 4), std::string("\x64\0\0\0", 4));
    // Row 1 (offset 17 + 12): counts 1, 0, 9.
    EXPECT_EQ(bytes.substr(29, 12), std::string("\1\0\0\0\0\0\0\0\x09\0\0\0", 12));

    const char* names[] = {"v", "N", "a"};
    char* sym[3] = {(char*)names[0], (char*)names[1], (char*)names[2]};
    CContextStat named;
    ASSERT_TRUE(named.SetSymbol(3, sym));
    EXPECT_STREQ(sym[0], "a");  // sorted in the caller's array, ignoring case
    EXPECT_STREQ(sym[1], "N");
    EXPECT_EQ(named.GetSymbolID("n"), 1);
    EXPECT_TRUE(named.Add("N", "v", 9));
    EXPECT_TRUE(named.Add("n", "a", 1));
    EXPECT_TRUE(named.Add("a", "a", 90));
    EXPECT_FALSE(named.Add("x", "a", 1));
    ASSERT_TRUE(named.Save(dir.file("named.ctx").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("named.ctx")).size(), 1u + 300 + 4 + 12 + 36);

    CContextStat a, b;
    ASSERT_TRUE(a.Load(dir.file("plain.ctx").c_str(), false));
    ASSERT_TRUE(b.Load(dir.file("named.ctx").c_str(), true));
    EXPECT_FALSE(CContextStat().Load(dir.file("named.ctx").c_str(), false));  // names need the flag
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.GetFrequency(tuchar(i)), b.GetFrequency(tuchar(i)));
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(a.GetContextPossibility(tuchar(i), tuchar(j)), b.GetContextPossibility(tuchar(i), tuchar(j)));
    }
    EXPECT_EQ(b.GetContextPossibility("n", "V"), a.GetContextPossibility(T(1), T(2)));
    EXPECT_EQ(b.GetFrequency("N"), 10);
}

TEST(ContextStatTest, LoadRefusesBadFilesAndKeepsOldTables) {
    kxtest::TempDir dir;
    CContextStat good;
    FillExample(good);
    ASSERT_TRUE(good.Save(dir.file("good.ctx").c_str()));
    std::string bytes = kxtest::ReadAll(dir.file("good.ctx"));

    CContextStat ctx;
    ASSERT_TRUE(ctx.Load(dir.file("good.ctx").c_str()));
    const std::vector<std::string> bad = {
        bytes.substr(0, bytes.size() - 1),                       // truncated
        bytes + "x",                                             // trailing byte
        "",                                                      // empty
        std::string("\3\xff\xff\xff\xff", 5) + bytes.substr(5),  // negative total
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        kxtest::WriteAll(dir.file("bad.ctx"), bad[i]);
        EXPECT_FALSE(ctx.Load(dir.file("bad.ctx").c_str())) << i;
        EXPECT_NEAR(ctx.GetContextPossibility(T(1), T(2)), 0.8200018, 5e-8) << i;
    }
    std::string negCount = bytes;
    negCount[20] = '\xff', negCount[21] = '\xff', negCount[22] = '\xff', negCount[23] = '\xff';
    EXPECT_FALSE(ctx.LoadFromMemory((const unsigned char*)negCount.data(), negCount.size()));
    EXPECT_FALSE(ctx.Load(dir.path().c_str()));
    EXPECT_FALSE(ctx.Load(dir.file("missing.ctx").c_str()));

    // Names out of order would hide tags from the named getters; equal names may stand together.
    char sA[] = "a", sB[] = "B", sC[] = "c";
    char* names[] = {sA, sB, sC};
    CContextStat named;
    ASSERT_TRUE(named.SetSymbol(3, names));
    named.Add("B", "c", 4);
    ASSERT_TRUE(named.Save(dir.file("named.ctx").c_str()));
    std::string nb = kxtest::ReadAll(dir.file("named.ctx"));
    ASSERT_TRUE(ctx.LoadFromMemory((const unsigned char*)nb.data(), nb.size(), true));
    EXPECT_EQ(ctx.GetFrequency("b"), 4);
    std::string swapped = nb;
    swapped[1] = 'c', swapped[1 + 2 * 100] = 'a';  // names c, B, a
    EXPECT_FALSE(ctx.LoadFromMemory((const unsigned char*)swapped.data(), swapped.size(), true));
    std::string same = nb;
    same[1 + 100] = 'A';  // names a, A, c
    EXPECT_TRUE(ctx.LoadFromMemory((const unsigned char*)same.data(), same.size(), true));
    EXPECT_EQ(ctx.GetSymbolID("c"), 2);

    // The smallest valid file: N = 0 and a total.
    ASSERT_TRUE(ctx.LoadFromMemory((const unsigned char*)"\0\0\0\0\0", 5));
    EXPECT_EQ(ctx.GetTableLen(), 0);
    EXPECT_EQ(ctx.GetContextPossibility(T(0), T(0)), 0.00001);
}

TEST(ContextStatTest, SetSymbolLimitsAndSecondLoadReplaces) {
    CContextStat ctx;
    FillExample(ctx);
    EXPECT_FALSE(ctx.SetSymbol(256, nullptr));
    EXPECT_FALSE(ctx.SetSymbol(-1, nullptr));
    EXPECT_EQ(ctx.GetTableLen(), 3);  // unchanged by the refusals

    std::string longName(150, 'q');
    char* sym[1] = {&longName[0]};
    ASSERT_TRUE(ctx.SetSymbol(1, sym));
    EXPECT_EQ(ctx.GetSymbolID(std::string(100, 'q').c_str()), 0);  // kept to 100 bytes
    EXPECT_EQ(ctx.GetSymbolID(longName.c_str()), -1);

    CByteWriter w;
    w.PutU8(1);
    w.PutI32(7);
    w.PutI32(7);
    w.PutI32(7);
    ASSERT_TRUE(ctx.LoadFromMemory(w.Bytes().data(), w.Size()));
    EXPECT_EQ(ctx.GetSymbolID(std::string(100, 'q').c_str()), -1);  // names gone with the old table
    EXPECT_EQ(ctx.GetFrequency(T(0)), 7);
}

TEST(ContextStatTest, TextViewLayout) {
    kxtest::TempDir dir;
    CContextStat ctx;
    ASSERT_TRUE(ctx.SetSymbol(tuchar(2)));
    ctx.Add(T(0), T(1), 3);
    ASSERT_TRUE(ctx.Export(dir.file("view.txt").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("view.txt")),
              "Total frequency=3:\nTable Len=2\nSymbol:\n               0     1 \n"
              "No. 0=    0:     0     3 total=3:\nNo. 1=    1:     0     0 total=0:\n");

    kxtest::WriteAll(dir.file("set.map"), "n\nvn\n");
    CPOSmap tags;
    ASSERT_TRUE(tags.Load(dir.file("set.map").c_str()));
    ASSERT_TRUE(ctx.Save(dir.file("t.ctx").c_str(), &tags));
    EXPECT_EQ(kxtest::ReadAll(dir.file("t.ctx.shw")),
              "Total frequency=3:\nTable Len=2\nSymbol:\n               n    vn \n"
              "No. 0=    n:     0     3 total=3:\nNo. 1=   vn:     0     0 total=0:\n");

    // A view that cannot be written leaves the binary file alone.
    std::string before = kxtest::ReadAll(dir.file("t.ctx"));
    ASSERT_EQ(remove(dir.file("t.ctx.shw").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("t.ctx.shw").c_str(), 0700), 0);  // the view cannot replace a folder
    ctx.Add(T(1), T(1), 5);
    EXPECT_FALSE(ctx.Save(dir.file("t.ctx").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("t.ctx")), before);
    kxtest::WriteAll(dir.file("blocker"), "x");
    EXPECT_FALSE(ctx.Save((dir.file("blocker") + "/x.ctx").c_str()));
}
