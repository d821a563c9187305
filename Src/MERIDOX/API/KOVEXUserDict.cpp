// User and field dictionaries at the engine interface: user words added, deleted, saved and
// restored at run time, and the field dictionary and keyword blacklist rebuilt from text files.
//
// Locks: g_mutex (instance table) before the exclusive user-dictionary hold; never g_mutex while
// the user-dictionary lock is held, so every failure is reported (Refuse, which writes its error
// lines under g_mutex) only after the lock is let go. Files are written as temporaries and
// renamed; the engine's objects are swapped only after every file is in place, so a failure keeps
// the old data in memory and on disk.

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEXInternal.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/ByteIO.h"
#include "Utility/GBKChar.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/ReadFile.h"
#include "Utility/Trie.h"
#include "Utility/WordList.h"

namespace {

const char kCannotSave[] = "Cannot Save user dictionary  ";
const size_t kMaxTagBytes = 1999;
// What the user trie takes: a tag below 40 bytes, an entry line below 1024 bytes.
const size_t kUserTagBytes = 40;
const size_t kUserLineBytes = 1024;

// Imports run one at a time (they read, rebuild and replace the same files).
pthread_mutex_t g_hImport = PTHREAD_MUTEX_INITIALIZER;
// Saves of the user trie run one at a time from snapshot to rename, so that an older snapshot is
// never renamed over a newer one. Taken before g_mutex and the user-dictionary lock.
pthread_mutex_t g_hUserDictSave = PTHREAD_MUTEX_INITIALIZER;

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reports a failed dictionary operation: the message (sFirst followed by sSecond) becomes the
// last error, and each part is written as one error line under g_mutex, as the engine writes its
// error lines. Returns false. The caller must hold no user-dictionary lock: g_mutex comes first in
// the lock order, and a writer that holds g_mutex while it waits for the user-dictionary lock
// would wait forever for a report made under that lock.
bool Refuse(const CErrorText& sFirst, const CErrorText& sSecond = CErrorText()) {
    SetLastErrorMessage(sFirst + sSecond);
    CMutexLock lock(&g_mutex);
    WriteError(sFirst.Text(), nullptr);
    if (!sSecond.Text().empty()) WriteError(sSecond.Text(), nullptr);
    return false;
}

// A failed save: the error lines "Cannot Save user dictionary  " and the path. Returns 0.
int ReportSaveFailure(const tstring& sPath) {
    Refuse(kCannotSave, kovex::DataPathText(sPath));
    return 0;
}

bool ReportOpenFailure(const char* sName) { return Refuse("Failed Open file " + CErrorText::Given(sName)); }

// An import file that was read but gave no entry (empty, or only lines that add nothing).
int ReportNoEntry(const tstring& sName) {
    Refuse("No dictionary entry in file " + CErrorText::Given(sName));
    return 0;
}

// Gives the user trie to the main instance and every instance of the table. Caller holds g_mutex
// and the exclusive user-dictionary hold.
void GiveUserDictToInstances(CTrie* pTrie) {
    g_pUserDict = pTrie;
    if (g_pKOVEX) g_pKOVEX->SetUserDict(pTrie);
    for (int i = 0; g_vecKOVEX && i < g_nCopyMemSize; ++i)
        if (g_vecKOVEX[i]) g_vecKOVEX[i]->SetUserDict(pTrie);
}

// Reads an import file whole (the name as given, else its GBK form when only that exists) and
// brings it to GBK: under automatic detection the file is detected as a whole, a 16-bit Unicode
// file converted at once and any other code given back through nCode for converting its words
// (kovex::ToGBK). Only a regular file is read: a folder, a FIFO or a device is refused without
// blocking. False, with the last error and error line "Failed Open file " and the name, when it
// is refused or cannot be opened.
bool ReadImportFile(const char* sName, tstring& sText, int& nCode) {
    tstring sPath;
    GetAnsiFilename(sName, sPath, false);
    char* pText = nullptr;
    const unsigned long nLen = ReadFile(sPath.c_str(), &pText, 0, 0, true);
    std::unique_ptr<char[]> text(pText);
    if (!pText) {
        ReportOpenFailure(sName);
        return false;
    }
    sText.assign(pText, nLen);
    nCode = kovex::DetectCode(sText.data(), sText.size());
    if (nCode == CODETRANS_UNICODE) {
        sText = kovex::ToGBK(sText, nCode);
        nCode = CODETRANS_GBK;
    }
    return true;
}

// Calls f(line) for every line of a text, without its LF; a last line without one counts.
template <typename F>
void ForEachLine(const tstring& sText, F f) {
    size_t nStart = 0;
    while (nStart < sText.size()) {
        size_t nEnd = sText.find('\n', nStart);
        if (nEnd == tstring::npos) nEnd = sText.size();
        f(sText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
}

// The next token of the line from nPos (blanks, tabs, CR and LF separate); false when none.
bool NextToken(const tstring& sLine, size_t& nPos, tstring& sToken) {
    while (nPos < sLine.size() && IsBlankByte(sLine[nPos])) ++nPos;
    if (nPos >= sLine.size()) return false;
    const size_t nStart = nPos;
    while (nPos < sLine.size() && !IsBlankByte(sLine[nPos])) ++nPos;
    sToken.assign(sLine, nStart, nPos - nStart);
    return true;
}

// One line of a user-dictionary import whose words are converted with the file's code: false
// when it adds no entry.
bool ParseImportLine(tstring sLine, int nCode, WORD_INFO& entry) {
    if (sLine.size() >= 3 && (unsigned char)sLine[0] == 0xEF && (unsigned char)sLine[1] == 0xBB &&
        (unsigned char)sLine[2] == 0xBF)
        sLine.erase(0, 3);
    size_t nPos = 0;
    tstring sWord, sTag;
    if (!NextToken(sLine, nPos, sWord)) return false;
    if (sWord[0] == '[') {
        const size_t nOpen = sLine.find('[');
        const size_t nClose = sLine.find(']', nOpen + 1);
        if (nClose != tstring::npos) {
            tstring sInner = sLine.substr(nOpen + 1, nClose - nOpen - 1);
            std::vector<char> buf(sInner.begin(), sInner.end());
            buf.push_back(0);
            StrNormalize(buf.data());
            sWord = buf.data();
            nPos = nClose + 1;
        }
    }
    if (!NextToken(sLine, nPos, sTag)) sTag = "n";
    if (sTag.size() > kMaxTagBytes) sTag.resize(kMaxTagBytes);
    sWord = kovex::ToGBK(sWord, nCode);
    if (sWord.empty()) return false;
    if (g_bPOSTagger && g_pCorePOS && g_pCoreDict) {
        const int nHandle = g_pCoreDict->Find(sWord.c_str());
        if (nHandle > 0) {
            const int nTag = g_pCorePOS->GetPOS(nHandle);
            if (nTag >= 81 && nTag <= 91) return false;
        }
    }
    entry.word = sWord;
    entry.store_info = sTag;
    entry.weight = 0;
    return true;
}

// Puts a set of new files in place together: each image is written to a temporary, the old
// files are kept as hard-linked backups, then the temporaries are renamed in order. On any
// failure everything renamed is put back from the backups (or removed when there was no old
// file), the failing path is reported (ReportSaveFailure) and false returned.
struct FileImage {
    tstring sPath;
    std::vector<unsigned char> image;
};

bool ReplaceFiles(const std::vector<FileImage>& vecFiles) {
    const size_t n = vecFiles.size();
    std::vector<tstring> vecTemp(n), vecBackup(n);
    std::vector<bool> vecHadOld(n, false);
    for (size_t i = 0; i < n; ++i) {
        vecTemp[i] = vecFiles[i].sPath + ".new";
        vecBackup[i] = vecFiles[i].sPath + ".bak";
    }
    auto cleanup = [&](size_t nRenamed, const tstring& sFailed) {
        for (size_t i = 0; i < n; ++i) unlink(vecTemp[i].c_str());
        for (size_t i = 0; i < nRenamed; ++i) {
            if (vecHadOld[i])
                rename(vecBackup[i].c_str(), vecFiles[i].sPath.c_str());
            else
                unlink(vecFiles[i].sPath.c_str());
        }
        for (size_t i = nRenamed; i < n; ++i)
            if (vecHadOld[i]) unlink(vecBackup[i].c_str());
        ReportSaveFailure(sFailed);
        return false;
    };
    for (size_t i = 0; i < n; ++i) {
        const FileImage& f = vecFiles[i];
        if (!WriteFileAtomic(vecTemp[i].c_str(), f.image.data(), f.image.size())) return cleanup(0, f.sPath);
    }
    for (size_t i = 0; i < n; ++i) {
        unlink(vecBackup[i].c_str());
        if (access(vecFiles[i].sPath.c_str(), F_OK) == 0) {
            if (link(vecFiles[i].sPath.c_str(), vecBackup[i].c_str()) != 0) return cleanup(0, vecFiles[i].sPath);
            vecHadOld[i] = true;
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (rename(vecTemp[i].c_str(), vecFiles[i].sPath.c_str()) != 0) return cleanup(i, vecFiles[i].sPath);
    for (size_t i = 0; i < n; ++i)
        if (vecHadOld[i]) unlink(vecBackup[i].c_str());
    return true;
}

}  // namespace

// ---- user words ----------------------------------------------------------------------------------

namespace {

// The GBK entry of a caller's "word tag" text (or "word"), word and tag converted apart so that a
// character without a GBK form cannot move the word-tag boundary. False when the trie would add
// nothing or the wrong entry: no word (a text of blanks), a word whose GBK form is empty or holds
// white space, a tag of 40 bytes or more, an entry of 1024 bytes or more.
bool UserEntry(const char* sText, bool bAnsiCode, tstring& sEntry) {
    const tstring sLine(sText);
    size_t nPos = 0;
    tstring sWord, sTag;
    if (!NextToken(sLine, nPos, sWord)) return false;
    NextToken(sLine, nPos, sTag);
    if (!bAnsiCode) {
        const int nCode = kovex::DetectCode(sLine.data(), sLine.size());
        sWord = kovex::ToGBK(sWord, nCode);
        sTag = kovex::ToGBK(sTag, nCode);
    }
    if (sWord.empty() || sWord.find_first_of(" \t\r\n\v\f") != tstring::npos) return false;
    if (sTag.size() >= kUserTagBytes || sTag.find_first_of(" \t\r\n\v\f") != tstring::npos) return false;
    sEntry = sTag.empty() ? sWord : sWord + " " + sTag;
    return sEntry.size() < kUserLineBytes;
}

}  // namespace

int KOVEX_AddUserWord(const char* sWord, bool bAnsiCode) {
    if (!g_bActive) return 0;
    const bool bEmpty = !sWord || !sWord[0];
    tstring sEntry;
    if (!bEmpty && !UserEntry(sWord, bAnsiCode, sEntry)) return -1;
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict) GiveUserDictToInstances(new CTrie());
    if (bEmpty) return -1;
    return g_pUserDict->AddTrie(sEntry.c_str());
}

namespace {

// The word of KOVEX_DelUsrWord and the state functions: trailing CR, LF, TAB and blanks removed
// while 2 bytes or more remain, then converted (unless already GBK).
tstring TrimmedWord(const char* sWord, bool bAnsiCode) {
    tstring s(sWord);
    while (s.size() >= 2 && IsBlankByte(s.back())) s.pop_back();
    if (bAnsiCode) return s;
    return kovex::ToGBK(s, kovex::DetectCode(s.data(), s.size()));
}

}  // namespace

int KOVEX_DelUsrWord(const char* sWord) {
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord, false);
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict || !g_pKOVEX) return -1;
    return g_pKOVEX->DelUsrWord(sGBK.c_str());
}

namespace {

// True when the regular file at sPath holds exactly these bytes.
bool FileHolds(const tstring& sPath, const std::vector<unsigned char>& image) {
    struct stat st;
    if (stat(sPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) != image.size()) return false;
    std::vector<unsigned char> onDisk;
    return ReadFileBytes(sPath.c_str(), onDisk) && onDisk == image;
}

}  // namespace

int KOVEX_SaveTheUsrDic() {
    if (!g_bActive) return 0;
    CMutexLock saveLock(&g_hUserDictSave);
    std::vector<unsigned char> image;
    int nItems = 0;
    bool bNoWord = false;
    {
        CUserDictReadLock lock;
        if (!g_pUserDict) return 0;
        nItems = g_pUserDict->GetLowerBound();
        bNoWord = g_pUserDict->HoldsNoWord();
        if (nItems > 0) image = g_pUserDict->Serialize();
    }
    const tstring sPath = g_sDataPath + "/" + "UserDict.pdat";
    if (nItems == 0) return ReportSaveFailure(sPath);
    // A store that the file already holds (nothing changed since it was loaded or saved, or every
    // change was taken back), or one without any word where there is no file, is not written:
    // object requests save after putting their words back, and must leave the data folder as it
    // was, read-only or not.
    if (FileHolds(sPath, image)) return 1;
    if (bNoWord && access(sPath.c_str(), F_OK) != 0 && errno == ENOENT) return 1;
    if (!WriteFileAtomic(sPath.c_str(), image.data(), image.size())) return ReportSaveFailure(sPath);
    return 1;
}

int KOVEX_CleanUserWord() {
    if (!g_bActive) return 0;
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict) return 0;
    CTrie* pOld = g_pUserDict;
    GiveUserDictToInstances(nullptr);
    delete pOld;
    return 0;
}

int KOVEX_GetUserWordState(const char* sWord, KOVEX_UserWordState& state, bool bAnsiCode) {
    state = KOVEX_UserWordState();
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord, bAnsiCode);
    CUserDictReadLock lock;
    if (!g_pUserDict) return 0;
    int nHandle = -1;
    char sPOS[40] = {0};
    // A deleted word keeps its count and tag: they are part of the state to put back.
    state.nFreq = g_pUserDict->GetEntry(sGBK.c_str(), nHandle, sPOS);
    memcpy(state.sPOS, sPOS, sizeof(state.sPOS));
    state.sPOS[sizeof(state.sPOS) - 1] = 0;
    state.bPresent = nHandle != -1;
    return state.bPresent ? 1 : 0;
}

int KOVEX_RestoreUserWord(const char* sWord, const KOVEX_UserWordState& state, bool bAnsiCode) {
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord, bAnsiCode);
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!state.bPresent) {
        if (!g_pUserDict) return 0;
        // Taken back rather than deleted: the nodes the word needed go, so words added for a
        // while (object words) leave nothing behind in memory or in the saved dictionary.
        g_pUserDict->TakeBack(sGBK.c_str(), state.sPOS, state.nFreq);
        return 1;
    }
    if (!g_pUserDict) GiveUserDictToInstances(new CTrie());
    int nHandle = 0;
    if (g_pUserDict->GetFreq(sGBK.c_str(), nHandle, nullptr) < 0) {
        g_pUserDict->AddTrie((sGBK + " " + state.sPOS).c_str());
    }
    return g_pUserDict->SetWordInfo(sGBK.c_str(), state.sPOS, state.nFreq) ? 1 : 0;
}

// ---- field dictionary ----------------------------------------------------------------------------

namespace {

// The stored field entries, kept first by an import without overwrite: word i of
// FieldDict.wordlist with tag text i of the tag list for every handle of the field dictionary.
// The dictionary and the tag list are the engine's when it holds them (FieldDict or Tagger may be
// off), else read from the data directory. True without entries when there is no stored
// dictionary; false, with the last error and error line "Cannot open field dictionary " (or
// "... POS data ") and the path, when a stored dictionary's words or tags cannot be read. Caller
// holds g_hImport.
bool ReadStoredEntries(const tstring& sDictPath, const tstring& sPOSPath, const tstring& sListPath,
                       std::vector<WORD_INFO>& vecStored) {
    const CErrorText sNoWords = "Cannot open field dictionary " + kovex::DataPathText(sListPath);
    const CErrorText sNoTags = "Cannot open field dictionary POS data " + kovex::DataPathText(sPOSPath);
    // Only imports replace the field dictionary and its tag list, and they run one at a time.
    bool bDictHeld, bPOSHeld;
    unsigned int nHeldItems = 0;
    {
        CUserDictReadLock lock;
        bDictHeld = g_pFieldDict != nullptr;
        bPOSHeld = g_pFieldPOS != nullptr;
        if (bDictHeld) nHeldItems = g_pFieldDict->GetItemCount();
    }
    CPDAT diskDict(0);
    if (bDictHeld && nHeldItems == 0) return true;
    if (!bDictHeld) {
        if (access(sDictPath.c_str(), F_OK) != 0) return true;
        if (!diskDict.Load(sDictPath.c_str())) return Refuse("Cannot open field dictionary " + kovex::DataPathText(sDictPath));
        if (diskDict.GetItemCount() == 0) return true;
    }
    CWordList words(true, nullptr);
    CWordList diskPOS(false, nullptr);
    if (!words.Load(sListPath.c_str())) return Refuse(sNoWords);
    if (!bPOSHeld && !diskPOS.Load(sPOSPath.c_str())) return Refuse(sNoTags);
    const CErrorText* pRefusal = nullptr;
    {
        CUserDictReadLock lock;
        const CPDAT& dict = bDictHeld ? *g_pFieldDict : diskDict;
        const CWordList& tags = bPOSHeld ? *g_pFieldPOS : diskPOS;
        const int nItems = int(dict.GetItemCount());
        if (words.GetBound() < nItems) {
            pRefusal = &sNoWords;
        } else if (tags.GetBound() < nItems) {
            pRefusal = &sNoTags;
        } else {
            for (int i = 0; i < nItems; ++i) {
                WORD_INFO stored;
                stored.word = words.GetWord(i);
                stored.store_info = tags.GetWord(i);
                if (!stored.word.empty()) vecStored.push_back(stored);
            }
        }
    }
    // Refused only once the lock is let go (see Refuse).
    return pRefusal ? Refuse(*pRefusal) : true;
}

}  // namespace

int KOVEX_ImportUserDictFiles(const std::vector<std::string>& vecFilenames, bool bOverwite) {
    if (!g_bActive) return 0;
    CMutexLock importLock(&g_hImport);
    std::vector<WORD_INFO> vecEntries;
    const tstring sDictPath = g_sDataPath + "/" + "FieldDict.pdat";
    const tstring sPOSPath = g_sDataPath + "/" + "FieldDict.pos";
    const tstring sListPath = g_sDataPath + "/" + "FieldDict.wordlist";

    // The file entries are read first: files that give no entry (unopenable, not regular files,
    // empty) change nothing.
    std::vector<WORD_INFO> vecFileEntries;
    const std::string* pWithout = nullptr;  // the last file read that gave no entry
    for (const std::string& sName : vecFilenames) {
        tstring sText;
        int nCode = 0;
        if (!ReadImportFile(sName.c_str(), sText, nCode)) continue;
        WORD_INFO entry;
        const size_t nBefore = vecFileEntries.size();
        ForEachLine(sText, [&](const tstring& sLine) {
            if (ParseImportLine(sLine, nCode, entry)) vecFileEntries.push_back(entry);
        });
        if (vecFileEntries.size() == nBefore) pWithout = &sName;
    }
    const int nCount = int(vecFileEntries.size());
    if (nCount == 0) return pWithout ? ReportNoEntry(*pWithout) : 0;

    // Stored words that cannot be read refuse the import rather than being dropped.
    if (!bOverwite && !ReadStoredEntries(sDictPath, sPOSPath, sListPath, vecEntries)) return 0;
    vecEntries.insert(vecEntries.end(), vecFileEntries.begin(), vecFileEntries.end());

    std::unique_ptr<CPDAT> pDict(new CPDAT(0));
    pDict->AddWordInit();
    for (const WORD_INFO& e : vecEntries) pDict->AddWord(e.word.c_str());
    pDict->AddWordComplete();
    std::unique_ptr<CWordList> pPOS(new CWordList(false, nullptr));
    pPOS->Import(vecEntries, pDict.get(), true);
    CWordList words(true, nullptr);
    words.Import(vecEntries, pDict.get(), false);

    std::vector<FileImage> vecFiles(3);
    vecFiles[0].sPath = sDictPath;
    vecFiles[1].sPath = sPOSPath;
    vecFiles[2].sPath = sListPath;
    try {
        vecFiles[0].image = pDict->Serialize();
        vecFiles[1].image = pPOS->Serialize();
        vecFiles[2].image = words.Serialize();
    } catch (const std::bad_alloc&) {
        ReportSaveFailure(sDictPath);
        return 0;
    }
    if (!ReplaceFiles(vecFiles)) return 0;

    CPDAT* pOldDict = nullptr;
    CWordList* pOldPOS = nullptr;
    {
        CUserDictWriteLock lock;
        pOldDict = g_pFieldDict;
        pOldPOS = g_pFieldPOS;
        g_pFieldDict = pDict.release();
        g_pFieldPOS = pPOS.release();
    }
    delete pOldDict;
    delete pOldPOS;
    return nCount;
}

int KOVEX_ImportUserDict(const char* sFilenameO, bool bOverwite) {
    if (!g_bActive || !sFilenameO) return 0;
    return KOVEX_ImportUserDictFiles(std::vector<std::string>(1, sFilenameO), bOverwite);
}

int KOVEX_ImportKeyBlackList(const char* sFilenameO, const char* sPOSBlacklist) {
    if (!g_bActive) return 0;
    if (sPOSBlacklist) {
        CUserDictWriteLock lock;
        g_pKeyPOSBlacklist = sPOSBlacklist;
    }
    if (!sFilenameO) return 0;
    CMutexLock importLock(&g_hImport);
    tstring sText;
    int nCode = 0;
    if (!ReadImportFile(sFilenameO, sText, nCode)) return 0;
    std::unique_ptr<CPDAT> pBlack(new CPDAT(0));
    pBlack->AddWordInit();
    int nCount = 0;
    ForEachLine(sText, [&](const tstring& sLine) {
        size_t nPos = 0;
        tstring sWord;
        if (!NextToken(sLine, nPos, sWord)) return;
        sWord = kovex::ToGBK(sWord, nCode);
        if (sWord.empty()) return;
        pBlack->AddWord(sWord.c_str());
        ++nCount;
    });
    if (nCount == 0) return ReportNoEntry(sFilenameO);
    pBlack->AddWordComplete();
    std::vector<FileImage> vecFiles(1);
    vecFiles[0].sPath = g_sDataPath + "/" + "KeyBlackList.pdat";
    try {
        vecFiles[0].image = pBlack->Serialize();
    } catch (const std::bad_alloc&) {
        ReportSaveFailure(vecFiles[0].sPath);
        return 0;
    }
    if (!ReplaceFiles(vecFiles)) return 0;
    CPDAT* pOld = nullptr;
    {
        CUserDictWriteLock lock;
        pOld = g_pKeyBlackList;
        g_pKeyBlackList = pBlack.release();
    }
    delete pOld;
    return nCount;
}
