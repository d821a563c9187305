// Basic types shared by every subsystem.
#pragma once

#include <cstdint>
#include <string>

// Byte string: every string member and global of the system is GBK (or caller-encoded) bytes.
typedef std::string tstring;
// Unsigned 32-bit integer.
typedef uint32_t tuint;
// Unsigned byte.
typedef unsigned char tuchar;
