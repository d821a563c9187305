// The engine's process-wide state: the shared lexicons every engine instance reads, the
// switches and settings of Configure.xml, the start-up flags, the user-dictionary lock and the
// instance table. The settings shared with the foundation (tag set, delimiters, tagging and
// person switches, granularity, encoding code, special word ids, g_mutex) live in
// Utility/Settings.h; the encoding converter in Utility/LexiconGlobals.h.
//
// Every lexicon pointer is owned by the engine: start-up creates it, shut-down (and a failed
// start-up) deletes it and clears it. All instances read them without locks once start-up has
// finished, except the replaceable ones (g_pUserDict, g_pFieldDict, g_pFieldPOS,
// g_pKeyBlackList, g_pKeyPOSBlacklist), which are read and replaced only under
// g_hUserDictLock.
#pragma once

#include <pthread.h>

#include <atomic>

#include "Utility/LexiconGlobals.h"
#include "Utility/Settings.h"
#include "Utility/Types.h"

class CBigram;
class CCharset;
class CContextStat;
class CFSA;
class CIDMaps;
class CMainSystem;
class CPDAT;
class CPOS;
class CPOSmap;
class CTrie;
class CUnigram;
class CWordList;

// ---- start-up state -------------------------------------------------------------------------

// The engine is started (set last by a successful start-up, cleared first by shut-down).
extern std::atomic<bool> g_bActive;
// A start-up has begun and the engine has not been shut down since (cleared again by a failed
// start-up). Claimed with TryClaimEngineStart before any other global is touched.
extern std::atomic<bool> g_bInitStart;

// Claims the start-up: true when this caller set g_bInitStart, false when another start-up (or
// a started engine) holds it. Thread-safe.
bool TryClaimEngineStart();
// Gives the claim back (shut-down, or a failed start-up).
void ReleaseEngineStart();

// ---- settings of Configure.xml not shared with the foundation --------------------------------

extern bool g_bFinerSegCombined;  // long units also given as finer pieces; item FinerSegCombined
extern std::atomic<int> g_nPosMap;  // tag-set map index 0..3 given to new instances

// ---- shared lexicons -------------------------------------------------------------------------

extern CCharset* g_pCharset;          // "charset.type"
extern CPDAT* g_pCoreDict;            // "CoreDict.pdat"
extern CUnigram* g_pUnigram;          // "CoreDict.unig"
extern CBigram* g_pBiDict;            // "BiWord.big"
extern CTrie* g_pUserDict;            // "UserDict.pdat"; replaceable, under g_hUserDictLock
extern CPDAT* g_pFieldDict;           // "FieldDict.pdat"; replaceable
extern CWordList* g_pFieldPOS;        // "FieldDict.pos"; replaceable
extern CPDAT* g_pGranDict;            // "GranDict.pdat"
extern CPOS* g_pGranPOS;              // "GranDict.pos"
extern CPOS* g_pCorePOS;              // "CoreDict.pos"
extern CContextStat* g_pPOSContext;   // "KOVEX.ctx"
extern CPOSmap** g_ppPOSmap;          // table of 4 maps: configured, KOVEX_First, PKU, PKU_First
const int kPOSmapCount = 4;
extern CPOS* g_pPersonRole;           // "nr.role"
extern CContextStat* g_pPersonContext;  // "nr.ctx"
extern CFSA* g_pPersonFSA;            // "nr.fsa"
extern CPDAT* g_pKeyBlackList;        // "KeyBlackList.pdat"; replaceable
extern tstring g_pKeyPOSBlacklist;    // tags never taken as keywords; replaceable
extern CPDAT* g_pSentiDict;           // "sentiment.pdat"
extern CUnigram* g_pSentiScore;       // "sentiment.ung"
extern CPDAT* g_pEnglishDict;         // English/"English.pdat"
extern CWordList* g_pEnglishWordList; // English/"English.wordlist"
extern CUnigram* g_pEnglishUnigram;   // English/"English.ung"
extern CPOS* g_pEnglishPOS;           // English/"English.pos"
extern CIDMaps* g_pEnglishIrre2Reg;   // English/"Irrel2regular.map"
extern CPDAT* g_pEngNEDict;           // English/"ne.pdat"
extern CPOS* g_pEngNEPOS;             // English/"ne.pos"

// ---- engine instances (owned by the instance pool) --------------------------------------------

extern CMainSystem* g_pKOVEX;      // the main instance
extern CMainSystem** g_vecKOVEX;   // the instance table, g_nCopyMemSize slots
extern int g_nCopyMemSize;

// ---- user-dictionary lock ------------------------------------------------------------------

// Taken shared by result output and the atom-segmentation priority lookup, exclusive by every
// change of the user dictionary and by the field and blacklist swaps. Never upgraded from shared
// to exclusive, never locked twice on one thread (nested shared scopes share one lock). Writer-preferring (a waiting writer stops new
// readers), so a steady stream of readers cannot starve a change. Statically initialised and
// never destroyed. Lock order: g_mutex before it, never g_mutex while holding it.
extern pthread_rwlock_t g_hUserDictLock;
// Users of the user dictionary, for diagnostics only: the lock is what orders them.
extern std::atomic<int> g_nUserDictReaderCount;
extern std::atomic<int> g_nUserDictWriterCount;
// Threads waiting for the exclusive hold; a reader that holds the lock for a long line lets them
// in between two sentences (UserDictLetWritersIn).
extern std::atomic<int> g_nUserDictWritersWaiting;
// Exclusive holds ended so far: what a reader read under its hold is still true when this has
// not moved since (read it under a hold).
extern std::atomic<unsigned int> g_nUserDictGeneration;

// Scoped shared hold of g_hUserDictLock, counted in g_nUserDictReaderCount. Holds nest on one
// thread: only the outermost takes and releases the lock, so a line's processing holds it once
// while the lookups inside it (per atom, per word) keep their own scopes at the cost of a
// thread-local counter. A thread holding it must not take the exclusive hold or g_mutex without
// first suspending it (CUserDictReadSuspend).
class CUserDictReadLock {
public:
    CUserDictReadLock();
    ~CUserDictReadLock();
    CUserDictReadLock(const CUserDictReadLock&) = delete;
    CUserDictReadLock& operator=(const CUserDictReadLock&) = delete;

};

// Scoped release of this thread's shared holds (if any), taken again at the end of the scope.
// Pointers to the user or field dictionary read under the suspended hold are stale afterwards.
class CUserDictReadSuspend {
public:
    CUserDictReadSuspend();
    ~CUserDictReadSuspend();
    CUserDictReadSuspend(const CUserDictReadSuspend&) = delete;
    CUserDictReadSuspend& operator=(const CUserDictReadSuspend&) = delete;

private:
    int m_nDepth;  // the nesting depth released, 0 when this thread held nothing
};

// Lets waiting writers go first: when a thread waits for the exclusive hold and this thread
// holds the lock shared, its holds are let go and taken again (behind the writer, the lock
// preferring writers). Returns true when an exclusive hold ended meanwhile: then every pointer,
// handle and tag read under the earlier hold may be stale and must be read again. False (and
// nothing let go, at the cost of one relaxed load) when no writer waits. Call it only at a point
// where everything read under the thread's holds is either re-read or checked by this answer;
// the line processing calls it between sentences and output units.
bool UserDictLetWritersInSlow();
inline bool UserDictLetWritersIn() {
    return g_nUserDictWritersWaiting.load(std::memory_order_relaxed) != 0 && UserDictLetWritersInSlow();
}

// Scoped exclusive hold of g_hUserDictLock, counted in g_nUserDictWriterCount; counted in
// g_nUserDictWritersWaiting while it waits, and it moves g_nUserDictGeneration when it ends.
class CUserDictWriteLock {
public:
    CUserDictWriteLock();
    ~CUserDictWriteLock();
    CUserDictWriteLock(const CUserDictWriteLock&) = delete;
    CUserDictWriteLock& operator=(const CUserDictWriteLock&) = delete;

};

// ---- defaults ------------------------------------------------------------------------------

// Returns every setting of the engine to its start-up default: tag set empty, delimiter "/",
// boundary two blanks, tagging and person recognition on, user-dictionary priority,
// granularity and finer pieces off, map 0, the keyword tag blacklist empty, data paths empty,
// encoding code 0, special word ids 0. Lexicon pointers are left to ReleaseEngineLexicons.
// Call only while no analysis runs (start-up, shut-down).
void ResetEngineSettings();

// Deletes every lexicon of the engine that exists, whichever switches were on when it was
// created, and clears its pointer: the stores above, the tag-set maps and their table, and the
// encoding converter g_pCodeTranslator. The replaceable ones are released under
// g_hUserDictLock. Shut-down and a failed start-up call it; the instances and the buffer
// manager follow their own rules.
void ReleaseEngineLexicons();

// The reset at the start of every start-up: ReleaseEngineLexicons, then ResetEngineSettings,
// so nothing of a previous run (a tag set, a switch, a half-loaded lexicon) carries over.
void ResetEngineGlobals();
