// kxfield: imports a field-dictionary text ("word tag" lines, GBK) into a data directory with the
// engine's own import, replacing any field dictionary there (FieldDict.pdat/.pos/.wordlist).
//
//   kxfield <folder holding Data> <dictionary.txt>
//
// The engine is started under code 0 (GBK), so the words are stored as the file holds them.
// Prints the number of entries imported; exits 1 when the engine does not start or nothing is
// imported.
#include <cstdio>

#include "MERIDOX/API/KOVEX_API.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kxfield <folder holding Data> <dictionary.txt>\n");
        return 2;
    }
    if (KOVEX_Init(argv[1], 0) != 1) {
        std::fprintf(stderr, "kxfield: engine start failed: %s\n", KOVEX_GetLastErrorMsg());
        return 1;
    }
    const int n = KOVEX_ImportUserDict(argv[2], true);
    KOVEX_Exit();
    if (n <= 0) {
        std::fprintf(stderr, "kxfield: nothing imported from %s\n", argv[2]);
        return 1;
    }
    std::printf("  FieldDict: %d entries from %s\n", n, argv[2]);
    return 0;
}
