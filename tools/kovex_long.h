// The driver's long lines: a line of any length read in parts, converted to GBK, cut into
// pieces and processed through one engine instance, its result written piece by piece and equal
// to the result of the line processed whole (CMainSystem::Process).
//
// Used by one thread at a time, with an instance that thread has claimed; memory follows a piece,
// not the line.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/GBKChar.h"
#include "Utility/LexiconGlobals.h"

namespace kovexlong {

// The largest piece of a long line handed to the engine (GBK bytes), unless no cut lies within it.
const int kPieceBytes = 1 << 20;
// How far before the end of the text read a conversion to GBK is taken as final: more than the
// longest unit of the converter's dictionaries.
const size_t kConvertMargin = 4096;

inline bool IsBreakOrBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The GBK text of one line given in parts, converted part by part as Process converts the line
// whole (g_nEncodeType and g_pCodeTranslator): a part is converted up to a point where the
// conversion of the whole line would give the same bytes on both sides. Under -1 the encoding is
// detected on the first part (the line's first megabyte).
class GBKStream {
public:
    // more(part) replaces part with the next bytes of the line; false at the line's end. It may
    // throw; Next passes that on.
    // nMargin: how far before the end of what was read a conversion is taken as final.
    GBKStream(std::string sFirst, std::function<bool(std::string&)> more, size_t nMargin = kConvertMargin)
        : m_src(std::move(sFirst)), m_more(std::move(more)), m_nMargin(nMargin) {
        if (g_nEncodeType == -1) m_nDetected = CodeTrans_CodeDetect(m_src.data(), int(m_src.size()));
    }
    // Appends more of the GBK text to sOut (possibly nothing); false once all of it was given.
    // Passes on what more throws, and std::bad_alloc.
    bool Next(std::string& sOut) {
        if (m_bDone) return false;
        if (!m_bSrcEnded) {
            if (m_more(m_part)) {
                m_src += m_part;
            } else {
                m_bSrcEnded = true;
            }
        }
        const size_t nTake = m_bSrcEnded ? m_src.size() : SafeEnd();
        if (nTake > 0) {
            Convert(nTake, sOut);
            m_src.erase(0, nTake);
        }
        if (m_bSrcEnded && m_src.empty()) m_bDone = true;
        return true;
    }

    // Whether the text is a conversion in which a caller's "^^" is text, as Process converts
    // it: through a converter of the data folder, or detected as other than GBK.
    bool Converted() const {
        return g_nEncodeType == -1 ? m_nDetected != CODETRANS_GBK : g_pCodeTranslator != nullptr;
    }

private:
    // How many leading bytes of m_src may be converted now.
    size_t SafeEnd() {
        const size_t n = m_src.size();
        if (n <= m_nMargin) return 0;
        if (!MarksUnits()) {
            if (g_nEncodeType != -1) return n;
            if (m_nDetected == CODETRANS_UNICODE) return (n - m_nMargin) & ~size_t(1);
            size_t e = n - m_nMargin;  // a UTF-8 character is never cut
            while (e > 0 && (static_cast<unsigned char>(m_src[e]) & 0xC0) == 0x80) --e;
            return e;
        }
        // The conversion cuts its units by maximum matching (character by character for detected
        // UTF-8): a unit boundary well before the end of what was read is one of the whole line
        // too. It is taken outside the conversion's mark spans (a run of characters without a GBK
        // form is one span, or several of kMarkSpanBlanks, which the line's conversion would
        // write alike), and where no byte-order mark follows (the converter skips one only at
        // the start of a text).
        TrialConversion(true);
        for (size_t g = m_spans.size(); g-- > 1;) {
            const size_t e = size_t(m_spans[g].nFrom);
            if (e + m_nMargin > n || size_t(m_spans[g - 1].nTo) > e || e == 0) continue;
            if (m_src[e] == '^' || m_src[e - 1] == '^') continue;
            if (m_src.compare(e, 3, "\xEF\xBB\xBF") == 0) continue;
            const auto after = std::lower_bound(m_marks.begin(), m_marks.end(), int(g));
            if (after != m_marks.begin() && g < CCodeTran::MarkedSpanEnd(m_trial.c_str(), size_t(*(after - 1))))
                continue;
            m_nTrialGBK = g;
            return e;
        }
        return 0;
    }
    // Whether the conversion goes unit by unit and marks the units without a GBK form, as
    // Process converts the text: through a converter of the data folder, or detected UTF-8.
    bool MarksUnits() const {
        return g_nEncodeType == -1 ? m_nDetected == CODETRANS_UTF8 : g_pCodeTranslator != nullptr;
    }
    // m_src converted into m_trial (MarksUnits), with bSpans the source span of each byte and the
    // offsets of the conversion's opening marks.
    void TrialConversion(bool bSpans) {
        std::vector<CCodeTran::SourceSpan>* pSpans = bSpans ? &m_spans : nullptr;
        std::vector<int>* pMarks = bSpans ? &m_marks : nullptr;
        if (g_nEncodeType == -1)
            CCodeTran::UTF8ToGBKMarked(m_src.c_str(), m_trial, pSpans, pMarks);
        else
            g_pCodeTranslator->CodeToGBK(m_src.c_str(), m_trial, pSpans, pMarks);
    }
    void Convert(size_t nTake, std::string& sOut) {
        if (MarksUnits()) {
            if (nTake == m_src.size()) {
                TrialConversion(false);
                sOut += m_trial;
            } else {
                sOut.append(m_trial, 0, m_nTrialGBK);  // SafeEnd's conversion up to its cut
            }
        } else if (g_nEncodeType == -1) {
            if (m_nDetected != CODETRANS_GBK && m_nDetected != CODETRANS_BIG5 && m_nDetected != CODETRANS_UNICODE)
                return;  // a text not detected is converted to nothing
            std::vector<char> buf(nTake + 2);
            int nDest = 0;
            CodeTrans_ToAnsi(m_nDetected, m_src.data(), int(nTake), buf.data(), nDest);
            sOut.append(buf.data());
        } else {
            sOut.append(m_src, 0, nTake);
        }
    }

    std::string m_src;   // the part of the line read and not yet converted
    std::string m_part;
    std::function<bool(std::string&)> m_more;
    const size_t m_nMargin;
    bool m_bSrcEnded = false, m_bDone = false;
    int m_nDetected = 0;
    tstring m_trial;  // the conversion SafeEnd made, m_nTrialGBK bytes of it before its cut
    size_t m_nTrialGBK = 0;
    std::vector<CCodeTran::SourceSpan> m_spans;
    std::vector<int> m_marks;  // offsets in m_trial of the converter's opening marks
};

// One line of any length through a claimed engine instance, its result written as it comes
// (write(text) false: a write error, errno set). Process's long-text loop is followed: lines
// between CR or LF bytes (white space between them skipped), each cut into pieces where the
// engine says the pieces' results joined are the line's (CMainSystem::PieceEnd, or
// EnglishPieceEnd for a line judged English), each line break written as Process writes it.
// Whether a line is English is judged on the whole of it: when its first two bytes do not
// decide, a line that goes past the first piece is first copied into a temporary file. Memory
// follows a piece (kPieceBytes, more only where a line has no cut within it), not the line.
class LongLine {
public:
    enum Status { kOk, kEngine, kWrite };
    // nPieceBytes: the largest piece handed to the engine (GBK bytes).
    LongLine(CMainSystem& sys, int nTag, GBKStream& gbk, std::function<bool(const char*, size_t)> write,
             int nPieceBytes = kPieceBytes)
        : m_sys(sys), m_nTag(nTag), m_gbk(gbk), m_write(std::move(write)), m_nPieceBytes(nPieceBytes) {}

    // kEngine when the engine failed on a piece, kWrite on a write error; may throw.
    Status Run() {
        for (;;) {
            // White space before a line is skipped.
            for (;;) {
                size_t k = 0;
                while (k < m_pending.size() && IsBreakOrBlank(m_pending[k])) ++k;
                m_pending.erase(0, k);
                if (!m_pending.empty() || !Fill()) break;
            }
            if (m_pending.empty()) return kOk;
            const Status st = RunLine();
            if (st != kOk) return st;
        }
    }

private:
    // More of the GBK text into m_pending; false at its end.
    bool Fill() {
        while (!m_bEnded) {
            const size_t n = m_pending.size();
            if (!m_gbk.Next(m_pending)) m_bEnded = true;
            if (m_pending.size() > n) return true;
        }
        return false;
    }
    // Moves up to nMax bytes of the current line from m_pending into sOut; false (nothing
    // moved) once the line has ended. m_chBreak is then its line break (0 at the text's end).
    bool PullLine(std::string& sOut, size_t nMax) {
        if (m_bLineEnded) return false;
        while (m_pending.empty()) {
            if (!Fill()) {
                m_bLineEnded = true;
                m_chBreak = 0;
                return false;
            }
        }
        const size_t n = std::min(nMax, m_pending.size());
        size_t k = 0;
        while (k < n && m_pending[k] != '\r' && m_pending[k] != '\n') ++k;
        sOut.append(m_pending, 0, k);
        if (k < n) {
            m_bLineEnded = true;
            m_chBreak = m_pending[k];
        }
        m_pending.erase(0, k);
        return k > 0;
    }

    // The line at the start of m_pending (no white space before it).
    Status RunLine() {
        m_bLineEnded = false;
        m_chBreak = 0;
        std::string piece;
        const size_t nWant = size_t(m_nPieceBytes) + CMainSystem::kPieceLookahead;
        while (piece.size() < nWant && PullLine(piece, nWant - piece.size())) {}
        bool bEnglish;
        std::unique_ptr<FILE, int (*)(FILE*)> spool(nullptr, &std::fclose);
        if (m_bLineEnded) {
            bEnglish = ::IsEnglishText(piece.c_str());
        } else if (!MayBeEnglishText(static_cast<unsigned char>(piece[0]), static_cast<unsigned char>(piece[1]))) {
            bEnglish = false;
        } else {
            // The verdict samples the whole line: it is copied to a temporary file first.
            spool.reset(std::tmpfile());
            if (!spool) throw std::runtime_error(std::string("cannot make a temporary file: ") + std::strerror(errno));
            size_t nLen = 0;
            do {
                if (std::fwrite(piece.data(), 1, piece.size(), spool.get()) != piece.size())
                    throw std::runtime_error(std::string("cannot write a temporary file: ") + std::strerror(errno));
                nLen += piece.size();
                piece.clear();
            } while (PullLine(piece, nWant));
            if (std::fflush(spool.get()) != 0)
                throw std::runtime_error(std::string("cannot write a temporary file: ") + std::strerror(errno));
            const int fd = fileno(spool.get());
            bEnglish = IsEnglishTextOf(nLen, [fd](size_t i) {
                unsigned char c = 0;
                return pread(fd, &c, 1, off_t(i)) == 1 ? c : static_cast<unsigned char>(0);
            });
            std::rewind(spool.get());
        }
        // The pieces: more of the line is taken while the piece is short of a piece and the
        // lookahead PieceEnd needs.
        bool bMore = true;
        auto pull = [&](std::string& s, size_t n) {
            if (!spool) return PullLine(s, n);
            const size_t nOld = s.size();
            s.resize(nOld + n);
            const size_t got = std::fread(&s[nOld], 1, n, spool.get());
            s.resize(nOld + got);
            if (got == 0 && std::ferror(spool.get()))
                throw std::runtime_error(std::string("cannot read a temporary file: ") + std::strerror(errno));
            return got > 0;
        };
        int nMax = m_nPieceBytes;
        for (;;) {
            const size_t nFill = size_t(nMax) + CMainSystem::kPieceLookahead;
            while (bMore && piece.size() < nFill) bMore = pull(piece, nFill - piece.size());
            if (piece.empty()) break;
            const int nLen = int(piece.size());
            int c = nLen;
            if (bMore || nLen > nMax) {
                c = bEnglish ? CMainSystem::EnglishPieceEnd(piece.c_str(), nLen, nMax, !bMore)
                             : m_sys.PieceEnd(piece.c_str(), nLen, nMax, !bMore, true, m_gbk.Converted());
                if (c <= 0) {
                    if (bMore) {  // no cut within the piece: a longer one
                        nMax = nMax > INT_MAX / 4 ? INT_MAX / 2 : 2 * nMax;
                        continue;
                    }
                    c = nLen;
                }
            }
            const char chAfter = piece[size_t(c)];
            piece[size_t(c)] = '\0';
            const char* sResult = m_sys.ProcessLinePiece(piece.c_str(), m_nTag, true, bEnglish, m_gbk.Converted());
            piece[size_t(c)] = chAfter;
            if (!sResult) return kEngine;
            if (!m_write(sResult, std::strlen(sResult))) return kWrite;
            piece.erase(0, size_t(c));
            nMax = m_nPieceBytes;
        }
        if (m_chBreak) {
            const char* sBreak = m_sys.LineBreakText(m_chBreak);
            if (!sBreak) return kEngine;
            if (!m_write(sBreak, std::strlen(sBreak))) return kWrite;
        }
        return kOk;
    }

    CMainSystem& m_sys;
    const int m_nTag;
    GBKStream& m_gbk;
    std::function<bool(const char*, size_t)> m_write;
    const int m_nPieceBytes;
    std::string m_pending;  // GBK text not yet taken by a line
    bool m_bEnded = false;  // the GBK text was all given
    bool m_bLineEnded = false;
    char m_chBreak = 0;
};


}  // namespace kovexlong
