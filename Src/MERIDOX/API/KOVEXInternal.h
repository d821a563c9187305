// Helpers shared by the files of the engine interface: conversion between the caller's encoding
// and GBK, and registration of the texts handed to callers.
#pragma once

#include <cstddef>

#include "Utility/LogFile.h"
#include "Utility/Types.h"

namespace kovex {

// The static empty text handed out while the engine is inactive (never registered, never freed).
extern const char kEmptyText[];

// GBK form of a caller text: detected and converted for encoding -1, through g_pCodeTranslator
// for codes 1-4, unchanged otherwise. Null gives "".
tstring ToGBK(const char* sText);
// GBK form through g_pCodeTranslator only ("when there is a converter"). Null gives "".
tstring ToGBKByConverter(const char* sText);
// The code of a whole caller text (a user-dictionary entry, an import file) under automatic
// detection (-1), detected as the analysed text is; 0 under every other encoding code.
int DetectCode(const char* pText, size_t nLen);
// GBK form of a piece of a caller text whose code DetectCode gave for the whole: under -1
// converted with that code ("" when it is no code of text, as for an undetected analysed text),
// otherwise as ToGBKByConverter.
tstring ToGBK(const tstring& sPiece, int nDetected);
// The caller-encoding form of a GBK text (UTF-8 for -1, the converter's code for 1-4).
tstring FromGBK(const tstring& sGBK);

// A path for a message, as the caller gave it: a path below the data folder names the folder as
// it was given to start-up (the engine may hold its GBK form), any other path stands as it is.
// Set by start-up; read it while the engine runs.
CErrorText DataPathText(const tstring& sPath);

// A registered copy of the text; kEmptyText when there is no buffer manager.
const char* Register(const tstring& sText);
// A registered copy of nBytes bytes (null for 0 bytes or without a buffer manager).
char* RegisterBytes(const void* pData, size_t nBytes);

}  // namespace kovex
