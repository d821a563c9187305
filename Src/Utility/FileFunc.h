// Small file and path functions of the foundation library: copying, strings in binary files,
// whole-file writes, path splitting and joining, directory creation, reading by document id, word
// reading, a growable integer buffer and running a shell command.
//
// Unless noted, the functions touch only their arguments and are thread-safe. Out-buffers named
// below must hold PATH_MAX (4096) bytes; longer results are cut to fit.
#pragma once

#include <pthread.h>
#include <stdio.h>

#include <vector>

#include "Utility/Types.h"

// Size of the file from stat, -1 when stat fails.
long get_file_size(const char* filename);

// Reads the whole file and applies IsEnglishText to it; false when nothing was read.
bool IsEnglishTextFile(const char* sFilename);

// ---- copying -------------------------------------------------------------------------------------

// Copies sSrcFile to sDsnFile (created or truncated) in pieces of nMemUsed bytes (0: 64 KiB).
// True on success. An unopenable source gives the error lines "Error read file" and the name, an
// unopenable target "Error write file" and the name (the first line becomes the last error); false
// also when the copy or the closing of the target fails.
bool FileCopy(const char* sSrcFile, const char* sDsnFile, unsigned long nMemUsed);

// Under nMutex (when not NULL): appends fpSrc, from its start, to the end of fpDsn in pieces of
// nMemUsed bytes (0: 64 KiB), up to the end of fpSrc or, with nLengthLimit non-zero, up to
// nLengthLimit bytes. Returns the new length of fpDsn when it equals the old length plus the size of
// fpSrc (or plus nLengthLimit), -2 when it does not, -1 when fstat of fpSrc or the buffer
// allocation fails.
long FileCopy(FILE* fpSrc, FILE* fpDsn, unsigned long nMemUsed, pthread_mutex_t* nMutex,
              unsigned long nLengthLimit);

// Under nMutex (when not NULL): copies the bytes [nStart, nEnd) of fpSrc to the current position of
// fpDsn through pBuf, in pieces of at most nBufSize bytes. Returns the number of bytes copied: 0 for
// nEnd < nStart, a NULL pBuf or stream, or a nBufSize of 0; fewer when fpSrc ends first.
unsigned long FileCopy(FILE* fpSrc, FILE* fpDsn, unsigned long nStart, unsigned long nEnd, unsigned char* pBuf,
                       unsigned long nBufSize, pthread_mutex_t* nMutex);

// ---- strings in binary files -----------------------------------------------------------------------

// Writes a 4-byte little-endian length and then the bytes (no terminator) at fp's position.
// False when a write fails or the string is 4 GiB or longer.
bool tstring_save(tstring& str, FILE* fp);

// Reads a string written by tstring_save. A length that exceeds the bytes left in the file, or a
// short read, fails: str empty, false.
bool tstring_load(tstring& str, FILE* fp);

// ---- whole-file writes ---------------------------------------------------------------------------

// Writes (mode "wb") or appends (mode "a+") the text. False for an empty or NULL path, an
// unopenable file, a short write or a failed close.
bool gfn_bWriteFile(const char* lpszFilename, const tstring& sFileText);
bool gfn_bAddFile(const char* lpszFilename, const tstring& sFileText);

// ---- paths ---------------------------------------------------------------------------------------

// sFullname = sPath + "/" + sFilename, or sFilename alone when sPath is NULL or empty. Returns
// sFullname.
char* GetFullFileName(char* sFullname, const char* sPath, const char* sFilename);

// sFilename = sPath + "/" + sFile. Returns sFilename.
char* GetAbsolutePath(const char* sPath, const char* sFile, char* sFilename);

// Splits a path: sExtName is the text after the last '.' (without the point; empty when that point
// stands before the last separator or there is none), sFilename the name after the last '/' or '\\'
// without the extension, sPath the directory without its trailing separators ("." when the path has
// no separator, "/" for the root).
void GetPathFile(const char* sFullname, tstring& sPath, tstring& sFilename, tstring& sExtName);

// Splits at the last '/' or '\\': sPath the part before it, sFile the part after it. Without a
// separator sPath is the working directory ("" when it cannot be read) and sFile the whole path.
void GetRelevatePath(const char* sFilename, char* sPath, char* sFile);

// sFile = the part of sFilename after its last '/' or '\\', cut at its first '.'. Returns sFile.
char* GetFilename(const char* sFilename, char* sFile);

// The path up to and including its last '/' or '\\' ("" when it has none, or for an empty path).
tstring getFilePath(const char* sFilename);

// sFilename = sDefaultPath + sRelevantPath, and creates (mode 0777) every directory named in
// sRelevantPath before its last '/' or '\\', below sDefaultPath (existing ones are fine). The working
// directory is never changed. Returns sFilename.c_str().
const char* gfn_GetFilePath(const char* sDefaultPath, const char* sRelevantPath, tstring& sFilename);

// True when some entry of vecFilter is a prefix of sExtName, ignoring ASCII case.
bool IsExtIncluded(const char* sExtName, std::vector<tstring>& vecFilter);

// Reads the document of id sId below the directory sPath: the id is cut into groups of three
// characters, one directory per group while more than three characters remain and the rest as the
// file name ("1234567" -> sPath/123/456/7, "123456" -> sPath/123/456). Reads that name with ".txt",
// else with ".html", into sContent with ReadFile and returns sContent.c_str(). On failure, and for
// an empty id or one holding '/' or "..", writes the error lines "Read file by ID fail!" (also the
// last error) and the path, and returns NULL.
const char* GetFileContentById(const char* sId, const char* sPath, tstring& sContent);

// ---- reading and buffers -----------------------------------------------------------------------------

// Reads lines (fgets, 10240-byte pieces) and appends their tokens cut at tabs and blanks
// (GetStrVector) to word_vec until `count` tokens were taken in this call or the file ends.
// Returns the size of word_vec.
int ReadNWord(FILE* pFile, int count, std::vector<tstring>& word_vec);

// Appends the 4-byte integer nVal (in network byte order when bNet, else host order) to the
// malloc'ed buffer *pBuf of nBufSize used and nBufMaxSize allocated bytes, first growing it with
// realloc to nBufSize + 1024 bytes when nBufMaxSize is below nBufSize + 10. Returns the new length;
// when growing fails the buffer and both sizes are kept and the old length is returned. The buffer
// is freed by the caller with free.
int WriteBuf(char** pBuf, int& nBufSize, int& nBufMaxSize, int nVal, bool bNet);

// Runs sCmd with "/bin/sh -c" and waits for it. The last error becomes sCmd + " start!" (logged
// with WriteLog), then sCmd + " start! End!" (logged again); when the command cannot be started the
// error "error in fork!" is reported in between. `x` is not used. Returns 1.
int system_run(const char* sCmd, pthread_mutex_t x);
