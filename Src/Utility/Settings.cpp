#include "Utility/Settings.h"

pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;

tstring g_sDataPath;
tstring g_sDefaultDir;
tstring g_sTagset;
tstring g_sPOSDelimiter;
tstring g_sWordBoundary;
tstring g_sLine;

int g_nEncodeType = 0;
bool g_bPOSTagger = false;
bool g_bNERPerson = false;
bool g_bUserDictPrior = false;
int g_nGranularity = 0;
int g_nPOSPresent = 0;
bool g_bWordMerged = false;
int g_nLangType = 1;

int gSent_StartID = 0, gSent_EndID = 0;
int gUnknown_x_ID = 0, gUnknown_nr_ID = 0, gUnknown_ns_ID = 0, gUnknown_nt_ID = 0, gUnknown_t_ID = 0,
    gUnknown_m_ID = 0, gUnknown_nz_ID = 0;
int gQuatation_LD_ID = 0, gQuatation_RD_ID = 0, gQuatation_LS_ID = 0, gQuatation_RS_ID = 0;
int gPunctation_WP_ID = 0;
int gOneID = 0;
