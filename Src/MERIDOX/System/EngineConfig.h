// The items of the engine configuration document Configure.xml.
//
// Each item is found by a plain search for "<Item>" in the whole text (commented-out text
// included) and its value is the text up to "</Item>", untrimmed. Values compare without regard
// to ASCII letter case. An absent item leaves the setting as it was (start-up first returns
// every setting to its default with ResetEngineSettings).
//
//   Log                "off" silences the error and log files
//   LogPath            the folder of the error and log files (relative: to the data folder);
//                      absent or empty: the working directory
//   TagSet             file name of the tag set loaded into map 0
//   POSDelimiter       between a word and its tag in result texts (default "/")
//   WordBoundary       after each word of a result text (default two blanks)
//   Person, Tagger     "off" turns person recognition / tagging off
//   UserDictPrior      "on": user and field words are cut first
//   Granularity        "small" gives granularity 1
//   UserDict, FieldDict, GranularityContorl, Sentiment
//                      "on" loads the optional dictionary (IsConfigItemOn)
//   FinerSegCombined   a value starting with 't' or 'T' adds finer pieces to the output
#pragma once

#include "Utility/Types.h"

// Sets g_bLog true, then false when the item Log is "off", and sends the default log writes into
// the folder of the item LogPath (a relative name is taken from sDataPath), or back to the working
// directory when the item is absent or empty; a program's own SetLogPath choice still comes first.
// A LogPath that names no folder in which a file can be created is logged ("Cannot write log
// files in " and the folder, into the working directory) and the working directory kept. Start-up
// applies it before it looks at anything else, so a missing or empty configuration leaves logging
// on, in the working directory.
void ApplyLogItem(const char* sConfig, const tstring& sDataPath = tstring());

// Applies TagSet, POSDelimiter, WordBoundary, Person, Tagger, UserDictPrior, Granularity and
// FinerSegCombined, in that order, to the engine globals. An empty POSDelimiter or WordBoundary
// keeps the default. UserDictPrior, Granularity and
// FinerSegCombined are set to off first; the others keep their value when absent.
void ApplyEngineItems(const char* sConfig);

// True when the item is present with the value "on" (any case), e.g. "UserDict": "<UserDict>"
// never matches "<UserDictPrior>".
bool IsConfigItemOn(const char* sConfig, const char* sItem);

// Appends the first character of sText to sOut: one byte, or two when the first is a GBK lead
// byte followed by a second byte; nothing for an empty text. The result output writes the tag
// delimiter and the word boundary this way.
void AppendFirstChar(tstring& sOut, const tstring& sText);
