// Writes the data files of the dictionary-based code converter (CCodeTran) for encoding codes 1
// to 5 from the built-in conversion tables:
//
//   GBK.pdat, GBK.wordlist      every code page 936 double-byte character, handles in code order
//   GBKA.pdat, GBKA.wordlist    the same content as GBK
//   UTF8.pdat, UTF8.wordlist    the UTF-8 form of each GBK character under the same handle
//   BIG5.pdat, BIG5.wordlist    every BIG5 character with a GBK counterpart; a character that GBK
//                               has keeps the handle of its GBK form
//   UTF2GBK.map, GBK2UTF.map, UTF2GBKA.map, GBKA2UTF.map, GBKA2GBK.map, GBK2GBKA.map
//                               identity maps over the GBK handles
//   BIG2GBK.map                 each BIG5 character to its simplified GBK form (OpenCC t2s; the
//                               character itself when that form is not in GBK)
//   GBK2BIG.map                 each GBK character to the BIG5 code of its traditional form (the
//                               BIG5 column of GBKHanzis); none where the column has none
//
// ASCII stays out of every dictionary: the converter passes unmatched ASCII unchanged. So does the
// one-byte euro sign 0x80 of code page 936: a lone 0x80 would pair with the byte after it when
// the engine walks GBK text two bytes at a time, so the euro sign has no GBK form here and
// converts like any other character without one.
#pragma once

#include <string>

namespace kxcodeset {

// Figures of one run.
struct CodeSetStats {
    int nGBK = 0;      // words of the GBK (and GBKA, UTF8) dictionaries
    int nBig5 = 0;     // words of the BIG5 dictionary
    int nBig2GBK = 0;  // entries of BIG2GBK.map
    int nGBK2Big = 0;  // entries of GBK2BIG.map
};

// Writes the 16 files into the existing directory sDir. False with a message in sError when a
// file cannot be written.
bool WriteCodeSets(const std::string& sDir, std::string& sError, CodeSetStats* pStats = nullptr);

}  // namespace kxcodeset
