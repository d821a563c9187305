// The encoding-detection model file "CodeTrans.model": two 24576-entry code maps (GBK and BIG5
// to Unicode) and a byte automaton whose cells carry packed score changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kxdata {

// One automaton cell as stored in the model file.
struct ModelCell {
    int32_t base = 0;
    int32_t check = -1;
    int32_t fail = 0;
    int32_t score = 0;
};

// Score value of a cell that is not counted at all (four changes 0, no decisive code).
constexpr int32_t kNeutralScore = 0x1280D;

// Packs four score changes (each -9..10) into a cell score without a decisive code.
int32_t PackScore(int gbk, int big5, int unicode, int utf8);

// The whole model: maps and cells. Built in memory, written by WriteModel.
struct CodeModel {
    std::vector<uint16_t> gbkMap = std::vector<uint16_t>(24576, 0);
    std::vector<uint16_t> big5Map = std::vector<uint16_t>(24576, 0);
    std::vector<ModelCell> cells;
};

// Map index of a two-byte character: (max(trail - 0x40, 0) x 128) + (lead & 0x7F).
int ModelMapIndex(unsigned lead, unsigned trail);

// Lays out the first-order automaton (root, one state per byte, one cell per byte pair; a pair
// cell fails to the state of its second byte) and fills the pair cells from score lines
// "prev next gbk big5 unicode utf8", first-byte lines "first byte gbk big5 unicode utf8" (the
// cell of a text's first byte), and marks "mark HEX CODE" (a two- or three-byte sequence whose
// last byte ends detection with CODE). False with a message on a malformed line.
bool BuildModelCells(const std::string& scoreText, std::vector<ModelCell>& cells, std::string& error);

// Little-endian file image of the model.
std::vector<unsigned char> ModelBytes(const CodeModel& model);

// Detection as the engine runs it over a loaded model (1 UTF-8, 2 GBK, 3 BIG5, 8 Unicode, 0 none).
int DetectWithModel(const std::vector<ModelCell>& cells, const unsigned char* text, size_t len);

}  // namespace kxdata
