#include "Utility/Charset.h"

#include <gtest/gtest.h>

#include <string>

#include "common/TestUtil.h"

TEST(CharsetTest, LookupsAndRanges) {
    std::string file(CCharset::kFileSize, '\0');
    file[0] = 3;
    file[4 + 0] = 7;         // code 0
    file[4 + 0xB0] = 11;     // the lone byte 0xB0
    file[4 + 0xB0A1] = 12;   // the two-byte character B0A1
    file[4 + 'a'] = 8;
    CCharset cs;
    ASSERT_TRUE(cs.LoadFromMemory((const unsigned char*)file.data(), file.size()));
    EXPECT_EQ(cs.GetCount(), 3);
    EXPECT_EQ(cs.GetType(-1), -1);
    EXPECT_EQ(cs.GetType(65536), -1);
    EXPECT_EQ(cs.GetType(0), 7);
    EXPECT_EQ(cs.GetType("\xB0"), 11);     // a lone lead byte is its own code
    EXPECT_EQ(cs.GetType("\xB0\xA1"), 12);
    EXPECT_EQ(cs.GetType("ab"), 8);
    EXPECT_EQ(cs.GetType(""), 7);          // the empty text reads code 0
}

TEST(CharsetTest, LoadNeedsTheExactSize) {
    kxtest::TempDir dir;
    std::string good(CCharset::kFileSize, '\0');
    good[4 + 'x'] = 9;
    kxtest::WriteAll(dir.file("good.type"), good);
    CCharset cs;
    ASSERT_TRUE(cs.Load(dir.file("good.type").c_str()));
    for (size_t size : {CCharset::kFileSize - 1, CCharset::kFileSize + 1, size_t(0)}) {
        kxtest::WriteAll(dir.file("bad.type"), std::string(size, '\x05'));
        EXPECT_FALSE(cs.Load(dir.file("bad.type").c_str())) << size;
        EXPECT_EQ(cs.GetType('x'), 9) << size;
        EXPECT_EQ(cs.GetType('y'), 0) << size;
    }
    EXPECT_FALSE(cs.Load(dir.path().c_str()));
}

TEST(CharsetTest, ImportSaveExport) {
    kxtest::TempDir dir;
    std::string text = "a 8\n\xB0\xA1 10\n\xA1\xA3 28\n";
    text += "  \t\n";                            // a line without a character
    text += std::string(1500, 'Z') + " 3\n";   // an overlong token stays in bounds
    CCharset cs;
    kxtest::WriteAll(dir.file("classes.txt"), text + "\t 5\n");  // "%s" skips the tab: character '5'
    EXPECT_EQ(cs.Import(dir.file("classes.txt").c_str()), 5);
    EXPECT_EQ(cs.GetType('a'), 8);
    EXPECT_EQ(cs.GetType("\xB0\xA1"), 10);
    EXPECT_EQ(cs.GetType('Z'), 3);
    for (int ws : {9, 10, 13, 32}) EXPECT_EQ(cs.GetType(ws), 28) << ws;

    ASSERT_TRUE(cs.Save(dir.file("charset.type").c_str()));
    std::string saved = kxtest::ReadAll(dir.file("charset.type"));
    ASSERT_EQ(saved.size(), CCharset::kFileSize);
    EXPECT_EQ(saved.substr(0, 4), std::string("\5\0\0\0", 4));
    CCharset back;
    ASSERT_TRUE(back.Load(dir.file("charset.type").c_str()));
    for (int c = 0; c < CCharset::kCodes; ++c) ASSERT_EQ(back.GetType(c), cs.GetType(c)) << c;

    EXPECT_EQ(cs.Export(dir.file("list.txt").c_str()), 5);
    std::string list = kxtest::ReadAll(dir.file("list.txt"));
    EXPECT_EQ(list.compare(0, 4, "!\t0\n"), 0);
    EXPECT_NE(list.find("a\t8\n"), std::string::npos);
    EXPECT_NE(list.find("\x80\t0\n\xA1\xA1\t0\n"), std::string::npos);  // 128 is the last single byte
    EXPECT_NE(list.find("\xB0\xA1\t10\n"), std::string::npos);
    EXPECT_EQ(list.size() - list.rfind("\xF7\xFE\t0\n"), 5u);  // F7FE ends the listing
    EXPECT_EQ(cs.Import(dir.file("missing.txt").c_str()), 0);
}
