#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "SentimentNew/class/Sentiment.h"
#include "common/TestUtil.h"

namespace {

Config ReadText(const kxtest::TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("config.xml");
    kxtest::WriteAll(path, bytes);
    return Sentiment::ReadConfig(path);
}

// UTF-16LE form of an ASCII text.
std::string Utf16Le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string(1, c) + '\0';
    return out;
}

void ExpectEmpty(const Config& c) {
    EXPECT_TRUE(c.eventcategory.empty());
    EXPECT_EQ(c.wordset.tag, "");
    EXPECT_EQ(c.wordset.value, "");
    EXPECT_EQ(c.remove.sentenceDescription, "");
    EXPECT_EQ(c.remove.removeSentence, "");
    EXPECT_EQ(c.remove.wordDescription, "");
    EXPECT_EQ(c.remove.removeWord, "");
}

}  // namespace

TEST(SentiConfigTest, ReadsEveryFieldOfADocument) {
    kxtest::TempDir dir;
    const Config c = ReadText(dir,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<QVSentiment-Config>\n"
        "  <eventcategory>\n"
        "    <category id=\"2\"><description>phones</description><brandword>Apple|Nokia</brandword>\n"
        "      <featureword>screen</featureword>\n"
        "      <sentimentword><advantage>fast</advantage><disadvantage>slow</disadvantage>"
        "<negative>broken</negative></sentimentword></category>\n"
        "    <category id=\"1\"><brandword><![CDATA[A&B|C]]></brandword></category>\n"
        "    <note id=\"3\"><brandword>skipped</brandword></note>\n"
        "  </eventcategory>\n"
        "  <wordset><set tag=\"neg\"> \xE4\xB8\x8D |\xE4\xB8\x8D|\xE6\xB2\xA1\xE6\x9C\x89\n</set>"
        "<set tag=\"second\">ignored</set></wordset>\n"
        "  <remove>\n"
        "    <remove tag=\"other\"><description>x</description><removeSentence>x</removeSentence></remove>\n"
        "    <remove tag=\"word\"><description>words</description><removeWord>ad|spam</removeWord></remove>\n"
        "    <remove tag=\"sentence\"><description>sentences</description><removeSentence>promo</removeSentence></remove>\n"
        "    <remove tag=\"sentence\"><removeSentence>second</removeSentence></remove>\n"
        "  </remove>\n"
        "</QVSentiment-Config>\n");
    ASSERT_EQ(c.eventcategory.size(), 2u);
    auto it = c.eventcategory.begin();
    EXPECT_EQ(it->first, 1);  // ascending by id whatever the document order
    EXPECT_EQ(it->second.brandword, "A&B|C");
    EXPECT_EQ(it->second.description, "");
    ++it;
    EXPECT_EQ(it->first, 2);
    EXPECT_EQ(it->second.description, "phones");
    EXPECT_EQ(it->second.brandword, "Apple|Nokia");
    EXPECT_EQ(it->second.featureword, "screen");
    EXPECT_EQ(it->second.sentimentword.advantage, "fast");
    EXPECT_EQ(it->second.sentimentword.disadvantage, "slow");
    EXPECT_EQ(it->second.sentimentword.negative, "broken");
    EXPECT_EQ(c.wordset.tag, "neg");
    // Kept untrimmed, as it stands: " 不 |不|没有\n"
    EXPECT_EQ(c.wordset.value, " \xE4\xB8\x8D |\xE4\xB8\x8D|\xE6\xB2\xA1\xE6\x9C\x89\n");
    EXPECT_EQ(c.remove.sentenceDescription, "sentences");
    EXPECT_EQ(c.remove.removeSentence, "promo");
    EXPECT_EQ(c.remove.wordDescription, "words");
    EXPECT_EQ(c.remove.removeWord, "ad|spam");
}

TEST(SentiConfigTest, CategoryIdsAndRepeats) {
    kxtest::TempDir dir;
    const Config c = ReadText(dir,
        "<QVSentiment-Config><eventcategory>"
        "<category><brandword>no id</brandword></category>"
        "<category id=\"5\"><brandword>first five</brandword></category>"
        "<category id=\"12x\"><brandword>twelve</brandword></category>"
        "<category id=\"abc\"><brandword>not a number</brandword></category>"
        "<category id=\"5\"><brandword>second five</brandword></category>"
        "<Category id=\"7\"><brandword>wrong case</brandword></Category>"
        "</eventcategory></QVSentiment-Config>");
    ASSERT_EQ(c.eventcategory.size(), 3u);
    EXPECT_EQ(c.eventcategory.at(0).brandword, "not a number");  // replaced the one without an id
    EXPECT_EQ(c.eventcategory.at(5).brandword, "second five");
    EXPECT_EQ(c.eventcategory.at(12).brandword, "twelve");
}

TEST(SentiConfigTest, UnreadableDocumentsGiveTheEmptyConfiguration) {
    kxtest::TempDir dir;
    ExpectEmpty(Sentiment::ReadConfig(dir.file("missing.xml")));
    ExpectEmpty(Sentiment::ReadConfig(""));
    // Paths that name no regular file are not read: a directory, a device, a pipe without a writer.
    ExpectEmpty(Sentiment::ReadConfig(dir.path()));
    ExpectEmpty(Sentiment::ReadConfig("/dev/zero"));
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    ExpectEmpty(Sentiment::ReadConfig(dir.file("pipe")));
    ExpectEmpty(ReadText(dir, "<QVSentiment-Config><wordset><set tag=\"a\">x</set></wordset>"));  // unclosed
    ExpectEmpty(ReadText(dir, ""));
    // Parses, but the root has another name (names are case-sensitive).
    ExpectEmpty(ReadText(dir, "<qvsentiment-config><wordset><set tag=\"a\">x</set></wordset></qvsentiment-config>"));
    // Missing parts give empty texts, the rest is read.
    const Config c = ReadText(dir, "<QVSentiment-Config><wordset><set>only text</set></wordset></QVSentiment-Config>");
    EXPECT_TRUE(c.eventcategory.empty());
    EXPECT_EQ(c.wordset.tag, "");
    EXPECT_EQ(c.wordset.value, "only text");
    EXPECT_EQ(c.remove.removeWord, "");
}

TEST(SentiConfigTest, FileEncodings) {
    kxtest::TempDir dir;
    // GBK bytes pass unchanged, declared or not: 不|没有
    const std::string gbk = "\xB2\xBB|\xC3\xBB\xD3\xD0";
    EXPECT_EQ(ReadText(dir, "<QVSentiment-Config><wordset><set>" + gbk + "</set></wordset></QVSentiment-Config>")
                  .wordset.value,
              gbk);
    EXPECT_EQ(ReadText(dir, "<?xml version=\"1.0\" encoding=\"GBK\"?><QVSentiment-Config><wordset><set>" + gbk +
                                "</set></wordset></QVSentiment-Config>")
                  .wordset.value,
              gbk);
    // A document declared Latin-1 is turned into UTF-8.
    EXPECT_EQ(ReadText(dir, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><QVSentiment-Config><wordset><set>"
                            "caf\xE9</set></wordset></QVSentiment-Config>")
                  .wordset.value,
              "caf\xC3\xA9");
    // So is UTF-16 with a byte-order mark: 不 is U+4E0D.
    const std::string utf16 = "\xFF\xFE" + Utf16Le("<QVSentiment-Config><wordset><set>") + std::string("\x0D\x4E", 2) +
                              Utf16Le("</set></wordset></QVSentiment-Config>");
    EXPECT_EQ(ReadText(dir, utf16).wordset.value, "\xE4\xB8\x8D");
}
