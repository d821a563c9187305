// Binary file helpers shared by every store: little-endian decoding from a bounded byte range,
// whole-file reading, and saving through a temporary file that replaces the target only when
// every write succeeded.
//
// Data files are little-endian runs of 32-bit integers and fixed records. Decode them through
// these helpers only, never by casting file bytes, so that a truncated or hostile file is refused
// instead of being read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// ---- little-endian numbers ------------------------------------------------------------------

inline uint16_t GetLE16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t GetLE64(const unsigned char* p) { return uint64_t(GetLE32(p)) | (uint64_t(GetLE32(p + 4)) << 32); }
inline void PutLE16(unsigned char* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void PutLE64(unsigned char* p, uint64_t v) {
    PutLE32(p, uint32_t(v));
    PutLE32(p + 4, uint32_t(v >> 32));
}

// ---- reading ----------------------------------------------------------------------------------

// Sequential reader over a byte range it does not own. Every read is bounds-checked; a read past
// the end fails, leaves its output zeroed and makes the reader fail for good (Ok() turns false),
// so a parser may read a whole record and test once. Not thread-safe; cheap to copy.
class CByteReader {
public:
    CByteReader(const void* data, size_t size)
        : m_p(static_cast<const unsigned char*>(data)), m_nSize(data ? size : 0) {}
    explicit CByteReader(const std::vector<unsigned char>& bytes) : CByteReader(bytes.data(), bytes.size()) {}

    bool ReadU8(uint8_t& v);
    bool ReadI8(int8_t& v);
    bool ReadU16(uint16_t& v);
    bool ReadI16(int16_t& v);
    bool ReadU32(uint32_t& v);
    bool ReadI32(int32_t& v);
    bool ReadU64(uint64_t& v);
    bool ReadI64(int64_t& v);
    // IEEE values stored little-endian (bit patterns, never casts of file bytes).
    bool ReadF32(float& v);
    bool ReadF64(double& v);
    // Copies n bytes; on failure the output is zero-filled.
    bool ReadBytes(void* out, size_t n);
    // Pointer to the next n bytes (then skipped), or nullptr when fewer remain.
    const unsigned char* Take(size_t n);
    bool Skip(size_t n);

    // True when count records of elemSize bytes fit in what remains (no overflow, no negative).
    bool Has(int64_t count, uint64_t elemSize) const;

    size_t Position() const { return m_nPos; }
    size_t Size() const { return m_nSize; }
    size_t Remaining() const { return m_nSize - m_nPos; }
    bool AtEnd() const { return m_nPos == m_nSize; }
    bool Ok() const { return m_bOk; }

private:
    const unsigned char* m_p;
    size_t m_nSize;
    size_t m_nPos = 0;
    bool m_bOk = true;
};

// Maps the pages of a large buffer (256 KB or more) before it is first written, in one call and
// with huge pages where 2 MB of it allow: filling the stores otherwise takes one page fault per
// 4 KB, which is most of the start-up time. A hint only (refusals are ignored, the contents are
// untouched). Call it on freshly allocated buffers of the stores.
void AdviseLargeBuffer(void* p, size_t nBytes);

// Reads the whole regular file at path. False when the path is missing, is not a regular file
// (a directory, say) or cannot be read; `out` is left untouched on failure. Thread-safe.
bool ReadFileBytes(const char* path, std::vector<unsigned char>& out);

// ---- loading a store ---------------------------------------------------------------------------

// The load contract of the binary stores: the image is parsed into a fresh Store, and only a parse
// that succeeded and consumed every byte (a trailing byte is refused like a missing one) is
// swapped into `store`; on any refusal, running out of memory included, the store is unchanged.
// parse(Store& tmp, CByteReader& in) reads the image and returns false for a malformed one (it
// checks counts and offsets against what remains, and order where the lookups rely on it). Store
// needs a default constructor and a Swap(Store&) that exchanges the whole contents.
template <typename Store, typename Parser>
bool ParseIntoStore(Store& store, const unsigned char* pData, size_t nSize, Parser parse) {
    CByteReader in(pData, nSize);
    try {
        Store tmp;
        if (!parse(tmp, in) || !in.Ok() || !in.AtEnd()) return false;
        store.Swap(tmp);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Reads the whole file at path and loads it with ParseIntoStore. False, store unchanged, when the
// path is null or the file cannot be read.
template <typename Store, typename Parser>
bool LoadStoreFile(Store& store, const char* path, Parser parse) {
    std::vector<unsigned char> bytes;
    if (!path || !ReadFileBytes(path, bytes)) return false;
    return ParseIntoStore(store, bytes.data(), bytes.size(), parse);
}

// ---- writing ----------------------------------------------------------------------------------

// Growable little-endian byte buffer for building a file image in memory.
class CByteWriter {
public:
    void PutU8(uint8_t v) { m_buf.push_back(v); }
    void PutU16(uint16_t v);
    void PutU32(uint32_t v);
    void PutI32(int32_t v) { PutU32(uint32_t(v)); }
    void PutU64(uint64_t v);
    void PutI64(int64_t v) { PutU64(uint64_t(v)); }
    void PutF32(float v);
    void PutF64(double v);
    void PutBytes(const void* p, size_t n);

    const std::vector<unsigned char>& Bytes() const { return m_buf; }
    std::vector<unsigned char>& Bytes() { return m_buf; }
    size_t Size() const { return m_buf.size(); }

private:
    std::vector<unsigned char> m_buf;
};

// A file written under a temporary name beside its target and renamed over the target by
// Commit() only when every write succeeded; otherwise (or when destroyed uncommitted) the
// temporary is removed and the target is left as it was. The temporary gets a short random name
// in the target's folder and is created exclusively, so nothing planted under a name there is
// ever written through. Not thread-safe; one writer per object.
class CAtomicFile {
public:
    CAtomicFile() = default;
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file (mode 0666 less the umask; "wb", or "w" for text). Returns the
    // stream, or nullptr.
    FILE* Open(const char* path, bool bText = false);
    // Checked write; a short write makes the file fail for good.
    bool Write(const void* p, size_t n);
    bool Write(const std::string& s) { return Write(s.data(), s.size()); }
    // Marks the file failed (for callers that wrote through File() and saw an error).
    void Fail() { m_bOk = false; }
    FILE* File() const { return m_fp; }
    bool Ok() const { return m_bOk && m_fp != nullptr; }
    // Flushes, closes and renames over the target. False (target untouched) on any failure.
    bool Commit();
    // Closes and removes the temporary; the target is untouched.
    void Discard();

private:
    FILE* m_fp = nullptr;
    std::string m_sPath;
    std::string m_sTemp;
    bool m_bOk = false;
};

// Writes size bytes to path through a CAtomicFile. False (target untouched) on any failure.
bool WriteFileAtomic(const char* path, const void* data, size_t size);

// Writes the file image that serialize() returns (a std::vector<unsigned char>) through
// WriteFileAtomic. False (target untouched, serialize not called) for a null path; false also when
// building the image runs out of memory or the write fails.
template <typename Serializer>
bool WriteImageAtomic(const char* path, const Serializer& serialize) {
    if (!path) return false;
    std::vector<unsigned char> image;
    try {
        image = serialize();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return WriteFileAtomic(path, image.data(), image.size());
}
