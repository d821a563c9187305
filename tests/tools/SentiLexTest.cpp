// The sentiment lexicon's derivation: the engine's cut with a lexicon installed must give the
// points the library gives, its simulation on the cut without one must too where the entries stay
// words of that cut, and the learnt lexicon must be deterministic and well-formed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "CodeTrans/STLCodeTrans.h"
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
        "屏幕不怎么亮，但是清晰",    // a negation ends with its clause
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
    sentilex::TagAlone({"油腻", "很好", "扎人", "五星", "好棒"}, corpus);
    KOVEX_Exit();
    ASSERT_TRUE(loaded) << error;
    ASSERT_EQ(texts, corpus.texts);
    // The tag of most of a word's review tokens; a word standing alone, when it is one token.
    EXPECT_EQ("n", corpus.reviewTag.at(corpus.ids.at("质量")));
    EXPECT_EQ("v", corpus.reviewTag.at(corpus.ids.at("满意")));
    EXPECT_EQ("n", corpus.aloneTag.at("油腻"));
    EXPECT_FALSE(corpus.aloneTag.count("很好"));  // 很 好: a degree word and a word
    EXPECT_EQ("v", corpus.aloneTag.at("扎人"));    // unknown to the engine: 扎 人
    EXPECT_FALSE(corpus.aloneTag.count("五星"));  // a numeral and a word
    EXPECT_FALSE(corpus.aloneTag.count("好棒"));  // two adjectives
    // The comma is a clause unit of the cut.
    EXPECT_NE(corpus.reviews[5].words.end(),
              std::find(corpus.reviews[5].words.begin(), corpus.reviews[5].words.end(), sentilex::kClauseUnit));

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
        if (i == 5) {
            EXPECT_GT(library[i], 0.0) << "the negation reached over the comma";
        }
        EXPECT_EQ(i + 2 < texts.size(), covered) << texts[i];
        const double simulated = scorer.Point(corpus.reviews[i], nullptr);
        if (i < simulatedExact)
            EXPECT_DOUBLE_EQ(library[i], simulated) << texts[i];
        else
            EXPECT_DOUBLE_EQ(1.0, simulated) << texts[i];
    }
}

// The news cut with a lexicon installed: a bare 不 makes the engine cut the core word 不能 where
// the cut without it reads 不 能 (a stretch cut differently, blamed on 不), while 好 in 天气很好
// changes nothing; the share of news tokens carrying a weight counts every token.
TEST(SentiLexTest, NewsDamageAndWeightShareCutTheNewsWithTheEntries) {
    kxtest::TempDir dir;
    const std::string utf8 =
        "19980101-01-001-001/m  我们/r  不/d  能/v  去/v  。/w  \r\n"
        "19980101-01-001-002/m  天气/n  很/d  好/a  。/w  \r\n"
        "19980127-01-001-001/m  不/d  能/v  好/a  \r\n";  // day 27: never read
    tstring gbk;
    UTF8ToANSI(utf8.c_str(), gbk);
    kxtest::WriteAll(dir.file("news.txt"), gbk);
    ASSERT_EQ(0, std::system(("xz -z '" + dir.file("news.txt") + "'").c_str()));
    LinkDataWithoutField(dir.file("cut"));
    ASSERT_EQ(1, KOVEX_Init(dir.file("cut").c_str(), 1));
    sentilex::Corpus corpus;
    std::string error;
    const bool loaded = sentilex::LoadNews(dir.file("news.txt.xz"), sentilex::kNewsLastDay, corpus, error);
    KOVEX_Exit();
    ASSERT_TRUE(loaded) << error;
    ASSERT_EQ(2u, corpus.newsTexts.size());
    ASSERT_EQ(corpus.newsTexts.size(), corpus.newsEnds.size());
    const int ne = corpus.ids.at("能");
    EXPECT_EQ(1, corpus.newsCount.at(ne));
    EXPECT_EQ(0, corpus.newsClosed.at(ne));
    EXPECT_EQ(1, corpus.newsClosed.at(corpus.ids.at("我们")));  // a pronoun
    corpus.dataFolder = dir.file("cut");

    long changed = -1;
    const std::vector<long> damage = sentilex::NewsDamage(corpus, {"好"}, {"不"}, &changed);
    ASSERT_EQ(2u, damage.size());
    EXPECT_EQ(0, damage[0]);
    EXPECT_EQ(1, damage[1]);
    EXPECT_EQ(1, changed);

    size_t tokens = 0;
    for (const std::vector<int>& p : corpus.news) tokens += p.size();
    sentilex::Lexicon lex;
    lex.weights = {{"好", 1}};
    EXPECT_DOUBLE_EQ(1.0 / tokens, sentilex::NewsWeightShare(corpus, lex));
    lex.negations = {"不"};  // a negation word carries no weight
    EXPECT_DOUBLE_EQ(1.0 / (tokens - 1), sentilex::NewsWeightShare(corpus, lex));
    EXPECT_FALSE(fs::exists(dir.file("cut") + "/recut." + std::to_string(getpid())));
}

// A corpus of two categories over three words, built by hand: 好 in positive reviews, 差 in
// negative ones, 的 in all, 书 only in the first category.
// The default settings without the opinion rules and the final minimum, which lean on the news
// and review tag counts that the small corpora here do not hold, and without the rules on the
// engine's word classes.
sentilex::Params CoreParams() {
    sentilex::Params p = sentilex::DefaultParams();
    p.closedShare = -1.0;
    p.closedPlaces = false;
    p.topicCategories = 0;
    p.topicAll = false;
    p.topicMargin = 0.0;
    p.newsKeyness = 0.0;
    p.negatedMinCount = 0;
    p.negateWords = false;
    p.maxDamage = -1;
    p.damageBudget = -1;
    p.finalMinWeight = 0.0;
    p.wordClasses = false;
    p.phraseOpinion = false;
    p.pairClasses = false;
    return p;
}

// One plain fit, no pruning but what a test turns on.
sentilex::Params PlainParams() {
    sentilex::Params p = CoreParams();
    p.minCount = 1;
    p.phraseMinCount = 0;
    p.bagging = false;
    p.shift = false;
    p.minWeight = 0.0;
    p.minBoundary = 0.0;
    p.maxNewsSplits = -1;
    p.topicPenalty = 0.0;
    p.negations.clear();
    p.hingeShares = {0.0};
    p.reviewPowers = {0.0};
    p.threads = 1;
    return p;
}

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
    sentilex::Params p = CoreParams();
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
    sentilex::Params p = PlainParams();
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
    p = CoreParams();
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
    sentilex::Params p = CoreParams();
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
    sentilex::Params p = CoreParams();
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

namespace {

// A corpus built by hand over `words`, each usable as an entry; counts by word id sized to match.
sentilex::Corpus HandCorpus(const std::vector<std::string>& catNames, const std::vector<std::string>& words) {
    sentilex::Corpus c;
    c.catNames = catNames;
    for (const std::string& w : words) {
        c.ids.emplace(w, int(c.words.size()));
        c.words.push_back(w);
        c.gbk.push_back("xx");
    }
    for (std::vector<long>* v : {&c.newsCount, &c.newsClosed, &c.newsPlace, &c.reviewCount, &c.reviewNoun, &c.reviewAdverb})
        v->assign(words.size(), 0);
    return c;
}

void AddReview(sentilex::Corpus& c, int cat, bool positive, const std::vector<int>& words) {
    sentilex::Review r;
    r.cat = cat;
    r.positive = positive;
    r.words = words;
    for (int w : words) ++c.reviewCount[w];
    c.reviews.push_back(r);
}


std::vector<std::string> Entries(const sentilex::Corpus& c, const sentilex::Params& p) {
    std::vector<std::string> out;
    for (const auto& e : sentilex::Derive(c, -1, p).weights) out.push_back(e.first);
    return out;
}

bool Has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

}  // namespace

// Words that carry no opinion of their own stay out however well they tell the labels apart: a
// degree word, digits and Latin letters, a word the engine tags as closed-class (a particle here)
// in most of its news tokens, and, when asked, a locality word; a phrase closed by a degree word
// leans on a word outside it.
TEST(SentiLexTest, OpinionRulesLeaveDegreeSymbolAndFunctionWordsOut) {
    sentilex::Corpus c = HandCorpus({"a"}, {"好", "差", "很", "x1", "吧", "附近", "太", "贵"});
    for (int i = 0; i < 40; ++i) {
        const bool positive = i % 2 == 0;
        if (positive)
            AddReview(c, 0, true, {0, 2, 3, 4, 5});
        else
            AddReview(c, 0, false, {1, 6, 7});
    }
    c.newsCount[4] = 10;
    c.newsClosed[4] = 9;  // 吧 a particle in 9 of its 10 news tokens
    c.newsCount[5] = 10;
    c.newsPlace[5] = 8;
    sentilex::Params p = PlainParams();
    std::vector<std::string> all = Entries(c, p);
    for (const char* w : {"很", "x1", "吧", "附近", "太"}) EXPECT_TRUE(Has(all, w)) << w;
    p.closedShare = 0.5;
    all = Entries(c, p);
    for (const char* w : {"很", "x1", "吧", "太"}) EXPECT_FALSE(Has(all, w)) << w;
    EXPECT_TRUE(Has(all, "附近"));
    EXPECT_TRUE(Has(all, "好"));
    p.closedPlaces = true;
    EXPECT_FALSE(Has(Entries(c, p), "附近"));
    // Phrases: 太贵 (a degree word leading) is one, 贵太 (closed by one) is not.
    p.phraseMinCount = 1;
    p.phraseGap = 0.0;
    p.phraseEdges = 1;
    for (sentilex::Review& r : c.reviews)
        if (!r.positive) r.words = {1, 6, 7, 6};
    all = Entries(c, p);
    EXPECT_TRUE(Has(all, "太贵"));
    EXPECT_FALSE(Has(all, "贵太"));
}

// A topic word (a noun) is an entry only when enough categories use it and its polarity holds
// in most of them; with topicAll any entry needs its polarity in most categories that use it.
// A word of ordinary news text is none, whatever the reviews say.
TEST(SentiLexTest, TopicWordsNeedTheirPolarityAcrossCategoriesAndNewsWordsStayOut) {
    // 屏 (noun) praised in a and b, blamed in c; 壳 (noun) only in a and b; 棒 (no noun) praised in
    // a, blamed in b; 会议 praised everywhere but common in the news.
    sentilex::Corpus c = HandCorpus({"a", "b", "c"}, {"好", "差", "屏", "壳", "棒", "会议"});
    for (int cat = 0; cat < 3; ++cat)
        for (int i = 0; i < 40; ++i) {
            const bool positive = i % 2 == 0;
            std::vector<int> words = {positive ? 0 : 1, 5};
            if (i % 4 < 2 && positive == (cat < 2)) words.push_back(2);
            if (cat < 2 && positive && i % 4 == 0) words.push_back(3);
            if (i % 4 < 2 && cat < 2 && positive == (cat == 0)) words.push_back(4);
            if (!positive && i % 8 == 1) words.pop_back();  // 会议 leans positive
            AddReview(c, cat, positive, words);
        }
    for (int w : {2, 3}) c.reviewNoun[w] = c.reviewCount[w];
    sentilex::Params p = PlainParams();
    std::vector<std::string> all = Entries(c, p);
    for (const char* w : {"屏", "壳", "棒", "会议"}) EXPECT_TRUE(Has(all, w)) << w;
    p.topicCategories = 3;
    all = Entries(c, p);
    EXPECT_TRUE(Has(all, "屏"));   // 2 of 3 categories
    EXPECT_FALSE(Has(all, "壳"));  // used by 2 categories only
    EXPECT_TRUE(Has(all, "棒"));   // no noun
    p.topicAll = true;
    EXPECT_FALSE(Has(Entries(c, p), "棒"));
    p.topicMargin = 5.0;  // no category's log-odds is that large
    EXPECT_FALSE(Has(Entries(c, p), "屏"));

    p = PlainParams();
    for (int i = 0; i < 50; ++i) c.news.push_back({5, 5, 5, 5});
    p.newsKeyness = 1.0;
    all = Entries(c, p);
    EXPECT_FALSE(Has(all, "会议"));
    EXPECT_TRUE(Has(all, "好"));
}

// 不 before an opinion word: the pair becomes a phrase candidate once a review holds it (不好
// here), and with negateWords every word entry gets its negated pair (不差 weighing what 差
// weighs, negated), unless the pair is a word of the cut (不棒 is one) or an entry already. No
// weight under the final minimum is written.
TEST(SentiLexTest, NegatedPairsAndTheFinalMinimum) {
    sentilex::Corpus c = HandCorpus({"a", "b"}, {"好", "差", "不", "棒", "不棒", "的"});
    for (int i = 0; i < 80; ++i) {
        const bool positive = i % 2 == 0;
        std::vector<int> words = positive ? std::vector<int>{0, 3} : std::vector<int>{1};
        if (!positive && i % 6 == 1) words = {2, 0};  // 不 好
        if (i % 3 == 0) words.push_back(5);
        AddReview(c, i % 2 == 0 ? i % 4 / 2 : i % 4 / 2, positive, words);
    }
    sentilex::Params p = PlainParams();
    p.phraseMinCount = 100;  // no phrase by the gap
    p.negatedMinCount = 1;
    p.minWeight = 0.1;
    p.negateWords = true;
    p.finalMinWeight = 0.2;
    const sentilex::Lexicon lex = sentilex::Derive(c, -1, p);
    std::map<std::string, double> w(lex.weights.begin(), lex.weights.end());
    ASSERT_TRUE(w.count("不好"));
    EXPECT_LT(w["不好"], 0.0);
    ASSERT_TRUE(w.count("差"));
    ASSERT_TRUE(w.count("不差"));
    EXPECT_EQ(-w["差"], w["不差"]);
    EXPECT_FALSE(w.count("不棒"));
    EXPECT_FALSE(w.count("不不好"));
    for (const auto& e : lex.weights) EXPECT_GE(std::abs(e.second), 0.2) << e.first;
}

// The word list: `word +` / `word -` a line, comments, blank lines and CRLF endings; a line
// without its sign is refused with its number.
TEST(SentiLexTest, WordListReadsSignsAndRefusesMalformedLines) {
    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("ok.txt"), "# praise\n好 +\r\n\n差 -\n太贵 -\n");
    std::vector<std::pair<std::string, int>> list;
    std::string error;
    ASSERT_TRUE(sentilex::LoadWordList(dir.file("ok.txt"), list, error)) << error;
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"好", 1}, {"差", -1}, {"太贵", -1}}), list);
    for (const char* bad : {"好 +\n差\n", "好 +\n差 x\n", "好 +\n -\n", "好 +\n差 + \n"}) {
        kxtest::WriteAll(dir.file("bad.txt"), bad);
        EXPECT_FALSE(sentilex::LoadWordList(dir.file("bad.txt"), list, error)) << bad;
        EXPECT_NE(std::string::npos, error.find("bad.txt:2")) << error;
    }
    EXPECT_FALSE(sentilex::LoadWordList(dir.file("none.txt"), list, error));

    // A list of plain words: the first token of each line, comments and blank lines skipped.
    kxtest::WriteAll(dir.file("set.txt"), "# no opinion alone\n完全\r\n\n明显 an adverb\n");
    std::vector<std::string> set;
    ASSERT_TRUE(sentilex::LoadWordSet(dir.file("set.txt"), set, error)) << error;
    EXPECT_EQ((std::vector<std::string>{"完全", "明显"}), set);
    EXPECT_FALSE(sentilex::LoadWordSet(dir.file("none.txt"), set, error));
}

// A listed word is an entry whatever the reviews say: one they never hold, or hold against its
// polarity, weighs the middle entry of its polarity. With listOnly the corpus's own words are
// out, with corpusMinWeight only its weak ones; under the opinion rules no entry holds a digit.
TEST(SentiLexTest, ListedWordsAndTheCorpusWordsBesideThem) {
    // 棒 sits only in negative reviews, 5分 and 赞 only in positive ones.
    sentilex::Corpus c = HandCorpus({"a", "b", "c"}, {"好", "差", "棒", "5分", "赞"});
    for (int cat = 0; cat < 3; ++cat)
        for (int i = 0; i < 40; ++i) {
            const bool positive = i % 2 == 0;
            std::vector<int> words = {positive ? 0 : 1};
            if (i % 4 == 1) words.push_back(2);
            if (i % 8 == 0) words.push_back(3);
            if (i % 8 == 2) words.push_back(4);
            AddReview(c, cat, positive, words);
        }
    sentilex::Params p = PlainParams();
    p.finalMinWeight = 0.1;
    auto Weights = [&](const sentilex::Params& q) {
        std::map<std::string, double> out;
        for (const auto& e : sentilex::Derive(c, -1, q).weights) out[e.first] = e.second;
        return out;
    };
    std::map<std::string, double> w = Weights(p);
    ASSERT_TRUE(w.count("棒") && w.count("5分") && w.count("赞"));
    EXPECT_LT(w["棒"], 0.0);

    p.listed = {{"好", 1}, {"差", -1}, {"棒", 1}, {"美", 1}, {"丑", -1}};
    p.closedShare = 0.5;
    p.topicCategories = 3;  // the topic test must pass over listed words the reviews never hold
    w = Weights(p);
    EXPECT_FALSE(w.count("5分"));
    ASSERT_TRUE(w.count("好") && w.count("差") && w.count("赞"));
    const double good = std::min(w["好"], w["赞"]), bad = w["差"];  // the middle of two is the larger
    EXPECT_GT(good, 0.1);
    EXPECT_DOUBLE_EQ(std::max(w["好"], w["赞"]), w["美"]);
    EXPECT_DOUBLE_EQ(w["美"], w["棒"]);
    EXPECT_DOUBLE_EQ(bad, w["丑"]);
    EXPECT_LT(bad, -0.1);

    c.newsCount[0] = 10;  // 好 a particle in 6 of its 10 news tokens: out, listed or not
    c.newsClosed[0] = 6;
    EXPECT_FALSE(Weights(p).count("好"));
    c.newsClosed[0] = 0;

    p.listOnly = 1;
    w = Weights(p);
    EXPECT_FALSE(w.count("赞"));
    EXPECT_TRUE(w.count("好") && w.count("美"));
    p.listOnly = 0;
    p.corpusMinWeight = 10.0;
    w = Weights(p);
    EXPECT_FALSE(w.count("赞"));
    EXPECT_TRUE(w.count("棒") && w.count("丑"));
}

// Under the class rule a word of the corpus is a candidate only as an adjective or an idiom: the
// modal verb 可以 and the noun 老师 tell the labels apart as well as 好 and stay out all the same,
// and so does 完全 (an adverb the hand-written list names); a listed verb stays in. Each rule
// reports what it left out.
TEST(SentiLexTest, CorpusWordsNeedAnOpinionClass) {
    sentilex::Corpus c = HandCorpus({"a"}, {"好", "差", "可以", "老师", "完全", "推荐"});
    c.reviewTag = {"a", "a", "v", "n", "ad", "v"};
    for (int i = 0; i < 40; ++i) {
        const bool positive = i % 2 == 0;
        AddReview(c, 0, positive, positive ? std::vector<int>{0, 2, 3, 5} : std::vector<int>{1, 4});
    }
    sentilex::Params p = PlainParams();
    for (const char* w : {"可以", "老师", "完全", "推荐"}) EXPECT_TRUE(Has(Entries(c, p), w)) << w;
    p.wordClasses = true;
    p.notAlone = {"完全"};
    p.listed = {{"推荐", 1}};
    std::map<std::string, std::string> dropped;
    std::vector<std::string> all;
    for (const auto& e : sentilex::Derive(c, -1, p, &dropped).weights) all.push_back(e.first);
    EXPECT_TRUE(Has(all, "好"));
    EXPECT_TRUE(Has(all, "推荐"));
    for (const char* w : {"可以", "老师", "完全"}) EXPECT_FALSE(Has(all, w)) << w;
    EXPECT_EQ("class", dropped["可以"]);
    EXPECT_EQ("class", dropped["老师"]);
    EXPECT_EQ("not alone", dropped["完全"]);
}

// A phrase of the corpus enters only with an opinion word, of the sign that word gives it, and
// without a name: 还可以 (an adverb and a modal verb) has none, 京东 差 holds a shop's name, and
// 会 喜欢, which the reviews hold on the negative side, goes against 喜欢; 很 好 enters. Listed,
// 还可以 is an entry all the same.
TEST(SentiLexTest, PhrasesNeedAnOpinionWordOfTheirSign) {
    sentilex::Corpus c = HandCorpus({"a", "b"}, {"还", "可以", "很", "好", "会", "喜欢", "京东", "差", "一般"});
    c.reviewTag = {"d", "v", "d", "a", "v", "v", "ns", "a", "a"};
    for (int i = 0; i < 80; ++i) {
        const bool positive = i % 2 == 0;
        std::vector<int> words;
        if (positive)
            words = i % 4 == 0 ? std::vector<int>{0, 1} : i % 8 == 2 ? std::vector<int>{2, 3} : std::vector<int>{5, 3};
        else
            words = i % 4 == 1 ? std::vector<int>{4, 5} : i % 8 == 3 ? std::vector<int>{6, 7} : std::vector<int>{7, 8};
        AddReview(c, i % 4 < 2 ? 0 : 1, positive, words);
    }
    sentilex::Params p = PlainParams();
    p.phraseMinCount = 1;
    p.phraseGap = 0.0;
    p.wordClasses = true;
    p.listed = {{"喜欢", 1}, {"好", 1}, {"差", -1}};
    p.phraseOpinion = true;
    std::map<std::string, std::string> dropped;
    std::map<std::string, double> w;
    for (const auto& e : sentilex::Derive(c, -1, p, &dropped).weights) w[e.first] = e.second;
    EXPECT_FALSE(w.count("还可以"));
    EXPECT_EQ("no opinion word", dropped["还可以"]);
    EXPECT_FALSE(w.count("京东差"));
    EXPECT_EQ("name", dropped["京东差"]);
    EXPECT_FALSE(w.count("会喜欢"));
    EXPECT_EQ("polarity", dropped["会喜欢"]);
    p.phraseOpinion = false;
    w.clear();
    for (const auto& e : sentilex::Derive(c, -1, p).weights) w[e.first] = e.second;
    ASSERT_TRUE(w.count("会喜欢"));  // the rule, not the gap, left it out
    EXPECT_LT(w["会喜欢"], 0.0);
    p.phraseOpinion = true;
    p.listed.emplace_back("还可以", 1);
    w.clear();
    for (const auto& e : sentilex::Derive(c, -1, p).weights) w[e.first] = e.second;
    ASSERT_TRUE(w.count("还可以"));
    EXPECT_GT(w["还可以"], 0.0);
}

// 不 pairs go to words the engine tags as adjectives or verbs (满意), not to a noun (垃圾), a word
// led by a degree word (最差), one holding its own negation (没用) or a character said twice (谢谢);
// a word tagged otherwise that the reviews write after 不 often enough (油腻, tagged a noun) gets
// its pair too.
TEST(SentiLexTest, NegatedPairsOnlyWhereReadersWriteThem) {
    sentilex::Corpus c = HandCorpus({"a", "b"}, {"满意", "垃圾", "油腻", "最差", "没用", "不", "好", "谢谢"});
    c.reviewTag = {"v", "n", "n", "a", "v", "d", "a", "v"};
    for (int i = 0; i < 80; ++i) {
        const bool positive = i % 2 == 0;
        std::vector<int> words = positive ? std::vector<int>{0, 6, 7} : std::vector<int>{1, 2, 3, 4};
        if (positive && i % 16 < 6) words = {5, 2, 6};  // 不 油腻 in 15 reviews
        AddReview(c, i % 4 < 2 ? 0 : 1, positive, words);
    }
    sentilex::Params p = PlainParams();
    p.listed = {{"满意", 1}, {"垃圾", -1}, {"油腻", -1}, {"没用", -1}, {"谢谢", 1}};
    p.negateWords = true;
    p.negatedLeads = {"不"};
    p.negatedMinCount = 3;
    auto Weights = [&] {
        std::map<std::string, double> w;
        for (const auto& e : sentilex::Derive(c, -1, p).weights) w[e.first] = e.second;
        return w;
    };
    std::map<std::string, double> w = Weights();
    for (const char* pair : {"不满意", "不垃圾", "不油腻", "不最差", "不没用", "不谢谢"}) EXPECT_TRUE(w.count(pair)) << pair;
    p.pairClasses = true;
    w = Weights();
    ASSERT_TRUE(w.count("不满意") && w.count("不油腻"));
    EXPECT_EQ(-w["满意"], w["不满意"]);
    EXPECT_EQ(-w["油腻"], w["不油腻"]);
    for (const char* pair : {"不垃圾", "不最差", "不没用", "不谢谢"}) EXPECT_FALSE(w.count(pair)) << pair;
    p.negatedMinCount = 16;  // more reviews than write 不 油腻
    EXPECT_FALSE(Weights().count("不油腻"));
}

// The sentences of one news day: each paragraph cut at 。！？ (brackets and tags dropped), pieces
// of at least the length asked, in corpus order with their paragraph's id; other days are not read.
TEST(SentiLexTest, NewsSentencesCutTheDaysParagraphs) {
    kxtest::TempDir dir;
    const std::string utf8 =
        "19980126-01-001-001/m  今天/t  天气/n  很/d  好/a  。/w  \r\n"
        "19980127-01-001-001/m  今天/t  天气/n  很/d  好/a  。/w  我们/r  去/v  公园/n  ！/w  好/a  ？/w  \r\n"
        "\r\n"
        "19980127-01-001-002/m  [中国/ns  共产党/n]nt  成立/v  七十七/m  周年/n  \r\n";
    tstring gbk;
    UTF8ToANSI(utf8.c_str(), gbk);
    kxtest::WriteAll(dir.file("news.txt"), gbk);
    ASSERT_EQ(0, std::system(("xz -z '" + dir.file("news.txt") + "'").c_str()));
    std::vector<sentilex::NewsSentence> s;
    std::string error;
    ASSERT_TRUE(sentilex::NewsSentences(dir.file("news.txt.xz"), 27, 6, s, error)) << error;
    ASSERT_EQ(2u, s.size());
    EXPECT_EQ("19980127-01-001-001", s[0].paragraph);
    EXPECT_EQ("今天天气很好", s[0].text);
    EXPECT_EQ("19980127-01-001-002", s[1].paragraph);
    EXPECT_EQ("中国共产党成立七十七周年", s[1].text);
    ASSERT_TRUE(sentilex::NewsSentences(dir.file("news.txt.xz"), 27, 5, s, error));
    EXPECT_EQ(3u, s.size());  // 我们去公园
    EXPECT_FALSE(sentilex::NewsSentences(dir.file("news.txt.xz"), 25, 6, s, error));
    EXPECT_FALSE(sentilex::NewsSentences(dir.file("none.xz"), 27, 6, s, error));
}
