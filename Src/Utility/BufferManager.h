// The registry of result buffers handed to callers.
//
// Every text the library returns to a caller is a new char array registered here; the caller never
// frees it. The manager frees the oldest buffers in batches: a registration that finds more than
// 20000 buffers held first frees the 10000 oldest, so a returned buffer stays valid for at least
// the next 10000 registrations (by any thread). Deleting the manager frees every buffer.
#pragma once

#include <stddef.h>

#include <mutex>
#include <vector>

class CBufferManager {
public:
    CBufferManager();
    // Frees every registered buffer.
    ~CBufferManager();
    CBufferManager(const CBufferManager&) = delete;
    CBufferManager& operator=(const CBufferManager&) = delete;

    // Takes ownership of pBuffer, which must come from new[] (never malloc/strdup or the storage of
    // a std::string), and returns it. NULL may be registered. Runs the batch release first.
    // Beware: a std::string's data() is char* and would select this overload; pass c_str() to
    // register a copy. Thread-safe.
    char* AddBuffer(char* pBuffer);

    // Registers and returns a new[] copy of sText with its NUL. For NULL, or when the copy cannot
    // be allocated, registers nothing and returns NULL. Runs the batch release first. Thread-safe.
    char* AddBuffer(const char* sText);

    // bAllClear: frees every buffer and leaves their slots as NULLs (the slot count is kept and
    // counts towards the next release). Otherwise, when more than 20000 slots are held and no other
    // release is running, frees the 10000 oldest and drops their slots. Thread-safe.
    void ReleaseBuf(bool bAllClear);

    // Number of slots held, NULL slots included. Thread-safe.
    size_t GetBufferCount() const;

    static constexpr size_t kBaseCount = 2000;
    static constexpr size_t kReleaseAbove = 10 * kBaseCount;  // release when more slots than this
    static constexpr size_t kReleaseCount = 5 * kBaseCount;   // oldest slots freed per release

private:
    mutable std::mutex m_hBuffer;        // guards the two members below
    std::vector<char*> m_vecBuffer;      // registered buffers, oldest first
    int m_nBufferWritingThread;          // releases running now (0 or 1)
};

// The process's buffer manager: created by engine start-up or by ST_Init, whichever finds it NULL;
// deleted and set to NULL at shut-down.
extern CBufferManager* g_pBufManager;
