// The exported requests on arbitrary bytes under every encoding code, on the build's data directory
// (the folder holding Data is $KX_DATA_DIR/.., .. or .), through a scratch copy made of links, so
// that the requests' user-dictionary saves never change the build's data.
// Input: byte 0 chooses the code (bits 0-2: 0, 1, 2, 3, 4, 5, -1, -1; the interface is started
// again when it changes) and the length of the object word (bits 3-5, taken from the start of the
// text); the rest is the text, up to its first zero byte. A start-up takes about a tenth of a
// second, so a long run goes faster with the code pinned: KX_ST_CODE=-1..5 in the environment
// runs every input under that code (an input that fails then fails with the same setting).
// Traps when a point is not a number within -1 and 1, when a document is not well-formed XML, or
// when a number of a document is not finite or a positive point is negative (a negative point
// positive). No caller text may become a tag or a weight, so no text can push them out.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <pugixml.hpp>

#include "SentimentNew/main/kovex_sentiment.h"
#include "Utility/LogFile.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// A folder whose Data links every file of the build's data directory; "" when none is found.
// Never destroyed: the exit handler that removes the folder reads it.
const std::string& ScratchRoot() {
    namespace fs = std::filesystem;
    static const std::string* const root = new std::string([] {
        std::string built;
        std::vector<std::string> roots;
        if (const char* env = std::getenv("KX_DATA_DIR")) roots.push_back(std::string(env) + "/..");
        roots.push_back("..");
        roots.push_back(".");
        for (const std::string& r : roots) {
            if (fs::exists(r + "/Data/Configure.xml")) {
                built = fs::absolute(r + "/Data").string();
                break;
            }
        }
        if (built.empty()) return std::string();
        std::string tmpl = (fs::temp_directory_path() / "st_requests.XXXXXX").string();
        if (!mkdtemp(&tmpl[0])) return std::string();
        std::error_code ec;
        for (auto& e : fs::recursive_directory_iterator(built, ec)) {
            if (!e.is_regular_file()) continue;
            const fs::path to = fs::path(tmpl) / "Data" / fs::relative(e.path(), built);
            fs::create_directories(to.parent_path(), ec);
            fs::create_symlink(e.path(), to, ec);
        }
        std::atexit([] {
            ST_Exit();
            std::error_code ec2;
            fs::remove_all(ScratchRoot(), ec2);
        });
        return tmpl;
    }());
    return *root;
}

// Starts the interface for the code when it is not started for it already.
bool StartedFor(int code) {
    static int current = 1000;
    if (code == current) return true;
    ST_Exit();
    current = 1000;
    const std::string root = ScratchRoot();
    if (root.empty() || ST_Init(root.c_str(), code, nullptr) != 1) return false;
    current = code;
    return true;
}

// A number of a document: finite, and of the sign its element promises.
void CheckNumber(const pugi::xml_node& node, int nSign) {
    if (!node) return;
    const char* s = node.text().get();
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    Check(end != s && *end == '\0' && std::isfinite(v));
    if (nSign > 0) Check(v >= 0.0);
    if (nSign < 0) Check(v <= 0.0);
}

void CheckDocument(const char* sDoc) {
    Check(sDoc != nullptr);
    if (!*sDoc) return;
    pugi::xml_document doc;
    Check(doc.load_string(sDoc, pugi::parse_default | pugi::parse_declaration).status == pugi::status_ok);
    const pugi::xml_node root = doc.child("QVSentiment-Result");
    Check(root);
    for (const pugi::xml_node& result : root.children("result")) {
        CheckNumber(result.child("polarity"), 0);
        CheckNumber(result.child("positivepoint"), 1);
        CheckNumber(result.child("negativepoint"), -1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int kCodes[] = {0, 1, 2, 3, 4, 5, -1, -1};
    static const bool bQuiet = [] {
        g_bLog = false;
        return true;
    }();
    (void)bQuiet;
    static const char* const sPinned = std::getenv("KX_ST_CODE");
    if (size < 1 || !StartedFor(sPinned ? std::atoi(sPinned) : kCodes[data[0] & 7])) return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.resize(strlen(text.c_str()));
    const std::string object = text.substr(0, (data[0] >> 3) & 7);

    const double point = ST_GetSentimentPoint(text.c_str());
    Check(point >= -1.0 && point <= 1.0);  // false for NaN too
    CheckDocument(ST_GetSentencePoint(text.c_str()));
    CheckDocument(ST_GetOneObjectResult(object.c_str(), text.c_str(), object.c_str()));
    return 0;
}
