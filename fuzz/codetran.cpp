// Fuzz target for the dictionary-based code converter.
// A small converter set (UTF-8 words sharing prefixes, GBK words with ASCII-range trail bytes, a
// word without a mapping, a target outside the word list) is written once into a temporary
// directory. Input: byte 0 picks the direction, the rest is the text.
// Checks, besides memory safety: for input without "^", the marks written towards GBK pair up
// around blanks only, nothing is marked towards the caller's encoding, and every CR, LF and TAB
// of the input survives.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "CodeTrans/CodeTran.h"
#include "Utility/IDMaps.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/WordList.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void SaveWords(const std::string& dir, const char* name, const std::vector<std::pair<std::string, int>>& words) {
    CPDAT dict(1);
    CWordList list(false, nullptr);
    for (const auto& w : words) {
        dict.AddWord(w.first.c_str(), w.second, false);
        list.AddWord(w.first.c_str(), w.second);
    }
    dict.AddWordComplete();
    list.AddWordComplete();
    dict.Save((dir + "/" + name + ".pdat").c_str());
    list.Save((dir + "/" + name + ".wordlist").c_str());
}

void SaveMap(const std::string& dir, const char* name, const std::vector<std::pair<int, int>>& pairs) {
    CIDMaps map;
    map.MapInit();
    for (const auto& p : pairs) map.MapAdd(p.first, p.second);
    map.MapComplete();
    map.Save((dir + "/" + name).c_str());
}

// The converter of code 5 over the small set; its directory is removed at exit.
class Fixture {
public:
    Fixture() {
        char tmpl[] = "/tmp/kx_codetran_fuzz_XXXXXX";
        Check(mkdtemp(tmpl) != nullptr);
        m_dir = tmpl;
        SaveWords(m_dir, "UTF8", {{"\xE5\x95\x8A", 0}, {"\xE5\x95\x8B", 1}, {"\xE9\x98\xBF", 2},
                                  {"\xE5\x9F\x83", 3}, {"\xC2\xB7", 4}, {"\xE6\x8C\xA8", 5}});
        SaveWords(m_dir, "GBK", {{"\xB0\xA1", 0}, {"\x81\x40", 1}, {"\xB0\xA2", 2}, {"\xA1\xA4", 4},
                                 {"\xB0\xA3", 3}, {"\x80", 6}});
        SaveMap(m_dir, "UTF2GBK.map", {{0, 0}, {1, 1}, {2, 2}, {4, 4}, {5, 77}});
        SaveMap(m_dir, "GBK2UTF.map", {{0, 0}, {1, 1}, {2, 2}, {4, 4}, {6, -1}});
        m_pTran = new CCodeTran(m_dir.c_str(), 5);
        Check(m_pTran->GetStatus() == 1);
    }
    ~Fixture() {
        delete m_pTran;
        if (DIR* d = opendir(m_dir.c_str())) {
            while (struct dirent* e = readdir(d))
                if (e->d_name[0] != '.') unlink((m_dir + "/" + e->d_name).c_str());
            closedir(d);
        }
        rmdir(m_dir.c_str());
    }
    const CCodeTran& Tran() const { return *m_pTran; }

private:
    std::string m_dir;
    CCodeTran* m_pTran = nullptr;
};

size_t CountOf(const std::string& s, char c) { return size_t(std::count(s.begin(), s.end(), c)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool bQuiet = (g_bLog = false, true);
    (void)bQuiet;
    static Fixture fixture;
    if (size == 0) return 0;
    const bool bToGBK = (data[0] & 1) == 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(strlen(text.c_str()));

    std::string out;
    if (bToGBK) fixture.Tran().CodeToGBK(text.c_str(), out);
    else fixture.Tran().GBKToCode(text.c_str(), out);

    if (text.find('^') != std::string::npos) return 0;
    std::string plain = text;
    if (plain.compare(0, 3, "\xEF\xBB\xBF") == 0) plain.erase(0, 3);
    for (char c : {'\r', '\n', '\t'}) Check(CountOf(out, c) == CountOf(plain, c));
    if (!bToGBK) {
        Check(out.find('^') == std::string::npos);
        return 0;
    }
    // Marks pair up, and only blanks stand between an opening and a closing pair.
    size_t pos = 0;
    while ((pos = out.find("^^", pos)) != std::string::npos) {
        size_t close = out.find("^^", pos + 2);
        Check(close != std::string::npos && close > pos + 2);
        for (size_t i = pos + 2; i < close; ++i) Check(out[i] == ' ');
        pos = close + 2;
    }
    return 0;
}
