// Fuzz target for number-token classification and the Chinese numeral converters.
// Input: byte 0 selects flags (UTF-8 input, upper-case writing) and a length for GetNumType;
// the rest is the text, copied into an exact NUL-terminated buffer so an over-read shows.
// Checks, besides memory safety: results stay in their documented ranges, and a value written
// in Chinese numerals below 10^12 reads back as itself.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "Utility/ChineseNumber.h"
#include "Utility/LogFile.h"
#include "Utility/NumberType.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool bQuiet = (g_bLog = false, true);  // no error files while fuzzing
    (void)bQuiet;
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const bool bUTF8 = (flags & 1) != 0;
    const bool bUpper = (flags & 2) != 0;
    const unsigned long nLength = flags >> 2;
    std::unique_ptr<char[]> text(new char[size]);
    memcpy(text.get(), data + 1, size - 1);
    text[size - 1] = '\0';

    int nType = GetNumType(text.get(), nLength);
    Check(nType == -1 || nType == 52 || nType == 100 || nType == 101);

    CCIDChecker checker;
    int nValid = checker.ValidCheck(text.get());
    Check(nValid >= -5 && nValid <= 1 && nValid != 0);
    char c = checker.GetCheckCode(text.get());
    Check(c == 0 || strchr("10X98765432", c) != nullptr);
    _tPersonInfo info;
    checker.ExtractPersonInfo(text.get(), info);
    checker.GetProv(info);
    Check(strlen(info.prov) < sizeof(info.prov));
    IsValidDateString(text.get(), bUTF8);

    int64_t nValue = Str2Integer(text.get(), bUTF8);
    Check(nValue >= -1);
    ChineseNum2Digit(text.get());
    std::string out;
    Str2Double(text.get(), out, bUTF8);
    Str2Double(text.get(), bUTF8);
    Str2Money(text.get(), out, bUTF8);
    Double2Str(text.get(), out, bUpper);
    Integer2Str(text.get(), out, bUpper);
    Str2Float(text.get());

    if (nValue >= 0 && nValue < 1000000000000LL) {
        Integer2Str(uint64_t(nValue), out, bUpper);
        Check(Str2Integer(out.c_str()) == nValue);
    }
    return 0;
}
