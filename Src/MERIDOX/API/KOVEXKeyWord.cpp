// The engine interface's fingerprint and new-word functions: the fingerprint on a pooled
// instance, the new-word run on the main instance under g_hMainSystem.
#include <cstring>
#include <vector>

#include "MERIDOX/API/KOVEXInternal.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/MutexLock.h"

using kovex::kEmptyText;

namespace {

// Longest word the user dictionary takes, in bytes.
const size_t kMaxUserWordBytes = 1024;

}  // namespace

unsigned long KOVEX_FingerPrint(const char* sLine) {
    if (!g_bActive) return 0;
    CPoolClaim claim;
    if (!claim.get() || !claim.get()->GetSystem()) return 0;
    return static_cast<unsigned long>(claim.get()->GetSystem()->GetFinger(sLine));
}

int KOVEX_NWI_Start() {
    if (!g_bActive) return 0;
    CMutexLock lock(&g_hMainSystem);
    return g_pKOVEX ? g_pKOVEX->NWI_Start() : 0;
}

int KOVEX_NWI_AddFile(const char* sFilenameO) {
    if (!g_bActive) return 0;
    CMutexLock lock(&g_hMainSystem);
    return g_pKOVEX ? g_pKOVEX->NWI_AddFile(sFilenameO) : 0;
}

int KOVEX_NWI_AddMem(const char* sText) {
    if (!g_bActive) return 0;
    CMutexLock lock(&g_hMainSystem);
    return g_pKOVEX ? g_pKOVEX->NWI_AddMem(sText) : 0;
}

int KOVEX_NWI_Complete() {
    if (!g_bActive) return 0;
    CMutexLock lock(&g_hMainSystem);
    return g_pKOVEX ? g_pKOVEX->NWI_Complete() : 0;
}

const char* KOVEX_NWI_GetResult(int nFormat) {
    if (!g_bActive) return kEmptyText;
    tstring sResult;
    {
        CMutexLock lock(&g_hMainSystem);
        const char* p = g_pKOVEX ? g_pKOVEX->NWI_GetResult(nFormat) : nullptr;
        if (p) sResult = p;
    }
    return kovex::Register(sResult);
}

const char* KOVEX_NWI_GetKeyWordResult(int nMaxKeyLimit, int nFormat) {
    if (!g_bActive) return kEmptyText;
    tstring sResult;
    {
        CMutexLock lock(&g_hMainSystem);
        const char* p = g_pKOVEX ? g_pKOVEX->NWI_GetKeyWordResult(nMaxKeyLimit, nFormat) : nullptr;
        if (p) sResult = p;
    }
    return kovex::Register(sResult);
}

unsigned int KOVEX_NWI_Result2UserDict() {
    if (!g_bActive) return 0;
    std::vector<tstring> vecEntries;
    {
        CMutexLock lock(&g_hMainSystem);
        if (!g_pKOVEX) return 0;
        for (const WORD_AV& w : g_pKOVEX->NWI_Result2UserDict()) {
            // A blank inside the word would become the word-tag boundary ("New York"), and the
            // user dictionary refuses words of 1024 bytes or more.
            if (w.word.empty() || w.word.size() >= kMaxUserWordBytes || w.word.find_first_of(" \t\r\n") != tstring::npos)
                continue;
            vecEntries.push_back(w.word + " " + w.pos);
        }
    }
    unsigned int nAdded = 0;
    for (const tstring& sEntry : vecEntries)
        if (KOVEX_AddUserWord(sEntry.c_str(), true) == 1) ++nAdded;
    KOVEX_SaveTheUsrDic();
    return nAdded;
}
