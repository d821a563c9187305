#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "CommaLocale.h"
#include "FakeSentiEngine.h"
#include "SentimentNew/class/Sentiment.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/UserWordLedger.h"
#include "common/TestUtil.h"

using kxtest::FakeSentiEngine;

namespace {

const char kApple[] = "\xC6\xBB\xB9\xFB";  // 苹果
const char kNot[] = "\xB2\xBB";            // 不
const char kNone[] = "\xC3\xBB\xD3\xD0";   // 没有

class ObjectRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_engine.Preset("good", "2");
        m_engine.Preset("bad", "-1.5");
        m_engine.Preset("meh", "-0.5");
    }

    std::string Multi(const std::string& title, const std::string& content, const std::vector<std::string>& objects,
                      int* hits = nullptr) {
        int n = -7;
        const std::string doc = m_senti.GetMultiObjectResult(title, content, objects, n);
        if (hits) *hits = n;
        return doc;
    }

    std::string WriteConfig(const std::string& negations, const std::string& removeSentence,
                            const std::string& removeWord, const std::vector<std::string>& brandwords) {
        std::string xml = "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<QVSentiment-Config>\n<eventcategory>\n";
        int id = int(brandwords.size());
        for (const std::string& b : brandwords) {
            xml += "<category id=\"" + std::to_string(id--) + "\"><brandword>" + b + "</brandword></category>\n";
        }
        xml += "</eventcategory>\n<wordset><set tag=\"neg\">" + negations + "</set></wordset>\n";
        xml += "<remove><remove tag=\"sentence\"><removeSentence>" + removeSentence + "</removeSentence></remove>";
        xml += "<remove tag=\"word\"><removeWord>" + removeWord + "</removeWord></remove></remove>\n";
        xml += "</QVSentiment-Config>\n";
        const std::string path = m_dir.file("config.xml");
        kxtest::WriteAll(path, xml);
        return path;
    }

    kxtest::TempDir m_dir;
    FakeSentiEngine m_engine;
    Sentiment m_senti{"", 0, m_engine};
};

}  // namespace

TEST_F(ObjectRequestTest, ObjectInTitleAndTwoSentencesGivesTheEighteenLineDocument) {
    int hits = 0;
    const std::string doc =
        Multi("phone good", "the phone is bad. nothing here! phone not good", {"phone"}, &hits);
    EXPECT_EQ(hits, 2);
    EXPECT_EQ(doc,
              "<?xml version=\"1.0\" encoding=\"gbk\" standalone=\"yes\"?>\n"
              "<QVSentiment-Result>\n"
              "\t<result>\n"
              "\t\t<object>phone</object>\n"
              "\t\t<polarity>2.50</polarity>\n"
              "\t\t<positivepoint>4.00</positivepoint>\n"
              "\t\t<negativepoint>-1.50</negativepoint>\n"
              "\t\t<sentenceclue>\n"
              "\t\t\t<titlesentenceclue><![CDATA[\n"
              "<object>phone</object><pos value=\"2\">good</pos>\n"
              "]]></titlesentenceclue>\n"
              "\t\t\t<contentsentenceclue><![CDATA[\n"
              "the<object>phone</object>is<neg value=\"-1.5\">bad</neg>\n"
              "<object>phone</object>not<pos value=\"2\">good</pos>\n"
              "]]></contentsentenceclue>\n"
              "\t\t</sentenceclue>\n"
              "\t</result>\n"
              "</QVSentiment-Result>\n");
}

TEST_F(ObjectRequestTest, ResultsFollowTheListAndOnlyObjectsThatOccur) {
    int hits = 0;
    // Title only: only the title clue.
    std::string doc = Multi("phone meh", "nothing here", {"phone"}, &hits);
    EXPECT_EQ(hits, 1);
    EXPECT_NE(doc.find("<titlesentenceclue>"), std::string::npos);
    EXPECT_EQ(doc.find("<contentsentenceclue>"), std::string::npos);
    EXPECT_NE(doc.find("<polarity>-0.50</polarity>"), std::string::npos);

    // No hit: a document without any result.
    doc = Multi("", "nothing here", {"phone"}, &hits);
    EXPECT_EQ(hits, 0);
    EXPECT_EQ(doc, "<?xml version=\"1.0\" encoding=\"gbk\" standalone=\"yes\"?>\n<QVSentiment-Result />\n");

    // Two objects in list order, not byte order; an object whose sentence loses its text to a
    // removal word still adds its points and an empty line.
    m_engine.Preset("promo", "RemSent");
    doc = Multi("", "zebra good. apple bad promo", {"zebra", "absent", "apple"}, &hits);
    EXPECT_EQ(hits, 2);
    const size_t z = doc.find("<object>zebra</object>");
    const size_t a = doc.find("<object>apple</object>");
    ASSERT_NE(z, std::string::npos);
    ASSERT_NE(a, std::string::npos);
    EXPECT_LT(z, a);
    EXPECT_EQ(doc.find("absent"), std::string::npos);
    EXPECT_NE(doc.find("<contentsentenceclue><![CDATA[\n\n]]></contentsentenceclue>"), std::string::npos);
    EXPECT_NE(doc.find("<negativepoint>-1.50</negativepoint>"), std::string::npos);
}

TEST_F(ObjectRequestTest, SingleTextDocument) {
    Sentiment senti("", 0, m_engine);
    EXPECT_EQ(senti.GetSentenceResult(""),
              "<?xml version=\"1.0\" encoding=\"gbk\" standalone=\"yes\"?>\n"
              "<QVSentiment-Result>\n"
              "\t<result>\n"
              "\t\t<polarity>0.00</polarity>\n"
              "\t\t<positivepoint>0.00</positivepoint>\n"
              "\t\t<negativepoint>0.00</negativepoint>\n"
              "\t\t<contentsentenceclue><![CDATA[]]></contentsentenceclue>\n"
              "\t</result>\n"
              "</QVSentiment-Result>\n");
    // The whole text is kept, without a line feed around it; the dictionary is not touched.
    const auto before = m_engine.Present();
    const std::string doc = senti.GetSentenceResult("so good but meh");
    EXPECT_NE(doc.find("<polarity>1.50</polarity>"), std::string::npos);
    EXPECT_NE(doc.find("<negativepoint>-0.50</negativepoint>"), std::string::npos);
    EXPECT_NE(doc.find("<![CDATA[so<pos value=\"2\">good</pos>but<neg value=\"-0.5\">meh</neg>]]>"),
              std::string::npos);
    EXPECT_EQ(m_engine.Present(), before);
    EXPECT_TRUE(m_engine.m_adds.empty());
}

TEST_F(ObjectRequestTest, DeclarationNamesTheWorkingEncoding) {
    const std::pair<int, const char*> cases[] = {
        {1, "utf-8"}, {4, "utf-8"}, {-1, "utf-8"}, {2, "big5"}, {0, "gbk"}, {3, "gbk"}, {5, "gbk"}};
    for (const auto& c : cases) {
        Sentiment senti("", c.first, m_engine);
        const std::string expected = std::string("<?xml version=\"1.0\" encoding=\"") + c.second + "\" standalone=\"yes\"?>\n";
        EXPECT_EQ(senti.GetSentenceResult("x").substr(0, expected.size()), expected) << "code " << c.first;
    }
}

TEST_F(ObjectRequestTest, PointsAreTwoDecimalsInTheClassicLocale) {
    EXPECT_EQ(FormatPoint(1), "1.00");
    EXPECT_EQ(FormatPoint(-0.5), "-0.50");
    EXPECT_EQ(FormatPoint(-0.001), "-0.00");
    EXPECT_EQ(FormatPoint(2.675), "2.67");  // the double below 2.675, as printf rounds it
    kxtest::CommaLocale comma;
    EXPECT_EQ(FormatPoint(1234.5), "1234.50");
    m_engine.Preset("great", "1234.5");
    const std::string doc = Multi("", "phone great", {"phone"});
    EXPECT_NE(doc.find("<positivepoint>1234.50</positivepoint>"), std::string::npos);
    EXPECT_NE(doc.find("<pos value=\"1234.5\">great</pos>"), std::string::npos);
}

TEST_F(ObjectRequestTest, LedgerPutsBackPreExistingAndNewWords) {
    m_engine.Preset(kApple, "nz", 7);
    const auto before = m_engine.Present();
    int hits = 0;
    const std::string doc = Multi("", std::string(kApple) + " good. phone bad", {kApple, "phone"}, &hits);
    EXPECT_EQ(hits, 2);
    EXPECT_NE(doc.find(std::string("<object>") + kApple + "</object>"), std::string::npos);
    // 苹果 keeps tag nz, count 7 and its handle; phone is gone again.
    EXPECT_EQ(m_engine.Present(), before);
    EXPECT_EQ(m_engine.m_adds, (std::vector<std::string>{std::string(kApple) + " Object", "phone Object"}));
    EXPECT_EQ(m_engine.m_nSaves, 0);
}

TEST_F(ObjectRequestTest, LedgerPutsBackOnEveryExitPath) {
    m_engine.Preset(kApple, "nz", 7);
    m_engine.Preset(kNot, "d", 3);
    const auto before = m_engine.Present();

    // An exception in the middle of the object-list request.
    m_engine.m_nThrowOnTag = 2;
    EXPECT_THROW(Multi("phone", "a. b. c", {kApple, "phone", "Phone"}), std::runtime_error);
    EXPECT_EQ(m_engine.Present(), before);

    // And in the configuration form, whose configuration words are put back too (without a save:
    // nothing of the request reached the disk).
    m_engine.m_nTagCalls = 0;
    const std::string config = WriteConfig(std::string(kNot) + "|" + kNone, "promo", "junk", {"phone|" + std::string(kApple)});
    EXPECT_THROW(m_senti.GetMultiObjectResult("t", "a. b", config), std::runtime_error);
    EXPECT_EQ(m_engine.Present(), before);
    EXPECT_EQ(m_engine.m_nSaves, 0);

    // A ledger dropped without a put-back restores on destruction; an early put-back is not
    // repeated, and a word is recorded once however often it is added.
    m_engine.m_nThrowOnTag = 0;
    {
        UserWordLedger ledger(m_engine);
        EXPECT_EQ(ledger.Add(kApple, "Object"), 2);
        EXPECT_EQ(ledger.Add(kApple, "Neg"), 2);
        EXPECT_EQ(ledger.Add("New", "Object"), 1);
        EXPECT_EQ(ledger.Add("new", "RemSent"), 2);
        EXPECT_EQ(ledger.PutBack(kApple), 0);
        EXPECT_EQ(ledger.PutBack(kApple), 0);
        EXPECT_EQ(ledger.PutBack("never added"), 0);
        m_engine.m_nRestores = 0;
    }
    EXPECT_EQ(m_engine.m_nRestores, 1);  // only "New" was left
    EXPECT_EQ(m_engine.Present(), before);

    // A word whose state cannot be read is not added.
    m_engine.m_bStopped = true;
    {
        UserWordLedger ledger(m_engine);
        m_engine.m_adds.clear();
        EXPECT_EQ(ledger.Add("w", "Object"), -1);
        EXPECT_TRUE(m_engine.m_adds.empty());
    }
}

TEST_F(ObjectRequestTest, ConfigurationRequestHandlesEveryWordThenSaves) {
    m_engine.Preset(kNot, "d", 3);
    const auto before = m_engine.Present();
    // Pretty-printed pieces, a word listed twice and in two lists, duplicate and empty brand words.
    const std::string config = WriteConfig(std::string("\n  ") + kNot + " |" + kNot + "|" + kNone + "\n", kNot + std::string("|promo"),
                                           " junk ", {"phone| |zebra", "phone||"});
    const std::string doc = m_senti.GetMultiObjectResult("", "phone " + std::string(kNot) + " good. zebra " + kNone + " bad",
                                                         config);
    // Brand words once each, byte-sorted. 不 ends up with the removal tag added after its
    // negation tag, so its sentence loses its text; 没有 flips the weight after it.
    EXPECT_EQ(m_engine.m_adds,
              (std::vector<std::string>{std::string(kNot) + " Neg", std::string(kNot) + " Neg", std::string(kNone) + " Neg",
                                        std::string(kNot) + " RemSent", "promo RemSent", "junk ", "phone Object",
                                        "zebra Object"}));
    const size_t p = doc.find("<object>phone</object>");
    const size_t z = doc.find("<object>zebra</object>");
    ASSERT_NE(p, std::string::npos);
    ASSERT_LT(p, z);
    EXPECT_NE(doc.find("<neg_word>" + std::string(kNone) + "</neg_word><pos value=\"1.5\">bad</pos>"), std::string::npos);
    // One save, once every word is back: the dictionary saved is the one the request found.
    EXPECT_EQ(m_engine.m_nSaves, 1);
    EXPECT_EQ(m_engine.m_savedSnapshots, std::vector<FakeSentiEngine::Snapshot>{before});
    EXPECT_EQ(m_engine.Present(), before);

    // No hit: "" and still the one save; an unreadable configuration likewise, and it says so.
    m_engine.m_nSaves = 0;
    EXPECT_EQ(m_senti.GetMultiObjectResult("", "nothing", config), "");
    EXPECT_EQ(m_engine.m_nSaves, 1);
    bool bRead = true;
    EXPECT_EQ(m_senti.GetMultiObjectResult("phone", "phone", m_dir.file("missing.xml"), &bRead), "");
    EXPECT_FALSE(bRead);
    EXPECT_EQ(m_engine.m_nSaves, 2);
    EXPECT_EQ(m_engine.Present(), before);
    m_senti.GetMultiObjectResult("", "nothing", config, &bRead);
    EXPECT_TRUE(bRead);
}

TEST_F(ObjectRequestTest, DelUsrWordHandlesEveryWordAndReportsFailures) {
    UserWordLedger ledger(m_engine);
    for (const char* w : {"a1", "b2", "c3"}) ledger.Add(w, "Neg");
    EXPECT_EQ(m_senti.DelUsrWord(ledger, {"a1", "a1", "b2"}, false), 3);
    EXPECT_EQ(m_engine.m_nSaves, 0);
    m_engine.m_nSaveResult = 0;
    EXPECT_EQ(m_senti.DelUsrWord(ledger, {"c3"}, true), -1);  // the save failed, the word is back
    EXPECT_EQ(m_engine.m_nSaves, 1);
    EXPECT_TRUE(m_engine.Present().count("c3") == 0);

    // A failed put-back does not stop the others, and the save still runs.
    m_engine.m_nSaveResult = 1;
    for (const char* w : {"d4", "e5"}) ledger.Add(w, "Neg");
    m_engine.m_bFailRestore = true;
    m_engine.m_nRestores = 0;
    EXPECT_EQ(m_senti.DelUsrWord(ledger, {"d4", "e5"}, true), -1);
    EXPECT_EQ(m_engine.m_nRestores, 2);
    EXPECT_EQ(m_engine.m_nSaves, 2);
    m_engine.m_bFailRestore = false;
}

TEST_F(ObjectRequestTest, RefusedWordsAreNeverAdded) {
    const auto before = m_engine.Present();
    int hits = -1;
    EXPECT_EQ(Multi("good", "good Neg. a/b. x\ty", {"good Neg", "a/b", "x\ty", "", " \r\n", "v\vw", "f\fg"}, &hits),
              "<?xml version=\"1.0\" encoding=\"gbk\" standalone=\"yes\"?>\n<QVSentiment-Result />\n");
    EXPECT_EQ(hits, 0);
    EXPECT_TRUE(m_engine.m_adds.empty());
    EXPECT_EQ(m_engine.Present(), before);

    // Trimmed words are used everywhere: the add, the lookup, the "object" text.
    Multi("", "phone good", {" \tphone\r\n"}, &hits);
    EXPECT_EQ(hits, 1);
    EXPECT_EQ(m_engine.m_adds, std::vector<std::string>{"phone Object"});
    EXPECT_EQ(m_engine.Present(), before);

    tstring word;
    EXPECT_TRUE(CleanRequestWord("\n  " + std::string(kNot) + " \t", word));
    EXPECT_EQ(word, kNot);
    EXPECT_FALSE(CleanRequestWord("a b", word));
    EXPECT_EQ(word, "");
    EXPECT_EQ(CleanWordList("|a| b |c d|e/f||"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ObjectRequestTest, ObjectsMatchWithoutAsciiCase) {
    int hits = 0;
    const std::string doc = Multi("", "Apple good", {"apple"}, &hits);
    EXPECT_EQ(hits, 1);
    EXPECT_NE(doc.find("<object>apple</object>"), std::string::npos);
    EXPECT_NE(doc.find("<object>Apple</object><pos value=\"2\">good</pos>"), std::string::npos);

    // Folding walks whole characters: GBK and BIG5 trail bytes in 0x41-0x5A stay.
    EXPECT_EQ(FoldAscii("\x81\x41XY\xB0\x5A", SentiEncoding::GBK), "\x81\x41xy\xB0\x5A");
    EXPECT_EQ(FoldAscii("\xA4\x41Q", SentiEncoding::BIG5), "\xA4\x41q");
    // In UTF-8 those bytes are not lead bytes, so the letters after them fold.
    EXPECT_EQ(FoldAscii("\x81\x41\xE4\xB8\xADZ", SentiEncoding::UTF8), "\x81\x61\xE4\xB8\xADz");
    // A GBK object whose trail byte is a capital is found, and not merged with its folded twin.
    const std::string gbk = Multi("", "\x81\x41\x81\x41 good", {"\x81\x41\x81\x41"}, &hits);
    EXPECT_EQ(hits, 1);
    EXPECT_NE(gbk.find("<object>\x81\x41\x81\x41</object>"), std::string::npos);
}
