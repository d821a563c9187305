#include "Utility/XMLParamReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Utility/ReadFile.h"

CXMLParamReader::CXMLParamReader(const char* sFilename)
{
    m_sErrMsg[0] = '\0';
    tstring text;
    if (ReadFile(sFilename, text, 0, 0, true) == 0) return;  // reported by the reader
    m_pParamBuffer = new (std::nothrow) char[text.size() + 1];
    if (m_pParamBuffer) std::memcpy(m_pParamBuffer, text.c_str(), text.size() + 1);
}

CXMLParamReader::CXMLParamReader(const char* sParamBuf, int nBufLen)
{
    m_sErrMsg[0] = '\0';
    if (!sParamBuf || nBufLen < 1) return;
    m_pParamBuffer = new (std::nothrow) char[size_t(nBufLen) + 1]();
    if (m_pParamBuffer) std::memcpy(m_pParamBuffer, sParamBuf, size_t(nBufLen));
}

CXMLParamReader::~CXMLParamReader() { delete[] m_pParamBuffer; }

bool CXMLParamReader::getParamString(const char* paramPath, std::string& value)
{
    value.clear();
    if (!paramPath || !m_pParamBuffer) return false;

    const std::string path(paramPath);
    const char* pos = m_pParamBuffer;
    std::string text;
    size_t start = 0;
    for (;;) {
        const size_t dot = path.find('.', start);
        const std::string component = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        const std::string openTag = "<" + component + ">";
        const std::string closeTag = "</" + component.substr(0, component.find(' ')) + ">";

        const char* open = std::strstr(pos, openTag.c_str());
        const char* close = open ? std::strstr(open + openTag.size(), closeTag.c_str()) : nullptr;
        if (!close) {
            std::snprintf(m_sErrMsg, sizeof m_sErrMsg, "Can't find the tag: %s", openTag.c_str());
            return false;
        }
        // The next component is searched from just inside this element's opening tag.
        pos = open + openTag.size();
        text.clear();
        for (const char* p = pos; p < close; ++p) {
            if (*p != '\r' && *p != '\n' && *p != '\t') text += *p;
        }
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    const size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos) value = text.substr(first, text.find_last_not_of(' ') - first + 1);
    return true;
}

bool CXMLParamReader::getParamInt(const char* paramPath, int& value)
{
    std::string text;
    if (!getParamString(paramPath, text)) return false;
    value = std::atoi(text.c_str());
    return true;
}

bool CXMLParamReader::getParamFloat(const char* paramPath, float& value)
{
    std::string text;
    if (!getParamString(paramPath, text)) return false;
    value = float(std::atof(text.c_str()));
    return true;
}

bool CXMLParamReader::getParamDouble(const char* paramPath, double& value)
{
    std::string text;
    if (!getParamString(paramPath, text)) return false;
    value = std::atof(text.c_str());
    return true;
}
