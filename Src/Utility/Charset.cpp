#include "Utility/Charset.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/TextScan.h"

CCharset::CCharset() { memset(m_pData, 0, sizeof m_pData); }

CCharset::~CCharset() = default;

bool CCharset::Load(const char* sFilename) {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(sFilename, bytes)) return false;
    return LoadFromMemory(bytes.data(), bytes.size());
}

bool CCharset::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    if (!pData || nSize != kFileSize) return false;
    m_nSize = int32_t(GetLE32(pData));
    memcpy(m_pData, pData + 4, kCodes);
    return true;
}

int CCharset::CharCode(const char* sChar) {
    if (!sChar) return 0;
    const unsigned char* p = (const unsigned char*)sChar;
    if (p[0] >= 0x80 && p[1] != 0) return p[0] * 256 + p[1];
    return p[0];
}

int CCharset::GetType(const char* sChar) const { return GetType(CharCode(sChar)); }

int CCharset::Import(const char* sFilename) {
    FILE* fp = sFilename ? fopen(sFilename, "rb") : nullptr;
    if (!fp) return 0;
    memset(m_pData, 0, sizeof m_pData);
    m_nSize = 0;
    std::string line, ch;
    while (textscan::ReadLine(fp, line)) {
        textscan::CLineScanner scan(line);
        if (!scan.Token(ch)) continue;
        int type = 0;
        scan.Int(type);
        m_pData[CharCode(ch.c_str())] = tuchar(type);
        ++m_nSize;
    }
    fclose(fp);
    // White space always separates atoms, whatever the file says.
    m_pData[9] = m_pData[10] = m_pData[13] = m_pData[32] = 28;
    return m_nSize;
}

bool CCharset::Save(const char* sFilename) const {
    CByteWriter w;
    w.PutI32(m_nSize);
    w.PutBytes(m_pData, kCodes);
    return WriteFileAtomic(sFilename, w.Bytes().data(), w.Size());
}

int CCharset::Export(const char* sFilename) const {
    if (!sFilename) return 0;
    CAtomicFile out;
    FILE* fp = out.Open(sFilename, true);
    if (!fp) return 0;
    char buf[32];
    for (int c = 33; c <= 128; ++c) {
        int n = snprintf(buf, sizeof buf, "%c\t%d\n", c, m_pData[c]);
        out.Write(buf, size_t(n));
    }
    for (int lead = 0xA1; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            char ch[3] = {char(lead), char(trail), 0};
            int n = snprintf(buf, sizeof buf, "%s\t%d\n", ch, m_pData[lead * 256 + trail]);
            out.Write(buf, size_t(n));
        }
    }
    return out.Commit() ? m_nSize : 0;
}
