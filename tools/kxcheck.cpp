// Answers of the library's character tests and encoding detector for lines of input, so that the
// Python copies of that logic (tools/kxdata) can be compared with the library on the same input
// (tools/check_python_copies.py).
//
// Usage:
//   kxcheck gbk            stdin: "sets HEX HEX ..." first, then one HEX token a line
//   kxcheck detect MODEL   stdin: one HEX text a line
// HEX is the bytes in hexadecimal ("-" for none). Output, one line per input line:
//   gbk:    chars=L,L,... num=0|1 year=0|1 day=0|1 delim=HEX|- atoi=N counts=C,C,...
//           (character lengths, IsAllNum, IsYearTime, IsDayTime, Delimiter2DictFormat of the
//           first byte, atoi, GetCharCount for each set of the first line)
//   detect: the code of CodeTrans_CodeDetect.
// Exit code 2 for bad usage, bad hex or a model that does not load.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "Utility/GBKChar.h"

namespace {

bool FromHex(const std::string& hex, std::string& out) {
    out.clear();
    if (hex == "-") return true;
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        std::string pair = hex.substr(i, 2);
        long v = std::strtol(pair.c_str(), &end, 16);
        if (*end) return false;
        out.push_back(char(v));
    }
    return true;
}

std::string ToHex(const char* s, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)s[i];
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out.empty() ? "-" : out;
}

std::string GbkLine(const std::string& tok, const std::vector<std::string>& sets) {
    std::string out = "chars=";
    // Walk the token the way the character model reads it.
    char ch[3];
    for (size_t i = 0; i < tok.size();) {
        int n = Getchar(tok.c_str() + i, ch);
        if (n < 1) break;
        if (i) out += ",";
        out += std::to_string(n);
        i += size_t(n);
    }
    const char* s = tok.c_str();
    const unsigned long len = tok.size();
    out += " num=" + std::to_string(len ? IsAllNum(s, len) : true);
    out += " year=" + std::to_string(IsYearTime(s, int(len)));
    out += " day=" + std::to_string(len ? IsDayTime(s, (unsigned int)len) : true);
    char full[3] = {0, 0, 0};
    out += " delim=";
    out += (len && Delimiter2DictFormat(s[0], full)) ? ToHex(full, 2) : "-";
    out += " atoi=" + std::to_string(std::atoi(s));
    out += " counts=";
    for (size_t k = 0; k < sets.size(); ++k) {
        if (k) out += ",";
        out += std::to_string(len ? GetCharCount(sets[k].c_str(), s, len) : 0);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "detect") {
        if (argc < 3 || CodeTrans_Initialize(argv[2]) != 0) {
            std::fprintf(stderr, "kxcheck: cannot load the model\n");
            return 2;
        }
    } else if (mode != "gbk") {
        std::fprintf(stderr, "usage: kxcheck gbk | kxcheck detect MODEL\n");
        return 2;
    }
    std::vector<std::string> sets;
    std::string line, bytes;
    bool first = true;
    while (std::getline(std::cin, line)) {
        if (mode == "gbk" && first) {
            first = false;
            size_t at = line.find(' ');
            while (at != std::string::npos) {
                size_t next = line.find(' ', at + 1);
                std::string hex = line.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
                if (!FromHex(hex, bytes)) return 2;
                sets.push_back(bytes);
                at = next;
            }
            continue;
        }
        if (!FromHex(line, bytes)) {
            std::fprintf(stderr, "kxcheck: bad hex line\n");
            return 2;
        }
        if (mode == "gbk")
            std::cout << GbkLine(bytes, sets) << "\n";
        else
            std::cout << CodeTrans_CodeDetect(bytes.data(), int(bytes.size())) << "\n";
    }
    if (mode == "detect") CodeTrans_Destroy();
    return 0;
}
