/* A C program on the public header: every ST_ function before ST_Init and after ST_Exit must give
 * its refusal value; in between, a start on the data folder given as argv[1] must score a text.
 * Exit status 0 when all holds. */
#include <kovex_sentiment.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond)                                              \
    do {                                                         \
        if (!(cond)) {                                           \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                          \
        }                                                        \
    } while (0)

static void check_refusals(void) {
    const char* args[2] = {NULL, "text"};
    for (int i = 0; i < 2; ++i) {
        const char* a = args[i];
        CHECK(strcmp(ST_GetOneObjectResult(a, a, a), "") == 0);
        CHECK(strcmp(ST_GetMultiObjectResult(a, a, a), "") == 0);
        CHECK(strcmp(ST_GetSentencePoint(a), "") == 0);
        CHECK(ST_GetSentimentPoint(a) == 0.0);
        CHECK(ST_ImportUserDict(a, 1) == 0);
        CHECK(ST_SentiDictIO(a, a, true) == 0);
        CHECK(ST_ProcesDir(a) == NULL);
        CHECK(ST_GetLastErrorMsg() != NULL);
    }
    CHECK(ST_Exit() == 1);
}

int main(int argc, char** argv) {
    check_refusals();
    if (argc > 1) {
        CHECK(ST_Init(argv[1], 1, NULL) == 1);
        CHECK(strstr(ST_GetSentencePoint("text"), "<polarity>0.00</polarity>") != NULL);
        CHECK(ST_Exit() == 1);
        check_refusals();
    }
    return failures == 0 ? 0 : 1;
}
