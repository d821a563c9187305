#include "Utility/FileFunc.h"

#include <arpa/inet.h>
#include <errno.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Utility/ByteIO.h"
#include "Utility/GBKChar.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/ReadFile.h"
#include "Utility/StrToken.h"

extern char** environ;

namespace {

const size_t kPathBuf = 4096;  // PATH_MAX: the size every path out-buffer must have
const unsigned long kDefaultPiece = 64 * 1024;

inline const char* NonNull(const char* s) { return s ? s : ""; }

inline bool IsSep(char c) { return c == '/' || c == '\\'; }

// Copies s into a PATH_MAX out-buffer, cutting it to fit.
char* CopyOut(char* dst, const tstring& s) {
    size_t n = std::min(s.size(), kPathBuf - 1);
    memcpy(dst, s.data(), n);
    dst[n] = 0;
    return dst;
}

tstring CurrentDir() {
    char* cwd = getcwd(nullptr, 0);
    tstring s = cwd ? cwd : "";
    free(cwd);
    return s;
}

// Reports a failure in two error lines: the message (which becomes the last error) and the name.
void ReportTwoLines(const char* sMessage, const tstring& sName) {
    ReportError(tstring(sMessage), 0);
    WriteError(sName);
}

bool WriteWhole(const char* lpszFilename, const tstring& sFileText, const char* sMode) {
    if (!lpszFilename || !*lpszFilename) return false;
    FILE* fp = fopen(lpszFilename, sMode);
    if (!fp) return false;
    bool ok = fwrite(sFileText.data(), 1, sFileText.size(), fp) == sFileText.size();
    if (fclose(fp) != 0) ok = false;
    return ok;
}

}  // namespace

long get_file_size(const char* filename) {
    struct stat st;
    if (!filename || stat(filename, &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

bool IsEnglishTextFile(const char* sFilename) {
    char* buf = nullptr;
    unsigned long n = ReadFile(sFilename, &buf, 0, 0, true);
    bool bEnglish = n > 0 && buf && IsEnglishText(buf);
    delete[] buf;
    return bEnglish;
}

// ---- copying -------------------------------------------------------------------------------------

bool FileCopy(const char* sSrcFile, const char* sDsnFile, unsigned long nMemUsed) {
    FILE* fpSrc = fopen(NonNull(sSrcFile), "rb");
    if (!fpSrc) {
        ReportTwoLines("Error read file", NonNull(sSrcFile));
        return false;
    }
    FILE* fpDsn = fopen(NonNull(sDsnFile), "wb");
    if (!fpDsn) {
        fclose(fpSrc);
        ReportTwoLines("Error write file", NonNull(sDsnFile));
        return false;
    }
    long result = FileCopy(fpSrc, fpDsn, nMemUsed, nullptr, 0);
    fclose(fpSrc);
    bool ok = result >= 0;
    if (fclose(fpDsn) != 0) ok = false;
    return ok;
}

long FileCopy(FILE* fpSrc, FILE* fpDsn, unsigned long nMemUsed, pthread_mutex_t* nMutex,
              unsigned long nLengthLimit) {
    if (!fpSrc || !fpDsn) return -1;
    CMutexLock lock(nMutex);
    fseeko(fpDsn, 0, SEEK_END);
    const long nOldLength = static_cast<long>(ftello(fpDsn));
    struct stat st;
    if (fstat(fileno(fpSrc), &st) != 0) return -1;
    const unsigned long nPiece = nMemUsed ? nMemUsed : kDefaultPiece;
    char* buf = new (std::nothrow) char[nPiece];
    if (!buf) return -1;
    rewind(fpSrc);
    unsigned long nCopied = 0;
    for (;;) {
        unsigned long want = nPiece;
        if (nLengthLimit) {
            if (nCopied >= nLengthLimit) break;
            want = std::min(want, nLengthLimit - nCopied);
        }
        size_t r = fread(buf, 1, want, fpSrc);
        if (r == 0) break;
        size_t w = fwrite(buf, 1, r, fpDsn);
        nCopied += w;
        if (w < r) break;
    }
    delete[] buf;
    fflush(fpDsn);
    fseeko(fpDsn, 0, SEEK_END);
    const long nNewLength = static_cast<long>(ftello(fpDsn));
    const long nExpected = nOldLength + (nLengthLimit ? static_cast<long>(nLengthLimit) : static_cast<long>(st.st_size));
    return nNewLength == nExpected ? nNewLength : -2;
}

unsigned long FileCopy(FILE* fpSrc, FILE* fpDsn, unsigned long nStart, unsigned long nEnd, unsigned char* pBuf,
                       unsigned long nBufSize, pthread_mutex_t* nMutex) {
    if (!fpSrc || !fpDsn || !pBuf || nBufSize == 0 || nEnd <= nStart || nStart > static_cast<unsigned long>(LONG_MAX))
        return 0;
    CMutexLock lock(nMutex);
    if (fseeko(fpSrc, static_cast<off_t>(nStart), SEEK_SET) != 0) return 0;
    unsigned long nCopied = 0;
    const unsigned long nTotal = nEnd - nStart;
    while (nCopied < nTotal) {
        size_t want = std::min(nBufSize, nTotal - nCopied);
        size_t r = fread(pBuf, 1, want, fpSrc);
        if (r == 0) break;
        size_t w = fwrite(pBuf, 1, r, fpDsn);
        nCopied += w;
        if (w < r) break;
    }
    return nCopied;
}

// ---- strings in binary files -----------------------------------------------------------------------

bool tstring_save(tstring& str, FILE* fp) {
    if (!fp || str.size() > 0xFFFFFFFFu) return false;
    unsigned char hdr[4];
    PutLE32(hdr, static_cast<uint32_t>(str.size()));
    if (fwrite(hdr, 1, 4, fp) != 4) return false;
    return fwrite(str.data(), 1, str.size(), fp) == str.size();
}

bool tstring_load(tstring& str, FILE* fp) {
    str.clear();
    if (!fp) return false;
    unsigned char hdr[4];
    if (fread(hdr, 1, 4, fp) != 4) return false;
    const uint32_t nLen = GetLE32(hdr);
    // A length beyond what the file still holds is refused before anything is allocated.
    struct stat st;
    const off_t pos = ftello(fp);
    if (pos >= 0 && fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode)) {
        if (st.st_size < pos || static_cast<uint64_t>(nLen) > static_cast<uint64_t>(st.st_size - pos)) return false;
    }
    // Read in bounded pieces, so a stream whose size is unknown cannot force a large allocation.
    tstring out;
    char piece[16384];
    for (size_t left = nLen; left > 0;) {
        size_t r = fread(piece, 1, std::min(left, sizeof piece), fp);
        if (r == 0) return false;
        out.append(piece, r);
        left -= r;
    }
    str.swap(out);
    return true;
}

// ---- whole-file writes ---------------------------------------------------------------------------

bool gfn_bWriteFile(const char* lpszFilename, const tstring& sFileText) {
    return WriteWhole(lpszFilename, sFileText, "wb");
}

bool gfn_bAddFile(const char* lpszFilename, const tstring& sFileText) {
    return WriteWhole(lpszFilename, sFileText, "a+");
}

// ---- paths ---------------------------------------------------------------------------------------

char* GetFullFileName(char* sFullname, const char* sPath, const char* sFilename) {
    if (!sPath || !*sPath) return CopyOut(sFullname, NonNull(sFilename));
    return CopyOut(sFullname, tstring(sPath) + "/" + NonNull(sFilename));
}

char* GetAbsolutePath(const char* sPath, const char* sFile, char* sFilename) {
    return CopyOut(sFilename, tstring(NonNull(sPath)) + "/" + NonNull(sFile));
}

void GetPathFile(const char* sFullname, tstring& sPath, tstring& sFilename, tstring& sExtName) {
    const tstring s = NonNull(sFullname);
    const size_t sep = s.find_last_of("/\\");
    const size_t dot = s.rfind('.');
    const bool bExt = dot != tstring::npos && (sep == tstring::npos || dot > sep);
    sExtName = bExt ? s.substr(dot + 1) : tstring();
    const size_t nameStart = sep == tstring::npos ? 0 : sep + 1;
    const size_t nameEnd = bExt ? dot : s.size();
    sFilename = s.substr(nameStart, nameEnd - nameStart);
    if (sep == tstring::npos) {
        sPath = ".";
        return;
    }
    size_t end = sep;
    while (end > 0 && IsSep(s[end - 1])) --end;
    sPath = end > 0 ? s.substr(0, end) : s.substr(0, 1);  // the root keeps its separator
}

void GetRelevatePath(const char* sFilename, char* sPath, char* sFile) {
    const tstring s = NonNull(sFilename);
    const size_t sep = s.find_last_of("/\\");
    if (sep == tstring::npos) {
        CopyOut(sPath, CurrentDir());
        CopyOut(sFile, s);
        return;
    }
    CopyOut(sPath, s.substr(0, sep));
    CopyOut(sFile, s.substr(sep + 1));
}

char* GetFilename(const char* sFilename, char* sFile) {
    const tstring s = NonNull(sFilename);
    const size_t sep = s.find_last_of("/\\");
    tstring name = sep == tstring::npos ? s : s.substr(sep + 1);
    const size_t dot = name.find('.');
    if (dot != tstring::npos) name.erase(dot);
    return CopyOut(sFile, name);
}

tstring getFilePath(const char* sFilename) {
    const tstring s = NonNull(sFilename);
    const size_t sep = s.find_last_of("/\\");
    return sep == tstring::npos ? tstring() : s.substr(0, sep + 1);
}

const char* gfn_GetFilePath(const char* sDefaultPath, const char* sRelevantPath, tstring& sFilename) {
    const tstring base = NonNull(sDefaultPath), rel = NonNull(sRelevantPath);
    sFilename = base + rel;
    const size_t last = rel.find_last_of("/\\");
    if (last == tstring::npos) return sFilename.c_str();
    // Each directory named before the last separator, created by its full path below the base.
    tstring dir = base;
    size_t pos = 0;
    while (pos < last) {
        size_t next = rel.find_first_of("/\\", pos);
        if (next == tstring::npos || next > last) next = last;
        if (next > pos) {
            if (!dir.empty() && !IsSep(dir.back())) dir += '/';
            dir.append(rel, pos, next - pos);
            // An existing directory is fine; any other failure shows when the caller opens the file.
            mkdir(dir.c_str(), 0777);
        }
        pos = next + 1;
    }
    return sFilename.c_str();
}

bool IsExtIncluded(const char* sExtName, std::vector<tstring>& vecFilter) {
    if (!sExtName) return false;
    for (const tstring& f : vecFilter) {
        if (strncasecmp(sExtName, f.c_str(), f.size()) == 0) return true;
    }
    return false;
}

const char* GetFileContentById(const char* sId, const char* sPath, tstring& sContent) {
    const tstring id = NonNull(sId);
    tstring path = NonNull(sPath);
    if (!path.empty() && path.back() != '/') path += '/';
    if (id.empty() || id.find('/') != tstring::npos || id.find("..") != tstring::npos) {
        sContent.clear();
        ReportTwoLines("Read file by ID fail!", path + id);
        return nullptr;
    }
    size_t pos = 0;
    for (; id.size() - pos > 3; pos += 3) path += id.substr(pos, 3) + "/";
    path += id.substr(pos);
    if (ReadFile((path + ".txt").c_str(), sContent, 0, 0, true) > 0) return sContent.c_str();
    if (ReadFile((path + ".html").c_str(), sContent, 0, 0, true) > 0) return sContent.c_str();
    ReportTwoLines("Read file by ID fail!", path);
    return nullptr;
}

// ---- reading and buffers -----------------------------------------------------------------------------

int ReadNWord(FILE* pFile, int count, std::vector<tstring>& word_vec) {
    if (!pFile) return static_cast<int>(word_vec.size());
    char line[10240];
    int nTaken = 0;
    std::vector<tstring> tokens;
    while (nTaken < count && fgets(line, sizeof line, pFile)) {
        GetStrVector(line, "\t ", tokens);
        for (const tstring& t : tokens) {
            if (nTaken >= count) break;
            word_vec.push_back(t);
            ++nTaken;
        }
    }
    return static_cast<int>(word_vec.size());
}

int WriteBuf(char** pBuf, int& nBufSize, int& nBufMaxSize, int nVal, bool bNet) {
    if (!pBuf || nBufSize < 0) return nBufSize;
    if (!*pBuf || static_cast<long long>(nBufMaxSize) < static_cast<long long>(nBufSize) + 10) {
        const long long nNewSize = static_cast<long long>(nBufSize) + 1024;
        if (nNewSize > INT_MAX) return nBufSize;
        char* grown = static_cast<char*>(realloc(*pBuf, static_cast<size_t>(nNewSize)));
        if (!grown) return nBufSize;
        *pBuf = grown;
        nBufMaxSize = static_cast<int>(nNewSize);
    }
    const uint32_t v = bNet ? htonl(static_cast<uint32_t>(nVal)) : static_cast<uint32_t>(nVal);
    memcpy(*pBuf + nBufSize, &v, sizeof v);
    nBufSize += 4;
    return nBufSize;
}

int system_run(const char* sCmd, pthread_mutex_t x) {
    tstring text = tstring(NonNull(sCmd)) + " start!";
    SetLastErrorMessage(text);
    WriteLog(text, NULL, false);

    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    const tstring command = NonNull(sCmd);
    std::vector<char> cmd(command.begin(), command.end());
    cmd.push_back(0);
    char* argv[] = {sh, dashC, cmd.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, sh, nullptr, nullptr, argv, environ) != 0) {
        ReportError(tstring("error in fork!"), 0);
    } else {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    text += " End!";
    SetLastErrorMessage(text);
    WriteLog(text, NULL, false);
    return 1;
}
