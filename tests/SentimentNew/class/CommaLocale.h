// Installs, for the lifetime of the object, a global C++ locale whose numbers use "," as the
// decimal point and "." to group thousands, as some hosts do; restores the previous one after.
#pragma once

#include <locale>
#include <string>

namespace kxtest {

class CommaLocale {
public:
    CommaLocale() : m_previous(std::locale::global(std::locale(std::locale::classic(), new Punct))) {}
    ~CommaLocale() { std::locale::global(m_previous); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

private:
    struct Punct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale m_previous;
};

}  // namespace kxtest
