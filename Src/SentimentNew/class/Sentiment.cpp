#include "SentimentNew/class/Sentiment.h"

#include "SentimentNew/class/SentiEngine.h"

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
