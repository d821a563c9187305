// datacheck DIR: loads every file of DIR/Data with its store class, checks the content
// constraints, prints one line per file and exits non-zero when any check fails.
#include <cstdio>
#include <string>
#include <vector>

#include "data/DataCheck.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: datacheck DIR (the folder that holds Data)\n");
        return 2;
    }
    std::vector<kxdata::CheckLine> report;
    int failed = kxdata::CheckDataDirectory(std::string(argv[1]) + "/Data", report);
    for (const kxdata::CheckLine& l : report)
        std::printf("%-28s %s %s\n", l.file.c_str(), l.ok ? "ok  " : "FAIL", l.summary.c_str());
    std::printf("datacheck: %zu files, %d failed\n", report.size(), failed);
    return failed ? 1 : 0;
}
