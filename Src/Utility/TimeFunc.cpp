#include "Utility/TimeFunc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Utility/LogFile.h"

namespace {

// The Chinese date units, UTF-8.
const char* const kUnits[6] = {
    "\xE5\xB9\xB4",  // 年
    "\xE6\x9C\x88",  // 月
    "\xE6\x97\xA5",  // 日
    "\xE6\x97\xB6",  // 时
    "\xE5\x88\x86",  // 分
    "\xE7\xA7\x92",  // 秒
};

long MakeTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<long>(mktime(&t));
}

bool LocalTime(long nTime, struct tm& out) {
    time_t t = static_cast<time_t>(nTime);
    return localtime_r(&t, &out) != nullptr;
}

long DateError(const char* strDateStr) {
    WriteError(tstring("strDateStr[") + strDateStr + "] err \n");
    return -1;
}

}  // namespace

long str2time(const char* strDateStr) {
    if (!strDateStr || !*strDateStr) return 0;
    char sep = 0;
    if (strchr(strDateStr, '-'))
        sep = '-';
    else if (strchr(strDateStr, '/'))
        sep = '/';
    if (!sep) {
        long t = cstr2time(strDateStr);
        if (t > 0) return t;
        return DateError(strDateStr);
    }
    const int year = atoi(strDateStr);
    const char* p1 = strchr(strDateStr, sep);
    const int month = atoi(p1 + 1);
    const char* p2 = strchr(p1 + 1, sep);
    if (!p2) return DateError(strDateStr);
    const int day = atoi(p2 + 1);
    int hour = 0, minute = 0, second = 0;
    const char* h = strchr(p2 + 1, ' ');
    if (!h) h = strchr(p2 + 1, '_');
    if (h) {
        hour = atoi(h + 1);
        const char* m = strchr(h + 1, ':');
        if (m) {
            minute = atoi(m + 1);
            const char* s = strchr(m + 1, ':');
            if (s) second = atoi(s + 1);
        }
    }
    return MakeTime(year, month, day, hour, minute, second);
}

long cstr2time(const char* sDate) {
    if (!sDate) return 0;
    int value[6] = {0, 0, 0, 0, 0, 0};
    const char* pos = sDate;
    for (int i = 0; i < 6; ++i) {
        const char* unit = strstr(pos, kUnits[i]);
        if (!unit) continue;
        value[i] = atoi(pos);
        pos = unit + 3;
    }
    return MakeTime(value[0], value[1], value[2], value[3], value[4], value[5]);
}

char* time2str(const long& timeData, char* strDateStr, bool bChineseFormat) {
    const size_t kSize = 64;
    strDateStr[0] = 0;
    if (timeData == 0) return strDateStr;
    struct tm t;
    if (!LocalTime(timeData, t)) {
        snprintf(strDateStr, kSize, "NULL");
        return strDateStr;
    }
    if (!bChineseFormat) {
        snprintf(strDateStr, kSize, "%04d%s%02d%s%02d %02d:%02d:%02d", t.tm_year + 1900, "/", t.tm_mon + 1, "/",
                 t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    } else if (t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0) {
        snprintf(strDateStr, kSize, "%04d%s%d%s%d%s", t.tm_year + 1900, kUnits[0], t.tm_mon + 1, kUnits[1],
                 t.tm_mday, kUnits[2]);
    } else {
        snprintf(strDateStr, kSize, "%04d%s%d%s%d%s %02d:%02d:%02d", t.tm_year + 1900, kUnits[0], t.tm_mon + 1,
                 kUnits[1], t.tm_mday, kUnits[2], t.tm_hour, t.tm_min, t.tm_sec);
    }
    return strDateStr;
}

tstring formatDateTime(long nTime, bool bHtmlUsed) {
    struct tm t;
    if (!LocalTime(nTime, t)) return tstring();
    char buf[64];
    if (bHtmlUsed)
        snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                 t.tm_min);
    else
        snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                 t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

tstring getDateTime(bool bHtmlUsed) { return formatDateTime(static_cast<long>(time(nullptr)), bHtmlUsed); }

int getCurDate() {
    struct tm t;
    if (!LocalTime(static_cast<long>(time(nullptr)), t)) return 0;
    return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

int GetToday() { return getCurDate(); }

tstring getCurDateString() {
    struct tm t;
    if (!LocalTime(static_cast<long>(time(nullptr)), t)) return tstring();
    char buf[32];
    snprintf(buf, sizeof buf, "%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return buf;
}

char* TimeValue(char* pszTime) {
    pszTime[0] = 0;
    struct tm t;
    if (!LocalTime(static_cast<long>(time(nullptr)), t)) return pszTime;
    char buf[80];
    snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
             t.tm_min, t.tm_sec);
    buf[14] = 0;  // the caller's buffer holds 15 bytes
    memcpy(pszTime, buf, strlen(buf) + 1);
    return pszTime;
}
