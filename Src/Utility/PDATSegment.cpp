// CPDAT: forward maximum matching, term counting and ranking, and the offline scanners.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Utility/ByteIO.h"
#include "Utility/PDAT.h"

namespace {

// Bytes that end a glued run of unmatched ASCII bytes.
inline bool IsGlueBreak(unsigned char c) { return c == 0 || strchr(" \t-_,.:/~#%^*()", c) != nullptr; }

inline bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Grows a malloc'd buffer to at least nNeed elements of T; false (buffer untouched) on failure.
template <typename T>
bool GrowBuffer(T** pBuf, int* pSize, size_t nNeed) {
    if (*pBuf && *pSize >= 0 && size_t(*pSize) >= nNeed) return true;
    if (nNeed > size_t(INT_MAX)) return false;
    T* p = static_cast<T*>(realloc(*pBuf, nNeed * sizeof(T)));
    if (!p) return false;
    *pBuf = p;
    *pSize = int(nNeed);
    return true;
}

// Indexes of the named term records ranked by count (greater first), equal counts by handle.
std::vector<size_t> RankTerms(const std::vector<_stTermFreq>& terms) {
    std::vector<size_t> order;
    for (size_t i = 0; i < terms.size(); ++i)
        if (!terms[i].word.empty()) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return terms[a].freq > terms[b].freq; });
    return order;
}

}  // namespace

bool CPDAT::GrowOwnBuffer(size_t nSize) { return GrowBuffer(&m_sResult, &m_nResultLen, nSize); }

// ---- maximum matching ------------------------------------------------------------------------

int CPDAT::MMSegment(const char* sLine, int** pIDList, int* pIDListSize, char** sResult, int* pResultSize,
                     bool /*bSearchUsing*/, bool bInvalidStore, int nLengthLimit, char chSeperator) const {
    if (!sResult || !pResultSize) return -1;
    if (!sLine) sLine = "";
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t len = strlen(sLine);
    if (len > size_t(INT_MAX - 2) / 6) return -1;
    if (!GrowBuffer(sResult, pResultSize, 6 * len + 1)) return -1;
    int* ids = nullptr;
    if (pIDList && pIDListSize) {
        if (!GrowBuffer(pIDList, pIDListSize, len + 2)) return -1;
        ids = *pIDList;
    }
    char* out = *sResult;
    size_t o = 0;
    int nIDs = 0;

    size_t nStart = 0, i = 0, nWordLen = 0;
    int nCand = -1;
    Walk walk;
    auto resetWalk = [&]() { walk = Walk(); };
    auto emit = [&](size_t from, size_t n) {
        memcpy(out + o, s + from, n);
        o += n;
        out[o++] = chSeperator;
    };
    auto emitCandidate = [&]() {
        emit(nStart, nWordLen);
        if (ids && (bInvalidStore || nCand != -1)) ids[nIDs++] = nCand;
        nCand = -1;
        nStart += nWordLen;
        nWordLen = 0;
    };
    // An unmatched character at nStart as a token of its own; a one-byte character (below 0x80
    // unless bAnyFirst) not in the break set takes the following ASCII bytes with it.
    auto emitUnmatched = [&](size_t nCharEnd, bool bAnyFirst) {
        size_t e = nCharEnd;
        if (nCharEnd - nStart == 1 && (bAnyFirst || s[nStart] < 0x80) && !IsGlueBreak(s[nStart]))
            while (e < len && s[e] < 0x80 && !IsGlueBreak(s[e])) ++e;
        emit(nStart, e - nStart);
        if (ids && bInvalidStore) ids[nIDs++] = -1;
        nStart = i = e;
        resetWalk();
    };

    for (;;) {
        if (i >= len && (nStart >= len || nWordLen == 0)) break;
        if (nWordLen > 0 && (i >= len || (nLengthLimit >= 1 && i > nStart + size_t(nLengthLimit)))) {
            emitCandidate();
            i = nStart;
            resetWalk();
            continue;
        }
        size_t nCharStart = i, nCharLen;
        int code = GetCharCode(s, i, len, nCharLen);
        i += nCharLen;
        int32_t id = m_cells.empty() ? -1 : m_charset[code];
        int32_t nCell = Step(walk, id);
        if (nCell >= 0) {
            const state& st = m_cells[size_t(nCell)];
            if (!IsWordEnd(st)) {
                if (nWordLen == 0) nWordLen = nCharLen;
                continue;
            }
            nWordLen = i - nStart;
            nCand = st.handle;
            if (walk.nOffset != nCell) continue;  // the word goes on
            emitCandidate();
            resetWalk();
            continue;
        }
        if (id >= 0) {
            // Known symbol, failed walk.
            if (nWordLen == 0) {
                emitUnmatched(i, false);
            } else {
                emitCandidate();
                i = nStart;
                resetWalk();
            }
            continue;
        }
        // Symbol without id.
        size_t nCandEnd = nStart + nWordLen;
        bool bHad = nWordLen > 0;
        if (bHad) emitCandidate();
        if (!bHad || nCandEnd == nCharStart) {
            emitUnmatched(i, true);
        } else {
            i = nStart;  // the walk ran past the candidate: rescan from its end
            resetWalk();
        }
    }
    out[o] = 0;
    return nIDs;
}

char* CPDAT::MMSegment(const char* sLine, int nLengthLimit, char chSeperator) {
    MMSegment(sLine, nullptr, nullptr, &m_sResult, &m_nResultLen, false, false, nLengthLimit, chSeperator);
    return m_sResult;
}

// ---- term counts -----------------------------------------------------------------------------

void CPDAT::ResetFreq() {
    for (auto& t : m_vecTermFreq) t.freq = 0;
}

int CPDAT::WordFreq(const std::vector<std::string>& vecTerm) {
    ResetFreq();
    for (const auto& term : vecTerm) AddWord(term.c_str(), true);
    return int(m_vecTermFreq.size());
}

std::vector<_stTermFreq> CPDAT::GetTopWordVector() {
    std::vector<_stTermFreq> out;
    for (size_t i : RankTerms(m_vecTermFreq)) out.push_back(m_vecTermFreq[i]);
    return out;
}

const char* CPDAT::GetTopWords(int nTopCount) {
    std::vector<size_t> order = RankTerms(m_vecTermFreq);
    m_sTopWords.clear();
    char sNum[16];
    for (size_t i = 0; i < order.size() && (nTopCount < 0 || i < size_t(nTopCount)); ++i) {
        const tstring& w = m_vecTermFreq[order[i]].word;
        bool bSkip = false;
        if (w.size() >= 5) {
            for (size_t j = 0; j < i && !bSkip; ++j) {
                const tstring& e = m_vecTermFreq[order[j]].word;
                if (e.size() >= 4 && w.find(e) != tstring::npos) bSkip = true;
            }
        }
        if (bSkip) continue;
        snprintf(sNum, sizeof sNum, "%d", m_vecTermFreq[order[i]].freq);
        m_sTopWords += w;
        m_sTopWords += "/";
        m_sTopWords += sNum;
        m_sTopWords += "#";
    }
    return m_sTopWords.c_str();
}

void CPDAT::WordTermCompare(CPDAT* pDict1, CPDAT* pDict2, tstring& sSameResult, tstring& sDiff1, tstring& sDiff2) {
    sSameResult.clear();
    sDiff1.clear();
    sDiff2.clear();
    if (!pDict1 || !pDict2) return;
    char sNum[32];
    std::vector<size_t> order1 = RankTerms(pDict1->m_vecTermFreq);
    std::vector<_stSameTermFreq> same;
    for (size_t i : order1) {
        _stTermFreq& t1 = pDict1->m_vecTermFreq[i];
        int h2 = pDict2->FindWord(t1.word.c_str());
        if (h2 < 0) continue;
        _stSameTermFreq rec;
        rec.word = t1.word;
        rec.freq = t1.freq;
        rec.freq2 = 0;
        if (size_t(h2) < pDict2->m_vecTermFreq.size()) {
            rec.freq2 = pDict2->m_vecTermFreq[size_t(h2)].freq;
            pDict2->m_vecTermFreq[size_t(h2)].freq = -1;
        }
        rec.total_freq = rec.freq + rec.freq2;
        t1.freq = -1;
        same.push_back(rec);
    }
    std::stable_sort(same.begin(), same.end());
    for (size_t i = 0; i < same.size() && i < 10; ++i) {
        snprintf(sNum, sizeof sNum, "/%d/%d#", same[i].freq, same[i].freq2);
        sSameResult += same[i].word + sNum;
    }
    // The ten most frequent terms of one dictionary that the other lacks (shared ones are -1 now).
    auto listOwn = [&](const std::vector<_stTermFreq>& terms, const std::vector<size_t>& order,
                       tstring& sOut) {
        int n = 0;
        for (size_t i : order) {
            const _stTermFreq& t = terms[i];
            if (t.freq <= 0) continue;
            if (n++ >= 10) break;
            snprintf(sNum, sizeof sNum, "/%d#", t.freq);
            sOut += t.word + sNum;
        }
    };
    listOwn(pDict1->m_vecTermFreq, order1, sDiff1);
    listOwn(pDict2->m_vecTermFreq, RankTerms(pDict2->m_vecTermFreq), sDiff2);
}

// ---- offline scanners ------------------------------------------------------------------------

bool CPDAT::IsValidString(const char* sLine, int nStart, int nEndPos, int nLen) {
    if (!sLine) return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    auto sameRun = [](unsigned char a, unsigned char b) {
        return (IsAsciiLetter(a) && IsAsciiLetter(b)) || (IsAsciiDigit(a) && IsAsciiDigit(b));
    };
    if (nStart > 0 && nStart < nLen && sameRun(s[nStart], s[nStart - 1])) return false;
    if (nEndPos > 0 && nEndPos < nLen && sameRun(s[nEndPos - 1], s[nEndPos])) return false;
    return true;
}

int CPDAT::MMScan(const char* sLine, char** sResult, int* pResultSize, bool* p_bExist) const {
    if (p_bExist) *p_bExist = false;
    if (!sResult || !pResultSize) return 0;
    if (!sLine) sLine = "";
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t len = strlen(sLine);
    if (len > size_t(INT_MAX - 2) / 3) return 0;
    if (!*sResult || *pResultSize < 0 || size_t(*pResultSize) < 2 * len + 1) {
        if (!GrowBuffer(sResult, pResultSize, 3 * len + 1)) return 0;
    }
    char* out = *sResult;
    size_t o = 0, pos = 0;
    int nCount = 0;
    while (pos < len) {
        int h;
        size_t w = size_t(LongestMatch(s, pos, len, &h, 0));
        if (w > 0) {
            if (IsValidString(sLine, int(pos), int(pos + w), int(len))) {
                memcpy(out + o, s + pos, w);
                o += w;
                if (pos + w < len) out[o++] = ' ';
                ++nCount;
                if (p_bExist) {
                    *p_bExist = true;
                    break;
                }
            }
            pos += w;
            continue;
        }
        size_t nCharLen;
        GetCharCode(s, pos, len, nCharLen);
        if (nCharLen == 1) {
            ++pos;
            while (pos < len && s[pos] < 0x80) ++pos;
        } else {
            pos += nCharLen;
        }
    }
    out[o] = 0;
    return nCount;
}

char* CPDAT::MMScan(const char* sLine, bool* p_bExist) {
    MMScan(sLine, &m_sResult, &m_nResultLen, p_bExist);
    return m_sResult;
}

char* CPDAT::MMFullScan(const char* sLine) {
    if (!sLine) sLine = "";
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t len = strlen(sLine);
    if (len > size_t(INT_MAX - 2) / 5) return m_sResult;
    size_t nCap = 5 * len + 1;
    char* pNew = static_cast<char*>(malloc(nCap));
    if (!pNew) return m_sResult;
    free(m_sResult);
    m_sResult = pNew;
    m_nResultLen = int(nCap);
    size_t o = 0;
    auto put = [&](size_t from, size_t w) {
        if (!IsValidString(sLine, int(from), int(from + w), int(len))) return;
        if (o + w + 1 >= nCap) return;
        memcpy(m_sResult + o, s + from, w);
        o += w;
        m_sResult[o++] = ' ';
    };
    size_t pos = 0;
    while (pos < len) {
        Walk walk;
        size_t j = pos, nShortest = 0, nPending = 0;
        bool bEnd = true;  // the walk reached the end of the line
        while (j < len && !m_cells.empty()) {
            size_t nCharLen;
            int code = GetCharCode(s, j, len, nCharLen);
            int32_t nCell = Step(walk, m_charset[code]);
            if (nCell < 0) {
                bEnd = false;
                break;
            }
            j += nCharLen;
            const state& st = m_cells[size_t(nCell)];
            if (!IsWordEnd(st)) continue;
            size_t w = j - pos;
            bool bLeaf = walk.nOffset == nCell;
            if (nShortest == 0) {
                nShortest = w;
                put(pos, w);
            } else if (bLeaf) {
                put(pos, w);
            } else {
                nPending = w;
            }
            if (bLeaf) {
                nPending = 0;
                bEnd = false;
                break;
            }
        }
        if (bEnd && nPending > 0) put(pos, nPending);
        size_t nCharLen;
        GetCharCode(s, pos, len, nCharLen);
        pos += nCharLen;
        if (nShortest == 0 && nCharLen == 1 && pos < len && s[pos] == ' ') ++pos;
    }
    m_sResult[o] = 0;
    return m_sResult;
}

int CPDAT::MMScanPosition(const char* sLine, std::vector<_stTermPosition>& vstTermPosition, int nKeyScanMode) const {
    if (!sLine) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t len = strlen(sLine);
    int nAdded = 0;
    size_t pos = 0;
    while (pos < len) {
        int h;
        size_t w = size_t(LongestMatch(s, pos, len, &h, nKeyScanMode == 1 ? 1 : 0));
        if (w > 0 && IsValidString(sLine, int(pos), int(pos + w), int(len))) {
            _stTermPosition tp;
            tp.nHandle = h;
            tp.iStartPos = int32_t(pos);
            tp.nWordLen = int32_t(w);
            tp.weight = 0;
            vstTermPosition.push_back(tp);
            ++nAdded;
        }
        size_t nCharLen;
        GetCharCode(s, pos, len, nCharLen);
        pos += (nKeyScanMode == 1 || w == 0) ? nCharLen : w;
    }
    return nAdded;
}

bool CPDAT::FileSegment(const char* sSrcFilename, const char* sResultFile) {
    std::vector<unsigned char> bytes;
    if (!sSrcFilename || !sResultFile || !ReadFileBytes(sSrcFilename, bytes)) return false;
    std::string sText(bytes.begin(), bytes.end());
    const char* sOut = MMSegment(sText.c_str(), -1, '\t');
    if (!sOut) return false;
    CAtomicFile file;
    if (!file.Open(sResultFile, true)) return false;
    file.Write(sOut, strlen(sOut));
    file.Write("\n", 1);
    return file.Commit();
}
