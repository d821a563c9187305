// Detection and conversion with code 0 over arbitrary text, with a small model whose cells are
// taken from the input itself: the first four bytes give the cell count, the following bytes the
// cells (truncated or hostile counts included), and the whole input is then detected.
#include <cstdint>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "Utility/ByteIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> model(2 * CODETRANS_MAP_SIZE * 2, 0);
    for (size_t i = 0; i < model.size(); i += 2) PutLE16(&model[i], uint16_t(0x4E00 + i));
    model.insert(model.end(), data, data + size);
    CodeTrans_LoadModel(model.data(), model.size());

    const char* text = reinterpret_cast<const char*>(data);
    const int len = int(size);
    CodeTrans_CodeDetect(text, len);
    std::vector<char> ansi(size + 1);
    int destLen = 0;
    CodeTrans_ToAnsi(0, text, len, ansi.data(), destLen);
    std::vector<char> utf8(4 * size + 1);
    destLen = 0;
    CodeTrans_ToUtf8(0, text, len, utf8.data(), destLen);
    destLen = int(size);
    CodeTrans_ToUnicode(0, text, len, utf8.data(), destLen);
    destLen = int(size);
    GBKBig5_ToUnicode(2, text, len, utf8.data(), destLen);
    CodeTrans_Destroy();
    return 0;
}
