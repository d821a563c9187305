// Every GBK/UTF-8/Unicode converter on arbitrary bytes, into buffers of exactly the documented
// sizes, with the round-trip property of the table codec checked.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const char* text = raw.c_str();  // NUL-terminated view (stops at an embedded NUL)
    const size_t len = std::strlen(text);

    // GBK -> wide -> UTF-8 -> GBK -> wide gives the same units: everything the decoder emits
    // has a GBK form.
    std::wstring wide, again;
    tstring utf8, gbk;
    ANSIToUnicode(raw, wide);
    ANSIToUTF8(text, utf8);
    UTF8ToANSI(utf8.c_str(), gbk);
    ANSIToUnicode(gbk, again);
    if (wide != again) __builtin_trap();
    UTF8ToANSI(text, gbk);
    UtfStr2Unicode(text);
    unicode_to_utf8(utf8_to_unicode(raw));

    std::vector<wchar_t> units(len + 1);
    utf8_to_unicode(text, units.data());
    std::vector<char> u16(2 * len + 1);
    const int n = utf8tou(text, u16.data());
    std::vector<char> out(2 * size_t(n) + 2);
    utoGbk(u16.data(), out.data(), n);
    std::vector<char> gbkOut(len + 2);
    utf8toGbk(text, gbkOut.data());
    wchar_t w;
    UTF8Char_ToUnicode(reinterpret_cast<const char*>(data), int(size), w);

    std::vector<char> table(len + 1);
    buffer_gbk2big5(text, table.data());
    const int cap = size ? data[0] : 0;
    std::vector<char> utf8Out(size_t(cap) + 1);
    buffer_gbk2utf8(text, cap, utf8Out.data());

    // The entry points with a given code, into buffers of the documented sizes.
    for (int code : {1, 2, 3, 8, 5}) {
        std::vector<char> ansi(size + 1);
        int destLen = 0;
        CodeTrans_ToAnsi(code, raw.data(), int(size), ansi.data(), destLen);
        std::vector<char> toUtf8(4 * size + 1);
        destLen = 0;
        CodeTrans_ToUtf8(code, raw.data(), int(size), toUtf8.data(), destLen);
        // A bounded output of exactly its capacity (0 would mean unbounded).
        destLen = cap + 1;
        std::vector<char> small(size_t(cap) + 1);
        CodeTrans_ToUtf8(code, raw.data(), int(size), small.data(), destLen);
        destLen = cap + 1;
        CodeTrans_ToUnicode(code, raw.data(), int(size), small.data(), destLen);
    }
    return 0;
}
