#include "Utility/PhaseFairLock.h"

#include "Utility/MutexLock.h"

void CPhaseFairLock::LockShared() {
    CMutexLock lock(&m_mutex);
    if (!m_bWriter && m_nNextTicket == m_nServing) {
        ++m_nReaders;
        return;
    }
    // A writer holds the lock or waits for it: wait for the next writer to let go, which admits
    // this reader (counted in m_nReaders by the writer) together with every other waiting one.
    ++m_nReadersWaiting;
    const uint64_t nBatch = m_nReaderBatch;
    while (m_nReaderBatch == nBatch) pthread_cond_wait(&m_readersGo, &m_mutex);
}

void CPhaseFairLock::UnlockShared() {
    CMutexLock lock(&m_mutex);
    if (--m_nReaders == 0) pthread_cond_broadcast(&m_writersGo);
}

void CPhaseFairLock::Lock() {
    CMutexLock lock(&m_mutex);
    const uint64_t nTicket = m_nNextTicket++;
    while (nTicket != m_nServing || m_bWriter || m_nReaders > 0) pthread_cond_wait(&m_writersGo, &m_mutex);
    m_bWriter = true;
}

void CPhaseFairLock::Unlock() {
    CMutexLock lock(&m_mutex);
    m_bWriter = false;
    ++m_nServing;
    if (m_nReadersWaiting > 0) {
        // The readers' turn: all of them enter before the next writer, which waits for them.
        m_nReaders += m_nReadersWaiting;
        m_nReadersWaiting = 0;
        ++m_nReaderBatch;
        pthread_cond_broadcast(&m_readersGo);
    }
    pthread_cond_broadcast(&m_writersGo);
}

int CPhaseFairLock::QueuedWriters() {
    CMutexLock lock(&m_mutex);
    return int(m_nNextTicket - m_nServing) - (m_bWriter ? 1 : 0);
}

int CPhaseFairLock::WaitingReaders() {
    CMutexLock lock(&m_mutex);
    return m_nReadersWaiting;
}
