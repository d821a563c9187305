// File-tree helpers of the walker tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

// The resolved absolute form of an existing folder, ending in "/".
inline std::string RealDir(const std::string& path) {
    char* r = realpath(path.c_str(), nullptr);
    std::string s = r ? r : "";
    free(r);
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

inline void Touch(const std::string& path, const std::string& content = "") {
    std::ofstream out(path, std::ios::binary);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

inline void MakeDir(const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path; }
