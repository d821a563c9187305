#include "Utility/KeyWordFinder.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <strings.h>

#include <cmath>
#include <cstdio>

#include "EnglishParser/English.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/GBKChar.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/StrToken.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

const char* const kSentenceEndWord = "\xC4\xA9##\xC4\xA9";  // 末##末

namespace {

// Rows of this many bytes or more are not words (row mode).
const int kMaxRowWord = 31;
// Words the finder's trie takes are shorter than this.
const size_t kMaxTrieWord = 1024;
// Slot 5 takes words among the first and the last this many ids or rows.
const int kGenericEdge = 30;

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// A row the scan takes: one that exists and whose length is not negative.
bool HasText(const result_t* row) { return row && row->length >= 0; }

bool StartsNoCase(const tstring& s, const char* prefix) {
    return strncasecmp(s.c_str(), prefix, strlen(prefix)) == 0;
}

// Clamps a 64-bit score to the int32 range.
int32_t ClampScore(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int32_t(v);
}

// Word type the result output gives a row that the field or user dictionary made.
const int kDictWordType = 1;

// True for a GBK character (one byte, or a lead byte and its trail) that is punctuation, a
// symbol or white space: ASCII other than letters and digits (controls included), the
// punctuation row 0xA1, the full-width forms of row 0xA3 other than digits and letters, the
// vertical forms of row 0xA6, the symbols of row 0xA8 and the small forms and box drawing of
// row 0xA9. Letters, digits, numerals of row 0xA2 and hanzi are not.
bool IsPunctuationChar(unsigned char lead, unsigned char trail) {
    if (lead < 0x80) return !std::isalnum(lead);
    switch (lead) {
        case 0xA1:
            return true;
        case 0xA3:
            return !((trail >= 0xB0 && trail <= 0xB9) || (trail >= 0xC1 && trail <= 0xDA) ||
                     (trail >= 0xE1 && trail <= 0xFA));
        case 0xA6:
            return trail >= 0xD9;
        case 0xA8:
            return trail >= 0x42 && trail <= 0x95;
        case 0xA9:
            return (trail >= 0x68 && trail <= 0x88) || (trail >= 0xA4 && trail <= 0xEF);
        default:
            return false;
    }
}


// The core dictionary's view of a word: its word id and the text of its most frequent tag in
// the tag-set map the instances use. False when the core dictionary or its tag table lacks it.
bool CoreTagOf(const tstring& word, tstring& sPos, int& nWordId) {
    if (!g_pCoreDict || !g_pCorePOS || !g_ppPOSmap) return false;
    const int h = g_pCoreDict->Find(word.c_str());
    if (h < 0) return false;
    const POS_info* pBest = g_pCorePOS->GetMaxPOS(h);
    if (!pBest) return false;
    const int nMap = g_nPosMap.load();
    const CPOSmap* pMap = (nMap >= 0 && nMap <= 3 && g_ppPOSmap[nMap]) ? g_ppPOSmap[nMap] : g_ppPOSmap[0];
    const char* sTag = pMap ? pMap->GetPOS(pBest->POS_id) : nullptr;
    if (!sTag || !*sTag) return false;
    sPos = sTag;
    nWordId = h;
    return true;
}

// The regular form of an English word, through the scanning parser or a private one (the lookup
// reads only the shared English stores).
tstring EnglishOrigin(CEnglish* pParser, const tstring& word) {
    if (pParser) return pParser->GetEngWordOrign(word.c_str());
    static CEnglish s_parser;
    return s_parser.GetEngWordOrign(word.c_str());
}

}  // namespace

bool IsPunctuationText(const tstring& s) {
    if (s.empty()) return false;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = (unsigned char)s[i];
        if (c < 0x80) {
            if (!IsPunctuationChar(c, 0)) return false;
            ++i;
        } else {
            if (i + 1 >= s.size() || !IsPunctuationChar(c, (unsigned char)s[i + 1])) return false;
            i += 2;
        }
    }
    return true;
}

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
    m_vecNewWordSource.clear();
    m_mapNewWordIndex.clear();
    m_vecSentInfo.clear();
    m_vecWordIDList.clear();
    m_trie.reset(new CTrie);
    m_nDocLength = 0;
    m_pScanLine = nullptr;
    m_nScanLineLen = 0;
}

int CKeyWordFinder::SentenceEndHandle() {
    int h = m_trie->Find(kSentenceEndWord, (unsigned long)strlen(kSentenceEndWord));
    if (h >= 0) return h < int(m_vecWordAV.size()) ? h : -1;
    m_trie->AddTrie(kSentenceEndWord, true);
    h = m_trie->Find(kSentenceEndWord, (unsigned long)strlen(kSentenceEndWord));
    if (h != int(m_vecWordAV.size())) return -1;
    WORD_AV av(kSentenceEndWord, "", 1, 1);
    av.is_stopword = true;
    m_vecWordAV.push_back(std::move(av));
    return h;
}

int CKeyWordFinder::HandleOf(const tstring& word, const tstring& origin, const result_t& row, const tstring& pos,
                             int iPosId) {
    if (word.empty() || word.size() >= kMaxTrieWord) return -1;
    int h = m_trie->Find(word.c_str(), (unsigned long)word.size());
    if (h >= 0) return h < int(m_vecWordAV.size()) ? h : -1;
    m_trie->AddTrie(word.c_str(), true);
    h = m_trie->Find(word.c_str(), (unsigned long)word.size());
    // The table and the trie grow together: a handle that is not the next index is refused.
    if (h != int(m_vecWordAV.size())) return -1;

    WORD_AV av(word.c_str(), pos.c_str(), iPosId, 1);
    av.original_word = origin;
    // The tag and word id the rules below judge by: the row's, or for a field word the core
    // dictionary's (a field word's tag is its weight, which says nothing of its kind).
    tstring judged = pos;
    int nJudgedId = row.word_ID;
    bool stop = av.is_stopword;
    bool bDecided = false;  // the word is a stop word whatever the rules below say
    if (IsPunctuationText(word) || (pos.empty() && row.iPOS != -1)) {
        stop = bDecided = true;
    } else if (!m_bEnglishText && row.word_type == kDictWordType) {
        // English terms use word_type for their shape; there a field tag fails the English rule.
        CUserDictReadLock lock;
        if (g_pFieldDict && g_pFieldDict->Find(word.c_str()) >= 0) {
            if (CoreTagOf(word, judged, nJudgedId)) {
                stop = WORD_AV(word.c_str(), judged.c_str(), iPosId, 1).is_stopword;
            } else if (IsAllNum(word.c_str(), (unsigned long)word.size()) ||
                       IsAllChineseNum(word.c_str(), (unsigned long)word.size())) {
                // A numeral keeps a numeral's treatment: no tag rule stops it.
                judged.clear();
                nJudgedId = -1;
                stop = false;
            } else {
                stop = bDecided = true;  // a lexicon phrase the core dictionary does not know
            }
        }
    }
    if (!bDecided) {
        if (judged.size() >= 2 && judged[0] == 'x') stop = true;
        if (m_bEnglishText) {
            if ((judged.empty() || !strchr("nav", judged[0])) && av.weight < 1.0) stop = true;
            if (judged.size() >= 2 && judged[0] == 'v' && (judged[1] == 's' || judged[1] == 'y')) stop = true;
        }
        if (!stop) {
            CUserDictReadLock lock;
            if (g_pKeyBlackList && g_pKeyBlackList->Find(word.c_str()) >= 0) stop = true;
            if (!stop && !g_pKeyPOSBlacklist.empty() &&
                g_pKeyPOSBlacklist.find("#" + judged + "#") != tstring::npos)
                stop = true;
        }
        if (!stop && !m_bEnglishText && nJudgedId >= 0 && m_pUnigram &&
            m_pUnigram->GetFreq(nJudgedId) > m_nCnWordThreshold &&
            ((row.length == 2 && (judged.empty() || (judged[0] != 'm' && judged[0] != 'q'))) ||
             (!judged.empty() && judged[0] == 'f')))
            stop = true;
    }
    av.is_stopword = stop;
    double p = CMainSystem::GetUniProb(word.c_str());
    if (p > 0.0) av.weight -= p * std::log(p);
    av.base_weight = av.weight;  // keyword computations restart from here
    m_vecWordAV.push_back(std::move(av));
    return h;
}

result_t* CKeyWordFinder::RowAt(result_t* result, int nCount, int i) const {
    if (m_bEnglishText) {
        if (!m_pEnglishParser || i < 0 || size_t(i) >= m_pEnglishParser->m_vecResult.size()) return nullptr;
        return &m_pEnglishParser->m_vecResult[size_t(i)];
    }
    if (!result || i < 0 || i >= nCount) return nullptr;
    return &result[i];
}

int CKeyWordFinder::GetWord(const char* sLine, int nCount, result_t* result, int i, tstring* pWord,
                            int& nCurHandle) {
    nCurHandle = -1;
    if (!sLine) return -1;
    result_t* row = RowAt(result, nCount, i);
    if (!row) return -1;
    // A scan measures its text once; a call of its own measures it here.
    const int64_t nLineLen = sLine == m_pScanLine ? m_nScanLineLen : int64_t(strlen(sLine));
    tstring word, origin;
    bool bSentenceEnd = false;
    if (m_bEnglishText) {
        const english_term_result& term = m_pEnglishParser->m_vecResult[size_t(i)];
        word.assign(term.word.c_str());
        origin = term.original_word;
    } else {
        const int64_t nStart = row->start, nEnd = int64_t(row->start) + int64_t(row->length);
        // Tested before anything is copied: a long row or one outside the text is no word.
        if (row->length >= kMaxRowWord || row->start < 0 || row->length < 0 || nEnd > nLineLen) {
            word = kSentenceEndWord;
            bSentenceEnd = true;
        } else {
            word.assign(sLine + nStart, size_t(row->length));
        }
        origin = word;
    }
    const tstring pos(row->sPOS, strnlen(row->sPOS, sizeof row->sPOS));
    int iPosId = row->iPOS;

    if (!bSentenceEnd && !(word.size() >= 3 && IsUpper(word[0]) && IsUpper(word.back())) && IsUpper(word[0])) {
        if (word.find(' ') == tstring::npos) word[0] = char(word[0] - 'A' + 'a');
        origin = EnglishOrigin(m_pEnglishParser, word);
    }
    if (!bSentenceEnd && (word.empty() || strstr("\n\r ", word.c_str()))) {
        word = kSentenceEndWord;
        iPosId = 1;
        row->iPOS = 1;
    }

    if (word == kSentenceEndWord) origin = word;
    int h = HandleOf(word, origin, *row, pos, iPosId);
    if (h < 0) {
        word = kSentenceEndWord;
        h = SentenceEndHandle();
        if (h < 0) return -1;
    }
    ++m_vecWordAV[size_t(h)].freq;
    ++m_vecWordAV[size_t(h)].base_freq;
    if (pWord) *pWord = word;
    nCurHandle = h;
    return h;
}

void CKeyWordFinder::SetExtractName(int nType, int nCurHandle, int nScore) {
    tstring* slot = m_pDocExtractData->GetElement(nType);
    if (!slot || nCurHandle < 0 || nCurHandle >= int(m_vecWordAV.size())) return;
    const WORD_AV& av = m_vecWordAV[size_t(nCurHandle)];
    if (slot->find(av.word) != tstring::npos) return;
    if (slot->size() + av.word.size() + av.pos.size() + 10 >= DOC_EXTRAXT_DATA::kSlotCapacity) return;
    tstring piece = av.word;
    if (nType == 9 || nType == 10) piece += "/" + std::to_string(nScore);
    piece += "#";
    // The exact bytes and the NUL must fit the slot's 601 bytes.
    if (slot->size() + piece.size() + 1 > DOC_EXTRAXT_DATA::kSlotCapacity + 1) return;
    *slot += piece;
}

bool CKeyWordFinder::OverLimit() const {
    if (m_vecWordIDList.size() <= size_t(kMaxDocWordIds)) return false;
    // 处理的词总数%zd，超过%d,训练不再继续
    char sMessage[256];
    snprintf(sMessage, sizeof sMessage,
             "\xB4\xA6\xC0\xED\xB5\xC4\xB4\xCA\xD7\xDC\xCA\xFD%zd\xA3\xAC\xB3\xAC\xB9\xFD%d,"
             "\xD1\xB5\xC1\xB7\xB2\xBB\xD4\xD9\xBC\xCC\xD0\xF8",
             ssize_t(m_vecWordIDList.size()), kMaxDocWordIds);
    WriteError(sMessage, NULL);
    return true;
}

void CKeyWordFinder::AddSentence(int nStartPos, int nEndPos, int64_t nStartByte, int64_t nLen) {
    if (nLen <= 0 || nStartByte < 0 || nStartByte + nLen > m_nScanLineLen || !m_pScanLine) return;
    SENTENCE_INFO s;
    s.start_pos = nStartPos;
    s.end_pos = nEndPos;
    s.length = int32_t(nLen);
    s.line.assign(m_pScanLine + nStartByte, size_t(nLen));
    for (char& c : s.line)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    m_vecSentInfo.push_back(std::move(s));
}

size_t CKeyWordFinder::Scan(const char* sLine, int nCount, result_t* result) {
    m_bEnglishText = false;
    if (!sLine) return 0;
    const size_t nLen = strlen(sLine);
    m_nDocLength += nLen;
    if (nCount < 1 || !result || nLen == 0) return 0;
    if (m_sText.size() > kMaxDocTextBytes) m_sText.clear();
    m_sText.append(sLine, nLen);
    m_sText += ' ';
    if (OverLimit()) return size_t(-1);
    ScanRows(sLine, nCount, result, false);
    return nLen;
}

size_t CKeyWordFinder::Scan(const char* sLine, CEnglish* pEnglishParser) {
    m_bEnglishText = true;
    m_pEnglishParser = pEnglishParser;
    // English text counts towards the document length as any other text (the summary's ratio).
    if (sLine) m_nDocLength += strlen(sLine);
    if (!pEnglishParser || pEnglishParser->m_vecResult.empty() || !sLine || !*sLine) return 0;
    if (m_sText.size() > kMaxDocTextBytes) m_sText.clear();
    m_sText += sLine;
    m_sText += ' ';
    if (OverLimit()) return size_t(-1);
    const size_t nTerms = pEnglishParser->m_vecResult.size();
    ScanRows(sLine, nTerms > size_t(INT_MAX) ? INT_MAX : int(nTerms), nullptr, true);
    return 1;
}

void CKeyWordFinder::ScanRows(const char* sLine, int nCount, result_t* rows, bool bEnglish) {
    m_pScanLine = sLine;
    m_nScanLineLen = int64_t(strlen(sLine));
    const int nEnd = SentenceEndHandle();
    if (nEnd < 0) return;
    ++m_vecWordAV[size_t(nEnd)].freq;
    ++m_vecWordAV[size_t(nEnd)].base_freq;
    int nPrev = nEnd;
    // The first sentence of this scan starts at the ids this scan adds, not at the document's.
    int nSentPos = int(m_vecWordIDList.size());
    int64_t nSentByte = 0;
    int64_t nLastSentEnd = -1;  // byte end of the last sentence this scan recorded
    const unsigned int flags = m_nFuncRequired;
    tstring word;

    for (int i = 0; i < nCount; ++i) {
        // A row of negative length (only a caller builds one) stands for no text: skipped.
        if (!HasText(RowAt(rows, nCount, i))) continue;
        int nCur = -1;
        if (GetWord(sLine, nCount, rows, i, &word, nCur) < 0) continue;
        const result_t& row = *RowAt(rows, nCount, i);
        const int64_t nRowStart = row.start, nRowEnd = int64_t(row.start) + int64_t(row.length);

        // a. A repeated sentence end close to the sentence start only moves the start.
        if (nPrev == nEnd && nCur == nEnd && (bEnglish || nRowEnd < nSentByte + 10)) {
            nSentByte = nRowEnd;
            continue;
        }
        // b.
        const int nIndex = int(m_vecWordIDList.size());
        m_vecWordIDList.push_back(nCur);

        // c. A closing mark after nothing but sentence ends belongs to the previous sentence.
        if (!bEnglish && row.iPOS == 91 && !m_vecSentInfo.empty()) {
            bool onlyEnds = true;
            for (int k = nSentPos; k < nIndex && onlyEnds; ++k) onlyEnds = m_vecWordIDList[size_t(k)] == nEnd;
            if (onlyEnds) {
                SENTENCE_INFO& last = m_vecSentInfo.back();
                last.end_pos = nIndex;
                // The bytes since that sentence's end go with the mark (a second "…" dropped as a
                // short sentence, a line break), so that the line stays a piece of the text; a
                // sentence of an earlier scan takes the mark alone.
                if (nLastSentEnd >= 0 && nLastSentEnd <= nRowStart && nRowEnd <= m_nScanLineLen) {
                    tstring piece(sLine + nLastSentEnd, size_t(nRowEnd - nLastSentEnd));
                    replacelinechar(&piece[0]);
                    last.line += piece;
                } else {
                    last.line += word;
                }
                nLastSentEnd = nRowEnd;
                last.length = int32_t(last.line.size());
                nSentPos = nIndex + 1;
                nSentByte = nRowEnd;
            }
        }

        // d. Sentence ends.
        const bool bBreak = nRowStart >= 0 && nRowStart < m_nScanLineLen &&
                            (sLine[nRowStart] == '\r' || sLine[nRowStart] == '\n');
        const int t = row.iPOS;
        const bool bEndTag = t == 81 || t == 82 || t == 88 || t == 89 || t == 90;
        if ((bBreak && (!bEnglish || nCur == nEnd)) || bEndTag) {
            const int64_t nSentLen = nRowEnd - nSentByte;
            const size_t nSents = m_vecSentInfo.size();
            if (bEnglish ? (nSentLen > 1 && nCur != nEnd) : nSentLen > 6)
                AddSentence(nSentPos, nIndex, nSentByte, nSentLen);
            if (m_vecSentInfo.size() > nSents) nLastSentEnd = nRowEnd;
            nSentPos = nIndex + 1;
            nSentByte = nRowEnd;
        }

        // e. Entity slots, by the tag of the word's first occurrence.
        const tstring& pos = m_vecWordAV[size_t(nCur)].pos;
        bool bGeneric = false;
        if ((flags & KWF_GENERIC) && pos.size() >= 2 && pos[0] == 'g' && strchr("nwtar", pos[1]) &&
            (nIndex < kGenericEdge || i >= nCount - kGenericEdge)) {
            SetExtractName(5, nCur, 0);
            bGeneric = true;
        }
        if (!(bEnglish && bGeneric)) {
            if ((flags & KWF_TIME) && !pos.empty() && pos[0] == 't') {
                SetExtractName(12, nCur, 0);
            } else if (m_pUserDefPos && flags != 0 && !pos.empty()) {
                int k = m_pUserDefPos->Find(pos.c_str());
                if (k >= 0) SetExtractName(kFixedEntityCount + k, nCur, 0);
            }
        }

        // f.
        m_vecWordAV[size_t(nCur)].vecInvertList.push_back(nIndex);

        // g. Sentiment.
        if ((flags & KWF_SENTIMENT_SCORE) && g_pSentiDict) {
            int h = g_pSentiDict->Find(m_vecWordAV[size_t(nCur)].word.c_str());
            if (h >= 0 && g_pSentiScore) {
                const int nScore = g_pSentiScore->GetFreq(h);
                m_nSentimentRaw += nScore;
                if (!bEnglish && (flags & KWF_SENTIMENT_WORDS)) {
                    if (nScore > 0) SetExtractName(9, nCur, nScore);
                    else if (nScore < 0) SetExtractName(10, nCur, nScore);
                }
            }
        }

        // h. Neighbours; a word tagged "wy" links the words on either side of it too. The
        // table may grow inside (GetWord of the next row), so records are taken by index.
        if (!m_vecWordAV[size_t(nPrev)].is_stopword) {
            Add(nCur, m_vecWordAV[size_t(nPrev)].vecRV);
            if (StartsNoCase(m_vecWordAV[size_t(nCur)].pos, "wy") && i + 1 < nCount &&
                HasText(RowAt(rows, nCount, i + 1))) {
                int nNext = -1;
                if (GetWord(sLine, nCount, rows, i + 1, nullptr, nNext) >= 0)
                    Add(nNext, m_vecWordAV[size_t(nPrev)].vecRV);
            }
        }
        if (!m_vecWordAV[size_t(nCur)].is_stopword) {
            Add(nPrev, m_vecWordAV[size_t(nCur)].vecLV);
            if (i >= 3 && nIndex >= 3 && StartsNoCase(m_vecWordAV[size_t(nPrev)].pos, "wy")) {
                const int nBack = m_vecWordIDList[size_t(nIndex - 2)];
                // A summary may have blanked ids to -1.
                if (nBack >= 0) Add(nBack, m_vecWordAV[size_t(nCur)].vecLV);
            }
        }
        // i.
        nPrev = nCur;
    }

    // The rest after the last sentence end.
    int64_t nRest = m_nScanLineLen - nSentByte;
    if (nPrev == nEnd) --nRest;
    if (nRest > 1) AddSentence(nSentPos, int(m_vecWordIDList.size()) - 1, nSentByte, nRest);

    // Sentiment score from the raw sum of every scan over the whole id list.
    if (bEnglish) {
        if (!m_vecWordIDList.empty())
            m_pDocExtractData->sentiment_score =
                ClampScore(int64_t(std::trunc(double(m_nSentimentRaw) * 200.0 / double(m_vecWordIDList.size()))));
    } else if (flags & KWF_SENTIMENT_SCORE) {
        int64_t v = m_nSentimentRaw;
        if (!m_vecWordIDList.empty()) {
            v = int64_t(std::trunc(double(m_nSentimentRaw) * 200.0 / double(m_vecWordIDList.size())));
            if (v == 0 && m_nSentimentRaw > 0) v = 1;
            if (v == 0 && m_nSentimentRaw < 0) v = -1;
            if (v > 100) v = 100;
            if (v < -100) v = -100;
        }
        m_pDocExtractData->sentiment_score = ClampScore(v);
    }
    m_pScanLine = nullptr;
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
