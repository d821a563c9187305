// JSON text of a jsoncpp value tree, as the engine's JSON results are written.
#pragma once

#include <json/json.h>

#include <string>

// Writes value with jsoncpp's default layout (tab indentation, " : ", keys sorted, no final
// newline), except that bytes of 0x80 and above pass unchanged instead of being re-encoded as
// \u escapes, so GBK and UTF-8 strings keep their own bytes.
//
// With bGbk set the strings are GBK: the backslash that jsoncpp adds before a GBK trail byte 0x5C
// (誠 is D5 5C) is taken out again, so the text read as GBK parses back to the original strings.
// Thread-safe.
std::string WriteJson2Str(const Json::Value& value, bool bGbk = false);
