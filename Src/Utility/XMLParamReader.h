// Reads single values out of an XML-like parameter text by a dotted path of element names
// ("Config.Log"), by plain text search: the document is not parsed.
#pragma once

#include <string>

class CXMLParamReader {
public:
    // Reads the whole file (NUL bytes dropped); a file that cannot be read, or an empty one,
    // leaves no text (the reader reports "Error read file <name>"), and every lookup then fails.
    explicit CXMLParamReader(const char* sFilename);
    // Copies nBufLen bytes of sParamBuf; a null text or a length below 1 leaves no text.
    CXMLParamReader(const char* sParamBuf, int nBufLen);
    virtual ~CXMLParamReader();
    CXMLParamReader(const CXMLParamReader&) = delete;
    CXMLParamReader& operator=(const CXMLParamReader&) = delete;

    // The text of the element named by paramPath: each component names an element inside the
    // previous one's opening tag ("<comp>", closed by "</first word of comp>"), CR, LF and TAB
    // removed, blanks trimmed at both ends. value is "" first; false (with the message "Can't find
    // the tag: <comp>" in getLastErrMsg) when an opening or closing tag is missing.
    bool getParamString(const char* paramPath, std::string& value);
    // The same text through atoi / atof; value is left unchanged on failure.
    bool getParamInt(const char* paramPath, int& value);
    bool getParamFloat(const char* paramPath, float& value);
    bool getParamDouble(const char* paramPath, double& value);

    // The last lookup error, "" before the first one.
    const char* getLastErrMsg() const { return m_sErrMsg; }

private:
    char* m_pParamBuffer = nullptr;  // the whole parameter text, NUL-terminated, owned
    char m_sErrMsg[1024];
};
