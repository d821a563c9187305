// Number tokens: dates led by a year, telephone numbers and citizen identity numbers.
//
// GetNumType gives the tag id the engine uses for such a token instead of the generic number
// tag; CCIDChecker checks an 18-character identity number (or a 15-character one, converted to
// 18) by its check character (GB 11643), its province and its birth date. All functions are
// thread-safe; the date checks read the local clock with localtime_r.
#pragma once

#include <ctime>

#include "Utility/Types.h"

// Tag ids given by GetNumType.
const int NUMTYPE_DATE = 52;   // a date led by a year
const int NUMTYPE_PHONE = 100; // a telephone number
const int NUMTYPE_ID = 101;    // a citizen identity number

// Classifies a number token: 52 for a year-led date (2008-10-12), 100 for a telephone number,
// 101 for a valid identity number, else -1. Only `length` bytes are read (0: the whole
// NUL-terminated text; never past a NUL); the text is not changed. Full-width characters are
// folded first and the separators "()+-. " removed before the length tests. Callers use the
// result only when it is above 0; the characters are not tested to be digits.
int GetNumType(const char* sText, unsigned long length = 0);

// Facts read from an identity number. A new record is all zero with an empty province name.
struct _tPersonInfo {
    int gender = 0;        // 1 for an odd 17th digit, 0 for an even one
    struct tm birthday {}; // tm_year = year - 1900, tm_mon = month - 1, tm_mday = day
    int district_id = 0;   // the first six digits as a number
    char prov[12] = {};    // province name in GBK, NUL-terminated
};

// Identity-number checks. Stateless: a checker may be shared, or made for each test.
class CCIDChecker {
public:
    CCIDChecker() = default;
    virtual ~CCIDChecker() = default;

    // 1 valid; -1 length not 15 or 18; -2 a non-digit among the first 17 characters (or among
    // the 15 of a short id); -3 wrong check character (exact: a lower-case x fails); -4 unknown
    // province; -5 invalid birth date (a future year included). A null text gives -1.
    int ValidCheck(const char* sID);

    // Writes the 18-character form of a 15-digit number into sOut (at least 19 bytes): the
    // first 6 characters, "19", characters 7 to 15, the check character and a NUL. False, with
    // sOut empty, when the text has fewer than 15 characters or a non-digit among them.
    bool Change15To18(const char* sID15, char* sOut);

    // Check character of the first 17 digits ("10X98765432" by the weighted sum mod 11); 0
    // unless the text has at least 17 characters and the first 17 are digits.
    char GetCheckCode(const char* sID);

    // Reads district, birth date and gender of an 18-character number. Fields whose characters
    // are missing (a shorter text) are read from what is there, never past the NUL.
    void ExtractPersonInfo(const char* sID18, _tPersonInfo& info);

    // Looks the province (district_id / 10000) up; copies its name into info.prov and returns
    // true, or returns false with the name unchanged.
    bool GetProv(_tPersonInfo& info);
};

// Date check of a calendar record (year = tm_year + 1900, month = tm_mon + 1, day = tm_mday):
// month 1-12, a day that exists in that month (leap years by the Gregorian rule), not 151 or more
// years back for a year after 1900, and with bNotFuture not in a year after the current one.
bool IsValidDate(const struct tm& date, bool bNotFuture);

// The same check applied to the local calendar date of a time value.
bool IsValidDate(time_t tValue, bool bNotFuture);

// Checks a date written with 年, 月 and 日 (GBK; UTF-8 converted first when bUTF8). Each part is
// read as a decimal number or, when that gives 0, as a Chinese numeral. A text with neither a
// year nor a month is valid; otherwise the parts found (missing ones 0) are checked.
bool IsValidDateString(const char* sText, bool bUTF8);
