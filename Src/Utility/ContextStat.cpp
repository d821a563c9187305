#include "Utility/ContextStat.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/POSmap.h"
#include "Utility/TextScan.h"
#include "Utility/WrapAdd.h"

namespace {

const size_t kNameBytes = 100;   // name field in the file
const size_t kNameSlot = 101;    // in memory: the field and a terminating NUL
const double kFloor = 0.00001;

void AppendF(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void AppendF(std::string& out, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    if (size_t(n) < sizeof buf) {
        out.append(buf, size_t(n));
        return;
    }
    std::vector<char> big(size_t(n) + 1);
    va_start(ap, fmt);
    vsnprintf(big.data(), big.size(), fmt, ap);
    va_end(ap);
    out.append(big.data(), size_t(n));
}

template <typename T>
std::unique_ptr<T[]> NewZeroed(size_t n) {
    std::unique_ptr<T[]> p(new (std::nothrow) T[n ? n : 1]());
    return p;
}

}  // namespace

CContextStat::CContextStat() = default;
CContextStat::~CContextStat() = default;

void CContextStat::Swap(CContextStat& other) {
    std::swap(m_nTableLen, other.m_nTableLen);
    std::swap(m_pSymbolTable, other.m_pSymbolTable);
    std::swap(m_aContextArray, other.m_aContextArray);
    std::swap(m_aTagFreq, other.m_aTagFreq);
    std::swap(m_nTotalFreq, other.m_nTotalFreq);
}

bool CContextStat::Load(const char* sFilename, bool bOriginal) {
    auto parse = [bOriginal](CContextStat& tmp, CByteReader& in) { return ParseImage(tmp, in, bOriginal); };
    return LoadStoreFile(*this, sFilename, parse);
}

bool CContextStat::LoadFromMemory(const unsigned char* pData, size_t nSize, bool bOriginal) {
    auto parse = [bOriginal](CContextStat& tmp, CByteReader& in) { return ParseImage(tmp, in, bOriginal); };
    return ParseIntoStore(*this, pData, nSize, parse);
}

bool CContextStat::ParseImage(CContextStat& tmp, CByteReader& in, bool bOriginal) {
    uint8_t n8 = 0;
    if (!in.ReadU8(n8)) return false;
    const size_t n = n8;
    // The whole layout is fixed by N, so the length must match exactly.
    size_t expect = 1 + (bOriginal ? kNameBytes * n : 0) + 4 + 4 * n + 4 * n * n;
    if (in.Size() != expect) return false;

    tmp.m_nTableLen = n8;
    tmp.m_aTagFreq = NewZeroed<int32_t>(n);
    tmp.m_aContextArray = NewZeroed<int32_t>(n * n);
    if (!tmp.m_aTagFreq || !tmp.m_aContextArray) return false;
    if (bOriginal) {
        tmp.m_pSymbolTable = NewZeroed<char>(n * kNameSlot);
        if (!tmp.m_pSymbolTable) return false;
        for (size_t i = 0; i < n; ++i) {
            char* name = tmp.m_pSymbolTable.get() + i * kNameSlot;
            in.ReadBytes(name, kNameBytes);
            // GetSymbolID binary-searches the names: they must not descend (case-insensitively).
            if (i > 0 && textscan::AsciiCaseCompare(name - kNameSlot, name) > 0) return false;
        }
    }
    // The total sits at an odd offset: every field is decoded on its own.
    int32_t v = 0;
    in.ReadI32(v);
    if (v < 0) return false;
    tmp.m_nTotalFreq = v;
    for (size_t i = 0; i < n; ++i) {
        in.ReadI32(v);
        if (v < 0) return false;
        tmp.m_aTagFreq[i] = v;
    }
    for (size_t i = 0; i < n * n; ++i) {
        in.ReadI32(v);
        if (v < 0) return false;
        tmp.m_aContextArray[i] = v;
    }
    return true;
}

int CContextStat::GetFrequency(tuchar nTag) const {
    if (nTag >= m_nTableLen) return 0;
    return m_aTagFreq[nTag];
}

double CContextStat::GetContextPossibility(tuchar nPrevID, tuchar nCurID) const {
    if (nPrevID >= m_nTableLen || nCurID >= m_nTableLen) return kFloor;
    int32_t c = Count(nPrevID, nCurID);
    int32_t f = m_aTagFreq[nPrevID];
    if (f == 0 || c == 0) return kFloor;
    // The second term is the previous tag's share of all counts; an empty total gives it none.
    double share = m_nTotalFreq > 0 ? (f * 0.1) / m_nTotalFreq : 0.0;
    double p = ((c * 0.9) / f + share) * 0.99999 + 0.00001;
    if (!(p >= kFloor)) return kFloor;  // also catches NaN
    if (p > 1.0) return 1.0;
    return p;
}

bool CContextStat::SetSymbol(int n, char** sSymbols) {
    if (n < 0 || n > 255) return false;
    if (n > 0 && !sSymbols) return false;
    for (int i = 0; i < n; ++i)
        if (!sSymbols[i]) return false;
    CContextStat tmp;
    if (!tmp.SetSymbol(tuchar(n))) return false;
    tmp.m_pSymbolTable = NewZeroed<char>(size_t(n) * kNameSlot);
    if (!tmp.m_pSymbolTable) return false;
    std::stable_sort(sSymbols, sSymbols + n,
                     [](const char* a, const char* b) { return textscan::AsciiCaseCompare(a, b) < 0; });
    for (int i = 0; i < n; ++i) {
        size_t len = strnlen(sSymbols[i], kNameBytes);
        memcpy(tmp.m_pSymbolTable.get() + size_t(i) * kNameSlot, sSymbols[i], len);
    }
    Swap(tmp);
    return true;
}

bool CContextStat::SetSymbol(tuchar n) {
    auto freq = NewZeroed<int32_t>(n);
    auto counts = NewZeroed<int32_t>(size_t(n) * n);
    if (!freq || !counts) return false;
    m_pSymbolTable.reset();
    m_nTableLen = n;
    m_aTagFreq = std::move(freq);
    m_aContextArray = std::move(counts);
    m_nTotalFreq = 0;
    return true;
}

bool CContextStat::Add(tuchar nPrevID, tuchar nCurID, int n) {
    if (nPrevID >= m_nTableLen || nCurID >= m_nTableLen) return false;
    int32_t& c = m_aContextArray[size_t(nPrevID) * m_nTableLen + nCurID];
    c = AddWrap(c, n);
    m_aTagFreq[nPrevID] = AddWrap(m_aTagFreq[nPrevID], n);
    m_nTotalFreq = AddWrap(m_nTotalFreq, n);
    return true;
}

int CContextStat::GetSymbolID(const char* sTag) const {
    if (!sTag || !m_pSymbolTable) return -1;
    int lo = 0, hi = int(m_nTableLen) - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int cmp = textscan::AsciiCaseCompare(sTag, m_pSymbolTable.get() + size_t(mid) * kNameSlot);
        if (cmp == 0) return mid;
        if (cmp > 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

bool CContextStat::Add(const char* sPrev, const char* sCur, int n) {
    int p = GetSymbolID(sPrev), c = GetSymbolID(sCur);
    if (p < 0 || c < 0) return false;
    return Add(tuchar(p), tuchar(c), n);
}

int CContextStat::GetFrequency(const char* sTag) const {
    int id = GetSymbolID(sTag);
    return id < 0 ? 0 : GetFrequency(tuchar(id));
}

double CContextStat::GetContextPossibility(const char* sPrev, const char* sCur) const {
    int p = GetSymbolID(sPrev), c = GetSymbolID(sCur);
    if (p < 0 || c < 0) return kFloor;
    return GetContextPossibility(tuchar(p), tuchar(c));
}

bool CContextStat::Destroy() {
    m_pSymbolTable.reset();
    m_aContextArray.reset();
    m_aTagFreq.reset();
    m_nTableLen = 0;
    m_nTotalFreq = 0;
    return true;
}

std::string CContextStat::TextView(const CPOSmap* pTagSet) const {
    std::string out;
    const int n = m_nTableLen;
    AppendF(out, "Total frequency=%d:\n", m_nTotalFreq);
    AppendF(out, "Table Len=%d\nSymbol:\n           ", n);
    const char* names = m_pSymbolTable.get();
    if (names) {
        for (int i = 0; i < n; ++i) AppendF(out, "%5s ", names + size_t(i) * kNameSlot);
        out += "\n    ";
    } else {
        for (int i = 0; i < n; ++i) {
            if (pTagSet)
                AppendF(out, "%5s ", pTagSet->GetPOS(tuchar(i)));
            else
                AppendF(out, "%5d ", i);
        }
        out += "\n";
    }
    for (int i = 0; i < n; ++i) {
        if (names)
            AppendF(out, "No.%2d=%3s: ", i, names + size_t(i) * kNameSlot);
        else if (pTagSet)
            AppendF(out, "No.%2d=%5s: ", i, pTagSet->GetPOS(tuchar(i)));
        else
            AppendF(out, "No.%2d=%5d: ", i, i);
        for (int j = 0; j < n; ++j) AppendF(out, "%5d ", Count(i, j));
        AppendF(out, "total=%d:\n", m_aTagFreq[i]);
    }
    return out;
}

bool CContextStat::Save(const char* sFilename, const CPOSmap* pTagSet) const {
    if (!sFilename) return false;
    std::string sView = std::string(sFilename) + ".shw";
    // Both temporaries are opened before anything is written, so a failure leaves both old
    // files as they were.
    CAtomicFile bin, text;
    if (!bin.Open(sFilename) || !text.Open(sView.c_str(), true)) return false;

    CByteWriter w;
    const size_t n = m_nTableLen;
    w.PutU8(m_nTableLen);
    if (m_pSymbolTable)
        for (size_t i = 0; i < n; ++i) w.PutBytes(m_pSymbolTable.get() + i * kNameSlot, kNameBytes);
    w.PutI32(m_nTotalFreq);
    for (size_t i = 0; i < n; ++i) w.PutI32(m_aTagFreq[i]);
    for (size_t i = 0; i < n * n; ++i) w.PutI32(m_aContextArray[i]);

    if (!bin.Write(w.Bytes().data(), w.Size()) || !text.Write(TextView(pTagSet))) return false;
    if (!text.Commit()) return false;
    return bin.Commit();
}

bool CContextStat::Export(const char* sFilename, const CPOSmap* pTagSet) const {
    if (!sFilename) return false;
    CAtomicFile text;
    if (!text.Open(sFilename, true)) return false;
    if (!text.Write(TextView(pTagSet))) return false;
    return text.Commit();
}
