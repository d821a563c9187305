#include "Utility/HashFunc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// References written from the definitions, in wide arithmetic with explicit masks.
uint64_t RefPelmo(const std::string& s) {
    if (s.empty()) return 0;
    const size_t len = s.size();
    uint64_t h = len <= 256 ? (uint64_t(len) - 1) * 16777216u : 0xFF000000u;
    const std::string taken = len < 97 ? s : s.substr(len - 96);
    for (size_t k = 0; k < taken.size(); ++k) {
        uint64_t c = static_cast<unsigned char>(taken[k]);
        if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
        const uint64_t i = k + 1;
        h += (3 * c * c * i + 5 * c * i + 7 * i + 11 * c) % 16777216u;
    }
    return h;
}

uint32_t RefElf(const std::string& s) {
    int64_t h = 0;
    for (char ch : s) {
        h = (h * 16 + static_cast<signed char>(ch)) & 0xFFFFFFFFll;
        const int64_t g = h & 0xF0000000ll;
        if (g) {
            h ^= g >> 24;
            h &= ~g;
        }
    }
    return static_cast<uint32_t>(h);
}

uint32_t RefHfIp(const std::string& s) {
    unsigned char lane[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < s.size(); ++i) lane[i % 4] ^= static_cast<unsigned char>(s[i]);
    return lane[0] | (uint32_t(lane[1]) << 8) | (uint32_t(lane[2]) << 16) | (uint32_t(lane[3]) << 24);
}

uint64_t RefStrhash(const std::string& s) {
    uint64_t h = 0;
    for (char ch : s) h = h * 31 + static_cast<unsigned char>(ch);
    return h;
}

uint32_t RefHf(const std::string& s) {
    int64_t sum = 0;
    for (size_t i = 0; i < s.size(); ++i) sum += 3ll * static_cast<signed char>(s[i]) * int64_t(i + 1);
    int64_t wrapped = sum % 4294967296ll;
    if (wrapped < 0) wrapped += 4294967296ll;
    if (wrapped >= 2147483648ll) wrapped -= 4294967296ll;
    return static_cast<uint32_t>(wrapped < 0 ? -wrapped : wrapped);
}

}  // namespace

TEST(HashFuncTest, KnownValues) {
    EXPECT_EQ(Pelmohash(""), 0u);
    EXPECT_EQ(Pelmohash(nullptr), 0u);
    EXPECT_EQ(Pelmohash("A"), 29786u);
    EXPECT_EQ(Pelmohash("a"), 29786u);
    EXPECT_EQ(Pelmohash("abc"), 33734718u);
    EXPECT_EQ(HfIp("abc"), 0x00636261u);
    EXPECT_EQ(_hf("abc"), 1770u);
    EXPECT_EQ(Strhash("abc"), 96354u);
    EXPECT_EQ(ELFhash(""), 0u);
    EXPECT_EQ(UrlHash("abc"), ELFhash("abc"));
}

TEST(HashFuncTest, PelmohashStartValueAndTail) {
    const std::string s200(200, 'q');
    const std::string s300(300, 'q');
    EXPECT_EQ(Pelmohash(s200.c_str()), RefPelmo(s200));
    // From 97 bytes on the same last 96 bytes give the same terms, so only the start differs:
    // (len - 1) << 24 up to 256 bytes, 0xFF000000 from there on.
    const std::string s199(199, 'q');
    EXPECT_EQ(Pelmohash(s200.c_str()) - Pelmohash(s199.c_str()), uint64_t(1) << 24);
    EXPECT_EQ(Pelmohash(std::string(256, 'q').c_str()), Pelmohash(std::string(257, 'q').c_str()));
    EXPECT_EQ(Pelmohash(s300.c_str()) - Pelmohash(s200.c_str()), 0xFF000000u - (uint64_t(199) << 24));
    EXPECT_EQ(Pelmohash(s300.c_str()), RefPelmo(s300));
    // From 256 bytes on the start is 0xFF000000 and only the last 96 bytes count.
    const std::string other = std::string(160, 'z') + s300.substr(204);
    EXPECT_EQ(Pelmohash(s300.c_str()), Pelmohash(other.c_str()));
    // Below 97 bytes every byte counts.
    EXPECT_NE(Pelmohash(("x" + std::string(95, 'q')).c_str()), Pelmohash(("y" + std::string(95, 'q')).c_str()));
}

TEST(HashFuncTest, HfWrapsAtThirtyTwoBits) {
    const std::string b0(5000, '\xB0');
    EXPECT_EQ(_hf(b0.c_str()), 1294367296u);
    EXPECT_EQ(_hf(b0.c_str()), RefHf(b0));
}

TEST(HashFuncTest, HashesAgainstReferenceOnRandomBytes) {
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    for (int round = 0; round < 2000; ++round) {
        std::string s(rng() % 400, ' ');
        for (char& c : s) c = static_cast<char>(1 + rng() % 255);  // no NUL; half the bytes >= 0x80
        SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
        ASSERT_EQ(ELFhash(s.c_str()), RefElf(s));
        ASSERT_EQ(UrlHash(s.c_str()), RefElf(s));
        ASSERT_EQ(HfIp(s.c_str()), RefHfIp(s));
        ASSERT_EQ(Strhash(s.c_str()), RefStrhash(s));
        ASSERT_EQ(_hf(s.c_str()), RefHf(s));
        ASSERT_EQ(Pelmohash(s.c_str()), RefPelmo(s));
    }
}

TEST(HashFuncTest, IntPackingBytesAndRoundTrips) {
    unsigned char buf[4];
    ASSERT_EQ(int_compress(63, buf), 1);
    EXPECT_EQ(buf[0], 0x3F);
    ASSERT_EQ(int_compress(64, buf), 2);
    EXPECT_EQ(buf[0], 0x40);
    EXPECT_EQ(buf[1], 0x40);
    ASSERT_EQ(int_compress(0x3FFFFFFF, buf), 4);
    EXPECT_EQ(buf[0], 0xFF);
    EXPECT_EQ(int_compress(-1, buf), 0);
    EXPECT_EQ(int_compress(0x40000000, buf), 0);

    const struct {
        int value;
        int bytes;
    } cases[] = {{0, 1}, {63, 1}, {64, 2}, {16383, 2}, {16384, 3}, {0x3FFFFF, 3}, {0x400000, 4}, {0x3FFFFFFF, 4}};
    for (const auto& c : cases) {
        unsigned char b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        ASSERT_EQ(int_compress(c.value, b), c.bytes) << c.value;
        for (int k = c.bytes; k < 4; ++k) EXPECT_EQ(b[k], 0xAA) << "wrote past its length: " << c.value;
        int back = -7;
        ASSERT_EQ(int_uncompress(b, &back), c.bytes) << c.value;
        EXPECT_EQ(back, c.value);
    }

    // A stream of packed values reads back in order.
    const unsigned seed = 77;
    std::mt19937 rng(seed);
    std::vector<int> values(500);
    std::vector<unsigned char> stream;
    for (int& v : values) {
        v = static_cast<int>(rng() % 0x40000000u) >> (rng() % 30);
        unsigned char b[4];
        const int n = int_compress(v, b);
        ASSERT_GT(n, 0);
        stream.insert(stream.end(), b, b + n);
    }
    size_t pos = 0;
    for (int v : values) {
        int back = -1;
        pos += static_cast<size_t>(int_uncompress(stream.data() + pos, &back));
        ASSERT_EQ(back, v) << "seed " << seed;
    }
    EXPECT_EQ(pos, stream.size());
}

TEST(HashFuncTest, ComputeSimRules) {
    EXPECT_DOUBLE_EQ(ComputeSim(nullptr, nullptr), 1.0);
    EXPECT_DOUBLE_EQ(ComputeSim("", ""), 1.0);
    EXPECT_DOUBLE_EQ(ComputeSim("", "abc"), 0.5);
    EXPECT_DOUBLE_EQ(ComputeSim(nullptr, "abc"), 0.5);
    EXPECT_DOUBLE_EQ(ComputeSim("abc", ""), 0.0);
    EXPECT_DOUBLE_EQ(ComputeSim("abc", nullptr), 0.0);
    EXPECT_DOUBLE_EQ(ComputeSim("Hello", "hELLO"), 1.0);
    EXPECT_DOUBLE_EQ(ComputeSim("abc", "abc"), 1.0);
    // Containment is case-sensitive and gives the length ratio.
    EXPECT_DOUBLE_EQ(ComputeSim("bc", "abcd"), 0.5);
    // Character walk: "a" scores 1 (found at offset + 1), "b" only before the offset 0.6.
    EXPECT_DOUBLE_EQ(ComputeSim("ab", "ba"), 1.6 * 1.6 / 4);
    // Even at offset 0 a character scores 0.9: it is not at offset + 1.
    EXPECT_DOUBLE_EQ(ComputeSim("ac", "abc"), 1.8 * 1.8 / 6);
    // Two-byte characters count two bytes: 中 found at offset + 2 scores 2, 文 behind scores 1.2.
    EXPECT_DOUBLE_EQ(ComputeSim("\xD6\xD0\xCE\xC4", "\xCE\xC4\xD6\xD0"), 3.2 * 3.2 / 16);  // 中文, 文中
}

TEST(HashFuncTest, ComputeSimLoneLeadByteStaysInsideTheText) {
    // Exact heap blocks so that AddressSanitizer sees any step past the terminator.
    const char a[] = "a\xB0";
    const char b[] = "xyz\xB0";
    std::vector<char> s1(a, a + sizeof(a));
    std::vector<char> s2(b, b + sizeof(b));
    EXPECT_DOUBLE_EQ(ComputeSim(s1.data(), s2.data()), 0.9 * 0.9 / 8);
}

TEST(HashFuncTest, KeywordHashFamilyWrapsAt32Bits) {
    EXPECT_EQ(CHash::Strhash("abc"), 96354u);
    EXPECT_EQ(CHash::Strhash(""), 0u);
    EXPECT_EQ(CHash::Strhash(nullptr), 0u);
    // 64 bytes overflow 32 bits many times over: the result is the 64-bit hash modulo 2^32.
    const std::string longText(64, '\xC4');
    EXPECT_EQ(CHash::Strhash(longText.c_str()), RefStrhash(longText) & 0xFFFFFFFFu);
    EXPECT_LE(CHash::Strhash(longText.c_str()), 0xFFFFFFFFu);

    // 5,000 bytes of 0xB0 sum to -3,000,600,000, which wraps to a positive 32-bit value.
    const std::string b0(5000, '\xB0');
    EXPECT_EQ(CHash::_hf(b0.c_str()), 1294367296u);
    const std::string text200(200, 'Q');
    EXPECT_EQ(CHash::Pelmohash(text200.c_str()), RefPelmo(text200));
    EXPECT_EQ(CHash::ELFhash("\xD5\x5C"), ELFhash("\xD5\x5C"));
    EXPECT_EQ(CHash::HfIp("abcde"), RefHfIp("abcde"));
}
