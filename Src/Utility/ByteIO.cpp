#include "Utility/ByteIO.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cerrno>
#include <ctime>
#include <limits>

void AdviseLargeBuffer(void* p, size_t nBytes) {
    const size_t kHuge = size_t(2) << 20, kLarge = size_t(256) << 10;
    if (!p || nBytes < kLarge) return;
    const long nPageSize = sysconf(_SC_PAGESIZE);
    const uintptr_t nPage = uintptr_t(nPageSize > 0 ? nPageSize : 4096);
    uintptr_t nBegin = (reinterpret_cast<uintptr_t>(p) + nPage - 1) / nPage * nPage;
    uintptr_t nEnd = (reinterpret_cast<uintptr_t>(p) + nBytes) / nPage * nPage;
    if (nEnd <= nBegin) return;
    void* pBegin = reinterpret_cast<void*>(nBegin);
    if (nBytes >= kHuge) madvise(pBegin, nEnd - nBegin, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // One call maps every page (contents unchanged) instead of one fault per page.
    madvise(pBegin, nEnd - nBegin, MADV_POPULATE_WRITE);
#endif
}

// ---- CByteReader --------------------------------------------------------------------------------

const unsigned char* CByteReader::Take(size_t n) {
    if (!m_bOk || n > m_nSize - m_nPos) {
        m_bOk = false;
        return nullptr;
    }
    const unsigned char* p = m_p + m_nPos;
    m_nPos += n;
    return p;
}

bool CByteReader::Skip(size_t n) {
    if (!m_bOk || n > m_nSize - m_nPos) {
        m_bOk = false;
        return false;
    }
    m_nPos += n;
    return true;
}

bool CByteReader::ReadBytes(void* out, size_t n) {
    if (n == 0) return m_bOk;
    const unsigned char* p = Take(n);
    if (!p) {
        memset(out, 0, n);
        return false;
    }
    memcpy(out, p, n);
    return true;
}

bool CByteReader::ReadU8(uint8_t& v) {
    const unsigned char* p = Take(1);
    v = p ? p[0] : 0;
    return p != nullptr;
}

bool CByteReader::ReadI8(int8_t& v) {
    uint8_t u;
    bool ok = ReadU8(u);
    v = int8_t(u);
    return ok;
}

bool CByteReader::ReadU16(uint16_t& v) {
    const unsigned char* p = Take(2);
    v = p ? GetLE16(p) : 0;
    return p != nullptr;
}

bool CByteReader::ReadI16(int16_t& v) {
    uint16_t u;
    bool ok = ReadU16(u);
    v = int16_t(u);
    return ok;
}

bool CByteReader::ReadU32(uint32_t& v) {
    const unsigned char* p = Take(4);
    v = p ? GetLE32(p) : 0;
    return p != nullptr;
}

bool CByteReader::ReadI32(int32_t& v) {
    uint32_t u;
    bool ok = ReadU32(u);
    v = int32_t(u);
    return ok;
}

bool CByteReader::ReadU64(uint64_t& v) {
    const unsigned char* p = Take(8);
    v = p ? GetLE64(p) : 0;
    return p != nullptr;
}

bool CByteReader::ReadI64(int64_t& v) {
    uint64_t u;
    bool ok = ReadU64(u);
    v = int64_t(u);
    return ok;
}

bool CByteReader::ReadF32(float& v) {
    uint32_t u;
    bool ok = ReadU32(u);
    memcpy(&v, &u, sizeof v);
    return ok;
}

bool CByteReader::ReadF64(double& v) {
    uint64_t u;
    bool ok = ReadU64(u);
    memcpy(&v, &u, sizeof v);
    return ok;
}

bool CByteReader::Has(int64_t count, uint64_t elemSize) const {
    if (!m_bOk || count < 0) return false;
    if (elemSize == 0 || count == 0) return true;
    if (uint64_t(count) > std::numeric_limits<uint64_t>::max() / elemSize) return false;
    return uint64_t(count) * elemSize <= uint64_t(m_nSize - m_nPos);
}

// ---- whole files ---------------------------------------------------------------------------------

bool ReadFileBytes(const char* path, std::vector<unsigned char>& out) {
    if (!path) return false;
    // Opened without blocking and tested before any read, so a FIFO or device is refused instead
    // of waiting for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(size_t(st.st_size));
    AdviseLargeBuffer(bytes.data(), bytes.capacity());
    unsigned char chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
            break;
        }
    }
    close(fd);
    if (!ok) return false;
    out.swap(bytes);
    return true;
}

// ---- CByteWriter ---------------------------------------------------------------------------------

void CByteWriter::PutU16(uint16_t v) {
    unsigned char b[2];
    PutLE16(b, v);
    m_buf.insert(m_buf.end(), b, b + 2);
}

void CByteWriter::PutU32(uint32_t v) {
    unsigned char b[4];
    PutLE32(b, v);
    m_buf.insert(m_buf.end(), b, b + 4);
}

void CByteWriter::PutU64(uint64_t v) {
    unsigned char b[8];
    PutLE64(b, v);
    m_buf.insert(m_buf.end(), b, b + 8);
}

void CByteWriter::PutF32(float v) {
    uint32_t u;
    memcpy(&u, &v, sizeof u);
    PutU32(u);
}

void CByteWriter::PutF64(double v) {
    uint64_t u;
    memcpy(&u, &v, sizeof u);
    PutU64(u);
}

void CByteWriter::PutBytes(const void* p, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    if (n) m_buf.insert(m_buf.end(), b, b + n);
}

// ---- CAtomicFile ---------------------------------------------------------------------------------

CAtomicFile::~CAtomicFile() { Discard(); }

namespace {

// The folder part of path, with its trailing "/" ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A fresh file beside path under a short name no one can guess, created exclusively: an entry
// already standing at that name (a link planted there included) is never opened, and a name
// whose own length is near the file-system limit leaves room for it. The mode is 0666 less the
// umask, as fopen gives. Returns the descriptor (-1 on failure) and the name in sTemp.
int CreateTemporary(const std::string& path, std::string& sTemp) {
    static std::atomic<unsigned> s_nCounter{0};
    const std::string sFolder = FolderOf(path);
    for (int nTry = 0; nTry < 100; ++nTry) {
        uint64_t nRandom = 0;
        if (getrandom(&nRandom, sizeof nRandom, GRND_NONBLOCK) != ssize_t(sizeof nRandom)) {
            // No entropy yet: the exclusive create still makes a guessed name harmless.
            nRandom = (uint64_t(getpid()) << 32) ^ uint64_t(time(nullptr)) ^ (uint64_t(++s_nCounter) << 16);
        }
        char sName[32];
        snprintf(sName, sizeof sName, ".kxtmp%012llx", (unsigned long long)(nRandom & 0xFFFFFFFFFFFFull));
        sTemp = sFolder + sName;
        const int fd = open(sTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    sTemp.clear();
    return -1;
}

}  // namespace

FILE* CAtomicFile::Open(const char* path, bool bText) {
    Discard();
    if (!path || !*path) return nullptr;
    m_sPath = path;
    const int fd = CreateTemporary(m_sPath, m_sTemp);
    if (fd < 0) return nullptr;
    m_fp = fdopen(fd, bText ? "w" : "wb");
    if (!m_fp) {
        close(fd);
        unlink(m_sTemp.c_str());
        m_sTemp.clear();
    }
    m_bOk = m_fp != nullptr;
    return m_fp;
}

bool CAtomicFile::Write(const void* p, size_t n) {
    if (!Ok()) return false;
    if (n && fwrite(p, 1, n, m_fp) != n) m_bOk = false;
    return m_bOk;
}

bool CAtomicFile::Commit() {
    if (!m_fp) return false;
    bool ok = m_bOk && fflush(m_fp) == 0 && !ferror(m_fp);
    ok = (fclose(m_fp) == 0) && ok;
    m_fp = nullptr;
    if (ok) ok = rename(m_sTemp.c_str(), m_sPath.c_str()) == 0;
    if (!ok) remove(m_sTemp.c_str());
    m_sTemp.clear();
    m_bOk = false;
    return ok;
}

void CAtomicFile::Discard() {
    if (m_fp) {
        fclose(m_fp);
        m_fp = nullptr;
        remove(m_sTemp.c_str());
    }
    m_sTemp.clear();
    m_bOk = false;
}

bool WriteFileAtomic(const char* path, const void* data, size_t size) {
    CAtomicFile file;
    if (!file.Open(path)) return false;
    file.Write(data, size);
    return file.Commit();
}
