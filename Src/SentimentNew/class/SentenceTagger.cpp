#include <algorithm>
#include <cstring>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEXInternal.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"
#include "Utility/Settings.h"

namespace {

// The form in which the user-word functions receive a word. Under automatic detection (-1) the
// analyser's texts are UTF-8 already, so the word goes to the engine in GBK, converted as the
// engine converts a UTF-8 sentence, and the engine takes it as GBK (no detection on a short word);
// every other code passes the word in the caller's encoding, which the engine converts itself.
bool EngineTakesGBK() { return g_nEncodeType == -1; }

tstring EngineWordForm(const tstring& sWord) {
    if (!EngineTakesGBK()) return sWord;
    tstring sGBK;
    UTF8ToANSI(sWord.c_str(), sGBK);
    return sGBK;
}

}  // namespace

tstring KovexSentiEngine::TagSentence(const tstring& sentence) {
    return KOVEX_ParagraphProcessStr(sentence.c_str(), 1);
}

void KovexSentiEngine::TagSentencePieces(const char* sentence, const std::function<void(const char*, size_t)>& sink) {
    KOVEX_ParagraphProcessToSink(sentence, 1, sink);
}

void KovexSentiEngine::TagSentenceUnits(const char* sentence, const SentiUnitSink& sink) {
    SentiUnit unit;
    KOVEX_ParagraphUnitsToSink(sentence, [&](const KOVEX_TaggedUnit& row) {
        unit.bTagged = *row.sTag != '\0';
        if (unit.bTagged) {
            unit.word.assign(row.sText, row.nText);
            unit.tag.assign(row.sTag);
        } else {
            // As the result text reads: the row's text without the blanks that separate units.
            unit.word.clear();
            for (size_t i = 0; i < row.nText; ++i)
                if (row.sText[i] != ' ') unit.word += row.sText[i];
            if (unit.word.empty()) return;
            unit.tag.clear();
        }
        sink(unit);
    });
}

int KovexSentiEngine::AddUserWord(const tstring& sLine) {
    // The line is "word tag": only the word needs the engine's form, the tags are ASCII.
    const size_t nBlank = sLine.rfind(' ');
    if (nBlank == tstring::npos) return KOVEX_AddUserWord(EngineWordForm(sLine).c_str(), EngineTakesGBK());
    const tstring sEntry = EngineWordForm(sLine.substr(0, nBlank)) + sLine.substr(nBlank);
    return KOVEX_AddUserWord(sEntry.c_str(), EngineTakesGBK());
}

int KovexSentiEngine::GetUserWordState(const tstring& sWord, SentiUserWordState& state) {
    state = SentiUserWordState();
    KOVEX_UserWordState engineState;
    const int nResult = KOVEX_GetUserWordState(EngineWordForm(sWord).c_str(), engineState, EngineTakesGBK());
    if (nResult < 0) return -1;
    state.bPresent = engineState.bPresent;
    state.nFreq = engineState.nFreq;
    state.sTag.assign(engineState.sPOS, strnlen(engineState.sPOS, sizeof(engineState.sPOS)));
    return nResult;
}

int KovexSentiEngine::RestoreUserWord(const tstring& sWord, const SentiUserWordState& state) {
    KOVEX_UserWordState engineState;
    engineState.bPresent = state.bPresent;
    engineState.nFreq = state.nFreq;
    const size_t nTag = std::min(state.sTag.size(), sizeof(engineState.sPOS) - 1);
    memcpy(engineState.sPOS, state.sTag.data(), nTag);
    engineState.sPOS[nTag] = 0;
    return KOVEX_RestoreUserWord(EngineWordForm(sWord).c_str(), engineState, EngineTakesGBK());
}

int KovexSentiEngine::SaveUserDict() { return KOVEX_SaveTheUsrDic(); }

tstring KovexSentiEngine::UserWordKey(const tstring& sWord) {
    return FoldAscii(kovex::ToGBKByConverter(EngineWordForm(sWord).c_str()), SentiEncoding::GBK);
}

KovexSentiEngine& KovexSentiEngine::Instance() {
    static KovexSentiEngine engine;
    return engine;
}
