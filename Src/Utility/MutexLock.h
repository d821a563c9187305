// Scoped lock of a pthread mutex, for the functions that take the caller's pthread_mutex_t.
#pragma once

#include <pthread.h>

// Holds the mutex from construction to destruction; a null mutex is not locked.
class CMutexLock {
public:
    explicit CMutexLock(pthread_mutex_t* m) : m_p(m) {
        if (m_p) pthread_mutex_lock(m_p);
    }
    ~CMutexLock() {
        if (m_p) pthread_mutex_unlock(m_p);
    }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

private:
    pthread_mutex_t* m_p;
};
