#include "Utility/POS.h"

#include <gtest/gtest.h>

#include <string>

#include "StoreImage.h"
#include "common/TestUtil.h"

namespace {

POS_elem Rec(int handle, int tag, int freq) {
    POS_elem e;
    e.handle = handle;
    e.POS_id = tuchar(tag);
    e.freq = freq;
    return e;
}

std::string PosFile(int32_t size, const std::vector<std::pair<int, int>>& recs, const std::vector<index_t>& index) {
    CByteWriter w;
    w.PutI32(size);
    w.PutI32(int32_t(index.size()));
    for (auto& r : recs) {
        w.PutU8(uint8_t(r.first));
        w.PutBytes("\xAA\xBB\xCC", 3);  // padding is ignored on load
        w.PutI32(r.second);
    }
    PutIndex(w, index);
    return Image(w);
}

}  // namespace

TEST(POSTest, ImportOrdersMergesAndCounts) {
    kxtest::TempDir dir;
    std::vector<POS_elem> recs = {Rec(1, 30, 90), Rec(1, 12, 5), Rec(0, 4, 4), Rec(0, 4, 9), Rec(3, 7, 1),
                                  Rec(9, 1, 1)};  // 3 = bound and 9 are never indexed
    CPOS pos;
    EXPECT_EQ(pos.Import(recs, 3), 6);  // every input record is counted
    int n = -1;
    const POS_info* p = pos.GetPOS(1, &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(p[0].POS_id, 12);
    EXPECT_EQ(p[1].POS_id, 30);
    EXPECT_EQ(pos.GetPOS(1), 12);  // the lowest tag id, not the most frequent
    EXPECT_EQ(pos.GetMaxPOS(1)->POS_id, 30);
    EXPECT_EQ(pos.GetPOSFreq(1, 30), 90);
    EXPECT_EQ(pos.GetPOSFreq(1, 31), 0);
    p = pos.GetPOS(0, &n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(p[0].freq, 9);  // a repeated tag keeps the larger frequency
    EXPECT_EQ(pos.GetPOS(3, &n), nullptr);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(pos.GetPOS(3), 255);
    EXPECT_EQ(pos.GetPOSFreq(3, 7), 0);
    EXPECT_EQ(pos.GetPOS(2), 255);  // (-1, -1)
    EXPECT_EQ(pos.GetPOS(-1), 255);
    EXPECT_EQ(pos.GetMaxPOS(2), nullptr);
    // The table copy answers like GetPOS, empty and out-of-range ids included.
    const CPOS::pos_table table = pos.GetTable();
    for (int h = -2; h <= 4; ++h) {
        int n1 = -1, n2 = -1;
        const POS_info* p1 = pos.GetPOS(h, &n1);
        EXPECT_EQ(table.Get(h, &n2), p1) << h;
        EXPECT_EQ(n2, n1) << h;
    }
    int nEmpty = -1;
    EXPECT_EQ(CPOS().GetTable().Get(0, &nEmpty), nullptr);
    EXPECT_EQ(nEmpty, 0);

    // Golden bytes: 6 records (3 used, 3 fillers 255/0), zero padding, counts in the index.
    ASSERT_TRUE(pos.Save(dir.file("t.pos").c_str()));
    std::string want = PosFile(6, {}, {});
    CByteWriter w;
    w.PutI32(6);
    w.PutI32(3);
    for (auto r : std::vector<std::pair<int, int>>{{4, 9}, {12, 5}, {30, 90}, {255, 0}, {255, 0}, {255, 0}}) {
        w.PutU8(uint8_t(r.first));
        w.PutBytes("\0\0\0", 3);
        w.PutI32(r.second);
    }
    PutIndex(w, {Ix(0, 1), Ix(1, 2), Ix(-1, -1)});
    EXPECT_EQ(kxtest::ReadAll(dir.file("t.pos")), Image(w));

    CPOS back;
    ASSERT_TRUE(back.Load(dir.file("t.pos").c_str()));
    EXPECT_EQ(back.GetPOSFreq(1, 12), 5);
    std::vector<POS_elem> all(1);
    EXPECT_EQ(back.GetAllItem(all, {0}), 3);  // appended after the existing element
    EXPECT_EQ(all[1].handle, 1);
    EXPECT_EQ(all[2].POS_id, 30);
}

TEST(POSTest, LoadChecks) {
    CPOS pos;
    ASSERT_TRUE(LoadString(pos, PosFile(2, {{7, 3}, {9, 4}}, {Ix(0, 2), Ix(-1, 5)})));
    EXPECT_EQ(pos.GetPOSFreq(0, 9), 4);
    EXPECT_EQ(pos.GetPOS(1), 255);
    const std::vector<std::string> bad = {
        PosFile(2, {{7, 3}, {9, 4}}, {Ix(1, 2)}),   // start + count > size
        PosFile(2, {{7, 3}, {9, 4}}, {Ix(0, 0)}),   // empty count
        PosFile(2, {{7, 3}, {9, 4}}, {Ix(-2, 1)}),
        PosFile(2, {{7, 3}}, {Ix(0, 1)}),           // short
        PosFile(-1, {}, {}),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(LoadString(pos, bad[i])) << i;
        EXPECT_EQ(pos.GetPOSFreq(0, 9), 4) << i;
    }
    EXPECT_FALSE(pos.Load(KX_SCRATCH_DIR));
}
