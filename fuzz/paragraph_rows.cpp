// Rows and tokens of arbitrary bytes taken as UTF-8 text through the engine interface started with
// the UTF-8 code translator (when the build's data directory is found: the folder holding Data
// is $KX_DATA_DIR/.., .. or .). The first input byte chooses finer pieces (bit 0) and the
// tokenizer's finer pieces (bit 1); the rest is the text, up to its first zero byte. Traps when a
// row of KOVEX_ParagraphProcessA leaves the text or starts or ends inside a character, or when a
// token of KOVEX_Tokenizer4IR is not the characters of the text between its begin and end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <json/json.h>

#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogFile.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool Started() {
    static const bool bStarted = [] {
        g_bLog = false;
        std::vector<std::string> roots;
        if (const char* env = std::getenv("KX_DATA_DIR")) roots.push_back(std::string(env) + "/..");
        roots.push_back("..");
        roots.push_back(".");
        for (const std::string& r : roots) {
            if (FILE* f = std::fopen((r + "/Data/Configure.xml").c_str(), "rb")) {
                std::fclose(f);
                return KOVEX_Init(r.c_str(), 1, nullptr) == 1;
            }
        }
        return false;
    }();
    return bStarted;
}

bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Offsets where a character starts (size + 1 entries): every offset but the continuation bytes
// of a sequence whose lead byte announces them and whose bytes are all there.
std::vector<bool> Starts(const std::string& s) {
    std::vector<bool> starts(s.size() + 1, true);
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = (unsigned char)s[i];
        size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
        for (size_t k = 1; k < n; ++k)
            if (i + k >= s.size() || !IsCont((unsigned char)s[i + k])) n = 1;
        for (size_t k = 1; k < n; ++k) starts[i + k] = false;
        i += n;
    }
    return starts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || !Started()) return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(strlen(text.c_str()));
    g_bFinerSegCombined = (data[0] & 1) != 0;
    const bool bFineTokens = (data[0] & 2) != 0;

    const std::vector<bool> starts = Starts(text);
    int nCount = 0;
    const result_t* pRows = KOVEX_ParagraphProcessA(text.c_str(), &nCount, true);
    for (int k = 0; k < nCount; ++k) {
        const result_t& r = pRows[k];
        Check(r.start >= 0 && r.length >= 0 && size_t(r.start) + size_t(r.length) <= text.size());
        Check(starts[size_t(r.start)] && starts[size_t(r.start + r.length)]);
    }

    // The tokens index the text after a byte-order mark, character by character.
    const size_t nSkip = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::vector<size_t> chars;  // byte offset of each character start, then the end
    for (size_t i = nSkip; i < text.size(); ++i)
        if (starts[i]) chars.push_back(i);
    chars.push_back(text.size());
    const std::string json = KOVEX_Tokenizer4IR(text.c_str(), bFineTokens);
    Json::Value root;
    std::string errors;
    std::istringstream in(json);
    Check(Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &errors) && root.isArray());
    for (const Json::Value& v : root) {
        const int nBegin = v["begin"].asInt(), nEnd = v["end"].asInt();
        Check(0 <= nBegin && nBegin <= nEnd && size_t(nEnd) < chars.size());
        // Words are the text's own characters (finer pieces come back converted, so only their
        // place is checked).
        if (!bFineTokens)
            Check(v["text"].asString() == text.substr(chars[size_t(nBegin)], chars[size_t(nEnd)] - chars[size_t(nBegin)]));
    }
    return 0;
}
