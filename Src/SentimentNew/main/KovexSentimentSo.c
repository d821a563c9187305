/* The shared library's own object: everything it holds comes from the static libraries, linked
 * whole. Including the public header here checks that it compiles as C. */
#include "SentimentNew/main/kovex_sentiment.h"
