#include "Utility/XMLParamReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/TestUtil.h"

namespace {

CXMLParamReader Reader(const std::string& text) { return CXMLParamReader(text.data(), int(text.size())); }

}  // namespace

TEST(XMLParamReaderTest, PathsAndTypedGetters) {
    const std::string doc =
        "<Config>\r\n\t<a><b> 5 </b></a>\r\n<Log>off</Log><Ratio> 0.25 </Ratio>"
        "<Item name=\"x\"> \tval ue \n</Item><Multi>\r\n\tx\r\n</Multi></Config>";
    CXMLParamReader r(doc.data(), int(doc.size()));
    std::string s = "stale";
    int n = -1;
    double d = 0;
    float f = 0;
    EXPECT_TRUE(r.getParamString("Config.a.b", s));
    EXPECT_EQ(s, "5");
    EXPECT_TRUE(r.getParamInt("a.b", n));
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(r.getParamDouble("Config.Ratio", d));
    EXPECT_DOUBLE_EQ(d, 0.25);
    EXPECT_TRUE(r.getParamFloat("Ratio", f));
    EXPECT_FLOAT_EQ(f, 0.25f);
    EXPECT_TRUE(r.getParamString("Multi", s));
    EXPECT_EQ(s, "x");
    // A component may carry attributes; it is closed by its first word. TAB removed inside.
    EXPECT_TRUE(r.getParamString("Config.Item name=\"x\"", s));
    EXPECT_EQ(s, "val ue");
    // A nested component is searched from inside the parent onwards, past its end too.
    EXPECT_TRUE(r.getParamString("a.Log", s));
    EXPECT_EQ(s, "off");
    EXPECT_STREQ(r.getLastErrMsg(), "");
}

TEST(XMLParamReaderTest, MissingTagsAndAbsentText) {
    CXMLParamReader r = Reader("<a>1</a><open>never closed");
    std::string s = "stale";
    int n = 42;
    EXPECT_FALSE(r.getParamString("c", s));
    EXPECT_EQ(s, "");
    EXPECT_STREQ(r.getLastErrMsg(), "Can't find the tag: <c>");
    EXPECT_FALSE(r.getParamInt("open", n));
    EXPECT_EQ(n, 42);
    EXPECT_STREQ(r.getLastErrMsg(), "Can't find the tag: <open>");
    EXPECT_FALSE(r.getParamString("a.b", s));
    EXPECT_STREQ(r.getLastErrMsg(), "Can't find the tag: <b>");
    EXPECT_FALSE(r.getParamString(nullptr, s));

    CXMLParamReader none(nullptr, 5);
    EXPECT_FALSE(none.getParamString("a", s));
    CXMLParamReader empty("x", 0);
    EXPECT_FALSE(empty.getParamString("a", s));
    // Only nBufLen bytes are taken.
    CXMLParamReader cut("<a>1</a>", 5);
    EXPECT_FALSE(cut.getParamString("a", s));
}

TEST(XMLParamReaderTest, LongComponentCutsTheMessage) {
    const std::string name(300, 'k');
    const std::string longer(1200, 'q');
    CXMLParamReader r = Reader("<" + name + ">v</" + name + ">");
    std::string s;
    EXPECT_TRUE(r.getParamString(name.c_str(), s));
    EXPECT_EQ(s, "v");
    EXPECT_FALSE(r.getParamString(longer.c_str(), s));
    EXPECT_EQ(std::strlen(r.getLastErrMsg()), 1023u);
    EXPECT_EQ(std::string(r.getLastErrMsg()).substr(0, 22), "Can't find the tag: <q");
}

TEST(XMLParamReaderTest, ReadsFilesWithoutNulBytes) {
    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("p.xml"), std::string("<a>1\0" "2</a>", 10));
    CXMLParamReader r(dir.file("p.xml").c_str());
    int n = 0;
    EXPECT_TRUE(r.getParamInt("a", n));
    EXPECT_EQ(n, 12);
    CXMLParamReader missing(dir.file("none.xml").c_str());
    std::string s;
    EXPECT_FALSE(missing.getParamString("a", s));
    kxtest::WriteAll(dir.file("empty.xml"), "");
    CXMLParamReader empty(dir.file("empty.xml").c_str());
    EXPECT_FALSE(empty.getParamString("a", s));
}
