#include "Encript/BDQEncript.h"

#include <cstring>
#include <vector>

#include "Utility/ByteIO.h"

// 本词表文件采用固定密钥逐字节异或加密，密钥长度为一百三十六字节，仅用于示例说明，不代表任何真实数据内容。请勿视为任何实际密钥或口令使用。
const char g_sWordListKey[] =
    "\xB1\xBE\xB4\xCA\xB1\xED\xCE\xC4\xBC\xFE\xB2\xC9\xD3\xC3\xB9\xCC"  // 本词表文件采用固
    "\xB6\xA8\xC3\xDC\xD4\xBF\xD6\xF0\xD7\xD6\xBD\xDA\xD2\xEC\xBB\xF2"  // 定密钥逐字节异或
    "\xBC\xD3\xC3\xDC\xA3\xAC\xC3\xDC\xD4\xBF\xB3\xA4\xB6\xC8\xCE\xAA"  // 加密，密钥长度为
    "\xD2\xBB\xB0\xD9\xC8\xFD\xCA\xAE\xC1\xF9\xD7\xD6\xBD\xDA\xA3\xAC"  // 一百三十六字节，
    "\xBD\xF6\xD3\xC3\xD3\xDA\xCA\xBE\xC0\xFD\xCB\xB5\xC3\xF7\xA3\xAC"  // 仅用于示例说明，
    "\xB2\xBB\xB4\xFA\xB1\xED\xC8\xCE\xBA\xCE\xD5\xE6\xCA\xB5\xCA\xFD"  // 不代表任何真实数
    "\xBE\xDD\xC4\xDA\xC8\xDD\xA1\xA3\xC7\xEB\xCE\xF0\xCA\xD3\xCE\xAA"  // 据内容。请勿视为
    "\xC8\xCE\xBA\xCE\xCA\xB5\xBC\xCA\xC3\xDC\xD4\xBF\xBB\xF2\xBF\xDA"  // 任何实际密钥或口
    "\xC1\xEE\xCA\xB9\xD3\xC3\xA1\xA3";                                 // 令使用。

CBDQEncript::CBDQEncript(const char* sKey) {
    if (!sKey) sKey = "";
    m_nKeyLen = static_cast<unsigned int>(strlen(sKey));
    m_sKey = new char[m_nKeyLen + 1];
    memcpy(m_sKey, sKey, m_nKeyLen + 1);
}

CBDQEncript::~CBDQEncript() { delete[] m_sKey; }

bool CBDQEncript::Encrypt(char* sSrcMem, unsigned long nLen) const {
    if (m_nKeyLen == 0) return false;
    if (!sSrcMem) return nLen == 0;
    for (unsigned long i = 0, k = 0; i < nLen; ++i) {
        sSrcMem[i] = char(sSrcMem[i] ^ m_sKey[k]);
        if (++k == m_nKeyLen) k = 0;
    }
    return true;
}

bool CBDQEncript::Encrypt(std::string& sSrcMem) const {
    return Encrypt(sSrcMem.empty() ? nullptr : &sSrcMem[0], sSrcMem.size());
}

bool CBDQEncript::Encrypt(const char* sSrcFilename, const char* sDstFilename, long /*offset*/) const {
    if (m_nKeyLen == 0 || !sDstFilename) return false;
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(sSrcFilename, bytes)) return false;
    Encrypt(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return WriteFileAtomic(sDstFilename, bytes.data(), bytes.size());
}

bool CBDQEncript::Encrypt(FILE* fpSrc, const char* sDstFilename) const {
    if (m_nKeyLen == 0 || !fpSrc || !sDstFilename) return false;
    if (fseek(fpSrc, 0, SEEK_SET) != 0) return false;
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, fpSrc)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    if (ferror(fpSrc)) return false;
    Encrypt(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return WriteFileAtomic(sDstFilename, bytes.data(), bytes.size());
}
