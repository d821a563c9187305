// Searches over sorted tables, operations on ascending position lists, typed 8-byte values, and
// sorting and selection helpers. All functions are stateless and thread-safe.
#pragma once

#include <vector>

#include "Utility/Types.h"

// ---- binary searches -----------------------------------------------------------------------------
// Each returns the index of an element equal to the key (whichever the halving meets first among
// equal ones), or -1 when there is none or the table is empty.

// Ascending ints.
int BinarySearch(int nVal, int* nTable, int nTableLen);
// Ascending doubles, exact comparison.
int BinarySearch(double nVal, std::vector<double>& vecTable);
// Strings sorted by strcasecmp; the key is compared with strcasecmp ("ABC" finds "abc").
int BinarySearch(const char* sVal, const char** sTable, int nTableLen);
int BinarySearch(const char* sVal, std::vector<tstring>& vecTable);

// Searches pWordList[nStartPos..nEndPos] (inclusive, sorted by strncmp order) for an entry whose
// first nWordLen bytes equal those of sWord (case-sensitive). On a hit returns, among the hit and
// its neighbours with the same prefix, the one with the shortest string (the first found on a tie,
// looking downwards first). -1 for a NULL table, nStartPos > nEndPos, or no hit.
long BinaryPrefixSearch(const char* sWord, unsigned long nWordLen, const char** pWordList, unsigned long nStartPos,
                        unsigned long nEndPos);

// Length of the longest entry of the sorted pWordList (nListSize entries) that is a prefix of sLine;
// *pRuleId (may be NULL) receives its index. 0 and -1 when nothing matches or the list is empty.
unsigned long MaxMatching(const char* sLine, const char** pWordList, unsigned long nListSize, long* pRuleId);

// Linear searches for an exact match (strcmp / ==).
bool IsExists(const char* sElement, const char** pList, int nSize);
bool IsExists(int id, std::vector<int>& vecList);
// Linear search with filter_data_cmp of the given type; `length` plays no part.
bool IsExists(double* nID, double* pIDList, int nSize, int type, int length);

// Index of the first element not below nDocID in the ascending vecMaxDocID, -1 when all are below.
int LocateIndex(int nDocID, std::vector<int>& vecMaxDocID);

// Index of the largest value (the first on a tie), -1 for an empty vector.
int GetMaxIndex(std::vector<float> vecFloat);

// ---- position lists --------------------------------------------------------------------------------

// Walks the ascending lists together and appends to vecIntersectList (keeping what it holds) each
// element p of vecPrevList for which p + nDist occurs in vecNextList. Returns vecIntersectList's size.
int Intersection(std::vector<int>& vecPrevList, std::vector<int>& vecNextList, int nDist,
                 std::vector<int>& vecIntersectList);

// Removes from the ascending vecListA every element that occurs in the ascending vecListB
// (duplicates in A included), in one pass. True when anything was removed.
bool Not(std::vector<int>& vecListA, std::vector<int>& vecListB);

// ---- typed values --------------------------------------------------------------------------------
// A typed value is one 8-byte cell (passed as double*) holding, by type code: 2 a 32-bit int,
// 3 a 64-bit int, 4 a time (64-bit seconds), 5 a float, 7 a double; any other code a 32-bit int
// (compared as text by the text form of filter_data_cmp). Values sit at offset 0 of the cell.

// Zeroes the cell, then parses pValue (one leading double quote skipped): type 4 with str2time,
// 5 "%f", 7 "%lf", 3 "%lld", others "%d". An empty or NULL text leaves 0.
void str2filter_data(const char* pValue, double* data, int type);

// The reverse: type 4 with time2str, 5 "%f", 7 "%lf", 3 "%lld", others "%d". sValue needs 400
// bytes. Returns sValue.
char* filter_data2str(double* data, char* sValue, int type);

// -1, 0 or 1: types 3 and 4 as 64-bit ints, 5 as floats, 7 as doubles, others as 32-bit ints.
int filter_data_cmp(double* data1, double* data2, int type);

// For types 2, 3, 5 and 7 parses both texts with str2filter_data and compares the cells; for any
// other type (times included) compares the texts with strcmp. -1, 0 or 1.
int filter_data_cmp(const char* data1, const char* data2, int type);

// ---- sorting and selection ---------------------------------------------------------------------------

// A line index and its number, ordered by the number alone.
struct _index_digit {
    int index;
    int digit;
    bool operator<(const _index_digit& other) const { return digit < other.digit; }
};

// Reorders vecLines by ascending number, the number being atoi of the text after the first
// strlen(sPrefix) bytes (0 for a line shorter than the prefix). Equal numbers may change order.
void SortByNumber(std::vector<tstring>& vecLines, const char* sPrefix);

// True when nVal2 / 10 <= nVal1 <= 10 * nVal2 (integer division).
bool IsBalancedValue(unsigned long nVal1, unsigned long nVal2);

// Finds the longest run of consecutive lengths that can be merged: from each start the run grows
// while the next value and the running sum stay below 0x40000000 and, with bBalanced, while the
// next value is below 0x1400000 or balanced against the running sum or the run's smallest value.
// Returns the start of the first longest run and its length in nSize; -1 and 0 for fewer than 2
// values. The search stops once a run reaches the end of the vector.
int MergeSelect(std::vector<unsigned long>& vecLength, int& nSize, bool bBalanced);
