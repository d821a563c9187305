// The demo: starts the sentiment library on a folder holding Data (the build folder, or
// share/kovex once installed) in UTF-8, prints the points of a few sample reviews, then the
// result document of an object request over a short sample text, and the ranking table of a
// scratch folder holding the sample reviews as text files.
//   kxdemo [folder]
#include <kovex_sentiment.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Writes each review into its own file of a new scratch folder, ranks the folder through the
// library, prints the whole table (without the byte-order mark that opens the file) and removes
// the folder again.
static void RankSampleFolder(const char* const* reviews, int nCount) {
    char dir[] = "/tmp/kxdemo.XXXXXX";
    if (!mkdtemp(dir)) return;
    for (int i = 0; i < nCount; ++i) {
        std::string name = std::string(dir) + "/review" + std::to_string(i + 1) + ".txt";
        if (FILE* f = std::fopen(name.c_str(), "wb")) {
            std::fputs(reviews[i], f);
            std::fclose(f);
        }
    }
    const char* table = ST_ProcesDir(dir);
    std::printf("\nRanking of a folder of %d reviews (%s):\n", nCount, table ? table : "no table");
    if (table) {
        if (FILE* f = std::fopen(table, "rb")) {
            std::string text;
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
            std::fclose(f);
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
            // Each line indented; a last line without its line break still ends the output's line.
            for (size_t at = 0; at < text.size();) {
                size_t end = text.find('\n', at);
                if (end == std::string::npos) end = text.size();
                std::printf("  %.*s\n", int(end - at), text.c_str() + at);
                at = end + 1;
            }
        }
        std::remove(table);
    }
    for (int i = 0; i < nCount; ++i) std::remove((std::string(dir) + "/review" + std::to_string(i + 1) + ".txt").c_str());
    rmdir(dir);
}

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ".";
    if (ST_Init(folder, 1, nullptr) != 1) {
        std::fprintf(stderr, "ST_Init failed: %s\n", ST_GetLastErrorMsg());
        return 1;
    }
    const char* reviews[] = {
        "质量很好，物流也快，非常满意！",
        "用了两天就坏了，太失望了。",
        "价格便宜，但是做工一般。",
        "客服态度不好，再也不会买了。",
    };
    std::printf("Sentence points (-1 negative .. 1 positive):\n");
    for (const char* review : reviews) std::printf("  %+.2f  %s\n", ST_GetSentimentPoint(review), review);

    const char* title = "新手机到货";
    const char* content = "这款手机屏幕很清晰，电池也耐用。可惜手机的价格太贵了。耳机音质一般。";
    std::printf("\nObject request for \"手机\" over: %s %s\n", title, content);
    std::printf("%s\n", ST_GetOneObjectResult(title, content, "手机"));
    RankSampleFolder(reviews, int(sizeof reviews / sizeof reviews[0]));
    ST_Exit();
    return 0;
}
