#include "data/CodeModel.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "Utility/ByteIO.h"

namespace kxdata {

namespace {
constexpr int kRoot = 0;
constexpr int kFirstState = 1;      // state of byte b is cell 1 + b
constexpr int kFirstPair = 257;     // cell of pair (a, b) is 257 + 256 a + b
constexpr int kCellCount = kFirstPair + 256 * 256;
}  // namespace

int32_t PackScore(int gbk, int big5, int unicode, int utf8) {
    return (gbk + 9) + 20 * (big5 + 9) + 400 * (unicode + 9) + 8000 * (utf8 + 9);
}

int ModelMapIndex(unsigned lead, unsigned trail) {
    int row = int(trail) - 0x40;
    if (row < 0) row = 0;
    return row * 128 + int(lead & 0x7F);
}

// "mark HEX CODE": a byte-order mark of two or three bytes whose last byte ends detection with
// CODE. A two-byte mark marks its pair cell; a three-byte mark gets one cell of its own under
// the pair cell of its first two bytes, failing to the pair cell of its last two.
static bool InRange(int v) { return v >= -9 && v <= 10; }

static bool AddMark(const std::string& line, std::vector<ModelCell>& cells) {
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
    ModelCell& pair = cells[kFirstPair + 256 * b[0] + b[1]];
    if (h.size() == 4) {
        pair.score = (code << 20) | (pair.score & 0xFFFFF);
        return true;
    }
    if (pair.base != 0) return false;  // one three-byte mark per pair
    const int parent = kFirstPair + 256 * b[0] + b[1];
    const int at = int(cells.size());
    // Every other byte from the parent lands on a pair cell (owned by a state) or past the end.
    pair.base = at - b[2];
    cells.push_back({0, parent, kFirstPair + 256 * b[1] + b[2], (code << 20) | kNeutralScore});
    return true;
}

bool BuildModelCells(const std::string& scoreText, std::vector<ModelCell>& cells, std::string& error) {
    cells.assign(kCellCount, ModelCell());
    cells[kRoot] = {kFirstState, -1, 0, kNeutralScore};
    for (int a = 0; a < 256; ++a) {
        cells[kFirstState + a] = {kFirstPair + 256 * a, kRoot, kRoot, kNeutralScore};
        for (int b = 0; b < 256; ++b) {
            // A pair cell has no transitions of its own: base 0 points every byte at the root's
            // states (check 0) or the root (check -1), never at a cell it owns.
            cells[kFirstPair + 256 * a + b] = {0, kFirstState + a, kFirstState + b, kNeutralScore};
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
            cells[kFirstState + b].score = PackScore(g, b5, u, f);
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
        cells[kFirstPair + 256 * a + b].score = PackScore(g, b5, u, f);
    }
    return true;
}

std::vector<unsigned char> ModelBytes(const CodeModel& model) {
    CByteWriter w;
    for (uint16_t v : model.gbkMap) w.PutU16(v);
    for (uint16_t v : model.big5Map) w.PutU16(v);
    w.PutI32(int32_t(model.cells.size()));
    for (const ModelCell& c : model.cells) {
        w.PutI32(c.base);
        w.PutI32(c.check);
        w.PutI32(c.fail);
        w.PutI32(c.score);
    }
    return w.Bytes();
}

int DetectWithModel(const std::vector<ModelCell>& cells, const unsigned char* text, size_t len) {
    long score[4] = {0, 0, 0, 0};  // gbk, big5, unicode, utf8
    long gbkCount = 0, big5Count = 0, uniCount = 0, utf8Count = 0, notUni = 0, high = 0;
    int state = 0, decisive = 0;
    const int n = int(cells.size());
    size_t i = 0;
    while (i < len && decisive == 0) {
        unsigned ch = text[i];
        if (ch >= 0x80) ++high;
        if (state < 0 || state >= n) break;
        long next = long(cells[state].base) + ch;
        if (next >= 0 && next < n && cells[next].check == state) {
            state = int(next);
            int32_t s = cells[next].score;
            if (s != kNeutralScore) {
                decisive = s >> 20;
                int v = s & 0x3FFFF;
                int g = v % 20 - 9, b = (v / 20) % 20 - 9, u = (v / 400) % 20 - 9, f = v / 8000 - 9;
                score[0] += g;
                score[1] += b;
                score[2] += u;
                score[3] += f;
                if (g > 0) ++gbkCount;
                if (b > 0) ++big5Count;
                if (f > 0) ++utf8Count;
                if (u > 0) ++uniCount; else ++notUni;
            }
            ++i;
        } else if (state != 0) {
            if (ch >= 0x80) --high;
            state = cells[state].fail;
        } else {
            ++i;
        }
    }
    if (decisive) return decisive;
    int result = (gbkCount > high / 4 || high == 0) ? 2 : 0;
    long best = score[0];
    if (score[1] > best) {
        best = score[1];
        result = big5Count > high / 4 ? 3 : 0;
    }
    if (score[3] > best) {
        best = score[3];
        result = utf8Count > high / 6 ? 1 : 0;
    }
    if (score[2] > best && (uniCount + 9) / (notUni + 1) >= 10) result = 8;
    return result;
}

}  // namespace kxdata
