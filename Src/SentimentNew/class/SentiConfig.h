// The sentiment configuration document, root "QVSentiment-Config": event categories with their
// object (brand) words, the negation words and the sentence- and word-removal words that an
// object request adds to the engine for its duration.
//
// Document layout (every name exact and case-sensitive):
//   QVSentiment-Config
//     eventcategory / category id="N"       any number; other children of eventcategory skipped
//       description, brandword, featureword
//       sentimentword / advantage, disadvantage, negative
//     wordset / set tag="..."               the first "set" only; its text holds the negation words
//     remove / remove tag="sentence"        the first such: description, removeSentence
//     remove / remove tag="word"            the first such: description, removeWord
// Word lists are "|"-separated; their users split them and drop empty pieces. Texts are kept as
// they stand in the file, untrimmed.
//
// Categories are keyed by their "id" read as an integer: a category without an id, or with one
// that is not a number, counts as id 0, and a later category with an id already seen replaces the
// earlier one, so such categories are dropped silently.
#pragma once

#include <map>

#include "Utility/Types.h"

// One event category; only `brandword` is used by requests, the other texts are kept as read.
struct ConfigCategory {
    struct Sentimentword {
        tstring advantage;
        tstring disadvantage;
        tstring negative;
    };

    tstring description;
    tstring brandword;    // "|"-separated object words
    tstring featureword;
    Sentimentword sentimentword;
};

// A whole configuration document; built empty (the configuration of a document that cannot be
// read).
struct Config {
    struct WordSet {
        tstring tag;    // the set's "tag" attribute
        tstring value;  // "|"-separated negation words
    };
    struct Remove {
        tstring sentenceDescription;
        tstring removeSentence;  // "|"-separated sentence-removal words
        tstring wordDescription;
        tstring removeWord;      // "|"-separated word-removal words
    };

    std::map<int, ConfigCategory> eventcategory;  // ascending by id
    WordSet wordset;
    Remove remove;
};
