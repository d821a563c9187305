#include "CodeTrans/CodeDetect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Utility/ByteIO.h"
#include "common/TestUtil.h"

namespace {

// Builds small automata by hand: every state gets its own block of 256 cells, free cells are
// {0, -1, 0, neutral} so that none poses as a child of the root.
class CellBuilder {
public:
    CellBuilder() { m_cells.push_back({0, -1, 0, CODETRANS_NEUTRAL_SCORE}); }

    // Adds the byte path from the root; the last cell gets `score`, new inner cells stay neutral.
    int Add(const std::string& path, int32_t score) {
        int state = 0;
        for (unsigned char ch : path) {
            if (m_cells[state].m_iBase == 0) {
                m_cells[state].m_iBase = int32_t(m_cells.size());
                m_cells.resize(m_cells.size() + 256, {0, -1, 0, CODETRANS_NEUTRAL_SCORE});
            }
            const int next = m_cells[state].m_iBase + ch;
            m_cells[next].m_iCheck = state;
            state = next;
        }
        m_cells[state].m_iScore = score;
        return state;
    }
    std::vector<_stTrieElem_>& Cells() { return m_cells; }

private:
    std::vector<_stTrieElem_> m_cells;
};

std::vector<unsigned char> ModelBytes(const std::vector<_stTrieElem_>& cells, int32_t count) {
    CByteWriter w;
    for (int i = 0; i < 2 * CODETRANS_MAP_SIZE; ++i) w.PutU16(uint16_t(i < CODETRANS_MAP_SIZE ? 0x4E00 + i : 0x5000 + i));
    w.PutI32(count);
    for (const auto& c : cells) {
        w.PutI32(c.m_iBase);
        w.PutI32(c.m_iCheck);
        w.PutI32(c.m_iFail);
        w.PutI32(c.m_iScore);
    }
    return w.Bytes();
}

int Load(const std::vector<_stTrieElem_>& cells) {
    const auto bytes = ModelBytes(cells, int32_t(cells.size()));
    return CodeTrans_LoadModel(bytes.data(), bytes.size());
}

int Detect(const std::string& s) { return CodeTrans_CodeDetect(s.data(), int(s.size())); }

std::string ToAnsi(int code, const std::string& in) {
    std::vector<char> out(in.size() + 1, '#');
    int len = -1;
    const int r = CodeTrans_ToAnsi(code, in.data(), int(in.size()), out.data(), len);
    EXPECT_EQ(r, len);
    EXPECT_EQ(out[size_t(len)], '\0');
    return std::string(out.data(), size_t(len));
}

class CodeDetectTest : public ::testing::Test {
protected:
    void SetUp() override { CodeTrans_Destroy(); }
    void TearDown() override { CodeTrans_Destroy(); }
};

}  // namespace

TEST_F(CodeDetectTest, ModelFileSizesAndCounts) {
    kxtest::TempDir dir;
    const std::string path = dir.file("CodeTrans.model");
    EXPECT_EQ(CodeTrans_Initialize(path.c_str()), -1);  // missing
    EXPECT_EQ(CodeTrans_Initialize(nullptr), -1);

    auto bytes = ModelBytes({}, 0);
    ASSERT_EQ(bytes.size(), CODETRANS_HEADER_BYTES);
    auto tryLoad = [&](size_t size) {
        kxtest::WriteAll(path, std::string(bytes.begin(), bytes.begin() + long(size)));
        return CodeTrans_Initialize(path.c_str());
    };
    EXPECT_EQ(tryLoad(49151), -1);
    EXPECT_EQ(tryLoad(98303), -2);
    EXPECT_EQ(tryLoad(98307), -3);
    EXPECT_EQ(tryLoad(98308), 0);
    // N = 0: no root, so ASCII is GBK and anything with a high byte is unknown.
    EXPECT_EQ(Detect("plain"), 2);
    EXPECT_EQ(Detect("\xB0\xA1"), 0);

    // Negative or oversized counts are refused before any allocation; truncated cells too.
    for (int32_t n : {-1, INT32_MIN, 0x7FFFFFFF, 2}) {
        bytes = ModelBytes({{0, -1, 0, CODETRANS_NEUTRAL_SCORE}}, n);
        kxtest::WriteAll(path, std::string(bytes.begin(), bytes.end()));
        EXPECT_EQ(CodeTrans_Initialize(path.c_str()), -4) << n;
    }
    // A failed load leaves no model behind: high bytes now detect as unknown again.
    CellBuilder b;
    b.Add("\xB0", CodeTrans_PackScore(1, 0, 0, 0));
    ASSERT_EQ(Load(b.Cells()), 0);
    EXPECT_EQ(Detect("\xB0\xA1"), 2);
    EXPECT_EQ(CodeTrans_LoadModel(bytes.data(), bytes.size()), -4);
    EXPECT_EQ(Detect("\xB0\xA1"), 0);

    // Save and load mirror each other; loading twice replaces the model (no leak under ASan).
    ASSERT_TRUE(CodeTrans_SaveModel(path.c_str(), std::vector<uint16_t>(CODETRANS_MAP_SIZE, 1).data(),
                                    std::vector<uint16_t>(CODETRANS_MAP_SIZE, 2).data(), b.Cells()));
    std::vector<unsigned char> saved;
    ASSERT_TRUE(ReadFileBytes(path.c_str(), saved));
    EXPECT_EQ(saved.size(), CODETRANS_HEADER_BYTES + 16 * b.Cells().size());
    EXPECT_EQ(GetLE16(&saved[0]), 1);
    EXPECT_EQ(GetLE16(&saved[49152]), 2);
    EXPECT_EQ(int32_t(GetLE32(&saved[98304])), int32_t(b.Cells().size()));
    EXPECT_EQ(CodeTrans_Initialize(path.c_str()), 0);
    EXPECT_EQ(CodeTrans_Initialize(path.c_str()), 0);
    EXPECT_EQ(Detect("\xB0\xA1"), 2);
    const std::vector<uint16_t> zeros(CODETRANS_MAP_SIZE);
    EXPECT_FALSE(CodeTrans_SaveModel(dir.file("no/dir/x").c_str(), zeros.data(), zeros.data(), b.Cells()));
    EXPECT_FALSE(CodeTrans_SaveModel(path.c_str(), nullptr, zeros.data(), b.Cells()));
}

TEST_F(CodeDetectTest, ScoresAndTieRules) {
    CellBuilder b;
    b.Add("\xEF\xBB\xBF", CodeTrans_PackScore(0, 0, 0, 0, 1));   // decisive UTF-8 mark
    b.Add("!", CodeTrans_PackScore(0, 0, 0, 0, 5));              // decisive 5
    b.Add("\xA0", CodeTrans_PackScore(1, 0, 0, 1));              // GBK and UTF-8 alike
    b.Add("\xA1", CodeTrans_PackScore(0, 2, 0, 0));              // BIG5
    b.Add("\xA2", CodeTrans_PackScore(0, 0, 0, 10));             // UTF-8, top digit
    b.Add("\xA3", CodeTrans_PackScore(0, 0, 1, 0));              // Unicode
    b.Add("\xA4", CodeTrans_PackScore(0, -1, 0, 0));             // non-Unicode cell
    b.Add("\xA5", CODETRANS_NEUTRAL_SCORE);
    ASSERT_EQ(Load(b.Cells()), 0);

    EXPECT_EQ(Detect(""), 2);
    EXPECT_EQ(CodeTrans_CodeDetect(nullptr, 5), 2);
    EXPECT_EQ(Detect("ascii only"), 2);
    EXPECT_EQ(Detect("\xEF\xBB\xBF!"), 1);  // the first decisive cell ends the scan
    EXPECT_EQ(Detect("a!\xEF\xBB\xBF"), 5);
    EXPECT_EQ(Detect("\xA0\xA0"), 2);       // equal GBK and UTF-8 scores stay GBK
    EXPECT_EQ(Detect("\xA1"), 3);
    EXPECT_EQ(Detect("\xA2"), 1);
    // UTF-8 must also have enough hits: 1 hit is not more than 7 high bytes / 6.
    EXPECT_EQ(Detect("\xA2\xA5\xA5\xA5\xA5\xA5\xA5"), 0);
    EXPECT_EQ(Detect("\xA3"), 8);            // (1 + 9) / (0 + 1) = 10
    EXPECT_EQ(Detect("\xA3\xA4"), 0);        // (1 + 9) / (1 + 1) = 5: Unicode loses, nothing else wins
    EXPECT_EQ(Detect("\xA5\xA5"), 0);        // neutral cells only
    EXPECT_EQ(ToAnsi(0, "\xA5\xA5"), "");
    EXPECT_EQ(ToAnsi(0, "\xA1\x40"), "\xA1\x40");  // BIG5 passes as GBK
}

TEST_F(CodeDetectTest, HostileCellsTerminate) {
    // Root base far out of range (both signs), then a child whose fail link and base are wild.
    for (int32_t base : {-300, 1 << 30, INT32_MAX, INT32_MIN}) {
        std::vector<_stTrieElem_> cells{{base, -1, 0, CODETRANS_NEUTRAL_SCORE}};
        ASSERT_EQ(Load(cells), 0);
        EXPECT_EQ(Detect("\xB0\xA1 text"), 0);
        EXPECT_EQ(Detect("text"), 2);
    }
    for (int32_t fail : {-7, 99999, INT32_MIN, INT32_MAX}) {
        CellBuilder b;
        const int s = b.Add("\xB0", CodeTrans_PackScore(1, 0, 0, 0));
        b.Cells()[s].m_iFail = fail;
        b.Cells()[s].m_iBase = INT32_MAX;
        ASSERT_EQ(Load(b.Cells()), 0);
        EXPECT_EQ(Detect("\xB0\xB0\xB0"), 2);
    }
    // A fail cycle between two inner states ends at the root.
    CellBuilder b;
    const int x = b.Add("\xC1", CODETRANS_NEUTRAL_SCORE);
    const int y = b.Add("\xC1\xC2", CODETRANS_NEUTRAL_SCORE);
    b.Cells()[x].m_iFail = y;
    b.Cells()[y].m_iFail = x;
    ASSERT_EQ(Load(b.Cells()), 0);
    EXPECT_EQ(Detect("\xC1\xC2\xC3\xC1\xC5"), 0);
}

TEST_F(CodeDetectTest, NoModelLoaded) {
    EXPECT_EQ(Detect("abc"), 2);
    EXPECT_EQ(ToAnsi(0, "abc"), "abc");
    EXPECT_EQ(ToAnsi(0, "\xB0\xA1"), "");
    char out[8];
    int len = sizeof out;
    EXPECT_EQ(GBKBig5_ToUnicode(2, "\xB0\xA1" "a", 3, out, len), 4);
    EXPECT_EQ(std::string(out, 4), std::string("\0\0a\0", 4));
}

TEST_F(CodeDetectTest, GbkBig5Decoder) {
    ASSERT_EQ(Load({}), 0);  // maps only: GBK 0x4E00 + index, BIG5 0x5000 + 24576 + index
    char out[16];
    int len = sizeof out;
    // 啊 = B0 A1: index (0xA1 - 0x40) * 128 + 0x30 = 12464; a trail below 0x40 takes row 0.
    EXPECT_EQ(GBKBig5_ToUnicode(2, "\xB0\xA1" "a\x81\x20", 5, out, len), 6);
    EXPECT_EQ(len, 6);
    EXPECT_EQ(GetLE16((unsigned char*)out), 0x4E00 + 12464);
    EXPECT_EQ(GetLE16((unsigned char*)out + 2), 'a');
    EXPECT_EQ(GetLE16((unsigned char*)out + 4), 0x4E00 + 1);
    len = sizeof out;
    EXPECT_EQ(GBKBig5_ToUnicode(3, "\xB0\xA1", 2, out, len), 2);
    EXPECT_EQ(GetLE16((unsigned char*)out), 0x5000 + 24576 + 12464);
    len = sizeof out;
    EXPECT_EQ(GBKBig5_ToUnicode(7, "\xB0\xA1", 2, out, len), 2);
    EXPECT_EQ(GetLE16((unsigned char*)out), 0);

    // A lead byte at the end gives FF FE and is counted.
    len = sizeof out;
    EXPECT_EQ(GBKBig5_ToUnicode(2, "a\xB0", 2, out, len), 4);
    EXPECT_EQ(std::string(out + 2, 2), "\xFF\xFE");
    EXPECT_EQ(CodeTrans_iTransErrCnt, 1u);

    // Whole units within the capacity only; capacity 0 or 1 writes nothing.
    for (int cap : {0, 1}) {
        len = cap;
        out[0] = '#';
        EXPECT_EQ(GBKBig5_ToUnicode(2, "ab", 2, out, len), 0);
        EXPECT_EQ(out[0], '#');
    }
    len = 3;
    EXPECT_EQ(GBKBig5_ToUnicode(2, "abc", 3, out, len), 2);
    len = 8;
    EXPECT_EQ(GBKBig5_ToUnicode(2, nullptr, 3, out, len), 0);
    len = 8;
    EXPECT_EQ(GBKBig5_ToUnicode(2, "a", -1, out, len), 0);
}

TEST_F(CodeDetectTest, ToAnsiStaysInsideItsBuffer) {
    EXPECT_EQ(ToAnsi(1, "\xEF\xBB\xBF" "a\xE5\x95\x8A\xE2\x84\xA2"), "a\xB0\xA1?");
    EXPECT_EQ(ToAnsi(1, std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(ToAnsi(2, std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(ToAnsi(9, "abc"), "");
    EXPECT_EQ(ToAnsi(1, ""), "");

    // k CJK units into exactly 2k + 1 heap bytes; unmapped -> A1 A1, U+20AC -> 80.
    for (int k : {0, 1, 2, 7}) {
        std::string units;
        for (int i = 0; i < k; ++i) units += i == 1 ? std::string("\x00\xD8", 2) : std::string("\x4A\x55", 2);
        std::unique_ptr<char[]> out(new char[size_t(2 * k + 1)]);
        int len = -1;
        EXPECT_EQ(CodeTrans_ToAnsi(8, units.data(), int(units.size()), out.get(), len), 2 * k);
        std::string expect;
        for (int i = 0; i < k; ++i) expect += i == 1 ? "\xA1\xA1" : "\xB0\xA1";
        EXPECT_EQ(std::string(out.get(), size_t(len)), expect);
        EXPECT_EQ(out[size_t(2 * k)], '\0');
    }
    std::unique_ptr<char[]> out(new char[4]);
    int len = -1;
    EXPECT_EQ(CodeTrans_ToAnsi(8, "\xAC\x20z\0\x01", 5, out.get(), len), 2);  // odd byte ignored
    EXPECT_EQ(std::string(out.get(), 3), std::string("\x80z\0", 3));
}

TEST_F(CodeDetectTest, ToUtf8CutsBetweenCharacters) {
    const std::string gbk = "a\xB0\xA1\xB9\xFA";  // a啊国 -> 1 + 3 + 3 UTF-8 bytes
    char out[16];
    for (int cap = 1; cap <= 9; ++cap) {
        std::memset(out, '#', sizeof out);
        int len = cap;
        const int r = CodeTrans_ToUtf8(2, gbk.data(), int(gbk.size()), out, len);
        const int expect = cap >= 8 ? 7 : cap >= 5 ? 4 : cap >= 2 ? 1 : 0;
        EXPECT_EQ(r, expect) << cap;
        EXPECT_EQ(len, expect);
        EXPECT_EQ(out[expect], '\0');
        EXPECT_EQ(out[cap], '#') << "wrote past the capacity " << cap;
    }
    int len = 0;  // no limit
    EXPECT_EQ(CodeTrans_ToUtf8(2, gbk.data(), 3, out, len), 4);  // only iSourLen bytes read
    EXPECT_STREQ(out, "a\xE5\x95\x8A");

    const std::string utf8 = "\xE5\x95\x8A\xC3\xA9";
    len = 5;
    EXPECT_EQ(CodeTrans_ToUtf8(1, utf8.data(), int(utf8.size()), out, len), 3);
    EXPECT_STREQ(out, "\xE5\x95\x8A");

    // Code 8: 16-bit units, bounded by the capacity as well.
    const std::string units("\x4A\x55" "A\0\xE9\x00" "\x00", 7);
    len = 0;
    EXPECT_EQ(CodeTrans_ToUtf8(8, units.data(), int(units.size()), out, len), 6);
    EXPECT_STREQ(out, "\xE5\x95\x8A" "A\xC3\xA9");
    len = 6;
    EXPECT_EQ(CodeTrans_ToUtf8(8, units.data(), int(units.size()), out, len), 4);
    len = 4;
    EXPECT_EQ(CodeTrans_ToUtf8(5, units.data(), 2, out, len), 0);
    EXPECT_STREQ(out, "");
}

TEST_F(CodeDetectTest, ToUnicodeBounds) {
    alignas(4) char out[32];
    std::memset(out, '#', sizeof out);
    int len = 12;  // room for two 32-bit units and the zero unit
    EXPECT_EQ(CodeTrans_ToUnicode(1, "a\xC3\xA9z", 4, out, len), 8);
    EXPECT_EQ(len, 12);  // left as it was
    wchar_t w[3];
    std::memcpy(w, out, sizeof w);
    EXPECT_EQ(w[0], L'a');
    EXPECT_EQ(w[1], wchar_t(0xE9));
    EXPECT_EQ(w[2], 0);
    EXPECT_EQ(out[12], '#');
    len = 3;
    EXPECT_EQ(CodeTrans_ToUnicode(1, "abc", 3, out, len), 0);

    len = 4;
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(CodeTrans_ToUnicode(8, "abcdef", 6, out, len), 3);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(std::string(out, 5), std::string("abc\0#", 5));
    len = 0;
    EXPECT_EQ(CodeTrans_ToUnicode(8, "abcdef", 6, out, len), 0);
    len = 8;
    EXPECT_EQ(CodeTrans_ToUnicode(2, nullptr, 6, out, len), 0);
    EXPECT_EQ(len, 0);
    len = 8;
    EXPECT_EQ(CodeTrans_ToUnicode(4, "ab", 2, out, len), 0);
    EXPECT_EQ(len, 0);
}


// Detection keeps working on the model it started with while another thread reloads and unloads it.
TEST(CodeDetectThreadTest, DetectWhileReloading) {
    CellBuilder b;
    b.Add("\xB0", CodeTrans_PackScore(1, 0, 0, 0));
    const auto bytes = ModelBytes(b.Cells(), int32_t(b.Cells().size()));
    ASSERT_EQ(CodeTrans_LoadModel(bytes.data(), bytes.size()), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                const int r = Detect("x\xB0\xA1");
                if (r != 2 && r != 0) ++bad;  // 0 only while unloaded
                if (Detect("plain") != 2) ++bad;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        CodeTrans_LoadModel(bytes.data(), bytes.size());
        if (i % 10 == 0) CodeTrans_Destroy();
    }
    stop = true;
    for (auto& th : readers) th.join();
    EXPECT_EQ(bad, 0);
    CodeTrans_Destroy();
}
