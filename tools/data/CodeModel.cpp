#include "data/CodeModel.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "SentimentNew/encoding/GbkTables.h"
#include "codeset/Big5Table.h"

namespace kxdata {

namespace {
constexpr int kRoot = 0;
constexpr int kFirstState = 1;      // state of byte b is cell 1 + b
constexpr int kFirstPair = 257;     // cell of pair (a, b) is 257 + 256 a + b
constexpr int kCellCount = kFirstPair + 256 * 256;
}  // namespace

int ModelMapIndex(unsigned lead, unsigned trail) {
    int row = int(trail) - 0x40;
    if (row < 0) row = 0;
    return row * 128 + int(lead & 0x7F);
}

void FillModelMaps(CodeModel& model) {
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const unsigned code = CodeTable[u];
        if (code >= 0x8000 && (code & 0xFF) >= 0x40)
            model.gbkMap[ModelMapIndex(code >> 8, code & 0xFF)] = uint16_t(u);
    }
    for (int i = 0; i < kBig5TableSize; ++i) {
        const Big5Char& c = kBig5Table[i];
        model.big5Map[ModelMapIndex(c.nBig5 >> 8, c.nBig5 & 0xFF)] = c.nUnicode;
    }
}

// "mark HEX CODE": a byte-order mark of two or three bytes whose last byte ends detection with
// CODE. A two-byte mark marks its pair cell; a three-byte mark gets one cell of its own under
// the pair cell of its first two bytes, failing to the pair cell of its last two.
static bool InRange(int v) { return v >= -9 && v <= 10; }

static bool AddMark(const std::string& line, std::vector<_stTrieElem_>& cells) {
    char hex[16];
    int code;
    char extra;
    if (std::sscanf(line.c_str(), "mark %15s %d %c", hex, &code, &extra) != 2 || code <= 0 || code > 255)
        return false;
    std::string h = hex;
    if (h.size() != 4 && h.size() != 6) return false;
    int b[3];
    for (size_t i = 0; i < h.size() / 2; ++i) {
        char* end = nullptr;
        std::string part = h.substr(2 * i, 2);
        b[i] = int(std::strtol(part.c_str(), &end, 16));
        if (!end || *end) return false;
    }
    _stTrieElem_& pair = cells[kFirstPair + 256 * b[0] + b[1]];
    if (h.size() == 4) {
        pair.m_iScore = (code << 20) | (pair.m_iScore & 0xFFFFF);
        return true;
    }
    if (pair.m_iBase != 0) return false;  // one three-byte mark per pair
    const int parent = kFirstPair + 256 * b[0] + b[1];
    const int at = int(cells.size());
    // Every other byte from the parent lands on a pair cell (owned by a state) or past the end.
    pair.m_iBase = at - b[2];
    cells.push_back({0, parent, kFirstPair + 256 * b[1] + b[2], (code << 20) | CODETRANS_NEUTRAL_SCORE});
    return true;
}

bool BuildModelCells(const std::string& scoreText, std::vector<_stTrieElem_>& cells, std::string& error) {
    cells.assign(kCellCount, _stTrieElem_());
    cells[kRoot] = {kFirstState, -1, 0, CODETRANS_NEUTRAL_SCORE};
    for (int a = 0; a < 256; ++a) {
        cells[kFirstState + a] = {kFirstPair + 256 * a, kRoot, kRoot, CODETRANS_NEUTRAL_SCORE};
        for (int b = 0; b < 256; ++b) {
            // A pair cell has no transitions of its own: base 0 points every byte at the root's
            // states (check 0) or the root (check -1), never at a cell it owns.
            cells[kFirstPair + 256 * a + b] = {0, kFirstState + a, kFirstState + b, CODETRANS_NEUTRAL_SCORE};
        }
    }
    std::istringstream in(scoreText);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty()) continue;
        if (line.compare(0, 6, "first ") == 0) {
            int b, g, b5, u, f;
            char extra;
            if (std::sscanf(line.c_str(), "first %d %d %d %d %d %c", &b, &g, &b5, &u, &f, &extra) != 5 || b < 0 ||
                b > 255 || !InRange(g) || !InRange(b5) || !InRange(u) || !InRange(f)) {
                error = "bad first-byte line " + std::to_string(lineNo);
                return false;
            }
            // The states of single bytes are reached only from the root, by a text's first byte.
            cells[kFirstState + b].m_iScore = CodeTrans_PackScore(g, b5, u, f);
            continue;
        }
        if (line.compare(0, 5, "mark ") == 0) {
            if (!AddMark(line, cells)) {
                error = "bad mark line " + std::to_string(lineNo);
                return false;
            }
            continue;
        }
        int a, b, g, b5, u, f;
        char extra;
        if (std::sscanf(line.c_str(), "%d %d %d %d %d %d %c", &a, &b, &g, &b5, &u, &f, &extra) != 6 ||
            a < 0 || a > 255 || b < 0 || b > 255) {
            error = "bad detector score line " + std::to_string(lineNo);
            return false;
        }
        for (int v : {g, b5, u, f}) {
            if (v < -9 || v > 10) {
                error = "detector score out of range on line " + std::to_string(lineNo);
                return false;
            }
        }
        cells[kFirstPair + 256 * a + b].m_iScore = CodeTrans_PackScore(g, b5, u, f);
    }
    return true;
}

bool WriteModel(const CodeModel& model, const std::string& path) {
    return model.gbkMap.size() == size_t(CODETRANS_MAP_SIZE) &&
           model.big5Map.size() == size_t(CODETRANS_MAP_SIZE) &&
           CodeTrans_SaveModel(path.c_str(), model.gbkMap.data(), model.big5Map.data(), model.cells);
}

}  // namespace kxdata
