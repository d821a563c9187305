// User and field dictionaries at the engine interface: user words added, deleted, saved and
// restored at run time, and the field dictionary and keyword blacklist rebuilt from text files.
//
// Locks: g_mutex (instance table) before the exclusive user-dictionary hold; never g_mutex while
// the user-dictionary lock is held. Files are written as temporaries and renamed; the engine's
// objects are swapped only after every file is in place, so a failure keeps the old data in
// memory and on disk.

#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

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
#include "Utility/Trie.h"
#include "Utility/WordList.h"

namespace {

const char kCannotSave[] = "Cannot Save user dictionary  ";
const size_t kMaxTagBytes = 1999;

// Imports run one at a time (they read, rebuild and replace the same files).
pthread_mutex_t g_hImport = PTHREAD_MUTEX_INITIALIZER;
// Saves of the user trie run one at a time from snapshot to rename, so that an older snapshot is
// never renamed over a newer one. Taken before g_mutex and the user-dictionary lock.
pthread_mutex_t g_hUserDictSave = PTHREAD_MUTEX_INITIALIZER;

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The two error lines of a failed save; the last error is left alone.
void ReportSaveFailure(const tstring& sPath) {
    CMutexLock lock(&g_mutex);
    WriteError(kCannotSave, nullptr);
    WriteError(sPath, nullptr);
}

void ReportOpenFailure(const char* sName) {
    CMutexLock lock(&g_mutex);
    WriteError(tstring("Failed Open file ") + sName, nullptr);
}

// Gives the user trie to the main instance and every instance of the table. Caller holds g_mutex
// and the exclusive user-dictionary hold.
void GiveUserDictToInstances(CTrie* pTrie) {
    g_pUserDict = pTrie;
    if (g_pKOVEX) g_pKOVEX->SetUserDict(pTrie);
    for (int i = 0; g_vecKOVEX && i < g_nCopyMemSize; ++i)
        if (g_vecKOVEX[i]) g_vecKOVEX[i]->SetUserDict(pTrie);
}

// Opens an import file: the name as given, else its GBK form when only that exists.
FILE* OpenImportFile(const char* sName) {
    tstring sPath;
    GetAnsiFilename(sName, sPath, false);
    return fopen(sPath.c_str(), "rb");
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

// Reads the next whole line (without its LF) of any length; false at the end.
bool ReadLine(FILE* fp, tstring& sLine) {
    sLine.clear();
    int c;
    bool bAny = false;
    while ((c = fgetc(fp)) != EOF) {
        bAny = true;
        if (c == '\n') return true;
        sLine.push_back(char(c));
    }
    return bAny;
}

// One line of a user-dictionary import: false when it adds no entry.
bool ParseImportLine(tstring sLine, WORD_INFO& entry) {
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
    sWord = kovex::ToGBKByConverter(sWord.c_str());
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
// file), the failing path is reported and false returned.
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

int KOVEX_AddUserWord(const char* sWord) {
    if (!g_bActive) return 0;
    tstring sEntry;
    bool bEmpty = !sWord || !sWord[0];
    bool bRefused = false;
    if (!bEmpty) {
        if (!g_pCodeTranslator) {
            sEntry = sWord;
        } else {
            // Word and tag are converted apart: a character without a GBK form must not turn
            // into a blank that moves the word-tag boundary.
            const tstring sLine(sWord);
            size_t nPos = 0;
            tstring sRawWord, sRawTag;
            if (NextToken(sLine, nPos, sRawWord)) {
                NextToken(sLine, nPos, sRawTag);
                const tstring sGBKWord = kovex::ToGBKByConverter(sRawWord.c_str());
                for (char c : sGBKWord)
                    if (IsBlankByte(c)) bRefused = true;
                sEntry = sGBKWord;
                if (!sRawTag.empty()) sEntry += " " + kovex::ToGBKByConverter(sRawTag.c_str());
            } else {
                sEntry = sLine;
            }
        }
    }
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict) GiveUserDictToInstances(new CTrie());
    if (bEmpty || bRefused) return -1;
    return g_pUserDict->AddTrie(sEntry.c_str());
}

namespace {

// The word of KOVEX_DelUsrWord and the state functions: trailing CR, LF, TAB and blanks removed
// while 2 bytes or more remain, then converted.
tstring TrimmedWord(const char* sWord) {
    tstring s(sWord);
    while (s.size() >= 2 && IsBlankByte(s.back())) s.pop_back();
    return kovex::ToGBKByConverter(s.c_str());
}

}  // namespace

int KOVEX_DelUsrWord(const char* sWord) {
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord);
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict || !g_pKOVEX) return -1;
    return g_pKOVEX->DelUsrWord(sGBK.c_str());
}

int KOVEX_SaveTheUsrDic() {
    if (!g_bActive) return 0;
    CMutexLock saveLock(&g_hUserDictSave);
    std::vector<unsigned char> image;
    int nItems = 0;
    {
        CUserDictReadLock lock;
        if (!g_pUserDict) return 0;
        nItems = g_pUserDict->GetLowerBound();
        if (nItems > 0) image = g_pUserDict->Serialize();
    }
    const tstring sPath = g_sDataPath + "/" + "UserDict.pdat";
    if (nItems == 0 || !WriteFileAtomic(sPath.c_str(), image.data(), image.size())) {
        ReportSaveFailure(sPath);
        return 0;
    }
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

int KOVEX_GetUserWordState(const char* sWord, KOVEX_UserWordState& state) {
    state = KOVEX_UserWordState();
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord);
    CUserDictReadLock lock;
    if (!g_pUserDict) return 0;
    int nHandle = 0;
    char sPOS[40] = {0};
    const int nFreq = g_pUserDict->GetFreq(sGBK.c_str(), nHandle, sPOS);
    if (nFreq < 0) return 0;
    state.bPresent = true;
    state.nFreq = nFreq;
    memcpy(state.sPOS, sPOS, sizeof(state.sPOS));
    state.sPOS[sizeof(state.sPOS) - 1] = 0;
    return 1;
}

int KOVEX_RestoreUserWord(const char* sWord, const KOVEX_UserWordState& state) {
    if (!g_bActive || !sWord) return -1;
    const tstring sGBK = TrimmedWord(sWord);
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!state.bPresent) {
        if (!g_pUserDict) return 0;
        g_pUserDict->DelTrie(sGBK.c_str());
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

int KOVEX_ImportUserDictFiles(const std::vector<std::string>& vecFilenames, bool bOverwite) {
    if (!g_bActive) return 0;
    CMutexLock importLock(&g_hImport);
    std::vector<WORD_INFO> vecEntries;
    const tstring sDictPath = g_sDataPath + "/" + "FieldDict.pdat";
    const tstring sPOSPath = g_sDataPath + "/" + "FieldDict.pos";
    const tstring sListPath = g_sDataPath + "/" + "FieldDict.wordlist";

    // The file entries are read first, so that a set of unopenable files changes nothing.
    std::vector<WORD_INFO> vecFileEntries;
    int nCount = 0;
    bool bAnyOpened = false;
    for (const std::string& sName : vecFilenames) {
        FILE* fp = OpenImportFile(sName.c_str());
        if (!fp) {
            ReportOpenFailure(sName.c_str());
            continue;
        }
        bAnyOpened = true;
        tstring sLine;
        WORD_INFO entry;
        while (ReadLine(fp, sLine)) {
            if (!ParseImportLine(sLine, entry)) continue;
            vecFileEntries.push_back(entry);
            ++nCount;
        }
        fclose(fp);
    }
    if (!bAnyOpened) return 0;

    if (!bOverwite) {
        CWordList storedWords(true, nullptr);
        if (storedWords.Load(sListPath.c_str())) {
            CUserDictReadLock lock;
            if (g_pFieldDict && g_pFieldPOS) {
                const int nItems = int(g_pFieldDict->GetItemCount());
                for (int i = 0; i < nItems; ++i) {
                    WORD_INFO stored;
                    stored.word = storedWords.GetWord(i);
                    stored.store_info = g_pFieldPOS->GetWord(i);
                    vecEntries.push_back(stored);
                }
            }
        }
    }
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
    FILE* fp = OpenImportFile(sFilenameO);
    if (!fp) {
        ReportOpenFailure(sFilenameO);
        return 0;
    }
    std::unique_ptr<CPDAT> pBlack(new CPDAT(0));
    pBlack->AddWordInit();
    int nCount = 0;
    tstring sLine, sWord;
    while (ReadLine(fp, sLine)) {
        size_t nPos = 0;
        if (!NextToken(sLine, nPos, sWord)) continue;
        sWord = kovex::ToGBKByConverter(sWord.c_str());
        if (sWord.empty()) continue;
        pBlack->AddWord(sWord.c_str());
        ++nCount;
    }
    fclose(fp);
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
