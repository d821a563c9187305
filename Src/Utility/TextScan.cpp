#include "Utility/TextScan.h"

#include <stdio.h>
#include <stdlib.h>

#include <climits>
#include <cstring>

namespace textscan {

bool ReadLine(FILE* fp, std::string& line) {
    line.clear();
    if (!fp) return false;
    char* buf = nullptr;
    size_t cap = 0;
    ssize_t n = getline(&buf, &cap, fp);
    if (n < 0) {
        free(buf);
        return false;
    }
    if (n > 0 && buf[n - 1] == '\n') --n;
    line.assign(buf, size_t(n));
    free(buf);
    return true;
}

CLineScanner::CLineScanner(const std::string& line) : m_sLine(line.c_str()) { m_p = m_sLine.c_str(); }

bool CLineScanner::Token(std::string& token) {
    token.clear();
    while (*m_p && IsSpace((unsigned char)*m_p)) ++m_p;
    const char* s = m_p;
    while (*m_p && !IsSpace((unsigned char)*m_p)) ++m_p;
    token.assign(s, size_t(m_p - s));
    return !token.empty();
}

bool CLineScanner::Int(int& value) {
    const char* p = m_p;
    while (*p && IsSpace((unsigned char)*p)) ++p;
    bool neg = false;
    if (*p == '+' || *p == '-') {
        neg = (*p == '-');
        ++p;
    }
    if (!(*p >= '0' && *p <= '9')) return false;
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v <= (long long)INT_MAX + 1) v = v * 10 + (*p - '0');
        ++p;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    value = int(v);
    m_p = p;
    return true;
}

int AsciiCaseCompare(const char* a, const char* b) {
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    for (;; ++x, ++y) {
        unsigned char c1 = *x, c2 = *y;
        if (c1 >= 'A' && c1 <= 'Z') c1 = (unsigned char)(c1 + 32);
        if (c2 >= 'A' && c2 <= 'Z') c2 = (unsigned char)(c2 + 32);
        if (c1 != c2 || c1 == 0) return int(c1) - int(c2);
    }
}

}  // namespace textscan
