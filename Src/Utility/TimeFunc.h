// Date and time conversion between text and seconds, and today's date in fixed formats.
//
// A time is a count of seconds as returned by mktime for local time; 0 stands for no time. The
// Chinese date units 年 月 日 时 分 秒 are UTF-8 text (3 bytes each), unlike the rest of the
// foundation library, which is GBK. All functions are thread-safe (localtime_r, no shared state).
#pragma once

#include "Utility/Types.h"

// Parses "Y-M-D[ h[:m[:s]]]" or "Y/M/D[ h[:m[:s]]]" ('-' is looked for first; the hour may also
// follow a '_' instead of the blank; missing parts are 0) as local time with tm_isdst 0. A text
// with neither separator is handed to cstr2time and its result returned when above 0. Returns 0
// for a NULL or empty text, and -1 (after the error line "strDateStr[<text>] err \n", last error
// unchanged) when the second separator is missing or cstr2time finds nothing.
long str2time(const char* strDateStr);

// Parses the Chinese form "2024年1月2日 3时4分5秒" (UTF-8 units, each part optional): for each unit in
// turn, when it occurs from the current position its value is atoi at the current position, and the
// position moves past the unit. Returns mktime of the fields (other fields 0); 0 for NULL.
long cstr2time(const char* sDate);

// Writes timeData as local time into strDateStr (64 bytes) and returns strDateStr:
// "2024/01/02 03:04:05", or with bChineseFormat "2024年1月2日 03:04:05" ("2024年1月2日" at
// midnight). "" for 0, "NULL" when the local time cannot be computed.
char* time2str(const long& timeData, char* strDateStr, bool bChineseFormat);

// "YYYY-MM-DDThh:mm" with bHtmlUsed, else "YYYY-MM-DD hh:mm:ss" ("" when the local time cannot be
// computed).
tstring formatDateTime(long nTime, bool bHtmlUsed);
// formatDateTime of the current time.
tstring getDateTime(bool bHtmlUsed);

// Today as year * 10000 + month * 100 + day (local time). The two are the same function.
int getCurDate();
int GetToday();

// Today as "YYYYMMDD".
tstring getCurDateString();

// Writes the current local time as "YYYYMMDDhhmmss" into pszTime (15 bytes) and returns pszTime.
char* TimeValue(char* pszTime);
