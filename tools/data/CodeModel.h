// The encoding-detection model file "CodeTrans.model" of the data directory: two 24576-entry code
// maps (GBK and BIG5 to Unicode) and a byte automaton whose cells carry packed score changes. The
// file layout and the detector are the library's (CodeTrans/CodeDetect.h); this builds the
// content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"

namespace kxdata {

// The whole model: maps and cells. Built in memory, written by WriteModel.
struct CodeModel {
    std::vector<uint16_t> gbkMap = std::vector<uint16_t>(CODETRANS_MAP_SIZE, 0);
    std::vector<uint16_t> big5Map = std::vector<uint16_t>(CODETRANS_MAP_SIZE, 0);
    std::vector<_stTrieElem_> cells;
};

// Map index of a two-byte character: (max(trail - 0x40, 0) x 128) + (lead & 0x7F).
int ModelMapIndex(unsigned lead, unsigned trail);

// Fills the GBK and BIG5 maps with the Unicode value of every double-byte character of the
// converter sets (code page 936 from the library's tables, BIG5 from the set writer's table), so
// that the detector's decoding agrees with the converters.
void FillModelMaps(CodeModel& model);

// Lays out the first-order automaton (root, one state per byte, one cell per byte pair; a pair
// cell fails to the state of its second byte) and fills the pair cells from score lines
// "prev next gbk big5 unicode utf8", first-byte lines "first byte gbk big5 unicode utf8" (the
// cell of a text's first byte), and marks "mark HEX CODE" (a two- or three-byte sequence whose
// last byte ends detection with CODE). False with a message on a malformed line.
bool BuildModelCells(const std::string& scoreText, std::vector<_stTrieElem_>& cells, std::string& error);

// Writes the model file through the library's writer (atomically). False when it cannot be
// written.
bool WriteModel(const CodeModel& model, const std::string& path);

}  // namespace kxdata
