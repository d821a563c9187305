// datacheck [--shipped] DIR...: loads every file of each DIR/Data with its store class, checks the
// content constraints, prints one line per file and exits non-zero when any check fails. With
// --shipped the dictionaries that Configure.xml switches on must be there (the build's data
// directories; a test fixture may lack them).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/DataCheck.h"

int main(int argc, char** argv) {
    bool bShipped = false;
    std::vector<std::string> dirs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--shipped"))
            bShipped = true;
        else
            dirs.push_back(argv[i]);
    }
    if (dirs.empty()) {
        std::fprintf(stderr, "usage: datacheck [--shipped] DIR... (each a folder that holds Data)\n");
        return 2;
    }
    int failedDirs = 0;
    for (const std::string& dir : dirs) {
        std::vector<kxdata::CheckLine> report;
        int failed = kxdata::CheckDataDirectory(dir + "/Data", report, bShipped);
        if (dirs.size() > 1) std::printf("%s/Data:\n", dir.c_str());
        for (const kxdata::CheckLine& l : report)
            std::printf("%-28s %s %s\n", l.file.c_str(), l.ok ? "ok  " : "FAIL", l.summary.c_str());
        std::printf("datacheck: %zu files, %d failed\n", report.size(), failed);
        failedDirs += failed != 0;
    }
    return failedDirs ? 1 : 0;
}
