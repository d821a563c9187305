// Shared pieces of the text importers that key a store by dictionary handles.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

#include "Utility/PDAT.h"

// Id bound of a store imported over dict: its lower bound, or its item count when handles reach
// further (a dictionary whose every used cell ends a word, e.g. a list of single characters, has
// a handle equal to its lower bound). Records with ids outside [0, bound) are skipped.
inline int32_t ImportBound(const CPDAT& dict) {
    unsigned int items = dict.GetItemCount();
    int32_t n = items > unsigned(INT_MAX) ? INT_MAX : int32_t(items);
    return std::max(int32_t(dict.GetLowerBound()), n);
}
