// Shared set-up of the segmentation tests: the shipped character classes (optionally with a few
// classes changed), a tiny hand-made core dictionary, and the engine globals the segmenter reads,
// restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/SegmentData.h"
#include "common/TestUtil.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/Charset.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"

namespace segtest {

using kxtest::Gbk;

// The shipped data directory of this build.
inline std::string DataDir() { return std::string(KX_BUILD_DIR) + "/Data"; }

// A heap copy of exactly the bytes plus NUL, so that a read past the line shows under ASan.
inline std::unique_ptr<char[]> Exact(const std::string& s) {
    std::unique_ptr<char[]> p(new char[s.size() + 1]);
    memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

// The class words first (handles 0-8), the quotes and the dash (9-13), then the given words.
inline std::unique_ptr<CPDAT> MakeCoreDict(const std::vector<std::string>& utf8Words) {
    std::unique_ptr<CPDAT> d(new CPDAT(0));
    for (const char* w : {"始##始", "末##末", "未##串", "未##人", "未##地", "未##团", "未##时", "未##数", "未##专",
                          "“", "”", "‘", "’", "———"})
        d->AddWord(Gbk(w).c_str());
    for (const auto& w : utf8Words) d->AddWord(Gbk(w.c_str()).c_str());
    d->AddWordComplete();
    return d;
}

// The shipped classes with the given characters (UTF-8 text or single bytes) changed.
inline std::unique_ptr<CCharset> MakeCharset(const std::map<std::string, int>& changes = {}) {
    std::string image = kxtest::ReadAll(DataDir() + "/charset.type");
    std::unique_ptr<CCharset> cs(new CCharset);
    for (const auto& c : changes) {
        std::string g = Gbk(c.first.c_str());
        int code = CCharset::CharCode(g.c_str());
        image[size_t(4 + code)] = char(c.second);
    }
    if (!cs->LoadFromMemory(reinterpret_cast<const unsigned char*>(image.data()), image.size())) return nullptr;
    return cs;
}

// Installs a charset and core dictionary in the engine globals (with the special ids of the
// dictionary); restores the previous globals on destruction.
class SegmentTestBase : public ::testing::Test {
protected:
    void Install(std::unique_ptr<CCharset> cs, std::unique_ptr<CPDAT> dict) {
        ASSERT_TRUE(cs && dict);
        m_cs = std::move(cs);
        m_dict = std::move(dict);
        kxtest::SetSpecialWordIds(*m_dict);
        m_pre.reset(new CPreProcess(m_cs.get(), m_dict.get(), nullptr));
    }
    void SetUp() override {
        m_savedPrior = g_bUserDictPrior;
        m_savedGran = g_nGranularity;
        g_bUserDictPrior = false;
        g_nGranularity = 0;
    }
    void TearDown() override {
        g_bUserDictPrior = m_savedPrior;
        g_nGranularity = m_savedGran;
        CUserDictWriteLock lock;
        if (g_pUserDict == m_user.get()) g_pUserDict = nullptr;
        if (g_pFieldDict == m_field.get()) g_pFieldDict = nullptr;
    }
    int Id(const char* utf8) const { return m_dict->Find(Gbk(utf8).c_str()); }

    // Atoms of the sentence at nStart of the line, as "text/handle" strings (start and end
    // atoms left out), and where the next sentence begins.
    std::vector<std::string> Atoms(const std::string& line, int nStart = 0, int* pNext = nullptr) {
        std::unique_ptr<char[]> s = Exact(line);
        const char* next = m_pre->AtomSegment(s.get(), nStart);
        if (pNext) *pNext = int(next - s.get());
        std::vector<std::string> out;
        const word_t* a = m_pre->GetAtoms();
        for (int k = 1; k + 1 < m_pre->GetAtomCount(); ++k)
            out.push_back(line.substr(size_t(a[k].start), size_t(a[k].end - a[k].start)));
        return out;
    }
    const word_t& Atom(int k) const { return m_pre->GetAtoms()[k]; }

    std::unique_ptr<CCharset> m_cs;
    std::unique_ptr<CPDAT> m_dict;
    std::unique_ptr<CPreProcess> m_pre;
    std::unique_ptr<CTrie> m_user;
    std::unique_ptr<CPDAT> m_field;
    bool m_savedPrior = false;
    int m_savedGran = 0;
};

}  // namespace segtest
