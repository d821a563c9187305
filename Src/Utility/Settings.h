// Process-wide settings and word identifiers that engine start-up fills in and the rest of the
// system reads, and the engine's process-wide lock.
//
// The values below are the ones before start-up; start-up sets its own defaults (for example "/"
// for g_sPOSDelimiter, two blanks for g_sWordBoundary, tagging and person recognition on). Apart
// from g_mutex these are plain variables: they are written by start-up while no analysis runs and
// only read afterwards.
#pragma once

#include <pthread.h>

#include "Utility/Types.h"

// The engine's lock: start-up, the engine's error reports, its instance table and every change of
// the user dictionary. Statically initialised; never re-initialised or destroyed, so a shut-down
// and restart cycle keeps one valid mutex. WriteLog, WriteError and the last-error functions never
// take it, so they may be called while it is held.
extern pthread_mutex_t g_mutex;

extern tstring g_sDataPath;       // the data directory ("Data" under g_sDefaultDir)
extern tstring g_sDefaultDir;     // the directory holding the data directory
extern tstring g_sTagset;         // tag-set map file name (item TagSet)
extern tstring g_sPOSDelimiter;   // between a word and its tag in text results
extern tstring g_sWordBoundary;   // after each word of a text result
extern tstring g_sLine;           // an empty result string handed back when there is nothing to return

extern int g_nEncodeType;         // -1 detect, 0 GBK, 1 to 4 converted by code
extern bool g_bPOSTagger;         // part-of-speech tagging on
extern bool g_bNERPerson;         // person-name recognition on
extern bool g_bUserDictPrior;     // user-dictionary words first in atom segmentation
extern int g_nGranularity;        // 1 for "small" granularity
extern int g_nPOSPresent;         // tag presentation: 0 none, 1 upper, 2 default
extern bool g_bWordMerged;        // item Merge "on"
extern int g_nLangType;           // language code of the text normalisers; starts at 1

// Core-dictionary word ids of special words, filled in by start-up.
extern int gSent_StartID, gSent_EndID;
extern int gUnknown_x_ID, gUnknown_nr_ID, gUnknown_ns_ID, gUnknown_nt_ID, gUnknown_t_ID,
    gUnknown_m_ID, gUnknown_nz_ID;
extern int gQuatation_LD_ID, gQuatation_RD_ID, gQuatation_LS_ID, gQuatation_RS_ID;
extern int gPunctation_WP_ID;
extern int gOneID;
