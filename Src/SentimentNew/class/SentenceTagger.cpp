#include "SentimentNew/class/Sentiment.h"

// The one call from sentence scoring into the engine. The engine's paragraph processing is not
// linked into this library yet: until it is, every sentence tags to the empty text, which scores
// as a sentence the engine cannot process (zero points, no objects, empty text).
tstring Sentiment::TagSentence(const tstring& sentence) const {
    (void)sentence;
    return tstring();
}
