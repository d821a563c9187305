#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <dirent.h>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/CodeTran.h"
#include "CommaLocale.h"
#include "FakeSentiEngine.h"
#include "SentimentNew/class/Sentiment.h"
#include "Utility/LogFile.h"
#include "Utility/TagValue.h"
#include "common/TestUtil.h"

using kxtest::FakeSentiEngine;
using kxtest::TempDir;

namespace {

typedef std::vector<std::string> Row;

const std::string kBom = "\xEF\xBB\xBF";
// 文档总数,负面总数,负面占比,正面总数,正面占比 and the header, in UTF-8.
const std::string kTotal = "\xE6\x96\x87\xE6\xA1\xA3\xE6\x80\xBB\xE6\x95\xB0";
const std::string kNegTotal = "\xE8\xB4\x9F\xE9\x9D\xA2\xE6\x80\xBB\xE6\x95\xB0";
const std::string kNegShare = "\xE8\xB4\x9F\xE9\x9D\xA2\xE5\x8D\xA0\xE6\xAF\x94";
const std::string kPosTotal = "\xE6\xAD\xA3\xE9\x9D\xA2\xE6\x80\xBB\xE6\x95\xB0";
const std::string kPosShare = "\xE6\xAD\xA3\xE9\x9D\xA2\xE5\x8D\xA0\xE6\xAF\x94";
const std::string kHeader =
    "\xE6\x9C\xAC\xE5\x9C\xB0\xE6\x96\x87\xE4\xBB\xB6\xE5\x90\x8D,\xE6\x83\x85\xE6\x84\x9F\xE5\xBE\x97\xE5\x88\x86,"
    "\xE6\xAD\xA3\xE9\x9D\xA2\xE5\xBE\x97\xE5\x88\x86,\xE8\xB4\x9F\xE9\x9D\xA2\xE5\xBE\x97\xE5\x88\x86,"
    "\xE7\x9B\xB8\xE5\x85\xB3\xE5\x8F\xA5\xE5\xAD\x90\n";

std::string Summary(int n, int neg, const char* negShare, int pos, const char* posShare) {
    return kTotal + "," + std::to_string(n) + "," + kNegTotal + "," + std::to_string(neg) + "," + kNegShare + "," +
           negShare + "%," + kPosTotal + "," + std::to_string(pos) + "," + kPosShare + "," + posShare + "%\n";
}

// A strict RFC 4180 reader: a quote may only open a field, and inside a quoted field only a doubled
// quote or the closing quote followed by ',' or a line end may appear. False on any other byte.
bool ParseCsv(const std::string& s, std::vector<Row>& rows) {
    rows.clear();
    size_t i = 0;
    while (i < s.size()) {
        Row row;
        for (;;) {
            std::string field;
            if (i < s.size() && s[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= s.size()) return false;
                    if (s[i] == '"') {
                        if (i + 1 < s.size() && s[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    field += s[i++];
                }
                if (i < s.size() && s[i] != ',' && s[i] != '\n') return false;
            } else {
                while (i < s.size() && s[i] != ',' && s[i] != '\n') {
                    if (s[i] == '"' || s[i] == '\r') return false;
                    field += s[i++];
                }
            }
            row.push_back(field);
            if (i >= s.size()) return false;  // every row ends in a line feed
            if (s[i++] == '\n') break;
        }
        rows.push_back(row);
    }
    return true;
}

// The table's rows after the BOM; fails the test when the bytes are no valid CSV.
std::vector<Row> ReadTable(const std::string& path) {
    const std::string bytes = kxtest::ReadAll(path);
    std::vector<Row> rows;
    EXPECT_EQ(bytes.compare(0, 3, kBom), 0);
    EXPECT_TRUE(bytes.size() >= 3 && ParseCsv(bytes.substr(3), rows)) << bytes;
    return rows;
}

// Entries of a folder whose name starts with prefix.
int CountEntries(const std::string& dir, const std::string& prefix) {
    int n = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::string(e->d_name).compare(0, prefix.size(), prefix) == 0) ++n;
        }
        closedir(d);
    }
    return n;
}

class RankDirTest : public ::testing::Test {
protected:
    RankDirTest() : m_engine(SentiEncoding::UTF8), m_senti("", 1, m_engine) {
        m_engine.Preset("good", "2");
        m_engine.Preset("bad", "-1.5");
        m_engine.Preset("nice", "0.004");
    }
    std::string Table() const { return m_dir.file("SentimentRankResult.xls"); }

    FakeSentiEngine m_engine;
    Sentiment m_senti;
    TempDir m_dir;
};

TEST_F(RankDirTest, TableBytesCountsAndOrder) {
    kxtest::WriteAll(m_dir.file("pos.TXT"), "good day");
    kxtest::WriteAll(m_dir.file("neg.txt"), "bad day");
    kxtest::WriteAll(m_dir.file("zero.txt"), "nice day");  // 0.004 reads back as 0.00: neither
    kxtest::WriteAll(m_dir.file("empty.txt"), "");
    kxtest::WriteAll(m_dir.file("other.text"), "bad bad");
    kxtest::WriteAll(Table(), "bad,old table\n");
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
    EXPECT_EQ(path, m_dir.path() + "/SentimentRankResult.xls");
    const std::string bytes = kxtest::ReadAll(path);
    const std::string head = kBom + Summary(4, 1, "25.00", 1, "25.00") + kHeader;
    ASSERT_EQ(bytes.compare(0, head.size(), head), 0) << bytes;
    const std::string dir = m_dir.path() + "/";
    EXPECT_EQ(bytes.substr(head.size()),
              dir + "neg.txt,-1.50,0.00,-1.50,\"<![CDATA[<neg value=\"\"-1.5\"\">bad</neg>day]]>\"\n" +
              dir + "zero.txt,0.00,0.00,0.00,\"<![CDATA[<pos value=\"\"0.004\"\">nice</pos>day]]>\"\n" +
              dir + "pos.TXT,2.00,2.00,0.00,\"<![CDATA[<pos value=\"\"2\"\">good</pos>day]]>\"\n");

    // A folder without text files: no division by zero.
    TempDir none;
    kxtest::WriteAll(none.file("a.log"), "good");
    ASSERT_TRUE(m_senti.RankDirectory(none.path().c_str(), path));
    EXPECT_EQ(kxtest::ReadAll(path), kBom + Summary(0, 0, "0.00", 0, "0.00") + kHeader);
}

// The sentence column is the text between the clue's tags of the file's single-text document,
// line breaks made blanks: its CDATA section, split where the text holds "]]>", and cut where the
// text holds the clue's closing tag.
TEST_F(RankDirTest, SentenceColumnIsTheDocumentsClue) {
    const std::string texts[] = {"good ]]> bad\nline", "so </contentsentenceclue> good]]", "good\r\n" + std::string(70000, 'x')};
    for (const std::string& text : texts) {
        TempDir dir;
        kxtest::WriteAll(dir.file("a.txt"), text);
        std::string path;
        ASSERT_TRUE(m_senti.RankDirectory(dir.path().c_str(), path));
        std::string clue;
        GetXMLItemValue(m_senti.GetSentenceResult(text).c_str(), "contentsentenceclue", clue);
        for (char& c : clue) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        const std::vector<Row> rows = ReadTable(path);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2].back(), clue);
    }
}

TEST_F(RankDirTest, CsvFieldsRoundTrip) {
    kxtest::WriteAll(m_dir.file("q.txt"), "good \"quoted\" text");
    kxtest::WriteAll(m_dir.file("a,b.txt"), "bad");
    kxtest::WriteAll(m_dir.file("say \"hi\".txt"), "plain");
    kxtest::WriteAll(m_dir.file("crlf.txt"), "good\r\nbad\r\nend");
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
    const std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 6u);
    std::map<std::string, Row> byName;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), i == 0 ? 10u : 5u) << i;
        if (i >= 2) byName[rows[i][0]] = rows[i];
    }
    const std::string dir = m_dir.path() + "/";
    ASSERT_EQ(byName.count(dir + "a,b.txt"), 1u);
    ASSERT_EQ(byName.count(dir + "say \"hi\".txt"), 1u);
    EXPECT_EQ(byName[dir + "q.txt"][4], "<![CDATA[<pos value=\"2\">good</pos>\"quoted\"text]]>");
    EXPECT_EQ(byName[dir + "crlf.txt"][4],
              "<![CDATA[<pos value=\"2\">good</pos>  <neg value=\"-1.5\">bad</neg>  end]]>");
    EXPECT_EQ(byName[dir + "crlf.txt"][1], "0.50");
}

TEST_F(RankDirTest, NamesAndLocale) {
    const std::string good = "\xE5\xA5\xBD\xE8\xAF\x84.txt";  // 好评.txt
    kxtest::WriteAll(m_dir.file(good), "good");
    kxtest::WriteAll(m_dir.file("\xD6\xD0.txt"), "bad");  // GBK 中
    const std::string before = setlocale(LC_ALL, nullptr);
    std::string path;
    {
        kxtest::CommaLocale comma;
        // A C comma-decimal locale too, where the machine has one.
        const char* cnum = nullptr;
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
            if ((cnum = setlocale(LC_NUMERIC, name)) != nullptr) break;
        }
        ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
        if (cnum) setlocale(LC_NUMERIC, "C");
        EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
    }
    const std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2][0], m_dir.path() + "/\xE4\xB8\xAD.txt");  // 中 in UTF-8
    EXPECT_EQ(rows[2][1], "-1.50");
    EXPECT_EQ(rows[3][0], m_dir.path() + "/" + good);
    EXPECT_EQ((Row{rows[3][1], rows[3][2], rows[3][3]}), (Row{"2.00", "2.00", "0.00"}));
    EXPECT_EQ(rows[0][5], "50.00%");
}

// The sentence column is UTF-8 whatever encoding the documents are in.
TEST(RankDirEncodingTest, SentenceColumnInUtf8) {
    const std::string zhong = "\xE4\xB8\xAD";  // 中 in UTF-8
    TempDir dir;
    kxtest::WriteAll(dir.file("g.txt"), "good \xD6\xD0");  // GBK 中
    FakeSentiEngine gbk(SentiEncoding::GBK);
    gbk.Preset("good", "2");
    std::string path;
    ASSERT_TRUE(Sentiment("", 0, gbk).RankDirectory(dir.path().c_str(), path));
    std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][4], "<![CDATA[<pos value=\"2\">good</pos>" + zhong + "]]>");

    const std::string data = std::string(KX_BUILD_DIR) + "/Data";
    if (access((data + "/BIG5.pdat").c_str(), R_OK) != 0) return;
    CCodeTran conv(data.c_str(), 2);
    if (conv.GetStatus() != 1) return;
    kxtest::WriteAll(dir.file("g.txt"), "good \xA4\xA4");  // BIG5 中
    FakeSentiEngine big5(SentiEncoding::BIG5);
    big5.Preset("good", "2");
    Sentiment senti("", 2, big5);
    senti.m_big5Converter = &conv;
    ASSERT_TRUE(senti.RankDirectory(dir.path().c_str(), path));
    rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][4], "<![CDATA[<pos value=\"2\">good</pos>" + zhong + "]]>");
}

TEST_F(RankDirTest, RefusedDirectories) {
    kxtest::WriteAll(m_dir.file("plain.txt"), "good");
    const std::string rootTable = "/SentimentRankResult.xls";
    const bool rootHad = access(rootTable.c_str(), F_OK) == 0;
    std::string path = "stale";
    for (const std::string& arg : {std::string(), m_dir.file("missing"), m_dir.file("plain.txt"),
                                   m_dir.file("plain.txt") + "/sub"}) {
        EXPECT_FALSE(m_senti.RankDirectory(arg.c_str(), path)) << arg;
        EXPECT_EQ(path, "");
        EXPECT_EQ(CopyLastErrorMessage(), "Cannot open directory " + arg);
    }
    EXPECT_FALSE(m_senti.RankDirectory(nullptr, path));
    EXPECT_EQ(access("SentimentRankResult.xls", F_OK), -1);
    EXPECT_EQ(access(rootTable.c_str(), F_OK) == 0, rootHad);
    EXPECT_EQ(CountEntries(m_dir.path(), "SentimentRankResult"), 0);
}

TEST_F(RankDirTest, TableIsReplacedWholeOrNotAtAll) {
    kxtest::WriteAll(m_dir.file("a.txt"), "good");
    // A link named like the table is replaced; its target stays as it was.
    TempDir other;
    kxtest::WriteAll(other.file("target.xls"), "keep me");
    ASSERT_EQ(symlink(other.file("target.xls").c_str(), Table().c_str()), 0);
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
    struct stat st;
    ASSERT_EQ(lstat(Table().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(kxtest::ReadAll(other.file("target.xls")), "keep me");
    const std::string old = kxtest::ReadAll(Table());

    // A write that fails (file size limit) returns false and keeps the old table.
    for (int i = 0; i < 50; ++i) kxtest::WriteAll(m_dir.file("f" + std::to_string(i) + ".txt"), "bad day");
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = m_senti.RankDirectory(m_dir.path().c_str(), path);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot write file " + Table());
    EXPECT_EQ(kxtest::ReadAll(Table()), old);
    EXPECT_EQ(CountEntries(m_dir.path(), "SentimentRankResult"), 1);
}

// A generated folder of a few hundred reviews with nested folders, a link loop, a FIFO, an empty
// file and non-ASCII names: the table is strict CSV (Python's strict reader agrees), counts and
// shares add up, and every row's score is the polarity of its text's single-text document.
TEST_F(RankDirTest, GeneratedFolder) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    const char* words[] = {"good", "bad", "nice", "day", "\xE5\xA5\xBD", "\"", ",", "\n", "\r\n", "x"};
    std::map<std::string, std::string> texts;  // listed path -> text
    const std::string base = m_dir.path();
    ASSERT_EQ(mkdir((base + "/a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((base + "/a/b").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((base + "/\xE8\xAF\x84").c_str(), 0755), 0);
    ASSERT_EQ(symlink("..", (base + "/a/b/up").c_str()), 0);
    ASSERT_EQ(mkfifo((base + "/a/pipe.txt").c_str(), 0644), 0);
    kxtest::WriteAll(base + "/a/empty.txt", "");
    const char* dirs[] = {"", "/a", "/a/b", "/\xE8\xAF\x84"};
    for (int i = 0; i < 300; ++i) {
        std::string text;
        for (int w = 0, n = 1 + int(rng() % 8); w < n; ++w) text += std::string(words[rng() % 10]) + " ";
        std::string name = base + dirs[i % 4] + "/r" + std::to_string(i) + (i % 7 == 0 ? "\xE8\xAF\x84" : "") +
                           (i % 11 == 0 ? ",\"" : "") + ".txt";
        kxtest::WriteAll(name, text);
        texts[name] = text;
    }
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(base.c_str(), path)) << "seed " << seed;
    const std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), texts.size() + 2);
    int neg = 0, pos = 0;
    double last = -1e9;
    for (size_t i = 2; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u) << i;
        ASSERT_EQ(texts.count(rows[i][0]), 1u) << rows[i][0];
        const std::string doc = m_senti.GetSentenceResult(texts[rows[i][0]]);
        EXPECT_NE(doc.find("<polarity>" + rows[i][1] + "</polarity>"), std::string::npos) << rows[i][0];
        const double score = std::stod(rows[i][1]);
        EXPECT_GE(score, last);
        last = score;
        neg += score < 0.0;
        pos += score > 0.0;
    }
    const int files = int(texts.size()) + 1;  // the empty file counts
    EXPECT_EQ(rows[0][1], std::to_string(files));
    EXPECT_EQ(rows[0][3], std::to_string(neg));
    EXPECT_EQ(rows[0][7], std::to_string(pos));
    char share[32];
    snprintf(share, sizeof(share), "%.2f%%", neg * 100.0 / files);
    EXPECT_EQ(rows[0][5], share);

    // Python's strict reader (the default one accepts broken quoting) reads the same shape.
    const std::string script = m_dir.file("check.py");
    kxtest::WriteAll(script,
                     "import csv, sys\n"
                     "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                     "    rows = list(csv.reader(f, strict=True))\n"
                     "assert len(rows[0]) == 10 and all(len(r) == 5 for r in rows[1:]), 'fields'\n"
                     "sys.exit(0 if len(rows) == int(sys.argv[2]) else 3)\n");
    const char* python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    const std::string cmd = std::string(python) + " '" + script + "' '" + path + "' " + std::to_string(rows.size());
    const int rc = system(cmd.c_str());
    if (!WIFEXITED(rc) || WEXITSTATUS(rc) != 127) {  // 127: no Python here
        EXPECT_EQ(rc, 0) << cmd;
    }
}

}  // namespace

namespace {

// Scores keep their precision: a polarity of 200000.74 is not rounded through a float (200000.73).
TEST_F(RankDirTest, ScoresKeepTheirPrecision) {
    m_engine.Preset("huge", "200000.74");
    m_engine.Preset("awful", "-16777217.01");
    kxtest::WriteAll(m_dir.file("h.txt"), "huge day");
    kxtest::WriteAll(m_dir.file("a.txt"), "awful day");
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
    const std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ((Row{rows[2][1], rows[2][2], rows[2][3]}), (Row{"-16777217.01", "0.00", "-16777217.01"}));
    EXPECT_EQ((Row{rows[3][1], rows[3][2], rows[3][3]}), (Row{"200000.74", "200000.74", "0.00"}));
}

// Files whose paths exceed the kernel's path limit (a tree 30 levels deep of 200-byte names) are
// listed, read and scored like any other.
TEST_F(RankDirTest, FilesBeyondThePathLimitAreScored) {
    const std::vector<std::string> files = kxtest::MakeDeepTree(m_dir.path(), 30, 200, "good day");
    ASSERT_EQ(files.size(), 30u);
    std::string path;
    ASSERT_TRUE(m_senti.RankDirectory(m_dir.path().c_str(), path));
    const std::vector<Row> rows = ReadTable(path);
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows[0][1], "30");
    EXPECT_EQ(rows[0][7], "30");
    size_t nLong = 0;
    for (size_t i = 2; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][1], "2.00") << rows[i][0].size();
        nLong += rows[i][0].size() >= 4096;
    }
    EXPECT_GE(nLong, 10u);
}

// The console lines of a ranking are UTF-8 under the encodings whose texts are UTF-8 (1, 4 and -1),
// and GBK bytes under the others.
// A table that cannot be written (a folder holds its name) gives no success line: the run ends
// with its progress lines and the failure is the last error.
TEST(RankDirConsoleTest, NoSuccessLineWhenTheTableIsNotWritten) {
    TempDir dir;
    kxtest::WriteAll(dir.file("a.txt"), "good");
    ASSERT_EQ(mkdir(dir.file("SentimentRankResult.xls").c_str(), 0755), 0);
    kxtest::WriteAll(dir.file("SentimentRankResult.xls/keep"), "");
    FakeSentiEngine engine(SentiEncoding::UTF8);
    engine.Preset("good", "2");
    Sentiment senti("", 1, engine);
    std::string path = "unchanged";
    SetLastErrorMessage("an earlier call's message");
    testing::internal::CaptureStdout();
    const bool ok = senti.RankDirectory(dir.path().c_str(), path);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(ok);
    EXPECT_EQ(path, "");
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot write file " + dir.file("SentimentRankResult.xls"));
    EXPECT_NE(out.find("Finished 0/1"), std::string::npos) << out;
    // 系统已成功处理了 (the success line) in UTF-8
    EXPECT_EQ(out.find("\xE7\xB3\xBB\xE7\xBB\x9F\xE5\xB7\xB2\xE6\x88\x90\xE5\x8A\x9F"), std::string::npos) << out;
}

TEST(RankDirConsoleTest, LinesInTheCallersEncoding) {
    const std::string doneUtf8 =
        "\n\xE7\xB3\xBB\xE7\xBB\x9F\xE5\xB7\xB2\xE6\x88\x90\xE5\x8A\x9F\xE5\xA4\x84\xE7\x90\x86\xE4\xBA\x86"
        "1\xE7\xAF\x87\xE6\x96\x87\xE6\xA1\xA3!\n";  // 系统已成功处理了1篇文档!
    const std::string doneGbk =
        "\n\xCF\xB5\xCD\xB3\xD2\xD1\xB3\xC9\xB9\xA6\xB4\xA6\xC0\xED\xC1\xCB"
        "1\xC6\xAA\xCE\xC4\xB5\xB5!\n";
    const std::string filesUtf8 = "\xE6\x96\x87\xE4\xBB\xB6\xE6\x95\xB0/s";  // 文件数/s
    const std::string filesGbk = "\xCE\xC4\xBC\xFE\xCA\xFD/s";
    TempDir dir;
    kxtest::WriteAll(dir.file("a.txt"), "good");
    for (int code : {1, 4, -1, 0, 2, 3, 5}) {
        const bool bUtf8 = code == 1 || code == 4 || code == -1;
        FakeSentiEngine engine(bUtf8 ? SentiEncoding::UTF8 : SentiEncoding::GBK);
        engine.Preset("good", "2");
        Sentiment senti("", code, engine);
        std::string path;
        testing::internal::CaptureStdout();
        const bool ok = senti.RankDirectory(dir.path().c_str(), path);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(ok) << code;
        EXPECT_NE(out.find(bUtf8 ? doneUtf8 : doneGbk), std::string::npos) << code;
        EXPECT_NE(out.find(bUtf8 ? filesUtf8 : filesGbk), std::string::npos) << code;
        EXPECT_EQ(out.find(bUtf8 ? filesGbk : filesUtf8), std::string::npos) << code;
    }
}

}  // namespace
