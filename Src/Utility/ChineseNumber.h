// Chinese numerals, money amounts and decimals.
//
// Converts Chinese numeral text (GBK) to integers, decimals and money amounts, integers and
// decimals back to Chinese numerals in lower-case or financial upper-case characters, and reads
// percentages. Texts are GBK; a bUTF8 flag means the input is UTF-8 and is converted to GBK first.
// Every character walk stops at the text's NUL: a lead byte right before the NUL counts as one
// character.
//
// A failure sets the last-error text to the input (GBK) followed by a fixed message and writes it
// to the day's error file. The writers fill a caller's tstring and return its text, valid while
// that string lives and is not changed. All functions are thread-safe.
#pragma once

#include <cstdint>

#include "Utility/Types.h"

// Value of the first character of sText in the numeral table (零 ○ 0, 一 壹 1, 二 两 贰 2, ...,
// 十 拾 10, 百 佰 100, 千 仟 1000, 万 10000, 亿 100000000); -2 when it is no numeral or the
// text is null or empty.
int ChineseNum2Digit(const char* sText);

// Value of a Chinese numeral expression (三千五百万 = 35000000, 两万三 = 20003, 十五 = 15);
// -1 on an invalid character or an invalid expression, with the last error set (and for a null
// text, without a message). An empty text gives 0.
int64_t Str2Integer(const char* sText, bool bUTF8 = false);

// Writes nValue in Chinese numerals (row 0 lower case 一二三, row 1 financial 壹贰叁) into
// sResult and returns its text. 0 gives 零; 10 to 19 drop the leading 一 (十五, also 十五万).
const char* Integer2Str(uint64_t nValue, tstring& sResult, bool bUpper = false);

// The same for a decimal text read with "%lld" (0 when nothing is read).
const char* Integer2Str(const char* sDecimal, tstring& sResult, bool bUpper = false);

// Arabic decimal text of a Chinese decimal expression (三点一四 gives "3.14") into sResult;
// returns its text. A character after 点 that is no digit numeral stops the conversion with the
// last error set; sResult keeps what was written before it.
const char* Str2Double(const char* sText, tstring& sResult, bool bUTF8 = false);

// That text read with "%lf" as a double; 0 when nothing is read.
double Str2Double(const char* sText, bool bUTF8 = false);

// Chinese numeral text of an Arabic decimal ("3.14" gives 三点一四) into sResult; returns its
// text. A non-digit after the point stops the conversion with the last error set.
const char* Double2Str(const char* sDecimal, tstring& sResult, bool bUpper = false);

// Arabic amount text of a Chinese money expression (三百元五角二分 gives "300.52") into sResult;
// returns its text. Without 元 or 圆 only the integer part is written.
const char* Str2Money(const char* sText, tstring& sResult, bool bUTF8 = false);

// The text read with "%f"; divided by 100 when it contains "%" anywhere ("12.5%" gives 0.125).
// 0 for a null text or when nothing is read.
float Str2Float(const char* sText);
