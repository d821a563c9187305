// The directory walker: collects the regular files of a folder tree whose extension is in a filter
// list, with each file's status-change time and size, sorted by that time; or the names of one
// folder's subfolders.
//
// The walk never changes the working directory, enters every folder at most once (so links back to
// an ancestor cannot loop), and takes only regular files (so a FIFO or device named like a text
// file is never handed on). Entries are looked up and subfolders opened relative to their open
// folder, so trees deeper than the kernel's path limit are walked whole; the listed paths then
// exceed that limit and must be opened relative to their folders too. Descending into a subfolder runs on a new thread that the walk joins at
// once, as long as fewer than the walker's thread limit run; deeper folders are walked in the
// calling thread. A thread that cannot start is logged and its folder is walked in place.
//
// Thread safety: one walker runs one walk at a time; separate walkers may walk at the same time.
// `m_mutex` guards the collected list, the thread count and the set of folders entered; it is
// never held while calling out (log, last error, progress callback).
#pragma once

#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Utility/Types.h"

// One listed file (or, in folders mode, one subfolder's name).
struct _tFileBasicInfo {
    tstring filename;  // full path of the file, or the subfolder's name alone
    time_t timestamp;  // status-change time (st_ctime); 0 for a folder name
    size_t size;       // size in bytes; 0 for a folder name

    _tFileBasicInfo() { reset(); }
    _tFileBasicInfo(const tstring& name, time_t t, size_t n) : filename(name), timestamp(t), size(n) {}
    void reset() {
        filename.clear();
        timestamp = 0;
        size = 0;
    }
    // Compares timestamps only.
    bool operator<(const _tFileBasicInfo& other) const { return timestamp < other.timestamp; }
};

// Progress callback: called with the host pointer given to BeginBrowse and one progress text.
typedef void (*BrowseIndicatorFunc)(void* pHost, const char* sInfo);

class CBrowseDir {
public:
    // Files mode, at most nMaxThreadCount walker threads at once (0: never a thread), no start
    // folder, no time limit.
    explicit CBrowseDir(unsigned int nMaxThreadCount);
    virtual ~CBrowseDir();
    CBrowseDir(const CBrowseDir&) = delete;
    CBrowseDir& operator=(const CBrowseDir&) = delete;

    // Resolves dir to an absolute path ending in "/" and makes it the start folder. NULL, "", a
    // name that cannot be resolved or one that is not a folder clears the start folder and gives
    // false. The working directory is left alone.
    bool SetInitDir(const char* dir);
    // The same for a wide name, converted to UTF-8 first (the form of file names here); a unit
    // that is no character clears the start folder and gives false.
    bool SetInitDir(const wchar_t* dir);

    // Files whose status-change time is older than tMinTime are left out of later walks. True.
    bool SetMinTimestamp(time_t tMinTime);

    // The walker's own words in the timing texts ("文件数") in UTF-8 (true) or GBK (false, the
    // default); file names in the texts are always given as they stand.
    void SetUtf8Text(bool bUtf8) { m_bUtf8Text = bUtf8; }

    // Runs one walk from the start folder and sorts the list by timestamp (ties by path).
    // sFilter: extensions separated by ';' ("*.txt;*.log"; letter case ignored) or "*" for every
    // file; NULL matches nothing. bFile: true lists files of the whole tree, false lists the names of
    // the start folder's subfolders. p: a BrowseIndicatorFunc for progress texts, called with pHost
    // when both are non-null (else the texts go to standard output). Returns false when there is no
    // start folder or it cannot be opened (the list is then empty).
    bool BeginBrowse(const char* sFilter, bool bFile, void* pHost, void* p);

    // Walks one folder (path ending in "/") into the list, descending in files mode. False when it
    // cannot be opened; true (walking nothing) for a folder already entered in this walk.
    bool BrowseDir(const char* sFolderName);

    // Records one file found with status st: true (also when it is older than the time limit and
    // left out); false for a null name. Emits a progress text for every 1000th entry. The walk
    // calls it with the status it found. Thread-safe.
    virtual bool ProcessFile(const char* filename, const struct stat& st);
    // Records a file by name: stats it and records it as above; false, with the last error
    // "Fail read file <name>", when it cannot be stat-ed.
    bool ProcessFile(const char* filename);

    // Hook for derived walkers; the walk itself never calls it. Does nothing.
    virtual void ProcessDir(const char* currentdir, const char* parentdir);

    // Passes sInfo to the progress callback when callback and host are set, else prints sInfo and a
    // line feed on standard output.
    void Indicator(const char* sInfo);

    // The collected entries; stable between walks.
    const std::vector<_tFileBasicInfo>& GetFileInfo() const { return m_vecFileInfo; }
    // The prepared extension list of the last walk (lower case, sorted).
    const std::vector<tstring>& GetFilter() const { return m_vecFilter; }
    // The start folder ("" when none).
    const tstring& GetInitDir() const { return m_szInitDir; }

    // Thread entry that runs BeginBrowse with the stored filter, mode, host and callback; param is
    // the walker. Returns NULL.
    static void* DiskScanThread(void* param);

protected:
    tstring m_szInitDir;                     // start folder, absolute, ending in "/"; "" when none
    tstring m_szBaseDir;                     // working directory at construction (informational)
    std::vector<_tFileBasicInfo> m_vecFileInfo;  // the collected entries
    tstring m_sFilter;                       // filter used by DiskScanThread
    void* m_pIndicator;                      // progress callback (a BrowseIndicatorFunc) or NULL
    void* m_pHost;                           // first argument of the callback
    bool m_bFile;                            // files mode (true) or folders mode
    unsigned int m_nMaxThreadCount;          // most walker threads at once
    unsigned int m_nThreadCount;             // walker threads running now
    pthread_mutex_t m_mutex;                 // guards m_vecFileInfo, m_nThreadCount, m_setEntered
    std::vector<tstring> m_vecFilter;        // extensions without dot, lower case, sorted
    bool m_bAll;                             // the filter is "*"
    bool m_bFullDisk;                        // walk without filter preparation (never set)
    time_t m_nMinTime;                       // older files are left out
    std::set<std::pair<dev_t, ino_t> > m_setEntered;  // folders entered in this walk
    bool m_bUtf8Text;                        // timing texts in UTF-8, else GBK

private:
    // Walks the open folder fd, whose path is sFolder (ending in "/"), into the list; fd is taken
    // over and closed. False when it cannot be read as a folder.
    bool BrowseOpenDir(int fd, const tstring& sFolder);
    // Walks the open folder fd (taken over) on a new walker thread and joins it, or in this thread
    // at the thread limit or when no thread can start.
    void Descend(int fd, const tstring& sPath);
    static void* BrowseRunThread(void* param);
};

// Lists the files below sFolderName whose extension passes sFilter (see BeginBrowse), oldest
// status change first, appending their full paths to vsFileName (which is not cleared); with bFile
// false, appends the names of its subfolders instead. Uses a walker with a thread limit of 20,
// whose timing texts go to standard output in UTF-8 when bUtf8Text is set, else in GBK.
// False, appending nothing, when the folder is refused or cannot be opened.
bool gfn_vScanFiles(const char* sFolderName, std::vector<tstring>& vsFileName, const char* sFilter, bool bFile,
                    bool bUtf8Text = false);

// Appends the names of sFolderName's subfolders to vsDirs; false as gfn_vScanFiles.
bool gfn_vScanDirs(const char* sFolderName, std::vector<tstring>& vsDirs);

// Clears vecDrivers: there are no drives on this platform.
void GetHardDiskDriver(std::vector<tstring>& vecDrivers);

// Deletes the matching files below lpszDir and then lpszDir itself when that left it empty.
// sSignature NULL or "*.*" matches every entry; otherwise an entry matches when its name ends with
// the signature's text from its last "." on (the whole signature without a "."). Links are never
// followed: a matching link is removed itself. False for NULL or "" or a folder that cannot be
// opened; true otherwise.
bool gfn_bCleanDirectory(const char* lpszDir, const char* sSignature);
