// Tag and value getters: simple markup read by plain text search, not by parsing.
//
// Each getter finds the first occurrence of an opening mark built from the item name ("<name>",
// "name=\"", "\"name\":") and returns the raw bytes up to the matching closing mark: no trimming, no
// unescaping (CDATA markers pass through), no nesting, no attention to comments. Item names of any
// length are accepted; a NULL text or name counts as an absent item. All getters are stateless and
// thread-safe, and return pointers into the caller's text.
#pragma once

#include <cstddef>

#include "Utility/Types.h"

// sValue receives the text between the first "<name>" and the first "</name>" after it, or the
// whole rest of the text when the closing tag is missing. True when "<name>" was found (also without
// a closing tag), false with sValue empty otherwise. sValue must hold the value and its NUL: use it
// only when the buffer is sized from the text (as start-up does with the file size + 1).
bool GetXMLItemValue(const char* sLine, const char* sItemName, char* sValue);

// As above, but copies at most nCap - 1 bytes of the value (and its NUL) into sValue; nCap 0 writes
// nothing. Same true/false results.
bool GetXMLItemValue(const char* sLine, const char* sItemName, char* sValue, size_t nCap);

// sVal receives the value as above (emptied first). Returns the position of the closing "</name>"
// in sLine, or NULL when "<name>" is absent or the closing tag is missing (then sVal still holds the
// rest of the text). Calling again on the text after the returned position finds the next item.
const char* GetXMLItemValue(const char* sLine, const char* sItemName, tstring& sVal);

// Finds the first name="..." attribute. sVal (emptied first) receives the text up to the next double
// quote, or the rest of the text when there is none. Returns the position of that closing quote;
// NULL when the attribute is absent, when sLineEnd is given and the match starts beyond it, or when
// the closing quote is missing.
const char* GetXMLPropertyValue(const char* sLine, const char* sItemName, tstring& sVal,
                                const char* sLineEnd = nullptr);

// atoi of the string form of GetXMLItemValue (0 when the item is absent; the value is used even
// without a closing tag).
int GetXMLItemInt(const char* sLine, const char* sItemName);

// Finds the first "\"name\":" and takes the text between the next two double quotes after it, so a
// value that is not a quoted string yields the next quoted text. A NULL text returns NULL and leaves
// sVal alone; otherwise sVal is emptied first. Returns the position of the closing quote; NULL when
// the key or an opening quote is absent, or when the closing quote is missing (then sVal holds the
// rest of the text).
const char* GetJsonItemValue(const char* sLine, const char* sItemName, tstring& sVal);

// atoi of GetJsonItemValue (0 when absent).
int GetJsonItemInt(const char* sLine, const char* sItemName);
