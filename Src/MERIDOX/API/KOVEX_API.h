// The engine's function interface: start-up and shut-down, analysis through the instance pool,
// word tests on the shared lexicons, and the user and field dictionaries.
//
// Every function except KOVEX_Init and KOVEX_GetLastErrorMsg first reads the active flag and,
// while the engine is not started, returns its refusal value (0, -1, 0.0, null, or the static
// empty text "") without a message.
//
// Memory: every text or row array handed out is registered with the buffer manager
// (g_pBufManager), which frees it later (after at least 10000 further registrations, or at
// shut-down); callers never free it. Texts are in the caller's encoding (the code given to
// KOVEX_Init); the internal KOVEX_ParagraphProcessStr returns an owned std::string instead.
//
// Thread safety: analysis and dictionary functions may be called from many threads at once;
// each analysis call claims its own pooled engine instance. KOVEX_Init and KOVEX_Exit must not
// overlap any other KOVEX_ call (the sentiment interface guarantees it with its request lock).
// Lock order, outermost first: the sentiment request lock, g_hMainSystem, the import lock or the
// user-dictionary save lock, g_mutex, the user-dictionary lock g_hUserDictLock; g_hWoker (the
// pool) is never held with another of them.
#pragma once

#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/Types.h"

// Held for the whole call by every function that uses the main instance's own state
// (KOVEX_GetParagraphProcessAWordCount, KOVEX_ParagraphProcessAW, the keyword front ends).
// Statically initialised, never destroyed.
extern pthread_mutex_t g_hMainSystem;

// ---- start-up and shut-down --------------------------------------------------------------------

// Starts the engine on the data directory sInitDirPath + "/Data" (null or "": the working
// directory) for callers in encoding `encode` (-1 detected, 1-4 a converter set of the data
// directory, anything else GBK). The third argument is not used. Returns 1 when the engine is
// started (or already was: the first encoding stays), 0 on failure with the last error set (a
// failed start-up releases whatever it loaded), or when another thread's start-up is under way
// ("Other thread is under initialization " in the log).
int KOVEX_Init(const char* sInitDirPath = nullptr, int encode = 0, const char* third = nullptr);
// Stops the engine and frees every lexicon, instance and registered text. 1 after a shut-down,
// 0 when the engine was not active. Precondition: no other KOVEX_ call is in flight.
int KOVEX_Exit();

// ---- analysis on pooled instances ----------------------------------------------------------------

// The words of a text, each followed (when tagging) by the first character of the tag delimiter
// and its tag, then the first character of the word boundary. A registered copy; "" (static)
// while inactive.
const char* KOVEX_ParagraphProcess(const char* sParagraph, int bPOStagged = 1);
// The same text as an owned string, registered nowhere (for callers inside the library that
// process many sentences). "" while inactive or when the instance fails.
std::string KOVEX_ParagraphProcessStr(const char* sParagraph, int bPOStagged = 1);
// KOVEX_ParagraphProcessStr's text handed to sink piece by piece as the engine writes it, the
// pieces joined being that text (in the caller's encoding; each piece valid during its call). A
// long text's memory then follows the text itself, not its whole result (CMainSystem::
// ProcessToSink). The sink runs on the calling thread while the call holds a pooled instance; it
// must not call the engine. False while inactive or when the instance fails.
bool KOVEX_ParagraphProcessToSink(const char* sParagraph, int bPOStagged,
                                  const std::function<void(const char*, size_t)>& sink);
// One unit of a tagged text: its text in the caller's encoding (under -1 UTF-8), as the result
// text writes it, and its tag text ("" for white space, line breaks and sentence ends). Both are
// valid during the sink's call only.
struct KOVEX_TaggedUnit {
    const char* sText;
    size_t nText;
    const char* sTag;
};
// The units of a text with tagging on, handed to sink in order as the engine writes them: a unit
// for each result row, its text and its tag apart, for callers inside the library that must tell
// a unit's text from its tag, which the result text cannot do (a unit may hold blanks and "/").
// Memory as for KOVEX_ParagraphProcessToSink (CMainSystem::ProcessUnitsToSink); the same sink
// rules. False while inactive or when the instance fails.
bool KOVEX_ParagraphUnitsToSink(const char* sParagraph, const std::function<void(const KOVEX_TaggedUnit&)>& sink);
// The result rows of a text: a registered copy of *pResultCount rows; null and count 0 while
// inactive or when there are none. pResultCount may be null.
const result_t* KOVEX_ParagraphProcessA(const char* sParagraph, int* pResultCount, bool bUserDict = true);
// Processes a text file into a result file; the speed (KB/s), 0.0 on failure or while inactive.
double KOVEX_FileProcess(const char* sSourceFilename, const char* sResultFilename, int bPOStagged = 1);
// "word/tag/count#..." of a text, most frequent first; registered; "" while inactive.
const char* KOVEX_WordFreqStat(const char* sText, bool bStopRemove = false);
// KOVEX_WordFreqStat of a file's whole text; "" when nothing is read or while inactive.
const char* KOVEX_FileWordFreqStat(const char* sFilenameO, bool bStopRemove = false);

// ---- the main instance and the shared lexicons -------------------------------------------------

// The last error message (UTF-8 for encoding 1); works in every state.
const char* KOVEX_GetLastErrorMsg();
// Processes a text on the main instance and returns its row count (0 while inactive); read the
// rows with KOVEX_ParagraphProcessAW(count, rows). Two calls: a count that no longer matches
// the main instance's rows copies nothing.
int KOVEX_GetParagraphProcessAWordCount(const char* sParagraph);
// Copies the main instance's rows into result (nCount rows) when nCount is their number.
void KOVEX_ParagraphProcessAW(int nCount, result_t* result);
// Selects tag-set map 0..3 for the main instance, every pooled instance and new ones; other
// values change nothing. Returns 0 always.
int KOVEX_SetPOSmap(int nPOSmap);
// Smoothed unigram probability of a GBK word; 0.0 while inactive.
double KOVEX_GetUniProb(const char* sWord);
// 1 when the core dictionary, else the English dictionary, knows the word; else 0.
int KOVEX_IsWord(const char* sWordO);
// 1 when the field dictionary, else the user dictionary, holds the word (converted to GBK
// unless bAnsiCode); else 0.
int KOVEX_IsUserWord(const char* sWordO, bool bAnsiCode = false);
// "/tag/frequency#" for each tag candidate of the word (names from map 0); "" when it has none
// or tagging is off; null while inactive.
const char* KOVEX_GetWordPOS(const char* sWordO);
// The word cut by forward maximum matching on the core dictionary, pieces separated by single
// blanks; "" when the text stays whole; null while inactive.
const char* KOVEX_FinerSegment(const char* sLineO);
// The dictionary form of an English word, first letter lower-cased; null when none or inactive.
const char* KOVEX_GetEngWordOrign(const char* sWord);
// A JSON array of {"text","begin","end","pos"} objects of the words of a line (with
// bFineSegment followed by their finer pieces); the JSON of no words while inactive.
const char* KOVEX_Tokenizer4IR(const char* sLine, bool bFineSegment = false);

// ---- fingerprint and new words -------------------------------------------------------------------

// 32-bit hash of the six best keywords of a text, on a pooled instance; 0 for an empty text,
// while inactive or when no instance can be claimed.
unsigned long KOVEX_FingerPrint(const char* sLine);
// The new-word run on the main instance (under g_hMainSystem). Start empties the run (1); AddMem
// scans one text (0 when nothing was scanned, -1 at the document size limit); AddFile scans every
// line of a file and returns its size in bytes (0 when it cannot be opened, -1 at the size
// limit); Complete returns 1. All give 0 while inactive.
int KOVEX_NWI_Start();
int KOVEX_NWI_AddFile(const char* sFilenameO);
int KOVEX_NWI_AddMem(const char* sText);
int KOVEX_NWI_Complete();
// The run's new words (formats as the keyword results), registered; "" (static) while inactive.
const char* KOVEX_NWI_GetResult(int nFormat = 0);
// The run's keywords, at most nMaxKeyLimit (negative: no limit); registered; "" while inactive.
const char* KOVEX_NWI_GetKeyWordResult(int nMaxKeyLimit = 50, int nFormat = 0);
// Adds the run's selected new words to the user dictionary as "word tag" (words holding white
// space or of 1024 bytes or more are skipped), then saves it. Returns the number of words newly
// added; 0 while inactive.
unsigned int KOVEX_NWI_Result2UserDict();

// ---- user dictionary ---------------------------------------------------------------------------

// Words given to the user-dictionary functions, and the import files below, are read in the
// caller's encoding as the analysed text is: through the converter for codes 1-4, detected and
// converted under automatic detection (-1; an entry, a word or an import file detected as a
// whole), unchanged otherwise. bAnsiCode: the text is already GBK and is not converted.

// Adds "word tag" to the user dictionary (created empty when absent): 1 new, 2 present or
// re-added; -1 for an empty or null text (the dictionary is still created); -1, nothing changed,
// when nothing or the wrong entry would be added: a text of blanks, a word whose GBK form is
// empty or holds white space, a tag of 40 bytes or more, an entry of 1024 bytes or more; 0
// while inactive.
int KOVEX_AddUserWord(const char* sWord, bool bAnsiCode = false);
// Deletes a word (trailing CR, LF, TAB and blanks trimmed while 2 bytes or more remain): its old
// handle, -1 when absent, without a user dictionary, for null, or while inactive.
int KOVEX_DelUsrWord(const char* sWord);
// Saves the user dictionary to UserDict.pdat: 1 saved; 1 also, writing nothing, when the file
// already holds the dictionary byte for byte (unchanged since it was loaded or saved, or every
// change taken back) or when the dictionary keeps no word and there is no file; 0 while inactive
// or without a user dictionary (nothing reported), or when the save fails (the last error
// "Cannot Save user dictionary  " and the path, written as two error lines; the words kept). Saves
// run one at a time from snapshot to rename, so the file always holds the latest snapshot written.
int KOVEX_SaveTheUsrDic();
// Removes the user dictionary from memory (UserDict.pdat untouched). Returns 0.
int KOVEX_CleanUserWord();

// The state of one user word, for putting it back after a temporary change.
struct KOVEX_UserWordState {
    bool bPresent = false;
    int nFreq = 0;
    char sPOS[40] = {0};
};
// Reads a word's state (converted as KOVEX_DelUsrWord converts): 1 present, 0 absent (also
// without a user dictionary); -1 while inactive or for null. An absent word that was deleted
// reads with the count and tag it kept (0 and "" for a word never added).
int KOVEX_GetUserWordState(const char* sWord, KOVEX_UserWordState& state, bool bAnsiCode = false);
// Puts a word back into a state read before: absent takes back what was added since (the word,
// its handle and the nodes only it needed go; a deleted word gets its kept count and tag back);
// present sets its tag and frequency, keeping its handle (adding it first when it was deleted
// meanwhile). 1 done, 0 for "absent" without a user dictionary, -1 while inactive or for null.
int KOVEX_RestoreUserWord(const char* sWord, const KOVEX_UserWordState& state, bool bAnsiCode = false);

// ---- field dictionary and keyword blacklist ------------------------------------------------------

// Rebuilds the field dictionary from a user-dictionary text file (line: word [tag], or
// "[words with blanks] tag"), keeping the stored entries first unless bOverwite (read from the
// data directory when the engine does not hold them). Only a regular file is read (a folder, a
// FIFO or a device is refused at once). Returns the number of the file's entries; 0, with the
// field dictionary and its files as they were, on failure, when the file gives no entry, or when
// the stored entries to keep cannot be read. Every failure sets the last error, with a caller's
// file name as given, and writes it to the error file: "Failed Open file ", "No dictionary entry
// in file ", "Cannot open field dictionary ..." or "Cannot Save user dictionary  " and the path.
int KOVEX_ImportUserDict(const char* sFilenameO, bool bOverwite = false);
// The same over several files in one rebuild; returns the sum of their counts, 0 when none gives
// an entry or the rebuild fails.
int KOVEX_ImportUserDictFiles(const std::vector<std::string>& vecFilenames, bool bOverwite = false);
// Rebuilds the keyword blacklist from a regular file of one word per line, and stores
// sPOSBlacklist (when not null) as the blacklisted tags. Returns the number of words; 0, the
// blacklist unchanged, on failure or when the file gives no word (the last error set as for
// KOVEX_ImportUserDict); 0 for a null file name or while inactive (nothing reported).
int KOVEX_ImportKeyBlackList(const char* sFilenameO, const char* sPOSBlacklist = nullptr);
