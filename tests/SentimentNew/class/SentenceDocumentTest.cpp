// The single-text document written as the text is scored, against the same document built as a
// pugixml tree from the whole marked-up text; the streaming sanitizer and the chunked text it is
// written into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeSentiEngine.h"
#include "common/SentiTreeDocument.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

using kxtest::FakeSentiEngine;
using kxtest::TreeDocument;

namespace {

// A long text of scored words, brackets that close CDATA sections, control bytes, stray bytes and
// characters of every length, so that the writer's batches end inside characters and inside "]]>".
std::string MixedText(size_t nBytes) {
    const char* const pieces[] = {"good ", "bad ", "]]>", "]", "]]", ">", "meh ", "\x01\x1F", "\t\r\n",
                                  "\xE4\xB8\xAD",          // 中 in UTF-8
                                  "\xF0\x9F\x98\x80",      // an emoji in UTF-8
                                  "\xD6\xD0",              // 中 in GBK
                                  "\xA4\xA4",              // 中 in BIG5
                                  "\xEF\xBF\xBE", "\xC0\xAF", "\x80", "\xFF", "so ", "x"};
    std::string s;
    for (unsigned i = 0; s.size() < nBytes; ++i) s += pieces[(i * 7 + i / 3) % (sizeof pieces / sizeof *pieces)];
    return s;
}

struct Declared {
    int code;
    SentiEncoding enc;
    const char* name;
};

}  // namespace

TEST(SentenceDocumentTest, DocumentEqualsTheTreeBuiltOne) {
    const Declared codes[] = {{0, SentiEncoding::GBK, "gbk"}, {1, SentiEncoding::UTF8, "utf-8"},
                              {2, SentiEncoding::BIG5, "big5"}};
    const std::string texts[] = {"", "so good but meh", "a]]>b", "]]]>", "]]", "\x01", MixedText(70000)};
    for (const Declared& d : codes) {
        FakeSentiEngine engine(d.enc);
        engine.Preset("good", "2");
        engine.Preset("bad", "-1.5");
        engine.Preset("meh", "-0.5");
        const Sentiment senti("", d.code, engine);
        for (const std::string& text : texts) {
            const std::string expected = TreeDocument(senti, text, d.enc, d.name);
            EXPECT_EQ(senti.GetSentenceResult(text), expected) << "code " << d.code << ", " << text.size() << " bytes";
            EXPECT_EQ(std::string(senti.SentenceDocument(text.c_str()).get()), expected);
        }
        EXPECT_EQ(std::string(senti.SentenceDocument(nullptr).get()), TreeDocument(senti, "", d.enc, d.name));
    }
}

// Fed whole, in two pieces cut anywhere, or byte by byte, the writer hands out the same bytes: the
// sanitized text with each "]]>" split over two sections.
TEST(SentenceDocumentTest, CdataWriterGivesTheSameBytesHoweverTheTextIsCut) {
    const std::string text = MixedText(40000);
    for (SentiEncoding enc : {SentiEncoding::GBK, SentiEncoding::UTF8, SentiEncoding::BIG5}) {
        std::string expected = SanitizeDocumentText(text, enc, nullptr);
        for (size_t at = expected.find("]]>"); at != std::string::npos; at = expected.find("]]>", at + 15)) {
            expected.replace(at, 3, "]]]]><![CDATA[>");
        }
        auto write = [&](const std::vector<size_t>& cuts) {
            std::string out;
            const CdataTextWriter::Sink sink = [&out](const char* p, size_t n) { out.append(p, n); };
            CdataTextWriter writer(enc, nullptr, sink);
            size_t from = 0;
            for (size_t cut : cuts) {
                writer.Feed(text.data() + from, cut - from);
                from = cut;
            }
            writer.Feed(text.data() + from, text.size() - from);
            writer.Finish();
            return out;
        };
        EXPECT_EQ(write({}), expected);
        std::vector<size_t> bytes;
        for (size_t i = 1; i < text.size(); ++i) bytes.push_back(i);
        EXPECT_EQ(write(bytes), expected);
        for (size_t cut = 16370; cut < 16400; ++cut) EXPECT_EQ(write({cut}), expected) << cut;
    }
}

TEST(SentenceDocumentTest, ChunkedTextKeepsEveryByteAcrossChunks) {
    std::string text;
    for (size_t i = 0; text.size() < 2621440 + 17; ++i) text += std::to_string(i * 7919) + ",";
    ChunkedText chunks;
    for (size_t from = 0, step = 1; from < text.size(); from += step, step = step * 3 % 100003 + 1) {
        chunks.Append(text.data() + from, std::min(step, text.size() - from));
    }
    ASSERT_EQ(chunks.size(), text.size());
    std::string out = "head:";
    chunks.MoveTo(out);
    EXPECT_EQ(out, "head:" + text);
    EXPECT_EQ(chunks.size(), 0u);
    chunks.Append("abc", 3);
    char buf[3];
    chunks.MoveTo(buf);
    EXPECT_EQ(std::string(buf, 3), "abc");
}
