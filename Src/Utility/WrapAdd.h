// Count arithmetic shared by the frequency stores.
#pragma once

#include <cstdint>

// a + b with the wrap-around of 32-bit arithmetic, without signed overflow: a count is a 32-bit
// file field, and a sum past its range wraps as the field would instead of being undefined.
inline int32_t AddWrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
