// The sentiment lexicon's derivation: the engine's cut with a lexicon installed must give the
// points the library gives, its simulation on the cut without one must too where the entries stay
// words of that cut, and the learnt lexicon must be deterministic and well-formed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/main/kovex_sentiment.h"
#include "common/TestUtil.h"
#include "senti/SentiLex.h"

namespace {

namespace fs = std::filesystem;

// dir/Data linking every file of build/Data but the field dictionary.
void LinkDataWithoutField(const std::string& dir) {
    const std::string built = std::string(KX_BUILD_DIR) + "/Data";
    fs::create_directories(dir + "/Data/English");
    for (auto& e : fs::recursive_directory_iterator(built)) {
        if (!e.is_regular_file() || e.path().filename().string().rfind("FieldDict.", 0) == 0) continue;
        fs::create_symlink(e.path(), dir + "/Data/" + fs::relative(e.path(), built).string());
    }
}

TEST(SentiLexTest, RecutPointsAreTheLibrarysAndSimulatedOnesWhereTheCutHolds) {
    kxtest::TempDir dir;
    const std::vector<std::string> texts = {
        "质量很好，非常满意",       // two weighted words
        "再也不会买了，太失望",     // a phrase entry merging three words
        "没有问题，很好用",         // a phrase against its words' weights
        "屏幕不怎么清晰",           // negation
        "不怎么样的东西，不怎么好",  // negation pending across plain words
        "今天星期三",               // nothing weighted
        "味道好喝",                 // 好 weighs on the cut without entries, not once it is one
    };
    std::string csv = "cat,label,review\n";
    for (const std::string& t : texts) csv += "手机,1," + t + "\n";
    kxtest::WriteAll(dir.file("r.csv"), csv);
    ASSERT_EQ(0, std::system(("xz -z '" + dir.file("r.csv") + "'").c_str()));

    LinkDataWithoutField(dir.file("cut"));
    ASSERT_EQ(1, KOVEX_Init(dir.file("cut").c_str(), 1));
    sentilex::Corpus corpus;
    std::string error;
    const bool loaded = sentilex::LoadCorpus(dir.file("r.csv.xz"), corpus, error);
    KOVEX_Exit();
    ASSERT_TRUE(loaded) << error;
    ASSERT_EQ(texts, corpus.texts);

    sentilex::Lexicon lex;
    lex.weights = {{"满意", 2},        {"失望", -1.5},  {"好", 1},        {"很好", 0.5},  {"没有问题", 0.75},
                   {"问题", -1},       {"清晰", 1.25},  {"再也不会", -2}, {"屏幕", 0.25},
                   {"东西", -0.5},     {"质量", 0.01}};
    lex.negations = {"不怎么"};
    const std::string text = sentilex::LexiconText(lex);
    EXPECT_EQ(std::string::npos, text.find(" 0\n"));
    kxtest::WriteAll(dir.file("lex.txt"), text);

    LinkDataWithoutField(dir.file("st"));
    ASSERT_EQ(1, ST_Init(dir.file("st").c_str(), 0, nullptr));
    ASSERT_EQ(12, ST_ImportUserDict(dir.file("lex.txt").c_str(), 1));
    ST_Exit();
    ASSERT_EQ(1, ST_Init(dir.file("st").c_str(), 1, nullptr));
    std::vector<double> library;
    for (const std::string& t : texts) library.push_back(ST_GetSentimentPoint(t.c_str()));
    ST_Exit();

    // The engine's own cut with the lexicon installed gives the library's points exactly; the
    // simulation on the cut without it does for the entries that stay words of that cut, and not
    // for the last text: cut without entries it reads 味道 好 喝, but the entry 好 makes the engine
    // cut the core word 好喝 there, and nothing weighs.
    corpus.dataFolder = dir.file("cut");
    std::vector<double> weights;
    const std::vector<std::vector<int>> units =
        sentilex::LexiconUnits(corpus, lex, sentilex::ReviewsOf(corpus, -1), &weights);
    EXPECT_FALSE(fs::exists(dir.file("cut") + "/recut." + std::to_string(getpid())));
    const sentilex::Scorer scorer(corpus, lex);
    const size_t simulatedExact = texts.size() - 1;
    for (size_t i = 0; i < texts.size(); ++i) {
        bool covered = false;
        EXPECT_DOUBLE_EQ(library[i], sentilex::PointOfUnits(units[i], weights, &covered)) << texts[i];
        EXPECT_EQ(i + 2 < texts.size(), covered) << texts[i];
        const double simulated = scorer.Point(corpus.reviews[i], nullptr);
        if (i < simulatedExact)
            EXPECT_DOUBLE_EQ(library[i], simulated) << texts[i];
        else
            EXPECT_DOUBLE_EQ(1.0, simulated) << texts[i];
    }
}

// A corpus of two categories over three words, built by hand: 好 in positive reviews, 差 in
// negative ones, 的 in all, 书 only in the first category.
sentilex::Corpus TinyCorpus() {
    sentilex::Corpus c;
    c.catNames = {"a", "b"};
    for (const char* w : {"好", "差", "的", "书"}) {
        c.ids.emplace(w, int(c.words.size()));
        c.words.push_back(w);
        c.gbk.push_back("xx");  // any form of two bytes or more makes a usable entry
    }
    for (int i = 0; i < 40; ++i) {
        sentilex::Review r;
        r.cat = i % 2;
        r.positive = (i / 2) % 2 == 0;
        r.words = {2, r.positive ? 0 : 1, 2};
        if (r.cat == 0) r.words.push_back(3);
        if (i % 7 == 0) r.words.push_back(r.positive ? 1 : 0);  // some noise
        c.reviews.push_back(r);
    }
    return c;
}

TEST(SentiLexTest, DerivationIsDeterministicAndNeverZero) {
    const sentilex::Corpus corpus = TinyCorpus();
    sentilex::Params p = sentilex::DefaultParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.threads = 1;
    const sentilex::Lexicon one = sentilex::Derive(corpus, -1, p);
    p.threads = 4;
    const sentilex::Lexicon four = sentilex::Derive(corpus, -1, p);
    EXPECT_EQ(one.weights, four.weights);
    EXPECT_EQ(one.shift, four.shift);
    ASSERT_EQ(4u, one.weights.size());
    double good = 0, bad = 0;
    for (const auto& e : one.weights) {
        EXPECT_NE(0.0, e.second) << e.first;
        EXPECT_LE(std::abs(e.second), p.clip);
        if (e.first == "好") good = e.second;
        if (e.first == "差") bad = e.second;
    }
    EXPECT_GT(good, 0.5);
    EXPECT_LT(bad, -0.5);
    // Trained without category b, the lexicon still scores b's reviews right.
    const sentilex::Figures f = sentilex::Evaluate(corpus, p);
    EXPECT_GT(f.accuracy[1], 0.8);
}

// Categories weigh their size to the power asked: 的 leans positive in the 60 reviews of category
// a and negative in the 20 of b (every review also holds 好 or 差); the bigger category decides
// its sign once the categories weigh their size, not when they weigh the same. The other
// settings of the final fits keep the derivation independent of the threads and never write 0.
TEST(SentiLexTest, CategoryWeightsAndFinalFitSettings) {
    sentilex::Corpus corpus = TinyCorpus();
    corpus.reviews.clear();
    for (int i = 0; i < 80; ++i) {
        sentilex::Review r;
        r.cat = i < 60 ? 0 : 1;
        r.positive = i % 2 == 0;
        r.words = {r.positive ? 0 : 1};
        if (r.cat == 0 ? (i % 4 == 0 || i % 12 == 1) : (i % 4 == 1 || i % 12 == 0)) r.words.push_back(2);
        corpus.reviews.push_back(r);
    }
    sentilex::Params p = sentilex::DefaultParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.bagging = false;
    p.shift = false;
    p.minWeight = 0.0;
    p.minBoundary = 0.0;
    p.maxNewsSplits = -1;
    p.topicPenalty = 0.0;
    p.threads = 1;
    auto Weight = [&](const sentilex::Params& q, const std::string& word) {
        for (const auto& e : sentilex::Derive(corpus, -1, q).weights)
            if (e.first == word) return e.second;
        return 0.0;
    };
    p.categoryPower = 0.0;
    EXPECT_LT(std::abs(Weight(p, "的")), 0.1);
    p.categoryPower = 1.0;
    EXPECT_GT(Weight(p, "的"), 0.1);
    EXPECT_GT(Weight(p, "好"), 0.5);

    corpus = TinyCorpus();
    p = sentilex::DefaultParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.temperature = 0.5;
    p.categoryCopies = 1.0;
    p.lengthPower = 0.5;
    p.stabilityShrink = 1.0;
    p.negativeScale = true;
    p.threads = 1;
    const sentilex::Lexicon one = sentilex::Derive(corpus, -1, p);
    p.threads = 3;
    const sentilex::Lexicon three = sentilex::Derive(corpus, -1, p);
    EXPECT_EQ(one.weights, three.weights);
    EXPECT_EQ(one.negativeScale, three.negativeScale);
    EXPECT_GE(one.negativeScale, 0.5);
    EXPECT_LE(one.negativeScale, 2.0);
    for (const auto& e : one.weights) {
        EXPECT_NE(0.0, e.second) << e.first;
        if (e.first == "好") {
            EXPECT_GT(e.second, 0.1);
        }
        if (e.first == "差") {
            EXPECT_LT(e.second, -0.1);
        }
    }
}

// The squared hinge stops pushing a review once it is scored right by a margin of 1: on reviews
// that 好 and 差 alone tell apart, the averaged fits of the pure squared hinge weigh them about 1,
// the logistic ones far more; the mean of both lies between. Weighing reviews by their units
// keeps the signs.
TEST(SentiLexTest, HingeShareBoundsTheMarginAndReviewPowerKeepsSigns) {
    sentilex::Corpus corpus = TinyCorpus();
    for (sentilex::Review& r : corpus.reviews) {
        r.words = {r.positive ? 0 : 1};
        if (r.cat == 0) r.words.push_back(3);
    }
    sentilex::Params p = sentilex::DefaultParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.minWeight = 0.0;
    p.minBoundary = 0.0;
    p.maxNewsSplits = -1;
    p.shift = false;
    p.threads = 1;
    auto Good = [&](std::vector<double> hinge, std::vector<double> power) {
        p.hingeShares = hinge;
        p.reviewPowers = power;
        for (const auto& e : sentilex::Derive(corpus, -1, p).weights)
            if (e.first == "好") return e.second;
        return 0.0;
    };
    const double hinge = Good({1.0}, {0.0}), logistic = Good({0.0}, {0.0}), both = Good({0.0, 1.0}, {0.0});
    EXPECT_GT(hinge, 0.8);
    EXPECT_LT(hinge, 1.2);
    EXPECT_GT(logistic, 2.0);
    EXPECT_GT(both, hinge + 0.5);  // the mean of the unclipped fits, then clipped
    EXPECT_LE(both, logistic);
    EXPECT_GT(Good({0.0, 0.5}, {0.0, -0.5}), 0.8);
}

// An entry that the cut of ordinary text would split or merge words with is left out: 好 sits
// inside 好像 in the news, 的 stands alone there, and the phrase 的书 spans two news tokens; in
// the reviews 书 sits inside 书包 more often than it stands alone.
TEST(SentiLexTest, EntriesThatWouldSplitOrdinaryWordsAreLeftOut) {
    sentilex::Corpus corpus = TinyCorpus();
    for (const char* w : {"好像", "书包"}) {
        corpus.ids.emplace(w, int(corpus.words.size()));
        corpus.words.push_back(w);
        corpus.gbk.push_back("xxxx");
    }
    for (int i = 0; i < 3; ++i) corpus.news.push_back({4, 2, 1, 2});  // 好像 的 差 的
    sentilex::Params p = sentilex::DefaultParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.threads = 1;
    p.minBoundary = 0.0;
    p.minWeight = 0.0;
    p.maxNewsSplits = -1;
    p.splitWeight = 1e9;
    auto Entries = [&](const sentilex::Params& q) {
        std::vector<std::string> out;
        for (const auto& e : sentilex::Derive(corpus, -1, q).weights) out.push_back(e.first);
        return out;
    };
    EXPECT_EQ((std::vector<std::string>{"书", "好", "差", "的"}), Entries(p));
    p.maxNewsSplits = 3;  // 好 splits 好像 three times
    EXPECT_EQ((std::vector<std::string>{"书", "好", "差", "的"}), Entries(p));
    p.maxNewsSplits = 0;
    EXPECT_EQ((std::vector<std::string>{"书", "差", "的"}), Entries(p));
    // Unless it weighs enough to be worth the splits.
    p.splitWeight = 0.5;
    EXPECT_EQ((std::vector<std::string>{"书", "好", "差", "的"}), Entries(p));
    p.splitWeight = 1e9;
    // 书 stands alone in the 20 reviews of category a; inside 书包 in 30 more, a minority.
    for (int i = 0; i < 30; ++i) {
        sentilex::Review r;
        r.positive = i % 2 == 0;
        r.words = {5, 2};
        corpus.reviews.push_back(r);
    }
    p.minBoundary = 0.5;
    EXPECT_EQ((std::vector<std::string>{"书包", "差", "的"}), Entries(p));
    // The phrase 的差 is one review's two tokens but two of the news cut's: out with no split allowed.
    p.minBoundary = 0.0;
    p.maxNewsSplits = -1;
    p.phraseMinCount = 1;
    p.phraseGap = 0.0;
    const std::vector<std::string> all = Entries(p);
    EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "的差"));
    p.maxNewsSplits = 0;
    const std::vector<std::string> kept = Entries(p);
    EXPECT_EQ(kept.end(), std::find(kept.begin(), kept.end(), "的差"));
}

}  // namespace
