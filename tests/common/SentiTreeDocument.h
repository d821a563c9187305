// The single-text result document built as a pugixml tree from a text's whole marked-up text, the
// form the library's documents are compared with.
#pragma once

#include <pugixml.hpp>

#include <string>

#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"

namespace kxtest {

struct StringXmlWriter : pugi::xml_writer {
    std::string s;
    void write(const void* data, size_t size) override { s.append(static_cast<const char*>(data), size); }
};

// The document of `text` scored by `senti` (ProcessSentence with the whole text kept), its clue
// sanitized for `enc` into one CDATA node, saved with TAB indents; `declared` names the encoding.
inline std::string TreeDocument(const Sentiment& senti, const std::string& text, SentiEncoding enc,
                                const char* declared) {
    const ProcSentResult r = senti.ProcessSentence(text, true);
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = declared;
    decl.append_attribute("standalone") = "yes";
    pugi::xml_node result = doc.append_child("QVSentiment-Result").append_child("result");
    result.append_child("polarity").text().set(FormatPoint(r.negPoint + r.posPoint).c_str());
    result.append_child("positivepoint").text().set(FormatPoint(r.posPoint).c_str());
    result.append_child("negativepoint").text().set(FormatPoint(r.negPoint).c_str());
    result.append_child("contentsentenceclue").append_child(pugi::node_cdata).set_value(
        SanitizeDocumentText(r.str, enc, senti.m_big5Converter).c_str());
    StringXmlWriter w;
    doc.save(w, "\t", pugi::format_indent, pugi::encoding_auto);
    return w.s;
}

}  // namespace kxtest
