// Fuzz target for the INI profile reader and writer. Input: byte 0 selects the section argument
// (none, "sec" or "my section") and the value written; the rest is the profile's content.
// Checks, besides memory safety: writing succeeds on any content (refused only for a section
// argument that could not be read back), and a value written is the value read back afterwards.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "Utility/Profile.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

namespace {

// A private scratch directory, removed with its file at exit.
struct Scratch {
    std::string dir;
    std::string file;
    Scratch() {
        const char* tmp = getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/kx_ini_fuzz.XXXXXX";
        if (mkdtemp(&tmpl[0])) dir = tmpl;
        file = dir + "/p.ini";
    }
    ~Scratch() {
        remove(file.c_str());
        rmdir(dir.c_str());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (scratch.dir.empty() || size == 0) return 0;
    const uint8_t flags = data[0];
    FILE* fp = fopen(scratch.file.c_str(), "wb");
    if (!fp) return 0;
    fwrite(data + 1, 1, size - 1, fp);
    fclose(fp);

    static const char* const kSections[] = {nullptr, "sec", "my section", "mysection"};
    const char* section = kSections[flags & 3];
    Profile profile(scratch.file.c_str());
    char buf[64];
    profile.fn_iReadInt(section, "key", 0);
    profile.fn_fReadFloat(section, "a", 0);
    const int n = profile.fn_iReadString(section, "key", "dflt", buf, 1 + (flags >> 4));
    Check(n >= 0 && size_t(n) == strlen(buf) && n <= (flags >> 4));

    const std::string value = "v" + std::to_string(flags);
    // "[my section]" names "mysection": a section argument with a blank could never be read back,
    // so the write is refused.
    if ((flags & 3) == 2) {
        Check(profile.fn_iWriteString(section, "key", value.c_str()) == 0);
        return 0;
    }
    Check(profile.fn_iWriteString(section, "key", value.c_str()) == 1);
    Check(profile.fn_iReadString(section, "key", "", buf, sizeof buf) == int(value.size()));
    Check(value == buf);
    Check(profile.fn_iWriteInt(section, "n", -17) == 1);
    Check(profile.fn_iReadInt(section, "n", 0) == -17);
    Check(profile.fn_iReadString(section, "key", "", buf, sizeof buf) == int(value.size()));
    return 0;
}
