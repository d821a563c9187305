// kxdatac: compiles the text sources of the data directory into the binary data directory.
//
//   kxdatac --out DIR --work DIR [--user-dict] SOURCE_DIR [SOURCE_DIR...]
//   kxdatac --link STORE_DIR --config FILE --out DIR
//
// Each source file is looked up in the source directories in order (a later one supplies what an
// earlier one lacks), as itself or xz-compressed. --user-dict also writes an empty user
// dictionary. Prints one line per file written and the time.
// The second form makes DIR a data directory of its own on the stores of the built STORE_DIR
// (relative links), with FILE as its Configure.xml and an empty user dictionary.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/DataBuild.h"

namespace {

const char kUsage[] =
    "usage: kxdatac --out DIR --work DIR [--user-dict] SOURCE_DIR...\n"
    "       kxdatac --link STORE_DIR --config FILE --out DIR\n";

}  // namespace

int main(int argc, char** argv) {
    kxdata::BuildOptions o;
    std::string storeDir, config;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
            o.outDir = argv[++i];
        } else if (!std::strcmp(argv[i], "--work") && i + 1 < argc) {
            o.workDir = argv[++i];
        } else if (!std::strcmp(argv[i], "--link") && i + 1 < argc) {
            storeDir = argv[++i];
        } else if (!std::strcmp(argv[i], "--config") && i + 1 < argc) {
            config = argv[++i];
        } else if (!std::strcmp(argv[i], "--user-dict")) {
            o.emptyUserDict = true;
        } else if (argv[i][0] == '-') {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            o.sourceDirs.push_back(argv[i]);
        }
    }
    if (!storeDir.empty()) {
        std::string error;
        if (config.empty() || o.outDir.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (!kxdata::LinkDataDirectory(storeDir, o.outDir, config, error)) {
            std::fprintf(stderr, "kxdatac: %s\n", error.c_str());
            return 1;
        }
        std::printf("kxdatac: %s linked to the stores of %s\n", o.outDir.c_str(), storeDir.c_str());
        return 0;
    }
    if (o.outDir.empty() || o.workDir.empty() || o.sourceDirs.empty()) {
        std::fputs(kUsage, stderr);
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
