// Error and log files, the log switch and the process-wide last-error text.
//
// Every failure is reported the same way: the failing operation stores its message as the last
// error, appends it as one time-stamped line to the day's error file ("YYYYMMDD.err") and returns
// its failure value. `ReportError` does all three in one call. Tolerated problems go to the day's
// log file ("YYYYMMDD.log") with `WriteLog(message, NULL, false)` and leave the last error alone.
// A later success never clears the last error.
//
// Locking: none of these functions takes `g_mutex`, and their private mutexes are never held while
// calling out, so they may be called from anywhere, `g_mutex` held or not. They must not be called
// from a static initialiser or destructor.
#pragma once

#include <stdio.h>
#include <time.h>

#include <atomic>
#include <utility>
#include <vector>

#include "Utility/Types.h"

// When false, WriteLog and WriteError write nothing (errors included). Starts true; engine start-up
// clears it when the configuration item Log is "off". Relaxed atomic: a switch, not a barrier.
extern std::atomic<bool> g_bLog;

// Appends "[YYYY-MM-DD HH:MM:SS]\t" + sContent + "\n" to the day's file: "YYYYMMDD.err" when bError
// is set, else "YYYYMMDD.log". The file lies in sFilePath (a '/' is added unless it ends in '/' or
// '\\'); with NULL or "" it lies in the folder of SetLogPath or else of SetConfiguredLogPath, or else
// in the working directory found at the first such write, which is kept from then on. The message is written byte for byte (a line break in it continues the line on
// the next line of the file). Each line is formatted whole and written with one write, so lines of
// concurrent writers never interleave. When the file cannot be written the line goes to standard
// output (or the stream of SetLogFallback) as "[time] message\n" followed by
// "Cannot write log file <name>!\r\n". SetLogPath may move or drop default writes. Never fails, never
// throws on an unwritable file. Thread-safe.
void WriteLog(const tstring& sContent, const char* sFilePath = NULL, bool bError = false);

// WriteLog(sContent, sFilePath, true).
void WriteError(const tstring& sContent, const char* sFilePath = NULL);

// Chooses where the default writes (those given no folder) go, in place of the working directory,
// for a program that must not leave log files where it is run; call it before engine start-up,
// which writes its first lines before it reads Configure.xml. With a folder name: the day's files
// lie in that folder (kept as its absolute path); false, changing nothing, when it is not a folder
// in which a file can be created. With NULL: default writes are dropped, neither written to a file
// nor printed; true. Writes given a folder of their own are not affected. Thread-safe.
bool SetLogPath(const char* sDir);

// Chooses the folder of default writes from the engine's configuration (the item LogPath), for an
// application that cannot call SetLogPath: the day's files lie in that folder (kept as its
// absolute path), unless the program chose with SetLogPath, which comes first. False, changing
// nothing, when it is not a folder in which a file can be created. NULL or "" forgets the
// configured folder: default writes go to the working directory again. Thread-safe.
bool SetConfiguredLogPath(const char* sDir);

// The stream that takes a line no log file could take (see WriteLog): standard output unless a
// program that writes its results there names another (standard error); NULL restores standard
// output. The stream is not owned. Thread-safe.
void SetLogFallback(FILE* fp);

// Writes "[time] message\n" to fp whatever g_bLog says; with a NULL fp prints that line to standard
// output (or the stream of SetLogFallback) followed by "Cannot write log file!\r".
void WriteLog(FILE* fp, const tstring& sContent);

// ---- last error ----------------------------------------------------------------------------
// The process-wide last-error text, guarded by a private mutex. Thread-safe.

// A message: the system's own text, in GBK, with texts a caller gave (paths, file names) inserted
// as they were given, in whatever encoding that was. Handed to a caller, the message is put in the
// caller's encoding by converting the own text only, so a caller's path comes back intact.
// A plain text (tstring or literal) converts to a message of own text.
class CErrorText {
public:
    CErrorText() = default;
    CErrorText(const char* sOwn) : m_sText(sOwn ? sOwn : "") {}
    CErrorText(const tstring& sOwn) : m_sText(sOwn) {}
    // A text the caller gave, to be handed back as it stands.
    static CErrorText Given(const tstring& sGiven);
    CErrorText& operator+=(const CErrorText& other);
    // The message's bytes: own text and given texts as they stand (what the error file gets).
    const tstring& Text() const { return m_sText; }
    // The message for a caller: each run of own text passed through pfnOwn (a conversion from
    // GBK), the given texts unchanged.
    tstring ForCaller(tstring (*pfnOwn)(const tstring&)) const;

private:
    tstring m_sText;
    std::vector<std::pair<size_t, size_t>> m_vecGiven;  // [start, end) of each given text, in order
};
CErrorText operator+(CErrorText a, const CErrorText& b);

// Replaces the last error with sMessage.
void SetLastErrorMessage(const CErrorText& sMessage);
// Appends sMessage to the last error and returns a copy of the whole resulting text, so that the
// caller can write exactly that text with WriteError without reading the last error back.
tstring AppendLastErrorMessage(const CErrorText& sMessage);
// A copy of the last error's text ("" when none has been set).
tstring CopyLastErrorMessage();
// A copy of the last error with its given texts marked.
CErrorText CopyLastError();

// The reporting helper every failing operation uses: sets the last error to sMessage, writes the
// same text with WriteError (to the default log directory) and returns failValue, so a failure
// reads `return ReportError("Cannot open file " + path, false);`. For a null pointer result
// name the type: `ReportError<char*>(msg, NULL)`.
template <typename T>
inline T ReportError(const CErrorText& sMessage, T failValue) {
    SetLastErrorMessage(sMessage);
    WriteError(sMessage.Text(), NULL);
    return failValue;
}

// The same for a tolerated problem: sets the last error to sMessage and writes it to the day's
// log file (not the error file).
inline void ReportTolerated(const CErrorText& sMessage) {
    SetLastErrorMessage(sMessage);
    WriteLog(sMessage.Text(), NULL, false);
}

// ---- test hooks ----------------------------------------------------------------------------
// Only tests call these.

// Forgets the remembered log directory (and a SetLogPath or configured choice), so the next
// default write reads the working directory.
void LogTestResetPath();
// The remembered log directory ("" before the first default write).
tstring LogTestGetPath();
// Replaces the clock that dates log lines; NULL restores time(NULL).
void LogTestSetClock(time_t (*pfnNow)());
