// kxdatac: compiles the text sources of the data directory into the binary data directory.
//
//   kxdatac --out DIR --work DIR SOURCE_DIR [SOURCE_DIR...]
//
// Each source file is looked up in the source directories in order (a later one supplies what an
// earlier one lacks), as itself or xz-compressed. Prints one line per file written and the time.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/DataBuild.h"

int main(int argc, char** argv) {
    kxdata::BuildOptions o;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
            o.outDir = argv[++i];
        } else if (!std::strcmp(argv[i], "--work") && i + 1 < argc) {
            o.workDir = argv[++i];
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: kxdatac --out DIR --work DIR SOURCE_DIR...\n");
            return 2;
        } else {
            o.sourceDirs.push_back(argv[i]);
        }
    }
    if (o.outDir.empty() || o.workDir.empty() || o.sourceDirs.empty()) {
        std::fprintf(stderr, "usage: kxdatac --out DIR --work DIR SOURCE_DIR...\n");
        return 2;
    }
    auto t0 = std::chrono::steady_clock::now();
    o.log = [](const std::string& line) { std::printf("  %s\n", line.c_str()); };
    std::string error;
    if (!kxdata::BuildDataDirectory(o, error)) {
        std::fprintf(stderr, "kxdatac: %s\n", error.c_str());
        return 1;
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("kxdatac: %s built in %.1f s\n", o.outDir.c_str(), s);
    return 0;
}
