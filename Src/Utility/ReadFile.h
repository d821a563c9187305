// Reading files whole or by byte range, and counting lines.
//
// Configuration files, documents and data files that are read whole go through the two free
// ReadFile functions; they are built on CReadFile, a reader that keeps one file open and lets
// several threads read ranges of it. A path longer than the kernel takes at once (a file deep in a
// walked tree) is opened folder by folder, so any path the file system holds can be read.
#pragma once

#include <pthread.h>
#include <stdio.h>

#include "Utility/Types.h"

// A reader that keeps one file open between reads.
//
// Names are compared ignoring ASCII case: a reader that has "a.txt" open answers a read of "A.TXT"
// from the open file. On a case-sensitive file system two such names may be different files, so a
// reader kept between calls must be given names in one consistent spelling.
//
// Thread-safe: the name comparison, the switch to another file and each seek-and-read run under
// m_mutex, so one reader may be shared by many threads (reads run one at a time).
class CReadFile {
public:
    CReadFile();
    ~CReadFile();
    CReadFile(const CReadFile&) = delete;
    CReadFile& operator=(const CReadFile&) = delete;

    // Reads `length` bytes from `offset` of sFilename (the whole file when length is 0 and
    // bZeroIsAll is set) into a new[] buffer of n + 1 bytes stored in *pBuffer, NUL at n, and
    // returns n. Bytes beyond the end of the file, and all bytes when offset is negative, are zero.
    // The caller frees *pBuffer with delete[].
    // - Empty or NULL name: *pBuffer = new "" and 0.
    // - A file that cannot be opened, or that is not a regular file: the log line
    //   "Failed open file  <name>" (WriteLog), 0, *pBuffer untouched, last error untouched.
    // - fstat failure: two error lines, "_fstat( _fileno(m_fpFileRead) failed" and the name; the
    //   size is taken as 0.
    // - n + 1 not representable or not allocatable: the error line "Error read file <name>",
    //   0, *pBuffer untouched.
    // So a caller sets its pointer to NULL before the call and frees it afterwards when not NULL.
    unsigned long ReadFile(const char* sFilename, char** pBuffer, long offset, unsigned long length,
                           bool bZeroIsAll);

    tstring m_sFileRead;          // name of the open file, empty before the first open
    FILE* m_fpFileRead;           // the open file, NULL before the first open
    pthread_mutex_t m_mutex;      // guards every member and each seek-and-read
    int m_nReadThreadCount;       // number of reads in progress (0 or 1 under the mutex)
    bool m_bWriting;              // true while a new file is being opened and measured
    long m_nFileSize;             // size in bytes of the open file

private:
    unsigned long Read(const char* sFilename, char** pBuffer, long offset, unsigned long length, bool bZeroIsAll,
                       bool bReportAllocFailure);
    friend unsigned long ReadFile(const char* sFilename, tstring& pBuffer, long offset, unsigned long length,
                                  bool bZeroIsAll);
};

// CReadFile::ReadFile through a private reader that opens the file anew and closes it before
// returning. Same results and buffer ownership. Thread-safe.
unsigned long ReadFile(const char* sFilename, char** pBuffer, long offset, unsigned long length, bool bZeroIsAll);

// The same read into a string: pBuffer receives the bytes read with every NUL byte removed, and the
// result is the number of bytes kept (so a file made only of NULs gives 0 without a message). When
// nothing could be read (missing file, empty file, empty range) pBuffer is empty, the last error
// becomes "Error read file <name>", which is written with WriteError, and the result is 0.
// Thread-safe.
unsigned long ReadFile(const char* sFilename, tstring& pBuffer, long offset, unsigned long length, bool bZeroIsAll);

// Rewinds fp, counts the successful fgets reads of up to 999 bytes until end of file (a longer line
// counts once per 999-byte piece, a last line without a newline once), rewinds again and returns the
// count. 0 for NULL.
long GetFileLinesCount(FILE* fp);
