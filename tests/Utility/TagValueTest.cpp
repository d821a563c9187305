#include "Utility/TagValue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(TagValueTest, AbsentAndUnclosedItems) {
    char buf[64] = "junk";
    tstring s = "junk";
    EXPECT_FALSE(GetXMLItemValue("<a>1</a>", "b", buf));
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetXMLItemValue("<a>1</a>", "b", s), nullptr);
    EXPECT_EQ(s, "");
    // Without the closing tag: the rest of the text; true against NULL.
    EXPECT_TRUE(GetXMLItemValue("x<a>12 <b>", "a", buf));
    EXPECT_STREQ(buf, "12 <b>");
    EXPECT_EQ(GetXMLItemValue("x<a>12 <b>", "a", s), nullptr);
    EXPECT_EQ(s, "12 <b>");
    EXPECT_EQ(GetXMLItemInt("<n>42", "n"), 42);
    EXPECT_EQ(GetXMLItemInt("<m>42</m>", "n"), 0);
    // NULL text or name counts as absent.
    EXPECT_FALSE(GetXMLItemValue(nullptr, "a", buf));
    EXPECT_EQ(GetXMLItemValue("<a>1</a>", nullptr, s), nullptr);
}

TEST(TagValueTest, RawValuesDuplicatesAndEmptyItems) {
    const char* doc = "<p> <![CDATA[a&amp;b]]> </p><p>2</p><q></q><t x=\"1\">no</t>";
    tstring s;
    const char* pos = GetXMLItemValue(doc, "p", s);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(s, " <![CDATA[a&amp;b]]> ");  // no trimming, no unescaping
    EXPECT_EQ(strncmp(pos, "</p>", 4), 0);
    pos = GetXMLItemValue(pos, "p", s);  // the next one, from the returned position
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(s, "2");
    EXPECT_EQ(GetXMLItemValue(pos + 1, "p", s), nullptr);

    char buf[8] = "junk";
    EXPECT_TRUE(GetXMLItemValue(doc, "q", buf));
    EXPECT_STREQ(buf, "");
    EXPECT_NE(GetXMLItemValue(doc, "q", s), nullptr);
    EXPECT_EQ(s, "");
    // A tag with attributes is not "<t>".
    EXPECT_EQ(GetXMLItemValue(doc, "t", s), nullptr);
}

TEST(TagValueTest, CapacityFormTruncatesAndLongNamesWork) {
    std::string longValue(300, 'v');
    std::string doc = "<Sentence>" + longValue + "</Sentence>";
    char buf[104];
    memset(buf, 'Z', sizeof buf);
    EXPECT_TRUE(GetXMLItemValue(doc.c_str(), "Sentence", buf, sizeof buf));
    EXPECT_EQ(std::string(buf), std::string(103, 'v'));
    EXPECT_FALSE(GetXMLItemValue(doc.c_str(), "Other", buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(GetXMLItemValue(doc.c_str(), "Sentence", buf, 0));  // nothing written
    EXPECT_EQ(buf[0], 0);

    std::string name(300, 'n');  // longer than any fixed pattern buffer
    std::string doc2 = "<" + name + ">ok</" + name + ">";
    tstring s;
    EXPECT_NE(GetXMLItemValue(doc2.c_str(), name.c_str(), s), nullptr);
    EXPECT_EQ(s, "ok");
    EXPECT_TRUE(GetXMLItemValue(doc2.c_str(), name.c_str(), buf, sizeof buf));
    EXPECT_STREQ(buf, "ok");
}

TEST(TagValueTest, PropertyForm) {
    const char* doc = "<w pos=\"n\" id=\"7\">\n<v id=\"8\">";
    tstring s = "junk";
    const char* q = GetXMLPropertyValue(doc, "pos", s, nullptr);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(*q, '"');
    EXPECT_EQ(s, "n");
    const char* lineEnd = strchr(doc, '\n');
    EXPECT_NE(GetXMLPropertyValue(doc, "id", s, lineEnd), nullptr);
    EXPECT_EQ(s, "7");
    EXPECT_EQ(GetXMLPropertyValue(lineEnd, "id", s, lineEnd), nullptr);  // match beyond the limit
    EXPECT_EQ(s, "");
    EXPECT_EQ(GetXMLPropertyValue("a=\"open", "a", s), nullptr);
    EXPECT_EQ(s, "open");
}

TEST(TagValueTest, JsonForm) {
    tstring s = "keep";
    EXPECT_EQ(GetJsonItemValue(nullptr, "a", s), nullptr);
    EXPECT_EQ(s, "keep");  // NULL text leaves the value alone
    const char* doc = "{\"n\": 12, \"name\":\"Li\", \"k\":\"5\"}";
    // A non-string value yields the next quoted text.
    EXPECT_NE(GetJsonItemValue(doc, "n", s), nullptr);
    EXPECT_EQ(s, "name");
    EXPECT_NE(GetJsonItemValue(doc, "name", s), nullptr);
    EXPECT_EQ(s, "Li");
    EXPECT_EQ(GetJsonItemInt(doc, "k"), 5);
    EXPECT_EQ(GetJsonItemValue(doc, "zz", s), nullptr);
    EXPECT_EQ(s, "");
    EXPECT_EQ(GetJsonItemValue("{\"a\":1}", "a", s), nullptr);  // no opening quote
    EXPECT_EQ(GetJsonItemValue("{\"a\":\"open", "a", s), nullptr);
    EXPECT_EQ(s, "open");
}
