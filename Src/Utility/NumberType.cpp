// Number tokens and identity numbers (see NumberType.h).
#include "Utility/NumberType.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/ChineseNumber.h"
#include "Utility/GBKChar.h"
#include "Utility/StrFunc.h"

namespace {

// Weights of the first 17 digits and the check character of each remainder mod 11 (GB 11643).
const int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
const char kCheckChars[] = "10X98765432";

struct Province {
    int nCode;
    const char* sName;  // GBK
};

// Searched in this order by district_id / 10000.
const Province kProvinces[35] = {
    {11, "\xB1\xB1\xBE\xA9"},              // 北京
    {12, "\xCC\xEC\xBD\xF2"},              // 天津
    {13, "\xBA\xD3\xB1\xB1"},              // 河北
    {14, "\xC9\xBD\xCE\xF7"},              // 山西
    {15, "\xC4\xDA\xC3\xC9\xB9\xC5"},      // 内蒙古
    {21, "\xC1\xC9\xC4\xFE"},              // 辽宁
    {22, "\xBC\xAA\xC1\xD6"},              // 吉林
    {23, "\xBA\xDA\xC1\xFA\xBD\xAD"},      // 黑龙江
    {31, "\xC9\xCF\xBA\xA3"},              // 上海
    {32, "\xBD\xAD\xCB\xD5"},              // 江苏
    {33, "\xD5\xE3\xBD\xAD"},              // 浙江
    {34, "\xB0\xB2\xBB\xD5"},              // 安徽
    {35, "\xB8\xA3\xBD\xA8"},              // 福建
    {36, "\xBD\xAD\xCE\xF7"},              // 江西
    {37, "\xC9\xBD\xB6\xAB"},              // 山东
    {41, "\xBA\xD3\xC4\xCF"},              // 河南
    {42, "\xBA\xFE\xB1\xB1"},              // 湖北
    {43, "\xBA\xFE\xC4\xCF"},              // 湖南
    {44, "\xB9\xE3\xB6\xAB"},              // 广东
    {45, "\xB9\xE3\xCE\xF7"},              // 广西
    {46, "\xBA\xA3\xC4\xCF"},              // 海南
    {50, "\xD6\xD8\xC7\xEC"},              // 重庆
    {51, "\xCB\xC4\xB4\xA8"},              // 四川
    {52, "\xB9\xF3\xD6\xDD"},              // 贵州
    {53, "\xD4\xC6\xC4\xCF"},              // 云南
    {54, "\xCE\xF7\xB2\xD8"},              // 西藏
    {61, "\xC9\xC2\xCE\xF7"},              // 陕西
    {62, "\xB8\xCA\xCB\xE0"},              // 甘肃
    {63, "\xC7\xE0\xBA\xA3"},              // 青海
    {64, "\xC4\xFE\xCF\xC4"},              // 宁夏
    {65, "\xD0\xC2\xBD\xAE"},              // 新疆
    {71, "\xCC\xA8\xCD\xE5"},              // 台湾
    {81, "\xCF\xE3\xB8\xDB"},              // 香港
    {82, "\xB0\xC4\xC3\xC5"},              // 澳门
    {91, "\xB9\xFA\xCD\xE2"},              // 国外
};

// Bound of a date part read from text.
const long long kPartLimit = 1000000;

// Date markers 年 月 日 (GBK codes).
const int kDateMarkers[3] = {0xC4EA, 0xD4C2, 0xC8D5};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal value of the characters [nFrom, nTo) of sText, read as far as they exist.
int ReadField(const char* sText, size_t nFrom, size_t nTo) {
    size_t nLen = strnlen(sText, nTo);
    int nValue = 0;
    for (size_t i = nFrom; i < nLen && IsDigit(sText[i]); ++i) nValue = nValue * 10 + (sText[i] - '0');
    return nValue;
}

int CurrentYear() {
    time_t tNow = time(nullptr);
    struct tm tmNow {};
    if (localtime_r(&tNow, &tmNow) == nullptr) return 1970;
    return tmNow.tm_year + 1900;
}

bool IsLeapYear(long nYear) { return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0; }

}  // namespace

int GetNumType(const char* sText, unsigned long length) {
    if (sText == nullptr) return -1;
    // Copy exactly the token, never past the text's NUL.
    size_t nLen = length == 0 ? strlen(sText) : strnlen(sText, length);
    // Folding and joining never lengthen the token, and every type needs 5 joined bytes or more
    // (a date a piece of 4 and another one, a telephone number 8, an identity number 15).
    if (nLen < 5) return -1;
    // The token is folded and joined in place, in a buffer on the stack when it fits (the result
    // output asks for every number word).
    char sLocal[128];
    std::vector<char> vecLong;
    char* sToken = sLocal;
    if (nLen >= sizeof sLocal) {
        vecLong.resize(nLen + 1);
        sToken = vecLong.data();
    }
    memcpy(sToken, sText, nLen);
    sToken[nLen] = 0;
    QuanJiao2BanJiao(sToken);

    // The pieces between the delimiters "()+-. " (blanks, TABs and CRs before a piece are skipped
    // too; CRs and LFs that end a piece are dropped; empty pieces are left out), joined.
    static const char kDelimiters[] = "()+-. ";
    auto isDelim = [](char c) { return c != 0 && strchr(kDelimiters, c) != nullptr; };
    size_t nPieces = 0, nFirstPiece = 0, L = 0;
    const char* p = sToken;
    for (;;) {
        while (*p && (*p == ' ' || *p == '\t' || *p == '\r' || isDelim(*p))) ++p;
        if (!*p) break;
        const char* pPiece = p;
        while (*p && !isDelim(*p)) ++p;
        size_t n = size_t(p - pPiece);
        while (n > 0 && (pPiece[n - 1] == '\r' || pPiece[n - 1] == '\n')) --n;
        if (n == 0) continue;
        if (nPieces++ == 0) nFirstPiece = n;
        memmove(sToken + L, pPiece, n);  // the joined text never passes what is still to read
        L += n;
    }
    sToken[L] = 0;
    if (L == 0) return -1;
    const char cFirst = sToken[0];

    if (nPieces >= 2 && nFirstPiece == 4 && (cFirst == '1' || cFirst == '2') && L < 9) return NUMTYPE_DATE;
    if (L == 11 || (L == 8 && cFirst != '0' && cFirst != '1') || (L >= 12 && L <= 14 && cFirst == '0'))
        return NUMTYPE_PHONE;
    if ((L == 15 || L == 18) && cFirst >= '1' && cFirst <= '9') {
        CCIDChecker checker;
        if (checker.ValidCheck(sToken) > 0) return NUMTYPE_ID;
    }
    return -1;
}

int CCIDChecker::ValidCheck(const char* sID) {
    if (sID == nullptr) return -1;
    size_t nLen = strlen(sID);
    if (nLen != 15 && nLen != 18) return -1;
    char sID18[19] = {};
    if (nLen == 15) {
        for (size_t i = 0; i < 15; ++i)
            if (!IsDigit(sID[i])) return -2;
        Change15To18(sID, sID18);
    } else {
        memcpy(sID18, sID, 18);
    }
    for (size_t i = 0; i < 17; ++i)
        if (!IsDigit(sID18[i])) return -2;
    if (sID18[17] != GetCheckCode(sID18)) return -3;
    _tPersonInfo info;
    ExtractPersonInfo(sID18, info);
    if (!GetProv(info)) return -4;
    if (!IsValidDate(info.birthday, true)) return -5;
    return 1;
}

bool CCIDChecker::Change15To18(const char* sID15, char* sOut) {
    if (sOut == nullptr) return false;
    sOut[0] = '\0';
    if (sID15 == nullptr || strnlen(sID15, 15) < 15) return false;
    for (size_t i = 0; i < 15; ++i)
        if (!IsDigit(sID15[i])) return false;
    memcpy(sOut, sID15, 6);
    sOut[6] = '1';
    sOut[7] = '9';
    memcpy(sOut + 8, sID15 + 6, 9);
    sOut[17] = '\0';
    sOut[17] = GetCheckCode(sOut);
    sOut[18] = '\0';
    return true;
}

char CCIDChecker::GetCheckCode(const char* sID) {
    if (sID == nullptr || strnlen(sID, 17) < 17) return 0;
    int nSum = 0;
    for (size_t i = 0; i < 17; ++i) {
        if (!IsDigit(sID[i])) return 0;
        nSum += (sID[i] - '0') * kWeights[i];
    }
    return kCheckChars[nSum % 11];
}

void CCIDChecker::ExtractPersonInfo(const char* sID18, _tPersonInfo& info) {
    if (sID18 == nullptr) return;
    info.district_id = ReadField(sID18, 0, 6);
    info.birthday = tm{};
    info.birthday.tm_year = ReadField(sID18, 6, 10) - 1900;
    info.birthday.tm_mon = ReadField(sID18, 10, 12) - 1;
    info.birthday.tm_mday = ReadField(sID18, 12, 14);
    info.gender = ReadField(sID18, 16, 17) % 2;
}

bool CCIDChecker::GetProv(_tPersonInfo& info) {
    int nCode = info.district_id / 10000;
    for (const Province& p : kProvinces) {
        if (p.nCode == nCode) {
            strncpy(info.prov, p.sName, sizeof(info.prov) - 1);
            info.prov[sizeof(info.prov) - 1] = '\0';
            return true;
        }
    }
    return false;
}

bool IsValidDate(const struct tm& date, bool bNotFuture) {
    const long nYear = long(date.tm_year) + 1900;
    const long nMonth = long(date.tm_mon) + 1;
    const long nDay = date.tm_mday;
    if (nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) return false;
    if (nMonth == 2 && nDay > (IsLeapYear(nYear) ? 29 : 28)) return false;
    if ((nMonth == 4 || nMonth == 6 || nMonth == 9 || nMonth == 11) && nDay > 30) return false;
    const long nCurrentYear = CurrentYear();
    if (nYear > 1900 && nCurrentYear - nYear >= 151) return false;
    if (bNotFuture && nYear > nCurrentYear) return false;
    return true;
}

bool IsValidDate(time_t tValue, bool bNotFuture) {
    struct tm tmDate {};
    if (localtime_r(&tValue, &tmDate) == nullptr) return false;
    return IsValidDate(tmDate, bNotFuture);
}

bool IsValidDateString(const char* sText, bool bUTF8) {
    if (sText == nullptr) return true;
    tstring sGBK;
    if (bUTF8) UTF8ToANSI(sText, sGBK);
    else sGBK = sText;

    // Year, month and day, each the text before its marker, searched from the previous marker.
    int nPart[3] = {0, 0, 0};
    bool bFound[3] = {false, false, false};
    size_t nPos = 0;
    for (int k = 0; k < 3; ++k) {
        size_t nMarker = FindGBKChar(sGBK, kDateMarkers[k], nPos);
        if (nMarker == tstring::npos) continue;
        tstring sPart = sGBK.substr(nPos, nMarker - nPos);
        gfn_bTrimWord(sPart);
        long long nValue = strtoll(sPart.c_str(), nullptr, 10);
        if (nValue == 0) nValue = Str2Integer(sPart.c_str(), false);
        // Absurd values stay absurd but keep the date arithmetic inside int.
        if (nValue > kPartLimit) nValue = kPartLimit;
        if (nValue < -kPartLimit) nValue = -kPartLimit;
        nPart[k] = int(nValue);
        bFound[k] = true;
        nPos = nMarker + 2;
    }
    if (!bFound[0] && !bFound[1]) return true;
    struct tm tmDate {};
    tmDate.tm_year = nPart[0] - 1900;
    tmDate.tm_mon = nPart[1] - 1;
    tmDate.tm_mday = nPart[2];
    return IsValidDate(tmDate, false);
}
