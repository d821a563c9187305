#include "Utility/POSmap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Utility/TextScan.h"
#include "common/TestUtil.h"

TEST(POSmapTest, IdsNamesAndDefaults) {
    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("a.map"), "n\nv\n\n   \nvn\tverbal noun\r\nnr   person names here\n");
    CPOSmap map;
    EXPECT_EQ(map.GetItemCount(), 0);
    EXPECT_STREQ(map.GetPOS(0), "n");  // before any load
    ASSERT_TRUE(map.Load(dir.file("a.map").c_str()));
    EXPECT_EQ(map.GetItemCount(), 4);
    EXPECT_EQ(map.GetID("n"), 0);
    EXPECT_EQ(map.GetID("v"), 1);
    EXPECT_EQ(map.GetID("vn"), 2);  // blank lines take no id
    EXPECT_EQ(map.GetID("VN"), 2);
    EXPECT_EQ(map.GetID("nr"), 3);
    EXPECT_EQ(map.GetID(""), 255);
    EXPECT_EQ(map.GetID(nullptr), 255);
    EXPECT_EQ(map.GetID("person"), 255);
    EXPECT_STREQ(map.GetPOS(2), "vn");
    EXPECT_STREQ(map.GetPOS(4), "n");
    EXPECT_STREQ(map.GetPOS(255), "n");
    char buf[40];
    EXPECT_TRUE(map.GetPOS(3, buf));
    EXPECT_STREQ(buf, "nr");
    EXPECT_FALSE(map.GetPOS(9, buf));
    EXPECT_STREQ(buf, "n");

    // A second load replaces every name; a refused load keeps them.
    kxtest::WriteAll(dir.file("b.map"), "x\n");
    ASSERT_TRUE(map.Load(dir.file("b.map").c_str()));
    EXPECT_EQ(map.GetItemCount(), 1);
    EXPECT_EQ(map.GetID("n"), 255);
    EXPECT_FALSE(map.Load(dir.path().c_str()));  // a directory is not a tag set
    EXPECT_FALSE(map.Load((dir.path() + "/").c_str()));
    EXPECT_FALSE(map.Load(nullptr));
    EXPECT_FALSE(map.Load(dir.file("missing.map").c_str()));
    EXPECT_EQ(map.GetID("x"), 0);
}

TEST(POSmapTest, LongLinesLongNamesAndManyTags) {
    std::string text = "n " + std::string(300, 'c') + "\n";  // a 300-byte line is one tag
    text += std::string(50, 'L') + "\n";                     // a 50-byte name is cut to 39
    for (int i = 0; i < 300; ++i) text += "t" + std::to_string(i) + "\n";
    CPOSmap map;
    ASSERT_TRUE(map.LoadFromMemory((const unsigned char*)text.data(), text.size()));
    EXPECT_EQ(map.GetItemCount(), 255);  // stops at 255 tags
    EXPECT_STREQ(map.GetPOS(1), std::string(39, 'L').c_str());
    EXPECT_EQ(map.GetID(std::string(39, 'L').c_str()), 1);
    EXPECT_STREQ(map.GetPOS(254), "t252");
    EXPECT_EQ(map.GetID("t253"), 255);
    char buf[40];
    memset(buf, 'z', sizeof buf);
    EXPECT_TRUE(map.GetPOS(1, buf));  // ASan checks that no more than 40 bytes are written
    EXPECT_EQ(strlen(buf), 39u);

    // A cut never leaves half a GBK character.
    std::string gbk = std::string(38, 'a') + "\xB0\xA1" + "\n";
    ASSERT_TRUE(map.LoadFromMemory((const unsigned char*)gbk.data(), gbk.size()));
    EXPECT_EQ(std::string(map.GetPOS(0)), std::string(38, 'a'));
}

// The name index against a scan of every name, on random sets with names equal but for letter
// case, and queries that differ in case, length or one byte.
TEST(POSmapTest, IndexedLookupMatchesScan) {
    const unsigned seed = 5;
    std::mt19937 rng(seed);
    const char letters[] = "aAbBnNvV_1\xB0";
    auto randomName = [&](size_t nMax) {
        std::string s;
        size_t n = 1 + rng() % nMax;
        for (size_t i = 0; i < n; ++i) s += letters[rng() % (sizeof letters - 1)];
        return s;
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> names;
        std::string text;
        const int nTags = 1 + int(rng() % 300);
        for (int k = 0; k < nTags; ++k) {
            names.push_back(randomName(k % 7 == 0 ? 45 : 4));
            text += names.back() + "\n";
        }
        CPOSmap map;
        ASSERT_TRUE(map.LoadFromMemory((const unsigned char*)text.data(), text.size()));
        auto scan = [&](const std::string& q) {
            for (int i = 0; i < map.GetItemCount(); ++i)
                if (textscan::AsciiCaseCompare(map.GetPOS(tuchar(i)), q.c_str()) == 0) return i;
            return 255;
        };
        for (int q = 0; q < 400; ++q) {
            std::string s = q % 2 ? names[rng() % names.size()] : randomName(q % 5 == 0 ? 45 : 4);
            for (char& c : s)
                if (rng() % 3 == 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 32;
            ASSERT_EQ(map.GetID(s.c_str()), scan(s)) << "seed " << seed << " round " << round << " " << s;
        }
    }
}
