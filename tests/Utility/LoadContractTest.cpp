// The load contract shared by every binary store: a file is taken only when it is exactly as long
// as its counts announce, and a refused file (too short, or with bytes after its last record)
// leaves the store as it was. Each store gets a small valid image, a different image loaded first,
// and the valid image with one byte cut off and one byte added.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "StoreImage.h"
#include "Utility/Bigram.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"
#include "common/TestUtil.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Ints(std::initializer_list<int32_t> values) {
    CByteWriter w;
    for (int32_t v : values) w.PutI32(v);
    return w.Bytes();
}

// Loads `first`, then checks that `image` loads and that its one-byte-short and one-byte-long
// forms are refused with `first` still answering. seesFirst tells whether the store holds `first`.
void CheckContract(const char* what, const Bytes& first, const Bytes& image,
                   const std::function<bool(const Bytes&)>& load, const std::function<bool()>& seesFirst) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(load(first));
    ASSERT_TRUE(seesFirst());
    Bytes shorter(image.begin(), image.end() - 1), longer = image;
    longer.push_back(0);
    EXPECT_FALSE(load(shorter));
    EXPECT_TRUE(seesFirst());
    EXPECT_FALSE(load(longer));
    EXPECT_TRUE(seesFirst());
    EXPECT_TRUE(load(image));
    EXPECT_FALSE(seesFirst());
}

}  // namespace

TEST(LoadContractTest, EveryStoreRefusesShortAndLongImages) {
    CUnigram uni;
    CheckContract(
        "unigram", Ints({1, 1, 4, 4, 0}), Ints({1, 2, 5, 3, 2, 0}),
        [&](const Bytes& b) { return uni.LoadFromMemory(b.data(), b.size()); },
        [&] { return uni.GetFreq(0) == 4; });

    CBigram bi;
    CheckContract(
        "bigram", Ints({1, 1, 0, 4, 0, 0}), Ints({2, 2, 0, 5, 1, 6, 0, 1, -1, -1}),
        [&](const Bytes& b) { return bi.LoadFromMemory(b.data(), b.size()); },
        [&] { return bi.GetFreq(0, 0) == 4; });

    CPOS pos;
    CheckContract(
        "pos", Ints({1, 1, 3, 4, 0, 1}), Ints({1, 2, 7, 9, 0, 1, -1, -1}),
        [&](const Bytes& b) { return pos.LoadFromMemory(b.data(), b.size()); },
        [&] { return pos.GetPOSFreq(0, 3) == 4; });

    CFSA fsa;  // M inputs, N states, N accepted flags, N tags, N x M next states
    CheckContract(
        "automaton", Ints({1, 1, 0, 0, 0}), Ints({1, 2, 0, 1, 0, 5, 1, -1}),
        [&](const Bytes& b) { return fsa.LoadFromMemory(b.data(), b.size()); },
        [&] { return fsa.GetNext(0, 0) == 0 && fsa.GetNext(1, 0) == -1; });

    CContextStat ctx;  // uint8 N, int32 total, N frequencies, N x N counts
    Bytes ctx1 = Ints({7, 7, 7});
    ctx1.insert(ctx1.begin(), 1);
    Bytes ctx2 = Ints({9, 9, 0, 9, 0, 0, 0});
    ctx2.insert(ctx2.begin(), 2);
    CheckContract(
        "context", ctx1, ctx2, [&](const Bytes& b) { return ctx.LoadFromMemory(b.data(), b.size()); },
        [&] { return ctx.GetTableLen() == 1 && ctx.GetFrequency(tuchar(0)) == 7; });

    CIDMaps maps;  // targets, bound, the targets, bound x (start, end)
    CheckContract(
        "id map", Ints({1, 1, 4, 0, 0}), Ints({2, 1, 5, 6, 0, 1}),
        [&](const Bytes& b) { return maps.Parse(b.data(), b.size()); },
        [&] { return maps.GetMapID(0) == 4; });

    CWordList words(false, nullptr);
    CWordList src(false, nullptr);
    src.AddWord("ab", 0);
    src.AddWord("c", 1);
    src.AddWordComplete();
    Bytes one = Ints({1, 1, 0, 2, 2});
    one.insert(one.end(), {'x', 0});
    CheckContract(
        "word list", one, src.Serialize(), [&](const Bytes& b) { return words.Parse(b.data(), b.size()); },
        [&] { return std::string(words.GetWord(0)) == "x"; });

    CPDAT dict(0), dsrc(0), dfirst(0);
    dfirst.AddWord("q");
    dfirst.AddWordComplete();
    dsrc.AddWord("ab");
    dsrc.AddWordComplete();
    CheckContract(
        "double array", dfirst.Serialize(), dsrc.Serialize(),
        [&](const Bytes& b) { return dict.Parse(b.data(), b.size()); }, [&] { return dict.Find("q") == 0; });

    CTrie trie, tsrc, tfirst;
    tfirst.AddTrie("q n");
    tsrc.AddTrie("ab n");
    CheckContract(
        "user dictionary", tfirst.Serialize(), tsrc.Serialize(),
        [&](const Bytes& b) { return trie.Parse(b.data(), b.size()); }, [&] { return trie.Find("q") == 0; });
}

// The file loaders go through the same parsers: a file with one byte too many is refused.
TEST(LoadContractTest, FilesWithATrailingByteAreRefused) {
    kxtest::TempDir dir;
    std::string path = dir.file("store");
    Bytes uni = Ints({1, 1, 4, 4, 0});
    uni.push_back(0);
    kxtest::WriteAll(path, std::string(uni.begin(), uni.end()));
    CUnigram u;
    EXPECT_FALSE(u.Load(path.c_str()));
    uni.pop_back();
    kxtest::WriteAll(path, std::string(uni.begin(), uni.end()));
    EXPECT_TRUE(u.Load(path.c_str()));
    EXPECT_EQ(u.GetFreq(0), 4);
    EXPECT_FALSE(u.Load(nullptr));
    EXPECT_FALSE(u.Load(dir.file("missing").c_str()));
    EXPECT_EQ(u.GetFreq(0), 4);
}
