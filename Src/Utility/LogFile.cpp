#include "Utility/LogFile.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

std::atomic<bool> g_bLog(true);

namespace {

// The mutexes are constant-initialised and the strings are created on first use and never
// destroyed, so a log line or an error from any point of the process lifetime finds them intact.
std::mutex s_lastErrorMutex;
std::mutex s_logPathMutex;

CErrorText& LastErrorText() {
    static CErrorText* s_pText = new CErrorText;  // g_sLastErrorMessage
    return *s_pText;
}

tstring& LogPathText() {
    static tstring* s_pPath = new tstring;  // g_sLogPath
    return *s_pPath;
}

// SetLogPath(NULL): default writes are dropped. Guarded by s_logPathMutex with the path.
bool s_bDropDefault = false;
// SetLogPath was called: its choice (LogPathText or dropping) comes before the configured folder.
bool s_bProgramChose = false;

tstring& ConfiguredPathText() {
    static tstring* s_pPath = new tstring;  // the folder of SetConfiguredLogPath, "" none
    return *s_pPath;
}

// SetLogFallback: the stream of lines no file could take; null means standard output.
std::atomic<FILE*> s_pFallback(nullptr);

std::atomic<time_t (*)()> s_pfnClock(nullptr);

time_t Now() {
    time_t (*pfn)() = s_pfnClock.load(std::memory_order_acquire);
    return pfn ? pfn() : time(NULL);
}

void LocalTime(time_t t, struct tm* ptm) {
    static std::once_flag s_tzOnce;
    std::call_once(s_tzOnce, [] { tzset(); });
    if (!localtime_r(&t, ptm)) memset(ptm, 0, sizeof(*ptm));
}

tstring FormatTime(const struct tm& tmNow, const char* sFormat) {
    char sBuf[64];
    size_t n = strftime(sBuf, sizeof(sBuf), sFormat, &tmNow);
    return tstring(sBuf, n);
}

// The log directory of default writes: the folder of SetLogPath, else the configured folder, else
// the working directory at the first write that needs it. Returns "" while the working directory
// cannot be read (and tries again next time). bDrop is set when SetLogPath(NULL) dropped default
// writes.
tstring DefaultLogDir(bool& bDrop) {
    std::lock_guard<std::mutex> lock(s_logPathMutex);
    bDrop = s_bDropDefault;
    if (!s_bProgramChose && !ConfiguredPathText().empty()) return ConfiguredPathText();
    tstring& sPath = LogPathText();
    if (sPath.empty()) {
        char* pCwd = getcwd(nullptr, 0);
        if (pCwd) {
            sPath = pCwd;
            free(pCwd);
        }
    }
    return sPath;
}

void WriteFallback(const tstring& sText) {
    FILE* fp = s_pFallback.load(std::memory_order_acquire);
    if (!fp) fp = stdout;
    fwrite(sText.data(), 1, sText.size(), fp);
    fflush(fp);
}

// True when a file can be created in the folder sDir (tried, so that a read-only file system or
// a folder such as /proc is refused even for root).
bool CanCreateFileIn(const tstring& sDir) {
    struct stat st;
    if (stat(sDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    tstring sProbe = sDir + "/.kovex-log-XXXXXX";
    int fd = mkstemp(&sProbe[0]);
    if (fd < 0) return false;
    close(fd);
    unlink(sProbe.c_str());
    return true;
}

// The absolute form of sDir when it is a folder in which a file can be created; false otherwise.
bool UsableLogDir(const char* sDir, tstring& sReal) {
    char* pReal = *sDir ? realpath(sDir, nullptr) : nullptr;
    if (!pReal) return false;
    sReal = pReal;
    free(pReal);
    return CanCreateFileIn(sReal);
}

}  // namespace

void WriteLog(const tstring& sContent, const char* sFilePath, bool bError) {
    if (!g_bLog.load(std::memory_order_relaxed)) return;

    struct tm tmNow;
    LocalTime(Now(), &tmNow);  // one clock reading dates the file and times the line
    tstring sTime = FormatTime(tmNow, "%Y-%m-%d %H:%M:%S");

    tstring sDir;
    if (sFilePath && *sFilePath) {
        sDir = sFilePath;
        char cLast = sDir.back();
        if (cLast != '/' && cLast != '\\') sDir += '/';
    } else {
        bool bDrop = false;
        sDir = DefaultLogDir(bDrop);
        if (bDrop) return;
        if (!sDir.empty() && sDir.back() != '/') sDir += '/';
    }
    bool bKnownDir = !sDir.empty();
    tstring sFile = sDir + FormatTime(tmNow, "%Y%m%d") + (bError ? ".err" : ".log");

    if (bKnownDir) {
        tstring sLine;
        sLine.reserve(sTime.size() + sContent.size() + 4);
        sLine += '[';
        sLine += sTime;
        sLine += "]\t";
        sLine += sContent;
        sLine += '\n';
        FILE* fp = fopen(sFile.c_str(), "ab");
        if (fp) {
            bool bOk = fwrite(sLine.data(), 1, sLine.size(), fp) == sLine.size();
            bOk = (fclose(fp) == 0) && bOk;
            if (bOk) return;
        }
    }
    WriteFallback("[" + sTime + "] " + sContent + "\n" + "Cannot write log file " + sFile + "!\r\n");
}

void WriteError(const tstring& sContent, const char* sFilePath) { WriteLog(sContent, sFilePath, true); }

void WriteLog(FILE* fp, const tstring& sContent) {
    struct tm tmNow;
    LocalTime(Now(), &tmNow);
    tstring sLine = "[" + FormatTime(tmNow, "%Y-%m-%d %H:%M:%S") + "] " + sContent + "\n";
    if (fp) {
        fwrite(sLine.data(), 1, sLine.size(), fp);
        return;
    }
    WriteFallback(sLine + "Cannot write log file!\r");
}

bool SetLogPath(const char* sDir) {
    if (!sDir) {
        std::lock_guard<std::mutex> lock(s_logPathMutex);
        LogPathText().clear();
        s_bDropDefault = true;
        s_bProgramChose = true;
        return true;
    }
    tstring sReal;
    if (!UsableLogDir(sDir, sReal)) return false;
    std::lock_guard<std::mutex> lock(s_logPathMutex);
    LogPathText() = sReal;
    s_bDropDefault = false;
    s_bProgramChose = true;
    return true;
}

bool SetConfiguredLogPath(const char* sDir) {
    tstring sReal;
    if (sDir && *sDir && !UsableLogDir(sDir, sReal)) return false;
    std::lock_guard<std::mutex> lock(s_logPathMutex);
    ConfiguredPathText() = sReal;
    return true;
}

void SetLogFallback(FILE* fp) { s_pFallback.store(fp, std::memory_order_release); }

CErrorText CErrorText::Given(const tstring& sGiven) {
    CErrorText text(sGiven);
    if (!sGiven.empty()) text.m_vecGiven.emplace_back(0, sGiven.size());
    return text;
}

CErrorText& CErrorText::operator+=(const CErrorText& other) {
    const size_t nShift = m_sText.size();
    m_sText += other.m_sText;
    for (const auto& span : other.m_vecGiven) m_vecGiven.emplace_back(span.first + nShift, span.second + nShift);
    return *this;
}

CErrorText operator+(CErrorText a, const CErrorText& b) { return a += b; }

tstring CErrorText::ForCaller(tstring (*pfnOwn)(const tstring&)) const {
    tstring sOut;
    size_t nPos = 0;
    for (const auto& span : m_vecGiven) {
        if (span.first > nPos) sOut += pfnOwn(m_sText.substr(nPos, span.first - nPos));
        sOut.append(m_sText, span.first, span.second - span.first);
        nPos = span.second;
    }
    if (nPos < m_sText.size()) sOut += pfnOwn(m_sText.substr(nPos));
    return sOut;
}

void SetLastErrorMessage(const CErrorText& sMessage) {
    std::lock_guard<std::mutex> lock(s_lastErrorMutex);
    LastErrorText() = sMessage;
}

tstring AppendLastErrorMessage(const CErrorText& sMessage) {
    std::lock_guard<std::mutex> lock(s_lastErrorMutex);
    CErrorText& text = LastErrorText();
    text += sMessage;
    return text.Text();
}

tstring CopyLastErrorMessage() {
    std::lock_guard<std::mutex> lock(s_lastErrorMutex);
    return LastErrorText().Text();
}

CErrorText CopyLastError() {
    std::lock_guard<std::mutex> lock(s_lastErrorMutex);
    return LastErrorText();
}

void LogTestResetPath() {
    std::lock_guard<std::mutex> lock(s_logPathMutex);
    LogPathText().clear();
    ConfiguredPathText().clear();
    s_bDropDefault = false;
    s_bProgramChose = false;
}

tstring LogTestGetPath() {
    std::lock_guard<std::mutex> lock(s_logPathMutex);
    return LogPathText();
}

void LogTestSetClock(time_t (*pfnNow)()) { s_pfnClock.store(pfnNow, std::memory_order_release); }
