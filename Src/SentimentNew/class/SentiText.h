// Text services of object requests and result documents: the character walk shared with the
// sentence cutter, trimming and refusing request words, ASCII folding of map keys, the sanitizer
// that keeps every document text well-formed XML in its declared encoding, and the two-decimal
// numbers of the documents.
//
// All functions are stateless (the code page 936 table they read is built once, thread-safely)
// and touch only their arguments.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "SentimentNew/class/Sentiment.h"
#include "Utility/Types.h"

class CCodeTran;

// Length of the character at s[i] (i below s.size()) in the working encoding. UTF-8: a well-formed
// character, or 1 for a byte that starts none. GBK and BIG5: a byte of 0x80 or above takes the next
// byte as its trail when that can be a trail byte (0x40 or above), else stands alone; a byte below
// 0x80 stands alone.
size_t SentiCharLength(SentiEncoding enc, const tstring& s, size_t i);

// Adds a GBK punctuation literal (NUL-terminated) to `list` in the working encoding: GBK keeps it,
// UTF-8 and BIG5 take its form in the built-in tables (ASCII stays itself). UTF-8 leaves out a
// literal without a UTF-8 form there (the quotation marks and the ellipsis): kept in GBK it would
// match the middle of UTF-8 characters. BIG5 keeps such a literal in GBK.
void AddWorkingLiteral(std::vector<tstring>& list, const char* gbk, SentiEncoding enc);

// Whether a unit of the engine's tagged text is clause punctuation, which ends a pending negation:
// its text (the whole unit, or what stands before its first "/") is made of the marks ， , 、 ；
// ; ： : 。 ． . ！ ! ？ ? … and line breaks (CR, LF) only, the marks in the working encoding as
// AddWorkingLiteral gives them (so in UTF-8 the ellipsis is none). The text decides, not the
// tag: sentence-end marks and line breaks come without one. False for an empty text. Thread-safe.
bool IsClauseMark(const tstring& unit, SentiEncoding enc);

// The text with the ASCII capitals of its single-byte characters turned into small letters,
// walking whole characters, so that GBK and BIG5 trail bytes in 0x41-0x5A stay as they are.
tstring FoldAscii(const tstring& s, SentiEncoding enc);

// A word of a request made safe to hand to the engine: blanks, TABs, CRs and LFs trimmed at both
// ends. False (sWord then empty) when nothing is left, or when the trimmed word still holds a
// blank, TAB, CR, LF, VT or FF, or "/" (a word holding them would split or retag the engine's
// "word tag" line or its "word/tag" output).
bool CleanRequestWord(const tstring& sRaw, tstring& sWord);

// The pieces of a "|"-separated list, each cleaned as above; empty and refused pieces dropped, the
// others kept in list order (duplicates included).
std::vector<tstring> CleanWordList(const tstring& sList);

// A text made fit for a document declared in `enc`: C0 control bytes other than TAB, LF and CR
// are removed, and every byte that does not start a character of the declared encoding becomes
// "?". UTF-8 keeps well-formed scalar values except U+FFFE and U+FFFF (each such character becomes
// one "?"; each byte of an ill-formed sequence one "?"). GBK keeps the two-byte pairs that code
// page 936 maps. BIG5 keeps the pairs that pBig5's code dictionary holds, or, without a converter,
// the pairs of the BIG5 ranges (lead A1-F9, trail 40-7E or A1-FE). Any other byte of 0x80 or above
// becomes "?" and the walk goes on at the next byte. A text already fit comes back unchanged.
tstring SanitizeDocumentText(const tstring& s, SentiEncoding enc, const CCodeTran* pBig5);

// Writes a text that arrives in pieces as the content of a CDATA section of a document declared
// in `enc`: the bytes handed to `out`, joined, are SanitizeDocumentText of the whole text with each
// "]]>" written as "]]]]><![CDATA[>" (the section closed after "]]" and a new one opened for the
// ">"). A character cut at a piece's end waits for the next piece; Finish hands out the rest.
// Holds a few kilobytes whatever the text's length. One writer per text; not shared between
// threads.
class CdataTextWriter {
public:
    typedef std::function<void(const char*, size_t)> Sink;
    // pBig5 as for SanitizeDocumentText; `out` must outlive the writer.
    CdataTextWriter(SentiEncoding enc, const CCodeTran* pBig5, const Sink& out)
        : m_enc(enc), m_pBig5(pBig5), m_out(out) {}
    void Feed(const char* p, size_t n);
    void Feed(const tstring& s) { Feed(s.data(), s.size()); }
    void Finish();

private:
    static constexpr size_t kBatch = 16384;
    void Flush(bool bFinal);

    const SentiEncoding m_enc;
    const CCodeTran* const m_pBig5;
    const Sink& m_out;
    tstring m_sPending;  // read, not yet sanitized
    tstring m_sOut;      // sanitized, being handed out
    int m_nBrackets = 0; // "]" at the end of what was handed out (at most 2 counted)
};

// A text kept in chunks of a fixed size, so that appending never copies what is held and a long
// text costs its own length plus at most one chunk. Each chunk is a mapping of its own, given
// back to the system as soon as it is freed (heap blocks would stay with the process and keep a
// long text's memory after the text has been copied out). Appending throws std::bad_alloc when
// no chunk can be mapped. Not shared between threads.
class ChunkedText {
public:
    ChunkedText() = default;
    ChunkedText(const ChunkedText&) = delete;
    ChunkedText& operator=(const ChunkedText&) = delete;

    void Append(const char* p, size_t n);
    size_t size() const { return m_nSize; }
    // Copies the text to dst (room for size() bytes), freeing each chunk once copied; the text is
    // empty afterwards.
    void MoveTo(char* dst);
    // Appends the text to out, freeing each chunk once copied; the text is empty afterwards.
    void MoveTo(tstring& out);

private:
    static constexpr size_t kChunk = size_t(1) << 20;
    struct Unmap {
        void operator()(char* p) const;
    };
    std::vector<std::unique_ptr<char, Unmap>> m_chunks;
    size_t m_nSize = 0;
    size_t m_nLastUsed = 0;  // bytes used in the last chunk
};

// The single-text result document (Sentiment::SentenceDocument) is the head, its clue's CDATA
// content (CdataTextWriter) and the tail. The head: the declaration naming `enc`, the root
// "QVSentiment-Result", a "result" with "polarity" (neg + pos), "positivepoint" and
// "negativepoint" (FormatPoint), one element a line, indented by TABs, and the opening of
// "contentsentenceclue" with its CDATA section.
tstring SentenceDocumentHead(SentiEncoding enc, double pos, double neg);
// The tail: the end of the CDATA section and of the open elements, each line ending in "\n".
extern const char kSentenceDocumentTail[];

// a + b held within the finite doubles: a sum beyond them gives the largest finite value of its
// sign, so that points summed over many words and sentences stay numbers (a and b finite).
double SumPoints(double a, double b);

// The point of a text: (pos + neg) / (pos - neg) for a positive point pos and a negative point
// neg (0 or below), within -1 and 1 however large the points are; 0 when both are 0.
double SentimentPoint(double pos, double neg);

// A number as printf's "%.2f" writes it in the "C" locale, whatever locale the host installed
// (1 gives "1.00", -0.5 "-0.50", -0.001 "-0.00").
tstring FormatPoint(double value);

// A caller's text under automatic detection (-1) in UTF-8: UTF-8 and text without a byte of 0x80
// or above kept; text detected as GBK or BIG5 converted from GBK; anything else (UTF-16, not
// detected) gives "".
tstring DetectedToUtf8(const tstring& s);
