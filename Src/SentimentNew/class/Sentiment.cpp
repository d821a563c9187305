#include "SentimentNew/class/Sentiment.h"

#include <cstdlib>

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

int Sentiment::ImportUserDict(const tstring& filePath, bool bSaveDict) {
    return ImportUserDicts(std::vector<tstring>(1, filePath), bSaveDict);
}

int Sentiment::ImportUserDicts(const std::vector<tstring>& filePaths, bool bSaveDict) {
    // The engine reads each file in the caller's encoding (a file detected as a whole under -1).
    return KOVEX_ImportUserDictFiles(std::vector<std::string>(filePaths.begin(), filePaths.end()), bSaveDict);
}

const char* Sentiment::GetLastErrMsg(int encode) {
    thread_local tstring tlsCopy;
    tlsCopy = LastErrorForCaller(SentiWorkingEncoding(encode) == SentiEncoding::UTF8);
    return tlsCopy.c_str();
}
