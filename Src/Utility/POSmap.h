// Tag-set maps: the names of the tags of one tag set, numbered by their order in a text file.
//
// Text file (".map"): one tag per line, the name being the line's first white-space-delimited
// token (the rest of the line is free for comments). The first tag line is id 0; a line without
// a token takes no id. At most 255 tags (id 255 means "no tag"); names compare without regard to
// ASCII letter case.
#pragma once

#include <cstddef>
#include <memory>

#include "Utility/Types.h"

class CPOSmap {
public:
    // Longest stored name; longer first tokens are cut, so GetPOS(id, buffer) copies at most
    // kMaxName + 1 bytes.
    static constexpr size_t kMaxName = 39;
    static constexpr int kMaxTags = 255;

    CPOSmap();
    virtual ~CPOSmap();
    CPOSmap(const CPOSmap&) = delete;
    CPOSmap& operator=(const CPOSmap&) = delete;

    // Loads a tag-set file. False for a null path or anything that is not a readable regular
    // file (a directory is refused), keeping the current names. Lines of any length are read;
    // names are cut to 39 bytes; tags after the 255th are dropped with one log line.
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers; never fails.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // Id of the first tag whose name equals sPOS (ASCII case-insensitively); 255 for a null or
    // empty name or a name the set does not hold.
    tuchar GetID(const char* sPOS) const;
    // Name of a tag id; the default "n" for an id the set does not hold. The text belongs to the
    // map and lives until the next Load.
    const char* GetPOS(tuchar nID) const;
    // Copies the same name into sPOS (room for 40 bytes); true when the id was found, false when
    // the default was copied.
    bool GetPOS(tuchar nID, char* sPOS) const;
    tuchar GetItemCount() const { return m_nItemCount; }

private:
    // Slot of a name in m_pIndex: a hash of its letters folded to lower case; *pLen gets its
    // length (stopping after kMaxName + 1 bytes).
    static size_t IndexSlot(const char* sName, size_t* pLen);

    // Name index: open addressing over 512 slots, each the id (255 = empty) of the first tag of
    // a case-folded name, so that GetID compares one or two names instead of every name.
    static constexpr size_t kIndexSlots = 512;
    tuchar m_pIndex[kIndexSlots];
    std::unique_ptr<tstring[]> m_pData;  // tag name of id 0, 1, ...; null before the first load
    char m_pDefaultPos[100];             // the default tag name, "n"
    tuchar m_nItemCount = 0;             // number of tags
};
