// Reference conversions through glibc iconv(3), for tests that compare our own tables with the
// system's code pages. Header-only; each object holds one conversion descriptor.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace kxtest {

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts the whole input; false when it is invalid or incomplete in the source code.
    bool Convert(const std::string& in, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.assign(in.size() * 4 + 16, '\0');
        char* ip = const_cast<char*>(in.data());
        size_t il = in.size();
        char* op = &out[0];
        size_t ol = out.size();
        if (iconv(m_cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
        out.resize(out.size() - ol);
        return true;
    }

private:
    iconv_t m_cd;
};

}  // namespace kxtest
