// Test data directories for the engine interface: a scratch folder whose Data holds links to the
// fixture data directory's files, with Configure.xml and any file replaced or left out per test.
// The engine writes through temporary files and renames, so the fixture itself is never changed.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "MERIDOX/API/KOVEX_API.h"
#include "common/SegmentData.h"
#include "common/TestUtil.h"

namespace apitest {

using kxtest::Gbk;

inline std::string FixtureData() { return std::string(KX_BUILD_DIR) + "/fixture/Data"; }

// The fixture's configuration: tag set KOVEX.map, tagging and persons on, user and field
// dictionaries on.
inline std::string DefaultConfig() {
    return "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<Configure>\n<Log>on</Log>\n<TagSet>KOVEX.map</TagSet>\n"
           "<Person>on</Person>\n<Tagger>on</Tagger>\n<UserDictPrior>on</UserDictPrior>\n"
           "<UserDict>on</UserDict>\n<FieldDict>on</FieldDict>\n</Configure>\n";
}

class EngineDir {
public:
    // Links every fixture file (names relative to Data, e.g. "English/ne.pos") except those in
    // omit, and writes Configure.xml (none when config is null).
    explicit EngineDir(const char* config = nullptr, const std::set<std::string>& omit = {}) {
        namespace fs = std::filesystem;
        fs::create_directories(Data("English"));
        for (auto& e : fs::recursive_directory_iterator(FixtureData())) {
            if (!e.is_regular_file()) continue;
            std::string rel = fs::relative(e.path(), FixtureData()).string();
            if (rel == "Configure.xml" || omit.count(rel)) continue;
            fs::create_symlink(e.path(), Data(rel));
        }
        const std::string text = config ? config : DefaultConfig();
        if (!omit.count("Configure.xml")) kxtest::WriteAll(Data("Configure.xml"), text);
    }
    const std::string& Root() const { return m_dir.path(); }
    std::string Data(const std::string& name = "") const {
        return m_dir.path() + "/Data" + (name.empty() ? "" : "/" + name);
    }
    // Replaces a file of Data with the given bytes.
    void Put(const std::string& name, const std::string& bytes) const {
        unlink(Data(name).c_str());
        kxtest::WriteAll(Data(name), bytes);
    }
    int Start(int encode = 0) const { return KOVEX_Init(Root().c_str(), encode, nullptr); }

private:
    kxtest::TempDir m_dir;
};

// Stops the engine when a test ends, whatever its assertions did.
struct EngineStop {
    ~EngineStop() { KOVEX_Exit(); }
};

inline bool Contains(const std::vector<std::string>& lines, const std::string& s) {
    for (const auto& l : lines)
        if (l == s) return true;
    return false;
}

}  // namespace apitest
