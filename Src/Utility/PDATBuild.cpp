// CPDAT: the build trie, packing it into the double array, and the offline text import/export.
//
// Packing places every node's children at cells base + symbol id, choosing for each node the
// smallest base at which all its children's cells are free (first fit). To stay fast on large word
// lists (about 350,000 words pack in about a second) the search skips taken cells through a
// path-compressed free list and tests 64 bases at once against a bitmap of free cells. Nodes are
// placed crowded first, from buckets by child count.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "Utility/ByteIO.h"
#include "Utility/FileHandle.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/PDATInternal.h"

// ---- adding words ----------------------------------------------------------------------------

void CPDAT::AddWordInit() {
    if (!m_word_trie)
        m_word_trie.reset(new BuildTrie());
    else
        m_word_trie->Reset();
    std::fill(m_freq.begin(), m_freq.end(), 0);
    m_LowerChar = 0x10000;
    m_UpperChar = 0;
    m_nItemCount = 0;
    m_bWordAddCompleted = false;
}

int CPDAT::AddWord(const char* sWord, bool bStat) { return BuildTRIE(sWord, int(m_nItemCount), bStat, false); }

int CPDAT::AddWord(const char* sWord, int nHandle, bool bStat) { return BuildTRIE(sWord, nHandle, bStat, false); }

int CPDAT::FindWord(const char* sWord) { return BuildTRIE(sWord, -1, false, true); }

int CPDAT::AddFilterWord(const char* sWord) {
    int nHandle = BuildTRIE(sWord, int(m_nItemCount), true, false);
    if (nHandle >= 0) SetTermAt(nHandle, nullptr, -1);
    return nHandle;
}

void CPDAT::SetTermAt(int nHandle, const char* sWord, int32_t nFreq) {
    if (nHandle < 0) return;
    try {
        if (size_t(nHandle) >= m_vecTermFreq.size()) m_vecTermFreq.resize(size_t(nHandle) + 1);
    } catch (const std::bad_alloc&) {
        return;
    }
    _stTermFreq& t = m_vecTermFreq[size_t(nHandle)];
    if (sWord && t.word.empty()) t.word = sWord;
    t.freq = nFreq;
}

bool CPDAT::IsTermFilter(int nHandle) const {
    return nHandle >= 0 && size_t(nHandle) < m_vecTermFreq.size() && m_vecTermFreq[size_t(nHandle)].freq < 0;
}

const _stTermFreq* CPDAT::GetTerm(int nHandle) const {
    if (nHandle < 0 || size_t(nHandle) >= m_vecTermFreq.size()) return nullptr;
    return &m_vecTermFreq[size_t(nHandle)];
}

int CPDAT::BuildTRIE(const char* sWord, int nHandle, bool bStat, bool bSearch) {
    if (!m_word_trie || !sWord) return -1;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sWord);
    size_t n = strlen(sWord);
    if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) {
        s += 3;
        n -= 3;
    }
    if (m_nMode == 2) {
        // Trailing delimiters are not part of a word.
        while (n >= 2) {
            size_t nLast = s[n - 1] < 0x80 ? 1 : 2;
            if (!PdatIsMode2Delimiter(s + n - nLast, nLast)) break;
            n -= nLast;
        }
    }
    // The word ends at its last stored character (symbol 9 is never stored).
    size_t nLastStart = n;
    for (size_t i = 0; i < n;) {
        size_t nCharLen;
        int code = GetCharCode(s, i, n, nCharLen);
        if (code != 9) nLastStart = i;
        i += nCharLen;
    }
    if (nLastStart == n) return -1;

    BuildTrie& t = *m_word_trie;
    int32_t cur = 0;
    for (size_t i = 0; i < n;) {
        size_t nCharLen;
        int code = GetCharCode(s, i, n, nCharLen);
        bool bLast = i == nLastStart;
        i += nCharLen;
        if (code == 9) continue;
        ++m_freq[code];
        if (code < m_LowerChar) m_LowerChar = code;
        if (code > m_UpperChar) m_UpperChar = code;
        int32_t child = t.FindChild(cur, uint32_t(code));
        if (child >= 0 && !bLast) {
            int32_t h = t.nodes[child].handle;
            if (bStat && h >= 0 && IsTermFilter(h)) return -1;
            cur = child;
            continue;
        }
        if (child >= 0 && t.nodes[child].handle >= 0) {
            // Present already.
            int32_t h = t.nodes[child].handle;
            if (bStat && !bSearch && !IsTermFilter(h)) {
                const _stTermFreq* pTerm = GetTerm(h);
                SetTermAt(h, std::string(reinterpret_cast<const char*>(s), n).c_str(), pTerm ? pTerm->freq + 1 : 1);
            }
            return h;
        }
        if (bSearch) return -1;
        if (child < 0) {
            try {
                child = t.AddChild(cur, uint32_t(code));
            } catch (const std::bad_alloc&) {
                return -1;
            }
        }
        if (!bLast) {
            cur = child;
            continue;
        }
        t.nodes[child].handle = nHandle;
        ++m_nItemCount;
        if (bStat) SetTermAt(nHandle, std::string(reinterpret_cast<const char*>(s), n).c_str(), 1);
        return nHandle;
    }
    return -1;
}

// ---- packing ---------------------------------------------------------------------------------

void CPDAT::GetCharMap() {
    std::fill(m_charset.begin(), m_charset.end(), -1);
    std::fill(m_charsetfreq.begin(), m_charsetfreq.end(), 0);
    std::vector<int32_t> codes;
    for (int32_t c = m_LowerChar; c <= m_UpperChar && c <= 0xFFFF; ++c)
        if (m_freq[c] >= 1) codes.push_back(c);
    // Most frequent first, ties to the lower code: the frequent symbols get the small ids.
    std::sort(codes.begin(), codes.end(), [this](int32_t a, int32_t b) {
        return m_freq[a] != m_freq[b] ? m_freq[a] > m_freq[b] : a < b;
    });
    for (size_t id = 0; id < codes.size(); ++id) {
        int32_t c = codes[id];
        m_charset[c] = int32_t(id);
        m_charsetfreq[c] = m_freq[c];
        m_freq[c] = -1;
    }
    m_charsetSize = int32_t(codes.size());
}

namespace {

const state kFreeCell = {-1, -1, -1};

// The cells being packed, with two views of the free ones: an ascending list kept as a
// path-compressed forest (NextFree(x) is the smallest free cell >= x, found in near-constant time)
// and a bitmap, so that a node with several children tests 64 bases at once.
class CCellPacker {
public:
    explicit CCellPacker(size_t nInitial) { Ensure(int64_t(std::max<size_t>(nInitial, 1)) - 1); }

    std::vector<state>& Cells() { return m_cells; }

    // Makes cell idx exist; cells beyond the end are free.
    void Ensure(int64_t idx) {
        if (size_t(idx) < m_cells.size()) return;
        size_t nNeed = size_t(idx) + 1;
        m_cells.resize(std::max(nNeed, m_cells.size() + m_cells.size() / 2 + 100), kFreeCell);
        size_t nOld = m_next.size();
        m_next.resize(m_cells.size() + 1);
        for (size_t i = nOld; i < m_next.size(); ++i) m_next[i] = int32_t(i);
        m_free.resize(m_cells.size() / 64 + 2, ~uint64_t(0));
    }

    int64_t NextFree(int64_t x) {
        Ensure(x);
        int64_t r = x;
        while (m_next[size_t(r)] != r) r = m_next[size_t(r)];
        while (m_next[size_t(x)] != r) {
            int64_t nx = m_next[size_t(x)];
            m_next[size_t(x)] = int32_t(r);
            x = nx;
        }
        return r;
    }

    // Bit j tells whether cell x + j is free.
    uint64_t FreeBits(int64_t x) const {
        size_t w = size_t(x) >> 6;
        unsigned sh = unsigned(x) & 63;
        uint64_t lo = w < m_free.size() ? m_free[w] : ~uint64_t(0);
        if (sh == 0) return lo;
        uint64_t hi = w + 1 < m_free.size() ? m_free[w + 1] : ~uint64_t(0);
        return (lo >> sh) | (hi << (64 - sh));
    }

    void Occupy(int64_t idx, int32_t check) {
        Ensure(idx);
        m_cells[size_t(idx)].check = check;
        m_next[size_t(idx)] = int32_t(idx + 1);
        m_free[size_t(idx) >> 6] &= ~(uint64_t(1) << (idx & 63));
        if (idx > m_nHighest) m_nHighest = idx;
    }

    int64_t Highest() const { return m_nHighest; }

private:
    std::vector<state> m_cells;
    std::vector<int32_t> m_next;
    std::vector<uint64_t> m_free;
    int64_t m_nHighest = -1;
};

}  // namespace

bool CPDAT::PackCells() {
    BuildTrie& t = *m_word_trie;
    GetCharMap();
    CCellPacker packer(size_t(double(m_nItemCount) * 1.5));
    // Nodes placed but whose children are not, by child count: the crowded ones go first, while
    // the array is still empty.
    std::vector<std::vector<int32_t>> buckets(1);
    size_t nTop = 0;
    auto queue = [&](int32_t node) {
        size_t k = size_t(t.nodes[node].child_count);
        if (k >= buckets.size()) buckets.resize(k + 1);
        buckets[k].push_back(node);
        if (k > nTop) nTop = k;
    };
    // Places a child at its cell; a child without children is final at once.
    auto place = [&](int32_t node, int64_t cell, int32_t check) {
        build_elem& e = t.nodes[node];
        e.position = int32_t(cell);
        packer.Occupy(cell, check);
        state& st = packer.Cells()[size_t(cell)];
        st.handle = e.handle;
        if (e.child_count == 0)
            st.base = -int32_t(cell);
        else
            queue(node);
    };

    // The root has no cell: its children lie at their symbol ids.
    for (int32_t c = t.nodes[0].children; c >= 0; c = t.nodes[c].next) place(c, m_charset[t.nodes[c].node], -2);

    std::vector<std::pair<int32_t, int32_t>> kids;  // (symbol id, node)
    const int64_t kMaxCell = std::numeric_limits<int32_t>::max() - 1;
    while (nTop > 0) {
        if (buckets[nTop].empty()) {
            --nTop;
            continue;
        }
        int32_t node = buckets[nTop].back();
        buckets[nTop].pop_back();
        const build_elem& e = t.nodes[node];
        int64_t p = e.position;
        bool bWordEnd = e.handle >= 0;
        kids.clear();
        for (int32_t c = e.children; c >= 0; c = t.nodes[c].next) kids.emplace_back(m_charset[t.nodes[c].node], c);
        std::sort(kids.begin(), kids.end());
        int64_t c1 = kids.front().first;
        int64_t nSpan = kids.back().first - c1;
        // First fit: the smallest base b >= 1 at which every child's cell is free. Bases whose
        // first child's cell is taken are skipped through the free list, the others are tested
        // 64 at a time against the bitmap.
        int64_t b = -1;
        int64_t B = packer.NextFree(c1 + 1) - c1;
        while (b < 0) {
            if (B + c1 + nSpan + 64 > kMaxCell) return false;
            uint64_t w = ~uint64_t(0);
            for (size_t k = 0; k < kids.size() && w; ++k) w &= packer.FreeBits(B + kids[k].first);
            // A word end's base is stored negated, so it must differ from its own index.
            if (bWordEnd && p >= B && p < B + 64) w &= ~(uint64_t(1) << (p - B));
            if (w) {
                b = B + __builtin_ctzll(w);
                break;
            }
            B = std::max(B + 64, packer.NextFree(B + 64 + c1) - c1);
        }
        packer.Cells()[size_t(p)].base = bWordEnd ? -int32_t(b) : int32_t(b);
        for (const auto& k : kids) place(k.second, b + k.first, int32_t(p));
    }

    std::vector<state>& cells = packer.Cells();
    int64_t nHigh = std::max<int64_t>(packer.Highest(), 0);
    cells.resize(size_t(nHigh) + 1);
    cells.shrink_to_fit();
    m_cells.swap(cells);
    m_nLength = int32_t(m_cells.size());
    m_nLowerBound = int32_t(nHigh);
    return true;
}

bool CPDAT::AddWordComplete() {
    if (m_bWordAddCompleted || !m_word_trie) return true;
    bool bOk;
    try {
        bOk = PackCells();
    } catch (const std::bad_alloc&) {
        bOk = false;
    }
    if (!bOk) return false;
    m_word_trie.reset();
    m_bWordAddCompleted = true;
    return true;
}

// ---- offline text import and export ----------------------------------------------------------

bool PdatImportLine(const char* sLine, tstring& sWord) {
    sWord.clear();
    const char* p = sLine;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') ++p;
    const char* e = p;
    while (*e && !strchr(" \t\r\n\v\f", *e)) ++e;
    if (e == p) return false;
    if (strncmp(p, "\xEF\xBB\xBF", 3) == 0 && e - p >= 3) p += 3;
    if (p == e) return false;
    if (*p == '[') {
        const char* pOpen = strchr(sLine, '[');
        const char* pClose = strchr(pOpen + 1, ']');
        if (pClose) {
            sWord.assign(pOpen + 1, pClose);
        } else {
            sWord.assign(pOpen + 1);
            while (!sWord.empty() && (sWord.back() == '\n' || sWord.back() == '\r')) sWord.pop_back();
        }
    } else {
        sWord.assign(p, e);
    }
    return true;
}

void PdatEchoImportWord(FILE* fpEcho, tstring& sWord) {
    if (!sWord.empty() && static_cast<unsigned char>(sWord[0]) >= 0x80) {
        if (fpEcho) fprintf(fpEcho, "%s\n", sWord.c_str());
        return;
    }
    std::replace(sWord.begin(), sWord.end(), '_', ' ');
    bool bSpaced = sWord.find_first_of(" \t") != tstring::npos;
    if (fpEcho) fprintf(fpEcho, bSpaced ? "[%s]\n" : "%s\n", sWord.c_str());
}

int CPDAT::Import(const char* sFilename, CPDAT* pCoreDict) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp) return 0;
    FilePtr fpEcho = OpenFile((tstring(sFilename) + "_export.txt").c_str(), "wb");
    if (!fpEcho) return 0;
    AddWordInit();
    char sLine[3072];
    while (fgets(sLine, sizeof sLine, fp.get())) {
        tstring sWord;
        if (!PdatImportLine(sLine, sWord)) continue;
        PdatEchoImportWord(fpEcho.get(), sWord);
        if (pCoreDict && pCoreDict->Find(sWord.c_str()) >= 0) continue;
        unsigned int nBefore = m_nItemCount;
        AddWord(sWord.c_str(), false);
        if (m_nItemCount != nBefore && m_nItemCount % 100 == 0) {
            printf("%u\t%s Completed!\r", m_nItemCount, sWord.c_str());
            fflush(stdout);
        }
    }
    AddWordComplete();
    return int(m_nItemCount);
}

bool CPDAT::Export(const char* sFilename) const {
    if (!sFilename) return false;
    CAtomicFile file;
    if (!file.Open(sFilename, true)) return false;
    if (m_cells.empty()) return file.Commit();
    // Symbol id back to its code.
    std::vector<int32_t> idToCode(size_t(m_nLowerBound) + 1, -1);
    for (int32_t code = 0; code <= 0xFFFF; ++code) {
        int32_t id = m_charset[code];
        if (id >= 0 && id <= m_nLowerBound) idToCode[size_t(id)] = code;
    }
    std::string sWord;
    std::vector<int32_t> codes;
    for (int32_t k = 0; k <= m_nLowerBound; ++k) {
        const state& st = m_cells[size_t(k)];
        if (!IsWordEnd(st)) continue;
        codes.clear();
        int32_t cur = k;
        bool bOk = true;
        for (int32_t nSteps = 0;; ++nSteps) {
            const state& c = m_cells[size_t(cur)];
            int64_t id;
            int32_t parent = c.check;
            if (parent == -2) {
                id = cur;
            } else {
                if (parent < 0 || parent > m_nLowerBound || nSteps > m_nLowerBound) {
                    bOk = false;
                    break;
                }
                id = int64_t(cur) - Offset(m_cells[size_t(parent)]);
            }
            if (id < 0 || id > m_nLowerBound || idToCode[size_t(id)] < 0) {
                bOk = false;
                break;
            }
            codes.push_back(idToCode[size_t(id)]);
            if (parent == -2) break;
            cur = parent;
        }
        if (!bOk) continue;
        sWord.clear();
        for (size_t i = codes.size(); i-- > 0;) {
            if (codes[i] >= 256) sWord.push_back(char(codes[i] / 256));
            sWord.push_back(char(codes[i] % 256));
        }
        file.Write(sWord + "\n");
        if (Find(sWord.c_str()) != st.handle) WriteLog(sWord + " handle error");
    }
    return file.Commit();
}
