// The public header compiled as C++: the declarations must stay unmangled and callable.
#include <kovex_sentiment.h>

int main() {
    // Before ST_Init every function refuses; ST_Exit gives 1.
    return (ST_GetSentimentPoint("x") == 0.0 && ST_Exit() == 1 && ST_ProcesDir(nullptr) == nullptr) ? 0 : 1;
}
