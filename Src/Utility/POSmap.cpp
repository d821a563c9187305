#include "Utility/POSmap.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/LogFile.h"
#include "Utility/TextScan.h"

CPOSmap::CPOSmap() {
    memset(m_pIndex, 255, sizeof m_pIndex);
    memset(m_pDefaultPos, 0, sizeof m_pDefaultPos);
    strcpy(m_pDefaultPos, "n");
}

CPOSmap::~CPOSmap() = default;

bool CPOSmap::Load(const char* sFilename) {
    std::vector<unsigned char> bytes;
    if (!sFilename || !ReadFileBytes(sFilename, bytes)) return false;
    return LoadFromMemory(bytes.data(), bytes.size());
}

namespace {

// Cuts a name to at most CPOSmap::kMaxName bytes without leaving half a GBK character.
void CutName(tstring& name) {
    if (name.size() <= CPOSmap::kMaxName) return;
    size_t i = 0;
    while (i < CPOSmap::kMaxName) {
        size_t step = ((unsigned char)name[i] >= 0x80 && i + 1 < name.size()) ? 2 : 1;
        if (i + step > CPOSmap::kMaxName) break;
        i += step;
    }
    name.resize(i);
}

}  // namespace

bool CPOSmap::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    std::vector<tstring> names;
    size_t pos = 0;
    bool bDropped = false;
    while (pos < nSize) {
        size_t eol = pos;
        while (eol < nSize && pData[eol] != '\n') ++eol;
        // The first token of the line; a NUL byte ends the line's text as in a C string.
        size_t i = pos;
        while (i < eol && pData[i] && textscan::IsSpace(pData[i])) ++i;
        size_t s = i;
        while (i < eol && pData[i] && !textscan::IsSpace(pData[i])) ++i;
        if (i > s) {
            if (int(names.size()) < kMaxTags) {
                names.emplace_back((const char*)pData + s, i - s);
                CutName(names.back());
            } else {
                bDropped = true;
            }
        }
        pos = eol + 1;
    }
    std::unique_ptr<tstring[]> data(new (std::nothrow) tstring[names.size() ? names.size() : 1]);
    if (!data) return false;
    for (size_t k = 0; k < names.size(); ++k) data[k].swap(names[k]);
    m_pData = std::move(data);
    m_nItemCount = tuchar(names.size());
    memset(m_pIndex, 255, sizeof m_pIndex);
    for (int k = 0; k < m_nItemCount; ++k) {
        size_t n = 0;
        size_t slot = IndexSlot(m_pData[k].c_str(), &n);
        while (m_pIndex[slot] != 255 &&
               textscan::AsciiCaseCompare(m_pData[m_pIndex[slot]].c_str(), m_pData[k].c_str()) != 0)
            slot = (slot + 1) & (kIndexSlots - 1);
        if (m_pIndex[slot] == 255) m_pIndex[slot] = tuchar(k);  // an earlier equal name keeps its id
    }
    if (bDropped) WriteLog("Tag set holds more than 255 tags; the rest are ignored", NULL, false);
    return true;
}

size_t CPOSmap::IndexSlot(const char* sName, size_t* pLen) {
    uint32_t h = 2166136261u;
    size_t n = 0;
    for (; n <= kMaxName && sName[n]; ++n) {
        unsigned char c = (unsigned char)sName[n];
        if (c >= 'A' && c <= 'Z') c = (unsigned char)(c + 32);
        h = (h ^ c) * 16777619u;
    }
    *pLen = n;
    return size_t(h ^ (h >> 15)) & (kIndexSlots - 1);
}

tuchar CPOSmap::GetID(const char* sPOS) const {
    if (!sPOS || !*sPOS || !m_pData) return 255;
    // Stored names hold at most kMaxName bytes, so a longer name matches none.
    size_t n = 0;
    size_t slot = IndexSlot(sPOS, &n);
    if (n > kMaxName) return 255;
    for (; m_pIndex[slot] != 255; slot = (slot + 1) & (kIndexSlots - 1))
        if (textscan::AsciiCaseCompare(m_pData[m_pIndex[slot]].c_str(), sPOS) == 0) return m_pIndex[slot];
    return 255;
}

const char* CPOSmap::GetPOS(tuchar nID) const {
    if (!m_pData || nID >= m_nItemCount) return m_pDefaultPos;
    return m_pData[nID].c_str();
}

bool CPOSmap::GetPOS(tuchar nID, char* sPOS) const {
    bool bFound = m_pData && nID < m_nItemCount;
    const char* s = GetPOS(nID);
    if (sPOS) {
        size_t n = strnlen(s, kMaxName);
        memcpy(sPOS, s, n);
        sPOS[n] = 0;
    }
    return bFound;
}
