// In-place tokenizers: CStrToken walks a buffer token by token, StrLine cuts one line at a time
// (with an optional "^^" quoted span that may hold line breaks), StrToken is strtok with an explicit
// continuation, and GetStrVector turns a text into token strings.
//
// The in-place functions write NULs into the caller's buffer; none of them owns or copies it.
#pragma once

#include <vector>

#include "Utility/Types.h"

// Reentrant tokenizer over a set of one-byte delimiter characters.
//
// Each call ends the token it returns by writing one NUL into the caller's buffer and removes that
// NUL again at the next call, so a walk that runs until GetToken returns NULL leaves the text as it
// was; a walk stopped early leaves its last token cut. The buffer must stay alive and unchanged by
// others until the walk ends. One object serves one walk at a time; separate objects may walk on
// separate threads. Callers may read the members but must not change them during a walk.
class CStrToken {
public:
    explicit CStrToken(bool bEnglish = false);
    ~CStrToken();
    CStrToken(const CStrToken&) = delete;
    CStrToken& operator=(const CStrToken&) = delete;

    // First call: pStart is the text, pEnd one past its end (NULL: up to its NUL). Later calls pass
    // NULL for both to continue. sDelimiter (given on every call) is the set of delimiter bytes.
    // Blank, tab and CR are always skipped before a token but end one only when they are
    // delimiters; LF is treated like any other byte unless it is a delimiter. In English mode a
    // '.' inside a word ("3.14", "e.g") and a ',' before a digit ("1,000") do not end the token.
    // Returns the token (NUL-terminated inside the caller's buffer) or NULL when no token is left.
    // Never reads the byte at pEnd.
    char* GetToken(char* pStart, char* pEnd, const char* sDelimiter);

    bool m_bEnglish;           // English mode (see GetToken)
    bool m_bOutputSep;         // false after a token cut from the text, true after one that ran to the end
    char* m_pLineStart;        // start of the text being tokenized
    char* m_pLineEnd;          // one past its last byte
    char m_cSep;               // byte replaced by the NUL that ends the last token, 0 when none
    std::vector<char> m_vecSep;  // that byte followed by the blanks, tabs, CRs and delimiters after it
    char* m_pTokenEnd;         // where the next search starts; NULL before the first call
};

// Clears vecResult and appends the non-empty tokens of sLine cut at the bytes of pDelimiter
// (non-English CStrToken over a private copy, so sLine is untouched); CR and LF bytes are stripped
// from the end of each token. Returns the number of strings in vecResult (0 for a NULL text).
int GetStrVector(const char* sLine, const char* pDelimiter, std::vector<tstring>& vecResult);

// Cuts the next line out of pCur in place and returns its start, or NULL when only blanks, tabs,
// CR and LF are left (then *pNextRet is NULL).
// - Leading blanks, tabs, CR and LF are skipped; the line ends at the first CR or LF. The byte at the
//   line end is stored in *chSep and replaced by NUL, and *pNextRet points at it; a caller that
//   continues writes *chSep back at *pNextRet before the next call. Without a line end the rest of
//   the text is the line, *chSep is 0 and *pNextRet is NULL.
// - With bInvalidCharConsidered, a "^^" ... "^^" span (line breaks allowed inside) is one line when
//   the text starts with it: the marks are dropped (the first '^' of the closing pair becomes NUL),
//   the byte behind the closing pair is the separator, and *n_pStatus (may be NULL) becomes 1. A
//   closed span that starts later in the line ends the line before it (separator '^').
char* StrLine(char* pCur, char** pNextRet, char* chSep, int* n_pStatus, bool bInvalidCharConsidered);

// strtok with an explicit continuation: skips leading bytes of pSeperator, cuts the token at the
// next such byte with a NUL and sets *pUnitNext behind it (NULL when the token runs to the end).
// Returns the token, or NULL for a NULL text or when only separators are left (*pUnitNext NULL).
char* StrToken(char* sLine, const char* pSeperator, char** pUnitNext);
