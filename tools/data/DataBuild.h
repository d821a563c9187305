// Compiling the text sources of the data directory into the binary data directory.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kxdata {

struct BuildOptions {
    // Directories searched in order for each source file (a name, or the name + ".xz").
    std::vector<std::string> sourceDirs;
    // Output: the binary data directory (e.g. build/Data); created when missing.
    std::string outDir;
    // Scratch directory for unpacked sources and the importers' echo files.
    std::string workDir;
    // Progress lines (one per file written); may be empty.
    std::function<void(const std::string&)> log;
};

// Builds every file of the engine's start-up list (and the converter sets, the detection model and
// the keyword blacklist) with the stores' own importers, builders and writers. False with a
// message on the first failure; files written before it stay. Not thread-safe (the importers
// print progress on standard output, which is silenced while they run).
bool BuildDataDirectory(const BuildOptions& options, std::string& error);

// Path of a source file found in the source directories, unpacked into the work directory when
// only its ".xz" form exists; "" when neither exists or unpacking fails.
std::string FindSource(const BuildOptions& options, const std::string& name);

}  // namespace kxdata
