#include "MERIDOX/API/KOVEXPool.h"

#include <new>

#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/MutexLock.h"

pthread_mutex_t g_hWoker = PTHREAD_MUTEX_INITIALIZER;
std::vector<CKOVEX*> g_vecWorker;

namespace {

const int kTableGrowth = 5;

// Puts the instance into the first null slot from 1, growing the table when none is free.
// Returns the slot, 0 when the table is absent (the engine is shutting down). Under g_mutex.
unsigned int TakeSlot(CMainSystem* pSystem) {
    if (!g_vecKOVEX) return 0;
    for (int i = 1; i < g_nCopyMemSize; ++i) {
        if (!g_vecKOVEX[i]) {
            g_vecKOVEX[i] = pSystem;
            return unsigned(i);
        }
    }
    const int nSlot = g_nCopyMemSize;
    CMainSystem** pTable = new CMainSystem*[size_t(nSlot + kTableGrowth)]();
    for (int i = 0; i < nSlot; ++i) pTable[i] = g_vecKOVEX[i];
    pTable[nSlot] = pSystem;
    delete[] g_vecKOVEX;
    g_vecKOVEX = pTable;
    g_nCopyMemSize = nSlot + kTableGrowth;
    return unsigned(nSlot);
}

}  // namespace

CKOVEX::CKOVEX() {
    if (!g_bActive) return;
    CMainSystem* pSystem = nullptr;
    try {
        pSystem = new CMainSystem();
    } catch (...) {
        return;
    }
    if (!pSystem->IsReady()) {
        delete pSystem;
        return;
    }
    bool bPlaced = false;
    try {
        CMutexLock lock(&g_mutex);
        // Read the map index under g_mutex, so a concurrent KOVEX_SetPOSmap (which walks the table
        // under it) cannot be missed by an instance that is just joining.
        pSystem->SetPOSmap(g_nPosMap.load());
        m_nHandle = TakeSlot(pSystem);
        bPlaced = m_nHandle != 0;
    } catch (const std::bad_alloc&) {
        bPlaced = false;
    }
    if (!bPlaced) {
        delete pSystem;
        return;
    }
    m_pSystem = pSystem;
    m_bAvailable = true;
    m_nThreadCount = 0;
    m_bWriting = false;
}

CKOVEX::~CKOVEX() {
    if (!m_pSystem || !g_bActive) return;
    CMutexLock lock(&g_mutex);
    if (g_vecKOVEX && int(m_nHandle) < g_nCopyMemSize && g_vecKOVEX[m_nHandle] == m_pSystem) {
        g_vecKOVEX[m_nHandle] = nullptr;
        delete m_pSystem;
    }
    m_pSystem = nullptr;
}

bool CKOVEX::SetAvailable(bool bAvailable) {
    CMutexLock lock(&g_hWoker);
    if (bAvailable) {
        m_nThreadCount = 0;
        m_bAvailable = true;
        return true;
    }
    if (!m_bAvailable || m_nThreadCount > 0) return false;
    m_bWriting = true;
    m_bAvailable = false;
    m_nThreadCount = 1;
    m_bWriting = false;
    return true;
}

bool CKOVEX::IsAvailable() const {
    CMutexLock lock(&g_hWoker);
    return m_bAvailable && m_nThreadCount == 0;
}

const char* CKOVEX::ParagraphProcess(const char* sText, int bPOStagged) {
    if (!g_bActive || !m_pSystem) return nullptr;
    return m_pSystem->Process(sText, bPOStagged, true);
}

const result_t* CKOVEX::ParagraphProcessA(const char* sText, int* pCount, bool bUserDict) {
    if (pCount) *pCount = 0;
    if (!g_bActive || !m_pSystem || !sText) return nullptr;
    tstring sTrans;
    m_pSystem->ProcessA(sText, sTrans, true, bUserDict, false);
    int nCount = 0;
    result_t* pRows = m_pSystem->GetResult(&nCount);
    if (pCount) *pCount = nCount;
    return pRows;
}

double CKOVEX::FileProcess(const char* sSrc, const char* sDst, int bPOStagged) {
    if (!g_bActive || !m_pSystem) return 0.0;
    return m_pSystem->FileProcess(sSrc, sDst, bPOStagged);
}

const char* CKOVEX::WordFreqStat(const char* sText, bool bStopRemove) {
    if (!g_bActive || !m_pSystem) return nullptr;
    return m_pSystem->WordFreqStat(sText, bStopRemove);
}

CKOVEX* GetActiveInstance() {
    {
        CMutexLock lock(&g_hWoker);
        for (CKOVEX* p : g_vecWorker) {
            if (p && p->m_bAvailable && p->m_nThreadCount == 0) {
                p->m_bAvailable = false;
                p->m_nThreadCount = 1;
                return p;
            }
        }
    }
    // None free: build a new handle outside every lock (its instance takes a slot under g_mutex).
    CKOVEX* pNew = nullptr;
    try {
        pNew = new CKOVEX();
    } catch (...) {
        return nullptr;
    }
    if (!pNew->IsUsable()) {
        delete pNew;
        return nullptr;
    }
    try {
        CMutexLock lock(&g_hWoker);
        pNew->m_bAvailable = false;
        pNew->m_nThreadCount = 1;
        g_vecWorker.push_back(pNew);
    } catch (const std::bad_alloc&) {
        delete pNew;
        return nullptr;
    }
    return pNew;
}

void ClearPoolHandles() {
    std::vector<CKOVEX*> vecHandles;
    {
        CMutexLock lock(&g_hWoker);
        vecHandles.swap(g_vecWorker);
    }
    for (CKOVEX* p : vecHandles) delete p;
}
