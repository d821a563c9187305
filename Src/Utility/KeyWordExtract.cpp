// The keyword finder's document fingerprint, its diagnostic dump and the slot text cut.
#include <cstdio>
#include <cstring>
#include <sys/types.h>

#include "Utility/HashFunc.h"
#include "Utility/KeyWordFinder.h"

tstring CutAtCharBoundary(const char* sText, size_t nMaxBytes) {
    if (!sText) return tstring();
    const size_t len = strlen(sText);
    if (len <= nMaxBytes) return tstring(sText, len);
    // Walk whole characters: a lead byte with a trail byte is two bytes, anything else one.
    size_t pos = 0;
    while (pos < len) {
        const size_t n = (static_cast<unsigned char>(sText[pos]) >= 0x80 && pos + 1 < len) ? 2 : 1;
        if (pos + n > nMaxBytes) break;
        pos += n;
    }
    return tstring(sText, pos);
}

uint64_t CKeyWordFinder::FingerPrint() const {
    if (m_vecWordAV.empty()) return 0;
    tstring sKeys;
    for (size_t k = 0; k < m_vecWordAVWeight.size() && k < 6; ++k) {
        const int32_t index = m_vecWordAVWeight[k].index;
        if (index < 0 || size_t(index) >= m_vecWordAV.size()) continue;
        sKeys += m_vecWordAV[size_t(index)].word;
    }
    return CHash::Strhash(sKeys.c_str());
}

namespace {

void WriteNeighbours(FILE* fp, const std::vector<WORD_AV>& table, const std::vector<WORD_FREQ>& list) {
    for (const WORD_FREQ& entry : list) {
        if (entry.handle < 0 || size_t(entry.handle) >= table.size()) continue;
        fprintf(fp, "%s(%d),", table[size_t(entry.handle)].word.c_str(), entry.freq);
    }
}

}  // namespace

bool CKeyWordFinder::Export(const std::vector<WORD_AV>& vecWordAV, const char* sFilename) const {
    FILE* fp = sFilename ? fopen(sFilename, "wt") : nullptr;
    if (!fp) {
        printf("Error open %s\n", sFilename ? sFilename : "");
        return false;
    }
    int nNo = 0;
    for (const WORD_AV& w : vecWordAV) {
        fprintf(fp,
                "No:%d\tword=%s\tpos=%s\tfreq=%d\tLV=%zd\tRV=%zd\tis_stopword=%d\tunit_count=%d\t"
                "weight=%.2lf\nInverted List(",
                ++nNo, w.word.c_str(), w.pos.c_str(), w.freq, static_cast<ssize_t>(w.vecLV.size()),
                static_cast<ssize_t>(w.vecRV.size()), w.is_stopword ? 1 : 0, w.unit_count, w.weight);
        for (int32_t pos : w.vecInvertList) fprintf(fp, "%d,", pos);
        fputs(")\nLV(", fp);
        WriteNeighbours(fp, vecWordAV, w.vecLV);
        fputs(")\nRV(", fp);
        WriteNeighbours(fp, vecWordAV, w.vecRV);
        fputs(")\n", fp);
    }
    fputs(")\n Sentence Information:\n", fp);
    nNo = 0;
    for (const SENTENCE_INFO& sent : m_vecSentInfo) {
        fprintf(fp, "No:%d\tline%s\nweight=%.2f\nwordid_list_size=%zd(", ++nNo, sent.line.c_str(), sent.weight,
                static_cast<ssize_t>(sent.vecWordID.size()));
        for (int32_t id : sent.vecWordID) fprintf(fp, "%d,", id);
        fputs(")\n", fp);
    }
    fclose(fp);
    return true;
}
