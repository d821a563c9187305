// Replays saved fuzz inputs: every regular file under the given folders (or the given files)
// is passed once to LLVMFuzzerTestOneInput. Used by CTest with any compiler.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void RunOne(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Copy into an exact-size heap block so that sanitizers see reads past the input's end.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
}

int main(int argc, char** argv) {
    size_t n = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(p)) {
                if (e.is_regular_file()) {
                    RunOne(e.path());
                    ++n;
                }
            }
        } else if (std::filesystem::is_regular_file(p, ec)) {
            RunOne(p);
            ++n;
        }
    }
    // Always exercise the empty input too.
    LLVMFuzzerTestOneInput(nullptr, 0);
    printf("replayed %zu inputs\n", n);
    return 0;
}
