// Writes the code-converter data sets (see CodeSetWriter.h).
#include "codeset/CodeSetWriter.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/WordList.h"
#include "codeset/Big5Table.h"

namespace kxcodeset {
namespace {

// UTF-8 form of a code point.
std::string Utf8Of(unsigned nCode) {
    unsigned char buf[8];
    return std::string(reinterpret_cast<char*>(buf), size_t(unicode_to_utf8_one(nCode, buf, sizeof buf)));
}

// Bytes of a double-byte GBK or BIG5 code: lead, then trail.
std::string CodeBytes(unsigned nCode) { return {char(nCode >> 8), char(nCode & 0xFF)}; }

// GBK code of a code point when it is a double-byte character of the GBK set, else 0 (ASCII and
// the one-byte euro sign stay out of the sets).
unsigned GbkCodeOf(unsigned nUnicode) {
    unsigned nCode = nUnicode <= 0xFFFF ? CodeTable[nUnicode] : 0;
    return nCode >= 0x8000 ? nCode : 0;
}

// One dictionary with its word list, built from (text, handle) pairs.
struct WordSet {
    std::vector<std::pair<std::string, int>> vecWords;

    bool Save(const std::string& sDir, const char* sDictName, const char* sListName, std::string& sError) const {
        std::unique_ptr<CPDAT> pDict(new CPDAT(1));
        std::unique_ptr<CWordList> pList(new CWordList(false, nullptr));
        for (const auto& w : vecWords) {
            if (pDict->AddWord(w.first.c_str(), w.second, false) != w.second) {
                sError = std::string("cannot add a word to ") + sDictName;
                return false;
            }
            pList->AddWord(w.first.c_str(), w.second);
        }
        pDict->AddWordComplete();
        pList->AddWordComplete();
        std::string sPath = sDir + "/" + sDictName;
        if (!pDict->Save(sPath.c_str())) {
            sError = "cannot write " + sPath;
            return false;
        }
        sPath = sDir + "/" + sListName;
        if (!pList->Save(sPath.c_str())) {
            sError = "cannot write " + sPath;
            return false;
        }
        return true;
    }
};

bool SaveMap(CIDMaps& map, const std::string& sDir, const char* sName, std::string& sError) {
    std::string sPath = sDir + "/" + sName;
    if (map.Save(sPath.c_str())) return true;
    sError = "cannot write " + sPath;
    return false;
}

}  // namespace

bool WriteCodeSets(const std::string& sDir, std::string& sError, CodeSetStats* pStats) {
    // The GBK repertoire in code order; its handles are the positions.
    std::vector<std::pair<unsigned, unsigned>> vecGbk;  // (GBK code, code point)
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        unsigned nCode = GbkCodeOf(u);
        if (nCode != 0) vecGbk.emplace_back(nCode, u);
    }
    std::sort(vecGbk.begin(), vecGbk.end());
    std::unordered_map<unsigned, int> mapGbkHandle;  // GBK code -> handle
    WordSet gbkSet, utf8Set;
    for (size_t h = 0; h < vecGbk.size(); ++h) {
        mapGbkHandle[vecGbk[h].first] = int(h);
        gbkSet.vecWords.emplace_back(CodeBytes(vecGbk[h].first), int(h));
        utf8Set.vecWords.emplace_back(Utf8Of(vecGbk[h].second), int(h));
    }
    const int nGbk = int(vecGbk.size());

    // BIG5 codes that GBK characters name as their traditional form.
    std::vector<std::pair<int, unsigned>> vecGbk2Big;  // (GBK handle, BIG5 code)
    std::unordered_map<unsigned, bool> mapBig5Wanted;
    for (size_t h = 0; h < vecGbk.size(); ++h) {
        int nIndex = cd2sub(vecGbk[h].first);
        if (nIndex < 0) continue;
        unsigned nBig5 = GBKHanzis[nIndex].big5;
        if (nBig5 == 0) continue;
        vecGbk2Big.emplace_back(int(h), nBig5);
        mapBig5Wanted[nBig5] = true;
    }

    // The BIG5 set: characters with a GBK target, and those GBK maps to. A character that GBK
    // has takes the handle of its GBK form; duplicates and the rest take new handles above.
    WordSet big5Set;
    std::unordered_map<unsigned, int> mapBig5Handle;  // BIG5 code -> handle
    std::unordered_map<int, bool> mapHandleTaken;
    std::vector<std::pair<int, int>> vecBig2Gbk;  // (BIG5 handle, GBK handle)
    int nNextHandle = nGbk;
    for (int i = 0; i < kBig5TableSize; ++i) {
        const Big5Char& c = kBig5Table[i];
        unsigned nTarget = GbkCodeOf(c.nSimplified);
        if (nTarget == 0) nTarget = GbkCodeOf(c.nUnicode);
        if (nTarget == 0 && !mapBig5Wanted.count(c.nBig5)) continue;
        unsigned nSame = GbkCodeOf(c.nUnicode);
        int nHandle;
        if (nSame != 0 && !mapHandleTaken.count(mapGbkHandle[nSame])) nHandle = mapGbkHandle[nSame];
        else nHandle = nNextHandle++;
        mapHandleTaken[nHandle] = true;
        mapBig5Handle[c.nBig5] = nHandle;
        big5Set.vecWords.emplace_back(CodeBytes(c.nBig5), nHandle);
        if (nTarget != 0) vecBig2Gbk.emplace_back(nHandle, mapGbkHandle[nTarget]);
    }

    if (!gbkSet.Save(sDir, "GBK.pdat", "GBK.wordlist", sError)) return false;
    if (!gbkSet.Save(sDir, "GBKA.pdat", "GBKA.wordlist", sError)) return false;
    if (!utf8Set.Save(sDir, "UTF8.pdat", "UTF8.wordlist", sError)) return false;
    if (!big5Set.Save(sDir, "BIG5.pdat", "BIG5.wordlist", sError)) return false;

    CIDMaps identity;
    identity.MapInit();
    for (int h = 0; h < nGbk; ++h) identity.MapAdd(h, h);
    identity.MapComplete();
    for (const char* sName :
         {"UTF2GBK.map", "GBK2UTF.map", "UTF2GBKA.map", "GBKA2UTF.map", "GBKA2GBK.map", "GBK2GBKA.map"})
        if (!SaveMap(identity, sDir, sName, sError)) return false;

    CIDMaps big2Gbk;
    big2Gbk.MapInit();
    for (const auto& m : vecBig2Gbk) big2Gbk.MapAdd(m.first, m.second);
    big2Gbk.MapComplete();
    if (!SaveMap(big2Gbk, sDir, "BIG2GBK.map", sError)) return false;

    CIDMaps gbk2Big;
    gbk2Big.MapInit();
    int nGbk2Big = 0;
    for (const auto& m : vecGbk2Big) {
        auto it = mapBig5Handle.find(m.second);
        if (it == mapBig5Handle.end()) continue;
        gbk2Big.MapAdd(m.first, it->second);
        ++nGbk2Big;
    }
    gbk2Big.MapComplete();
    if (!SaveMap(gbk2Big, sDir, "GBK2BIG.map", sError)) return false;

    if (pStats != nullptr) {
        pStats->nGBK = nGbk;
        pStats->nBig5 = int(big5Set.vecWords.size());
        pStats->nBig2GBK = int(vecBig2Gbk.size());
        pStats->nGBK2Big = nGbk2Big;
    }
    return true;
}

}  // namespace kxcodeset
