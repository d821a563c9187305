// codesetwriter DIR: writes the code-converter data sets of encoding codes 1 to 5 into DIR.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "codeset/CodeSetWriter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n  writes the code-converter data sets (codes 1 to 5) into DIR\n", argv[0]);
        return 2;
    }
    if (mkdir(argv[1], 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    std::string sError;
    kxcodeset::CodeSetStats stats;
    if (!kxcodeset::WriteCodeSets(argv[1], sError, &stats)) {
        fprintf(stderr, "%s\n", sError.c_str());
        return 1;
    }
    printf("GBK/GBKA/UTF8 %d characters, BIG5 %d characters, BIG2GBK %d, GBK2BIG %d\n", stats.nGBK, stats.nBig5,
           stats.nBig2GBK, stats.nGBK2Big);
    return 0;
}
