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
    // Also ship an empty user dictionary (UserDict.pdat), so that a start-up with the item
    // UserDict on finds one and logs nothing.
    bool emptyUserDict = false;
};

// Builds every file of the engine's start-up list (and the converter sets, the detection model and
// the keyword blacklist) with the stores' own importers, builders and writers. False with a
// message on the first failure; files written before it stay. Not thread-safe (the importers
// print progress on standard output, which is silenced while they run).
bool BuildDataDirectory(const BuildOptions& options, std::string& error);

// Writes a user dictionary that holds no word to path (replacing the file): one entry, deleted,
// since the format needs one. False when it cannot be written.
bool WriteEmptyUserDict(const std::string& path);

// Makes dataDir a second data directory on the stores of storeDir without copying them: every
// file of storeDir (those of its English folder included) becomes a relative symbolic link, so
// the two folders keep working when moved or installed together; Configure.xml is a copy of
// configPath, UserDict.pdat an empty user dictionary of its own and FieldDict.* are left out.
// dataDir is emptied first. False with a message on the first failure. Not thread-safe.
bool LinkDataDirectory(const std::string& storeDir, const std::string& dataDir, const std::string& configPath,
                       std::string& error);

// Path of a source file found in the source directories, unpacked into the work directory when
// only its ".xz" form exists; "" when neither exists or unpacking fails.
std::string FindSource(const BuildOptions& options, const std::string& name);

}  // namespace kxdata
