#include "SentimentNew/class/Sentiment.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/class/SentiEngine.h"
#include "Utility/LogFile.h"

SentiEncoding SentiWorkingEncoding(int encode) {
    switch (encode) {
        case 1:
        case 4:
        case -1:
            return SentiEncoding::UTF8;
        case 2:
            return SentiEncoding::BIG5;
        default:
            return SentiEncoding::GBK;
    }
}

Sentiment::Sentiment(const char* dataPath, int encode)
    : m_negationName("Neg"),
      m_transitionName("Tran"),
      m_objectName("Object"),
      m_removeWordName("RemWord"),
      m_removeSentenceName("RemSent"),
      m_dataPath(dataPath ? dataPath : ""),
      m_encode(encode),
      m_engine(&KovexSentiEngine::Instance()) {}

Sentiment::Sentiment(const char* dataPath, int encode, SentiEngine& engine) : Sentiment(dataPath, encode) {
    m_engine = &engine;
}

Sentiment::~Sentiment() {
    if (m_engine == &KovexSentiEngine::Instance()) Exit();
}

int Sentiment::Init(const tstring& sDataPath, int encode) {
    const int nResult = KOVEX_Init(sDataPath.c_str(), encode);
    if (nResult == 0) {
        WriteError(AppendLastErrorMessage(" KOVEX Segment init failed! In Data Path=" + CErrorText::Given(sDataPath)));
    }
    return nResult;
}

bool Sentiment::Exit() { return KOVEX_Exit() != 0; }

namespace {

// Under automatic detection the engine stores imported words as they stand, so a UTF-8 file is
// first copied into a GBK file beside the data it rebuilds; other files are imported directly.
// Returns the path to import and, in sTemp, a copy to remove afterwards ("" when none).
tstring ImportablePath(const tstring& sPath, int encode, tstring& sTemp) {
    sTemp.clear();
    if (encode != -1) return sPath;
    tstring sName;
    GetAnsiFilename(sPath.c_str(), sName, false);
    std::ifstream in(sName, std::ios::binary);
    if (!in) return sPath;
    std::ostringstream text;
    text << in.rdbuf();
    const tstring sText = text.str();
    if (CodeTrans_CodeDetect(sText.data(), int(sText.size())) != CODETRANS_UTF8) return sPath;
    tstring sGBK;
    UTF8ToANSI(sText.c_str(), sGBK);
    char sTemplate[] = "/tmp/kovex-import-XXXXXX";
    const int fd = mkstemp(sTemplate);
    if (fd < 0) return sPath;
    const bool bWritten = write(fd, sGBK.data(), sGBK.size()) == ssize_t(sGBK.size());
    close(fd);
    sTemp = sTemplate;
    if (!bWritten) return sPath;
    return sTemp;
}

}  // namespace

int Sentiment::ImportUserDict(const tstring& filePath, bool bSaveDict) {
    return ImportUserDicts(std::vector<tstring>(1, filePath), bSaveDict);
}

int Sentiment::ImportUserDicts(const std::vector<tstring>& filePaths, bool bSaveDict) {
    std::vector<std::string> vecPaths;
    std::vector<tstring> vecTemps;
    for (const tstring& sPath : filePaths) {
        tstring sTemp;
        vecPaths.push_back(ImportablePath(sPath, m_encode, sTemp));
        if (!sTemp.empty()) vecTemps.push_back(sTemp);
    }
    int nResult = 0;
    try {
        nResult = KOVEX_ImportUserDictFiles(vecPaths, bSaveDict);
    } catch (...) {
        for (const tstring& sTemp : vecTemps) unlink(sTemp.c_str());
        throw;
    }
    for (const tstring& sTemp : vecTemps) unlink(sTemp.c_str());
    return nResult;
}

const char* Sentiment::GetLastErrMsg(int encode) {
    thread_local tstring tlsCopy;
    tlsCopy = LastErrorForCaller(encode == 1 || encode == 4 || encode == -1);
    return tlsCopy.c_str();
}
