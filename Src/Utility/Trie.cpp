#include "Utility/Trie.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "Utility/ByteIO.h"
#include "Utility/GBKChar.h"

namespace {

// Lines of 1024 bytes or more add nothing; tags must be shorter than 40 bytes.
const size_t kMaxLine = 1024;
const size_t kTagSize = 40;

// Symbol code of the character at s[i] of a NUL-terminated text (as GetCharCode over its whole
// length): two bytes for a lead byte with a trail, else one byte with ASCII capitals folded.
inline unsigned int CodeAt(const unsigned char* s, size_t& i) {
    unsigned char c = s[i];
    if (c >= 0x80 && s[i + 1] != 0) {
        i += 2;
        return c * 256u + s[i - 1];
    }
    ++i;
    return (c >= 'A' && c <= 'Z') ? c + 32u : c;
}

// Ends a stored tag inside its 40 bytes: a tag without a NUL is cut at 39 bytes, on a character
// boundary (a lead byte whose trail would be cut off is dropped too).
void TerminateTag(char* sPos) {
    if (memchr(sPos, 0, kTagSize)) return;
    size_t i = 0;
    while (i < kTagSize - 1) {
        if (static_cast<unsigned char>(sPos[i]) >= 0x80) {
            if (i + 2 > kTagSize - 1) break;
            i += 2;
        } else {
            ++i;
        }
    }
    sPos[i] = 0;
}

}  // namespace

CTrie::CTrie()
    : m_nItemCount(0),
      m_nItemDelNum(0),
      m_pDynamicArry(new CDynamicArry()),
      m_iHeadIndex(-1),
      m_vecFirstCodes(65536 / 64, 0) {
    memset(m_sCurPos, 0, sizeof m_sCurPos);
}

CTrie::~CTrie() {}

// ---- adding and deleting ---------------------------------------------------------------------

int CTrie::AddTrie(const char* sLine, bool bWholeWord) {
    if (!sLine || strlen(sLine) >= kMaxLine) return 1;
    CDynamicArry& a = *m_pDynamicArry;
    if (m_iHeadIndex < 0) {
        int nHead = a.NewElem();
        if (nHead < 0) return 1;
        trie_elem* p;
        a.GetElem(nHead, p);
        memset(p, 0, sizeof *p);
        p->children = -1;
        p->handle = -1;
        p->nextNode = -1;
        m_iHeadIndex = nHead;
    }
    char sWord[kMaxLine] = "";
    char sPOS[kMaxLine] = "";
    if (bWholeWord) {
        strcpy(sWord, sLine);
    } else if (sscanf(sLine, "%1023s %1023s", sWord, sPOS) < 1) {
        sWord[0] = 0;
    }
    if (strlen(sPOS) >= kTagSize) return 1;
    if (sPOS[0] == 0) strcpy(sPOS, "n");
    if (sWord[0] == 0) return 1;
    return BuildTRIE(sWord, sPOS, m_iHeadIndex);
}

int CTrie::BuildTRIE(const char* sWord, const char* sPOS, int iTrieIndex) {
    CDynamicArry& a = *m_pDynamicArry;
    unsigned long len = strlen(sWord);
    int cur = iTrieIndex;
    trie_elem* p;
    for (unsigned long i = 0; i < len;) {
        unsigned int code = GetCharCode(sWord, i, len);
        if (!a.GetElem(cur, p)) return 1;
        int c = p->children, last = -1;
        while (c != -1) {
            trie_elem* e;
            if (!a.GetElem(c, e)) return 1;
            if (e->node == code) break;
            last = c;
            c = e->nextNode;
        }
        if (c == -1) {
            c = a.NewElem();
            if (c < 0) return 1;  // the node store cannot grow
            // Pointers are stale after NewElem: fetch them again.
            trie_elem* e;
            a.GetElem(c, e);
            memset(e, 0, sizeof *e);
            e->node = code;
            e->children = -1;
            e->handle = -1;
            e->nextNode = -1;
            if (cur == m_iHeadIndex) MarkFirstCode(code);
            if (last == -1) {
                a.GetElem(cur, p);
                p->children = c;
            } else {
                trie_elem* q;
                a.GetElem(last, q);
                q->nextNode = c;
            }
            a.GetElem(cur, p);
            ++p->child_count;
        }
        cur = c;
    }
    if (!a.GetElem(cur, p)) return 1;
    // A count or a handle past INT_MAX is refused rather than saturated: two words must never
    // share a handle. The word's path may stay behind as nodes without a word.
    bool bNewHandle = p->freq == 0 || p->handle == -1;
    if (p->freq == INT_MAX || (bNewHandle && m_nItemCount == INT_MAX && m_setFreeHandles.empty())) return 1;
    if (bNewHandle) {
        // A handle given back by TakeBack first, so words that come and go use the same few.
        if (m_setFreeHandles.empty()) {
            p->handle = m_nItemCount++;
        } else {
            p->handle = *m_setFreeHandles.begin();
            m_setFreeHandles.erase(m_setFreeHandles.begin());
        }
    }
    memset(p->sPos, 0, sizeof p->sPos);
    strncpy(p->sPos, sPOS, kTagSize - 1);
    ++p->freq;
    return p->freq < 2 ? 1 : 2;
}

int CTrie::DelTrie(const char* sWord) {
    if (!sWord) return -1;
    int n = FindNode(sWord, strlen(sWord));
    trie_elem* p;
    if (n < 0 || !m_pDynamicArry->GetElem(n, p) || p->handle == -1) return -1;
    int h = p->handle;
    p->handle = -1;
    if (m_nItemDelNum < INT_MAX) ++m_nItemDelNum;  // a statistic only: it may stop at the top
    return h;
}

// ---- taking additions back ------------------------------------------------------------------

namespace {

// A removed node: unlinked, and marked by a child count no linked node (nor a loaded file) has.
const int32_t kRemoved = -1;

bool IsRemoved(const trie_elem& e) { return e.child_count == kRemoved; }

}  // namespace

void CTrie::Prune(const std::vector<int>& vecPath) {
    CDynamicArry& a = *m_pDynamicArry;
    for (size_t k = vecPath.size() - 1; k > 0; --k) {
        trie_elem* p;
        trie_elem* parent;
        if (!a.GetElem(vecPath[k], p) || !a.GetElem(vecPath[k - 1], parent)) return;
        if (p->handle != -1 || p->freq != 0 || p->children != -1) return;
        if (parent->children == vecPath[k]) {
            parent->children = p->nextNode;
        } else {
            trie_elem* q = nullptr;
            for (int c = parent->children; q == nullptr || q->nextNode != vecPath[k]; c = q->nextNode)
                if (c == -1 || !a.GetElem(c, q)) return;
            q->nextNode = p->nextNode;
        }
        if (parent->child_count > 0) --parent->child_count;  // a loaded count may be short
        // Children of the head have distinct codes: the first-character bit is this node's alone.
        if (vecPath[k - 1] == m_iHeadIndex)
            m_vecFirstCodes[(p->node & 0xFFFFu) >> 6] &= ~(uint64_t(1) << (p->node & 63u));
        *p = trie_elem();
        p->child_count = kRemoved;
        p->children = -1;
        p->handle = -1;
        p->nextNode = -1;
        ++m_nDeadNodes;
    }
}

int CTrie::CompactMap(std::vector<int32_t>& vecMap) const {
    int n;
    m_pDynamicArry->GetElemNum(n);
    vecMap.assign(size_t(n), -1);
    int nKept = 0;
    for (int i = 0; i < n; ++i) {
        const trie_elem* p;
        m_pDynamicArry->GetElem(i, p);
        if (!IsRemoved(*p)) vecMap[size_t(i)] = nKept++;
    }
    return nKept;
}

void CTrie::Renumber(trie_elem& e, const std::vector<int32_t>& vecMap) {
    if (e.children != -1) e.children = vecMap[size_t(e.children)];
    if (e.nextNode != -1) e.nextNode = vecMap[size_t(e.nextNode)];
}

void CTrie::ReclaimNodes() {
    CDynamicArry& a = *m_pDynamicArry;
    int n;
    a.GetElemNum(n);
    int nEnd = n;
    trie_elem* p;
    while (nEnd > 0 && a.GetElem(nEnd - 1, p) && IsRemoved(*p)) {
        --nEnd;
        --m_nDeadNodes;
    }
    if (m_nDeadNodes > nEnd - m_nDeadNodes) {
        // Squeezes the removed nodes out, keeping the others in their order (a trie that never
        // lost a node is stored as it was).
        std::vector<int32_t> vecMap;
        try {
            nEnd = CompactMap(vecMap);
        } catch (const std::bad_alloc&) {
            a.Truncate(nEnd);
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (vecMap[size_t(i)] < 0) continue;
            trie_elem* q;
            a.GetElem(i, p);
            a.GetElem(vecMap[size_t(i)], q);
            Renumber(*p, vecMap);
            if (q != p) *q = *p;
        }
        m_iHeadIndex = vecMap[size_t(m_iHeadIndex)];
        m_nDeadNodes = 0;
    }
    if (nEnd < n) a.Truncate(nEnd);
}

void CTrie::ReleaseHandle(int32_t nHandle) {
    m_setFreeHandles.insert(nHandle);
    auto top = m_setFreeHandles.find(m_nItemCount - 1);
    while (m_nItemCount > 1 && top != m_setFreeHandles.end()) {
        m_setFreeHandles.erase(top);
        --m_nItemCount;
        top = m_setFreeHandles.find(m_nItemCount - 1);
    }
}

bool CTrie::HoldsNoWord() const {
    const trie_elem* pHead = nullptr;
    return m_iHeadIndex < 0 || !m_pDynamicArry->GetElem(m_iHeadIndex, pHead) || pHead->children == -1;
}

int CTrie::TakeBack(const char* sWord, const char* sPOS, int nFreq) {
    std::vector<int> vecPath;
    if (!sWord || FindNode(sWord, strlen(sWord), &vecPath) < 0 || vecPath.size() < 2) return -1;
    trie_elem* p;
    if (!m_pDynamicArry->GetElem(vecPath.back(), p)) return -1;
    const int nHandle = p->handle;
    p->handle = -1;
    p->freq = std::max(nFreq, 0);
    memset(p->sPos, 0, sizeof p->sPos);
    if (p->freq > 0 && sPOS) strncpy(p->sPos, sPOS, kTagSize - 1);
    Prune(vecPath);
    ReclaimNodes();
    if (nHandle != -1) ReleaseHandle(nHandle);
    return nHandle;
}

int CTrie::GetEntry(const char* sWord, int& nHandle, char* sPos) const {
    nHandle = -1;
    if (sPos) memset(sPos, 0, kTagSize);
    if (!sWord) return 0;
    int n = FindNode(sWord, strlen(sWord));
    const trie_elem* p;
    if (n < 0 || n == m_iHeadIndex || !m_pDynamicArry->GetElem(n, p)) return 0;
    nHandle = p->handle;
    if (sPos && p->freq > 0) memcpy(sPos, p->sPos, kTagSize);
    return p->freq;
}

bool CTrie::SetWordInfo(const char* sWord, const char* sPOS, int nFreq) {
    if (!sWord || !sPOS) return false;
    int n = FindNode(sWord, strlen(sWord));
    trie_elem* p;
    if (n < 0 || !m_pDynamicArry->GetElem(n, p) || p->handle == -1) return false;
    memset(p->sPos, 0, kTagSize);
    strncpy(p->sPos, sPOS, kTagSize - 1);
    p->freq = nFreq;
    return true;
}

// ---- lookups ---------------------------------------------------------------------------------

int CTrie::FindNode(const char* sWord, unsigned long nLen, std::vector<int>* pPath) const {
    const CDynamicArry& a = *m_pDynamicArry;
    const trie_elem* p;
    int cur = m_iHeadIndex;
    if (!sWord || !a.GetElem(cur, p)) return -1;
    if (pPath) pPath->assign(1, cur);
    for (unsigned long i = 0; i < nLen;) {
        unsigned int code = GetCharCode(sWord, i, nLen);
        int c = p->children;
        const trie_elem* e = nullptr;
        while (c != -1) {
            if (!a.GetElem(c, e)) return -1;
            if (e->node == code) break;
            c = e->nextNode;
        }
        if (c == -1) return -1;
        cur = c;
        p = e;
        if (pPath) pPath->push_back(cur);
    }
    return cur;
}

int CTrie::Find(const char* sWord, unsigned long nLen) const {
    int n = FindNode(sWord, nLen);
    const trie_elem* p;
    if (n < 0 || !m_pDynamicArry->GetElem(n, p)) return -1;
    return p->handle;
}

int CTrie::Find(const char* sWordO) const {
    if (!sWordO || strlen(sWordO) >= kMaxLine) return -1;
    char sWord[kMaxLine];
    if (sscanf(sWordO, "%1023s", sWord) != 1) return -1;
    return Find(sWord, strlen(sWord));
}

int CTrie::LongestMatch(const char* sLine, int* pHandle, char* sPos) const {
    const CDynamicArry& a = *m_pDynamicArry;
    const trie_elem* p;
    if (!pHandle || !a.GetElem(m_iHeadIndex, p)) return -1;
    *pHandle = -1;
    if (!sLine) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t i = 0;
    int nBest = 0;
    if (s[0]) {
        size_t j = 0;
        if (!MayStartWith(CodeAt(s, j))) return 0;
    }
    while (s[i]) {
        unsigned int code = CodeAt(s, i);
        int c = p->children;
        const trie_elem* e = nullptr;
        while (c != -1) {
            if (!a.GetElem(c, e)) return nBest;
            if (e->node == code) break;
            c = e->nextNode;
        }
        if (c == -1) break;
        p = e;
        if (p->handle != -1) {
            nBest = int(i);
            *pHandle = p->handle;
            if (sPos) memcpy(sPos, p->sPos, kTagSize);
        }
    }
    return nBest;
}

int CTrie::GetMaxWord(const char* sLine, int* rtnHandle) { return LongestMatch(sLine, rtnHandle, m_sCurPos); }

void CTrie::GetPos(char* sPos, int nSize) const {
    if (!sPos || nSize <= 0) return;
    size_t n = std::min<size_t>(size_t(nSize), kTagSize);
    memcpy(sPos, m_sCurPos, n);
    if (!memchr(sPos, 0, n)) sPos[n - 1] = 0;
}

int CTrie::FreqOf(const char* sWord, int& nHandle, char* sPos) const {
    nHandle = 0;
    if (!sWord) return -1;
    int n = FindNode(sWord, strlen(sWord));
    const trie_elem* p;
    if (n < 0 || !m_pDynamicArry->GetElem(n, p) || p->handle == -1) return -1;
    nHandle = p->handle;
    if (sPos) memcpy(sPos, p->sPos, kTagSize);
    return p->freq;
}

int CTrie::GetFreq(const char* sWord, int& nHandle) { return FreqOf(sWord, nHandle, m_sCurPos); }

int CTrie::GetFreq(const char* sWord, int& nHandle, char* sPos) const { return FreqOf(sWord, nHandle, sPos); }

// ---- the file --------------------------------------------------------------------------------

std::vector<unsigned char> CTrie::Serialize() const {
    CByteWriter w;
    w.PutI32(m_nItemCount);
    w.PutI32(m_nItemDelNum);
    if (m_nDeadNodes == 0) {
        w.PutI32(m_iHeadIndex);
        m_pDynamicArry->Save(w);
        return std::move(w.Bytes());
    }
    // Removed nodes are left out, as the store holds the others once compacted.
    std::vector<int32_t> vecMap;
    const int nKept = CompactMap(vecMap);
    std::vector<trie_elem> vecNodes;
    vecNodes.reserve(size_t(nKept));
    for (size_t i = 0; i < vecMap.size(); ++i) {
        if (vecMap[i] < 0) continue;
        const trie_elem* p;
        m_pDynamicArry->GetElem(int(i), p);
        vecNodes.push_back(*p);
        Renumber(vecNodes.back(), vecMap);
    }
    w.PutI32(m_iHeadIndex < 0 ? -1 : vecMap[size_t(m_iHeadIndex)]);
    CDynamicArry::SaveBlock(w, vecNodes.data(), nKept, m_pDynamicArry->TotalFor(nKept));
    return std::move(w.Bytes());
}

bool CTrie::Save(const char* sFileName) const {
    if (m_nItemCount == 0) return false;
    return WriteImageAtomic(sFileName, [this] { return Serialize(); });
}

bool CTrie::Parse(const unsigned char* pData, size_t nSize) {
    CByteReader r(pData, nSize);
    int32_t nItems, nDel, nHead;
    if (!r.ReadI32(nItems) || nItems <= 0 || !r.ReadI32(nDel) || nDel < 0 || !r.ReadI32(nHead)) return false;
    std::unique_ptr<CDynamicArry> nodes(new (std::nothrow) CDynamicArry());
    if (!nodes || !nodes->Load(r) || !r.AtEnd()) return false;
    int n;
    nodes->GetElemNum(n);
    if (nHead < -1 || nHead >= n) return false;
    for (int i = 0; i < n; ++i) {
        trie_elem* p;
        nodes->GetElem(i, p);
        bool bLinks = p->children >= -1 && p->children < n && p->nextNode >= -1 && p->nextNode < n;
        if (!bLinks || p->child_count < 0 || p->child_count > n || p->freq < 0) return false;
        TerminateTag(p->sPos);
    }
    // Every node reachable from the head must be reached once: no cycle in a sibling chain or
    // through the children, which would hang lookups and the export.
    if (nHead >= 0) {
        std::vector<bool> visited(size_t(n), false);
        std::vector<int> stack(1, nHead);
        while (!stack.empty()) {
            int i = stack.back();
            stack.pop_back();
            if (visited[size_t(i)]) return false;
            visited[size_t(i)] = true;
            const trie_elem* p;
            nodes->GetElem(i, p);
            if (p->children != -1) stack.push_back(p->children);
            if (p->nextNode != -1) stack.push_back(p->nextNode);
        }
    }
    std::vector<uint64_t> vecFirst(65536 / 64, 0);
    if (nHead >= 0) {
        const trie_elem* p;
        nodes->GetElem(nHead, p);
        for (int c = p->children; c != -1; c = p->nextNode) {
            nodes->GetElem(c, p);
            vecFirst[(p->node & 0xFFFFu) >> 6] |= uint64_t(1) << (p->node & 63u);
        }
    }
    m_nItemCount = nItems;
    m_nItemDelNum = nDel;
    m_iHeadIndex = nHead;
    m_pDynamicArry.swap(nodes);
    m_vecFirstCodes.swap(vecFirst);
    m_nDeadNodes = 0;
    m_setFreeHandles.clear();
    return true;
}

bool CTrie::Load(const char* sFileName) {
    std::vector<unsigned char> bytes;
    if (!sFileName || !ReadFileBytes(sFileName, bytes)) return false;
    try {
        return Parse(bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---- offline import and export ---------------------------------------------------------------

int CTrie::Import(const char* sFilename, CPDAT* /*pCoreDict*/) {
    FILE* fp = sFilename ? fopen(sFilename, "rb") : nullptr;
    if (!fp) return m_nItemCount;
    m_nItemCount = 0;
    char sLine[3072];
    while (fgets(sLine, sizeof sLine, fp)) {
        char sToken[3072];
        if (sscanf(sLine, "%3071s", sToken) != 1 || sToken[0] == 0) continue;
        if (Find(sToken) == -1) AddTrie(sToken, false);
    }
    fclose(fp);
    return m_nItemCount;
}

bool CTrie::Export(const char* sFile) const {
    const CDynamicArry& a = *m_pDynamicArry;
    const trie_elem* p;
    if (!sFile || m_nItemCount == 0 || !a.GetElem(m_iHeadIndex, p)) return false;
    CAtomicFile file;
    if (!file.Open(sFile, true)) return false;
    // Depth first without recursion: a node's word, then its children, then its next sibling.
    std::string sWord;
    std::vector<std::pair<int, size_t>> stack;  // (node, length of its parent's word)
    if (p->children != -1) stack.emplace_back(p->children, 0);
    while (!stack.empty()) {
        int i = stack.back().first;
        sWord.resize(stack.back().second);
        stack.pop_back();
        const trie_elem* e;
        if (!a.GetElem(i, e)) continue;
        if (e->node >= 256) sWord.push_back(char(e->node / 256));
        sWord.push_back(char(e->node % 256));
        if (e->handle != -1) file.Write(sWord + "\t" + std::string(e->sPos, strnlen(e->sPos, kTagSize)) + "\n");
        if (e->nextNode != -1) stack.emplace_back(e->nextNode, sWord.size() - (e->node >= 256 ? 2 : 1));
        if (e->children != -1) stack.emplace_back(e->children, sWord.size());
    }
    return file.Commit();
}
