// CIDMaps: maps a word id of one dictionary to one or more word ids of the same or another
// dictionary (irregular English forms to regular ones, caller encoding to GBK and back).
//
// File (little-endian): int32 target count S, int32 source bound N, S int32 targets grouped by
// source id, then N index records (int32 start, int32 inclusive end; -1, -1 for none).
//
// Thread safety: a loaded or completed map is read-only and its getters may run on many threads;
// loading and building need exclusive access.
#pragma once

#include <cstdint>
#include <vector>

#include "Utility/IndexRecord.h"
#include "Utility/Types.h"

class CPDAT;
class CWordList;

// One target id.
struct idmaps_info {
    int32_t handle2;
    idmaps_info() : handle2(-1) {}
};

// One text row of an exported map: source and target.
struct map_str {
    tstring src;
    tstring dsn;
};

class CIDMaps {
public:
    // One source-target pair while building; ordered by source, then target.
    struct idmaps_elem : public idmaps_info {
        int32_t handle1;
        idmaps_elem() : handle1(-1) {}
        idmaps_elem(int32_t h1, int32_t h2) : handle1(h1) { handle2 = h2; }
        bool operator<(const idmaps_elem& o) const {
            return handle1 != o.handle1 ? handle1 < o.handle1 : handle2 < o.handle2;
        }
        bool operator<=(const idmaps_elem& o) const { return !(o < *this); }
    };

    CIDMaps();
    virtual ~CIDMaps();
    CIDMaps(const CIDMaps&) = delete;
    CIDMaps& operator=(const CIDMaps&) = delete;

    // Reads a map file: 1, or 0 (map unchanged) when it cannot be read or is malformed.
    int Load(const char* sFilename);
    // Parses a file image (what Load reads). False, map unchanged, when malformed (bytes after
    // the index included).
    bool Parse(const unsigned char* pData, size_t nSize);
    // Writes the map file through a temporary file: 1, or 0 on failure.
    int Save(const char* sFilename) const;
    std::vector<unsigned char> Serialize() const;

    // The targets of a source id in stored order and their count; null and 0 when none.
    const idmaps_info* GetMaps(int handle1, int* p_nCount) const;
    // The smallest target of a source id, -1 when none.
    int GetMapID(int handle1) const;
    // The ids similar to handle1: its targets, or, when it has a single target (a representative),
    // that one and the representative's targets; handle1 itself is left out. Returns the count of
    // the group examined.
    int GetSimMaps(int handle1, std::vector<int>& vecHandles) const;
    int GetSize() const { return m_nSize; }
    int GetBound() const { return m_nBound; }

    // Building: MapInit, any number of MapAdd, one MapComplete. Each returns 1.
    int MapInit();
    // Ignores a pair with handle1 < 0 or handle2 < -1.
    int MapAdd(int handle1, int handle2);
    // Builds the targets and the index from the pairs (a repeated pair is stored once, but the
    // target count still counts it, so the tail of the targets holds -1).
    int MapComplete();

    // Sort [lo, hi] (inclusive) of a pair array ascending by (handle1, handle2). Both give the
    // order the exchange sort of the original builder gave, in O(n log n); MapComplete sorts the
    // same way.
    static void qksort(idmaps_elem* pData, int lo, int hi);
    static void bublesort(idmaps_elem* pData, int nStart, int nEnd);

    // Offline text importers; each returns the target count, 0 when the file cannot be read.
    // Lines of words separated by ", \t\r\n": the first with each other, both directions.
    int ImportSim(const char* sFilename, CPDAT* pDict);
    // The same separators: the first word (left dictionary) to each other word (right one).
    int ImportOne2Mul(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight);
    // "left right" pairs, either side may be a bracketed phrase; the pairs are echoed to
    // sFilename + "_map_export.txt".
    int Import(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight);
    // Tab-separated fields: the last field to each earlier one, one dictionary.
    int Import(const char* sFilename, CPDAT* pDict);
    // Two files of one word per line read in step: line i of the first to line i of the second.
    int Import(const char* sFilename1, const char* sFilename2, CPDAT* pDictLeft, CPDAT* pDictRight);

    // Offline exporters: rows of source and target texts (returns their count), or a text file
    // (1, or 0 when it cannot be written).
    int Export(std::vector<map_str>& vecResult, CWordList* pWordListLeft, CWordList* pWordListRight) const;
    int Export(const char* sFilename, CWordList* pWordListLeft, CWordList* pWordListRight, bool bDebug) const;

private:
    // Adds one imported pair, reporting a negative source (or equal ids when bTestEqual).
    void AddImported(const tstring& sLeft, int h1, const tstring& sRight, int h2, bool bTestEqual);
    // ImportSim (bSimilar: pDictLeft == pDictRight, both directions, equal ids reported) and
    // ImportOne2Mul.
    int ImportWordLines(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight, bool bSimilar);

    int m_nSize;                          // target entries
    std::vector<idmaps_info> m_pData;     // targets grouped by source id
    int m_nBound;                         // source ids
    std::vector<index_t> m_pIndex;        // group of each source id
    std::vector<idmaps_elem> m_vecBiWord; // pairs while building
};
