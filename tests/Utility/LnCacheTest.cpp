// The ln cache answers exactly std::log, whether an argument hits, misses or evicts another.
#include "Utility/LnCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

uint64_t Bits(double x) {
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

TEST(LnCacheTest, EveryAnswerHasTheBitsOfStdLog) {
    const unsigned seed = 20261209;
    std::mt19937_64 rng(seed);
    // A small cache, so that recurring arguments both hit and evict each other.
    CLnCache cache(4);
    std::vector<double> pool;
    for (int k = 0; k < 40; ++k) pool.push_back(std::ldexp(double(rng() >> 11), -int(rng() % 80)));
    pool.push_back(1.0);
    pool.push_back(0.0);
    pool.push_back(-0.0);
    pool.push_back(-0.98);
    pool.push_back(std::numeric_limits<double>::infinity());
    pool.push_back(std::numeric_limits<double>::denorm_min());
    for (int k = 0; k < 20000; ++k) {
        double x = pool[size_t(rng() % pool.size())];
        ASSERT_EQ(Bits(cache.Log(x)), Bits(std::log(x))) << "seed " << seed << " step " << k << " x " << x;
    }
    // NaN in, NaN out; a NaN argument never matches a number's entry.
    EXPECT_TRUE(std::isnan(cache.Log(std::nan(""))));
    EXPECT_EQ(cache.Log(1.0), 0.0);
}

TEST(LnCacheTest, SizesOutsideTheRangeAreClamped) {
    CLnCache none(0), huge(99);
    EXPECT_EQ(Bits(none.Log(3.5)), Bits(std::log(3.5)));
    EXPECT_EQ(Bits(none.Log(7.25)), Bits(std::log(7.25)));
    EXPECT_EQ(Bits(huge.Log(3.5)), Bits(std::log(3.5)));
}

}  // namespace
