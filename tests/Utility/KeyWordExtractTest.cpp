#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Utility/KeyWordFinder.h"

namespace {

TEST(KeyWordExtractTest, SlotCutKeepsWholeCharacters) {
    // 299 two-byte characters after one ASCII byte: byte 599 would split a character.
    std::string text = "a";
    for (int k = 0; k < 350; ++k) text += "\xD6\xD0";  // 中
    const tstring cut = CutAtCharBoundary(text.c_str(), 599);
    EXPECT_EQ(cut.size(), 599u);
    EXPECT_EQ(cut, text.substr(0, 599));

    const std::string even(700, '\xB0');  // pairs from the start: 599 is mid-character
    EXPECT_EQ(CutAtCharBoundary(even.c_str(), 599).size(), 598u);
    EXPECT_EQ(CutAtCharBoundary("abc", 599), "abc");
    EXPECT_EQ(CutAtCharBoundary(nullptr, 599), "");
    // A lone lead byte at the end is one unit.
    EXPECT_EQ(CutAtCharBoundary("ab\xB0", 3), "ab\xB0");
}

TEST(KeyWordExtractTest, SlotsFingerprintAndDumpOfAnEmptyFinder) {
    CKeyWordFinder plain(nullptr, nullptr, 0);
    EXPECT_EQ(plain.GetExtractElement(13), nullptr);
    EXPECT_EQ(plain.GetExtractElement(-1), nullptr);
    ASSERT_NE(plain.GetExtractElement(12), nullptr);
    EXPECT_EQ(plain.FingerPrint(), 0u);

    CKeyWordFinder tagged(nullptr, "brand#model#", 0);
    EXPECT_NE(tagged.GetExtractElement(14), nullptr);
    EXPECT_EQ(tagged.GetExtractElement(15), nullptr);

    const std::string path = ::testing::TempDir() + "kwf_export.txt";
    ASSERT_TRUE(plain.Export(plain.GetWordAV(), path.c_str()));
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), ")\n Sentence Information:\n");
    std::remove(path.c_str());

    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(plain.Export(plain.GetWordAV(), "/nonexistent-dir/x/dump.txt"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error open /nonexistent-dir/x/dump.txt\n");
}

}  // namespace
