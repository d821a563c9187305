// Fuzz target for the heading-number analyser. Input: byte 0 selects UTF-8 mode, the check's
// level and start number; byte 1 the type of ExtractOrder; the rest is headings, one a line (the
// first line is also tried as the chapter part of the check).
// Checks, besides memory safety: ExtractOrder returns the heading's format and keeps at most 5
// bytes of prefix; a value GenerateNum writes reads back with GetNumFormat as the same format and
// value for the one-character formats.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Utility/LogFile.h"
#include "Utility/NumUtility.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool bQuiet = (g_bLog = false, true);  // no error files while fuzzing
    (void)bQuiet;
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const int type = int(int8_t(data[1]));
    const std::string in(reinterpret_cast<const char*>(data) + 2, size - 2);

    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= in.size()) {
        size_t nl = in.find('\n', start);
        if (nl == std::string::npos) nl = in.size();
        lines.push_back(in.substr(start, nl - start));
        start = nl + 1;
    }

    CNumUtility num((flags & 1) != 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        _tSection_Info s;
        const int format = num.ExtractOrder(lines[i].c_str(), s, type);
        Check(format == s.num_format);
        Check(format == -1 || s.prefix.size() <= 5);
        num.AddSections(s, unsigned(i));
        num.AddSections(lines[i].c_str(), unsigned(i));
        int value = 0;
        const int f = num.GetNumFormat(s.text.c_str(), value);
        if (f >= 9) {
            const std::string text = num.GenerateNum(value, f);
            int back = 0;
            Check(num.GetNumFormat(text.c_str(), back) == f && back == value);
        }
        num.SetNewSectionNo(s, int(flags) - 128, lines[0].c_str(), nullptr, f, nullptr);
    }
    const int nLevel = (flags & 2) ? -1 : 0;
    const int nStartId = int(flags >> 2) - 20;
    Check(num.CheckOrder(nLevel, nStartId, (flags & 0x80) ? lines[0].c_str() : nullptr) == 1);
    for (_tSection_Info& s : num.Sections()) {
        Check(s.error_id.empty() || s.error_id == "1.3.6" || s.error_id == "1.3.8" || s.error_id == "1.3.10");
        num.SetNewSectionNo(s, num.Sections().front());
    }
    return 0;
}
