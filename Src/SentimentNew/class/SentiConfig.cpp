#include <sys/stat.h>

#include <cstring>

#include <pugixml.hpp>

#include "SentimentNew/class/Sentiment.h"

namespace {

// The text of the first character-data child (plain or CDATA) of parent's child `name`; "" when
// either is missing.
tstring ChildText(const pugi::xml_node& parent, const char* name) {
    return parent.child(name).text().get();
}

// The first child element `name` of parent whose attribute "tag" is `tag`; an empty node if none.
pugi::xml_node FirstTagged(const pugi::xml_node& parent, const char* name, const char* tag) {
    for (pugi::xml_node node = parent.child(name); node; node = node.next_sibling(name)) {
        if (strcmp(node.attribute("tag").value(), tag) == 0) return node;
    }
    return pugi::xml_node();
}

}  // namespace

Config Sentiment::ReadConfig(const tstring& sObjectRuleFile, bool* pbRead) {
    Config config;
    if (pbRead) *pbRead = false;
    // Only a regular file is read: pugixml sizes its buffer by seeking to the end, which asks a
    // directory for an impossible allocation, and a named pipe would block the request.
    struct stat st;
    if (stat(sObjectRuleFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return config;
    pugi::xml_document doc;
    if (!doc.load_file(sObjectRuleFile.c_str(), pugi::parse_default, pugi::encoding_auto)) return config;

    const pugi::xml_node root = doc.child("QVSentiment-Config");
    if (!root) return config;
    if (pbRead) *pbRead = true;
    const pugi::xml_node categories = root.child("eventcategory");
    for (pugi::xml_node node = categories.child("category"); node; node = node.next_sibling("category")) {
        ConfigCategory category;
        category.description = ChildText(node, "description");
        category.brandword = ChildText(node, "brandword");
        category.featureword = ChildText(node, "featureword");
        const pugi::xml_node sentiment = node.child("sentimentword");
        category.sentimentword.advantage = ChildText(sentiment, "advantage");
        category.sentimentword.disadvantage = ChildText(sentiment, "disadvantage");
        category.sentimentword.negative = ChildText(sentiment, "negative");
        config.eventcategory[node.attribute("id").as_int()] = category;  // a repeated id replaces
    }

    const pugi::xml_node set = root.child("wordset").child("set");
    config.wordset.tag = set.attribute("tag").value();
    config.wordset.value = set.text().get();

    const pugi::xml_node removes = root.child("remove");
    const pugi::xml_node sentence = FirstTagged(removes, "remove", "sentence");
    config.remove.sentenceDescription = ChildText(sentence, "description");
    config.remove.removeSentence = ChildText(sentence, "removeSentence");
    const pugi::xml_node word = FirstTagged(removes, "remove", "word");
    config.remove.wordDescription = ChildText(word, "description");
    config.remove.removeWord = ChildText(word, "removeWord");
    return config;
}
