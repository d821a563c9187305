// Small helpers shared by the test suites.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kxtest {

// A fresh empty directory under the build's scratch folder, removed with its content on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

// Whole-file helpers for tests; Read returns "" for a missing file.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// Builds a chain of nLevels folders below the existing folder root, level k named by nNameLen
// copies of one letter, each holding the file "f<k>.txt" with the given content. Folders and files
// are made relative to the open folder above them, so the chain may be deeper than the kernel's
// path limit. Returns the paths of the files, top first; empty when a step failed.
std::vector<std::string> MakeDeepTree(const std::string& root, int nLevels, size_t nNameLen,
                                      const std::string& content);

// Path of a file under tests/data.
std::string DataPath(const std::string& rel);

// What tells whether a file or folder was written, replaced or renamed into: its inode, its kind
// (a link is not followed) and its change times to the nanosecond. A missing path gives inode 0.
struct FileStamp {
    unsigned long ino = 0;
    bool link = false;
    long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
    bool operator==(const FileStamp& o) const {
        return ino == o.ino && link == o.link && mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec &&
               ctimeSec == o.ctimeSec && ctimeNsec == o.ctimeNsec;
    }
};
FileStamp StampOf(const std::string& path);

// Makes a FIFO at path and, while it lives, opens and at once closes its write end whenever a
// reader waits in its open, so that code under test that opens the FIFO for reading is let go
// (reading nothing) instead of hanging the test. Never blocks, writes nothing.
class FifoReleaser {
public:
    explicit FifoReleaser(const std::string& path);
    ~FifoReleaser();
    FifoReleaser(const FifoReleaser&) = delete;
    FifoReleaser& operator=(const FifoReleaser&) = delete;
    // False when the FIFO could not be made.
    bool ok() const { return m_bMade; }

private:
    bool m_bMade;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

}  // namespace kxtest
