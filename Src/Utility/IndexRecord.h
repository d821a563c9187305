// The index record shared by the lexicon stores: one group of records per id.
#pragma once

#include <cstdint>

// One group of records in a store, found by id. A new record is empty (-1, -1).
// How `end` reads depends on the store: in the bigram table and the id maps it is the inclusive
// last position of the group; in the part-of-speech candidate tables it is the number of records.
// Stored in files as two little-endian int32 values, start first.
struct index_t {
    int32_t start = -1;
    int32_t end = -1;
};
