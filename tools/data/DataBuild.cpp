#include "data/DataBuild.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Utility/Bigram.h"
#include "Utility/ByteIO.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"
#include "codeset/CodeSetWriter.h"
#include "data/CodeModel.h"

namespace kxdata {

namespace {

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirs(const std::string& path) {
    std::string cur;
    std::stringstream ss(path);
    std::string part;
    if (!path.empty() && path[0] == '/') cur = "/";
    while (std::getline(ss, part, '/')) {
        if (part.empty()) continue;
        cur += part + "/";
        if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string DirOf(const std::string& path) {
    size_t k = path.rfind('/');
    return k == std::string::npos ? std::string(".") : path.substr(0, k);
}

bool ReadText(const std::string& path, std::string& out) {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(path.c_str(), bytes)) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::vector<unsigned char> bytes;
    return ReadFileBytes(from.c_str(), bytes) && WriteFileAtomic(to.c_str(), bytes.data(), bytes.size());
}

// The importers print progress on standard output; a data build keeps its own output readable.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_saved = ::dup(1);
        int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, 1);
            ::close(devnull);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (m_saved >= 0) {
            ::dup2(m_saved, 1);
            ::close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

// Lines of a text file, without line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

class Builder {
public:
    Builder(const BuildOptions& o, std::string& error) : m_o(o), m_error(error) {}

    bool Run();

private:
    bool Fail(const std::string& msg) {
        m_error = msg;
        return false;
    }
    void Log(const std::string& msg) {
        if (m_o.log) m_o.log(msg);
    }
    std::string Out(const std::string& name) const { return m_o.outDir + "/" + name; }
    bool Source(const std::string& name, std::string& path) {
        path = FindSource(m_o, name);
        return !path.empty() || Fail("missing source " + name);
    }
    bool Copy(const std::string& name);
    bool Dictionary(const std::string& src, const std::string& out, CPDAT& dict, bool checkOrder);
    bool Context(const std::string& src, const std::string& out);
    bool CodeSets();
    bool Model();

    const BuildOptions& m_o;
    std::string& m_error;
};

bool Builder::Copy(const std::string& name) {
    std::string src;
    if (!Source(name, src)) return false;
    if (!CopyFile(src, Out(name))) return Fail("cannot write " + Out(name));
    Log(name + ": copied");
    return true;
}

// A dictionary from a word file; with checkOrder every line's word must get the line's ordinal as
// its handle (the statistics files name words by text, the engine finds special words by handle).
bool Builder::Dictionary(const std::string& srcName, const std::string& outName, CPDAT& dict,
                         bool checkOrder) {
    std::string src;
    if (!Source(srcName, src)) return false;
    int n;
    {
        QuietStdout quiet;
        n = dict.Import(src.c_str(), nullptr);
    }
    if (n <= 0) return Fail(srcName + ": no word imported");
    if (checkOrder) {
        std::string text;
        if (!ReadText(src, text)) return Fail("cannot read " + src);
        int h = 0;
        for (const std::string& w : Lines(text)) {
            if (w.empty()) continue;
            if (dict.Find(w.c_str()) != h) return Fail(srcName + ": word " + std::to_string(h) + " does not get its line's handle");
            ++h;
        }
    }
    if (!dict.Save(Out(outName).c_str())) return Fail("cannot write " + Out(outName));
    Log(outName + ": " + std::to_string(dict.GetItemCount()) + " words");
    return true;
}

bool Builder::Context(const std::string& srcName, const std::string& outName) {
    std::string src, text;
    if (!Source(srcName, src) || !ReadText(src, text)) return Fail("cannot read " + srcName);
    std::vector<std::string> lines = Lines(text);
    if (lines.empty()) return Fail(srcName + ": empty");
    int n = std::atoi(lines[0].c_str());
    if (n <= 0 || n > 255) return Fail(srcName + ": bad tag count");
    CContextStat ctx;
    ctx.SetSymbol(tuchar(n));
    for (size_t i = 1; i < lines.size(); ++i) {
        int a, b, c;
        if (lines[i].empty()) continue;
        if (std::sscanf(lines[i].c_str(), "%d %d %d", &a, &b, &c) != 3 || a < 0 || b < 0 || a >= n || b >= n ||
            c < 0 || !ctx.Add(tuchar(a), tuchar(b), c))
            return Fail(srcName + ": bad line " + std::to_string(i + 1));
    }
    if (!ctx.Save(Out(outName).c_str())) return Fail("cannot write " + Out(outName));
    ::unlink((Out(outName) + ".shw").c_str());  // the text view is for people, not for the engine
    Log(outName + ": " + std::to_string(n) + " tags, total " + std::to_string(ctx.GetTotalFrequency()));
    return true;
}

// The converter sets of encoding codes 1 to 5, from the built-in tables.
bool Builder::CodeSets() {
    kxcodeset::CodeSetStats stats;
    std::string error;
    bool written;
    {
        QuietStdout quiet;
        written = kxcodeset::WriteCodeSets(m_o.outDir, error, &stats);
    }
    if (!written) return Fail(error);
    Log("converter sets: GBK, GBKA, UTF8 " + std::to_string(stats.nGBK) + " characters, BIG5 " +
        std::to_string(stats.nBig5) + ", BIG2GBK " + std::to_string(stats.nBig2GBK) + ", GBK2BIG " +
        std::to_string(stats.nGBK2Big));
    return Model();
}

bool Builder::Model() {
    CodeModel model;
    FillModelMaps(model);
    std::string src, text;
    if (!Source("CodeTrans.model.txt", src) || !ReadText(src, text))
        return Fail("cannot read the detector scores");
    if (!BuildModelCells(text, model.cells, m_error)) return false;
    if (!WriteModel(model, Out("CodeTrans.model"))) return Fail("cannot write " + Out("CodeTrans.model"));
    Log("CodeTrans.model: " + std::to_string(model.cells.size()) + " cells");
    return true;
}

bool Builder::Run() {
    if (!MakeDirs(m_o.outDir + "/English") || !MakeDirs(m_o.workDir))
        return Fail("cannot create " + m_o.outDir);
    for (const char* name : {"Configure.xml", "KOVEX.map", "KOVEX_First.map", "PKU.map", "PKU_First.map"})
        if (!Copy(name)) return false;
    std::string src;
    CPOSmap map0;
    if (!map0.Load(Out("KOVEX.map").c_str())) return Fail("cannot load KOVEX.map");

    CCharset charset;
    if (!Source("charset.txt", src)) return false;
    if (charset.Import(src.c_str()) <= 0 || !charset.Save(Out("charset.type").c_str()))
        return Fail("cannot build charset.type");
    Log("charset.type: " + std::to_string(charset.GetCount()) + " characters");

    CPDAT core(0);
    if (!Dictionary("CoreDict.txt", "CoreDict.pdat", core, true)) return false;
    {
        CUnigram uni;
        if (!Source("CoreDict.unig.txt", src)) return false;
        int n;
        {
            QuietStdout quiet;
            n = uni.Import(src.c_str(), core, 0);
        }
        if (n <= 0 || !uni.Save(Out("CoreDict.unig").c_str())) return Fail("cannot build CoreDict.unig");
        Log("CoreDict.unig: " + std::to_string(uni.GetItemCount()) + " counts, total " +
            std::to_string(uni.GetTotalFreq()));
    }
    {
        CBigram bi(true, 0);
        if (!Source("BiWord.txt", src)) return false;
        int n;
        {
            QuietStdout quiet;
            n = bi.Import(src.c_str(), core, false);
        }
        if (n < 0 || !bi.Save(Out("BiWord.big").c_str())) return Fail("cannot build BiWord.big");
        Log("BiWord.big: " + std::to_string(n) + " pairs");
    }
    {
        CPOS pos;
        if (!Source("CoreDict.pos.txt", src)) return false;
        int n;
        {
            QuietStdout quiet;
            n = pos.Import(src.c_str(), core, &map0);
        }
        if (n <= 0 || !pos.Save(Out("CoreDict.pos").c_str())) return Fail("cannot build CoreDict.pos");
        Log("CoreDict.pos: " + std::to_string(n) + " candidates");
    }
    if (!Context("KOVEX.ctx.txt", "KOVEX.ctx")) return false;
    {
        CPOS role;
        if (!Source("nr.role.txt", src)) return false;
        int n;
        {
            QuietStdout quiet;
            n = role.Import(src.c_str(), core, nullptr);
        }
        if (n <= 0 || !role.Save(Out("nr.role").c_str())) return Fail("cannot build nr.role");
        Log("nr.role: " + std::to_string(n) + " role counts");
    }
    if (!Context("nr.ctx.txt", "nr.ctx")) return false;
    {
        CFSA fsa;
        if (!Source("nr.fsa.txt", src)) return false;
        if (!fsa.Import(src.c_str()) || !fsa.Save(Out("nr.fsa").c_str())) return Fail("cannot build nr.fsa");
        Log("nr.fsa: " + std::to_string(fsa.GetStateCount()) + " states");
    }
    {
        CPDAT black(0);
        if (!Dictionary("KeyBlackList.txt", "KeyBlackList.pdat", black, false)) return false;
    }
    {
        CPDAT en(0);
        if (!Dictionary("English/English.txt", "English/English.pdat", en, true)) return false;
        CWordList list(false, &en);
        if (!Source("English/English.txt", src)) return false;
        {
            QuietStdout quiet;
            list.Import(src.c_str(), &en);
        }
        if (!list.Save(Out("English/English.wordlist").c_str())) return Fail("cannot build English.wordlist");
        CUnigram uni;
        if (!Source("English/English.ung.txt", src)) return false;
        {
            QuietStdout quiet;
            uni.Import(src.c_str(), en, 0);
        }
        if (uni.GetTotalFreq() <= 0 || !uni.Save(Out("English/English.ung").c_str()))
            return Fail("cannot build English.ung");
        CPOS pos;
        if (!Source("English/English.pos.txt", src)) return false;
        int n;
        {
            QuietStdout quiet;
            n = pos.Import(src.c_str(), en, &map0);
        }
        if (n <= 0 || !pos.Save(Out("English/English.pos").c_str())) return Fail("cannot build English.pos");
        CIDMaps irr;
        if (!Source("English/Irrel2regular.txt", src)) return false;
        {
            QuietStdout quiet;
            n = irr.Import(src.c_str(), &en, &en);
        }
        if (!irr.Save(Out("English/Irrel2regular.map").c_str())) return Fail("cannot build Irrel2regular.map");
        Log("English: " + std::to_string(en.GetItemCount()) + " words, total " +
            std::to_string(uni.GetTotalFreq()) + ", " + std::to_string(n) + " irregular forms");
        CPDAT ne(0);
        if (!Dictionary("English/ne.txt", "English/ne.pdat", ne, true)) return false;
        CPOS nepos;
        if (!Source("English/ne.pos.txt", src)) return false;
        {
            QuietStdout quiet;
            n = nepos.Import(src.c_str(), ne, &map0);
        }
        if (n <= 0 || !nepos.Save(Out("English/ne.pos").c_str())) return Fail("cannot build ne.pos");
    }
    if (m_o.emptyUserDict) {
        if (!WriteEmptyUserDict(Out("UserDict.pdat"))) return Fail("cannot write " + Out("UserDict.pdat"));
        Log("UserDict.pdat: empty");
    }
    return CodeSets();
}

}  // namespace

bool WriteEmptyUserDict(const std::string& path) {
    // A user dictionary file holds at least one entry (a count of 0 does not load): one word added
    // and deleted again, as the file is after a request has removed the words it added.
    CTrie empty;
    empty.AddTrie("#", true);
    return empty.DelTrie("#") >= 0 && empty.Save(path.c_str());
}

bool LinkDataDirectory(const std::string& storeDir, const std::string& dataDir, const std::string& configPath,
                       std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove_all(dataDir, ec);
    fs::create_directories(dataDir, ec);
    if (ec) {
        error = "cannot create " + dataDir;
        return false;
    }
    const fs::path stores = fs::absolute(storeDir), data = fs::absolute(dataDir);
    for (fs::recursive_directory_iterator it(stores, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path rel = fs::relative(it->path(), stores);
        const std::string name = rel.filename().string();
        if (it->is_directory()) {
            fs::create_directories(data / rel, ec);
            continue;
        }
        if (rel == "Configure.xml" || name.rfind("FieldDict.", 0) == 0 || name.rfind("UserDict.", 0) == 0) continue;
        const fs::path link = data / rel;
        fs::create_symlink(fs::relative(it->path(), link.parent_path()), link, ec);
        if (ec) {
            error = "cannot link " + link.string() + ": " + ec.message();
            return false;
        }
    }
    if (ec) {
        error = "cannot read " + storeDir + ": " + ec.message();
        return false;
    }
    if (!CopyFile(configPath, (data / "Configure.xml").string())) {
        error = "cannot copy " + configPath;
        return false;
    }
    if (!WriteEmptyUserDict((data / "UserDict.pdat").string())) {
        error = "cannot write " + (data / "UserDict.pdat").string();
        return false;
    }
    return true;
}

std::string FindSource(const BuildOptions& o, const std::string& name) {
    for (const std::string& dir : o.sourceDirs) {
        std::string plain = dir + "/" + name;
        std::string work = o.workDir + "/" + name;
        if (FileExists(plain)) {
            // Importers write echo files beside their input: give them a copy in the work folder.
            if (!MakeDirs(DirOf(work)) || !CopyFile(plain, work)) return "";
            return work;
        }
        if (FileExists(plain + ".xz")) {
            if (!MakeDirs(DirOf(work))) return "";
            std::string cmd = "xz -dc '" + plain + ".xz' > '" + work + "'";
            if (std::system(cmd.c_str()) != 0) return "";
            return work;
        }
    }
    return "";
}

bool BuildDataDirectory(const BuildOptions& options, std::string& error) {
    Builder b(options, error);
    return b.Run();
}

}  // namespace kxdata
