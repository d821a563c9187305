// The XML parameter reader on arbitrary text: the first line is the path, the rest the document.
#include <cstdint>
#include <string>

#include "Utility/XMLParamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string in(reinterpret_cast<const char*>(data), size);
    const size_t nl = in.find('\n');
    const std::string path = in.substr(0, nl);
    const std::string doc = nl == std::string::npos ? std::string() : in.substr(nl + 1);
    CXMLParamReader reader(doc.data(), int(doc.size()));
    std::string value;
    double d = 0;
    reader.getParamString(path.c_str(), value);
    reader.getParamDouble(path.c_str(), d);
    return 0;
}
