// An owning stdio stream for readers that return early: the stream is closed when its handle goes.
#pragma once

#include <cstdio>
#include <memory>

struct CFileCloser {
    void operator()(FILE* fp) const { fclose(fp); }
};
typedef std::unique_ptr<FILE, CFileCloser> FilePtr;

// fopen into an owning handle; empty for a null name or a file that cannot be opened.
inline FilePtr OpenFile(const char* sFilename, const char* sMode) {
    return FilePtr(sFilename ? fopen(sFilename, sMode) : nullptr);
}
