// Test helper: sends the default error and log files into a fresh temporary directory for the
// lifetime of the object and reads them back.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Utility/LogFile.h"
#include "common/TestUtil.h"

class LogCapture {
public:
    LogCapture() {
        char* cwd = getcwd(nullptr, 0);
        m_sOldCwd = cwd ? cwd : ".";
        free(cwd);
        LogTestResetPath();
        if (chdir(m_dir.path().c_str()) != 0) m_sOldCwd.clear();
    }
    ~LogCapture() {
        if (!m_sOldCwd.empty() && chdir(m_sOldCwd.c_str()) != 0) {
        }
        LogTestResetPath();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The message parts (after the time stamp and tab) of every line of the .err or .log files.
    std::vector<std::string> Lines(bool bError) const {
        std::vector<std::string> out;
        for (auto& e : std::filesystem::directory_iterator(m_dir.path())) {
            if (e.path().extension() != (bError ? ".err" : ".log")) continue;
            std::string text = kxtest::ReadAll(e.path().string());
            size_t pos = 0;
            while (pos < text.size()) {
                size_t nl = text.find("\n[", pos);
                std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl + 1 - pos);
                if (!line.empty() && line.back() == '\n') line.pop_back();
                size_t tab = line.find('\t');
                out.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
                if (nl == std::string::npos) break;
                pos = nl + 1;
            }
        }
        return out;
    }
    std::vector<std::string> Errors() const { return Lines(true); }
    std::vector<std::string> Logs() const { return Lines(false); }
    const std::string& Dir() const { return m_dir.path(); }

private:
    kxtest::TempDir m_dir;
    std::string m_sOldCwd;
};
