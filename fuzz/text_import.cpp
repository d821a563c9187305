// The text importers of the lexicon stores on arbitrary text. Byte 0 picks the importer, the rest
// is written to a file in a temporary directory and imported: 0-2 unigram (the three merge modes),
// 3-4 bigram (both line forms), 5 character types, 6 role automaton, 7-8 part-of-speech candidates
// (with and without a tag set), 9 user dictionary, 10 double-array dictionary, 11 word list,
// 12-16 the id maps (ImportSim, ImportOne2Mul and the three Import forms). One importer per run
// keeps the runs fast: most stores allocate tables of 64K entries. Words are looked up in a small
// dictionary whose words the seeds use.
// Checks, besides memory safety: whatever an importer built is written and read back by the
// store's own loader (a store must always accept the files it writes).
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Utility/Bigram.h"
#include "Utility/Charset.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The temporary directory, the dictionary and the tag set, made once; the directory is removed
// at exit.
class Fixture {
public:
    Fixture() : m_dict(0) {
        char tmpl[] = "/tmp/kx_text_import_fuzz_XXXXXX";
        Check(mkdtemp(tmpl) != nullptr);
        m_dir = tmpl;
        for (const char* w : {"a", "b", "ab", "abc", "x y", "\xB0\xA1" /* 啊 */, "\xD6\xD0\xB9\xFA" /* 中国 */,
                              "\xC8\xCB" /* 人 */, "n", "v"})
            m_dict.AddWord(w);
        m_dict.AddWordComplete();
        const char tags[] = "n\nv\nnr\n";
        m_tags.LoadFromMemory(reinterpret_cast<const unsigned char*>(tags), sizeof tags - 1);
    }
    ~Fixture() {
        if (DIR* d = opendir(m_dir.c_str())) {
            while (struct dirent* e = readdir(d))
                if (e->d_name[0] != '.') unlink((m_dir + "/" + e->d_name).c_str());
            closedir(d);
        }
        rmdir(m_dir.c_str());
    }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    CPDAT& Dict() { return m_dict; }
    const CPOSmap& Tags() const { return m_tags; }

private:
    std::string m_dir;
    CPDAT m_dict;
    CPOSmap m_tags;
};

bool WriteText(const std::string& path, const std::string& text) {
    FILE* fp = fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = fwrite(text.data(), 1, text.size(), fp) == text.size();
    return fclose(fp) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool bQuiet = (g_bLog = false, true);
    (void)bQuiet;
    static Fixture fx;
    if (size == 0) return 0;
    const unsigned which = data[0] % 17;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string in = fx.Path("in.txt"), in2 = fx.Path("in2.txt"), out = fx.Path("out.bin");
    Check(WriteText(in, text));
    CPDAT& dict = fx.Dict();

    if (which <= 2) {
        CUnigram u;
        u.Import(in.c_str(), dict, int(which));
        Check(u.Save(out.c_str()));
        CUnigram back;
        Check(back.Load(out.c_str()));
    } else if (which <= 4) {
        CBigram b;
        b.Import(in.c_str(), dict, which == 4);
        Check(b.Save(out.c_str()));
        CBigram back;
        Check(back.Load(out.c_str()));
        for (int id = 0; id < back.GetBound(); ++id) back.GetFreq(id, id);
    } else if (which == 5) {
        CCharset c;
        c.Import(in.c_str());
        Check(c.Save(out.c_str()));
        CCharset back;
        Check(back.Load(out.c_str()));
    } else if (which == 6) {
        CFSA f;
        if (f.Import(in.c_str())) {
            Check(f.Save(out.c_str()));
            CFSA back;
            Check(back.Load(out.c_str()));
        }
    } else if (which <= 8) {
        CPOS p;
        p.Import(in.c_str(), dict, which == 8 ? &fx.Tags() : nullptr);
        Check(p.Save(out.c_str()));
        CPOS back;
        Check(back.Load(out.c_str()));
    } else if (which == 9) {
        CTrie t;
        if (t.Import(in.c_str()) > 0) {
            std::vector<unsigned char> img = t.Serialize();
            CTrie back;
            Check(back.Parse(img.data(), img.size()));
        }
    } else if (which == 10) {
        CPDAT d(0);
        d.Import(in.c_str(), &dict);
        std::vector<unsigned char> img = d.Serialize();
        Check(d.Parse(img.data(), img.size()));
    } else if (which == 11) {
        CWordList w(false, nullptr);
        w.Import(in.c_str(), &dict);
        std::vector<unsigned char> img = w.Serialize();
        Check(w.Parse(img.data(), img.size()));
    } else {
        // The second file of the two-file importer: the same text from its second line on.
        size_t nl = text.find('\n');
        Check(WriteText(in2, nl == std::string::npos ? std::string() : text.substr(nl + 1)));
        CIDMaps m;
        switch (which) {
            case 12: m.ImportSim(in.c_str(), &dict); break;
            case 13: m.ImportOne2Mul(in.c_str(), &dict, &dict); break;
            case 14: m.Import(in.c_str(), &dict, &dict); break;
            case 15: m.Import(in.c_str(), &dict); break;
            default: m.Import(in.c_str(), in2.c_str(), &dict, &dict); break;
        }
        std::vector<unsigned char> img = m.Serialize();
        CIDMaps back;
        Check(back.Parse(img.data(), img.size()));
        std::vector<int> sim;
        for (int id = 0; id < back.GetBound(); ++id) back.GetSimMaps(id, sim);
    }
    return 0;
}
