// Object requests and the result documents they return.
#include <algorithm>
#include <cstring>
#include <map>

#include <pugixml.hpp>

#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"
#include "SentimentNew/class/UserWordLedger.h"

// Collects a saved document into one byte string.
class xml_string_writer : public pugi::xml_writer {
public:
    tstring result;

    void write(const void* data, size_t size) override { result.append(static_cast<const char*>(data), size); }
};

namespace {

const char* DeclaredEncoding(SentiEncoding enc) {
    switch (enc) {
        case SentiEncoding::UTF8: return "utf-8";
        case SentiEncoding::BIG5: return "big5";
        default: return "gbk";
    }
}

// A document with its declaration and root element "QVSentiment-Result"; returns the root.
pugi::xml_node StartDocument(pugi::xml_document& doc, SentiEncoding enc) {
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = DeclaredEncoding(enc);
    decl.append_attribute("standalone") = "yes";
    return doc.append_child("QVSentiment-Result");
}

tstring SaveDocument(const pugi::xml_document& doc) {
    xml_string_writer writer;
    doc.save(writer, "\t", pugi::format_indent, pugi::encoding_auto);
    return writer.result;
}

void SetPoint(pugi::xml_node node, double value) { node.text().set(FormatPoint(value).c_str()); }

}  // namespace

tstring Sentiment::GetMultiObjectResult(const tstring& sTitle, const tstring& sContent,
                                        const std::vector<tstring>& sObjects, int& nHitCount) {
    UserWordLedger ledger(*m_engine);
    return ObjectListResult(ledger, sTitle, sContent, sObjects, nHitCount);
}

tstring Sentiment::ObjectListResult(UserWordLedger& ledger, const tstring& sTitle, const tstring& sContent,
                                    const std::vector<tstring>& sObjects, int& nHitCount) {
    nHitCount = 0;
    const SentiEncoding enc = SentiWorkingEncoding(m_encode);

    std::vector<tstring> objects;
    for (const tstring& raw : sObjects) {
        tstring word;
        if (CleanRequestWord(raw, word)) objects.push_back(std::move(word));
    }
    for (const tstring& word : objects) ledger.Add(word, m_objectName);

    // Both maps are keyed by the ASCII-folded object word, as the user dictionary matches it.
    std::map<tstring, ProcSentResult> objectWithTitle;
    std::map<tstring, std::vector<ProcSentResult>> objectWithSentences;
    const ProcSentResult title = ProcessSentence(sTitle, false);
    for (const tstring& object : title.objects) objectWithTitle[FoldAscii(object, enc)] = title;
    // Sentence by sentence as the content is cut: only the sentences that hold an object stay.
    ForEachContentSentence(sContent, [&](const tstring& sentence) {
        const ProcSentResult result = ProcessSentence(sentence, false);
        for (const tstring& object : result.objects) objectWithSentences[FoldAscii(object, enc)].push_back(result);
    });

    pugi::xml_document doc;
    pugi::xml_node root = StartDocument(doc, enc);
    for (const tstring& word : objects) {
        ledger.PutBack(word);
        const tstring key = FoldAscii(word, enc);
        const auto titleHit = objectWithTitle.find(key);
        const auto contentHit = objectWithSentences.find(key);
        if (titleHit == objectWithTitle.end() && contentHit == objectWithSentences.end()) continue;

        pugi::xml_node result = root.append_child("result");
        result.append_child("object").text().set(SanitizeDocumentText(word, enc, m_big5Converter).c_str());
        pugi::xml_node polarity = result.append_child("polarity");
        pugi::xml_node positive = result.append_child("positivepoint");
        pugi::xml_node negative = result.append_child("negativepoint");
        pugi::xml_node clue = result.append_child("sentenceclue");
        double dPos = 0.0, dNeg = 0.0;
        if (titleHit != objectWithTitle.end()) {
            const ProcSentResult& r = titleHit->second;
            const tstring text = r.str.empty() ? tstring() : "\n" + r.str + "\n";
            clue.append_child("titlesentenceclue").append_child(pugi::node_cdata).set_value(
                SanitizeDocumentText(text, enc, m_big5Converter).c_str());
            dPos = SumPoints(dPos, r.posPoint);
            dNeg = SumPoints(dNeg, r.negPoint);
            ++nHitCount;
        }
        if (contentHit != objectWithSentences.end()) {
            tstring text = "\n";
            for (const ProcSentResult& r : contentHit->second) {
                text += r.str;
                text += "\n";
                dPos = SumPoints(dPos, r.posPoint);
                dNeg = SumPoints(dNeg, r.negPoint);
            }
            clue.append_child("contentsentenceclue").append_child(pugi::node_cdata).set_value(
                SanitizeDocumentText(text, enc, m_big5Converter).c_str());
            ++nHitCount;
        }
        SetPoint(polarity, dNeg + dPos);
        SetPoint(positive, dPos);
        SetPoint(negative, dNeg);
    }
    return SaveDocument(doc);
}

tstring Sentiment::GetMultiObjectResult(const tstring& sTitle, const tstring& sContent,
                                        const tstring& sObjectRuleFile, bool* pbRead) {
    Config config = ReadConfig(sObjectRuleFile, pbRead);
    if (m_encode == -1) {
        // Under automatic detection the analyser works in UTF-8: the document's words are too.
        config.wordset.value = DetectedToUtf8(config.wordset.value);
        config.remove.removeSentence = DetectedToUtf8(config.remove.removeSentence);
        config.remove.removeWord = DetectedToUtf8(config.remove.removeWord);
        for (auto& category : config.eventcategory) category.second.brandword = DetectedToUtf8(category.second.brandword);
    }
    UserWordLedger ledger(*m_engine);

    const std::vector<tstring> negations = CleanWordList(config.wordset.value);
    for (const tstring& word : negations) ledger.Add(word, m_negationName);
    const std::vector<tstring> removeSentences = CleanWordList(config.remove.removeSentence);
    for (const tstring& word : removeSentences) ledger.Add(word, m_removeSentenceName);
    const std::vector<tstring> removeWords = CleanWordList(config.remove.removeWord);
    for (const tstring& word : removeWords) ledger.Add(word, "");

    std::vector<tstring> objects;
    for (const auto& category : config.eventcategory) {
        for (tstring& word : CleanWordList(category.second.brandword)) objects.push_back(std::move(word));
    }
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());

    int nHitCount = 0;
    tstring result = ObjectListResult(ledger, sTitle, sContent, objects, nHitCount);
    if (nHitCount == 0) result.clear();

    // Every list is put back before the one save: a save between two lists would write the
    // dictionary with the other lists' words still in it, so every request would rewrite the file
    // (and fail on a read-only data folder). Saved after all of them, a dictionary the request
    // found unchanged is not written at all.
    DelUsrWord(ledger, negations, false);
    DelUsrWord(ledger, removeSentences, false);
    DelUsrWord(ledger, removeWords, true);
    return result;
}

// The single-text document is written as text, not built as a tree: its clue can be as long as
// the caller's text, and a tree and its saved copy would hold it twice more. The bytes are those
// the tree would save to (declaration, indents of one TAB, the clue as one CDATA section split at
// each "]]>").
const char kSentenceDocumentTail[] = "]]></contentsentenceclue>\n\t</result>\n</QVSentiment-Result>\n";

tstring SentenceDocumentHead(SentiEncoding enc, double pos, double neg) {
    return tstring("<?xml version=\"1.0\" encoding=\"") + DeclaredEncoding(enc) +
           "\" standalone=\"yes\"?>\n<QVSentiment-Result>\n\t<result>\n\t\t<polarity>" + FormatPoint(neg + pos) +
           "</polarity>\n\t\t<positivepoint>" + FormatPoint(pos) + "</positivepoint>\n\t\t<negativepoint>" +
           FormatPoint(neg) + "</negativepoint>\n\t\t<contentsentenceclue><![CDATA[";
}

ProcSentResult Sentiment::ScoreToDocumentText(const char* sSentence, ChunkedText& content) const {
    const CdataTextWriter::Sink toContent = [&content](const char* p, size_t n) { content.Append(p, n); };
    CdataTextWriter writer(SentiWorkingEncoding(m_encode), m_big5Converter, toContent);
    const ProcSentResult r = ScoreSentenceToSink(sSentence, [&writer](const char* p, size_t n) { writer.Feed(p, n); });
    writer.Finish();
    return r;
}

std::unique_ptr<char[]> Sentiment::SentenceDocument(const char* sSentence) const {
    ChunkedText content;
    const ProcSentResult r = ScoreToDocumentText(sSentence, content);
    const tstring head = SentenceDocumentHead(SentiWorkingEncoding(m_encode), r.posPoint, r.negPoint);
    const size_t nTail = sizeof(kSentenceDocumentTail) - 1;
    const size_t nContent = content.size();
    std::unique_ptr<char[]> doc(new char[head.size() + nContent + nTail + 1]);
    char* p = doc.get();
    memcpy(p, head.data(), head.size());
    p += head.size();
    content.MoveTo(p);
    p += nContent;
    memcpy(p, kSentenceDocumentTail, nTail + 1);
    return doc;
}

tstring Sentiment::GetSentenceResult(const tstring& sSentence) const {
    return tstring(SentenceDocument(sSentence.c_str()).get());
}

int Sentiment::DelUsrWord(UserWordLedger& ledger, const std::vector<tstring>& sWords, bool bSaveDict) {
    bool bFailed = false;
    for (const tstring& word : sWords) {
        if (ledger.PutBack(word) < 0) bFailed = true;
    }
    if (bSaveDict && m_engine->SaveUserDict() != 1) bFailed = true;
    return bFailed ? -1 : int(sWords.size());
}

int Sentiment::DelUsrWord(const tstring& sWord, bool bSaveDict) {
    // Deleted, not taken back: the word keeps its count and tag, as a deletion leaves them.
    SentiUserWordState state;
    if (m_engine->GetUserWordState(sWord, state) < 0) return -1;
    state.bPresent = false;
    const int nResult = m_engine->RestoreUserWord(sWord, state);
    if (nResult >= 0 && bSaveDict && m_engine->SaveUserDict() != 1) return -1;
    return nResult;
}
