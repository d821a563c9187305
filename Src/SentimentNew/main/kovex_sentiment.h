/* KOVEX sentiment analysis: the library's whole interface, ten functions.
 *
 * Texts are NUL-terminated byte strings in the encoding given to ST_Init (0 GBK, 1 UTF-8,
 * 2 BIG5, 3-5 further converter sets, -1 detected per text; results under -1 are UTF-8).
 * Every text returned is owned by the library: never free it; it stays valid until ST_Exit
 * or until many later results have been handed out. A null text argument counts as "".
 * Before ST_Init and after ST_Exit every function returns its refusal value (given below),
 * changing nothing but the last error. A call that fails leaves its reason, with any path as it
 * was given, for ST_GetLastErrorMsg. All functions may be called from many threads; requests that
 * change the analyser's words (object requests, imports) run one at a time, point requests
 * run side by side. Link with `pkg-config --cflags --libs kovexsentiment`. */
#ifndef KOVEX_SENTIMENT_H
#define KOVEX_SENTIMENT_H

#ifdef __cplusplus
#include <cstdbool>
extern "C" {
#else
#include <stdbool.h>
#endif

#if defined(__GNUC__)
#define KOVEX_ST_API __attribute__((visibility("default")))
#else
#define KOVEX_ST_API
#endif

/* Starts on sDataPath, the folder holding "Data" (null or "": the working directory), for
 * callers in encoding `encode`: 1 and 4 UTF-8, 2 BIG5, -1 each text detected (UTF-8 or GBK),
 * 0, 3, 5 and any other value GBK (README.md: the table of encoding codes). `third` is not used.
 * 1 started (a second call while started changes nothing and gives 1), 0 failed
 * (ST_GetLastErrorMsg tells why). */
KOVEX_ST_API int ST_Init(const char* sDataPath, int encode, const char* third);

/* Stops and frees every text handed out. Always 1. */
KOVEX_ST_API int ST_Exit(void);

/* Result document (XML) of the sentences of title and content that name sObject, with their
 * points; "" when the object occurs nowhere or is refused (blank, "/" inside). Refusal: "". */
KOVEX_ST_API const char* ST_GetOneObjectResult(const char* sTitle, const char* sContent, const char* sObject);

/* Result document for every brand word of the configuration document sObjectRuleFile (its words
 * in the caller's encoding; categories without an id or with a repeated id replace one another);
 * "" when no object is found or the document cannot be read (the last error says so).
 * Refusal: "". */
KOVEX_ST_API const char* ST_GetMultiObjectResult(const char* sTitleO, const char* sContentO, const char* sObjectRuleFileO);

/* Point of the whole text scored as one sentence: (pos + neg) / (pos - neg), from -1 (only
 * negative) to 1 (only positive); 0.0 for a text without sentiment. Refusal: 0.0. */
KOVEX_ST_API double ST_GetSentimentPoint(const char* sSentenceO);

/* Result document of the text scored as one sentence, its marked-up text included.
 * Refusal: "". */
KOVEX_ST_API const char* ST_GetSentencePoint(const char* sSentenceO);

/* Imports a "word weight" text file into the sentiment lexicon; bSaveDict non-zero replaces the
 * lexicon, 0 adds to it. The number of entries read, 0 on failure (ST_GetLastErrorMsg tells
 * why). Refusal: 0. */
KOVEX_ST_API int ST_ImportUserDict(const char* sFilePath, int bSaveDict);

/* With bInputOutput true, replaces the lexicon by the words of both files in one import (a word
 * in both takes the negative file's weight) and returns the sum of their counts (0 on failure);
 * false returns 0 and does nothing. Refusal: 0. */
KOVEX_ST_API int ST_SentiDictIO(const char* sPositiveFile, const char* sNegativeFile, bool bInputOutput);

/* The last error message, UTF-8 for encodings 1, 4 and -1, else GBK; valid until this thread's
 * next call. Works in every state. */
KOVEX_ST_API const char* ST_GetLastErrorMsg(void);

/* Path of the ranking table of a directory of documents; null when none is made (the last error
 * tells why). Refusal: null. */
KOVEX_ST_API const char* ST_ProcesDir(const char* sPath);

#ifdef __cplusplus
}
#endif

#endif /* KOVEX_SENTIMENT_H */
