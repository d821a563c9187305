#include "Utility/Unigram.h"

#include <gtest/gtest.h>

#include <string>

#include "StoreImage.h"
#include "common/TestUtil.h"

namespace {

std::string UnigramFile(int32_t size, int32_t bound, int32_t total, const std::vector<int32_t>& counts) {
    CByteWriter w;
    w.PutI32(size);
    w.PutI32(bound);
    w.PutI32(total);
    for (int32_t c : counts) w.PutI32(c);
    return Image(w);
}

}  // namespace

TEST(UnigramTest, GettersAndRanges) {
    CUnigram empty(-1);
    EXPECT_EQ(empty.GetFreq(0), 0);
    EXPECT_EQ(empty.GetFreq(-1), 0);
    EXPECT_EQ(empty.GetTotalFreq(), 0);
    EXPECT_EQ(empty.GetItemCount(), 0);

    CUnigram u;
    ASSERT_TRUE(LoadString(u, UnigramFile(3, 3, 12, {5, 0, 7, 99})));
    EXPECT_EQ(u.GetFreq(0), 5);
    EXPECT_EQ(u.GetFreq(2), 7);
    EXPECT_EQ(u.GetFreq(3), 0);  // stored, never answered
    EXPECT_EQ(u.GetFreq(-1), 0);
    EXPECT_EQ(u.GetItemCount(), 3);
    EXPECT_EQ(u.GetTotalFreq(), 12);  // as stored, even if the counts disagree

    // Loading again replaces everything.
    ASSERT_TRUE(LoadString(u, UnigramFile(1, 1, 4, {4, 0})));
    EXPECT_EQ(u.GetFreq(0), 4);
    EXPECT_EQ(u.GetFreq(2), 0);
    EXPECT_EQ(u.GetTotalFreq(), 4);
}

TEST(UnigramTest, RefusedFilesKeepTheTable) {
    CUnigram u;
    ASSERT_TRUE(LoadString(u, UnigramFile(3, 3, 12, {5, 0, 7, 0})));
    EXPECT_FALSE(LoadString(u, UnigramFile(3, 3, 12, {5, 0, 7})));  // one count short
    EXPECT_FALSE(LoadString(u, UnigramFile(0, -1, 0, {0})));         // negative bound
    EXPECT_FALSE(LoadString(u, UnigramFile(0, 0x7fffffff, 0, {})));
    EXPECT_FALSE(LoadString(u, std::string("\0\0\0", 3)));
    EXPECT_FALSE(u.Load(KX_SCRATCH_DIR));
    EXPECT_EQ(u.GetFreq(2), 7);
    EXPECT_EQ(u.GetTotalFreq(), 12);
    // Nothing may follow the counts that the bound announces.
    EXPECT_FALSE(LoadString(u, UnigramFile(0, 0, 0, {0, 1, 2})));
    EXPECT_EQ(u.GetFreq(2), 7);
    ASSERT_TRUE(LoadString(u, UnigramFile(0, 0, 0, {0})));
}

TEST(UnigramTest, SaveRoundTripAndGoldenBytes) {
    kxtest::TempDir dir;
    CUnigram u(3);
    EXPECT_EQ(u.AddFreq(1, 6), 6);
    EXPECT_EQ(u.AddFreq(1, 2), 2);
    EXPECT_EQ(u.AddFreq(3, 2), 0);   // id = bound is outside
    EXPECT_EQ(u.AddFreq(-1, 2), 0);
    EXPECT_EQ(u.GetItemCount(), 0);  // AddFreq raises the total, not the size
    EXPECT_EQ(u.GetTotalFreq(), 8);
    ASSERT_TRUE(u.Save(dir.file("t.unig").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("t.unig")), UnigramFile(0, 3, 8, {0, 8, 0, 0}));
    CUnigram back;
    ASSERT_TRUE(back.Load(dir.file("t.unig").c_str()));
    EXPECT_EQ(back.GetFreq(1), 8);

    CUnigram empty;
    ASSERT_TRUE(empty.Save(dir.file("e.unig").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("e.unig")), UnigramFile(0, 0, 0, {0}));
    ASSERT_TRUE(back.Load(dir.file("e.unig").c_str()));
    EXPECT_EQ(back.GetFreq(0), 0);
}

TEST(UnigramTest, MergingAndListing) {
    CUnigram big(4), small(2);
    big.AddFreq(0, 1);
    big.AddFreq(3, 3);
    small.AddFreq(0, 5);
    small.AddFreq(1, 7);
    EXPECT_EQ(big.AddFreq(small), 16);  // a smaller table adds 0 beyond its bound
    EXPECT_EQ(big.GetFreq(0), 6);
    EXPECT_EQ(big.GetFreq(1), 7);
    EXPECT_EQ(big.GetFreq(3), 3);
    EXPECT_EQ(small.AddFreq(big), 28);  // and a larger one only up to this bound
    EXPECT_EQ(small.GetFreq(1), 14);

    std::vector<unigram_elem> out(9);
    ASSERT_EQ(big.OutputFreq(out), 3);
    EXPECT_EQ(out[0].handle, 1);
    EXPECT_EQ(out[0].freq, 7);
    EXPECT_EQ(out[2].handle, 3);

}
