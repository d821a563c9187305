#include "Utility/BufferManager.h"

#include <string.h>

#include <new>

CBufferManager* g_pBufManager = NULL;

CBufferManager::CBufferManager() : m_nBufferWritingThread(0) {}

CBufferManager::~CBufferManager() { ReleaseBuf(true); }

char* CBufferManager::AddBuffer(char* pBuffer) {
    ReleaseBuf(false);
    std::lock_guard<std::mutex> lock(m_hBuffer);
    try {
        m_vecBuffer.push_back(pBuffer);
    } catch (...) {
        delete[] pBuffer;  // owned from the call on: never leak it, never hand back a dangling one
        throw;
    }
    return pBuffer;
}

char* CBufferManager::AddBuffer(const char* sText) {
    if (!sText) {
        ReleaseBuf(false);
        return NULL;
    }
    size_t n = strlen(sText) + 1;
    char* pCopy = new (std::nothrow) char[n];
    if (!pCopy) {
        ReleaseBuf(false);
        return NULL;
    }
    memcpy(pCopy, sText, n);
    return AddBuffer(pCopy);
}

void CBufferManager::ReleaseBuf(bool bAllClear) {
    size_t nRelease = kReleaseCount;
    {
        // The test for a running release and the claim of it form one step.
        std::lock_guard<std::mutex> lock(m_hBuffer);
        if (bAllClear) {
            nRelease = m_vecBuffer.size();
            if (nRelease == 0) return;
        } else if (m_nBufferWritingThread > 0 || m_vecBuffer.size() <= kReleaseAbove) {
            return;
        }
        ++m_nBufferWritingThread;
    }
    // Slot by slot, so that registrations from other threads go on meanwhile; they append behind
    // the released range, which this loop alone touches.
    for (size_t i = 0; i < nRelease; ++i) {
        std::lock_guard<std::mutex> lock(m_hBuffer);
        if (i >= m_vecBuffer.size()) break;
        if (m_vecBuffer[i]) {
            delete[] m_vecBuffer[i];
            m_vecBuffer[i] = NULL;
        }
    }
    std::lock_guard<std::mutex> lock(m_hBuffer);
    if (nRelease < m_vecBuffer.size()) {
        m_vecBuffer.erase(m_vecBuffer.begin(), m_vecBuffer.begin() + std::ptrdiff_t(nRelease));
    }
    --m_nBufferWritingThread;
}

size_t CBufferManager::GetBufferCount() const {
    std::lock_guard<std::mutex> lock(m_hBuffer);
    return m_vecBuffer.size();
}
