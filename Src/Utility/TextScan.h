// Line reading and field scanning for the stores' text importers.
//
// The importers read text files of a few fields per line ("word count", "word tag freq", ...).
// Lines are read whole, whatever their length, and fields are scanned from them the way "%s" and
// "%d" scan, but into strings that grow with the field, so that no line can overflow a buffer.
#pragma once

#include <cstdio>
#include <string>

namespace textscan {

// Reads the next line of fp into line, without its line feed (a carriage return before it is
// kept, as "%s" scanning treats it as white space). False at end of file when nothing was read.
bool ReadLine(FILE* fp, std::string& line);

// A cursor over one line. The line ends at its first NUL byte, as a C string would.
class CLineScanner {
public:
    explicit CLineScanner(const std::string& line);
    // Like "%s": skips white space, then takes the run of non-white bytes. False (token empty)
    // when the line has no further token.
    bool Token(std::string& token);
    // Like "%d": skips white space, then an optional sign and decimal digits. Values beyond the
    // int range are clamped to it. False (value untouched) when no digit follows.
    bool Int(int& value);
    // The unread rest of the line.
    const char* Rest() const { return m_p; }

private:
    std::string m_sLine;
    const char* m_p;
};

// True for the bytes that "%s" treats as white space (blank, \t, \n, \v, \f, \r).
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// ASCII-only case-insensitive comparison (no locale): <0, 0 or >0 like strcasecmp.
int AsciiCaseCompare(const char* a, const char* b);

}  // namespace textscan
