#include "Utility/KeyWordFinder.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <strings.h>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/PDAT.h"
#include "Utility/StrToken.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

_tWordAV::_tWordAV(const char* sWord, const char* sPos, int iPosId, int unit_count_in)
    : word(sWord ? sWord : ""), original_word(word), pos(sPos ? sPos : ""), pos_id(iPosId),
      unit_count(unit_count_in) {
    // An empty tag has no first character: strchr would match its NUL.
    static const char kStopTags[] = "uwcopqrey";
    if ((!pos.empty() && std::memchr(kStopTags, pos[0], sizeof kStopTags - 1)) ||
        (!word.empty() && (word[0] == '<' || word[0] == '>')))
        is_stopword = true;
    else if (strncasecmp(pos.c_str(), "key", 3) == 0)
        weight = 1000.0;
    else if (strncasecmp(pos.c_str(), "vshi", 4) == 0)
        is_stopword = true;
    base_weight = weight;
}

_tDocExtractData::_tDocExtractData(uint32_t nEntityCount)
    : entity_count(nEntityCount), entity_list(nEntityCount) {
    for (tstring& slot : entity_list) slot.reserve(kSlotCapacity + 1);
}

tstring* _tDocExtractData::GetElement(int type) {
    if (type < 0 || uint32_t(type) >= entity_count) return nullptr;
    return &entity_list[size_t(type)];
}

int32_t WordThreshold(const CUnigram* pUnigram) {
    if (!pUnigram || pUnigram->GetItemCount() <= 0) return INT_MAX;
    int64_t n = int64_t(10) * int64_t(pUnigram->GetTotalFreq()) / int64_t(pUnigram->GetItemCount());
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return int32_t(n);
}

CKeyWordFinder::CKeyWordFinder(CUnigram* pUnigram, const char* sUserPosLists, unsigned int nFuncRequired)
    : m_nFuncRequired(nFuncRequired), m_nCnWordThreshold(WordThreshold(pUnigram)),
      m_nEnWordThreshold(WordThreshold(g_pEnglishUnigram)), m_trie(new CTrie), m_pUnigram(pUnigram) {
    std::vector<tstring> vecTags;
    if (sUserPosLists && *sUserPosLists) {
        std::vector<char> copy(sUserPosLists, sUserPosLists + strlen(sUserPosLists) + 1);
        char* pNext = nullptr;
        for (char* tok = StrToken(copy.data(), "#", &pNext); tok; tok = StrToken(pNext, "#", &pNext)) {
            if (*tok && *tok != '#') vecTags.push_back(tok);
            if (!pNext) break;
        }
    }
    if (!vecTags.empty()) {
        m_pUserDefPos.reset(new CPDAT(0));
        m_pVecUserPosHandle.reset(new int[vecTags.size()]);
        m_nUserPosCount = int(vecTags.size());
        m_pUserDefPos->AddWordInit();
        for (size_t k = 0; k < vecTags.size(); ++k)
            m_pVecUserPosHandle[k] = m_pUserDefPos->AddWord(vecTags[k].c_str(), false);
        m_pUserDefPos->AddWordComplete();
    }
    m_pDocExtractData.reset(new DOC_EXTRAXT_DATA(uint32_t(kFixedEntityCount + m_nUserPosCount)));
}

CKeyWordFinder::~CKeyWordFinder() = default;

int CKeyWordFinder::GetUserPosHandle(int k) const {
    if (k < 0 || k >= m_nUserPosCount) return -1;
    return m_pVecUserPosHandle[size_t(k)];
}

void CKeyWordFinder::Reset() {
    m_vecWordAV.clear();
    m_vecNewWordInfo.clear();
    m_vecNewWordHandles.clear();
    m_vecSentInfo.clear();
    m_vecWordIDList.clear();
    m_trie.reset(new CTrie);
    m_nDocLength = 0;
}

bool Find(int nHandle, const std::vector<_word_freq>& vecList, int& nMid) {
    int lo = 0, hi = int(vecList.size()) - 1;
    nMid = 0;
    if (vecList.empty()) return false;
    int probe = 0;
    while (lo <= hi) {
        probe = lo + (hi - lo) / 2;
        if (vecList[size_t(probe)].handle == nHandle) {
            nMid = probe;
            return true;
        }
        if (vecList[size_t(probe)].handle < nHandle)
            lo = probe + 1;
        else
            hi = probe - 1;
    }
    nMid = probe - 2 < 0 ? 0 : probe - 2;
    while (nMid < int(vecList.size()) && vecList[size_t(nMid)].handle < nHandle) ++nMid;
    return false;
}

int Add(int nHandle, std::vector<_word_freq>& vecList) {
    int nMid = 0;
    if (Find(nHandle, vecList, nMid)) {
        ++vecList[size_t(nMid)].freq;
        return nMid;
    }
    vecList.insert(vecList.begin() + nMid, _word_freq(nHandle, 1));
    return nMid;
}

char* replacelinechar(char* sLine) {
    if (!sLine) return sLine;
    for (char* p = sLine; *p; ++p)
        if (*p == '\t' || *p == '\r' || *p == '\n') *p = ' ';
    return sLine;
}
