// The sentiment lexicon's derivation from a labelled review corpus, shared by the derivation tool
// (sentilex) and the measurement through the library's own calls (sentieval).
//
// The lexicon is scored as the library scores a text (the whole text one sentence): each weighted
// word adds its weight, a pending negation word flips the next weighted word, and a point above 0
// counts as positive; a text without any weighted word counts as negative. The weights are those
// of a logistic regression without bias term on exactly these features (+1 per weighted word, -1
// when a pending negation flips it), every category weighing the same, with L2 regularisation.
// Nothing here is thread-safe unless said so.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace sentilex {

// A token of clause punctuation or a line break (IsClauseMark), which ends a pending negation;
// as a unit of a review, the same.
constexpr int kClauseUnit = -2;

struct Review {
    int cat = 0;
    bool positive = false;
    // The engine's tokens in text order: the id of a token that splits into word and tag,
    // kClauseUnit for clause punctuation, -1 for any other (a bracketed unit, an untagged mark),
    // which no dictionary word can span.
    std::vector<int> words;
};

struct Corpus {
    std::vector<std::string> catNames;
    std::vector<Review> reviews;
    std::vector<std::string> words;  // UTF-8 word by id
    std::vector<std::string> gbk;    // its GBK form; "" when it cannot be an entry of the lexicon
    std::unordered_map<std::string, int> ids;
    // Ordinary text cut by the same engine (news paragraphs), token ids as in `Review::words`;
    // only used to tell which entries would split its words when cut first.
    std::vector<std::vector<int>> news;
    std::vector<std::string> newsTexts;  // each news paragraph's text (UTF-8), as `news`
    // The end offsets of each news paragraph's tokens in its text; empty for a paragraph whose
    // tokens do not add up to its text.
    std::vector<std::vector<int>> newsEnds;
    // By word id: its tokens in the news, and those of them the engine tags as a name, number,
    // quantity, time, pronoun, preposition, conjunction, auxiliary or particle (ClosedTag).
    std::vector<long> newsCount, newsClosed;
    std::vector<long> newsPlace;  // by word id: its news tokens tagged as a place or locality word (s, f)
    // By word id: its tokens in the reviews, and those of them the engine tags as a common noun
    // (n, ng, nz, vn).
    std::vector<long> reviewCount, reviewNoun;
    std::vector<long> reviewAdverb;  // by word id: its review tokens tagged as an adverb (d, dg)
    // By word id: the tag the engine gives most of its review tokens (of two as many, the first in
    // byte order); "" for a word the reviews do not hold.
    std::vector<std::string> reviewTag;
    // The tag the engine gives a word standing alone (TagAlone), for a word it cuts as one token;
    // for a word of two characters it does not know and cuts into a verb (or the adverb 难 ...) and
    // a character of an open class, the first one's (扎 in 扎人, 靠 in 靠谱, 难 in 难喝).
    std::unordered_map<std::string, std::string> aloneTag;
    std::vector<std::string> texts;  // each review's text (UTF-8), as `reviews`
    // A folder holding a data directory without any field dictionary, in which `Recut` can import
    // a lexicon and cut the reviews again; "" when there is none (the tagging is then simulated).
    std::string dataFolder;
};

// Reads the reviews (columns cat,label,review; a header line; label 1 positive) of an
// xz-compressed UTF-8 CSV and cuts each with the started engine (code 1, tagging on), in file
// order; punctuation, white space and words without a GBK form get an empty `gbk`. False with a
// message when the file cannot be read or holds no review. `corpus.texts` receives each review's
// text.
bool LoadCorpus(const std::string& xzPath, Corpus& corpus, std::string& error);

// Cuts the paragraphs of days 1 to `lastDay` of a tagged news corpus (xz-compressed GBK, one
// paragraph a line: "19980101-01-001-001/m  word/tag ...", bracketed compounds "[a/n b/n]nt") with
// the started engine (code 1), in file order, into `corpus.news`. Call it after LoadCorpus: the
// engine learns names as it cuts, and the reviews' cut must not depend on the news. False with a
// message when the file cannot be read or holds no paragraph of those days.
bool LoadNews(const std::string& xzPath, int lastDay, Corpus& corpus, std::string& error);

// With the engine started (code 1), records in `corpus.aloneTag` the tag it gives each of
// `words` (UTF-8) standing alone, as that field says. Call it after LoadCorpus and
// LoadNews: the engine learns names as it cuts, and their cut must not depend on these words.
void TagAlone(const std::vector<std::string>& words, Corpus& corpus);

// A sentence of a news day: the id of its paragraph ("19980127-01-001-003") and its text (UTF-8).
struct NewsSentence {
    std::string paragraph;
    std::string text;
};

// The sentences of day `day` of the tagged news corpus (as LoadNews reads it): each paragraph's
// text cut at 。, ！ and ？ (the marks dropped), the pieces of at least `minChars` characters, in
// corpus order. False with a message when the file cannot be read or holds no such sentence.
// Only measurements read day 27, the held-out day.
bool NewsSentences(const std::string& xzPath, int day, size_t minChars, std::vector<NewsSentence>& out,
                   std::string& error);

// The last news day the derivation reads: day 27 is held out for measuring the engine.
constexpr int kNewsLastDay = 26;

struct Params {
    int minCount = 3;         // reviews holding a word, in the training categories
    double l2 = 1e-4;         // L2 strength on the per-review loss averaged over the categories
    bool balanceLabels = true;  // each category's positive and negative reviews weigh half each
    double clip = 4.0;        // weights clipped to [-clip, clip]
    int iterations = 300;     // L-BFGS iterations at most
    int phraseMinCount = 0;   // reviews holding a 2-3 token phrase for it to be a candidate; 0 none
    double phraseGap = 1.0;
    // A word of `negatedLeads` followed by a word candidate is a phrase candidate once this many
    // reviews hold it, whatever its log-odds (不 满意: 不 is no negation entry); 0 none.
    int negatedMinCount = 0;
    std::vector<std::string> negatedLeads{"不"};
    // The first of `negatedLeads` before every word entry becomes an entry with the word's weight
    // negated (not a word of the cut or an entry already; with `maxDamage`, none that changes the
    // cut of the news).
    bool negateWords = false;   // |phrase log-odds - sum of its words' weights| that makes it an entry
    double topicPenalty = 0.0;  // L2 raised by this factor times a word's concentration in one category
    double minWeight = 0.0;   // entries weighing less in the first fit are dropped, the rest learnt again
    double minBoundary = 0.0;  // share of an entry's occurrences in the training reviews that must
                               // begin and end on the engine's token boundaries; 0 keeps every entry
    long maxNewsSplits = -1;  // occurrences in the news text that are not one token (the cut
                              // would split or merge words there) an entry may have; -1 any
    double splitWeight = 1e9;  // entries of the first fit weighing at least this much are kept whatever
                               // their splits
    bool bagging = false;     // average the fits that each leave out one more training category
    bool shift = false;       // shift every weight by what a nested leave-one-category-out asks
    double categoryPower = 0.0;  // each category weighs its review count to this power (0: the same)
    double categoryCopies = 0.0;  // > 0: each category also has its own copy of every weight, with L2
                                  // this many times the shared one's; only the shared weights are kept
    double lengthPower = 0.0;  // in the averaged fits, a review's features divided by its weighted
                               // units to this power
    double stabilityShrink = 0.0;  // > 0: averaged weights shrunk by their variance across the fits
    double temperature = 0.0;  // > 0: the averaged fits refined on the smoothed error of this temperature
    int refineIterations = 100;  // L-BFGS iterations of the refinement at most
    bool negativeScale = false;  // with `shift`: also scale the negative weights by what it asks
    // Each averaged fit is the mean of the fits of every pair of: a share of the squared hinge
    // max(0, 1 - margin)^2 in the loss (the rest logistic), and a power of its weighted units that
    // each review weighs (each category keeping its total weight).
    std::vector<double> hingeShares{0.0};
    std::vector<double> reviewPowers{0.0};
    std::vector<std::string> negations;  // UTF-8 negation words
    // Opinion words only: no entry of digits, Latin letters and punctuation alone, no degree word
    // alone (很, 非常, 太 ...), no word the engine tags as closed-class (ClosedTag) in more than
    // this share of its news tokens, no phrase beginning or ending with such a word; -1 none of
    // these rules.
    double closedShare = -1.0;
    bool closedPlaces = false;  // place and locality words (s, f) count as closed-class too
    // With those rules, 1: no phrase closed by an adverb or a degree word (都不, 设计很), which leans
    // on a word outside it; 2: nor led or closed by a closed-class word.
    int phraseEdges = 2;
    // A topic word (an entry the engine tags as a common noun in most of its review tokens; a
    // phrase holding one) is an entry only when at least `topicCategories` training categories
    // use it (hold it in `topicUse` reviews or more) and its polarity in more than half of them
    // (the log-odds of its positive and negative reviews there) has the sign of its weight; with
    // `topicAll`, every entry is held to that test. 0: no such test.
    int topicCategories = 0;
    int topicUse = 3;
    bool topicAll = false;
    double topicMargin = 0.0;  // the size of those log-odds it takes a topic word's polarity to hold
    // Per token, an entry must be this many times as frequent in the training reviews as in the
    // news (both as the engine would tag it): words of ordinary text are not opinion words. 0: no
    // such test.
    double newsKeyness = 0.0;
    // Entries that change the engine's cut of the news in more than this many stretches
    // (NewsDamage, all entries installed) are left out unless their weight in the fit before
    // times their units in the training reviews reaches `damageValue` times those stretches;
    // -1 none.
    long maxDamage = -1;
    double damageValue = 1e9;
    // Instead: the entries whose weight times units per stretch changed is least leave, one
    // after the other, until the stretches blamed on the others are at most this many; -1 none.
    long damageBudget = -1;
    double finalMinWeight = 0.0;  // learnt weights under this size leave the lexicon at the end
    // Opinion words of a hand-made list (LoadWordList) with their polarity (+1 or -1). Each is a
    // candidate whatever the reviews say (unless the news makes it a closed-class word), exempt
    // from the symbol, degree-word, topic and minimum-weight rules (not from the news keyness with `listKeyness`, nor from the cut's rules); at the end a
    // listed entry whose weight is under `finalMinWeight` or against its polarity weighs the
    // median size of the other entries of its polarity instead.
    std::vector<std::pair<std::string, int>> listed;
    bool listKeyness = true;
    // 1: a word of the cut is a candidate only when listed, a phrase only when one of its words
    // is listed (its log-odds tests unchanged); 0: the corpus's own candidates as well.
    int listOnly = 0;
    // A word or phrase of the corpus that is not listed must weigh this much in the first fit
    // (with listed words present); 0: `minWeight` as any entry.
    double corpusMinWeight = 0.0;
    bool listSplits = false;  // listed words exempt from `maxNewsSplits` (the damage rules still apply)
    std::string wordsPath;  // the list's file, read by LoadWordList; "" none
    // A word of the corpus that is not listed is a candidate only when the engine tags it as an
    // adjective or an idiom (a, ad, an, ag, i, l; WordTag): nouns, verbs, adverbs, names, pronouns
    // and interjections carry an opinion inside a phrase if at all (可以 in 还可以, 总体 in 总体不错).
    bool wordClasses = false;
    // Words that carry no opinion alone (a hand-written list, LoadWordSet; 完全, 明显): never word
    // candidates unless listed, and never the opinion word of a phrase.
    std::vector<std::string> notAlone;
    std::string notAlonePath;  // its file; "" none
    // A phrase of the corpus (a 2-3 word phrase that is not listed) is a candidate only when it
    // holds an opinion word (a listed word, also one spanning several of its words, or a word
    // candidate of the first fit weighing at least the corpus minimum, not of `notAlone`) and its
    // log-odds have the sign its opinion words give it (a negation word or the first lead before
    // an opinion word flipping it): 会喜欢 and 就好了, negative in the reviews, are none.
    bool phraseOpinion = false;
    // The negated pairs of `negateWords` only for words the engine tags as adjectives or verbs
    // (a, ad, an, ag, v, vd, vn; WordTag), that begin neither with 不, 没, 未, 别, 非 or 有 nor with a
    // degree word and that are no character said twice (不没用, 不有效, 不最差, 不谢谢 are no Chinese):
    // not for nouns, names, adverbs, idioms or phrases, unless `negatedMinCount` training reviews
    // write the first lead right before the entry on token boundaries (不 油腻, tagged a noun).
    bool pairClasses = false;
    int threads = 4;          // fits run side by side (the result does not depend on it)
};

// Hands each line of a hand-written text file (UTF-8; its CR dropped; blank lines and lines
// starting with # skipped) with its line number to `onLine`, which returns false, with `error`
// set, to refuse it. False with `error` set when the file cannot be read or a line is refused.
bool ReadListLines(const std::string& path, std::string& error,
                   const std::function<bool(const std::string&, int)>& onLine);

// Reads a word list: one `word +` or `word -` a line (UTF-8), blank lines and lines starting
// with # skipped, into `out` (word, +1 / -1) in file order. False with `error` set on a file that
// cannot be read or a malformed line.
bool LoadWordList(const std::string& path, std::vector<std::pair<std::string, int>>& out, std::string& error);

// Reads a list of words: one word a line (UTF-8, the first blank-separated token), blank lines
// and lines starting with # skipped, into `out` in file order. False with `error` set on a file
// that cannot be read.
bool LoadWordSet(const std::string& path, std::vector<std::string>& out, std::string& error);

// Reads the lists `params` names (wordsPath into `listed`, notAlonePath into `notAlone`). False
// with `error` set when one cannot be read or is malformed.
bool LoadLists(Params& params, std::string& error);

// With the engine started (code 1): the reviews (LoadCorpus), then days 1-kNewsLastDay of the
// news when `newsXz` is not "" (LoadNews), then the listed words of `params` standing alone
// (TagAlone). False with `error` set as those do.
bool LoadCorpora(const std::string& reviewsXz, const std::string& newsXz, const Params& params, Corpus& corpus,
                 std::string& error);

// Reads the setting override at argv[i] (--min N, --l2 X, --balance 0|1, --clip X, --phrases N,
// --gap X, --topic X, --minweight X, --boundary X, --newssplits N, --splitweight X, --bagging 0|1,
// --shift 0|1, --negscale 0|1, --catpower X, --copies X, --lengthpower X, --stability X,
// --temperature X, --refine N, --hinge a,b, --reviewpower a,b, --negations a,b,c, --words FILE
// (the path only: the caller loads it with LoadWordList), --notalone FILE (likewise, LoadWordSet),
// --listonly 0|1, --listkeyness 0|1 and the opinion rules') with its value into `params`, advancing i past the value; false (i unchanged) for any other
// argument.
bool ParseOverride(int argc, char** argv, int& i, Params& params);

// The defaults of the shipped lexicon, chosen by the mean leave-one-category-out accuracy.
Params DefaultParams();

struct Lexicon {
    std::vector<std::pair<std::string, double>> weights;  // UTF-8 entry, weight (2 decimals, never 0)
    std::vector<std::string> negations;                   // UTF-8 entries
    double shift = 0.0;                                   // added to every learnt weight
    double negativeScale = 1.0;                           // the negative weights' factor, before the shift
};

// The lexicon learnt from every review whose category is not `skipCat` (-1: all), on the tagging
// `Scorer` simulates. `dropped`, when given, receives for each candidate an opinion rule left out
// the rule's name: "class" and "not alone" (words), "no opinion word", "name" and "polarity"
// (phrases), "pair class" (negated pairs); "closed", "symbol", "edge", "boundary", "keyness or
// topic", "weight", "news splits", "damage" and "final weight" (the earlier rules).
Lexicon Derive(const Corpus& corpus, int skipCat, const Params& params,
               std::map<std::string, std::string>* dropped = nullptr);

// The units of each review that `want` selects (by review; the others get none) as the engine
// itself tags them with `entries` weighted and `negations` as negation words installed as its
// field dictionary: entry f gives f, a negation word entries.size(), clause punctuation
// kClauseUnit. With the dictionary
// installed the engine cuts differently from the cut without it (an entry is one atom that the
// path search weighs as an unknown word, so 好 in 很好喝 may give way to the core word 好喝); this
// is the cut the library scores. The entries are imported into a scratch copy of
// `corpus.dataFolder`'s Data (its folder "recut.<process id>") and the reviews cut one after the
// other in corpus order, so the result is the same on every run. The engine is one per process:
// calls are serialised, and the caller must not have the engine started. Throws
// std::runtime_error when the copy, the import or the start fails.
std::vector<std::vector<int>> Recut(const Corpus& corpus, const std::vector<std::string>& entries,
                                    const std::vector<std::string>& negations, const std::vector<char>& want);

// The share of the tokens of the news paragraphs (`corpus.newsTexts`, every token of the engine's
// cut, punctuation included) that the engine tags with a weight once `lexicon` is installed as its
// field dictionary. 0 without news. Serialised and throwing as `Recut`.
double NewsWeightShare(const Corpus& corpus, const Lexicon& lexicon);

// How often each entry and then each negation word damages the engine's cut of the news
// paragraphs once all of them are installed as its field dictionary: the number of stretches of
// text (between the token boundaries the cuts with and without them share) that the two cut
// differently and that a unit tagged with the entry overlaps. `changed` receives the number of
// such stretches. Serialised and throwing as `Recut`.
std::vector<long> NewsDamage(const Corpus& corpus, const std::vector<std::string>& entries,
                             const std::vector<std::string>& negations, long* changed = nullptr);

// A copy of from/Data as to/Data without any field dictionary (to is emptied first). False when
// the copy fails.
bool CopyDataWithoutField(const std::string& from, const std::string& to);

// By review: 1 for the reviews of category `cat` (-1: every review), else 0.
std::vector<char> ReviewsOf(const Corpus& corpus, int cat);

// The point of a review's units as the library gives it: unit f < weights.size() adds
// weights[f], a kClauseUnit ends the clause, any other unit at or past weights.size() (or below
// 0) is a negation word that flips the next weighted unit of its clause; 0 when nothing weighs.
// `covered` tells whether any unit weighed.
double PointOfUnits(const std::vector<int>& units, const std::vector<double>& weights, bool* covered);

// The units of each review that `want` selects (the others get none) as the library tags them
// with `lexicon` imported: by `Recut` when `corpus.dataFolder` is set, else as `Scorer`
// simulates them. Unit f is lexicon.weights[f]; `weights`, when given, receives those weights in
// that order. Throws as `Recut` does.
std::vector<std::vector<int>> LexiconUnits(const Corpus& corpus, const Lexicon& lexicon, const std::vector<char>& want,
                                           std::vector<double>* weights = nullptr);

// The points of reviews as the derivation simulates the library with `lexicon` imported, on the
// cut without any entry: the engine tags a token with the longest entry starting there when it
// ends on a token boundary (an entry spanning several tokens merges them), and none when it ends
// inside a token. Exact for most reviews; where an entry makes the engine cut otherwise (see
// `Recut`) it is not. The fits learn on this tagging. Builds its index once.
class Scorer {
public:
    Scorer(const Corpus& corpus, const Lexicon& lexicon);
    // The point of the review; `covered` tells whether any entry weighed.
    double Point(const Review& review, bool* covered) const;

private:
    const Corpus& m_corpus;
    std::unordered_map<std::string, int> m_index;  // entry -> value index; m_weight.size() for a negation word
    std::vector<double> m_weight;                  // by value index
};

struct Figures {
    std::vector<double> accuracy, coverage;  // by category
    std::vector<double> positiveRight, negativeRight;  // by category: share of each label scored right
    double meanAccuracy = 0.0, meanCoverage = 0.0, pooled = 0.0;
};

// Leave-one-category-out figures of `params`, scoring as the library does (`LexiconUnits`: exactly
// when `corpus.dataFolder` is set).
Figures Evaluate(const Corpus& corpus, const Params& params);

// The lexicon text in GBK: "word weight" lines sorted by word, then "word Neg" lines.
std::string LexiconText(const Lexicon& lexicon);

}  // namespace sentilex
