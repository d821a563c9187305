// The text getters and small text functions on arbitrary text: XML and JSON item getters, the
// sentence, title and e-mail functions, the date parsers, the string utilities and the engine's
// configuration items. Input: the first line is an item name, pattern or delimiter, the rest the
// text; the first byte also picks positions and limits.
// Checks, besides memory safety: the sized XML getter never writes past its capacity, a found
// position lies inside the text, and the sentence functions answer positions inside the text.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "MERIDOX/System/EngineConfig.h"
#include "Utility/LogFile.h"
#include "Utility/StrFunc.h"
#include "Utility/TagValue.h"
#include "Utility/TextFunc.h"
#include "Utility/TimeFunc.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// True for a null position or one inside the text (its end included).
bool Inside(const char* p, const std::string& s) {
    return !p || (p >= s.c_str() && p <= s.c_str() + s.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_bLog = false;
    const std::string in(reinterpret_cast<const char*>(data), size);
    const size_t nl = in.find('\n');
    // C strings: each ends at its first NUL, as the functions read them.
    const std::string name = in.substr(0, nl).c_str();
    const std::string text = nl == std::string::npos ? std::string() : std::string(in.substr(nl + 1).c_str());
    const unsigned pick = size ? data[0] : 0;
    const char* s = text.c_str();

    // ---- tag and value getters ----
    std::vector<char> whole(text.size() + 1);
    GetXMLItemValue(s, name.c_str(), whole.data());
    char small[8];
    memset(small, 'z', sizeof small);
    GetXMLItemValue(s, name.c_str(), small, pick % 8);
    Check(pick % 8 == 0 || memchr(small, 0, pick % 8) != nullptr);
    tstring val;
    const char* p = GetXMLItemValue(s, name.c_str(), val);
    Check(Inside(p, text));
    if (p) GetXMLItemValue(p, name.c_str(), val);
    Check(Inside(GetXMLPropertyValue(s, name.c_str(), val), text));
    Check(Inside(GetXMLPropertyValue(s, name.c_str(), val, s + text.size() / 2), text));
    GetXMLItemInt(s, name.c_str());
    Check(Inside(GetJsonItemValue(s, name.c_str(), val), text));
    GetJsonItemInt(s, name.c_str());

    // ---- sentences, titles, e-mail, case ----
    const unsigned long pos = text.empty() ? 0 : pick % (text.size() + 2);
    Check(FindSentenceEnd(s, pos, pick % 64) <= text.size());
    Check(FindSentenceStart(s, pos, pick % 64) <= text.size() + 2);
    IsValidTitle(s);
    IsValidSentence(s);
    std::vector<_email> mails;
    ExtractEmail(s, mails);
    char num[12];
    int value = 0;
    memcpy(&value, text.data(), text.size() < sizeof value ? text.size() : sizeof value);
    for (int radix : {8, 10, 16}) itoa(value, num, radix);
    std::string copy = text;
    strlwr(&copy[0]);
    strupr(&copy[0]);
    strrev(&copy[0]);

    // ---- dates ----
    long t = str2time(s);
    cstr2time(s);
    char date[64];
    time2str(t, date, pick & 1);
    formatDateTime(t, pick & 2);

    // ---- string utilities ----
    tstring work = text;
    gfn_vReplaceSubstr(work, name.c_str(), "xy");
    std::vector<tstring> parts;
    if (!name.empty()) {
        gfn_bSplit(s, parts, name.c_str());
        gfn_bSplitOR(s, parts, name.c_str());
    }
    tstring joined;
    Vector2Str(parts, name.c_str(), joined);
    work = text;
    gfn_bTrimWord(work);
    work = text;
    trim(work, name.empty() ? ' ' : name[0]);
    copy = text;
    deleteChar(&copy[0], unsigned(copy.size()), name.empty() ? ' ' : name[0]);
    tstring word, tag;
    gfn_bGetWordPos(text, word, tag, name.empty() ? "/" : name);
    work = text;
    toLower(work);
    countChar(s, unsigned(text.size()), pick);
    replaceChar(text, name.empty() ? 'a' : name[0], name.c_str());
    TextIndent(work, pick % 16, ' ');
    strlen_nospace(s);
    tstring stand;
    TextStandard(s, stand);
    work = text;
    IsInRange(work, name.substr(0, name.size() / 2), name.substr(name.size() / 2), pos);
    tstring prefix;
    prefixMatch(s, name.c_str(), prefix);
    unsigned long nStart = 0;
    StrMatch(name.c_str(), s, nStart, int(pick % 32) - 1);
    StrMatch(s, name.c_str(), nStart, -1);

    // ---- engine configuration items ----
    ApplyLogItem(s);
    g_bLog = false;
    ApplyEngineItems(s);
    IsConfigItemOn(s, name.c_str());
    tstring first;
    AppendFirstChar(first, text);
    return 0;
}
