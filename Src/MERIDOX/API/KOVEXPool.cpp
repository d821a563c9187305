#include "MERIDOX/API/KOVEXPool.h"

#include <cstring>
#include <new>

#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/MutexLock.h"

pthread_mutex_t g_hWoker = PTHREAD_MUTEX_INITIALIZER;
std::vector<CKOVEX*> g_vecWorker;

namespace {

const int kTableGrowth = 5;

// The pool's generation, raised when its handles are deleted; a thread's remembered handle is
// used only while the generation it was remembered in is current.
std::atomic<unsigned long> g_nPoolGeneration{1};

// The handle this thread claimed last, and the pool generation it belongs to. With one handle
// per thread in steady use, claiming it again touches no shared lock: the global pool mutex,
// taken twice per call by every thread, was what kept eight threads from scaling.
struct PoolHint {
    unsigned long nGeneration = 0;
    CKOVEX* p = nullptr;
};
thread_local PoolHint t_hint;

void Remember(CKOVEX* p) {
    t_hint.nGeneration = g_nPoolGeneration.load(std::memory_order_acquire);
    t_hint.p = p;
}

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
    if (bAvailable) {
        m_nThreadCount.store(0, std::memory_order_relaxed);
        m_bAvailable.store(true, std::memory_order_release);
        return true;
    }
    bool bExpected = true;
    if (!m_bAvailable.compare_exchange_strong(bExpected, false, std::memory_order_acquire)) return false;
    m_bWriting = true;
    m_nThreadCount.store(1, std::memory_order_relaxed);
    m_bWriting = false;
    return true;
}

bool CKOVEX::IsAvailable() const {
    return m_bAvailable.load(std::memory_order_acquire) && m_nThreadCount.load(std::memory_order_relaxed) == 0;
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

bool CKOVEX::HoldsSlot() const {
    CMutexLock lock(&g_mutex);
    return g_vecKOVEX && int(m_nHandle) < g_nCopyMemSize && g_vecKOVEX[m_nHandle] == m_pSystem;
}

int CKOVEX::GetParagraphProcessAWordCount(const char* sText) {
    if (!g_bActive || !m_pSystem || !sText || !HoldsSlot()) return 0;
    tstring sTrans;
    return m_pSystem->ProcessA(sText, sTrans, true, true, false);
}

void CKOVEX::ParagraphProcessAW(int nCount, result_t* result) {
    if (!g_bActive || !m_pSystem || !result || nCount <= 0) return;
    int nRows = 0;
    const result_t* pRows = m_pSystem->GetResult(&nRows);
    if (pRows && nRows == nCount) memcpy(result, pRows, sizeof(result_t) * size_t(nCount));
}

CKOVEX* GetActiveInstance() {
    if (t_hint.p && t_hint.nGeneration == g_nPoolGeneration.load(std::memory_order_acquire) &&
        t_hint.p->SetAvailable(false))
        return t_hint.p;
    {
        CMutexLock lock(&g_hWoker);
        for (CKOVEX* p : g_vecWorker) {
            if (p && p->SetAvailable(false)) {
                Remember(p);
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
        pNew->m_bAvailable.store(false, std::memory_order_relaxed);
        pNew->m_nThreadCount.store(1, std::memory_order_relaxed);
        g_vecWorker.push_back(pNew);
    } catch (const std::bad_alloc&) {
        delete pNew;
        return nullptr;
    }
    Remember(pNew);
    return pNew;
}

void ClearPoolHandles() {
    std::vector<CKOVEX*> vecHandles;
    {
        CMutexLock lock(&g_hWoker);
        vecHandles.swap(g_vecWorker);
        g_nPoolGeneration.fetch_add(1, std::memory_order_acq_rel);
    }
    for (CKOVEX* p : vecHandles) delete p;
}
