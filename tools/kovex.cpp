// kovex: segments and tags text with the engine, one paragraph per input line.
//
//   kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--log DIR] [--stats] [--] [FILE...]
//
// Starts the engine on DIR (the folder holding Data; by default the engine's data directory found
// beside the executable, else under the install prefix), then streams the files (or standard
// input): a reader cuts the input into blocks of lines, N worker threads process the lines of the
// oldest blocks through the engine's instance pool, and a writer writes each finished block to
// standard output, so results come in input order and memory stays bounded by the blocks in
// flight. With -k the whole input is one document instead, and its keywords, new words and a
// short summary are written, one line each. Every failure is one line on standard error and a
// non-zero exit status, also when memory runs short or the engine fails on a line (the results of
// the lines before it are written); the engine's log lines go to the --log folder or nowhere,
// never to standard output.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "kovex_long.h"
#include "Utility/GBKChar.h"
#include "Utility/LexiconGlobals.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"

#ifndef KX_INSTALL_ENGINE_DIR
#define KX_INSTALL_ENGINE_DIR "/usr/local/share/kovex/engine"
#endif

namespace {

const char kUsage[] =
    "usage: kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--log DIR] [--stats] [--] [FILE...]\n"
    "Segments and tags text, one paragraph per line, and writes one result line per input line,\n"
    "in input order. The input is read, processed and written in blocks of lines, and a line longer\n"
    "than 1 MB in pieces that end at sentence ends (its result is that of the line whole), so\n"
    "memory stays near 80 MB whatever the lines' length (more only for a line that cannot be cut:\n"
    "an English line of one token, a Chinese one whose every sentence ends in ASCII punctuation).\n"
    "  -d DIR     folder that holds the data directory Data (default: the engine's data, found\n"
    "             beside this program: ../share/kovex/engine once installed, ../engine in a build);\n"
    "             the sentiment library's data (share/kovex) tags its lexicon words with weights\n"
    "  -e CODE    encoding of the text: 1 UTF-8 (default), 2-4 other converter sets, 0 or 5 GBK,\n"
    "             -1 detect each text (results in UTF-8); under 1 and 4 the first line that is\n"
    "             not valid UTF-8 gets a warning on standard error\n"
    "  -j N       number of worker threads (default 1)\n"
    "  -t 0|1     0 turns tagging off (default 1)\n"
    "  -k         the whole input is one document: write its keywords, new words and a short\n"
    "             summary (reads all of the input into memory first and holds it, its words and\n"
    "             their statistics, some 35 times its size; -j does not apply)\n"
    "  --log DIR  write the engine's day log and error files (YYYYMMDD.log/.err) in DIR, which\n"
    "             must be writable (default: no log files)\n"
    "  --stats    summary on standard error: start-up, processing time and speed, peak memory\n"
    "  -h, --help this text\n"
    "  --         the arguments after it are files, even when they begin with -\n"
    "FILE - or no FILE reads standard input; a pipe or FIFO reads like a file. A line ends at a line\n"
    "feed (a carriage return before it is dropped); a NUL byte is read as a blank, in every mode.\n"
    "Errors are one line on standard error and exit status 1 (2 for a wrong command line): a file\n"
    "that cannot be read (memory running short included), a line the engine fails on, a write\n"
    "error. The results of the lines before the failing one are written.\n";

// Lines per block and the bytes after which a block is closed early; blocks in flight per worker.
const size_t kBlockLines = 1024;
const size_t kBlockBytes = 256 * 1024;
const size_t kBlocksPerWorker = 3;
// Lines a worker claims at once.
const size_t kChunk = 8;
// A line longer than this (bytes as read) is read, processed and written in pieces.
const size_t kLongLineBytes = size_t(1) << 20;
// Bytes read from a file at once.
const size_t kReadBytes = 64 * 1024;

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// A field of /proc/self/status in MB (0 when unknown): VmRSS now, VmHWM the peak.
double StatusMB(const char* sField) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(sField);
    while (std::getline(in, line)) {
        if (line.compare(0, n, sField) == 0) return std::atof(line.c_str() + n) / 1024.0;
    }
    return 0;
}

bool ParseInt(const char* s, int& n) {
    if (!s || !*s) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (*end || errno || v < -1000000 || v > 1000000) return false;
    n = int(v);
    return true;
}

// One line on standard error; line breaks inside the message become blanks.
int Fail(std::string sMessage, int nStatus = 1) {
    std::replace(sMessage.begin(), sMessage.end(), '\n', ' ');
    std::replace(sMessage.begin(), sMessage.end(), '\r', ' ');
    std::fprintf(stderr, "kovex: %s\n", sMessage.c_str());
    return nStatus;
}

bool IsFolder(const std::string& sPath) {
    struct stat st;
    return stat(sPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder holding the engine's data directory when -d is not given: beside the executable (an
// installed PREFIX/bin/kovex finds PREFIX/share/kovex/engine, build/bin/kovex finds build/engine),
// else the install prefix compiled in.
std::string DefaultDataFolder() {
    std::vector<char> exe(4096);
    ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    if (n > 0) {
        std::string sBin(exe.data(), size_t(n));
        sBin.erase(sBin.rfind('/') + 1);
        for (const char* rel : {"../share/kovex/engine", "../engine"}) {
            const std::string sDir = sBin + rel;
            if (!IsFolder(sDir + "/Data")) continue;
            char* pReal = realpath(sDir.c_str(), nullptr);
            const std::string sReal = pReal ? pReal : sDir;
            std::free(pReal);
            return sReal;
        }
    }
    return KX_INSTALL_ENGINE_DIR;
}

// The cause of the exception being handled, as text: running out of memory reads as
// strerror(ENOMEM), anything else as its what(). Call only inside a catch block. Never throws.
const char* CurrentCause() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return std::strerror(ENOMEM);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

// Well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF) as an automaton
// whose step is one table load and one shift per byte, so that checking every line costs next to
// nothing beside the engine. States: 0 between characters, 1 rejected (absorbing), 2-4 that many
// continuation bytes (80-BF) still due, 5 after E0 (A0-BF due), 6 after ED (80-9F due), 7 after F0
// (90-BF due), 8 after F4 (80-8F due). The entry of a byte holds, for each state s, the next
// state (times 6) in bits 6s to 6s+5.
struct UTF8Automaton {
    enum { kAccept = 0, kReject = 1, kStates = 9 };
    uint64_t step[256] = {};

    static constexpr int Next(int s, int b) {
        const bool bCont = b >= 0x80 && b <= 0xBF;
        switch (s) {
            case kAccept:
                return b < 0x80 ? kAccept : b < 0xC2 ? kReject : b < 0xE0 ? 2 : b == 0xE0 ? 5 : b == 0xED ? 6
                     : b < 0xF0 ? 3 : b == 0xF0 ? 7 : b < 0xF4 ? 4 : b == 0xF4 ? 8 : kReject;
            case 2: return bCont ? kAccept : kReject;
            case 3: return bCont ? 2 : kReject;
            case 4: return bCont ? 3 : kReject;
            case 5: return b >= 0xA0 && b <= 0xBF ? 2 : kReject;
            case 6: return b >= 0x80 && b <= 0x9F ? 2 : kReject;
            case 7: return b >= 0x90 && b <= 0xBF ? 3 : kReject;
            case 8: return b >= 0x80 && b <= 0x8F ? 3 : kReject;
            default: return kReject;
        }
    }
    constexpr UTF8Automaton() {
        for (int b = 0; b < 256; ++b)
            for (int s = 0; s < kStates; ++s) step[b] |= uint64_t(6 * Next(s, b)) << (6 * s);
    }
};
constexpr UTF8Automaton kUTF8{};


// The input: the named files in turn, or standard input; "-" is standard input. Each file is
// opened once, when its turn comes, so a pipe or FIFO named on the command line reads like a file.
// Lines are numbered from 0 across all files; Where() names one as a line of its file. Used by one
// thread at a time.
class Input {
public:
    enum Got { kLine, kEnd, kError, kLongLine };

    explicit Input(std::vector<std::string> vecFiles) : m_vecFiles(std::move(vecFiles)) {
        if (m_vecFiles.empty()) m_vecFiles.push_back("-");
    }
    ~Input() { Close(); }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Checks, without opening them, that the files exist, are readable and are no folders; false
    // with the message.
    bool Check(std::string& sError) const {
        for (const std::string& f : m_vecFiles) {
            if (f == "-") continue;
            struct stat st;
            if (stat(f.c_str(), &st) != 0 || (!S_ISDIR(st.st_mode) && access(f.c_str(), R_OK) != 0)) {
                sError = "cannot open " + f + ": " + std::strerror(errno);
                return false;
            }
            if (S_ISDIR(st.st_mode)) {
                sError = "cannot read " + f + ": it is a folder";
                return false;
            }
        }
        return true;
    }
    // Reads the next line into sLine (without its line feed; a carriage return before it dropped,
    // NUL bytes read as blanks). kEnd at the end of the input; kError when a file cannot be opened
    // or read (Error() says why; the end of a file is told from a failure by feof). A line longer
    // than kLongLineBytes is not read whole: kLongLine gives its first kLongLineBytes bytes or
    // more, and GetMore the rest. May throw std::bad_alloc; the line read is then lost.
    Got GetLine(std::string& sLine) {
        sLine.clear();
        m_nUTF8 = 0;
        for (;;) {
            if (!m_fp) {
                if (m_nFile >= m_vecFiles.size()) return kEnd;
                if (!Open()) return kError;
            }
            m_nCurLine = m_nLines;
            const Got got = ReadPart(sLine, kLongLineBytes);
            if (got == kEnd) {  // the end of this file, nothing read: the next file
                Close();
                ++m_nFile;
                continue;
            }
            if (got == kError) return kError;
            ++m_nLines;
            return m_bInLine ? kLongLine : kLine;
        }
    }
    // After kLongLine: the next bytes of that line into sPart (replacing what it held), about
    // nBytes of them; false with an empty sPart once the line has ended (its line feed, or the
    // end of its file, read). kError as GetLine. May throw std::bad_alloc.
    Got GetMore(std::string& sPart, size_t nBytes) {
        sPart.clear();
        if (!m_bInLine) return kEnd;
        const Got got = ReadPart(sPart, nBytes);
        if (got == kError) return kError;
        return sPart.empty() && !m_bInLine ? kEnd : kLine;
    }
    // From now on, warns once (on standard error) about the first line that is not valid UTF-8.
    void CheckUTF8() { m_bCheckUTF8 = true; }
    // The message of the last kError.
    const std::string& Error() const { return m_sError; }
    // "line N of FILE" (or "of standard input") for line nLine of the input (numbered from 0), in a
    // file opened already.
    std::string Where(size_t nLine) const {
        size_t nFile = m_nFile, nFirst = m_nLines;
        for (auto it = m_vecStarts.rbegin(); it != m_vecStarts.rend(); ++it) {
            if (it->first <= nLine) {
                nFirst = it->first;
                nFile = it->second;
                break;
            }
        }
        if (nLine < nFirst) nFirst = nLine;
        const std::string& f = m_vecFiles[std::min(nFile, m_vecFiles.size() - 1)];
        return "line " + std::to_string(nLine - nFirst + 1) + " of " + (f == "-" ? "standard input" : f);
    }
    size_t Lines() const { return m_nLines; }
    size_t Bytes() const { return m_nBytes; }

private:
    // Opens the current file; false with the message when it cannot be opened or is a folder.
    bool Open() {
        const std::string& f = m_vecFiles[m_nFile];
        if (f == "-") {
            m_fp = stdin;
        } else if (!(m_fp = std::fopen(f.c_str(), "rb"))) {
            m_sError = "cannot open " + f + ": " + std::strerror(errno);
            return false;
        } else {
            struct stat st;
            if (fstat(fileno(m_fp), &st) == 0 && S_ISDIR(st.st_mode)) {
                Close();
                m_sError = "cannot read " + f + ": it is a folder";
                return false;
            }
        }
        m_vecStarts.emplace_back(m_nLines, m_nFile);
        return true;
    }
    void Close() {
        if (m_fp && m_fp != stdin) std::fclose(m_fp);
        m_fp = nullptr;
        m_nPos = m_nEnd = 0;
    }
    // Appends to sOut the current line's bytes up to its line feed, or about nMax bytes of it
    // (m_bInLine then stays true). kEnd when the file ended before any byte of a new line.
    Got ReadPart(std::string& sOut, size_t nMax) {
        const size_t nFrom = sOut.size();
        bool bAny = m_bInLine;
        for (;;) {
            if (m_nPos == m_nEnd) {
                if (m_vecBuf.empty()) m_vecBuf.resize(kReadBytes);
                errno = 0;
                const size_t got = std::fread(m_vecBuf.data(), 1, m_vecBuf.size(), m_fp);
                if (got == 0) {
                    if (std::ferror(m_fp) || !std::feof(m_fp)) {
                        const int nErr = errno;
                        m_sError = "cannot read " + Where(m_nCurLine) + ": " + std::strerror(nErr ? nErr : EIO);
                        return kError;
                    }
                    // The end of the file ends the line, if any was begun.
                    std::clearerr(m_fp);
                    m_bInLine = false;
                    if (!bAny) return kEnd;
                    break;
                }
                m_nPos = 0;
                m_nEnd = got;
            }
            bAny = true;
            const char* p = m_vecBuf.data() + m_nPos;
            const size_t nAvail = m_nEnd - m_nPos;
            const char* pLF = static_cast<const char*>(std::memchr(p, '\n', nAvail));
            const size_t nTake = pLF ? size_t(pLF - p) : nAvail;
            sOut.append(p, nTake);
            m_nPos += nTake + (pLF ? 1 : 0);
            m_nBytes += nTake + (pLF ? 1 : 0);
            if (pLF) {
                m_bInLine = false;
                break;
            }
            if (sOut.size() - nFrom >= nMax) {
                m_bInLine = true;
                break;
            }
        }
        // A carriage return before the line feed is dropped; one at the end of a part waits for
        // the next part, which tells whether the line ends after it.
        if (!m_bInLine) {
            if (m_bHeldCR) sOut.insert(nFrom, 1, '\r');
            m_bHeldCR = false;
            if (sOut.size() > nFrom && sOut.back() == '\r') sOut.pop_back();
        } else {
            if (m_bHeldCR) sOut.insert(nFrom, 1, '\r');
            m_bHeldCR = sOut.size() > nFrom && sOut.back() == '\r';
            if (m_bHeldCR) sOut.pop_back();
        }
        char* const pPart = &sOut[0] + nFrom;
        const size_t nPart = sOut.size() - nFrom;
        if (std::memchr(pPart, 0, nPart)) std::replace(pPart, pPart + nPart, '\0', ' ');
        if (m_bCheckUTF8) {
            unsigned state = m_nUTF8;
            for (size_t i = 0; i < nPart; ++i) state = unsigned(kUTF8.step[static_cast<unsigned char>(pPart[i])] >> state) & 63;
            m_nUTF8 = state;
            // A line is checked whole: a character cut at a part's end goes on in the next part.
            if (state == 6 * UTF8Automaton::kReject || (!m_bInLine && state != 6 * UTF8Automaton::kAccept)) {
                m_bCheckUTF8 = false;
                std::fprintf(stderr,
                             "kovex: warning: %s is not valid UTF-8; read GBK text with -e 0, or detect the "
                             "encoding of each line with -e -1\n",
                             Where(m_nCurLine).c_str());
            }
        }
        return kLine;
    }

    std::vector<std::string> m_vecFiles;
    bool m_bCheckUTF8 = false;
    size_t m_nFile = 0;
    FILE* m_fp = nullptr;
    std::vector<char> m_vecBuf;  // bytes read from the file, m_nPos to m_nEnd not yet taken
    size_t m_nPos = 0, m_nEnd = 0;
    bool m_bInLine = false;   // a line was given in part (kLongLine) and goes on
    bool m_bHeldCR = false;   // a CR that ended the last part, not yet given
    size_t m_nCurLine = 0;    // the number of the line being read
    unsigned m_nUTF8 = 0;     // the UTF-8 check's state (times 6) within the current line
    size_t m_nLines = 0, m_nBytes = 0;
    std::string m_sError;
    // (number of the first line, index in m_vecFiles) of each file opened, in order.
    std::vector<std::pair<size_t, size_t>> m_vecStarts;
};

// Writes to standard output; false on a short write.
bool WriteOut(const std::string& s) { return std::fwrite(s.data(), 1, s.size(), stdout) == s.size(); }

std::string WriteError() { return std::string("cannot write the results: ") + std::strerror(errno); }

// The result of one line on a pooled engine instance, into sResult. False when the engine fails on
// it (no instance can be built, or the instance gives no result; its error file says why), which
// KOVEX_ParagraphProcessStr would not tell from an empty result. May throw std::bad_alloc.
bool ProcessLine(const std::string& sLine, int nTag, std::string& sResult) {
    CPoolClaim claim;
    if (!claim.get()) return false;
    const char* p = claim.get()->ParagraphProcess(sLine.c_str(), nTag);
    if (!p) return false;
    sResult.assign(p);
    return true;
}

// The line-mode pipeline: reader (the calling thread), workers and one writer, all sharing the
// queue of blocks under one mutex. A failure in any of them (a line that cannot be read, a line
// the engine fails on, an exception, a write error) is recorded with the number of its line; the
// first in input order is kept, the lines before it are still processed and written, and nothing
// after it is.
class Pipeline {
public:
    Pipeline(Input& input, int nWorkers, int nTag, std::string sLogDir)
        : m_input(input),
          m_nWorkers(size_t(nWorkers)),
          m_nTag(nTag),
          m_nMaxBlocks(kBlocksPerWorker * size_t(nWorkers) + 1),
          m_sLogDir(std::move(sLogDir)) {}

    // Runs the whole input; false after a failure, which Error() then describes.
    bool Run() {
        std::vector<std::thread> vecThreads;
        try {
            vecThreads.reserve(m_nWorkers + 1);
            for (size_t i = 0; i < m_nWorkers; ++i) vecThreads.emplace_back([this] { Work(); });
            vecThreads.emplace_back([this] { Write(); });
        } catch (...) {
            Fail(kStart, 0, CurrentCause());
            Stop();
            for (std::thread& t : vecThreads) t.join();
            return false;
        }
        Read();
        for (std::thread& t : vecThreads) t.join();
        return m_kind == kNone;
    }
    // The failure of the last Run, as one line.
    std::string Error() const {
        const std::string sCause = m_sCause;
        switch (m_kind) {
            case kNone:
                return std::string();
            case kStart:
                return "cannot start the threads: " + sCause;
            case kRead:
                return sCause.empty() ? m_input.Error() : "cannot read " + m_input.Where(m_nFail) + ": " + sCause;
            case kProcess:
                if (!sCause.empty()) return "cannot process " + m_input.Where(m_nFail) + ": " + sCause;
                return "cannot process " + m_input.Where(m_nFail) + ": the engine failed on it (" +
                       (m_sLogDir.empty() ? std::string("--log DIR keeps its error file")
                                          : "its error file in " + m_sLogDir + " says why") +
                       ")";
            case kWrite:
                return "cannot write the results: " + sCause;
        }
        return std::string();
    }

private:
    enum Kind { kNone, kStart, kRead, kProcess, kWrite };
    struct Block {
        size_t nFirst = 0;  // number of its first line in the input
        std::vector<std::string> vecLines, vecResults;
        size_t nClaimed = 0, nDone = 0;  // under m_mutex
    };

    // Records a failure at line nLine with its cause (null: Input::Error() or the engine's failure),
    // unless one at an earlier line is recorded. Write failures come first: the output is cut.
    void Fail(Kind kind, size_t nLine, const char* sCause) noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (kind == kWrite) nLine = 0;
        if (m_kind != kNone && nLine >= m_nFail) return;
        m_kind = kind;
        m_nFail = nLine;
        std::snprintf(m_sCause, sizeof m_sCause, "%s", sCause ? sCause : "");
        m_cv.notify_all();
    }
    // Ends every thread without waiting for the rest of the input.
    void Stop() noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
        m_cv.notify_all();
    }

    void Read() {
        std::string sLine;
        size_t nNext = 0;  // number of the next line
        try {
            for (bool bMore = true; bMore;) {
                auto block = std::make_unique<Block>();
                block->nFirst = nNext;
                size_t nBytes = 0;
                bool bLong = false;  // the block ends before a long line, in sLine
                try {
                    while (block->vecLines.size() < kBlockLines && nBytes < kBlockBytes) {
                        if (m_nFail <= nNext) {  // a line before this one failed
                            bMore = false;
                            break;
                        }
                        const Input::Got got = m_input.GetLine(sLine);
                        if (got == Input::kLongLine) {
                            bLong = true;
                            break;
                        }
                        if (got != Input::kLine) {
                            if (got == Input::kError) Fail(kRead, nNext, nullptr);
                            bMore = false;
                            break;
                        }
                        nBytes += sLine.size();
                        block->vecResults.emplace_back();
                        block->vecLines.push_back(std::move(sLine));
                        ++nNext;
                    }
                } catch (...) {
                    block->vecResults.resize(block->vecLines.size());
                    Fail(kRead, nNext, CurrentCause());
                    bMore = false;
                }
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [this] { return m_bStop || m_blocks.size() < m_nMaxBlocks; });
                if (m_bStop) break;
                if (!block->vecLines.empty()) m_blocks.push_back(std::move(block));
                m_cv.notify_all();
                if (bLong) {
                    // A long line is processed here once every line before it is written, and
                    // written piece by piece as it comes.
                    m_cv.wait(lock, [&] { return m_bStop || m_nWritten >= nNext || m_nFail <= nNext; });
                    if (m_bStop || m_nFail <= nNext) break;
                    lock.unlock();
                    if (!RunLongLine(sLine, nNext)) break;
                    lock.lock();
                    m_nWritten = ++nNext;
                }
            }
        } catch (...) {
            Fail(kRead, nNext, CurrentCause());
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bEnd = true;
        m_cv.notify_all();
    }

    // Line nLine, read in part into sFirst (Input::kLongLine), processed and written through one
    // claimed instance; false after a failure, which is recorded.
    bool RunLongLine(std::string& sFirst, size_t nLine) {
        struct ReadFailed {};
        try {
            CPoolClaim claim;
            CMainSystem* pSys = claim.get() ? claim.get()->GetSystem() : nullptr;
            if (!pSys) {
                Fail(kProcess, nLine, nullptr);
                return false;
            }
            kovexlong::GBKStream gbk(std::move(sFirst), [this](std::string& sPart) {
                const Input::Got got = m_input.GetMore(sPart, kLongLineBytes);
                if (got == Input::kError) throw ReadFailed();
                return got == Input::kLine;
            });
            kovexlong::LongLine line(*pSys, m_nTag, gbk,
                          [](const char* p, size_t n) { return std::fwrite(p, 1, n, stdout) == n; });
            const kovexlong::LongLine::Status st = line.Run();
            if (st == kovexlong::LongLine::kEngine) {
                Fail(kProcess, nLine, nullptr);
                return false;
            }
            if (st == kovexlong::LongLine::kWrite || std::fputc('\n', stdout) == EOF) {
                Fail(kWrite, 0, std::strerror(errno));
                Stop();
                return false;
            }
            return true;
        } catch (const ReadFailed&) {
            Fail(kRead, nLine, nullptr);
        } catch (...) {
            Fail(kProcess, nLine, CurrentCause());
        }
        return false;
    }

    void Work() {
        try {
            std::unique_lock<std::mutex> lock(m_mutex);
            for (;;) {
                Block* pBlock = nullptr;
                m_cv.wait(lock, [&] {
                    if (m_bStop) return true;
                    for (auto& b : m_blocks) {
                        if (b->nClaimed < b->vecLines.size()) {
                            pBlock = b.get();
                            return true;
                        }
                    }
                    return m_bEnd;
                });
                if (!pBlock) return;  // stopped, or the input is done and every line claimed
                const size_t nFirst = pBlock->nClaimed;
                const size_t nLast = std::min(pBlock->vecLines.size(), nFirst + kChunk);
                pBlock->nClaimed = nLast;
                lock.unlock();
                // Lines at or after a failure are not processed; the writer stops before them.
                for (size_t i = nFirst; i < nLast && pBlock->nFirst + i < m_nFail; ++i) {
                    try {
                        if (!ProcessLine(pBlock->vecLines[i], m_nTag, pBlock->vecResults[i]))
                            Fail(kProcess, pBlock->nFirst + i, nullptr);
                    } catch (...) {
                        Fail(kProcess, pBlock->nFirst + i, CurrentCause());
                    }
                }
                lock.lock();
                pBlock->nDone += nLast - nFirst;
                if (pBlock->nDone == pBlock->vecLines.size() && pBlock == m_blocks.front().get()) m_cv.notify_all();
            }
        } catch (...) {
            Fail(kProcess, 0, CurrentCause());
            Stop();
        }
    }

    void Write() {
        try {
            std::unique_lock<std::mutex> lock(m_mutex);
            for (;;) {
                m_cv.wait(lock, [this] {
                    return m_bStop || (m_blocks.empty() && m_bEnd) ||
                           (!m_blocks.empty() && m_blocks.front()->nDone == m_blocks.front()->vecLines.size());
                });
                if (m_bStop) return;
                if (m_blocks.empty()) break;
                std::unique_ptr<Block> block = std::move(m_blocks.front());
                m_blocks.pop_front();
                m_cv.notify_all();  // room for the reader
                // A failure inside this block is recorded before its last line is done.
                const size_t nFail = m_nFail;
                lock.unlock();
                const size_t nLines = block->vecLines.size();
                const size_t nWrite = nFail <= block->nFirst ? 0 : std::min(nLines, nFail - block->nFirst);
                for (size_t i = 0; i < nWrite; ++i) {
                    if (!WriteOut(block->vecResults[i]) || std::fputc('\n', stdout) == EOF) {
                        Fail(kWrite, 0, std::strerror(errno));
                        Stop();
                        return;
                    }
                }
                const size_t nEnd = block->nFirst + nLines;
                block.reset();
                if (nWrite < nLines) break;  // the failing line: nothing after it is written
                lock.lock();
                m_nWritten = nEnd;
                m_cv.notify_all();
            }
            if (lock.owns_lock()) lock.unlock();
            if (std::fflush(stdout) != 0) Fail(kWrite, 0, std::strerror(errno));
            Stop();
        } catch (...) {
            Fail(kWrite, 0, CurrentCause());
            Stop();
        }
    }

    Input& m_input;
    const size_t m_nWorkers;
    const int m_nTag;
    const size_t m_nMaxBlocks;
    const std::string m_sLogDir;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::unique_ptr<Block>> m_blocks;
    bool m_bEnd = false, m_bStop = false;
    // The failure kept: its kind, the number of its line (set under m_mutex, read anywhere) and
    // its cause (a fixed buffer, so that recording it cannot run out of memory).
    Kind m_kind = kNone;
    std::atomic<size_t> m_nFail{SIZE_MAX};
    size_t m_nWritten = 0;  // lines written, all before this number (under m_mutex)
    char m_sCause[256] = {};
};

// -k: the whole input as one document; its keywords, new words and a short summary.
bool RunDocument(Input& input, std::string& sError) {
    std::string sDoc, sLine;
    size_t nAt = 0;  // the line being read
    try {
        for (;;) {
            nAt = input.Lines();
            const Input::Got got = input.GetLine(sLine);
            if (got == Input::kError) {
                sError = input.Error();
                return false;
            }
            if (got == Input::kEnd) break;
            sDoc += sLine;
            if (got == Input::kLongLine) {  // the document is held whole: the rest of the line too
                Input::Got more;
                while ((more = input.GetMore(sLine, kLongLineBytes)) == Input::kLine) sDoc += sLine;
                if (more == Input::kError) {
                    sError = input.Error();
                    return false;
                }
            }
            sDoc += '\n';
        }
    } catch (...) {
        sError = std::string("cannot read ") + input.Where(nAt) + ": " + CurrentCause();
        return false;
    }
    std::string sOut;
    try {
        KOVEX_NWI_Start();
        KOVEX_NWI_AddMem(sDoc.c_str());
        sOut = std::string("keywords: ") + KOVEX_NWI_GetKeyWordResult(8, 0) + "\n";
        sOut += std::string("new words: ") + KOVEX_NWI_GetResult(0) + "\n";
        std::string sSummary;
        {
            CMutexLock lock(&g_hMainSystem);
            const char* p = g_pKOVEX ? g_pKOVEX->GetSummary(sDoc.c_str(), 160, 0.0, 0, false) : nullptr;
            if (p) sSummary = p;
        }
        sOut += "summary: " + sSummary + "\n";
    } catch (...) {
        sError = std::string("cannot process the document: ") + CurrentCause();
        return false;
    }
    if (!WriteOut(sOut) || std::fflush(stdout) != 0) {
        sError = WriteError();
        return false;
    }
    return true;
}

}  // namespace

namespace {

int Main(int argc, char** argv) {
    std::string sDir, sLogDir;
    int nEncode = 1, nThreads = 1, nTag = 1;
    bool bStats = false, bDocument = false, bLog = false, bOptions = true;
    std::vector<std::string> vecFiles;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](int& n) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], n)) return false;
            ++i;
            return true;
        };
        if (!bOptions || a == "-" || a.empty() || a[0] != '-') {
            vecFiles.push_back(a);
        } else if (a == "--") {
            bOptions = false;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : Fail(WriteError());
        } else if (a == "-d") {
            if (i + 1 >= argc || !*argv[i + 1]) return Fail("-d needs a folder", 2);
            sDir = argv[++i];
        } else if (a == "--log") {
            if (i + 1 >= argc || !*argv[i + 1]) return Fail("--log needs a folder", 2);
            sLogDir = argv[++i];
            bLog = true;
        } else if (a == "-e") {
            if (!value(nEncode) || nEncode < -1 || nEncode > 5) return Fail("-e needs an encoding code from -1 to 5", 2);
        } else if (a == "-j") {
            if (!value(nThreads) || nThreads < 1 || nThreads > 1024) return Fail("-j needs a thread count from 1 to 1024", 2);
        } else if (a == "-t") {
            if (!value(nTag) || (nTag != 0 && nTag != 1)) return Fail("-t needs 0 or 1", 2);
        } else if (a == "-k") {
            bDocument = true;
        } else if (a == "--stats") {
            bStats = true;
        } else {
            return Fail("unknown option " + a + " (see --help)", 2);
        }
    }

    // Log lines never reach standard output: into the --log folder, else nowhere; a line that
    // folder cannot take goes to standard error.
    SetLogFallback(stderr);
    if (!SetLogPath(bLog ? sLogDir.c_str() : nullptr)) return Fail("cannot write log files in " + sLogDir);

    Input input(vecFiles);
    std::string sError;
    if (!input.Check(sError)) return Fail(sError);

    if (sDir.empty()) sDir = DefaultDataFolder();
    const auto t0 = std::chrono::steady_clock::now();
    if (!KOVEX_Init(sDir.c_str(), nEncode, nullptr))
        return Fail("cannot start the engine on " + sDir + "/Data: " + KOVEX_GetLastErrorMsg());
    const auto t1 = std::chrono::steady_clock::now();
    const double dStartMB = StatusMB("VmRSS:");
    // A GBK file read through a UTF-8 converter (codes 1 and 4) gives blank tokens tagged /w.
    if (g_pCodeTranslator && g_pCodeTranslator->IsUTF8Encoding()) input.CheckUTF8();

    bool bOk;
    if (bDocument) {
        bOk = RunDocument(input, sError);
    } else {
        Pipeline pipeline(input, nThreads, nTag, sLogDir);
        bOk = pipeline.Run();
        if (!bOk) sError = pipeline.Error();
    }
    const auto t2 = std::chrono::steady_clock::now();
    KOVEX_Exit();
    const auto t3 = std::chrono::steady_clock::now();
    if (!bOk) return Fail(sError);

    if (bStats) {
        const double dRun = Seconds(t1, t2);
        std::fprintf(stderr,
                     "kovex: start-up %.3f s, %zu lines, %.2f MB in %.3f s = %.2f MB/s on %d thread(s), "
                     "memory %.1f MB after start-up, peak %.1f MB, shut-down %.3f s\n",
                     Seconds(t0, t1), input.Lines(), input.Bytes() / 1e6, dRun,
                     dRun > 0 ? input.Bytes() / 1e6 / dRun : 0.0, bDocument ? 1 : nThreads, dStartMB,
                     StatusMB("VmHWM:"), Seconds(t2, t3));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (...) {
        return Fail(CurrentCause());
    }
}
