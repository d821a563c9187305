// The records that carry words through the lexical analysis engine: word_t inside the engine,
// result_t for the rows handed to callers.
//
// Plain record types and no code. The header belongs to the lexicon library, the lowest that uses
// it (the role automaton reads and writes word_t), though it lives in the engine's folder; it may
// therefore include only foundation and lexicon headers (Src/Layers.txt).
#pragma once

#include <cmath>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "Utility/Types.h"

// One atom or word of a sentence. Offsets index the GBK line being processed (not the
// sentence); start is inclusive and end exclusive, so the length is end - start.
struct word_t {
    int32_t handle = -1;  // core-dictionary word id (or a class word's id); -1 for none
    int32_t start = -1;   // byte offset of the first byte
    int32_t end = -1;     // byte offset one past the last byte
    double value = 0;     // after the path search: the word's unigram frequency
    // Character class of the atom (0..29) or a mark: 'x' sentence start, 'y' sentence end or
    // white space, 'c' a "^^" span, 'e' a user or field dictionary word, 'f' a person name
    // found by the role automaton.
    tuchar type = 255;
    tuchar POS_id = 255;  // tag id (part of speech, or person role during role tagging); 255 none
};

// An array of words.
typedef word_t* word_vector;

// One row of a segmentation result as handed to callers. Rows are copied out as raw memory, so
// the record stays trivially copyable with a fixed layout. Make rows with `result_t row{}` (all
// zero, empty tag text) before filling them.
struct result_t {
    int start;         // byte offset of the word in the text it indexes
    int length;        // length in bytes
    char sPOS[40];     // tag text, NUL-terminated, at most 39 bytes; write it with SetResultPOS
    int iPOS;          // tag id in the instance's current tag-set map
    int word_ID;       // core-dictionary handle; -1 for words that are not core words
    int word_type;     // 0 ordinary, 1 user or field dictionary word, 2 person-role word
    int weight;        // (int)(-ln(unigram probability) x 1000), see ProbabilityToWeight
};

static_assert(std::is_trivially_copyable<result_t>::value, "result_t rows are copied as memory");
static_assert(std::is_standard_layout<result_t>::value, "result_t has a fixed layout");
static_assert(offsetof(result_t, start) == 0 && offsetof(result_t, length) == 4 &&
                  offsetof(result_t, sPOS) == 8 && offsetof(result_t, iPOS) == 48 &&
                  offsetof(result_t, word_ID) == 52 && offsetof(result_t, word_type) == 56 &&
                  offsetof(result_t, weight) == 60 && sizeof(result_t) == 64,
              "result_t layout");

// The number of bytes of sPOS that a row's tag text keeps: at most 39 (a null text counts as
// empty), never half a GBK character at the cut.
inline size_t ResultPOSLength(const char* sPOS) {
    const size_t nMax = sizeof(result_t::sPOS) - 1;
    size_t n = 0;
    if (sPOS) {
        while (sPOS[n] && n < nMax) {
            bool lead = (unsigned char)sPOS[n] >= 0x80 && sPOS[n + 1] != 0;
            if (lead && n + 2 > nMax) break;
            n += lead ? 2 : 1;
        }
    }
    return n;
}

// The one way to write a row's tag text: copies the ResultPOSLength bytes of sPOS and the NUL.
// Returns that length.
inline size_t SetResultPOS(result_t& row, const char* sPOS) {
    const size_t n = ResultPOSLength(sPOS);
    if (n > 0) memcpy(row.sPOS, sPOS, n);
    row.sPOS[n] = 0;
    return n;
}

// Weight of a word of unigram probability dProb: -ln(dProb) x 1000 truncated toward zero and
// clamped to the int range; 0 when the value is not a number (a negative or NaN probability).
// A probability of 0 gives INT_MAX, an infinite one INT_MIN.
inline int ProbabilityToWeight(double dProb) {
    double w = -std::log(dProb) * 1000.0;
    if (std::isnan(w)) return 0;
    if (w >= double(INT_MAX)) return INT_MAX;
    if (w <= double(INT_MIN)) return INT_MIN;
    return int(std::trunc(w));
}
