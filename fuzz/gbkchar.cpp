// Fuzzes the GBK character walkers on arbitrary bytes: as a NUL-terminated string (cut at the
// first NUL) and as a token of explicit length with no terminator after it.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "Utility/GBKChar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // cut at the first NUL
    size_t len = text.size();
    auto Copy = [&] {
        std::unique_ptr<char[]> p(new char[len + 1]);
        memcpy(p.get(), text.c_str(), len + 1);
        return p;
    };
    std::unique_ptr<char[]> s = Copy();
    const unsigned char* u = reinterpret_cast<const unsigned char*>(s.get());

    // Reading characters: the pieces put back together give the text.
    std::vector<tstring> chars;
    Str2CharVector(s.get(), chars, false);
    std::string joined;
    for (auto& c : chars) joined += c;
    if (joined != text) __builtin_trap();
    Str2CharVector(s.get(), chars, true);
    unsigned long nSingle = 0, nMulti = 0;
    CharStat(s.get(), nSingle, nMulti, false);
    for (unsigned long i = 0; i < len;) GetCharCode(s.get(), i, len);

    // Counts never exceed the characters walked.
    if (GetCharCount(s.get(), s.get(), 0) > len) __builtin_trap();
    GetForeignCharCount(s.get());
    GetForeignType(s.get());
    IsForeign(s.get());
    IsAllForeign(s.get());
    CC_Find(s.get(), len >= 2 ? s.get() + len - 2 : "");

    IsAllSingleByte(u, 0);
    IsAllChinese(u);
    IsAllNonChinese(u);
    if (GetCCPrefix(u) > len) __builtin_trap();
    IsAllIndex(u);
    IsAllLetter(u);
    IsAllDelimiter(u);
    IsDelimiter(s.get());
    IsEnglishText(s.get());
    IsAllChineseNum(s.get(), 0);
    IsAllNum(s.get(), 0);
    IsYearTime(s.get(), 0);
    IsDayTime(s.get(), 0);

    // Tokens of explicit length with nothing readable after them.
    if (size > 0) {
        std::unique_ptr<char[]> t(new char[size]);
        memcpy(t.get(), data, size);
        IsAllNum(t.get(), size);
        IsYearTime(t.get(), int(size));
        IsDayTime(t.get(), unsigned(size));
        IsAllChineseNum(t.get(), size);
        GetCharCount(s.get(), t.get(), size);
        IsAllSingleByte(reinterpret_cast<unsigned char*>(t.get()), size);
    }

    // In-place functions never grow the text.
    std::unique_ptr<char[]> q = Copy();
    QuanJiao2BanJiao(q.get());
    if (strlen(q.get()) > len) __builtin_trap();
    std::unique_ptr<char[]> w = Copy();
    WordStandard(w.get());
    if (strlen(w.get()) > len) __builtin_trap();
    std::unique_ptr<char[]> n = Copy();
    StrNormalize(n.get());

    std::unique_ptr<char[]> pre(new char[len + 1]), post(new char[len + 1]);
    PostfixSplit(s.get(), pre.get(), post.get());
    if (std::string(pre.get()) + post.get() != text) __builtin_trap();

    std::unique_ptr<char[]> line(new char[len + 1]);
    for (const char* p = s.get(); p;) p = sgets(p, line.get());
    MaxPrefix(s.get(), q.get());
    return 0;
}
