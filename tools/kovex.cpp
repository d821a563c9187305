// kovex: segments and tags text with the engine, one paragraph per input line.
//
//   kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--log DIR] [--stats] [FILE...]
//
// Starts the engine on DIR (the folder holding Data; by default the engine's data directory found
// beside the executable, else under the install prefix), then streams the files (or standard
// input): a reader cuts the input into blocks of lines, N worker threads process the lines of the
// oldest blocks through the engine's instance pool, and a writer writes each finished block to
// standard output, so results come in input order and memory stays bounded by the blocks in
// flight. With -k the whole input is one document instead, and its keywords, new words and a
// short summary are written, one line each. Every failure is one line on standard error and a
// non-zero exit status; the engine's log lines go to the --log folder or nowhere, never to
// standard output.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"

#ifndef KX_INSTALL_ENGINE_DIR
#define KX_INSTALL_ENGINE_DIR "/usr/local/share/kovex/engine"
#endif

namespace {

const char kUsage[] =
    "usage: kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--log DIR] [--stats] [FILE...]\n"
    "Segments and tags text, one paragraph per line, and writes one result line per input line,\n"
    "in input order. The input is read, processed and written in blocks, so memory stays bounded.\n"
    "  -d DIR     folder that holds the data directory Data (default: the engine's data, found\n"
    "             beside this program: ../share/kovex/engine once installed, ../engine in a build);\n"
    "             the sentiment library's data (share/kovex) tags its lexicon words with weights\n"
    "  -e CODE    encoding of the text: 1 UTF-8 (default), 2-4 other converter sets, 0 GBK,\n"
    "             -1 detect each text (results in UTF-8)\n"
    "  -j N       number of worker threads (default 1)\n"
    "  -t 0|1     0 turns tagging off (default 1)\n"
    "  -k         the whole input is one document: write its keywords, new words and a short\n"
    "             summary (reads all of the input into memory first; -j does not apply)\n"
    "  --log DIR  write the engine's day log and error files (YYYYMMDD.log/.err) in DIR, which\n"
    "             must be writable (default: no log files)\n"
    "  --stats    summary on standard error: start-up, processing time and speed, peak memory\n"
    "  -h, --help this text\n"
    "FILE - or no FILE reads standard input. A line ends at a line feed (a carriage return before\n"
    "it is dropped); a NUL byte is read as a blank, in every mode.\n"
    "Errors are one line on standard error and exit status 1 (2 for a wrong command line).\n";

// Lines per block and the bytes after which a block is closed early; blocks in flight per worker.
const size_t kBlockLines = 1024;
const size_t kBlockBytes = 256 * 1024;
const size_t kBlocksPerWorker = 3;
// Lines a worker claims at once.
const size_t kChunk = 8;

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

// The input: the named files in turn, or standard input; "-" is standard input.
class Input {
public:
    explicit Input(std::vector<std::string> vecFiles) : m_vecFiles(std::move(vecFiles)) {
        if (m_vecFiles.empty()) m_vecFiles.push_back("-");
    }
    ~Input() {
        Close();
        std::free(m_pBuf);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Checks that every file opens for reading and is no folder; false with the message.
    bool Check(std::string& sError) const {
        for (const std::string& f : m_vecFiles) {
            if (f == "-") continue;
            FILE* fp = nullptr;
            if (!Open(f, fp, sError)) return false;
            std::fclose(fp);
        }
        return true;
    }
    // Reads the next line into sLine (without its line feed; a carriage return before it dropped,
    // NUL bytes read as blanks). False at the end of the input or on an error (then sError is set).
    bool GetLine(std::string& sLine, std::string& sError) {
        sLine.clear();
        for (;;) {
            if (!m_fp && !Next(sError)) return false;
            const ssize_t got = getline(&m_pBuf, &m_nBuf, m_fp);
            if (got < 0) {
                if (std::ferror(m_fp)) {
                    sError = "cannot read " + Name() + ": " + std::strerror(errno);
                    return false;
                }
                Close();
                ++m_nFile;
                continue;
            }
            sLine.assign(m_pBuf, size_t(got));
            if (!sLine.empty() && sLine.back() == '\n') sLine.pop_back();
            if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
            std::replace(sLine.begin(), sLine.end(), '\0', ' ');
            m_nBytes += size_t(got);
            return true;
        }
    }
    size_t Bytes() const { return m_nBytes; }

private:
    static bool Open(const std::string& f, FILE*& fp, std::string& sError) {
        fp = std::fopen(f.c_str(), "rb");
        if (!fp) {
            sError = "cannot open " + f + ": " + std::strerror(errno);
            return false;
        }
        struct stat st;
        if (fstat(fileno(fp), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::fclose(fp);
            fp = nullptr;
            sError = "cannot read " + f + ": it is a folder";
            return false;
        }
        return true;
    }
    std::string Name() const { return m_vecFiles[m_nFile] == "-" ? "standard input" : m_vecFiles[m_nFile]; }
    // Opens the next file; false at the end of the list (sError empty) or when it cannot be opened.
    bool Next(std::string& sError) {
        if (m_nFile >= m_vecFiles.size()) return false;
        const std::string& f = m_vecFiles[m_nFile];
        if (f == "-") {
            m_fp = stdin;
            return true;
        }
        return Open(f, m_fp, sError);
    }
    void Close() {
        if (m_fp && m_fp != stdin) std::fclose(m_fp);
        m_fp = nullptr;
    }

    std::vector<std::string> m_vecFiles;
    size_t m_nFile = 0;
    FILE* m_fp = nullptr;
    char* m_pBuf = nullptr;  // getline's buffer, kept across lines
    size_t m_nBuf = 0;
    size_t m_nBytes = 0;
};

// Writes to standard output; false on a short write.
bool WriteOut(const std::string& s) { return std::fwrite(s.data(), 1, s.size(), stdout) == s.size(); }

std::string WriteError() { return std::string("cannot write the results: ") + std::strerror(errno); }

// The line-mode pipeline: reader (the calling thread), workers and one writer, all sharing the
// queue of blocks under one mutex.
class Pipeline {
public:
    Pipeline(Input& input, int nWorkers, int nTag)
        : m_input(input), m_nWorkers(size_t(nWorkers)), m_nTag(nTag), m_nMaxBlocks(kBlocksPerWorker * size_t(nWorkers) + 1) {}

    // Runs the whole input; false with the message of the first read or write failure.
    bool Run(std::string& sError) {
        std::vector<std::thread> vecThreads;
        for (size_t i = 0; i < m_nWorkers; ++i) vecThreads.emplace_back([this] { Work(); });
        std::thread writer([this] { Write(); });
        Read();
        writer.join();
        for (std::thread& t : vecThreads) t.join();
        sError = m_sError;
        return m_sError.empty();
    }
    size_t Lines() const { return m_nLines; }

private:
    struct Block {
        std::vector<std::string> vecLines, vecResults;
        size_t nClaimed = 0, nDone = 0;  // under m_mutex
    };

    void Stop(const std::string& sError) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_sError.empty()) m_sError = sError;
        m_bStop = true;
        m_cv.notify_all();
    }

    void Read() {
        std::string sLine, sError;
        for (;;) {
            auto block = std::make_unique<Block>();
            size_t nBytes = 0;
            bool bMore = true;
            while (block->vecLines.size() < kBlockLines && nBytes < kBlockBytes) {
                if (!m_input.GetLine(sLine, sError)) {
                    bMore = false;
                    break;
                }
                nBytes += sLine.size();
                block->vecLines.push_back(sLine);
            }
            if (!sError.empty()) {
                Stop(sError);
                return;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cv.wait(lock, [this] { return m_bStop || m_blocks.size() < m_nMaxBlocks; });
            if (m_bStop) return;
            m_nLines += block->vecLines.size();
            block->vecResults.resize(block->vecLines.size());
            if (!block->vecLines.empty()) m_blocks.push_back(std::move(block));
            if (!bMore) m_bEnd = true;
            m_cv.notify_all();
            if (!bMore) return;
        }
    }

    void Work() {
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
            for (size_t i = nFirst; i < nLast; ++i)
                pBlock->vecResults[i] = KOVEX_ParagraphProcessStr(pBlock->vecLines[i].c_str(), m_nTag);
            lock.lock();
            pBlock->nDone += nLast - nFirst;
            if (pBlock->nDone == pBlock->vecLines.size() && pBlock == m_blocks.front().get()) m_cv.notify_all();
        }
    }

    void Write() {
        std::string sOut;
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
            lock.unlock();
            sOut.clear();
            for (const std::string& r : block->vecResults) {
                sOut += r;
                sOut += '\n';
            }
            const bool bOk = WriteOut(sOut);
            block.reset();
            if (!bOk) {
                Stop(WriteError());
                return;
            }
            lock.lock();
        }
        lock.unlock();
        if (std::fflush(stdout) != 0) Stop(WriteError());
    }

    Input& m_input;
    const size_t m_nWorkers;
    const int m_nTag;
    const size_t m_nMaxBlocks;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::unique_ptr<Block>> m_blocks;
    bool m_bEnd = false, m_bStop = false;
    std::string m_sError;
    size_t m_nLines = 0;
};

// -k: the whole input as one document; its keywords, new words and a short summary.
bool RunDocument(Input& input, std::string& sError) {
    std::string sDoc, sLine;
    while (input.GetLine(sLine, sError)) {
        sDoc += sLine;
        sDoc += '\n';
    }
    if (!sError.empty()) return false;
    KOVEX_NWI_Start();
    KOVEX_NWI_AddMem(sDoc.c_str());
    std::string sOut = std::string("keywords: ") + KOVEX_NWI_GetKeyWordResult(8, 0) + "\n";
    sOut += std::string("new words: ") + KOVEX_NWI_GetResult(0) + "\n";
    std::string sSummary;
    {
        CMutexLock lock(&g_hMainSystem);
        const char* p = g_pKOVEX ? g_pKOVEX->GetSummary(sDoc.c_str(), 160, 0.0, 0, false) : nullptr;
        if (p) sSummary = p;
    }
    sOut += "summary: " + sSummary + "\n";
    if (!WriteOut(sOut) || std::fflush(stdout) != 0) {
        sError = WriteError();
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sDir, sLogDir;
    int nEncode = 1, nThreads = 1, nTag = 1;
    bool bStats = false, bDocument = false, bLog = false;
    std::vector<std::string> vecFiles;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](int& n) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], n)) return false;
            ++i;
            return true;
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : Fail(WriteError());
        } else if (a == "-d") {
            if (i + 1 >= argc) return Fail("-d needs a folder", 2);
            sDir = argv[++i];
        } else if (a == "--log") {
            if (i + 1 >= argc) return Fail("--log needs a folder", 2);
            sLogDir = argv[++i];
            bLog = true;
        } else if (a == "-e") {
            if (!value(nEncode)) return Fail("-e needs an encoding code", 2);
        } else if (a == "-j") {
            if (!value(nThreads) || nThreads < 1 || nThreads > 1024) return Fail("-j needs a thread count from 1 to 1024", 2);
        } else if (a == "-t") {
            if (!value(nTag) || (nTag != 0 && nTag != 1)) return Fail("-t needs 0 or 1", 2);
        } else if (a == "-k") {
            bDocument = true;
        } else if (a == "--stats") {
            bStats = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("unknown option " + a + " (see --help)", 2);
        } else {
            vecFiles.push_back(a);
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

    size_t nLines = 0;
    bool bOk;
    if (bDocument) {
        bOk = RunDocument(input, sError);
    } else {
        Pipeline pipeline(input, nThreads, nTag);
        bOk = pipeline.Run(sError);
        nLines = pipeline.Lines();
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
                     Seconds(t0, t1), nLines, input.Bytes() / 1e6, dRun, dRun > 0 ? input.Bytes() / 1e6 / dRun : 0.0,
                     bDocument ? 1 : nThreads, dStartMB, StatusMB("VmHWM:"), Seconds(t2, t3));
    }
    return 0;
}
