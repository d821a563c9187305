// README's table of the encoding codes against what the engine and the sentiment library do with
// each code: which forms of a text (UTF-8, GBK, BIG5) the engine reads as words, which the
// sentiment library scores, and what its documents declare. The table cannot drift from the code.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/main/STTestDir.h"
#include "common/IconvRef.h"

namespace {

using sttest::STDataDir;

struct Row {
    std::set<std::string> engine, sentiment;
    std::string documents;
};

// The encodings a cell names.
std::set<std::string> Named(const std::string& cell) {
    std::set<std::string> names;
    for (const char* name : {"UTF-8", "GBK", "BIG5"})
        if (cell.find(name) != std::string::npos) names.insert(name);
    return names;
}

// The rows of README's table "| code | engine reads | `ST_Init` reads | documents |", by code.
std::map<std::string, Row> ReadmeTable() {
    std::ifstream in(std::string(KX_SOURCE_DIR) + "/README.md");
    std::map<std::string, Row> rows;
    std::string line;
    bool bIn = false;
    while (std::getline(in, line)) {
        if (line.rfind("| code | engine reads | `ST_Init` reads | documents |", 0) == 0) {
            bIn = true;
            continue;
        }
        if (!bIn || line.rfind("|---", 0) == 0) continue;
        if (line.empty() || line[0] != '|') break;
        std::vector<std::string> cells;
        std::stringstream ss(line.substr(1));
        std::string cell;
        while (std::getline(ss, cell, '|')) cells.push_back(cell.substr(1, cell.size() - 2));
        if (cells.size() < 4) continue;
        rows[cells[0]] = Row{Named(cells[1]), Named(cells[2]), cells[3]};
    }
    return rows;
}

std::string From(const char* to, const std::string& utf8) {
    kxtest::Iconv cd(to, "UTF-8");
    std::string out;
    EXPECT_TRUE(cd.Convert(utf8, out)) << to;
    return out;
}

TEST(EncodingCodesTest, ReadmeTableSaysWhatEachCodeDoes) {
    const std::map<std::string, Row> table = ReadmeTable();
    ASSERT_EQ(table.size(), 8u) << "README.md: the table of encoding codes";
    // A place name for the engine, a review for the scores; BIG5 holds their traditional forms.
    const std::map<std::string, std::string> place = {
        {"UTF-8", "北京"}, {"GBK", From("GBK", "北京")}, {"BIG5", From("BIG5", "北京")}};
    const std::map<std::string, std::string> review = {
        {"UTF-8", "质量很好"}, {"GBK", From("GBK", "质量很好")}, {"BIG5", From("BIG5", "質量很好")}};
    STDataDir dir(true);
    for (const char* sCode : {"-1", "0", "1", "2", "3", "4", "5", "any other"}) {
        SCOPED_TRACE(sCode);
        const auto it = table.find(sCode);
        ASSERT_NE(it, table.end());
        const int code = std::string(sCode) == "any other" ? 7 : std::stoi(sCode);
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), code, nullptr));
        std::set<std::string> engine, sentiment;
        for (const auto& form : place) {
            // The engine's results are in UTF-8 under -1, else in the code's own encoding.
            const std::string word = code == -1 ? place.at("UTF-8") : form.second;
            const std::string tagged = KOVEX_ParagraphProcess(form.second.c_str(), 1);
            if (tagged.rfind(word + "/ns", 0) == 0) engine.insert(form.first);
        }
        for (const auto& form : review)
            if (ST_GetSentimentPoint(form.second.c_str()) > 0.0) sentiment.insert(form.first);
        EXPECT_EQ(engine, it->second.engine);
        EXPECT_EQ(sentiment, it->second.sentiment);
        const std::string doc = ST_GetSentencePoint(review.at("UTF-8").c_str());
        EXPECT_NE(doc.find("encoding=\"" + it->second.documents + "\""), std::string::npos) << doc;
        ST_Exit();
    }
}

// Code 5 reads GBK texts as 0 does; its set serves one thing: a configuration path given in UTF-8
// that names no file is found by its GBK name.
TEST(EncodingCodesTest, Code5FindsAConfigurationByTheGbkFormOfItsPath) {
    STDataDir dir;
    const std::string lexicon = dir.Put("l.txt", From("GBK", "满意 2\n"));
    dir.Put(From("GBK", "配置.xml"),
            From("GBK", "<?xml version=\"1.0\"?>\n<QVSentiment-Config><eventcategory><category id=\"1\">"
                        "<brandword>苹果</brandword></category></eventcategory></QVSentiment-Config>\n"));
    const std::string path = dir.Root() + "/配置.xml";  // UTF-8: no file has this name
    const std::string content = From("GBK", "苹果很满意。");
    for (int code : {5, 0}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), code, nullptr));
        ASSERT_EQ(1, ST_ImportUserDict(lexicon.c_str(), 1));
        const std::string doc = ST_GetMultiObjectResult("", content.c_str(), path.c_str());
        if (code == 5) {
            EXPECT_NE(doc.find("<object>" + From("GBK", "苹果") + "</object>"), std::string::npos) << doc;
            EXPECT_NE(doc.find("<polarity>2.00</polarity>"), std::string::npos) << doc;
        } else {
            EXPECT_EQ(doc, "");
        }
        ST_Exit();
    }
}

}  // namespace
