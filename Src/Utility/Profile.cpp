#include "Utility/Profile.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "Utility/ByteIO.h"

namespace {

bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The line without leading and trailing blanks, tabs, CR and LF.
std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsLineSpace(s[b])) ++b;
    while (e > b && IsLineSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The text without any blank or tab (a trimmed line holds no CR or LF at its ends; inner ones go
// too, as in fn_vFilterSpace).
std::string WithoutSpace(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (!IsLineSpace(c)) out += c;
    return out;
}

// What one trimmed line of a profile is.
struct ParsedLine {
    enum Kind { kOther, kHeader, kEntry } kind = kOther;
    std::string name;   // header name or entry key, blanks removed
    std::string value;  // entry value, trimmed
};

ParsedLine ParseLine(const std::string& sRaw) {
    ParsedLine line;
    const std::string s = Trimmed(sRaw);
    if (s.empty() || s[0] == ';' || s[0] == '#') return line;  // comment
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') {
        line.kind = ParsedLine::kHeader;
        line.name = WithoutSpace(s.substr(1, s.size() - 2));
        return line;
    }
    size_t sep = s.find('=');
    if (sep == std::string::npos) sep = s.find(':');
    if (sep == std::string::npos) return line;
    line.kind = ParsedLine::kEntry;
    line.name = WithoutSpace(s.substr(0, sep));
    line.value = Trimmed(s.substr(sep + 1));
    return line;
}

// Reads one whole line (its LF included, when present) into sLine. False at the end of the file.
bool ReadWholeLine(FILE* fp, std::string& sLine) {
    char* buf = nullptr;
    size_t cap = 0;
    const ssize_t n = getline(&buf, &cap, fp);
    if (n > 0) sLine.assign(buf, size_t(n));
    free(buf);
    return n > 0;
}

// Splits content into its lines, each keeping its own line end (the last may have none).
std::vector<std::string> SplitLines(const std::vector<unsigned char>& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n') {
            lines.emplace_back(reinterpret_cast<const char*>(content.data()) + start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < content.size())
        lines.emplace_back(reinterpret_cast<const char*>(content.data()) + start, content.size() - start);
    return lines;
}

// True when an entry written with these names reads back as written: no CR or LF anywhere (a line
// break would start a line of its own, a header or entry of the writer's choosing); no blank or
// tab in the section or key, which the reader drops from them; no "=" or ":" in the key, where the
// reader splits the entry; and no key that makes the line a comment or a header (";", "#", "[").
bool IsWritableEntry(const char* section, const char* key, const char* value) {
    if (strpbrk(value, "\r\n") || strpbrk(key, " \t\r\n=:")) return false;
    if (key[0] == ';' || key[0] == '#' || key[0] == '[') return false;
    return !section || !strpbrk(section, " \t\r\n");
}

// Copies src into dest, at most size - 1 bytes, NUL-terminated (size >= 1).
void CopyCut(char* dest, const char* src, int size) {
    size_t n = strlen(src);
    if (n > size_t(size - 1)) n = size_t(size - 1);
    memmove(dest, src, n);
    dest[n] = '\0';
}

}  // namespace

Profile::Profile(const char* sFileName) : m_asFileName(sFileName ? sFileName : "") {}

bool Profile::FindValue(const char* section, const char* key, std::string& sValue) const {
    if (!key) return false;
    FILE* fp = fopen(m_asFileName.c_str(), "rb");
    if (!fp) return false;
    std::unique_ptr<FILE, int (*)(FILE*)> closer(fp, fclose);
    bool bInSection = section == nullptr;
    std::string sLine;
    while (ReadWholeLine(fp, sLine)) {
        const ParsedLine line = ParseLine(sLine);
        if (line.kind == ParsedLine::kHeader) {
            if (section) bInSection = line.name == section;
        } else if (line.kind == ParsedLine::kEntry && bInSection && line.name == key) {
            sValue = line.value;
            return true;
        }
    }
    return false;
}

int Profile::fn_iReadInt(const char* section, const char* key, int value) {
    std::string s;
    if (!FindValue(section, key, s) || s.empty()) return value;
    return atoi(s.c_str());
}

float Profile::fn_fReadFloat(const char* section, const char* key, float value) {
    std::string s;
    if (!FindValue(section, key, s) || s.empty()) return value;
    return float(atof(s.c_str()));
}

int Profile::fn_iReadString(const char* section, const char* key, const char* value, char* dest, int size) {
    if (!dest || !value || size < 1) return 0;
    CopyCut(dest, value, size);
    std::string s;
    if (FindValue(section, key, s) && !s.empty()) CopyCut(dest, s.c_str(), size);
    return int(strlen(dest));
}

int Profile::fn_iWriteString(const char* section, const char* key, const char* value) {
    if (!key || !value || !IsWritableEntry(section, key, value)) return 0;
    const std::string sHeader = std::string("[") + (section ? section : "") + "]\r\n";
    const std::string sEntry = std::string(key) + " = " + value + "\r\n";

    // A profile given as a symbolic link is rewritten at the link's target, so the link stays.
    std::string sTarget = m_asFileName;
    struct stat st;
    if (lstat(sTarget.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(sTarget.c_str(), nullptr);
        if (real) {
            sTarget = real;
            free(real);
        }
    }

    // The old content; a missing file is empty content.
    std::vector<unsigned char> content;
    const bool bExists = stat(sTarget.c_str(), &st) == 0;
    if (!bExists && errno != ENOENT) return 0;
    if (bExists && !ReadFileBytes(sTarget.c_str(), content)) return 0;

    std::string sOut;
    bool bPlaced = false, bInSection = section == nullptr, bSectionFound = false;
    for (const std::string& sLine : SplitLines(content)) {
        if (bPlaced) {
            sOut += sLine;
            continue;
        }
        const ParsedLine line = ParseLine(sLine);
        if (line.kind == ParsedLine::kHeader && section) {
            if (bInSection) {
                // The key is missing from its section: the entry goes just before the next header.
                sOut += sEntry;
                bPlaced = true;
            } else if (line.name == section) {
                bInSection = bSectionFound = true;
            }
        } else if (line.kind == ParsedLine::kEntry && bInSection && line.name == key) {
            sOut += sEntry;
            bPlaced = true;
            continue;
        }
        sOut += sLine;
    }
    if (!bPlaced) {
        if (!sOut.empty() && sOut.back() != '\n') sOut += "\r\n";
        if (section && !bSectionFound) sOut += sHeader;
        sOut += sEntry;
    }

    CAtomicFile file;
    FILE* fp = file.Open(sTarget.c_str());
    if (!fp) return 0;
    if (bExists && fchmod(fileno(fp), st.st_mode & 07777) != 0) return 0;  // Discard on return
    file.Write(sOut);
    return file.Commit() ? 1 : 0;
}

int Profile::fn_iWriteInt(const char* section, const char* key, int value) {
    char buf[16];
    snprintf(buf, sizeof buf, "%d", value);
    return fn_iWriteString(section, key, buf);
}

int Profile::fn_iWriteFloat(const char* section, const char* key, float value) {
    char buf[48];
    fn_pFloatToString(value, buf);
    return fn_iWriteString(section, key, buf);
}

void Profile::fn_vFilterLRSpace(char* str) {
    if (!str) return;
    const size_t len = strlen(str);
    size_t b = 0, e = len;
    while (b < e && IsLineSpace(str[b])) ++b;
    while (e > b && IsLineSpace(str[e - 1])) --e;
    memmove(str, str + b, e - b);
    str[e - b] = '\0';
}

void Profile::fn_vFilterSpace(char* str) {
    if (!str) return;
    char* out = str;
    for (const char* p = str; *p; ++p)
        if (!IsLineSpace(*p)) *out++ = *p;
    *out = '\0';
}

void Profile::fn_vReverse(char* str) {
    if (!str) return;
    size_t i = 0, j = strlen(str);
    while (i + 1 < j) {
        const char c = str[i];
        str[i++] = str[--j];
        str[j] = c;
    }
}

bool Profile::fn_pIntToString(int num, char* buf, int n) {
    if (!buf || n < 2 || n > 36) return false;
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    // The magnitude as unsigned, so INT_MIN converts like any other value.
    unsigned int mag = num < 0 ? 0u - unsigned(num) : unsigned(num);
    char* p = buf;
    do {
        *p++ = kDigits[mag % unsigned(n)];
        mag /= unsigned(n);
    } while (mag);
    if (num < 0) *p++ = '-';
    *p = '\0';
    fn_vReverse(buf);
    return true;
}

bool Profile::fn_pFloatToString(float num, char* buf) {
    if (!buf) return false;
    snprintf(buf, 48, "%f", double(num));
    return true;
}
