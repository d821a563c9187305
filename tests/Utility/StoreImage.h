// Test helper: file images of the lexicon stores, built byte by byte, and loading them.
#pragma once

#include <string>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/IndexRecord.h"

inline index_t Ix(int s, int e) {
    index_t x;
    x.start = s;
    x.end = e;
    return x;
}

// Appends index records as the stores write them: int32 start, then int32 end.
inline void PutIndex(CByteWriter& w, const std::vector<index_t>& index) {
    for (const index_t& x : index) {
        w.PutI32(x.start);
        w.PutI32(x.end);
    }
}

inline std::string Image(const CByteWriter& w) { return std::string(w.Bytes().begin(), w.Bytes().end()); }

// Hands the bytes to the store's parser, as its Load does with a file's bytes.
template <typename Store>
bool LoadString(Store& store, const std::string& s) {
    return store.LoadFromMemory(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}
