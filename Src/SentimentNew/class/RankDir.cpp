// Ranking a directory: every text file of a folder tree scored as one text, written as a CSV table
// that a spreadsheet program opens as UTF-8.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "BrowseDir/BrowseDir.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"
#include "Utility/LogFile.h"
#include "Utility/ReadFile.h"
#include "Utility/TagValue.h"

namespace {

// One scored file. Only filename, source and the three numbers are filled by the ranking.
struct _stFileSentimentScore {
    tstring title;
    tstring href;
    tstring publish_time;
    tstring source;    // the related sentence text, line breaks made blanks
    tstring sitename;
    tstring filename;  // the file's path as listed by the walker
    double score = 0.0;
    double negative_score = 0.0;
    double positive_score = 0.0;

    bool operator<(const _stFileSentimentScore& other) const { return score < other.score; }
};

const char kTableName[] = "SentimentRankResult.xls";

// The table's fixed texts in UTF-8.
const char kBom[] = "\xEF\xBB\xBF";
const char kTotal[] = "\xE6\x96\x87\xE6\xA1\xA3\xE6\x80\xBB\xE6\x95\xB0";          // 文档总数
const char kNegTotal[] = "\xE8\xB4\x9F\xE9\x9D\xA2\xE6\x80\xBB\xE6\x95\xB0";       // 负面总数
const char kNegShare[] = "\xE8\xB4\x9F\xE9\x9D\xA2\xE5\x8D\xA0\xE6\xAF\x94";       // 负面占比
const char kPosTotal[] = "\xE6\xAD\xA3\xE9\x9D\xA2\xE6\x80\xBB\xE6\x95\xB0";       // 正面总数
const char kPosShare[] = "\xE6\xAD\xA3\xE9\x9D\xA2\xE5\x8D\xA0\xE6\xAF\x94";       // 正面占比
const char kHeader[] =
    "\xE6\x9C\xAC\xE5\x9C\xB0\xE6\x96\x87\xE4\xBB\xB6\xE5\x90\x8D,"  // 本地文件名
    "\xE6\x83\x85\xE6\x84\x9F\xE5\xBE\x97\xE5\x88\x86,"              // 情感得分
    "\xE6\xAD\xA3\xE9\x9D\xA2\xE5\xBE\x97\xE5\x88\x86,"              // 正面得分
    "\xE8\xB4\x9F\xE9\x9D\xA2\xE5\xBE\x97\xE5\x88\x86,"              // 负面得分
    "\xE7\x9B\xB8\xE5\x85\xB3\xE5\x8F\xA5\xE5\xAD\x90\n";            // 相关句子
// Console line after the run, GBK: "\n系统已成功处理了%d篇文档!\n"; in UTF-8 for the encodings
// whose texts are UTF-8.
const char kDoneFormat[] =
    "\n\xCF\xB5\xCD\xB3\xD2\xD1\xB3\xC9\xB9\xA6\xB4\xA6\xC0\xED\xC1\xCB%d\xC6\xAA\xCE\xC4\xB5\xB5!\n";

// A number of the result document, read as the "C" locale reads it; 0.0 when it is no number.
double ParsePoint(const char* s) {
    while (*s == ' ' || *s == '\t' || *s == '\r' || *s == '\n') ++s;
    double value = 0.0;
    const char* end = s + strlen(s);
    if (std::from_chars(s, end, value, std::chars_format::general).ec != std::errc()) return 0.0;
    return value;
}

bool IsUtf8(const tstring& s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8CharLength(s.data(), i, s.size());
        if (n == 0) return false;
        i += n;
    }
    return true;
}

// A file name in UTF-8: unchanged when it already is, else read as GBK.
tstring NameToUtf8(const tstring& sName) {
    if (IsUtf8(sName)) return sName;
    tstring sUtf8;
    ANSIToUTF8(sName.c_str(), sUtf8);
    return sUtf8;
}

// The CSV field of a file name: quoted, with its quotes doubled, only when it needs to be.
tstring NameField(const tstring& sName) {
    if (sName.find_first_of(",\"\r\n") == tstring::npos) return sName;
    tstring s = "\"";
    for (char c : sName) {
        if (c == '"') s += '"';
        s += c;
    }
    return s + "\"";
}

// Writes the related sentences in UTF-8, converted from the encoding the result documents declare,
// with each double quote doubled. UTF-8 text is written as it is, without a copy.
bool WriteSource(FILE* fp, const tstring& sSource, SentiEncoding enc, const CCodeTran* pBig5) {
    tstring sUtf8;
    const tstring* pText = &sSource;
    if (enc == SentiEncoding::BIG5 && (pBig5 == nullptr || pBig5->GetStatus() != 1)) {
        // No converter to read BIG5 with: keep the ASCII bytes, mark the others.
        sUtf8 = sSource;
        for (char& c : sUtf8) {
            if ((unsigned char)c >= 0x80) c = '?';
        }
        pText = &sUtf8;
    } else if (enc != SentiEncoding::UTF8) {
        tstring sGbk;
        if (enc == SentiEncoding::BIG5) pBig5->CodeToGBK(sSource.c_str(), sGbk);
        ANSIToUTF8(enc == SentiEncoding::BIG5 ? sGbk.c_str() : sSource.c_str(), sUtf8);
        pText = &sUtf8;
    }
    const char* p = pText->data();
    const char* const pEnd = p + pText->size();
    while (p < pEnd) {
        const char* q = static_cast<const char*>(memchr(p, '"', size_t(pEnd - p)));
        const char* const pTo = q ? q + 1 : pEnd;  // a quote is written, then once more
        if (fwrite(p, 1, size_t(pTo - p), fp) != size_t(pTo - p)) return false;
        if (q && fputc('"', fp) == EOF) return false;
        p = pTo;
    }
    return true;
}

// Writes the whole table, one line at a time.
bool WriteTable(FILE* fp, const std::vector<_stFileSentimentScore>& vecResult, size_t nFiles, int nNegative,
                int nPositive, SentiEncoding enc, const CCodeTran* pBig5) {
    auto share = [nFiles](int n) { return nFiles == 0 ? tstring("0.00") : FormatPoint(n * 100.0 / nFiles); };
    auto put = [fp](const tstring& s) { return fwrite(s.data(), 1, s.size(), fp) == s.size(); };
    tstring s = kBom;
    s += tstring(kTotal) + "," + std::to_string(nFiles) + "," + kNegTotal + "," + std::to_string(nNegative) + "," +
         kNegShare + "," + share(nNegative) + "%," + kPosTotal + "," + std::to_string(nPositive) + "," + kPosShare +
         "," + share(nPositive) + "%\n";
    s += kHeader;
    if (!put(s)) return false;
    for (const _stFileSentimentScore& r : vecResult) {
        s = NameField(NameToUtf8(r.filename));
        s += "," + FormatPoint(r.score) + "," + FormatPoint(r.positive_score) + "," + FormatPoint(r.negative_score) +
             ",\"";
        if (!put(s) || !WriteSource(fp, r.source, enc, pBig5) || !put("\"\n")) return false;
    }
    return true;
}

// Writes a file through `write` into a new file in the same directory renamed over sPath, so a
// reader sees the old table or the new one, never a part. A link named sPath is replaced, its
// target untouched. On failure (also when `write` returns false) nothing is left behind and errno
// tells why.
bool WriteReplacing(const tstring& sPath, const std::function<bool(FILE*)>& write) {
    static std::atomic<unsigned> s_nSerial{0};
    tstring sTemp;
    int fd = -1;
    for (int nTry = 0; nTry < 100 && fd < 0; ++nTry) {
        sTemp = sPath + "." + std::to_string(getpid()) + "." + std::to_string(s_nSerial++) + "." +
                std::to_string((unsigned long)time(nullptr) % 100000);
        fd = open(sTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    FILE* fp = fdopen(fd, "wb");
    if (fp == nullptr) {
        const int err = errno;
        close(fd);
        unlink(sTemp.c_str());
        errno = err;
        return false;
    }
    bool bOk = write(fp);
    bOk = (fflush(fp) == 0) && bOk;
    int err = bOk ? 0 : errno;
    if (fclose(fp) != 0 && bOk) {
        bOk = false;
        err = errno;
    }
    if (bOk && rename(sTemp.c_str(), sPath.c_str()) != 0) {
        bOk = false;
        err = errno;
    }
    if (!bOk) {
        unlink(sTemp.c_str());
        errno = err;
    }
    return bOk;
}

}  // namespace

bool Sentiment::RankDirectory(const char* sPath, tstring& sTablePath) const {
    sTablePath.clear();
    tstring sDir;
    if (sPath != nullptr) GetAnsiFilename(sPath, sDir, false);
    struct stat st;
    // Messages name the folder as the caller gave it, not its GBK form.
    const CErrorText givenDir = CErrorText::Given(sPath ? sPath : "");
    if (sDir.empty() || stat(sDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return ReportError("Cannot open directory " + givenDir, false);
    }

    // Console texts in UTF-8 under the encodings that give their texts in UTF-8, else in GBK.
    const SentiEncoding enc = SentiWorkingEncoding(m_encode);
    const bool bUtf8Console = enc == SentiEncoding::UTF8;
    std::vector<tstring> vecFiles;
    gfn_vScanFiles(sDir.c_str(), vecFiles, "*.txt", true, bUtf8Console);

    std::vector<_stFileSentimentScore> vecResult;
    int nNegative = 0;
    int nPositive = 0;
    for (size_t i = 0; i < vecFiles.size(); ++i) {
        tstring sText;
        if (ReadFile(vecFiles[i].c_str(), sText, 0, 0, true) == 0 || sText.empty()) continue;
        // The file's single-text document (SentenceDocument) is not built: its numbers are those
        // its head would show (rounded as written there), its clue gives the sentence column.
        ChunkedText content;
        const ProcSentResult r = ScoreToDocumentText(sText.c_str(), content);
        tstring().swap(sText);  // not needed any more: free it before the column is put together
        const auto asWritten = [](double value) { return ParsePoint(FormatPoint(value).c_str()); };
        _stFileSentimentScore rec;
        rec.negative_score = asWritten(r.negPoint);
        rec.positive_score = asWritten(r.posPoint);
        rec.score = asWritten(r.negPoint + r.posPoint);
        rec.filename = vecFiles[i];
        // The text between the clue's tags: its CDATA section, up to the first closing tag, which
        // a text may hold inside the section.
        rec.source = "<![CDATA[";
        content.MoveTo(rec.source);
        rec.source += "]]>";
        const size_t nClose = rec.source.find("</contentsentenceclue>");
        if (nClose != tstring::npos) rec.source.resize(nClose);
        std::replace(rec.source.begin(), rec.source.end(), '\n', ' ');
        std::replace(rec.source.begin(), rec.source.end(), '\r', ' ');
        if (rec.score < 0.0) ++nNegative;
        if (rec.score > 0.0) ++nPositive;
        vecResult.push_back(std::move(rec));
        printf("Finished %zd/%zd\r", (ssize_t)i, (ssize_t)vecFiles.size());
    }
    std::stable_sort(vecResult.begin(), vecResult.end());
    const tstring sTable = sDir + "/" + kTableName;
    const auto write = [&](FILE* fp) {
        return WriteTable(fp, vecResult, vecFiles.size(), nNegative, nPositive, enc, m_big5Converter);
    };
    if (!WriteReplacing(sTable, write)) {
        // The progress lines end with their line break; the success line is not printed.
        fputs("\n", stdout);
        fflush(stdout);
        return ReportError("Cannot write file " + givenDir + "/" + kTableName, false);
    }
    // The success line only once the table is in place.
    char sDone[128];
    snprintf(sDone, sizeof(sDone), kDoneFormat, int(vecFiles.size()));
    tstring sDoneLine = sDone;
    if (bUtf8Console) ANSIToUTF8(sDone, sDoneLine);
    fputs(sDoneLine.c_str(), stdout);
    fflush(stdout);
    sTablePath = sTable;
    return true;
}
