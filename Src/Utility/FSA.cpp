#include "Utility/FSA.h"

#include <cstdio>
#include <new>
#include <string>

#include "Utility/ByteIO.h"
#include "Utility/FileHandle.h"
#include "Utility/TextScan.h"

namespace {

// Largest automaton Import builds (cells = states x inputs); a role automaton has about a
// hundred cells, and a text naming millions is a mistake rather than a request for gigabytes.
const int64_t kMaxImportCells = int64_t(1) << 24;

}  // namespace

CFSA::CFSA() = default;
CFSA::~CFSA() = default;

void CFSA::Swap(CFSA& other) {
    std::swap(m_nStateCount, other.m_nStateCount);
    std::swap(m_pStateAccepted, other.m_pStateAccepted);
    std::swap(m_pPosIdAccepted, other.m_pPosIdAccepted);
    std::swap(m_nInputSetSize, other.m_nInputSetSize);
    std::swap(m_pTransData, other.m_pTransData);
}

bool CFSA::Allocate(int32_t nStates, int32_t nInputs) {
    if (nStates < 0 || nInputs < 0) return false;
    size_t n = size_t(nStates), cells = size_t(nStates) * size_t(nInputs);
    std::unique_ptr<int32_t[]> acc(new (std::nothrow) int32_t[n ? n : 1]());
    std::unique_ptr<int32_t[]> tag(new (std::nothrow) int32_t[n ? n : 1]());
    std::unique_ptr<_transitive[]> trans(new (std::nothrow) _transitive[cells ? cells : 1]);
    if (!acc || !tag || !trans) return false;
    m_nStateCount = nStates;
    m_nInputSetSize = nInputs;
    m_pStateAccepted = std::move(acc);
    m_pPosIdAccepted = std::move(tag);
    m_pTransData = std::move(trans);
    return true;
}

bool CFSA::Load(const char* sFilename) { return LoadStoreFile(*this, sFilename, ParseImage); }

bool CFSA::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    return ParseIntoStore(*this, pData, nSize, ParseImage);
}

bool CFSA::ParseImage(CFSA& tmp, CByteReader& in) {
    int32_t m = 0, n = 0;
    if (!in.ReadI32(m) || !in.ReadI32(n) || m < 0 || n < 0) return false;
    // 8 bytes per state for the two per-state arrays, then N x M cells of 4 bytes.
    if (!in.Has(n, 8)) return false;
    uint64_t cells = uint64_t(n) * uint64_t(m);
    if (!in.Has(int64_t(n) * 2 + int64_t(cells), 4)) return false;
    if (!tmp.Allocate(n, m)) return false;
    for (int32_t i = 0; i < n; ++i) in.ReadI32(tmp.m_pStateAccepted[i]);
    for (int32_t i = 0; i < n; ++i) in.ReadI32(tmp.m_pPosIdAccepted[i]);
    for (uint64_t c = 0; c < cells; ++c) {
        int32_t next = -1;
        in.ReadI32(next);
        if (next < -1 || next >= n) return false;
        tmp.m_pTransData[c].state_to = next;
    }
    return true;
}


int CFSA::GetAcceptedTag(int nState) const {
    if (nState < 0 || nState >= m_nStateCount) return 0;
    return m_pPosIdAccepted[nState];
}

int CFSA::MaxPR(word_t* pWords, int* pCount, int nNERHandle, std::vector<int>& vecResultIndex) const {
    vecResultIndex.clear();
    if (m_nStateCount <= 0 || m_nInputSetSize <= 0 || !pWords || !pCount || *pCount <= 0) return 0;
    const int count = *pCount;
    int cur = 0, offset = 0, start = 0, accepted = 0, acceptedTag = 0;
    // Position count stands for a word without any transition, so a run that is still open at
    // the end of the array is closed like any other.
    int i = 0;
    while (i <= count) {
        int next = (i < count) ? GetNext(cur, pWords[i].POS_id) : -1;
        if (next != -1) {
            if (m_pStateAccepted[next] == 1) {
                accepted = i;
                acceptedTag = m_pPosIdAccepted[next];
            }
            cur = next;
            ++i;
            continue;
        }
        if (accepted > start) {
            // w[start .. accepted] becomes one word; the words after it are tried again.
            word_t merged = pWords[start];
            merged.end = pWords[accepted].end;
            merged.handle = nNERHandle;
            merged.type = tuchar(acceptedTag);
            pWords[start - offset] = merged;
            vecResultIndex.push_back(start - offset);
            offset += accepted - start;
            start = accepted + 1;
            i = accepted + 1;
        } else {
            // w[start .. i] stay words of their own; the word that broke the run is not retried.
            int last = i < count ? i : count - 1;
            if (offset > 0)
                for (int k = start; k <= last; ++k) pWords[k - offset] = pWords[k];
            start = i + 1;
            ++i;
        }
        cur = 0;
    }
    *pCount = count - offset;
    return 0;
}

bool CFSA::Save(const char* sFilename) const {
    CByteWriter w;
    w.PutI32(m_nInputSetSize);
    w.PutI32(m_nStateCount);
    for (int32_t i = 0; i < m_nStateCount; ++i) w.PutI32(m_pStateAccepted[i]);
    for (int32_t i = 0; i < m_nStateCount; ++i) w.PutI32(m_pPosIdAccepted[i]);
    size_t cells = size_t(m_nStateCount) * size_t(m_nInputSetSize);
    for (size_t c = 0; c < cells; ++c) w.PutI32(m_pTransData[c].state_to);
    return WriteFileAtomic(sFilename, w.Bytes().data(), w.Size());
}

bool CFSA::Import(const char* sFilename) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp) return false;
    std::vector<std::string> head;
    std::string line;
    // Lines 1..9: captions, N, caption, M, caption, accepting states, caption, their tag ids,
    // caption.
    while (head.size() < 9 && textscan::ReadLine(fp.get(), line)) head.push_back(line);
    head.resize(9);
    int n = 0, m = 0;
    bool okN = textscan::CLineScanner(head[1]).Int(n);
    bool okM = textscan::CLineScanner(head[3]).Int(m);
    if (!okN || !okM || n < 0 || m < 0 || int64_t(n) * m > kMaxImportCells || n > kMaxImportCells)
        return false;
    CFSA tmp;
    if (!tmp.Allocate(n, m)) return false;
    std::vector<int> states;
    textscan::CLineScanner accLine(head[5]);
    for (int s; accLine.Int(s);) states.push_back(s);
    textscan::CLineScanner tagLine(head[7]);
    size_t k = 0;
    for (int s : states)
        if (s >= 0 && s < n) tmp.m_pStateAccepted[s] = 1;
    for (int t; k < states.size() && tagLine.Int(t); ++k)
        if (states[k] >= 0 && states[k] < n) tmp.m_pPosIdAccepted[states[k]] = t;
    while (textscan::ReadLine(fp.get(), line)) {
        textscan::CLineScanner scan(line);
        int s, in, next;
        if (!scan.Int(s) || !scan.Int(in) || !scan.Int(next)) continue;
        if (s < 0 || s >= n || in < 0 || in >= m || next < 0 || next >= n) continue;
        tmp.m_pTransData[size_t(s) * size_t(m) + size_t(in)].state_to = next;
    }
    Swap(tmp);
    return true;
}

bool CFSA::Export(const char* sFilename) const {
    if (!sFilename) return false;
    CAtomicFile out;
    if (!out.Open(sFilename, true)) return false;
    std::string s;
    char buf[64];
    auto add = [&](const char* fmt, int a, int b = 0, int c = 0) {
        int len = snprintf(buf, sizeof buf, fmt, a, b, c);
        s.append(buf, size_t(len));
    };
    s += "state count\n";
    add("%d\n", m_nStateCount);
    s += "input size\n";
    add("%d\n", m_nInputSetSize);
    s += "Accepted State\n";
    add("%d\n", m_nInputSetSize);
    for (int i = 0; i < m_nStateCount; ++i)
        if (m_pStateAccepted[i] == 1) add("%d\t", i);
    s += "\n";
    for (int i = 0; i < m_nStateCount; ++i)
        if (m_pPosIdAccepted[i] > 0) add("%d\t", m_pPosIdAccepted[i]);
    s += "\n";
    s += "Transitive State-Input-NextState\n";
    for (int i = 0; i < m_nStateCount; ++i)
        for (int j = 0; j < m_nInputSetSize; ++j) {
            int next = m_pTransData[size_t(i) * size_t(m_nInputSetSize) + size_t(j)].state_to;
            if (next > 0) add("%d\t%d\t%d\n", i, j, next);
        }
    if (!out.Write(s)) return false;
    return out.Commit();
}
