#include "SentimentNew/class/SentiText.h"

#include <sys/mman.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <locale>
#include <memory>
#include <new>
#include <sstream>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/encoding/GbkTables.h"

namespace {

inline unsigned char UC(char c) { return static_cast<unsigned char>(c); }

// The double-byte GBK codes that code page 936 maps: the targets of the Unicode-to-GBK table.
const std::bitset<65536>& MappedGbkPairs() {
    static const std::unique_ptr<std::bitset<65536>> pairs = [] {
        std::unique_ptr<std::bitset<65536>> set(new std::bitset<65536>());
        for (unsigned u = 0; u < 65536; ++u) {
            const unsigned code = CodeTable[u];
            if (code >= 0x8100) set->set(code);
        }
        return set;
    }();
    return *pairs;
}

bool IsBig5RangePair(unsigned char lead, unsigned char trail) {
    return lead >= 0xA1 && lead <= 0xF9 && ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE));
}

inline bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline bool IsRefused(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '/';
}

// Clause punctuation (GBK), ending a pending negation.
const char* const kClauseMarks[] = {
    "\xA3\xAC", ",",   // ，
    "\xA1\xA2",        // 、
    "\xA3\xBB", ";",   // ；
    "\xA3\xBA", ":",   // ：
    "\xA1\xA3",        // 。
    "\xA3\xAE", ".",   // ．
    "\xA3\xA1", "!",   // ！
    "\xA3\xBF", "?",   // ？
    "\xA1\xAD",        // …
    "\r", "\n",
};

std::vector<tstring> MakeClauseMarks(SentiEncoding enc) {
    std::vector<tstring> marks;
    for (const char* m : kClauseMarks) AddWorkingLiteral(marks, m, enc);
    return marks;
}

const std::vector<tstring>& ClauseMarks(SentiEncoding enc) {
    static const std::vector<tstring> gbk = MakeClauseMarks(SentiEncoding::GBK);
    static const std::vector<tstring> utf8 = MakeClauseMarks(SentiEncoding::UTF8);
    static const std::vector<tstring> big5 = MakeClauseMarks(SentiEncoding::BIG5);
    switch (enc) {
        case SentiEncoding::UTF8: return utf8;
        case SentiEncoding::BIG5: return big5;
        default: return gbk;
    }
}

// The working-encoding form of a GBK literal; empty when the tables give it none.
tstring ConvertLiteral(const char* gbk, SentiEncoding enc) {
    char out[11] = {0};
    if (enc == SentiEncoding::UTF8) {
        buffer_gbk2utf8(gbk, sizeof out, out);
    } else {
        buffer_gbk2big5(gbk, out);  // never longer than its two-byte input
    }
    return tstring(out);
}

}  // namespace

size_t SentiCharLength(SentiEncoding enc, const tstring& s, size_t i) {
    const size_t n = s.size();
    if (enc == SentiEncoding::UTF8) {
        const size_t len = Utf8CharLength(s.data(), i, n);
        return len ? len : 1;
    }
    return (UC(s[i]) >= 0x80 && i + 1 < n && UC(s[i + 1]) >= 0x40) ? 2 : 1;
}

void AddWorkingLiteral(std::vector<tstring>& list, const char* gbk, SentiEncoding enc) {
    if (enc == SentiEncoding::GBK) {
        list.emplace_back(gbk);
        return;
    }
    tstring converted = ConvertLiteral(gbk, enc);
    if (!converted.empty()) {
        list.push_back(std::move(converted));
    } else if (enc == SentiEncoding::BIG5) {
        list.emplace_back(gbk);
    }
}

bool IsClauseMark(const tstring& unit, SentiEncoding enc) {
    const size_t end = std::min(unit.find('/'), unit.size());
    if (end == 0) return false;
    const std::vector<tstring>& marks = ClauseMarks(enc);
    for (size_t i = 0; i < end;) {
        size_t len = 0;
        for (const tstring& m : marks) {
            if (m.size() <= end - i && unit.compare(i, m.size(), m) == 0) {
                len = m.size();
                break;
            }
        }
        if (!len) return false;
        i += len;
    }
    return true;
}

tstring FoldAscii(const tstring& s, SentiEncoding enc) {
    tstring folded(s);
    for (size_t i = 0; i < folded.size();) {
        const size_t len = SentiCharLength(enc, folded, i);
        if (len == 1 && folded[i] >= 'A' && folded[i] <= 'Z') folded[i] = char(folded[i] + 32);
        i += len;
    }
    return folded;
}

bool CleanRequestWord(const tstring& sRaw, tstring& sWord) {
    size_t begin = 0, end = sRaw.size();
    while (begin < end && IsTrimmed(sRaw[begin])) ++begin;
    while (end > begin && IsTrimmed(sRaw[end - 1])) --end;
    sWord.assign(sRaw, begin, end - begin);
    for (char c : sWord) {
        if (IsRefused(c)) {
            sWord.clear();
            break;
        }
    }
    return !sWord.empty();
}

std::vector<tstring> CleanWordList(const tstring& sList) {
    std::vector<tstring> words;
    for (const tstring& piece : Split(sList, "|", false)) {
        tstring word;
        if (CleanRequestWord(piece, word)) words.push_back(std::move(word));
    }
    return words;
}

namespace {

// Sanitizes the n bytes at s into out, as SanitizeDocumentText describes. Unless bFinal, stops
// before the last 3 bytes, where a character could go on past s + n, and returns the number of
// bytes read: every character read was then decided on all of its bytes.
size_t SanitizeInto(const char* s, size_t n, bool bFinal, SentiEncoding enc, const CCodeTran* pBig5, tstring& out) {
    const size_t nStop = bFinal ? n : (n > 3 ? n - 3 : 0);
    size_t i = 0;
    while (i < nStop) {
        const unsigned char c = UC(s[i]);
        if (c < 0x80) {
            if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += char(c);
            ++i;
            continue;
        }
        if (enc == SentiEncoding::UTF8) {
            const size_t len = Utf8CharLength(s, i, n);
            if (len == 0) {
                out += '?';
                ++i;
            } else {
                // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
                const bool bNonChar = len == 3 && c == 0xEF && UC(s[i + 1]) == 0xBF && UC(s[i + 2]) >= 0xBE;
                if (bNonChar) out += '?';
                else out.append(s + i, len);
                i += len;
            }
            continue;
        }
        bool bKeep = false;
        if (i + 1 < n) {
            const unsigned char t = UC(s[i + 1]);
            if (enc == SentiEncoding::GBK) {
                bKeep = MappedGbkPairs().test(c * 256u + t);
            } else if (pBig5) {
                bKeep = t >= 0x40 && pBig5->HoldsCodeUnit(s + i, 2);
            } else {
                bKeep = IsBig5RangePair(c, t);
            }
        }
        if (bKeep) {
            out.append(s + i, 2);
            i += 2;
        } else {
            out += '?';
            ++i;
        }
    }
    return i;
}

}  // namespace

tstring SanitizeDocumentText(const tstring& s, SentiEncoding enc, const CCodeTran* pBig5) {
    tstring out;
    out.reserve(s.size());
    SanitizeInto(s.data(), s.size(), true, enc, pBig5, out);
    return out;
}

void CdataTextWriter::Feed(const char* p, size_t n) {
    m_sPending.append(p, n);
    if (m_sPending.size() >= kBatch) Flush(false);
}

void CdataTextWriter::Finish() { Flush(true); }

void CdataTextWriter::Flush(bool bFinal) {
    m_sOut.clear();
    const size_t nRead = SanitizeInto(m_sPending.data(), m_sPending.size(), bFinal, m_enc, m_pBig5, m_sOut);
    m_sPending.erase(0, nRead);
    // Each "]]>" is split over two sections, the second taking the ">", as an XML writer splits it.
    size_t nFrom = 0;
    for (size_t i = 0; i < m_sOut.size(); ++i) {
        const char c = m_sOut[i];
        if (c == '>' && m_nBrackets >= 2) {
            m_out(m_sOut.data() + nFrom, i - nFrom);
            m_out("]]><![CDATA[", 12);
            nFrom = i;
        }
        m_nBrackets = c == ']' ? std::min(m_nBrackets + 1, 2) : 0;
    }
    if (nFrom < m_sOut.size()) m_out(m_sOut.data() + nFrom, m_sOut.size() - nFrom);
}

void ChunkedText::Unmap::operator()(char* p) const { munmap(p, kChunk); }

void ChunkedText::Append(const char* p, size_t n) {
    while (n > 0) {
        if (m_chunks.empty() || m_nLastUsed == kChunk) {
            m_chunks.reserve(m_chunks.size() + 1);  // so that a new mapping is never lost
            void* pChunk = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (pChunk == MAP_FAILED) throw std::bad_alloc();
            m_chunks.emplace_back(static_cast<char*>(pChunk));
            m_nLastUsed = 0;
        }
        const size_t nTake = std::min(n, kChunk - m_nLastUsed);
        memcpy(m_chunks.back().get() + m_nLastUsed, p, nTake);
        m_nLastUsed += nTake;
        m_nSize += nTake;
        p += nTake;
        n -= nTake;
    }
}

void ChunkedText::MoveTo(char* dst) {
    for (size_t i = 0; i < m_chunks.size(); ++i) {
        const size_t n = i + 1 == m_chunks.size() ? m_nLastUsed : kChunk;
        memcpy(dst, m_chunks[i].get(), n);
        dst += n;
        m_chunks[i].reset();
    }
    m_chunks.clear();
    m_nSize = m_nLastUsed = 0;
}

void ChunkedText::MoveTo(tstring& out) {
    const size_t nOld = out.size();
    out.resize(nOld + m_nSize);
    MoveTo(&out[nOld]);
}

tstring FormatPoint(double value) {
    std::ostringstream os;
    os.imbue(std::locale::classic());
    os << std::fixed << std::setprecision(2) << value;
    return os.str();
}

double SumPoints(double a, double b) {
    const double sum = a + b;
    if (std::isfinite(sum)) return sum;
    return sum > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
}

double SentimentPoint(double pos, double neg) {
    // Scaled by the larger of the two, so that pos - neg cannot overflow.
    const double scale = std::max(pos, -neg);
    if (!(scale > 0.0)) return 0.0;
    const double p = pos / scale, n = neg / scale;
    return std::min(1.0, std::max(-1.0, (p + n) / (p - n)));
}

tstring DetectedToUtf8(const tstring& s) {
    bool bAscii = true;
    for (char c : s) {
        if ((unsigned char)c >= 0x80) {
            bAscii = false;
            break;
        }
    }
    if (bAscii) return s;
    switch (CodeTrans_CodeDetect(s.data(), int(s.size()))) {
        case CODETRANS_UTF8:
            return s;
        case CODETRANS_GBK:
        case CODETRANS_BIG5: {
            tstring sUtf8;
            ANSIToUTF8(s.c_str(), sUtf8);
            return sUtf8;
        }
        default:
            return tstring();
    }
}
