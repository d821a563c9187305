#include "BrowseDir/BrowseDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/SearchFunc.h"
#include "Utility/StrToken.h"

namespace {

// "文件数" (files) in the timing texts, in GBK and in UTF-8.
const char kFilesGbk[] = "\xCE\xC4\xBC\xFE\xCA\xFD";              // 文件数
const char kFilesUtf8[] = "\xE6\x96\x87\xE4\xBB\xB6\xE6\x95\xB0";  // 文件数

// Arguments of one walker thread: the open folder it walks (handed over) and its path.
struct BrowseThreadArg {
    CBrowseDir* pWalker;
    int fd;
    tstring sPath;
};

// A wide name in UTF-8, the form file names take on this platform. False for a unit that is no
// character (a surrogate, a negative value or one above 10FFFF).
bool WideToUtf8(const wchar_t* s, tstring& out) {
    out.clear();
    for (; *s; ++s) {
        const long long c = static_cast<long long>(*s);
        if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        unsigned char buf[6];
        const int n = unicode_to_utf8_one(static_cast<unsigned long>(c), buf, sizeof buf);
        out.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
    }
    return true;
}

// Opens a folder for walking; -1 when it cannot be opened.
int OpenFolder(int at, const char* name) { return openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

tstring Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
tstring Format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    const int n = vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    if (n < 0) return tstring();
    if (static_cast<size_t>(n) < sizeof(buf)) return tstring(buf, static_cast<size_t>(n));
    tstring s(static_cast<size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    vsnprintf(&s[0], s.size(), fmt, ap);
    va_end(ap);
    s.resize(static_cast<size_t>(n));
    return s;
}

double Seconds(clock_t from, clock_t to) { return static_cast<double>(to - from) / CLOCKS_PER_SEC; }

double Speed(size_t n, double seconds) { return seconds > 0.0 ? static_cast<double>(n) / seconds : 0.0; }

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

}  // namespace

// ---- CBrowseDir ---------------------------------------------------------------------------------

CBrowseDir::CBrowseDir(unsigned int nMaxThreadCount)
    : m_pIndicator(nullptr),
      m_pHost(nullptr),
      m_bFile(true),
      m_nMaxThreadCount(nMaxThreadCount),
      m_nThreadCount(0),
      m_bAll(false),
      m_bFullDisk(false),
      m_nMinTime(0),
      m_bUtf8Text(false) {
    pthread_mutex_init(&m_mutex, nullptr);
    if (char* cwd = getcwd(nullptr, 0)) {
        m_szBaseDir = cwd;
        free(cwd);
    }
}

CBrowseDir::~CBrowseDir() { pthread_mutex_destroy(&m_mutex); }

bool CBrowseDir::SetInitDir(const char* dir) {
    m_bFullDisk = false;
    m_szInitDir.clear();
    if (!dir || !*dir) return false;
    char* resolved = realpath(dir, nullptr);
    if (!resolved) return false;
    tstring path(resolved);
    free(resolved);
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (path.empty() || path.back() != '/') path += '/';
    m_szInitDir = path;
    return true;
}

bool CBrowseDir::SetInitDir(const wchar_t* dir) {
    tstring sDir;
    if (!dir || !WideToUtf8(dir, sDir)) return SetInitDir(static_cast<const char*>(nullptr));
    return SetInitDir(sDir.c_str());
}

bool CBrowseDir::SetMinTimestamp(time_t tMinTime) {
    m_nMinTime = tMinTime;
    return true;
}

bool CBrowseDir::BeginBrowse(const char* sFilter, bool bFile, void* pHost, void* p) {
    m_pIndicator = p;
    m_pHost = pHost;
    m_bFile = bFile;
    {
        CMutexLock lock(&m_mutex);
        m_vecFileInfo.clear();
        m_setEntered.clear();
        m_nThreadCount = 0;
    }
    if (m_szInitDir.empty()) return false;

    const clock_t tStart = clock();
    if (!m_bFullDisk) {
        m_bAll = sFilter && strcmp(sFilter, "*") == 0;
        m_vecFilter.clear();
        if (!m_bAll && sFilter) {
            GetStrVector(sFilter, ";", m_vecFilter);
            for (size_t k = m_vecFilter.size(); k-- > 0;) {
                tstring& ext = m_vecFilter[k];
                const size_t dot = ext.rfind('.');
                if (dot != tstring::npos) ext.erase(0, dot + 1);
                for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
                if (ext.empty()) m_vecFilter.erase(m_vecFilter.begin() + static_cast<long>(k));
            }
            std::sort(m_vecFilter.begin(), m_vecFilter.end());
        }
    }
    const bool bResult = BrowseDir(m_szInitDir.c_str());

    // Every walker thread has been joined: the list is this thread's alone from here on.
    const size_t nCount = m_vecFileInfo.size();
    const clock_t tWalked = clock();
    double secs = Seconds(tStart, tWalked);
    const char* const sFiles = m_bUtf8Text ? kFilesUtf8 : kFilesGbk;
    Indicator(Format("BrowseDir Get  %zu files,Time=%6fs,Speed=%6f%s/s Started sort!\n", nCount, secs,
                     Speed(nCount, secs), sFiles)
                  .c_str());
    // Ties are ordered by path so that a walk lists the same tree the same way every time.
    std::sort(m_vecFileInfo.begin(), m_vecFileInfo.end(), [](const _tFileBasicInfo& a, const _tFileBasicInfo& b) {
        if (a.timestamp != b.timestamp) return a.timestamp < b.timestamp;
        return a.filename < b.filename;
    });
    secs = Seconds(tWalked, clock());
    Indicator(Format("Sort ending  %zu files,Time=%6fs,Speed=%6f%s/s Started sort!\n", nCount, secs,
                     Speed(nCount, secs), sFiles)
                  .c_str());
    return bResult;
}

bool CBrowseDir::BrowseDir(const char* sFolderName) {
    if (!sFolderName) return false;
    const int fd = OpenFolder(AT_FDCWD, sFolderName);
    if (fd < 0) {
        printf(" Failure to open the directory %s\n", sFolderName);
        return false;
    }
    return BrowseOpenDir(fd, sFolderName);
}

bool CBrowseDir::BrowseOpenDir(int fd, const tstring& sFolder) {
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        printf(" Failure to open the directory %s\n", sFolder.c_str());
        return false;
    }
    // Enter every folder once: a link back to an ancestor (or two links to one folder) is skipped.
    struct stat dst;
    if (fstat(dirfd(dir), &dst) == 0) {
        bool bNew;
        {
            CMutexLock lock(&m_mutex);
            bNew = m_setEntered.insert(std::make_pair(dst.st_dev, dst.st_ino)).second;
        }
        if (!bNew) {
            closedir(dir);
            return true;
        }
    }

    // Entries are looked up and opened relative to the open folder, so a path of any length (the
    // kernel takes at most 4,096 bytes at once) is walked.
    while (struct dirent* ent = readdir(dir)) {
        if (IsDotOrDotDot(ent->d_name)) continue;
        const tstring sPath = sFolder + ent->d_name;
        struct stat st;
        // Links are followed.
        if (fstatat(dirfd(dir), ent->d_name, &st, 0) != 0) {
            printf("Error:stat %s\n", sPath.c_str());
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (m_bFile) {
                const int sub = OpenFolder(dirfd(dir), ent->d_name);
                if (sub < 0)
                    printf(" Failure to open the directory %s/\n", sPath.c_str());
                else
                    Descend(sub, sPath + "/");
            } else {
                CMutexLock lock(&m_mutex);
                m_vecFileInfo.push_back(_tFileBasicInfo(ent->d_name, 0, 0));
            }
            continue;
        }
        // Only regular files: a FIFO, socket or device would block or never end when read.
        if (!m_bFile || !S_ISREG(st.st_mode)) continue;
        bool bTake = m_bAll;
        if (!bTake) {
            const char* dot = strrchr(ent->d_name, '.');
            bTake = dot && BinarySearch(dot + 1, m_vecFilter) >= 0;
        }
        if (bTake) ProcessFile(sPath.c_str(), st);
    }
    closedir(dir);
    return true;
}

void CBrowseDir::Descend(int fd, const tstring& sPath) {
    bool bThread;
    {
        CMutexLock lock(&m_mutex);
        bThread = m_nThreadCount < m_nMaxThreadCount;
    }
    if (bThread) {
        BrowseThreadArg arg{this, fd, sPath};
        pthread_t tid;
        if (pthread_create(&tid, nullptr, &CBrowseDir::BrowseRunThread, &arg) == 0) {
            pthread_join(tid, nullptr);
            return;
        }
        WriteLog("Work thread start failed!");
    }
    BrowseOpenDir(fd, sPath);
}

void* CBrowseDir::BrowseRunThread(void* param) {
    BrowseThreadArg* pArg = static_cast<BrowseThreadArg*>(param);
    CBrowseDir* pThis = pArg->pWalker;
    unsigned int nCount;
    {
        CMutexLock lock(&pThis->m_mutex);
        nCount = pThis->m_nThreadCount;
    }
    const unsigned long nId = static_cast<unsigned long>(pthread_self());
    WriteLog(Format("ThreadID=%lu threadcount=%u ", nId, nCount) + pArg->sPath + " starting!");
    {
        CMutexLock lock(&pThis->m_mutex);
        ++pThis->m_nThreadCount;
    }
    pThis->BrowseOpenDir(pArg->fd, pArg->sPath);
    {
        CMutexLock lock(&pThis->m_mutex);
        if (pThis->m_nThreadCount > 0) --pThis->m_nThreadCount;
        nCount = pThis->m_nThreadCount;
    }
    WriteLog(Format("ThreadID=%lu threadcount=%u ", nId, nCount) + pArg->sPath + " ending!");
    return nullptr;
}

bool CBrowseDir::ProcessFile(const char* filename) {
    if (!filename) return false;
    struct stat st;
    if (stat(filename, &st) != 0) {
        SetLastErrorMessage("Fail read file " + CErrorText::Given(filename));
        return false;
    }
    return ProcessFile(filename, st);
}

bool CBrowseDir::ProcessFile(const char* filename, const struct stat& st) {
    if (!filename) return false;
    if (st.st_ctime < m_nMinTime) return true;
    size_t nCount;
    unsigned int nThreads;
    {
        CMutexLock lock(&m_mutex);
        m_vecFileInfo.push_back(_tFileBasicInfo(filename, st.st_ctime, static_cast<size_t>(st.st_size)));
        nCount = m_vecFileInfo.size();
        nThreads = m_nThreadCount;
    }
    if (nCount % 1000 == 0) {
        Indicator(Format("ThreadCount=%u Scan %s(%s) %zu ", nThreads, filename, m_szInitDir.c_str(), nCount).c_str());
    }
    return true;
}

void CBrowseDir::ProcessDir(const char* /*currentdir*/, const char* /*parentdir*/) {}

void CBrowseDir::Indicator(const char* sInfo) {
    if (!sInfo) sInfo = "";
    if (m_pIndicator && m_pHost) {
        reinterpret_cast<BrowseIndicatorFunc>(m_pIndicator)(m_pHost, sInfo);
    } else {
        printf("%s\n", sInfo);
    }
}

void* CBrowseDir::DiskScanThread(void* param) {
    CBrowseDir* pThis = static_cast<CBrowseDir*>(param);
    if (pThis) pThis->BeginBrowse(pThis->m_sFilter.c_str(), pThis->m_bFile, pThis->m_pHost, pThis->m_pIndicator);
    return nullptr;
}

// ---- free functions -----------------------------------------------------------------------------

bool gfn_vScanFiles(const char* sFolderName, std::vector<tstring>& vsFileName, const char* sFilter, bool bFile,
                    bool bUtf8Text) {
    CBrowseDir walker(20);
    walker.SetUtf8Text(bUtf8Text);
    if (!walker.SetInitDir(sFolderName)) return false;
    const bool bResult = walker.BeginBrowse(sFilter, bFile, nullptr, nullptr);
    for (const _tFileBasicInfo& info : walker.GetFileInfo()) vsFileName.push_back(info.filename);
    return bResult;
}

bool gfn_vScanDirs(const char* sFolderName, std::vector<tstring>& vsDirs) {
    return gfn_vScanFiles(sFolderName, vsDirs, "*.*", false);
}

void GetHardDiskDriver(std::vector<tstring>& vecDrivers) { vecDrivers.clear(); }

namespace {

bool EndsWith(const char* name, const tstring& suffix) {
    const size_t n = strlen(name);
    return n >= suffix.size() && memcmp(name + n - suffix.size(), suffix.data(), suffix.size()) == 0;
}

bool CleanDirectory(const tstring& sDir, bool bAll, const tstring& sSuffix) {
    DIR* dir = opendir(sDir.c_str());
    if (!dir) return false;
    while (struct dirent* ent = readdir(dir)) {
        if (IsDotOrDotDot(ent->d_name)) continue;
        const tstring sPath = sDir + ent->d_name;
        struct stat st;
        // lstat: a link is an entry of its own and never leads out of the tree.
        if (lstat(sPath.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            CleanDirectory(sPath + "/", bAll, sSuffix);
        } else if (bAll || EndsWith(ent->d_name, sSuffix)) {
            remove(sPath.c_str());
        }
    }
    closedir(dir);
    rmdir(sDir.c_str());
    return true;
}

}  // namespace

bool gfn_bCleanDirectory(const char* lpszDir, const char* sSignature) {
    if (!lpszDir || !*lpszDir) return false;
    const bool bAll = !sSignature || strcmp(sSignature, "*.*") == 0;
    tstring sSuffix;
    if (!bAll) {
        const char* dot = strrchr(sSignature, '.');
        sSuffix = dot ? dot : sSignature;
    }
    tstring sDir(lpszDir);
    if (sDir.back() != '/') sDir += '/';
    return CleanDirectory(sDir, bAll, sSuffix);
}
