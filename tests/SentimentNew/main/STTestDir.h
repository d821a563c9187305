// A scratch data directory for the exported interface: a folder whose Data links every file of
// the built data directory, so imports and user-dictionary saves (which write new files and
// rename them) never change build/Data. The shipped sentiment lexicon (the field dictionary) is
// left out unless asked for, so that a test's points come from the words it imports itself.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "SentimentNew/main/kovex_sentiment.h"
#include "common/TestUtil.h"

namespace sttest {

class STDataDir {
public:
    explicit STDataDir(bool bShippedLexicon = false) {
        namespace fs = std::filesystem;
        const std::string built = std::string(KX_BUILD_DIR) + "/Data";
        fs::create_directories(Data("English"));
        for (auto& e : fs::recursive_directory_iterator(built)) {
            if (!e.is_regular_file()) continue;
            if (!bShippedLexicon && e.path().filename().string().rfind("FieldDict.", 0) == 0) continue;
            fs::create_symlink(e.path(), Data(fs::relative(e.path(), built).string()));
        }
    }
    const std::string& Root() const { return m_dir.path(); }
    std::string Data(const std::string& name = "") const {
        return m_dir.path() + "/Data" + (name.empty() ? "" : "/" + name);
    }
    // Writes a file in the scratch folder (outside Data) and returns its path.
    std::string Put(const std::string& name, const std::string& bytes) const {
        const std::string path = m_dir.path() + "/" + name;
        kxtest::WriteAll(path, bytes);
        return path;
    }

private:
    kxtest::TempDir m_dir;
};

// Starts the interface on a fresh scratch directory for each test and stops it afterwards.
class STStarted : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, ST_Init(m_dir.Root().c_str(), Encode(), nullptr)); }
    void TearDown() override { ST_Exit(); }
    virtual int Encode() const { return 1; }
    STDataDir m_dir;
};

}  // namespace sttest
