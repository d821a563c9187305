// String hashes, a variable-length packing of non-negative integers, and a character-overlap
// similarity of two texts. Stored values depend on these exact definitions, so every function is
// fixed to its arithmetic width and never depends on the host's `long`. All functions are
// stateless and thread-safe; a NULL text is treated as the empty text.
#pragma once

#include <cstdint>

// ---- string hashes -----------------------------------------------------------------------------

// 0 for an empty text. Start value (min(len, 256) - 1) << 24; then over all bytes when the text is
// shorter than 97 bytes, else over its last 96 bytes, with i counting the bytes taken from 1 and c
// the unsigned byte with 'A'-'Z' folded to 'a'-'z': add (3c²i + 5ci + 7i + 11c) & 0xFFFFFF.
uint64_t Pelmohash(const char* Url);

// The ELF (PJW) hash over the bytes taken as signed values (bytes of 0x80 and above subtract).
uint32_t ELFhash(const char* url);

// The same computation as ELFhash.
uint32_t UrlHash(const char* pcUrl);

// Four byte lanes: byte i of the text is XOR-ed into lane i mod 4; lane 0 is the least
// significant byte of the result.
uint32_t HfIp(const char* url);

// The sum of 3 · c · i over the bytes (c signed, i from 1), wrapping at 32 bits and read as a
// signed 32-bit number; returns its absolute value (a sum of INT32_MIN gives 2147483648).
uint32_t _hf(const char* url);

// h = h × 31 + c over the unsigned bytes, 64-bit, from 0.
uint64_t Strhash(const char* str);

// The string hash family of the keyword finder, as one stateless class. Every function maps a
// text (NULL as "") to an unsigned 64-bit value; Strhash wraps at 32 bits here, unlike the free
// Strhash above, because document fingerprints are 32-bit values. Thread-safe.
class CHash {
public:
    // h = h × 31 + c over the unsigned bytes, modulo 2^32.
    static uint64_t Strhash(const char* str);
    // As the free Pelmohash.
    static uint64_t Pelmohash(const char* str) { return ::Pelmohash(str); }
    // As the free ELFhash (bytes signed, 32-bit).
    static uint64_t ELFhash(const char* str) { return ::ELFhash(str); }
    // As the free HfIp.
    static uint64_t HfIp(const char* str) { return ::HfIp(str); }
    // As the free _hf: |sum of 3·c·i| with the sum wrapping at 32 bits.
    static uint64_t _hf(const char* str) { return ::_hf(str); }
};

// ---- integer packing ---------------------------------------------------------------------------
// Big-endian, 1 to 4 bytes; the top two bits of the first byte give the length minus one:
// 0..63 one byte, ..16383 two, ..0x3FFFFF three, ..0x3FFFFFFF four.

// Writes iVal into sVal (which must hold 4 bytes) and returns the number of bytes written; 0, with
// nothing written, for a negative value or one of 0x40000000 or more.
int int_compress(int iVal, unsigned char* sVal);

// Reads one packed value from sVal into *p_iVal and returns the number of bytes read (1 to 4).
// There is no length argument: the caller guarantees the bytes the first byte announces.
int int_uncompress(unsigned char* sVal, int* p_iVal);

// ---- similarity --------------------------------------------------------------------------------

// Character-overlap similarity of two GBK texts, in bytes:
// - both empty (or NULL): 1.0; else the first empty: 0.5; else the second empty: 0.0;
// - equal ignoring ASCII case: 1.0;
// - the first inside the second: len1 / len2;
// - otherwise, walking the characters of the first text (a lead byte without a trail byte is one
//   byte) with a match offset into the second, starting at 0: a character found from the offset on
//   scores its length l when found exactly at offset + l, else 0.9 · l, and moves the offset there;
//   one not found from the offset on but found elsewhere in the
//   second text scores 0.6 · l; the result is score² / (len1 · len2).
double ComputeSim(const char* sStr1, const char* sStr2);
