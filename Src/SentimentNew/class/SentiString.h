// String utilities of the sentiment side: splitting at a whole delimiter, the two replacement
// loops, reading a number from the start of a text, and the UTF-8 character length that the
// character walks use.
//
// Numbers are read and written in the classic "C" locale whatever locale the host process has
// installed, so a weight reads and prints with "." as its decimal point and without grouping.
// All functions are stateless and thread-safe; they touch only their arguments.
#pragma once

#include <locale>
#include <sstream>
#include <vector>

#include "Utility/Types.h"

// The pieces of s between occurrences of the whole substring delim, left to right. With
// keep_empty false empty pieces are dropped (an empty s then gives no piece). An empty delim gives
// one piece holding s.
std::vector<tstring> Split(const tstring& s, const tstring& delim, bool keep_empty);

// Replaces occurrences of old_value in str until none is left: a replacement that creates a new
// occurrence (even one reaching back before it) is replaced in turn. Returns str. An empty
// old_value leaves str unchanged; a new_value that contains old_value would never end, so it is
// then replaced in one pass as ReplaceAllDistinct does.
tstring& ReplaceAll(tstring& str, const tstring& old_value, const tstring& new_value);

// Replaces occurrences of old_value in one left-to-right pass, each search starting after the
// text just inserted. Returns str. An empty old_value leaves str unchanged.
tstring& ReplaceAllDistinct(tstring& str, const tstring& old_value, const tstring& new_value);

// Reads a T from the start of s with a classic-locale string stream: the leading number counts,
// the rest is ignored ("2abc" gives 2, "0x1A" gives 0). A text that starts with no number gives
// T(); a double out of range gives the largest value of its sign, as the stream stores it.
template <typename T>
T ConvertFromString(const tstring& s) {
    std::istringstream is(s);
    is.imbue(std::locale::classic());
    T value{};
    is >> value;
    return value;
}

// Length of the well-formed UTF-8 character at s[i] within n bytes (1 to 4), or 0 when the bytes
// there are no well-formed UTF-8 scalar value: a stray continuation byte, a lead byte C0, C1 or
// F5-FF, a truncated sequence, an overlong form, a surrogate or a value above U+10FFFF. The
// caller keeps i below n.
size_t Utf8CharLength(const char* s, size_t i, size_t n);
