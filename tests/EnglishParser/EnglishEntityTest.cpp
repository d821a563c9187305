// Named-entity grouping and the English word test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "EnglishParser/EnglishLexicon.h"

namespace {

using namespace kxtest;

class EnglishEntityTest : public ::testing::Test {
protected:
    std::vector<std::string> Grouped(const char* sLine) {
        eng.ProcessA(sLine);
        EXPECT_EQ(eng.NER(), 0);
        std::vector<std::string> out;
        for (const auto& t : eng.m_vecResult) out.push_back(t.word);
        return out;
    }

    EnglishLexicon lexicon;
    CEnglish eng;
};

typedef std::vector<std::string> V;

TEST_F(EnglishEntityTest, CapitalisedUnitAtTheEndMerges) {
    EXPECT_EQ(Grouped("he met Albert Einstein"), V({"he", "met", "Albert Einstein"}));
    const english_term_result& unit = eng.m_vecResult[2];
    EXPECT_EQ(unit.iPOS, kNr);
    EXPECT_STREQ(unit.sPOS, "nr");
    EXPECT_EQ(unit.unit_count, 2);
    EXPECT_EQ(unit.start, 7);
    EXPECT_EQ(unit.length, 15);
    EXPECT_EQ(unit.original_word, "Albert Einstein");
    // The whole line one unit.
    EXPECT_EQ(Grouped("Albert Einstein"), V({"Albert Einstein"}));
}

TEST_F(EnglishEntityTest, UnitsNearTheEndStayInBounds) {
    // "X of" at the end: the preposition is not taken without a capitalised word after it.
    EXPECT_EQ(Grouped("Albert of"), V({"Albert", "of"}));
    EXPECT_EQ(Grouped("Albert of Einstein"), V({"Albert", "of", "Einstein"}));
    // An unrecognised unit as the last item, alone and after others.
    EXPECT_EQ(Grouped("Xyzzy"), V({"Xyzzy"}));
    EXPECT_EQ(Grouped("the Xyzzy"), V({"the", "Xyzzy"}));
    EXPECT_EQ(Grouped("Xyzzy Plugh"), V({"Xyzzy", "Plugh"}));
    // A single known entity is not enough on its own.
    EXPECT_EQ(Grouped("Einstein"), V({"Einstein"}));
    EXPECT_EQ(eng.m_vecResult[0].iPOS, kNr);
    EXPECT_TRUE(Grouped("").empty());
}

TEST_F(EnglishEntityTest, UnrecognisedUnitSkipsTheFollowingItem) {
    // Xyzzy fails and is passed over with the item after it; the next unit is still found.
    EXPECT_EQ(Grouped("Xyzzy, Albert Einstein"), V({"Xyzzy", ",", "Albert Einstein"}));
    EXPECT_EQ(Grouped("Xyzzy 1 Albert Einstein"), V({"Xyzzy", "1", "Albert Einstein"}));
    // One unit of three that fails on its unknown first word.
    EXPECT_EQ(Grouped("Xyzzy Albert Einstein"), V({"Xyzzy", "Albert", "Einstein"}));
}

TEST_F(EnglishEntityTest, EntityTypeScores) {
    eng.ProcessA("China London Paris Albert Einstein");
    EXPECT_EQ(eng.RecognizeNEType(0, 2), kNs);
    // Paris is a place only by the alternative place tag.
    EXPECT_EQ(eng.RecognizeNEType(1, 2), kNs);
    EXPECT_EQ(eng.RecognizeNEType(3, 2), kNr);
    // Ranges past the end are cut; empty ranges give 0.
    EXPECT_EQ(eng.RecognizeNEType(3, 50), kNr);
    EXPECT_EQ(eng.RecognizeNEType(5, 2), 0);
    EXPECT_EQ(eng.RecognizeNEType(0, 0), 0);
    EXPECT_EQ(eng.RecognizeNEType(size_t(-1), 2), 0);
    // Inside a unit only a conjunction, number or particle may be missing from the entity list,
    // never the first item.
    eng.ProcessA("China and London");
    eng.m_vecResult[1].iPOS = kC;
    EXPECT_EQ(eng.RecognizeNEType(0, 3), kNs);
    eng.m_vecResult[1].iPOS = kN;
    EXPECT_EQ(eng.RecognizeNEType(0, 3), 0);
    eng.ProcessA("1 China");
    EXPECT_EQ(eng.RecognizeNEType(0, 2), 0);
    // Place score 80 - 250: -85 per item stands; 80 - 500: -140 per item does not.
    eng.ProcessA("Rome 1");
    EXPECT_EQ(eng.RecognizeNEType(0, 2), kNs);
    eng.ProcessA("Rome 1 2");
    EXPECT_EQ(eng.RecognizeNEType(0, 3), 0);
}

TEST_F(EnglishEntityTest, IsEnglishWordRules) {
    // 1: short, or in the dictionary.
    EXPECT_EQ(eng.IsEnglishWord("q"), 1);
    EXPECT_EQ(eng.IsEnglishWord(""), 1);
    EXPECT_EQ(eng.IsEnglishWord("book"), 1);
    // 2: an upper-case letter, a digit, a '.' before the last byte.
    EXPECT_EQ(eng.IsEnglishWord("qzXv"), 1);
    EXPECT_EQ(eng.IsEnglishWord("qz9v"), 1);
    EXPECT_EQ(eng.IsEnglishWord("q.zv"), 1);
    // 3: a possessive cut by "'" or by the right single quotation mark.
    EXPECT_EQ(eng.IsEnglishWord("book's"), 1);
    EXPECT_EQ(eng.IsEnglishWord("book\xE2\x80\x99s"), 1);  // book’s
    EXPECT_EQ(eng.IsEnglishWord("qzv's"), 0);
    // 4: -ing, -ity.
    EXPECT_EQ(eng.IsEnglishWord("booking"), 1);
    // 5: -ed, -ly, -al, -er.
    EXPECT_EQ(eng.IsEnglishWord("booked"), 1);
    EXPECT_EQ(eng.IsEnglishWord("booker"), 1);
    // 6: a final '.', 's' or 'd'.
    EXPECT_EQ(eng.IsEnglishWord("books"), 1);
    EXPECT_EQ(eng.IsEnglishWord("book."), 1);
    // 7: the last candidate with "e".
    EXPECT_EQ(eng.IsEnglishWord("making"), 1);
    EXPECT_EQ(eng.IsEnglishWord("mak"), 1);
    // 8: letters only is not English, any other byte passes.
    EXPECT_EQ(eng.IsEnglishWord("qzvx"), 0);
    EXPECT_EQ(eng.IsEnglishWord("qzvxing"), 0);
    EXPECT_EQ(eng.IsEnglishWord("qz#x"), 1);
    EXPECT_EQ(eng.IsEnglishWord("qz\xB0\xA1"), 1);
    EXPECT_EQ(eng.IsEnglishWord("'qzv"), 0);
}

}  // namespace
