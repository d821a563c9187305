// Small helpers shared by the test suites.
#pragma once

#include <string>
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

// Path of a file under tests/data.
std::string DataPath(const std::string& rel);

}  // namespace kxtest
