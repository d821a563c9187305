// Chinese numerals, money amounts and decimals (see ChineseNumber.h).
#include "Utility/ChineseNumber.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/GBKChar.h"
#include "Utility/LogFile.h"

namespace {

// One GBK character of the numeral table and its value, in search order.
struct NumeralChar {
    int nCode;
    int64_t nValue;
};

const NumeralChar kNumerals[] = {
    {0xC1E3, 0},          // 零
    {0xA1F0, 0},          // ○
    {0xD2BB, 1},          // 一
    {0xD2BC, 1},          // 壹
    {0xB6FE, 2},          // 二
    {0xC1BD, 2},          // 两
    {0xB7A1, 2},          // 贰
    {0xC8FD, 3},          // 三
    {0xC8FE, 3},          // 叁
    {0xCBC4, 4},          // 四
    {0xCBC1, 4},          // 肆
    {0xCEE5, 5},          // 五
    {0xCEE9, 5},          // 伍
    {0xC1F9, 6},          // 六
    {0xC2BD, 6},          // 陆
    {0xC6DF, 7},          // 七
    {0xC6E2, 7},          // 柒
    {0xB0CB, 8},          // 八
    {0xB0C6, 8},          // 捌
    {0xBEC5, 9},          // 九
    {0xBEC1, 9},          // 玖
    {0xCAAE, 10},         // 十
    {0xCAB0, 10},         // 拾
    {0xB0D9, 100},        // 百
    {0xB0DB, 100},        // 佰
    {0xC7A7, 1000},       // 千
    {0xC7AA, 1000},       // 仟
    {0xCDF2, 10000},      // 万
    {0xD2DA, 100000000},  // 亿
};

// Writing tables: index 0-9 digits, 10-12 the units ten, hundred, thousand, 13-14 the group
// units ten thousand and hundred million. Row 0 lower case, row 1 financial upper case.
const char* const kWriting[2][15] = {
    {"\xC1\xE3", "\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4",   // 零 一 二 三 四
     "\xCE\xE5", "\xC1\xF9", "\xC6\xDF", "\xB0\xCB", "\xBE\xC5",   // 五 六 七 八 九
     "\xCA\xAE", "\xB0\xD9", "\xC7\xA7", "\xCD\xF2", "\xD2\xDA"},  // 十 百 千 万 亿
    {"\xC1\xE3", "\xD2\xBC", "\xB7\xA1", "\xC8\xFE", "\xCB\xC1",   // 零 壹 贰 叁 肆
     "\xCE\xE9", "\xC2\xBD", "\xC6\xE2", "\xB0\xC6", "\xBE\xC1",   // 伍 陆 柒 捌 玖
     "\xCA\xB0", "\xB0\xDB", "\xC7\xAA", "\xCD\xF2", "\xD2\xDA"},  // 拾 佰 仟 万 亿
};

const int kCodePoint = 0xB5E3;     // 点
const int kCodeWhole = 0xD5FB;     // 整
const int kCodeYuan = 0xD4AA;      // 元
const int kCodeYuanRound = 0xD4B2; // 圆
const int kCodeJiao = 0xBDC7;      // 角
const int kCodeFen = 0xB7D6;       // 分

const char* const kMsgInvalidChar = " using invalid charater in Chinese numeric expression. ";
const char* const kMsgInvalidExpr = " is invalid Chinese numeric expression";
const char* const kMsgInvalidUnit = " is invalid num expersion";
const char* const kMsgInvalidDouble = " is invalid double expression.";

// Sets the last error to the input text followed by the message and writes it to the error file.
void ReportFailure(const tstring& sText, const char* sMessage) { ReportError(sText + sMessage, 0); }

// The GBK text to work on: the input itself, or its GBK form when it is UTF-8.
tstring ToGBK(const char* sText, bool bUTF8) {
    if (sText == nullptr) return tstring();
    if (!bUTF8) return tstring(sText);
    tstring sAnsi;
    UTF8ToANSI(sText, sAnsi);
    return sAnsi;
}

// Value of the character at p and its length (0 at the NUL); -2 when it is no numeral.
int64_t NumeralAt(const char* p, int& nLen) {
    int nCode = -1;
    nLen = Getchar(p, &nCode);
    if (nLen == 2) nCode &= 0xFFFF;
    else if (nLen == 1) nCode &= 0xFF;
    else return -2;
    for (const NumeralChar& n : kNumerals)
        if (n.nCode == nCode) return n.nValue;
    return -2;
}

// Str2Integer over a GBK text.
int64_t GBKStr2Integer(const tstring& sText) {
    std::vector<int64_t> vecValue;
    for (size_t i = 0; i < sText.size();) {
        int nLen = 0;
        int64_t nValue = NumeralAt(sText.c_str() + i, nLen);
        if (nLen == 0) break;  // an embedded NUL ends the text
        if (nValue < 0) {
            ReportFailure(sText, kMsgInvalidChar);
            return -1;
        }
        vecValue.push_back(nValue);
        i += size_t(nLen);
    }

    int64_t nTotal = 0, nSection = 0;
    bool bOverflow = false;
    auto add = [&bOverflow](int64_t& nTo, int64_t nAdd) { bOverflow |= __builtin_add_overflow(nTo, nAdd, &nTo); };
    auto mul = [&bOverflow](int64_t a, int64_t b) {
        int64_t r = 0;
        bOverflow |= __builtin_mul_overflow(a, b, &r);
        return r;
    };
    for (size_t i = 0; i < vecValue.size() && !bOverflow; ++i) {
        int64_t v = vecValue[i];
        if (v >= 1 && v <= 9) {
            if (i + 1 == vecValue.size()) {
                add(nSection, v);
                continue;
            }
            int64_t nNext = vecValue[i + 1];
            if (nNext <= 9) {  // a digit followed by a digit or by zero
                ReportFailure(sText, kMsgInvalidExpr);
                return -1;
            }
            ++i;  // the unit after the digit is consumed with it
            if (nNext <= 1000) {
                add(nSection, v * nNext);
            } else {
                add(nSection, v);
                add(nTotal, mul(nSection, nNext));
                nSection = 0;
            }
        } else if (v == 10) {
            add(nSection, 10);
        } else if (v == 100 || v == 1000) {
            ReportFailure(sText, kMsgInvalidUnit);
            return -1;
        } else if (v >= 10000) {
            // A group unit standing alone closes the section; with section 0 it adds nothing.
            add(nTotal, mul(nSection, v));
            nSection = 0;
        }
        // zero is skipped
    }
    int64_t nResult = nTotal;
    add(nResult, nSection);
    if (bOverflow) {
        ReportFailure(sText, kMsgInvalidExpr);
        return -1;
    }
    return nResult;
}

// Writes a group value below 10000 (step for numbers under ten thousand).
tstring SmallInteger2Str(unsigned nValue, int nRow) {
    tstring sText;
    unsigned nLower = 0;  // the digit below the current one; trailing zeros write nothing
    for (int p = 0; nValue > 0; ++p, nValue /= 10) {
        unsigned d = nValue % 10;
        if (d == 0 && nLower == 0) {
            nLower = d;
            continue;
        }
        tstring sDigit = kWriting[nRow][d];
        if (p > 0 && d != 0) sDigit += kWriting[nRow][9 + p];
        sText.insert(0, sDigit);
        nLower = d;
    }
    return sText;
}

// A group written on its own, with 10 to 19 losing the leading one.
tstring Group2Str(unsigned nGroup, int nRow) {
    tstring sText = SmallInteger2Str(nGroup, nRow);
    if (nGroup >= 10 && nGroup <= 19) sText.erase(0, 2);
    return sText;
}

}  // namespace

int ChineseNum2Digit(const char* sText) {
    if (sText == nullptr) return -2;
    int nLen = 0;
    return int(NumeralAt(sText, nLen));
}

int64_t Str2Integer(const char* sText, bool bUTF8) {
    if (sText == nullptr) return -1;
    return GBKStr2Integer(ToGBK(sText, bUTF8));
}

const char* Integer2Str(uint64_t nValue, tstring& sResult, bool bUpper) {
    const int nRow = bUpper ? 1 : 0;
    sResult.clear();
    if (nValue == 0) {
        sResult = kWriting[nRow][0];
        return sResult.c_str();
    }
    if (nValue < 10000) {
        sResult = Group2Str(unsigned(nValue), nRow);
        return sResult.c_str();
    }
    // Groups of four digits, lowest first.
    std::vector<unsigned> vecGroup;
    for (uint64_t n = nValue; n > 0; n /= 10000) vecGroup.push_back(unsigned(n % 10000));
    bool bHigherNonZero = false;  // a non-zero group stands above the current one
    bool bZeroBetween = false;    // a zero group lies between it and the current one
    for (size_t g = vecGroup.size(); g-- > 0;) {
        unsigned nGroup = vecGroup[g];
        if (nGroup == 0) {
            if (bHigherNonZero) bZeroBetween = true;
            continue;
        }
        if (bZeroBetween || (bHigherNonZero && nGroup < 1000)) sResult += kWriting[nRow][0];
        sResult += Group2Str(nGroup, nRow);
        if (g == 1) sResult += kWriting[nRow][13];
        else if (g == 2) sResult += kWriting[nRow][14];
        bHigherNonZero = true;
        bZeroBetween = false;
    }
    return sResult.c_str();
}

const char* Integer2Str(const char* sDecimal, tstring& sResult, bool bUpper) {
    long long nValue = 0;
    if (sDecimal != nullptr && sscanf(sDecimal, "%lld", &nValue) != 1) nValue = 0;
    return Integer2Str(uint64_t(nValue), sResult, bUpper);
}

const char* Str2Double(const char* sText, tstring& sResult, bool bUTF8) {
    sResult.clear();
    if (sText == nullptr) return sResult.c_str();
    tstring sGBK = ToGBK(sText, bUTF8);
    size_t nPoint = FindGBKChar(sGBK, kCodePoint);
    int64_t nInteger = GBKStr2Integer(sGBK.substr(0, nPoint));
    char sNumber[32];
    snprintf(sNumber, sizeof(sNumber), "%" PRId64, nInteger);
    sResult = sNumber;
    if (nPoint == tstring::npos) return sResult.c_str();
    sResult += '.';
    for (size_t i = nPoint + 2; i < sGBK.size();) {
        int nLen = 0;
        int64_t nValue = NumeralAt(sGBK.c_str() + i, nLen);
        if (nLen == 0) break;
        if (nValue < 0 || nValue > 9) {
            ReportFailure(sGBK, kMsgInvalidDouble);
            break;
        }
        sResult += char('0' + nValue);
        i += size_t(nLen);
    }
    return sResult.c_str();
}

double Str2Double(const char* sText, bool bUTF8) {
    tstring sNumber;
    Str2Double(sText, sNumber, bUTF8);
    double fValue = 0;
    if (sscanf(sNumber.c_str(), "%lf", &fValue) != 1) return 0;
    return fValue;
}

const char* Double2Str(const char* sDecimal, tstring& sResult, bool bUpper) {
    sResult.clear();
    if (sDecimal == nullptr) return sResult.c_str();
    const int nRow = bUpper ? 1 : 0;
    tstring sInteger;
    Integer2Str(sDecimal, sInteger, bUpper);
    sResult = sInteger;
    const char* pPoint = strchr(sDecimal, '.');
    if (pPoint == nullptr) return sResult.c_str();
    sResult += "\xB5\xE3";  // 点
    for (const char* p = pPoint + 1; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < '0' || c > '9') {
            ReportFailure(sDecimal, kMsgInvalidDouble);
            break;
        }
        sResult += kWriting[nRow][c - '0'];
    }
    return sResult.c_str();
}

const char* Str2Money(const char* sText, tstring& sResult, bool bUTF8) {
    sResult.clear();
    if (sText == nullptr) return sResult.c_str();
    tstring sGBK = ToGBK(sText, bUTF8);
    size_t nWhole = FindGBKChar(sGBK, kCodeWhole);
    if (nWhole != tstring::npos) sGBK.erase(nWhole);
    size_t nCurrency = FindGBKChar(sGBK, kCodeYuan);
    if (nCurrency == tstring::npos) nCurrency = FindGBKChar(sGBK, kCodeYuanRound);

    int64_t nInteger = GBKStr2Integer(sGBK.substr(0, nCurrency));
    char sNumber[64];
    snprintf(sNumber, sizeof(sNumber), "%" PRId64, nInteger);
    sResult = sNumber;
    if (nCurrency == tstring::npos) return sResult.c_str();

    // Digits, 角 and 分 after the currency character, multiplied in consecutive pairs.
    std::vector<double> vecValue;
    for (size_t i = nCurrency + 2; i < sGBK.size();) {
        int nCode = -1;
        int nLen = Getchar(sGBK.c_str() + i, &nCode);
        if (nLen == 0) break;
        int nDigitLen = 0;
        int64_t nValue = NumeralAt(sGBK.c_str() + i, nDigitLen);
        if (nValue >= 0 && nValue <= 9) vecValue.push_back(double(nValue));
        else if (nLen == 2 && (nCode & 0xFFFF) == kCodeJiao) vecValue.push_back(0.1);
        else if (nLen == 2 && (nCode & 0xFFFF) == kCodeFen) vecValue.push_back(0.01);
        i += size_t(nLen);
    }
    double fSum = 0;
    for (size_t i = 0; i + 1 < vecValue.size(); i += 2) fSum += vecValue[i] * vecValue[i + 1];
    if (fSum > 0) {
        snprintf(sNumber, sizeof(sNumber), "%.2f", fSum);
        sResult += sNumber + 1;
    }
    return sResult.c_str();
}

float Str2Float(const char* sText) {
    if (sText == nullptr) return 0;
    float fValue = 0;
    if (sscanf(sText, "%f", &fValue) != 1) fValue = 0;
    if (strchr(sText, '%') != nullptr) fValue /= 100;
    return fValue;
}
