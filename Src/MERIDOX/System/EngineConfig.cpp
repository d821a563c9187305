#include "MERIDOX/System/EngineConfig.h"

#include <cstring>
#include <vector>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogFile.h"
#include "Utility/TagValue.h"
#include "Utility/TextScan.h"

namespace {

// The value of an item, or false when the item is absent. A value without its closing tag runs
// to the end of the text.
bool ItemValue(const char* sConfig, const char* sItem, tstring& sValue) {
    sValue.clear();
    if (!sConfig) return false;
    std::vector<char> buf(strlen(sConfig) + 1);
    if (!GetXMLItemValue(sConfig, sItem, buf.data(), buf.size())) return false;
    sValue = buf.data();
    return true;
}

bool ItemEquals(const char* sConfig, const char* sItem, const char* sWanted) {
    tstring v;
    return ItemValue(sConfig, sItem, v) && textscan::AsciiCaseCompare(v.c_str(), sWanted) == 0;
}

}  // namespace

void ApplyLogItem(const char* sConfig, const tstring& sDataPath) {
    g_bLog = true;
    if (ItemEquals(sConfig, "Log", "off")) g_bLog = false;
    tstring sDir;
    ItemValue(sConfig, "LogPath", sDir);
    if (!sDir.empty() && sDir[0] != '/' && !sDataPath.empty()) sDir = sDataPath + "/" + sDir;
    if (!SetConfiguredLogPath(sDir.c_str())) {
        SetConfiguredLogPath(nullptr);
        WriteLog("Cannot write log files in " + sDir);
    }
}

void ApplyEngineItems(const char* sConfig) {
    tstring v;
    if (ItemValue(sConfig, "TagSet", v)) g_sTagset = v;
    // An empty delimiter or boundary would put a NUL into every result text: keep the default.
    if (ItemValue(sConfig, "POSDelimiter", v) && !v.empty()) g_sPOSDelimiter = v;
    if (ItemValue(sConfig, "WordBoundary", v) && !v.empty()) g_sWordBoundary = v;
    if (ItemEquals(sConfig, "Person", "off")) g_bNERPerson = false;
    if (ItemEquals(sConfig, "Tagger", "off")) g_bPOSTagger = false;
    g_bUserDictPrior = ItemEquals(sConfig, "UserDictPrior", "on");
    g_nGranularity = ItemEquals(sConfig, "Granularity", "small") ? 1 : 0;
    g_bFinerSegCombined = ItemValue(sConfig, "FinerSegCombined", v) && (v[0] == 't' || v[0] == 'T');
}

bool IsConfigItemOn(const char* sConfig, const char* sItem) { return ItemEquals(sConfig, sItem, "on"); }

void AppendFirstChar(tstring& sOut, const tstring& sText) {
    if (sText.empty()) return;
    size_t n = ((unsigned char)sText[0] >= 0x80 && sText.size() > 1 && sText[1] != 0) ? 2 : 1;
    sOut.append(sText, 0, n);
}
