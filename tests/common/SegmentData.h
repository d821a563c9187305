// Loading what the segmenter reads (character classes, core dictionary, unigram and bigram
// counts, English dictionary) into the engine globals from a data directory, and the special word
// ids as start-up finds them. Header-only, for tests, the benchmark and the atom tool, which run
// the segmenter without a full engine start-up.
#pragma once

#include <string>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/Bigram.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace kxtest {

// GBK bytes of a UTF-8 literal.
inline std::string Gbk(const char* utf8) {
    std::string gbk;
    UTF8ToANSI(utf8, gbk);
    return gbk;
}

// The special word ids of a core dictionary (-1 for those it lacks).
inline void SetSpecialWordIds(const CPDAT& dict) {
    auto id = [&](const char* utf8) { return dict.Find(Gbk(utf8).c_str()); };
    gSent_StartID = id("始##始");
    gSent_EndID = id("末##末");
    gUnknown_x_ID = id("未##串");
    gUnknown_nr_ID = id("未##人");
    gUnknown_ns_ID = id("未##地");
    gUnknown_nt_ID = id("未##团");
    gUnknown_t_ID = id("未##时");
    gUnknown_m_ID = id("未##数");
    gUnknown_nz_ID = id("未##专");
    gQuatation_LD_ID = id("“");
    gQuatation_RD_ID = id("”");
    gQuatation_LS_ID = id("‘");
    gQuatation_RS_ID = id("’");
    gPunctation_WP_ID = id("———");
    gOneID = id("一");
}

// Replaces the segmenter's lexicons in the engine globals with those of dataDir (a folder such
// as build/Data) and sets the special ids. False when a file does not load; the globals then
// hold whatever loaded. Call while no analysis runs.
inline bool LoadSegmentLexicons(const std::string& dataDir) {
    ReleaseEngineLexicons();
    g_pCharset = new CCharset;
    g_pCoreDict = new CPDAT;
    g_pUnigram = new CUnigram;
    g_pBiDict = new CBigram;
    g_pEnglishDict = new CPDAT;
    bool ok = g_pCharset->Load((dataDir + "/charset.type").c_str()) &&
              g_pCoreDict->Load((dataDir + "/CoreDict.pdat").c_str()) &&
              g_pUnigram->Load((dataDir + "/CoreDict.unig").c_str()) &&
              g_pBiDict->Load((dataDir + "/BiWord.big").c_str()) &&
              g_pEnglishDict->Load((dataDir + "/English/English.pdat").c_str());
    SetSpecialWordIds(*g_pCoreDict);
    return ok;
}

// Every lexicon one engine instance reads, from dataDir, in the place start-up puts them: the
// segmenter's (LoadSegmentLexicons), the tagging and person-role stores, the four tag-set maps
// (the configured KOVEX.map first) and the English stores; settings as start-up's defaults
// (tagging and person recognition on, "/" and two blanks). The user and field dictionaries stay
// absent. False when a file does not load. Call while no analysis runs.
inline bool LoadEngineLexicons(const std::string& dataDir) {
    bool ok = LoadSegmentLexicons(dataDir);
    ResetEngineSettings();
    SetSpecialWordIds(*g_pCoreDict);
    g_pCorePOS = new CPOS;
    g_pPOSContext = new CContextStat;
    g_pPersonRole = new CPOS;
    g_pPersonContext = new CContextStat;
    g_pPersonFSA = new CFSA;
    ok = ok && g_pCorePOS->Load((dataDir + "/CoreDict.pos").c_str()) &&
         g_pPOSContext->Load((dataDir + "/KOVEX.ctx").c_str()) &&
         g_pPersonRole->Load((dataDir + "/nr.role").c_str()) &&
         g_pPersonContext->Load((dataDir + "/nr.ctx").c_str()) && g_pPersonFSA->Load((dataDir + "/nr.fsa").c_str());
    g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
    const char* maps[kPOSmapCount] = {"KOVEX.map", "KOVEX_First.map", "PKU.map", "PKU_First.map"};
    for (int i = 0; i < kPOSmapCount; ++i) {
        g_ppPOSmap[i] = new CPOSmap;
        ok = ok && g_ppPOSmap[i]->Load((dataDir + "/" + maps[i]).c_str());
    }
    const std::string en = dataDir + "/English/";
    g_pEnglishWordList = new CWordList;
    g_pEnglishUnigram = new CUnigram;
    g_pEnglishPOS = new CPOS;
    g_pEnglishIrre2Reg = new CIDMaps;
    g_pEngNEDict = new CPDAT(0);
    g_pEngNEPOS = new CPOS;
    ok = ok && g_pEnglishWordList->Load((en + "English.wordlist").c_str()) &&
         g_pEnglishUnigram->Load((en + "English.ung").c_str()) && g_pEnglishPOS->Load((en + "English.pos").c_str()) &&
         g_pEnglishIrre2Reg->Load((en + "Irrel2regular.map").c_str()) == 1 &&
         g_pEngNEDict->Load((en + "ne.pdat").c_str()) && g_pEngNEPOS->Load((en + "ne.pos").c_str());
    return ok;
}

}  // namespace kxtest
