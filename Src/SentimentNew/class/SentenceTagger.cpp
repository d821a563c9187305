#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

tstring Sentiment::TagSentence(const tstring& sentence) const { return m_engine->TagSentence(sentence); }

// The engine's internal interface is not linked into this library yet: every operation answers as
// the engine does while it is not started.
tstring KovexSentiEngine::TagSentence(const tstring& sentence) {
    (void)sentence;
    return tstring();
}

int KovexSentiEngine::AddUserWord(const tstring& sLine) {
    (void)sLine;
    return -1;
}

int KovexSentiEngine::GetUserWordState(const tstring& sWord, SentiUserWordState& state) {
    (void)sWord;
    (void)state;
    return -1;
}

int KovexSentiEngine::RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) {
    (void)sWord;
    (void)state;
    return -1;
}

int KovexSentiEngine::SaveUserDict() { return 0; }

tstring KovexSentiEngine::UserWordKey(const tstring& sWord) { return FoldAscii(sWord, SentiEncoding::GBK); }

KovexSentiEngine& KovexSentiEngine::Instance() {
    static KovexSentiEngine engine;
    return engine;
}
