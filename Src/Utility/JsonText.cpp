#include "Utility/JsonText.h"

#include <memory>
#include <sstream>

namespace {

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Walks the text character by character in GBK and turns "lead, 5C, 5C" into "lead, 5C": the
// second backslash is jsoncpp's escape of a trail byte, not part of the text.
std::string UnescapeGbkTrails(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsGbkLead(c) && i + 1 < n && IsGbkTrail(static_cast<unsigned char>(s[i + 1]))) {
            out += s[i];
            out += s[i + 1];
            i += (s[i + 1] == '\\' && i + 2 < n && s[i + 2] == '\\') ? 3 : 2;
        } else {
            out += s[i];
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string WriteJson2Str(const Json::Value& value, bool bGbk)
{
    Json::StreamWriterBuilder builder;
    builder["emitUTF8"] = true;
    std::unique_ptr<Json::StreamWriter> writer(builder.newStreamWriter());
    std::ostringstream os;
    writer->write(value, &os);
    return bGbk ? UnescapeGbkTrails(os.str()) : os.str();
}
