#include "Utility/SearchFunc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

TEST(SearchFuncTest, EveryBinarySearchMissesOnAnEmptyTable) {
    std::vector<double> vd;
    std::vector<tstring> vs;
    EXPECT_EQ(BinarySearch(1, nullptr, 0), -1);
    int one[] = {1};
    EXPECT_EQ(BinarySearch(1, one, 0), -1);
    EXPECT_EQ(BinarySearch(1.0, vd), -1);
    EXPECT_EQ(BinarySearch("a", static_cast<const char**>(nullptr), 0), -1);
    EXPECT_EQ(BinarySearch("a", vs), -1);
    EXPECT_EQ(BinaryPrefixSearch("a", 1, nullptr, 0, 0), -1);
    long rule = 7;
    EXPECT_EQ(MaxMatching("abc", nullptr, 0, &rule), 0u);
    EXPECT_EQ(rule, -1);
}

TEST(SearchFuncTest, BinarySearchesAgainstLinearReference) {
    const unsigned seed = 1234;
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; ++round) {
        std::vector<int> table(rng() % 12);
        for (int& v : table) v = int(rng() % 20);
        std::sort(table.begin(), table.end());
        std::vector<double> dtable(table.begin(), table.end());
        for (int key = -1; key <= 21; ++key) {
            bool present = std::binary_search(table.begin(), table.end(), key);
            int got = BinarySearch(key, table.data(), int(table.size()));
            if (present) {
                ASSERT_GE(got, 0) << "seed " << seed << " round " << round;
                ASSERT_EQ(table[got], key);
            } else {
                ASSERT_EQ(got, -1) << "seed " << seed << " round " << round;
            }
            int dgot = BinarySearch(double(key), dtable);
            ASSERT_EQ(dgot >= 0, present);
        }
    }
}

TEST(SearchFuncTest, StringSearchesIgnoreCase) {
    const char* table[] = {"abc", "Def", "ghi"};
    EXPECT_EQ(BinarySearch("ABC", table, 3), 0);
    EXPECT_EQ(BinarySearch("def", table, 3), 1);
    EXPECT_EQ(BinarySearch("GHI", table, 3), 2);
    EXPECT_EQ(BinarySearch("zzz", table, 3), -1);
    EXPECT_EQ(BinarySearch("", table, 3), -1);
    std::vector<tstring> v{"abc", "Def", "ghi"};
    EXPECT_EQ(BinarySearch("ABC", v), 0);
    EXPECT_EQ(BinarySearch("GhI", v), 2);
}

TEST(SearchFuncTest, PrefixSearchAtBothEndsOfTheTable) {
    const char* list[] = {"ab", "abc", "abd", "b", "bcd"};
    EXPECT_EQ(BinaryPrefixSearch("ab", 2, list, 0, 4), 0);
    EXPECT_EQ(BinaryPrefixSearch("abd", 3, list, 0, 4), 2);
    // Below the first entry: the old unsigned bounds wrapped here and read outside the table.
    EXPECT_EQ(BinaryPrefixSearch("aa", 2, list, 0, 4), -1);
    EXPECT_EQ(BinaryPrefixSearch("A", 1, list, 0, 4), -1);  // case-sensitive
    EXPECT_EQ(BinaryPrefixSearch("zz", 2, list, 0, 4), -1);
    EXPECT_EQ(BinaryPrefixSearch("bc", 2, list, 0, 4), 4);
    EXPECT_EQ(BinaryPrefixSearch("b", 1, list, 0, 4), 3);  // shortest of b, bcd
    // The neighbour scan stays inside [start, end].
    EXPECT_EQ(BinaryPrefixSearch("a", 1, list, 1, 2), 1);  // ab lies outside the range
    EXPECT_EQ(BinaryPrefixSearch("ab", 2, list, 3, 2), -1);
    EXPECT_EQ(BinaryPrefixSearch("ab", 2, list, 0, 0), 0);
    // Ties on length keep the first found, looking downwards first.
    const char* ties[] = {"xa", "xb", "xc"};
    EXPECT_EQ(BinaryPrefixSearch("x", 1, ties, 0, 2), 1);
}

TEST(SearchFuncTest, MaxMatchingTakesTheLongestListedPrefix) {
    const char* list[] = {"a", "ab", "abcd", "b"};
    long rule = 0;
    EXPECT_EQ(MaxMatching("abcde", list, 4, &rule), 4u);
    EXPECT_EQ(rule, 2);
    EXPECT_EQ(MaxMatching("abx", list, 4, &rule), 2u);
    EXPECT_EQ(rule, 1);
    EXPECT_EQ(MaxMatching("zz", list, 4, &rule), 0u);
    EXPECT_EQ(rule, -1);
    EXPECT_EQ(MaxMatching("abc", list, 4, nullptr), 2u);
}

TEST(SearchFuncTest, SmallSearches) {
    std::vector<int> v{1, 3, 5, 7};
    EXPECT_EQ(LocateIndex(5, v), 2);
    EXPECT_EQ(LocateIndex(4, v), 2);
    EXPECT_EQ(LocateIndex(0, v), 0);
    EXPECT_EQ(LocateIndex(9, v), -1);
    std::vector<int> none;
    EXPECT_EQ(LocateIndex(1, none), -1);
    EXPECT_EQ(GetMaxIndex({1.f, 3.f, 2.f, 3.f}), 1);
    EXPECT_EQ(GetMaxIndex({}), -1);
    EXPECT_EQ(GetMaxIndex({-5.f, -2.f}), 1);
}

TEST(SearchFuncTest, IntersectionAppendsAndNotRemovesDuplicates) {
    std::vector<int> a{1, 4, 7}, b{2, 5, 9}, out{100};
    EXPECT_EQ(Intersection(a, b, 1, out), 3);
    EXPECT_EQ(out, std::vector<int>({100, 1, 4}));
    // Element + distance is computed without overflow.
    std::vector<int> big{INT32_MAX}, small{INT32_MIN};
    std::vector<int> none;
    EXPECT_EQ(Intersection(big, small, 1, none), 0);

    std::vector<int> A{1, 2, 2, 3, 5, 5, 8}, B{2, 5, 6};
    EXPECT_TRUE(Not(A, B));
    EXPECT_EQ(A, std::vector<int>({1, 3, 8}));
    EXPECT_FALSE(Not(A, B));
    std::vector<int> empty;
    EXPECT_FALSE(Not(empty, B));
}

TEST(SearchFuncTest, TypedCellsRoundTripAndCompare) {
    double cell, cell2;
    char text[400];
    str2filter_data("\"42", &cell, 2);
    EXPECT_STREQ(filter_data2str(&cell, text, 2), "42");
    str2filter_data("-9000000000", &cell, 3);
    EXPECT_STREQ(filter_data2str(&cell, text, 3), "-9000000000");
    str2filter_data("2.5", &cell, 5);
    EXPECT_STREQ(filter_data2str(&cell, text, 5), "2.500000");
    str2filter_data("1e308", &cell, 7);
    filter_data2str(&cell, text, 7);
    EXPECT_GT(strlen(text), 300u);  // needs the 400-byte buffer
    str2filter_data("2024-01-02 03:04:05", &cell, 4);
    EXPECT_STREQ(filter_data2str(&cell, text, 4), "2024/01/02 03:04:05");
    str2filter_data("", &cell, 7);
    EXPECT_EQ(cell, 0.0);

    str2filter_data("10", &cell, 3);
    str2filter_data("9", &cell2, 3);
    EXPECT_EQ(filter_data_cmp(&cell, &cell2, 3), 1);
    EXPECT_EQ(filter_data_cmp(&cell2, &cell, 3), -1);
    EXPECT_EQ(filter_data_cmp("10", "9", 2), 1);
    EXPECT_EQ(filter_data_cmp("1.5", "1.50", 7), 0);
    EXPECT_EQ(filter_data_cmp("10", "9", 1), -1);  // compared as text
    // Times (type 4) compare as text in the text form.
    EXPECT_EQ(filter_data_cmp("2024-1-10", "2024-1-9", 4), -1);

    double list[3];
    str2filter_data("1", &list[0], 2);
    str2filter_data("2", &list[1], 2);
    str2filter_data("3", &list[2], 2);
    str2filter_data("2", &cell, 2);
    EXPECT_TRUE(IsExists(&cell, list, 3, 2, 0));
    str2filter_data("4", &cell, 2);
    EXPECT_FALSE(IsExists(&cell, list, 3, 2, 0));
}

TEST(SearchFuncTest, SortByNumberAndShortStrings) {
    std::vector<tstring> lines{"id=30", "id=4", "i", "id=10", ""};
    SortByNumber(lines, "id=");
    ASSERT_EQ(lines.size(), 5u);
    // The short strings count as 0; their order among themselves may change.
    std::vector<tstring> head(lines.begin(), lines.begin() + 2);
    std::sort(head.begin(), head.end());
    EXPECT_EQ(head, std::vector<tstring>({"", "i"}));
    EXPECT_EQ(lines[2], "id=4");
    EXPECT_EQ(lines[3], "id=10");
    EXPECT_EQ(lines[4], "id=30");
}

TEST(SearchFuncTest, BalanceAndMergeSelection) {
    EXPECT_TRUE(IsBalancedValue(10, 100));   // 100 / 10 = 10, inclusive
    EXPECT_TRUE(IsBalancedValue(1000, 100));  // 10 * 100, inclusive
    EXPECT_FALSE(IsBalancedValue(9, 100));
    EXPECT_FALSE(IsBalancedValue(1001, 100));
    EXPECT_TRUE(IsBalancedValue(0, 9));  // 9 / 10 = 0

    int n = 5;
    std::vector<unsigned long> one{1};
    EXPECT_EQ(MergeSelect(one, n, false), -1);
    EXPECT_EQ(n, 0);
    const unsigned long big = 0x40000000;
    std::vector<unsigned long> v{big, 1, 2, 3, big - 1, 5};
    EXPECT_EQ(MergeSelect(v, n, false), 1);  // 1, 2, 3; big alone stops every run
    EXPECT_EQ(n, 3);
    // Strict limits: a sum of exactly 0x40000000 is refused.
    std::vector<unsigned long> edge{big / 2, big / 2, 1};
    EXPECT_EQ(MergeSelect(edge, n, false), 1);
    EXPECT_EQ(n, 2);
    // Balanced mode: a large value joins only when balanced against the sum or the smallest value.
    const unsigned long large = 0x1400000;
    std::vector<unsigned long> bal{10, large, 30, 40};
    EXPECT_EQ(MergeSelect(bal, n, true), 1);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(MergeSelect(bal, n, false), 0);
    EXPECT_EQ(n, 4);
    std::vector<unsigned long> balanced{large / 4, large, 30};  // large vs smallest: within 10x
    EXPECT_EQ(MergeSelect(balanced, n, true), 0);
    EXPECT_EQ(n, 3);
}
