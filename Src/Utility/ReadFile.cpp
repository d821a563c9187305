#include "Utility/ReadFile.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"

namespace {

// open(2) for a path of any length. A path the kernel refuses as too long (4,096 bytes and more,
// as a deep walk lists them) is opened piece by piece: whole folder names of fewer bytes than the
// limit, each piece relative to the folder the one before led to. The slashes after a cut are
// passed over, so a piece after the first never starts with "/" (openat would read it as an
// absolute path and open another file): "a//b" names what "a/b" names. -1 with errno on failure.
int OpenAnyLength(const char* sPath, int nFlags) {
    const int fd = open(sPath, nFlags);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
    const tstring sFull(sPath);
    int at = AT_FDCWD;
    size_t start = 0;
    int result = -1;
    for (;;) {
        if (start > 0) start = std::min(sFull.find_first_not_of('/', start), sFull.size());
        if (sFull.size() - start < PATH_MAX) {
            // Nothing left after the slashes: the path named the folder reached.
            result = openat(at, start < sFull.size() ? sFull.c_str() + start : ".", nFlags);
            break;
        }
        // The last "/" that leaves the piece below the limit; a name longer than that fails.
        const size_t cut = sFull.rfind('/', start + PATH_MAX - 2);
        if (cut == tstring::npos || cut < start) {
            errno = ENAMETOOLONG;
            break;
        }
        const tstring sPiece = sFull.substr(start, cut + 1 - start);
        const int next = openat(at, sPiece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (at != AT_FDCWD) close(at);
        at = next;
        if (at < 0) break;
        start = cut + 1;
    }
    if (at >= 0 && at != AT_FDCWD) {
        const int err = errno;
        close(at);
        errno = err;
    }
    return result;
}

// Opens a regular file for reading. Directories, FIFOs, devices and sockets are refused (O_NONBLOCK
// keeps the open itself from blocking on a FIFO). *pbStatFailed tells the caller that fstat failed
// and the size is unknown.
FILE* OpenRegular(const char* sFilename, long& nSize, bool* pbStatFailed) {
    *pbStatFailed = false;
    nSize = 0;
    int fd = OpenAnyLength(sFilename, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        *pbStatFailed = true;
    } else if (!S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    } else {
        nSize = static_cast<long>(st.st_size);
    }
    FILE* fp = fdopen(fd, "rb");
    if (!fp) close(fd);
    return fp;
}

}  // namespace

CReadFile::CReadFile()
    : m_fpFileRead(nullptr), m_nReadThreadCount(0), m_bWriting(false), m_nFileSize(0) {
    pthread_mutex_init(&m_mutex, nullptr);
}

CReadFile::~CReadFile() {
    pthread_mutex_destroy(&m_mutex);
    if (m_fpFileRead) fclose(m_fpFileRead);
}

unsigned long CReadFile::ReadFile(const char* sFilename, char** pBuffer, long offset, unsigned long length,
                                  bool bZeroIsAll) {
    return Read(sFilename, pBuffer, offset, length, bZeroIsAll, true);
}

unsigned long CReadFile::Read(const char* sFilename, char** pBuffer, long offset, unsigned long length,
                              bool bZeroIsAll, bool bReportAllocFailure) {
    if (!sFilename || !*sFilename) {
        char* empty = new (std::nothrow) char[1];
        if (empty) {
            empty[0] = 0;
            *pBuffer = empty;
        }
        return 0;
    }

    CMutexLock lock(&m_mutex);
    if (strcasecmp(sFilename, m_sFileRead.c_str()) != 0) {
        long nSize = 0;
        bool bStatFailed = false;
        FILE* fp = OpenRegular(sFilename, nSize, &bStatFailed);
        if (!fp) {
            m_bWriting = false;
            WriteLog(tstring("Failed open file  ") + sFilename, NULL, false);
            return 0;
        }
        m_bWriting = true;
        if (m_fpFileRead) fclose(m_fpFileRead);
        m_fpFileRead = fp;
        if (bStatFailed) {
            WriteError("_fstat( _fileno(m_fpFileRead) failed");
            WriteError(sFilename);
        }
        m_nFileSize = nSize;
        m_sFileRead = sFilename;
        m_bWriting = false;
    }

    unsigned long n = length;
    if (length == 0 && bZeroIsAll) n = static_cast<unsigned long>(m_nFileSize);
    char* buf = n < ULONG_MAX ? new (std::nothrow) char[n + 1] : nullptr;
    if (!buf) {
        if (bReportAllocFailure) WriteError(tstring("Error read file ") + sFilename);
        return 0;
    }
    if (!m_fpFileRead) {
        buf[0] = 0;
        *pBuffer = buf;
        return 0;
    }

    ++m_nReadThreadCount;
    size_t got = 0;
    if (offset >= 0 && fseeko(m_fpFileRead, static_cast<off_t>(offset), SEEK_SET) == 0) {
        while (got < n) {
            size_t r = fread(buf + got, 1, n - got, m_fpFileRead);
            if (r == 0) break;
            got += r;
        }
    }
    clearerr(m_fpFileRead);
    memset(buf + got, 0, n - got + 1);
    --m_nReadThreadCount;
    *pBuffer = buf;
    return n;
}

unsigned long ReadFile(const char* sFilename, char** pBuffer, long offset, unsigned long length, bool bZeroIsAll) {
    CReadFile reader;
    return reader.ReadFile(sFilename, pBuffer, offset, length, bZeroIsAll);
}

unsigned long ReadFile(const char* sFilename, tstring& pBuffer, long offset, unsigned long length, bool bZeroIsAll) {
    pBuffer.clear();
    char* buf = nullptr;
    unsigned long n;
    {
        CReadFile reader;
        n = reader.Read(sFilename, &buf, offset, length, bZeroIsAll, false);
    }
    bool bKept = n > 0;
    if (bKept) {
        try {
            pBuffer.reserve(n);
            const char* p = buf;
            const char* const end = buf + n;
            while (p < end) {
                const char* z = static_cast<const char*>(memchr(p, 0, end - p));
                if (!z) z = end;
                pBuffer.append(p, z - p);
                p = z + 1;
            }
        } catch (const std::bad_alloc&) {
            pBuffer.clear();
            bKept = false;
        }
    }
    delete[] buf;
    if (!bKept) return ReportError("Error read file " + CErrorText::Given(sFilename ? sFilename : ""), 0UL);
    return pBuffer.size();
}

long GetFileLinesCount(FILE* fp) {
    if (!fp) return 0;
    rewind(fp);
    char line[1000];
    long nCount = 0;
    while (fgets(line, sizeof line, fp)) ++nCount;
    rewind(fp);
    return nCount;
}
