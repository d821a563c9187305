#include "Utility/SearchFunc.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Utility/TimeFunc.h"

namespace {

// The shared halving loop: cmp(i) < 0 when the key is below element i, > 0 when above.
template <typename Cmp>
long Halve(long low, long high, Cmp cmp) {
    while (low <= high) {
        long middle = low + (high - low) / 2;
        int c = cmp(middle);
        if (c == 0) return middle;
        if (c > 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

template <typename T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

inline const char* NonNull(const char* s) { return s ? s : ""; }

}  // namespace

// ---- binary searches -----------------------------------------------------------------------------

int BinarySearch(int nVal, int* nTable, int nTableLen) {
    if (!nTable || nTableLen <= 0) return -1;
    return static_cast<int>(Halve(0, nTableLen - 1, [&](long i) { return Sign(nVal, nTable[i]); }));
}

int BinarySearch(double nVal, std::vector<double>& vecTable) {
    return static_cast<int>(
        Halve(0, static_cast<long>(vecTable.size()) - 1, [&](long i) { return Sign(nVal, vecTable[i]); }));
}

int BinarySearch(const char* sVal, const char** sTable, int nTableLen) {
    if (!sVal || !sTable || nTableLen <= 0) return -1;
    return static_cast<int>(
        Halve(0, nTableLen - 1, [&](long i) { return strcasecmp(sVal, NonNull(sTable[i])); }));
}

int BinarySearch(const char* sVal, std::vector<tstring>& vecTable) {
    if (!sVal) return -1;
    return static_cast<int>(Halve(0, static_cast<long>(vecTable.size()) - 1,
                                  [&](long i) { return strcasecmp(sVal, vecTable[i].c_str()); }));
}

long BinaryPrefixSearch(const char* sWord, unsigned long nWordLen, const char** pWordList, unsigned long nStartPos,
                        unsigned long nEndPos) {
    if (!sWord || !pWordList || nStartPos > nEndPos || nEndPos > static_cast<unsigned long>(LONG_MAX)) return -1;
    const long first = static_cast<long>(nStartPos), last = static_cast<long>(nEndPos);
    auto cmp = [&](long i) { return strncmp(sWord, NonNull(pWordList[i]), nWordLen); };
    long hit = Halve(first, last, cmp);
    if (hit < 0) return -1;
    long best = hit;
    size_t bestLen = strlen(NonNull(pWordList[hit]));
    for (long i = hit - 1; i >= first && cmp(i) == 0; --i) {
        size_t len = strlen(NonNull(pWordList[i]));
        if (len < bestLen) {
            best = i;
            bestLen = len;
        }
    }
    for (long i = hit + 1; i <= last && cmp(i) == 0; ++i) {
        size_t len = strlen(NonNull(pWordList[i]));
        if (len < bestLen) {
            best = i;
            bestLen = len;
        }
    }
    return best;
}

unsigned long MaxMatching(const char* sLine, const char** pWordList, unsigned long nListSize, long* pRuleId) {
    if (pRuleId) *pRuleId = -1;
    if (!sLine || !pWordList || nListSize == 0) return 0;
    const unsigned long len = strlen(sLine);
    unsigned long result = 0;
    for (unsigned long k = 1; k <= len;) {
        long idx = BinaryPrefixSearch(sLine, k, pWordList, 0, nListSize - 1);
        if (idx < 0) break;
        const unsigned long entryLen = strlen(NonNull(pWordList[idx]));
        if (entryLen == k) {
            if (pRuleId) *pRuleId = idx;
            result = k;
        }
        k = entryLen > k ? entryLen : k + 1;
    }
    return result;
}

bool IsExists(const char* sElement, const char** pList, int nSize) {
    if (!sElement || !pList) return false;
    for (int i = 0; i < nSize; ++i) {
        if (pList[i] && strcmp(sElement, pList[i]) == 0) return true;
    }
    return false;
}

bool IsExists(int id, std::vector<int>& vecList) {
    return std::find(vecList.begin(), vecList.end(), id) != vecList.end();
}

bool IsExists(double* nID, double* pIDList, int nSize, int type, int length) {
    if (!nID || !pIDList) return false;
    for (int i = 0; i < nSize; ++i) {
        if (filter_data_cmp(nID, pIDList + i, type) == 0) return true;
    }
    return false;
}

int LocateIndex(int nDocID, std::vector<int>& vecMaxDocID) {
    auto it = std::lower_bound(vecMaxDocID.begin(), vecMaxDocID.end(), nDocID);
    return it == vecMaxDocID.end() ? -1 : static_cast<int>(it - vecMaxDocID.begin());
}

int GetMaxIndex(std::vector<float> vecFloat) {
    int best = -1;
    for (size_t i = 0; i < vecFloat.size(); ++i) {
        if (best < 0 || vecFloat[i] > vecFloat[best]) best = static_cast<int>(i);
    }
    return best;
}

// ---- position lists --------------------------------------------------------------------------------

int Intersection(std::vector<int>& vecPrevList, std::vector<int>& vecNextList, int nDist,
                 std::vector<int>& vecIntersectList) {
    size_t i = 0, j = 0;
    while (i < vecPrevList.size() && j < vecNextList.size()) {
        const int64_t shifted = int64_t(vecPrevList[i]) + nDist;
        const int64_t next = vecNextList[j];
        if (shifted == next) {
            vecIntersectList.push_back(vecPrevList[i]);
            ++i;
            ++j;
        } else if (shifted < next) {
            ++i;
        } else {
            ++j;
        }
    }
    return static_cast<int>(vecIntersectList.size());
}

bool Not(std::vector<int>& vecListA, std::vector<int>& vecListB) {
    size_t w = 0, j = 0;
    bool bRemoved = false;
    for (size_t i = 0; i < vecListA.size(); ++i) {
        while (j < vecListB.size() && vecListB[j] < vecListA[i]) ++j;
        if (j < vecListB.size() && vecListB[j] == vecListA[i]) {
            bRemoved = true;  // B's position stays, so a duplicate in A goes too
            continue;
        }
        vecListA[w++] = vecListA[i];
    }
    vecListA.resize(w);
    return bRemoved;
}

// ---- typed values --------------------------------------------------------------------------------

namespace {

template <typename T>
T CellGet(const double* cell) {
    T v;
    memcpy(&v, cell, sizeof v);
    return v;
}

template <typename T>
void CellPut(double* cell, T v) {
    memcpy(cell, &v, sizeof v);
}

}  // namespace

void str2filter_data(const char* pValue, double* data, int type) {
    if (!data) return;
    memset(data, 0, sizeof(double));
    if (!pValue) return;
    if (*pValue == '"') ++pValue;
    if (!*pValue) return;
    switch (type) {
        case 4:
            CellPut<int64_t>(data, str2time(pValue));
            break;
        case 5: {
            float f = 0;
            if (sscanf(pValue, "%f", &f) == 1) CellPut(data, f);
            break;
        }
        case 7: {
            double d = 0;
            if (sscanf(pValue, "%lf", &d) == 1) CellPut(data, d);
            break;
        }
        case 3: {
            long long v = 0;
            if (sscanf(pValue, "%lld", &v) == 1) CellPut<int64_t>(data, v);
            break;
        }
        default: {
            int v = 0;
            if (sscanf(pValue, "%d", &v) == 1) CellPut(data, v);
            break;
        }
    }
}

char* filter_data2str(double* data, char* sValue, int type) {
    const size_t kSize = 400;
    sValue[0] = 0;
    if (!data) return sValue;
    switch (type) {
        case 4: {
            const long t = static_cast<long>(CellGet<int64_t>(data));
            time2str(t, sValue, false);
            break;
        }
        case 5:
            snprintf(sValue, kSize, "%f", double(CellGet<float>(data)));
            break;
        case 7:
            snprintf(sValue, kSize, "%lf", CellGet<double>(data));
            break;
        case 3:
            snprintf(sValue, kSize, "%lld", static_cast<long long>(CellGet<int64_t>(data)));
            break;
        default:
            snprintf(sValue, kSize, "%d", CellGet<int>(data));
            break;
    }
    return sValue;
}

int filter_data_cmp(double* data1, double* data2, int type) {
    switch (type) {
        case 3:
        case 4:
            return Sign(CellGet<int64_t>(data1), CellGet<int64_t>(data2));
        case 5:
            return Sign(CellGet<float>(data1), CellGet<float>(data2));
        case 7:
            return Sign(CellGet<double>(data1), CellGet<double>(data2));
        default:
            return Sign(CellGet<int>(data1), CellGet<int>(data2));
    }
}

int filter_data_cmp(const char* data1, const char* data2, int type) {
    if (type == 2 || type == 3 || type == 5 || type == 7) {
        double cell1, cell2;
        str2filter_data(data1, &cell1, type);
        str2filter_data(data2, &cell2, type);
        return filter_data_cmp(&cell1, &cell2, type);
    }
    int c = strcmp(NonNull(data1), NonNull(data2));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- sorting and selection ---------------------------------------------------------------------------

void SortByNumber(std::vector<tstring>& vecLines, const char* sPrefix) {
    const size_t nPrefix = sPrefix ? strlen(sPrefix) : 0;
    std::vector<_index_digit> keys(vecLines.size());
    for (size_t i = 0; i < vecLines.size(); ++i) {
        keys[i].index = static_cast<int>(i);
        keys[i].digit = vecLines[i].size() < nPrefix ? 0 : atoi(vecLines[i].c_str() + nPrefix);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<tstring> sorted;
    sorted.reserve(vecLines.size());
    for (const _index_digit& k : keys) sorted.push_back(std::move(vecLines[k.index]));
    vecLines.swap(sorted);
}

bool IsBalancedValue(unsigned long nVal1, unsigned long nVal2) {
    if (nVal1 < nVal2 / 10) return false;
    if (nVal2 > ULONG_MAX / 10) return true;  // the upper bound exceeds every value
    return nVal1 <= nVal2 * 10;
}

int MergeSelect(std::vector<unsigned long>& vecLength, int& nSize, bool bBalanced) {
    const unsigned long kMaxSum = 0x40000000, kSmall = 0x1400000;
    const size_t n = vecLength.size();
    nSize = 0;
    if (n < 2) return -1;
    int bestStart = -1;
    size_t bestLen = 0;
    for (size_t s = 0; s < n; ++s) {
        unsigned long sum = vecLength[s], smallest = vecLength[s];
        size_t e = s + 1;
        for (; e < n; ++e) {
            const unsigned long next = vecLength[e];
            if (next >= kMaxSum || sum >= kMaxSum || sum + next >= kMaxSum) break;
            if (bBalanced && !(next < kSmall || IsBalancedValue(next, sum) || IsBalancedValue(next, smallest))) break;
            sum += next;
            smallest = std::min(smallest, next);
        }
        if (e - s > bestLen) {
            bestLen = e - s;
            bestStart = static_cast<int>(s);
        }
        if (e == n) break;
    }
    nSize = static_cast<int>(bestLen);
    return bestStart;
}
