#include "common/TestUtil.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kxtest {

TempDir::TempDir() {
    std::string tmpl = std::string(KX_SCRATCH_DIR) + "/tmpXXXXXX";
    std::filesystem::create_directories(KX_SCRATCH_DIR);
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    m_path = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(const std::string& name) const { return m_path + "/" + name; }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<std::string> MakeDeepTree(const std::string& root, int nLevels, size_t nNameLen,
                                      const std::string& content) {
    std::vector<std::string> files;
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string path = root;
    for (int k = 0; k < nLevels && fd >= 0; ++k) {
        const std::string name(nNameLen, char('a' + k % 26));
        const std::string file = "f" + std::to_string(k) + ".txt";
        int sub = -1;
        if (mkdirat(fd, name.c_str(), 0755) == 0) sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = sub;
        if (fd < 0) break;
        path += "/" + name;
        const int out = openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool ok = out >= 0 && write(out, content.data(), content.size()) == ssize_t(content.size());
        if (out >= 0) close(out);
        if (!ok) break;
        files.push_back(path + "/" + file);
    }
    if (fd >= 0) close(fd);
    if (int(files.size()) != nLevels) files.clear();
    return files;
}

std::string DataPath(const std::string& rel) { return std::string(KX_TEST_DATA_DIR) + "/" + rel; }

FifoReleaser::FifoReleaser(const std::string& path) : m_bMade(mkfifo(path.c_str(), 0600) == 0) {
    m_thread = std::thread([this, path] {
        while (!m_bStop) {
            // Succeeds only while a reader has the FIFO open or waits in its open.
            const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

FifoReleaser::~FifoReleaser() {
    m_bStop = true;
    m_thread.join();
}

FileStamp StampOf(const std::string& path) {
    FileStamp s;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return s;
    s.ino = (unsigned long)st.st_ino;
    s.link = S_ISLNK(st.st_mode);
    s.mtimeSec = long(st.st_mtim.tv_sec);
    s.mtimeNsec = long(st.st_mtim.tv_nsec);
    s.ctimeSec = long(st.st_ctim.tv_sec);
    s.ctimeNsec = long(st.st_ctim.tv_nsec);
    return s;
}

}  // namespace kxtest
