// Cuts arbitrary bytes as one GBK line into sentences, atoms, lattices and paths on a tiny
// dictionary. The first 8 input bytes choose the classes of 8 characters (one- and two-byte, so
// every class rule meets both), the user-dictionary priority and the granularity; the rest is the
// line. Traps when atoms or path words do not tile a sentence or a sentence does not advance.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/Segment/Segment.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/Charset.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Characters whose class the input chooses: 0 a . ^ " and the GBK characters 一 个 月.
const int kPalette[8] = {'0', 'a', '.', '^', '"', 0xD2BB, 0xB8F6, 0xD4C2};

struct Setup {
    std::string charsetImage;
    CPDAT dict{0};
    CTrie user;
    CUnigram unigram;
    CSegment* seg = nullptr;

    Setup() {
        // Class words first (handles 0-8), quotes and dash, then a few words of the palette.
        const char* words[] = {"S##S", "E##E", "X##X", "R##R", "D##D", "T##T", "T##M", "M##M", "Z##Z",
                               "\xA1\xB0", "\xA1\xB1", "\xA1\xAE", "\xA1\xAF", "\xA1\xAA\xA1\xAA\xA1\xAA",
                               "\xD2\xBB\xB8\xF6",  // 一个
                               "\xB8\xF6\xD4\xC2",  // 个月
                               "a.", "^^a", "0a", ".", "\xD2\xBB", "\xA1\xA3"};
        for (const char* w : words) dict.AddWord(w);
        dict.AddWordComplete();
        gSent_StartID = 0, gSent_EndID = 1, gUnknown_x_ID = 2, gUnknown_t_ID = 6, gUnknown_m_ID = 7;
        gQuatation_LD_ID = 9, gQuatation_RD_ID = 10, gQuatation_LS_ID = 11, gQuatation_RS_ID = 12;
        gPunctation_WP_ID = 13;
        user.AddTrie("a.a n");
        user.AddTrie("\xD2\xBB\xB8\xF6\xD4\xC2 t");
        std::string img;
        auto put = [&img](int32_t v) {
            for (int i = 0; i < 4; ++i) img += char((uint32_t(v) >> (8 * i)) & 0xFF);
        };
        put(20);
        put(22);
        put(100);
        for (int k = 0; k <= 22; ++k) put(k % 5);
        unigram.LoadFromMemory(reinterpret_cast<const unsigned char*>(img.data()), img.size());
        seg = new CSegment(&dict, &unigram, nullptr);
        charsetImage.assign(CCharset::kFileSize, '\0');
        for (int c : {9, 10, 13, 32}) charsetImage[size_t(4 + c)] = 28;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup s;
    if (size < 8) return 0;
    std::string image = s.charsetImage;
    for (int k = 0; k < 8; ++k) image[size_t(4 + kPalette[k])] = char(data[k] % 30);
    CCharset charset;
    charset.LoadFromMemory(reinterpret_cast<const unsigned char*>(image.data()), image.size());
    g_bUserDictPrior = (data[0] & 0x80) != 0;
    g_nGranularity = (data[1] & 0x80) ? 1 : 0;
    g_pUserDict = g_bUserDictPrior ? &s.user : nullptr;

    std::string text(reinterpret_cast<const char*>(data + 8), size - 8);
    text.resize(strlen(text.c_str()));
    std::unique_ptr<char[]> line(new char[text.size() + 1]);
    memcpy(line.get(), text.c_str(), text.size() + 1);
    const int n = int(text.size());

    CPreProcess pre(&charset, &s.dict, nullptr);
    for (int pos = 0; pos < n;) {
        int next = int(pre.FullSegment(line.get(), pos, n) - line.get());
        Check(next > pos && next <= n);
        const word_t* a = pre.GetAtoms();
        int na = pre.GetAtomCount();
        Check(na >= 3 && a[0].start == pos && a[na - 1].start == next && a[na - 1].end == next);
        for (int k = 1; k < na - 1; ++k) Check(a[k].start == a[k - 1].end && a[k].end > a[k].start);
        int nw = s.seg->BiSegment(pre);
        const word_t* w = s.seg->GetWords();
        Check(nw >= 3 && nw <= na && w[0].start == pos && w[nw - 1].start == next);
        for (int k = 1; k < nw; ++k) Check(w[k].start == w[k - 1].end);
        pos = next;
    }
    g_pUserDict = nullptr;
    g_bUserDictPrior = false;
    g_nGranularity = 0;
    return 0;
}
