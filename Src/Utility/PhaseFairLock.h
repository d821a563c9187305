// CPhaseFairLock: a reader-writer lock under which neither side starves the other. Readers and
// writers take turns: writers enter one at a time in the order they asked; a reader that asks
// while no writer holds or waits for the lock enters at once, and otherwise waits until the next
// writer lets go, when every waiting reader enters together, ahead of the writers still queued.
// A reader therefore waits for at most one writer's hold (behind the readers already inside), and
// a writer for the writers ahead of it, each followed by at most one batch of readers.
//
// Not recursive: a thread that holds the lock, either way, must not ask for it again (a second
// shared hold would wait behind a queued writer that waits for the first). Constant-initialised,
// so a lock at namespace scope is usable from any point of the process's life; it is never
// destroyed with anything held. Thread-safe.
#pragma once

#include <pthread.h>

#include <cstdint>

class CPhaseFairLock {
public:
    // Shared hold: returns once the caller may read.
    void LockShared();
    void UnlockShared();
    // Exclusive hold: returns once the caller is the only holder.
    void Lock();
    void Unlock();

    // For checks: writers waiting for their turn, and readers waiting for a writer to let go.
    int QueuedWriters();
    int WaitingReaders();

private:
    pthread_mutex_t m_mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t m_readersGo = PTHREAD_COND_INITIALIZER;
    pthread_cond_t m_writersGo = PTHREAD_COND_INITIALIZER;
    uint64_t m_nNextTicket = 0;    // tickets handed to writers so far
    uint64_t m_nServing = 0;       // the ticket whose writer enters next
    bool m_bWriter = false;        // a writer holds the lock
    int m_nReaders = 0;            // readers holding the lock, admitted batches included
    int m_nReadersWaiting = 0;     // readers waiting for the next writer to let go
    uint64_t m_nReaderBatch = 0;   // raised each time the waiting readers are let in
};

// Scoped shared or exclusive hold of a CPhaseFairLock.
class CPhaseFairHold {
public:
    CPhaseFairHold(CPhaseFairLock& lock, bool bExclusive) : m_lock(lock), m_bExclusive(bExclusive) {
        if (m_bExclusive)
            m_lock.Lock();
        else
            m_lock.LockShared();
    }
    ~CPhaseFairHold() {
        if (m_bExclusive)
            m_lock.Unlock();
        else
            m_lock.UnlockShared();
    }
    CPhaseFairHold(const CPhaseFairHold&) = delete;
    CPhaseFairHold& operator=(const CPhaseFairHold&) = delete;

private:
    CPhaseFairLock& m_lock;
    bool m_bExclusive;
};
