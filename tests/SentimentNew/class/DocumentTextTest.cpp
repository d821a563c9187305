#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "FakeSentiEngine.h"
#include "SentimentNew/class/Sentiment.h"
#include "SentimentNew/class/SentiText.h"
#include "common/TestUtil.h"

using kxtest::FakeSentiEngine;

namespace {

std::string San(const std::string& s, SentiEncoding enc, const CCodeTran* big5 = nullptr) {
    return SanitizeDocumentText(s, enc, big5);
}

// The code-2 converter of the built data directory; null when the data is not there.
const CCodeTran* Big5Converter() {
    static std::unique_ptr<CCodeTran> conv = [] {
        const std::string dir = std::string(KX_BUILD_DIR) + "/Data";
        if (access((dir + "/BIG5.pdat").c_str(), R_OK) != 0) return std::unique_ptr<CCodeTran>();
        std::unique_ptr<CCodeTran> c(new CCodeTran(dir.c_str(), 2));
        if (c->GetStatus() != 1) c.reset();
        return c;
    }();
    return conv.get();
}

// Runs libxml2's strict parser on a document; false with its messages when it rejects it.
::testing::AssertionResult StrictParserAccepts(const std::string& doc) {
    kxtest::TempDir dir;
    const std::string path = dir.file("doc.xml");
    kxtest::WriteAll(path, doc);
    const std::string log = dir.file("xmllint.log");
    const int rc = std::system(("xmllint --noout '" + path + "' > '" + log + "' 2>&1").c_str());
    if (rc == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "xmllint: " << kxtest::ReadAll(log) << "\ndocument:\n" << doc;
}

bool HaveXmllint() { return access("/usr/bin/xmllint", X_OK) == 0; }

// Random bytes, biased towards the lead and trail ranges of the double-byte encodings.
std::string RandomBytes(std::mt19937& rng, size_t n) {
    std::string s;
    std::uniform_int_distribution<int> kind(0, 3), byte(0, 255), high(0x80, 0xFF), ascii(0x20, 0x7E);
    while (s.size() < n) {
        switch (kind(rng)) {
            case 0: s += char(byte(rng)); break;
            case 1: s += char(ascii(rng)); break;
            default: s += char(high(rng)); break;
        }
    }
    return s;
}

}  // namespace

TEST(DocumentTextTest, ControlBytesAreRemovedInEveryEncoding) {
    for (SentiEncoding enc : {SentiEncoding::GBK, SentiEncoding::UTF8, SentiEncoding::BIG5}) {
        EXPECT_EQ(San(std::string("a\x01" "b\x1F\tc\r\nd\x7F", 10) + std::string(1, '\0') + "]]>", enc),
                  "ab\tc\r\nd\x7F]]>");
    }
}

TEST(DocumentTextTest, GbkKeepsMappedPairsOnly) {
    const std::string valid = "\xB0\xA1\xD6\xD0 \xA3\xAC\x81\x40\xFE\x4F ok";  // 啊中 ，丂 and a GBK/4 pair
    EXPECT_EQ(San(valid, SentiEncoding::GBK), valid);
    EXPECT_EQ(San("\xA2\xAB ", SentiEncoding::GBK), "?? ");    // well-formed but unmapped
    EXPECT_EQ(San("a\x80" "b", SentiEncoding::GBK), "a?b");    // 0x80 alone
    EXPECT_EQ(San("\xB0\xA1\xB0", SentiEncoding::GBK), "\xB0\xA1?");  // lone lead at the end
    EXPECT_EQ(San("\xB0\x01\xA1", SentiEncoding::GBK), "??");  // lead, control, stray byte
    EXPECT_EQ(San("\xFF\xFF", SentiEncoding::GBK), "??");
}

TEST(DocumentTextTest, Utf8KeepsWellFormedScalarValues) {
    const std::string valid = "\xE4\xB8\xAD\xE2\x80\x9C\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD";
    EXPECT_EQ(San(valid, SentiEncoding::UTF8), valid);
    EXPECT_EQ(San("\xC0\xAF", SentiEncoding::UTF8), "??");              // overlong
    EXPECT_EQ(San("\xED\xA0\x80", SentiEncoding::UTF8), "???");         // surrogate
    EXPECT_EQ(San("\xF4\x90\x80\x80", SentiEncoding::UTF8), "????");    // above U+10FFFF
    EXPECT_EQ(San("a\xE4\xB8", SentiEncoding::UTF8), "a??");            // truncated
    EXPECT_EQ(San("\xEF\xBF\xBE\xEF\xBF\xBFx", SentiEncoding::UTF8), "??x");  // U+FFFE, U+FFFF
    EXPECT_EQ(San("\x80\xB8\xAD", SentiEncoding::UTF8), "???");
}

TEST(DocumentTextTest, Big5KeepsTheConvertersCharacters) {
    // Without a converter the BIG5 ranges are kept.
    EXPECT_EQ(San("\xA4\xA4\xA4\xE5", SentiEncoding::BIG5), "\xA4\xA4\xA4\xE5");  // 中文
    EXPECT_EQ(San("\xFA\x40\x80", SentiEncoding::BIG5), "?@?");
    EXPECT_EQ(San("\xA3\xC0", SentiEncoding::BIG5), "\xA3\xC0");
    const CCodeTran* conv = Big5Converter();
    if (!conv) GTEST_SKIP() << "no built data directory";
    EXPECT_EQ(San("\xA4\xA4\xA4\xE5\xA1\x43", SentiEncoding::BIG5, conv), "\xA4\xA4\xA4\xE5\xA1\x43");
    EXPECT_EQ(San("\xA3\xC0", SentiEncoding::BIG5, conv), "??");  // a reserved code
    EXPECT_EQ(San("\xA4\x0A", SentiEncoding::BIG5, conv), "?\n");
}

TEST(DocumentTextTest, EveryDocumentTextIsSanitised) {
    FakeSentiEngine engine;
    engine.Preset("good", "2");
    Sentiment senti("", 0, engine);
    int hits = 0;
    const std::string doc =
        senti.GetMultiObjectResult("ph\x01one good", "x\x1Fph\x01one\xA2\xAB", {"ph\x01one"}, hits);
    EXPECT_EQ(hits, 2);
    EXPECT_NE(doc.find("<object>phone</object>"), std::string::npos);
    EXPECT_NE(doc.find("<![CDATA[\n<object>phone</object><pos value=\"2\">good</pos>\n]]>"), std::string::npos);
    EXPECT_NE(doc.find("<![CDATA[\nx<object>phone</object>??\n]]>"), std::string::npos);
    EXPECT_EQ(doc.find('\x01'), std::string::npos);
}

TEST(DocumentTextTest, DocumentsAreWellFormedForAStrictParser) {
    if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
    struct Case {
        int code;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "phone good \x01\x1F ]]> <&> \xA2\xAB \x80 \xB0\xA1 end\xB0"},
        {3, "phone \xFF\xFE bad"},
        {1, "phone good \xC0\xAF \xED\xA0\x80 \xEF\xBF\xBE \xE4\xB8\xAD ]]> \x01 end\xE4\xB8"},
        {-1, "phone \xF4\x90\x80\x80 \xF0\x9F\x98\x80"},
        {2, "phone good \xA4\xA4\xA4\xE5 \xA3\xC0 \x80 \x01 end\xA4"},
    };
    for (const Case& c : cases) {
        FakeSentiEngine engine(SentiWorkingEncoding(c.code));
        engine.Preset("good", "2");
        engine.Preset("bad", "-1");
        Sentiment senti("", c.code, engine);
        if (c.code == 2) {
            if (!Big5Converter()) continue;
            senti.m_big5Converter = Big5Converter();
        }
        int hits = 0;
        const std::string object = senti.GetMultiObjectResult(c.text, c.text + ". " + c.text, {"phone"}, hits);
        EXPECT_EQ(hits, 2) << "code " << c.code;
        EXPECT_TRUE(StrictParserAccepts(object)) << "code " << c.code;
        EXPECT_TRUE(StrictParserAccepts(senti.GetSentenceResult(c.text))) << "code " << c.code;
    }
    // Valid text comes through byte for byte, and the parser reads it.
    FakeSentiEngine engine(SentiEncoding::UTF8);
    Sentiment senti("", 1, engine);
    const std::string text = "\xE4\xB8\xAD\xE6\x96\x87 \xE2\x80\x9Cok\xE2\x80\x9D";
    const std::string doc = senti.GetSentenceResult(text);
    EXPECT_NE(doc.find("<![CDATA[\xE4\xB8\xAD\xE6\x96\x87\xE2\x80\x9Cok\xE2\x80\x9D]]>"), std::string::npos);
    EXPECT_TRUE(StrictParserAccepts(doc));
}

TEST(DocumentTextTest, RandomTextsComeOutFitAndStable) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; ++round) {
        const std::string text = RandomBytes(rng, 64);
        for (SentiEncoding enc : {SentiEncoding::GBK, SentiEncoding::UTF8, SentiEncoding::BIG5}) {
            const std::string out = San(text, enc, enc == SentiEncoding::BIG5 ? Big5Converter() : nullptr);
            ASSERT_EQ(San(out, enc, enc == SentiEncoding::BIG5 ? Big5Converter() : nullptr), out) << "seed " << seed;
            for (char c : out) {
                const unsigned char u = static_cast<unsigned char>(c);
                ASSERT_TRUE(u >= 0x20 || c == '\t' || c == '\n' || c == '\r') << "seed " << seed;
            }
        }
        // Reference: code page 936 decodes every kept GBK pair and encodes it back unchanged.
        const std::string gbk = San(text, SentiEncoding::GBK);
        std::wstring wide;
        std::string back;
        ANSIToUnicode(gbk, wide);
        UnicodeToANSI(wide, back);
        ASSERT_EQ(back, gbk) << "seed " << seed;
    }
}

TEST(DocumentTextTest, RandomTextsGiveDocumentsAStrictParserAccepts) {
    if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
    const unsigned seed = 7531;
    std::mt19937 rng(seed);
    for (int code : {0, 1, 2}) {
        if (code == 2 && !Big5Converter()) continue;
        FakeSentiEngine engine(SentiWorkingEncoding(code));
        Sentiment senti("", code, engine);
        if (code == 2) senti.m_big5Converter = Big5Converter();
        EXPECT_TRUE(StrictParserAccepts(senti.GetSentenceResult(RandomBytes(rng, 8192))))
            << "seed " << seed << " code " << code;
    }
}
