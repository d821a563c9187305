// CBDQEncript: the repeating-key XOR cipher of enciphered word-list string blocks. Byte i of a
// buffer is XORed with key byte (i mod key length); the same operation enciphers and deciphers.
#pragma once

#include <cstdio>
#include <string>

// The word-list key: a NUL-terminated GBK text of 136 bytes.
extern const char g_sWordListKey[];

class CBDQEncript {
public:
    // Copies the key (NUL-terminated; its length is taken with strlen). Null means an empty key.
    explicit CBDQEncript(const char* sKey = g_sWordListKey);
    ~CBDQEncript();
    CBDQEncript(const CBDQEncript&) = delete;
    CBDQEncript& operator=(const CBDQEncript&) = delete;

    // XORs nLen bytes in place. False (buffer unchanged) when the key is empty.
    bool Encrypt(char* sSrcMem, unsigned long nLen) const;
    // The same over the string's bytes.
    bool Encrypt(std::string& sSrcMem) const;
    // Reads the whole source file, XORs it and writes it to the destination. The offset has no
    // effect. False when the key is empty or a file cannot be read or written.
    bool Encrypt(const char* sSrcFilename, const char* sDstFilename, long offset) const;
    // Reads the whole open stream from its start, XORs it and writes it to the destination.
    bool Encrypt(FILE* fpSrc, const char* sDstFilename) const;

    unsigned int GetKeyLen() const { return m_nKeyLen; }

private:
    char* m_sKey;
    unsigned int m_nKeyLen;
};
