// kovex: segments and tags text with the engine, one paragraph per input line.
//
//   kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--stats] [FILE...]
//
// Starts the engine on DIR (the folder holding Data; default "build"), reads the files (or
// standard input) line by line, processes the lines through the engine's instance pool from N
// threads and writes the results to standard output in input order, one line each. With --stats
// a timing summary (start-up, processing speed, resident memory, shut-down) goes to standard
// error. With -k the whole input is one document instead, and its keywords, new words and a
// short summary are written, one line each. Errors are one line on standard error and a non-zero exit status.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <atomic>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/MutexLock.h"

namespace {

const char kUsage[] =
    "usage: kovex [-d DIR] [-e CODE] [-j N] [-t 0|1] [-k] [--stats] [FILE...]\n"
    "Segments and tags text, one paragraph per line, and writes one result line per input line.\n"
    "  -d DIR    folder that holds the data directory Data (default: build)\n"
    "  -e CODE   encoding of the text: 1 UTF-8 (default), 2-4 other converter sets, 0 GBK,\n"
    "            -1 detect each text (results in UTF-8)\n"
    "  -j N      number of threads (default 1)\n"
    "  -t 0|1    0 turns tagging off (default 1)\n"
    "  -k        the input is one document: write its keywords, new words and a short summary\n"
    "  --stats   timing summary on standard error: start-up, MB/s, memory, shut-down\n"
    "  -h, --help  this text\n"
    "Without FILE, standard input is read.\n";

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Resident memory of this process in MB (0 when unknown).
double ResidentMB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

bool ParseInt(const char* s, int& n) {
    if (!s || !*s) return false;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (*end) return false;
    n = int(v);
    return true;
}

int Fail(const std::string& sMessage) {
    std::cerr << "kovex: " << sMessage << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sDir = "build";
    int nEncode = 1, nThreads = 1, nTag = 1;
    bool bStats = false, bDocument = false;
    std::vector<std::string> vecFiles;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](int& n) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], n)) return false;
            ++i;
            return true;
        };
        if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (a == "-d") {
            if (i + 1 >= argc) return Fail("-d needs a folder");
            sDir = argv[++i];
        } else if (a == "-e") {
            if (!value(nEncode)) return Fail("-e needs an encoding code");
        } else if (a == "-j") {
            if (!value(nThreads) || nThreads < 1 || nThreads > 1024) return Fail("-j needs a thread count from 1 to 1024");
        } else if (a == "-t") {
            if (!value(nTag) || (nTag != 0 && nTag != 1)) return Fail("-t needs 0 or 1");
        } else if (a == "-k") {
            bDocument = true;
        } else if (a == "--stats") {
            bStats = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("unknown option " + a + " (see --help)");
        } else {
            vecFiles.push_back(a);
        }
    }

    std::vector<std::string> vecLines;
    size_t nBytes = 0;
    auto readStream = [&](std::istream& in) {
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            nBytes += line.size() + 1;
            vecLines.push_back(std::move(line));
        }
    };
    if (vecFiles.empty()) {
        readStream(std::cin);
    } else {
        for (const std::string& f : vecFiles) {
            std::ifstream in(f, std::ios::binary);
            if (!in) return Fail("cannot open " + f);
            readStream(in);
        }
    }

    const double dBeforeMB = ResidentMB();
    auto t0 = std::chrono::steady_clock::now();
    if (!KOVEX_Init(sDir.c_str(), nEncode, nullptr))
        return Fail(std::string("cannot start the engine on ") + sDir + "/Data: " + KOVEX_GetLastErrorMsg());
    auto t1 = std::chrono::steady_clock::now();
    const double dStartMB = ResidentMB();

    if (bDocument) {
        std::string sDoc;
        for (const std::string& l : vecLines) sDoc += l + "\n";
        KOVEX_NWI_Start();
        KOVEX_NWI_AddMem(sDoc.c_str());
        std::cout << "keywords: " << KOVEX_NWI_GetKeyWordResult(8, 0) << "\n";
        std::cout << "new words: " << KOVEX_NWI_GetResult(0) << "\n";
        std::string sSummary;
        {
            CMutexLock lock(&g_hMainSystem);
            const char* p = g_pKOVEX ? g_pKOVEX->GetSummary(sDoc.c_str(), 160, 0.0, 0, false) : nullptr;
            if (p) sSummary = p;
        }
        std::cout << "summary: " << sSummary << "\n";
        KOVEX_Exit();
        return std::cout.flush() ? 0 : Fail("cannot write the results");
    }

    std::vector<std::string> vecResults(vecLines.size());
    std::atomic<size_t> nNext{0};
    const size_t kChunk = 16;
    auto work = [&]() {
        for (;;) {
            size_t nFirst = nNext.fetch_add(kChunk);
            if (nFirst >= vecLines.size()) return;
            size_t nLast = std::min(vecLines.size(), nFirst + kChunk);
            for (size_t i = nFirst; i < nLast; ++i) vecResults[i] = KOVEX_ParagraphProcessStr(vecLines[i].c_str(), nTag);
        }
    };
    std::vector<std::thread> vecThreads;
    for (int i = 1; i < nThreads; ++i) vecThreads.emplace_back(work);
    work();
    for (std::thread& t : vecThreads) t.join();
    auto t2 = std::chrono::steady_clock::now();
    const double dRunMB = ResidentMB();

    KOVEX_Exit();
    auto t3 = std::chrono::steady_clock::now();

    std::string sOut;
    for (const std::string& r : vecResults) {
        sOut += r;
        sOut += '\n';
        if (sOut.size() > (1 << 20)) {
            std::fwrite(sOut.data(), 1, sOut.size(), stdout);
            sOut.clear();
        }
    }
    std::fwrite(sOut.data(), 1, sOut.size(), stdout);
    if (std::fflush(stdout) != 0) return Fail("cannot write the results");

    if (bStats) {
        const double dRun = Seconds(t1, t2);
        std::fprintf(stderr,
                     "kovex: start-up %.3f s, %zu lines, %.2f MB in %.3f s = %.2f MB/s on %d thread(s), "
                     "memory %.1f MB before start-up, %.1f MB after start-up, %.1f MB after the run, "
                     "shut-down %.3f s\n",
                     Seconds(t0, t1), vecLines.size(), nBytes / 1e6, dRun, dRun > 0 ? nBytes / 1e6 / dRun : 0.0,
                     nThreads, dBeforeMB, dStartMB, dRunMB, Seconds(t2, t3));
    }
    return 0;
}
