// INI profiles: single values of a text file made of "[section]" headers and "key = value" lines.
//
// Every call opens, scans and closes the file; nothing is cached. As read:
//  - lines are trimmed of blanks, tabs, CR and LF; a line of any length is one line;
//  - a header is a trimmed line that begins with "[" and ends with "]"; its name is the inside
//    with every blank and tab removed, so "[ my section ]" names "mysection";
//  - empty lines and lines beginning with ";" or "#" are comments;
//  - an entry splits at its first "=", or at its first ":" when it has no "="; the key loses
//    every blank and tab, the value is trimmed; a line with neither separator is ignored;
//  - names compare exactly (case-sensitive); the section argument is compared as given;
//  - with a section, only the entries between its header and the next header count; with a null
//    section every entry of the file counts. The first match wins.
// As written (binary mode, CRLF on every platform): "[%s]\r\n" and "%s = %s\r\n"; integers "%d",
// floats "%f". Lines the writer does not touch keep their bytes and their own line ends.
//
// Thread-safety: a Profile holds only its path; calls from several threads are safe, but two
// writers of one file at the same time may lose one of the two updates (each replaces the file
// whole with its own reading of it).
#pragma once

#include <string>

class Profile {
public:
    // sFileName: the profile's path (a null path is the empty path, which no call can open).
    explicit Profile(const char* sFileName);

    // The entry's value read with atoi; `value` when the key is null, the file cannot be opened,
    // the key is missing or its value is empty.
    int fn_iReadInt(const char* section, const char* key, int value);
    // The same with atof.
    float fn_fReadFloat(const char* section, const char* key, float value);
    // Copies the default `value` into dest (at most size - 1 bytes, NUL-terminated), then the
    // entry's value in its place when the key is found with a non-empty value (truncated the same
    // way). Returns strlen(dest); 0, with dest untouched, when dest or value is null or size < 1.
    int fn_iReadString(const char* section, const char* key, const char* value, char* dest, int size);

    // Sets the entry: replaces the first matching entry line, or inserts the entry just before
    // the header that follows its section, or appends it (after the header when the section is
    // not in the file; no header at all for a null section). A missing file is created. The new
    // content goes to a temporary file beside the profile, which then replaces it with the old
    // file's permission bits. Returns 1 on success; 0, with the file untouched, for a null key or
    // value, for an entry that would not read back as written (CR or LF in the section, key or
    // value; a blank or tab in the section or key; "=" or ":" in the key; a key beginning with
    // ";", "#" or "["), or when the file cannot be read or the new file cannot be written.
    int fn_iWriteString(const char* section, const char* key, const char* value);
    // fn_iWriteString with the number formatted "%d" / "%f".
    int fn_iWriteInt(const char* section, const char* key, int value);
    int fn_iWriteFloat(const char* section, const char* key, float value);

    // ---- text utilities (null-safe, in place) ----
    // Removes leading and trailing blanks, tabs, CR and LF.
    static void fn_vFilterLRSpace(char* str);
    // Removes every blank, tab, CR and LF.
    static void fn_vFilterSpace(char* str);
    // Reverses the bytes of the text.
    static void fn_vReverse(char* str);
    // Writes num in base n (2..36, digits "0".."9" then "A".."Z", a leading "-" when negative)
    // into buf, which must hold 34 bytes for base 2 (sign and NUL included). False, with buf
    // untouched, for another base or a null buffer.
    static bool fn_pIntToString(int num, char* buf, int n);
    // Writes num with "%f" into buf, which must hold 48 bytes (enough for -FLT_MAX). False for a
    // null buffer.
    static bool fn_pFloatToString(float num, char* buf);

    // The profile's path.
    const std::string& FileName() const { return m_asFileName; }

private:
    // Finds the entry's value. False when the file cannot be opened or the key is missing.
    bool FindValue(const char* section, const char* key, std::string& sValue) const;

    std::string m_asFileName;
};
