#include "Utility/StrToken.h"

#include <cctype>
#include <cstring>

namespace {

// True when c is one of the delimiter bytes (never for the terminator).
inline bool IsDelim(char c, const char* sDelimiter) { return c != 0 && strchr(sDelimiter, c) != nullptr; }

// Bytes skipped before a token and recorded as separators after one.
inline bool IsSkipped(char c, const char* sDelimiter) {
    return c == ' ' || c == '\t' || c == '\r' || IsDelim(c, sDelimiter);
}

}  // namespace

// ---- CStrToken ------------------------------------------------------------------------------------

CStrToken::CStrToken(bool bEnglish)
    : m_bEnglish(bEnglish),
      m_bOutputSep(false),
      m_pLineStart(nullptr),
      m_pLineEnd(nullptr),
      m_cSep(0),
      m_pTokenEnd(nullptr) {}

CStrToken::~CStrToken() = default;

char* CStrToken::GetToken(char* pStart, char* pEnd, const char* sDelimiter) {
    if (!sDelimiter) sDelimiter = "";
    if (pStart) {
        m_pLineStart = pStart;
        m_pTokenEnd = pStart;
        m_cSep = 0;
        m_vecSep.clear();
        m_pLineEnd = pEnd ? pEnd : pStart + strlen(pStart);
    } else {
        if (pEnd) m_pLineEnd = pEnd;
        // Put back the byte that the previous call replaced by NUL before anything else, so that a
        // walk ending in NULL always leaves the text whole. The cut lies just before the recorded
        // separators, which end where the next search starts.
        if (m_cSep != 0 && m_pTokenEnd) {
            *(m_pTokenEnd - m_vecSep.size()) = m_cSep;
            m_cSep = 0;
        }
    }
    if (!m_pTokenEnd || m_pTokenEnd >= m_pLineEnd) return nullptr;

    char* p = m_pTokenEnd;
    char* const end = m_pLineEnd;
    while (p < end && *p && IsSkipped(*p, sDelimiter)) ++p;
    if (p >= end) {
        // Nothing left before the end; the byte at the end is never read.
        m_pTokenEnd = end;
        m_vecSep.clear();
        m_bOutputSep = true;
        return nullptr;
    }

    char* const token = p;
    while (p < end && *p) {
        if (IsDelim(*p, sDelimiter)) {
            bool bKeep = false;
            if (m_bEnglish && p + 1 < end && p[1] != 0 && !IsDelim(p[1], sDelimiter)) {
                if (*p == '.' && p[1] != '.') bKeep = true;
                if (*p == ',' && isdigit(static_cast<unsigned char>(p[1]))) bKeep = true;
            }
            if (!bKeep) break;
        }
        ++p;
    }

    m_vecSep.clear();
    if (p > token && p < end && *p != 0) {
        m_cSep = *p;
        *p = 0;
        m_bOutputSep = false;
        m_vecSep.push_back(m_cSep);
        ++p;
        while (p < end && *p && IsSkipped(*p, sDelimiter)) m_vecSep.push_back(*p++);
    } else {
        m_bOutputSep = true;
    }
    m_pTokenEnd = p;
    return p > token ? token : nullptr;
}

// ---- GetStrVector ---------------------------------------------------------------------------------

int GetStrVector(const char* sLine, const char* pDelimiter, std::vector<tstring>& vecResult) {
    vecResult.clear();
    if (!sLine) return 0;
    std::vector<char> copy(sLine, sLine + strlen(sLine) + 1);
    CStrToken tokenizer(false);
    for (char* tok = tokenizer.GetToken(copy.data(), nullptr, pDelimiter); tok;
         tok = tokenizer.GetToken(nullptr, nullptr, pDelimiter)) {
        size_t len = strlen(tok);
        while (len > 0 && (tok[len - 1] == '\r' || tok[len - 1] == '\n')) --len;
        if (len > 0) vecResult.emplace_back(tok, len);
    }
    return static_cast<int>(vecResult.size());
}

// ---- StrLine --------------------------------------------------------------------------------------

namespace {

// First "^^" in [p, end), or in the rest of the text when end is NULL.
// The library's vectorised searches find each '^' (the scan ends at the text's NUL as well).
char* FindCaretPair(char* p, const char* end) {
    for (;;) {
        char* q;
        if (end) {
            if (p >= end) return nullptr;
            size_t n = strnlen(p, size_t(end - p));
            q = static_cast<char*>(memchr(p, '^', n));
        } else {
            q = strchr(p, '^');
        }
        if (!q) return nullptr;
        if (q[1] == '^') return q;
        p = q + 1;
    }
}

}  // namespace

char* StrLine(char* pCur, char** pNextRet, char* chSep, int* n_pStatus, bool bInvalidCharConsidered) {
    if (n_pStatus) *n_pStatus = 0;
    *chSep = 0;
    if (!pCur || !*pCur) {
        *pNextRet = nullptr;
        return nullptr;
    }
    char* p = pCur;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (!*p) {
        *pNextRet = nullptr;
        return nullptr;
    }

    char* line = p;
    char* lineEnd = strpbrk(p, "\r\n");
    if (bInvalidCharConsidered) {
        char* open = FindCaretPair(p, lineEnd);
        char* close = open ? FindCaretPair(open + 2, nullptr) : nullptr;
        if (close) {
            if (open == p) {
                line = open + 2;
                *close = 0;
                lineEnd = close + 2;
                if (n_pStatus) *n_pStatus = 1;
            } else {
                lineEnd = open;
            }
        }
    }

    if (!lineEnd) {
        *pNextRet = nullptr;
        return line;
    }
    *chSep = *lineEnd;
    *lineEnd = 0;
    *pNextRet = lineEnd;
    return line;
}

// ---- StrToken -------------------------------------------------------------------------------------

char* StrToken(char* sLine, const char* pSeperator, char** pUnitNext) {
    if (!pSeperator) pSeperator = "";
    if (!sLine) {
        *pUnitNext = nullptr;
        return nullptr;
    }
    char* p = sLine + strspn(sLine, pSeperator);
    if (!*p) {
        *pUnitNext = nullptr;
        return nullptr;
    }
    char* cut = p + strcspn(p, pSeperator);
    if (*cut) {
        *cut = 0;
        *pUnitNext = cut + 1;
    } else {
        *pUnitNext = nullptr;
    }
    return p;
}
