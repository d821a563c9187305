// The instance pool behind the analysis functions: pool handles (CKOVEX), each owning one engine
// instance in a slot of the instance table g_vecKOVEX, claimed by one caller at a time.
//
// Locks: g_hWoker guards g_vecWorker; each handle's availability is an atomic flag claimed by
// compare-and-swap, so that the common claim (the handle this thread used last) takes no lock at
// all; g_mutex guards the instance table. The two locks are never held together: an instance is
// built outside every lock, takes its table slot under g_mutex, and its handle is appended under
// g_hWoker.
#pragma once

#include <pthread.h>

#include <atomic>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/Types.h"

class CMainSystem;

// Aligned to a cache line so that the flags of handles used by different threads never share one.
class alignas(64) CKOVEX {
public:
    // Builds an engine instance (only while the engine is active) and puts it in the first free
    // slot of the instance table from slot 1, growing the table by 5 slots when none is free.
    // When the instance cannot be built (or its construction throws) the handle is unusable:
    // IsUsable() is false and it holds no slot. The handle starts available.
    CKOVEX();
    // While the engine is active, deletes its instance and frees its slot (under g_mutex).
    // After shut-down has begun the table's owner deletes the instances.
    ~CKOVEX();
    CKOVEX(const CKOVEX&) = delete;
    CKOVEX& operator=(const CKOVEX&) = delete;

    // Release (true): count 0, available; always true. Claim (false): true when the handle was
    // free and is now claimed (unavailable, count 1), else false and nothing changes. Lock-free;
    // the claim is one compare-and-swap, so two callers never both win.
    bool SetAvailable(bool bAvailable);
    // Free: available and count 0. Lock-free.
    bool IsAvailable() const;
    unsigned int GetHandle() const { return m_nHandle; }
    bool IsUsable() const { return m_pSystem != nullptr; }
    // The handle's own instance (never read from the table); null when unusable.
    CMainSystem* GetSystem() const { return m_pSystem; }

    // Forwarders: each refuses (null, 0, 0.0) while the engine is inactive or without an
    // instance. Texts and rows point into the instance and are valid until its next call.
    const char* ParagraphProcess(const char* sText, int bPOStagged);
    const result_t* ParagraphProcessA(const char* sText, int* pCount, bool bUserDict);
    double FileProcess(const char* sSrc, const char* sDst, int bPOStagged);
    const char* WordFreqStat(const char* sText, bool bStopRemove);
    // The row protocol of KOVEX_GetParagraphProcessAWordCount / KOVEX_ParagraphProcessAW on this
    // handle's instance: analyses the text (user dictionaries on) and returns its row count; 0
    // while inactive, without an instance, for a null text, or when the instance no longer holds
    // its slot of the instance table (or the table is gone).
    int GetParagraphProcessAWordCount(const char* sText);
    // Copies the instance's current rows into result when nCount is their number; nothing
    // otherwise, while inactive or without an instance. The caller owns result.
    void ParagraphProcessAW(int nCount, result_t* result);

private:
    friend CKOVEX* GetActiveInstance();
    // True while the instance table holds this handle's instance in its slot (under g_mutex).
    bool HoldsSlot() const;
    friend void ClearPoolHandles();

    unsigned int m_nHandle = 0;             // slot of its instance in g_vecKOVEX (1 or more)
    std::atomic<bool> m_bAvailable{false};  // may be claimed; the claim swaps it to false
    std::atomic<int> m_nThreadCount{0};     // callers holding it: 0 or 1, set by the holder
    bool m_bWriting = false;                // kept for diagnosis: true only inside a claim
    CMainSystem* m_pSystem = nullptr;
};

// Guards g_vecWorker and the handles' availability. Statically initialised, never destroyed.
extern pthread_mutex_t g_hWoker;
// The pool handles in creation order; grows to the largest number of simultaneous callers.
extern std::vector<CKOVEX*> g_vecWorker;

// A claimed handle: the one this thread claimed last when it is free (no lock taken), else the
// first free one of g_vecWorker, else a new one appended already claimed. Null when no instance
// can be built; the caller then gives its refusal value. Release it with SetAvailable(true).
// Thread-safe; the caller must hold neither g_hWoker nor g_mutex.
CKOVEX* GetActiveInstance();

// Shut-down: deletes every handle and empties g_vecWorker, and makes every thread forget the
// handle it claimed last. Call only when no analysis runs.
void ClearPoolHandles();

// Scoped claim of a pool handle, released on destruction.
class CPoolClaim {
public:
    CPoolClaim() : m_p(GetActiveInstance()) {}
    ~CPoolClaim() {
        if (m_p) m_p->SetAvailable(true);
    }
    CPoolClaim(const CPoolClaim&) = delete;
    CPoolClaim& operator=(const CPoolClaim&) = delete;
    CKOVEX* get() const { return m_p; }

private:
    CKOVEX* m_p;
};
