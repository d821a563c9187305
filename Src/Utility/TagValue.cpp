#include "Utility/TagValue.h"

#include <cstdlib>
#include <cstring>

namespace {

// Locates the value of item sItemName: [*pBegin, *pEnd) is the value, and the result is the closing
// tag's position or NULL when it is missing (then *pEnd is the end of the text). False when the
// opening tag is absent or an argument is NULL.
bool FindItem(const char* sLine, const char* sItemName, const char** pBegin, const char** pEnd,
              const char** pClose) {
    if (!sLine || !sItemName) return false;
    const tstring open = tstring("<") + sItemName + ">";
    const char* p = strstr(sLine, open.c_str());
    if (!p) return false;
    p += open.size();
    const tstring close = tstring("</") + sItemName + ">";
    const char* q = strstr(p, close.c_str());
    *pBegin = p;
    *pEnd = q ? q : p + strlen(p);
    *pClose = q;
    return true;
}

}  // namespace

bool GetXMLItemValue(const char* sLine, const char* sItemName, char* sValue) {
    if (!sValue) return false;
    sValue[0] = 0;
    const char *b, *e, *c;
    if (!FindItem(sLine, sItemName, &b, &e, &c)) return false;
    memcpy(sValue, b, e - b);
    sValue[e - b] = 0;
    return true;
}

bool GetXMLItemValue(const char* sLine, const char* sItemName, char* sValue, size_t nCap) {
    if (sValue && nCap > 0) sValue[0] = 0;
    const char *b, *e, *c;
    if (!FindItem(sLine, sItemName, &b, &e, &c)) return false;
    if (sValue && nCap > 0) {
        size_t n = static_cast<size_t>(e - b);
        if (n > nCap - 1) n = nCap - 1;
        memcpy(sValue, b, n);
        sValue[n] = 0;
    }
    return true;
}

const char* GetXMLItemValue(const char* sLine, const char* sItemName, tstring& sVal) {
    sVal.clear();
    const char *b, *e, *c;
    if (!FindItem(sLine, sItemName, &b, &e, &c)) return nullptr;
    sVal.assign(b, e - b);
    return c;
}

const char* GetXMLPropertyValue(const char* sLine, const char* sItemName, tstring& sVal,
                                const char* sLineEnd) {
    sVal.clear();
    if (!sLine || !sItemName) return nullptr;
    const tstring pattern = tstring(sItemName) + "=\"";
    const char* p = strstr(sLine, pattern.c_str());
    if (!p || (sLineEnd && p > sLineEnd)) return nullptr;
    p += pattern.size();
    const char* q = strchr(p, '"');
    sVal.assign(p, q ? q : p + strlen(p));
    return q;
}

int GetXMLItemInt(const char* sLine, const char* sItemName) {
    tstring sVal;
    GetXMLItemValue(sLine, sItemName, sVal);
    return atoi(sVal.c_str());
}

const char* GetJsonItemValue(const char* sLine, const char* sItemName, tstring& sVal) {
    if (!sLine) return nullptr;
    sVal.clear();
    if (!sItemName) return nullptr;
    const tstring key = tstring("\"") + sItemName + "\":";
    const char* p = strstr(sLine, key.c_str());
    if (!p) return nullptr;
    p = strchr(p + key.size(), '"');
    if (!p) return nullptr;
    ++p;
    const char* q = strchr(p, '"');
    sVal.assign(p, q ? q : p + strlen(p));
    return q;
}

int GetJsonItemInt(const char* sLine, const char* sItemName) {
    tstring sVal;
    GetJsonItemValue(sLine, sItemName, sVal);
    return atoi(sVal.c_str());
}
