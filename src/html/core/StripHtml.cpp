// SPDX-License-Identifier: GPL-3.0-or-later
// The HTML tag stripper: one left-to-right pass over the text, held one element per character
// or as UTF-8 or Windows-1252 bytes. Kept in one file, longer than most: the pass, its table-row
// lookahead and its output sinks are templates over the text's form, instantiated only here, and
// share the span helpers.
#include "html/core/StripHtml.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "common/core/AtomicFileWriter.h"
#include "common/core/TextDecoding.h"
#include "common/core/Windows1252.h"
#include "html/core/HtmlInput.h"

namespace HtmlTools {
namespace {

constexpr char32_t kBullet = 0x2022;
constexpr std::size_t kWrapColumn = 75;
// A table row is laid out on one line when its cells hold fewer characters than this.
constexpr unsigned kCompactRowLimit = 65;
// The piece of output handed to a writer at a time.
constexpr std::size_t kOutputChunk = std::size_t(1) << 18;

inline char32_t upperAscii(char32_t c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// A stretch of the text: a tag name, a raw tag. The text is held one element per character:
// UTF-16 when it has no character outside the Basic Multilingual Plane, else code points.
template <class Char>
struct Span {
    const Char* p;
    std::size_t n;
};

// Tag names compare without regard to letter case; `lit` is upper-case ASCII.
template <class Char>
bool equalsNoCase(Span<Char> s, std::string_view lit) {
    if (s.n != lit.size()) return false;
    for (std::size_t k = 0; k < s.n; ++k)
        if (upperAscii(s.p[k]) != char32_t(lit[k])) return false;
    return true;
}

template <class Char>
bool beginsNoCase(Span<Char> s, std::string_view lit) {
    if (s.n < lit.size()) return false;
    for (std::size_t k = 0; k < lit.size(); ++k)
        if (upperAscii(s.p[k]) != char32_t(lit[k])) return false;
    return true;
}

// The tag `lit` bare or with attributes: exactly `lit`, or `lit` followed by a space.
template <class Char>
bool isTag(Span<Char> s, std::string_view lit) {
    if (s.n == lit.size()) return equalsNoCase(s, lit);
    return s.n > lit.size() && s.p[lit.size()] == ' ' && beginsNoCase(s, lit);
}

// Whether `s` with its spaces removed begins with `lit`.
template <class Char>
bool beginsNoCaseNoSpaces(Span<Char> s, std::string_view lit) {
    std::size_t matched = 0;
    for (std::size_t k = 0; k < s.n && matched < lit.size(); ++k) {
        if (s.p[k] == ' ') continue;
        if (upperAscii(s.p[k]) != char32_t(lit[matched])) return false;
        ++matched;
    }
    return matched == lit.size();
}

// Whether `s` with its spaces removed is exactly `lit`.
template <class Char>
bool equalsNoCaseNoSpaces(Span<Char> s, std::string_view lit) {
    std::size_t matched = 0;
    for (std::size_t k = 0; k < s.n; ++k) {
        if (s.p[k] == ' ') continue;
        if (matched == lit.size() || upperAscii(s.p[k]) != char32_t(lit[matched])) return false;
        ++matched;
    }
    return matched == lit.size();
}

// The forms of text the pass reads. Every character that a rule looks at is ASCII, so the pass
// may read bytes: UTF-8 never uses an ASCII byte inside a longer character, and Windows-1252 has
// one byte per character. A form says where characters begin, how many a stretch holds (the
// rules count characters: columns, the row limit, the reference window), how to read a
// reference name as code points and how to copy a stretch to the output.
template <class C>
struct OneUnitPerCharacter {
    using Char = C;
    static bool starts(Char) { return true; }
    static std::size_t count(const Char*, std::size_t n) { return n; }
    static std::size_t lastStart(const Char*, std::size_t n) { return n - 1; }
    static std::size_t codePoints(const Char* p, std::size_t n, char32_t* out) {
        std::copy(p, p + n, out);
        return n;
    }
    template <class Sink>
    static void put(Sink& sink, const Char* p, std::size_t n) {
        sink.putRun(p, n);
    }
};

// Valid UTF-8 (checked before the pass).
struct Utf8Bytes {
    using Char = unsigned char;
    static bool starts(Char c) { return (c & 0xC0) != 0x80; }
    static std::size_t count(const Char* p, std::size_t n) {
        // Characters are the bytes that are not continuation bytes (10xxxxxx).
        constexpr std::uint64_t kHigh = 0x8080808080808080ull;
        std::size_t continuations = 0, k = 0;
        for (; k + 8 <= n; k += 8) {
            std::uint64_t w;
            std::memcpy(&w, p + k, 8);
            if (!(w & kHigh)) continue;
            continuations += std::size_t(__builtin_popcountll(w & ~(w << 1) & kHigh));
        }
        for (; k < n; ++k) continuations += !starts(p[k]);
        return n - continuations;
    }
    static std::size_t lastStart(const Char* p, std::size_t n) {
        std::size_t k = n - 1;
        while (k > 0 && !starts(p[k])) --k;
        return k;
    }
    static std::size_t codePoints(const Char* p, std::size_t n, char32_t* out) {
        std::size_t o = 0;
        for (std::size_t k = 0; k < n;) {
            const Char b = p[k];
            const int length = b < 0xE0 ? (b < 0x80 ? 1 : 2) : (b < 0xF0 ? 3 : 4);
            char32_t c = length == 1 ? b : b & (0x7F >> length);
            for (int m = 1; m < length; ++m) c = c << 6 | (p[k + std::size_t(m)] & 0x3F);
            out[o++] = c;
            k += std::size_t(length);
        }
        return o;
    }
    template <class Sink>
    static void put(Sink& sink, const Char* p, std::size_t n) {
        sink.putUtf8(p, n);
    }
};

struct Windows1252Bytes : OneUnitPerCharacter<unsigned char> {
    static std::size_t codePoints(const Char* p, std::size_t n, char32_t* out) {
        for (std::size_t k = 0; k < n; ++k) out[k] = Windows1252::toUnicode(p[k]);
        return n;
    }
    template <class Sink>
    static void put(Sink& sink, const Char* p, std::size_t n) {
        sink.putWindows1252(p, n);
    }
};

// Characters that the main pass copies through without a rule of their own.
inline bool isPlain(char32_t c) {
    return c > ' ' && c != '<' && c != '&' && c != '-';
}

// The end of the run of plain characters from `k` on.
template <class Char>
std::size_t plainEnd(const Char* t, std::size_t k, std::size_t n) {
    while (k < n && isPlain(t[k])) ++k;
    return k;
}

// Over bytes, eight at a time: each test below flags the bytes it matches in their top bit.
// A test may also flag bytes above (later than) a true match, never below, so the lowest flag
// is the first byte that ends the run.
inline std::size_t plainEnd(const unsigned char* t, std::size_t k, std::size_t n) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = kOnes << 7;
    const auto below = [](std::uint64_t w, unsigned char limit) {
        return (w - kOnes * limit) & ~w & kHigh;
    };
    const auto equal = [&](std::uint64_t w, char c) {
        return below(w ^ (kOnes * static_cast<unsigned char>(c)), 1);
    };
    for (; k + 8 <= n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, t + k, 8);
        const std::uint64_t ends =
            below(w, ' ' + 1) | equal(w, '<') | equal(w, '&') | equal(w, '-');
        if (ends) return k + std::size_t(__builtin_ctzll(ends)) / 8;
    }
    while (k < n && isPlain(t[k])) ++k;
    return k;
}

// The first position in [from, to) that holds `c`, or `to`.
template <class Char>
std::size_t findChar(const Char* t, std::size_t from, std::size_t to, char c) {
    if (from >= to) return to;
    if constexpr (sizeof(Char) == 1) {
        const void* at = std::memchr(t + from, c, to - from);
        return at ? std::size_t(static_cast<const Char*>(at) - t) : to;
    } else {
        return std::size_t(std::find(t + from, t + to, Char(c)) - t);
    }
}

// Which of the tags that the row look-ahead acts on a raw tag is.
enum class RowTag { Other, RowEnd, Table, Cell };

template <class Char>
RowTag classifyRowTag(Span<Char> tag) {
    if (equalsNoCase(tag, "/TR") || equalsNoCase(tag, "/TABLE")) return RowTag::RowEnd;
    if (isTag(tag, "TABLE")) return RowTag::Table;
    if (isTag(tag, "TD") || isTag(tag, "TH")) return RowTag::Cell;
    return RowTag::Other;
}

// A tag inside a cell that makes its row span lines.
template <class Char>
bool isLineBreakingCellTag(Span<Char> tag) {
    return isTag(tag, "P") || isTag(tag, "BR");
}

// The row look-ahead: whether the row that a TR tag opens fits on one line. It reads the row's
// tags and counts the characters of its cells (outside tags) up to "/TR" or "/TABLE"; a TABLE
// tag between the cells, a P or BR in a cell, 65 characters or more, or the end of the text make
// it not compact.
//
// Rows of a well-formed table are read once each. When rows are left open, the look-ahead of
// one row reads on into the next rows, and the next row's look-ahead reads them again; once that
// rereading adds up, the answers for all the rest of the text are worked out in one backward
// sweep, so the pass stays linear whatever the markup.
template <class Text>
class RowLookahead {
    using Char = typename Text::Char;

  public:
    // `last` is where the text's last character begins.
    RowLookahead(const Char* text, std::size_t size, std::size_t last)
        : t_(text), n_(size), last_(last) {}

    // `start` is the position after the TR tag's ">"; it grows from call to call.
    bool compact(std::size_t start) {
        // Reading rows again now and then costs little; once the rereading adds up to more
        // than twice the text passed so far, sweep instead.
        if (!swept_ && reread_ > 2 * start + kRereadAllowance) sweep(start);
        if (swept_) return lookup(start);
        if (start <= frontier_) reread_ += frontier_ - start;
        return scan(start);
    }

  private:
    // A row result: the characters counted up to "/TR" or "/TABLE" (saturated at the limit),
    // or kNotCompact for every other way the look-ahead ends.
    static constexpr std::uint8_t kNotCompact = 255;
    static constexpr std::size_t kRereadAllowance = 4096;

    // The look-ahead as written: tag by tag, counting cell characters, stopping as soon as
    // the row can no longer be compact.
    bool scan(std::size_t j) {
        const std::size_t last = last_;
        unsigned count = 0;
        auto done = [&](std::size_t at, bool compact) {
            frontier_ = std::max(frontier_, at);
            return compact;
        };
        // Reads the tag whose "<" is at j; leaves j on its ">". False when the text runs out.
        auto readTag = [&](std::size_t& j, Span<Char>& tag) {
            const std::size_t open = j;
            j = findChar(t_, j + 1, last, '>');
            if (j >= last) return false;
            tag = Span<Char>{t_ + open + 1, j - open - 1};
            return true;
        };
        for (;;) {
            // Outside the cells: skip to the next tag.
            if (j >= last || t_[j] != '<') {
                j = findChar(t_, j, last, '<');
                if (j >= last) return done(j, false);
            }
            Span<Char> tag{};
            if (!readTag(j, tag)) return done(j, false);
            const RowTag kind = classifyRowTag(tag);
            if (kind == RowTag::RowEnd) return done(j, count < kCompactRowLimit);
            if (kind == RowTag::Table) return done(j, false);
            ++j;
            if (kind != RowTag::Cell) continue;
            // Inside a cell: count characters until "/TD"; a P or BR ends the look-ahead.
            // The characters before the next tag are counted together; no more than four
            // elements a character are looked at past the limit.
            for (;;) {
                const std::size_t stop = std::min(last, j + 4 * std::size_t(kCompactRowLimit));
                const std::size_t next = findChar(t_, j, stop, '<');
                count += unsigned(Text::count(t_ + j, next - j));
                if (count >= kCompactRowLimit) return done(next, false);
                j = next;
                if (j >= last) return done(j, false);
                if (t_[j] != '<') continue;
                if (!readTag(j, tag)) return done(j, false);
                if (equalsNoCaseNoSpaces(tag, "/TD")) {
                    ++j;
                    break;
                }
                if (isLineBreakingCellTag(tag)) return done(j, false);
                ++j;
            }
        }
    }

    // Works out, for every tag from `base` on, how the look-ahead ends when it reaches that
    // tag outside a cell and inside one: each tag's answer follows from the answer of the tag
    // after it, so one sweep from the end of the text back to `base` gives them all.
    //
    // Gaps between tags are counted in characters: `starts` counts the characters that begin
    // after the current position, and each "<" and ">" keeps the count from its own place.
    void sweep(std::size_t base) {
        swept_ = true;
        const std::size_t last = last_;
        std::size_t starts = 0;
        bool haveGt = false;         // a ">" after the current position
        std::size_t gt = 0;          // the nearest one
        std::size_t gtAfter = 0;     // characters after it
        bool gtHasNext = false;      // a "<" after that ">"
        std::size_t gtNextFrom = 0;  // characters from the nearest one on, and its answers
        std::uint8_t gtNextOut = kNotCompact, gtNextCell = kNotCompact;
        bool haveTag = false;  // the nearest "<" after the current position, and its answers
        std::size_t tagFrom = 0;
        std::uint8_t tagOut = kNotCompact, tagCell = kNotCompact;

        auto addCount = [](std::size_t gap, std::uint8_t next) -> std::uint8_t {
            if (next == kNotCompact) return kNotCompact;
            return std::uint8_t(std::min<std::size_t>(gap + next, kCompactRowLimit));
        };

        for (std::size_t x = n_; x-- > base;) {
            const char32_t c = t_[x];
            if (c == '<') {
                std::uint8_t out = kNotCompact, cell = kNotCompact;
                // The tag ends at the first ">" after it, which must come before the last
                // character of the text.
                if (haveGt && gt < last) {
                    const Span<Char> tag{t_ + x + 1, gt - x - 1};
                    const std::size_t gap = gtHasNext ? gtAfter - gtNextFrom : 0;
                    switch (classifyRowTag(tag)) {
                        case RowTag::RowEnd:
                            out = 0;
                            break;
                        case RowTag::Table:
                            break;
                        case RowTag::Cell:
                            if (gtHasNext) out = addCount(gap, gtNextCell);
                            break;
                        case RowTag::Other:
                            if (gtHasNext) out = gtNextOut;
                            break;
                    }
                    if (isCellEnd(x + 1, gt)) {
                        if (gtHasNext) cell = gtNextOut;
                    } else if (!isLineBreakingCellTag(tag) && gtHasNext) {
                        cell = addCount(gap, gtNextCell);
                    }
                }
                answers_.push_back(out);
                haveTag = true;
                tagFrom = starts + 1;
                tagOut = out;
                tagCell = cell;
            } else if (c == '>') {
                haveGt = true;
                gt = x;
                gtAfter = starts;
                gtHasNext = haveTag;
                gtNextFrom = tagFrom;
                gtNextOut = tagOut;
                gtNextCell = tagCell;
            }
            starts += Text::starts(t_[x]);
        }
        std::reverse(answers_.begin(), answers_.end());
        counted_ = base;
    }

    // Whether the tag between `from` and its ">" at `gt` is "/TD" once its spaces are removed.
    // It reads at most four characters other than spaces, so a long run of spaces is read for
    // a few tags at most.
    bool isCellEnd(std::size_t from, std::size_t gt) const {
        static constexpr char32_t kCellEnd[] = {'/', 'T', 'D', '>'};
        std::size_t k = from;
        for (char32_t expected : kCellEnd) {
            while (t_[k] == ' ') ++k;
            if (upperAscii(t_[k]) != expected) return false;
            ++k;
        }
        return k == gt + 1;
    }

    bool lookup(std::size_t j) {
        // The look-ahead starts at the first "<" from j on, outside a cell.
        const std::size_t last = last_;
        while (t_[j] != '<') {
            if (j >= last) return false;
            ++j;
        }
        // Its answer is the one of the tags counted from the sweep's start.
        for (; counted_ < j; ++counted_)
            if (t_[counted_] == '<') ++cursor_;
        return answers_[cursor_] < kCompactRowLimit;
    }

    const Char* t_;
    std::size_t n_;
    std::size_t last_;
    std::size_t frontier_ = 0;           // the furthest position a look-ahead reached
    std::size_t reread_ = 0;             // characters that look-aheads read more than once
    bool swept_ = false;                 // the answers below are in use
    std::vector<std::uint8_t> answers_;  // for every "<" from the sweep's start, in order
    std::size_t counted_ = 0;            // the tags before this position ...
    std::size_t cursor_ = 0;             // ... number this many
};

// Output as UTF-16, in a QString grown by half again whenever it is full. The writers work on
// local pointers: stores through them could otherwise alias the sink's own fields.
class Utf16Sink {
  public:
    Utf16Sink(QString& s, std::size_t expected) : s_(s) { reserve(expected + 64); }

    void put(char32_t c) {
        if (size_ + 2 > cap_) reserve(size_ + 2);
        size_ = std::size_t(encode(data_ + size_, c) - data_);
    }
    void putAscii(std::string_view s) {
        if (size_ + s.size() > cap_) reserve(size_ + s.size());
        char16_t* o = data_ + size_;
        for (char c : s) *o++ = char16_t(c);
        size_ = std::size_t(o - data_);
    }
    template <class Char>
    void putRun(const Char* p, std::size_t n) {
        if (size_ + 2 * n > cap_) reserve(size_ + 2 * n);
        char16_t* o = data_ + size_;
        for (const Char* end = p + n; p != end; ++p) {
            const char32_t c = *p;
            if (c <= 0xFFFF)
                *o++ = char16_t(c);
            else
                o = encode(o, c);
        }
        size_ = std::size_t(o - data_);
    }
    // Sets the string's length; the spare capacity stays (the result is short-lived, and
    // trimming would copy it).
    void finish() { s_.resize(qsizetype(size_)); }

  private:
    static char16_t* encode(char16_t* o, char32_t c) {
        if (c <= 0xFFFF) {
            *o++ = char16_t(c);
        } else if (c <= 0x10FFFF) {
            *o++ = char16_t(0xD7C0 + (c >> 10));
            *o++ = char16_t(0xDC00 | (c & 0x3FF));
        } else {
            *o++ = 0xFFFD;
        }
        return o;
    }
    void reserve(std::size_t need) {
        cap_ = std::max(need, cap_ + cap_ / 2);
        s_.resize(qsizetype(cap_));
        data_ = reinterpret_cast<char16_t*>(s_.data());
    }

    QString& s_;
    char16_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
};

// Output as UTF-8, in a QByteArray grown the same way; or, given a writer, in a buffer of
// kOutputChunk bytes handed to the writer whenever it fills, so that the result is never held
// whole. After a failed write the rest of the output is dropped.
class Utf8Sink {
  public:
    Utf8Sink(QByteArray& s, std::size_t expected, const Utf8Writer* writer = nullptr)
        : s_(s), writer_(writer) {
        reserve(writer ? kOutputChunk : expected + 64);
    }

    void put(char32_t c) {
        room(4);
        size_ = std::size_t(encode(data_ + size_, c) - data_);
    }
    void putAscii(std::string_view s) {
        room(s.size());
        char* o = data_ + size_;
        for (char c : s) *o++ = c;
        size_ = std::size_t(o - data_);
    }
    template <class Char>
    void putRun(const Char* p, std::size_t n) {
        while (n > 0) {
            const std::size_t piece = writer_ ? std::min(n, kOutputChunk / 4) : n;
            room(4 * piece);
            char* o = data_ + size_;
            for (const Char* end = p + piece; p != end; ++p) {
                const char32_t c = *p;
                if (c < 0x80)
                    *o++ = char(c);
                else
                    o = encode(o, c);
            }
            size_ = std::size_t(o - data_);
            n -= piece;
        }
    }
    // Bytes that are UTF-8 already.
    void putUtf8(const unsigned char* p, std::size_t n) {
        if (size_ + n > cap_) {
            if (writer_ && n >= kOutputChunk) {
                flush();
                write(reinterpret_cast<const char*>(p), n);
                return;
            }
            makeRoom(n);
        }
        std::memcpy(data_ + size_, p, n);
        size_ += n;
    }
    void putWindows1252(const unsigned char* p, std::size_t n) {
        while (n > 0) {
            const std::size_t piece = writer_ ? std::min(n, kOutputChunk / 4) : n;
            room(3 * piece);
            char* o = data_ + size_;
            for (const unsigned char* end = p + piece; p != end; ++p) {
                if (*p < 0x80)
                    *o++ = char(*p);
                else
                    o = encode(o, Windows1252::toUnicode(*p));
            }
            size_ = std::size_t(o - data_);
            n -= piece;
        }
    }
    void finish() {
        if (writer_)
            flush();
        else
            s_.resize(qsizetype(size_));
    }
    bool failed() const { return failed_; }

  private:
    static char* encode(char* o, char32_t c) {
        if (c < 0x80) {
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000 || c > 0x10FFFF) {
            if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        } else {
            *o++ = char(0xF0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3F));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
        return o;
    }
    void room(std::size_t n) {
        if (size_ + n > cap_) makeRoom(n);
    }
    void makeRoom(std::size_t n) {
        if (writer_) {
            flush();
            if (n <= cap_) return;
        }
        reserve(size_ + n);
    }
    void reserve(std::size_t need) {
        cap_ = std::max(need, cap_ + cap_ / 2);
        s_.resize(qsizetype(cap_));
        data_ = s_.data();
    }
    void write(const char* p, std::size_t n) {
        if (!failed_ && n > 0) failed_ = !(*writer_)(QByteArrayView(p, qsizetype(n)));
    }
    void flush() {
        write(data_, size_);
        size_ = 0;
    }

    QByteArray& s_;
    const Utf8Writer* writer_;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
    bool failed_ = false;
};

template <class Text, class Sink>
class Stripper {
    using Char = typename Text::Char;

  public:
    Stripper(const Char* text, std::size_t size, Sink& out, const StripProgress& progress)
        : t_(text),
          n_(size),
          last_(size > 0 ? Text::lastStart(text, size) : std::size_t(-1)),
          out_(out),
          progress_(progress),
          rows_(t_, n_, last_) {}

    // False when the progress hook stopped the pass.
    bool run() {
        const std::size_t interval = kStripProgressInterval;
        std::size_t nextReport = progress_ ? interval : std::numeric_limits<std::size_t>::max();
        while (i_ < n_) {
            if (i_ >= nextReport) {
                if (!progress_(double(i_) / double(n_))) return false;
                nextReport = i_ + interval;
            }
            const char32_t c = t_[i_];
            if (c == '<' && !comment_) {
                if (!tagStep()) break;
            } else if (!body_) {
                // Before the body no character is taken (and no comment can be open): go
                // straight to the next tag.
                i_ = findChar(t_, i_, n_, '<');
                continue;
            } else if (isPlain(c)) {
                plainRun();
                continue;
            } else if (!characterStep(c)) {
                break;
            }
            ++i_;
        }
        if (progress_) progress_(1.0);
        return true;
    }

  private:
    void lineBreak() { out_.putAscii("\r\n"); }
    void emptyLine() { out_.putAscii("\r\n\r\n"); }
    void clearLayoutFlags() { space_ = break_ = paragraph_ = false; }
    bool hidden() const { return comment_ || script_; }

    // A run of ordinary printable characters, taken in one go.
    void plainRun() {
        const Char* const t = t_;
        const std::size_t n = n_;
        const std::size_t end = plainEnd(t, i_ + 1, n);
        textSeen_ = true;
        if (!hidden()) {
            Text::put(out_, t_ + i_, end - i_);
            clearLayoutFlags();
            column_ += Text::count(t_ + i_, end - i_);
        }
        i_ = end;
    }

    // A space, or a control character taken as one: at most one space per run, and the line
    // wraps after the first one at or past the wrap column.
    void whitespace() {
        if (!space_ && !hidden()) {
            out_.putAscii(" ");
            if (++column_ >= kWrapColumn) {
                lineBreak();
                column_ = 0;
            }
        }
        space_ = true;
    }

    // The character step for everything but plain characters. False when the pass finishes.
    bool characterStep(char32_t c) {
        switch (c) {
            case '<':  // inside a comment
                return true;
            case ' ':
                whitespace();
                return true;
            case '-':
                if (!textSeen_) return true;
                if (comment_) return commentEnd();
                if (!script_) {
                    out_.putAscii("-");
                    clearLayoutFlags();
                    ++column_;
                }
                return true;
            case '&':
                reference();
                return true;
            default:
                textSeen_ = true;
                if (c < 31) whitespace();
                return true;
        }
    }

    // "&": a reference when a ";" comes within the next seven characters before any "&";
    // otherwise a literal "&".
    void reference() {
        unsigned characters = 0;
        for (std::size_t k = i_ + 1; k <= last_; ++k) {
            if (Text::starts(t_[k]) && ++characters > 7) break;
            if (t_[k] == '&') break;
            if (t_[k] == ';') {
                // At most six characters: read as code points for the decoder.
                char32_t name[6];
                const std::size_t length = Text::codePoints(t_ + i_ + 1, k - i_ - 1, name);
                i_ = k;
                if (!hidden()) {
                    const char32_t decoded = decodeEntity(std::u32string_view(name, length));
                    if (decoded) {
                        out_.put(decoded);
                        ++column_;
                    }
                    clearLayoutFlags();
                }
                return;
            }
        }
        if (!hidden()) {
            out_.putAscii("&");
            clearLayoutFlags();
            ++column_;
        }
    }

    // Inside a comment, from a hyphen: look for "-->" (spaces between its characters allowed).
    // Only the last two characters other than spaces matter, so the scan keeps just those.
    // False when the text ends first: an unterminated comment swallows the rest.
    bool commentEnd() {
        char32_t before = 0, previous = 0;
        for (std::size_t j = i_;; ++j) {
            const char32_t c = t_[j];
            if (c == '>' && previous == '-' && before == '-') {
                comment_ = false;
                i_ = j;
                return true;
            }
            if (c != ' ') {
                before = previous;
                previous = c;
            }
            if (j == last_) return false;
        }
    }

    // The tag step, entered on "<". False when the pass finishes.
    bool tagStep() {
        const std::size_t last = last_;
        const std::size_t rawStart = ++i_;
        // A tag that runs into the last character of the text is dropped.
        if (i_ >= last) return false;
        if (rawStart + 3 < last && t_[rawStart] == '!' && t_[rawStart + 1] == '-' &&
            t_[rawStart + 2] == '-') {
            // "<!--" opens a comment before any ">".
            i_ = rawStart + 3;
        } else {
            i_ = findChar(t_, rawStart, last, '>');
            if (i_ >= last) return false;
        }
        Span<Char> name{t_ + rawStart, i_ - rawStart};
        while (name.n > 0 && name.p[0] == ' ') ++name.p, --name.n;
        while (name.n > 0 && name.p[name.n - 1] == ' ') --name.n;

        // Whitespace after the tag: dropped before another tag or when it ends in a line break
        // or tab; kept as one space when it ends in a space. The main pass reads it again.
        std::size_t j = i_ + 1;
        if (j >= last) return false;
        if (t_[j] <= ' ') {
            char32_t lastWhite;
            do {
                lastWhite = t_[j];
                if (++j == last) return false;
            } while (t_[j] <= ' ');
            space_ = t_[j] == '<' || lastWhite != ' ';
        }

        if (name.n > 0 && name.p[0] == '/')
            endTag(name);
        else
            startTag(name);
        return true;
    }

    void endTag(Span<Char> name) {
        if (beginsNoCaseNoSpaces(name, "/SCRIPT")) script_ = false;
        if (beginsNoCaseNoSpaces(name, "/STYLE")) script_ = false;
        if (!textSeen_) return;
        if (beginsNoCaseNoSpaces(name, "/OL")) {
            ordered_ = false;
            endList();
            item_ = 0;
        } else if (beginsNoCaseNoSpaces(name, "/UL")) {
            endList();
        }
    }

    void endList() {
        if (paragraph_) return;
        emptyLine();
        column_ = 0;
        paragraph_ = true;
    }

    void startTag(Span<Char> name) {
        // Every rule's tag begins with one of these; most tags of a page are passed over here.
        if (name.n == 0) return;
        switch (upperAscii(name.p[0])) {
            case 'B':
            case 'L':
            case 'O':
            case 'P':
            case 'S':
            case 'T':
            case 'U':
            case '!':
                break;
            default:
                return;
        }
        if (beginsNoCase(name, "TITLE")) {
            titleCopy();
        } else if (beginsNoCase(name, "BODY") && !script_) {
            body_ = true;
        } else if (isTag(name, "P") && !script_) {
            if (textSeen_ && !paragraph_ && !comment_) {
                emptyLine();
                column_ = 0;
                paragraph_ = true;
            }
        } else if (isTag(name, "TR") && !script_) {
            compactRow_ = rows_.compact(i_ + 1);
            lineBreak();
            column_ = 0;
            break_ = true;
            cellStarted_ = false;
        } else if (isTag(name, "TD") || isTag(name, "TH")) {
            if (compactRow_) {
                // Cells of a compact row go on one line, three spaces apart.
                if (cellStarted_) out_.putAscii("   ");
                cellStarted_ = true;
            } else {
                lineBreak();
                break_ = true;
            }
        } else if (equalsNoCase(name, "BR") || beginsNoCase(name, "TABLE")) {
            if (textSeen_ && !break_) {
                lineBreak();
                column_ = 0;
                break_ = true;
            }
        } else if (isTag(name, "OPTION")) {
            out_.putAscii("\r\n\t");
            column_ = 0;
        } else if (isTag(name, "SCRIPT") || isTag(name, "STYLE")) {
            script_ = true;
        } else if (beginsNoCase(name, "!--") && body_) {
            comment_ = true;
        } else if (isTag(name, "OL")) {
            ordered_ = true;
            emptyLine();
            column_ = 0;
        } else if (isTag(name, "UL")) {
            emptyLine();
            column_ = 0;
        } else if (isTag(name, "LI")) {
            lineBreak();
            column_ = 0;
            if (ordered_) {
                // The list state is one level deep: nested lists share the count, and only
                // "/OL" resets it.
                ++item_;
                char digits[24];
                int k = sizeof digits;
                std::uint64_t v = item_;
                do {
                    digits[--k] = char('0' + v % 10);
                    v /= 10;
                } while (v);
                out_.putAscii(std::string_view(digits + k, sizeof digits - std::size_t(k)));
                out_.putAscii(". ");
            } else {
                out_.put(kBullet);
                out_.putAscii(" ");
            }
            column_ += 2;
        }
    }

    // The title's text is copied as it stands up to the next "<", whatever the flags.
    void titleCopy() {
        const std::size_t last = last_;
        const std::size_t start = ++i_;
        i_ = findChar(t_, start, last, '<');
        Text::put(out_, t_ + start, i_ - start);
        if (!hidden()) emptyLine();
        column_ = 0;
        paragraph_ = true;
        --i_;  // the main pass reads the "<" next
    }

    const Char* t_;
    const std::size_t n_;
    const std::size_t last_;  // where the last character begins
    Sink& out_;
    const StripProgress& progress_;
    RowLookahead<Text> rows_;

    std::size_t i_ = 0;  // the character under the main scan
    bool body_ = false;
    bool comment_ = false;
    bool script_ = false;
    bool textSeen_ = false;
    bool space_ = false;
    bool break_ = false;
    bool paragraph_ = false;
    std::size_t column_ = 0;
    bool ordered_ = false;
    std::uint64_t item_ = 0;
    bool compactRow_ = false;
    bool cellStarted_ = false;
};

template <class Sink, class Char, class Buffer>
bool strip(std::basic_string_view<Char> html, Buffer& out, const StripProgress& progress) {
    out = Buffer();
    Sink sink(out, html.size());
    Stripper<OneUnitPerCharacter<Char>, Sink> stripper(html.data(), html.size(), sink, progress);
    const bool done = stripper.run();
    sink.finish();
    return done;
}

template <class Text>
bool stripBytes(QByteArrayView bytes, QByteArray& buffer, const Utf8Writer* write,
                const StripProgress& progress) {
    buffer = QByteArray();
    Utf8Sink sink(buffer, std::size_t(bytes.size()), write);
    Stripper<Text, Utf8Sink> stripper(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      std::size_t(bytes.size()), sink, progress);
    const bool done = stripper.run();
    sink.finish();
    return done && !sink.failed();
}

bool stripPage(PageBytes page, QByteArray& buffer, const Utf8Writer* write,
               const StripProgress& progress) {
    return page.utf8 ? stripBytes<Utf8Bytes>(page.text, buffer, write, progress)
                     : stripBytes<Windows1252Bytes>(page.text, buffer, write, progress);
}

}  // namespace

bool stripToUtf16(std::u32string_view html, QString& out, const StripProgress& progress) {
    return strip<Utf16Sink>(html, out, progress);
}

bool stripToUtf8(std::u32string_view html, QByteArray& out, const StripProgress& progress) {
    return strip<Utf8Sink>(html, out, progress);
}

bool stripToUtf16(std::u16string_view html, QString& out, const StripProgress& progress) {
    return strip<Utf16Sink>(html, out, progress);
}

bool stripToUtf8(std::u16string_view html, QByteArray& out, const StripProgress& progress) {
    return strip<Utf8Sink>(html, out, progress);
}

PageBytes pageBytes(QByteArrayView bytes, const StripProgress& progress) {
    auto data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = std::size_t(bytes.size());
    const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    // Checked piece by piece; a character cut by the end of a piece is read again with the next.
    for (std::size_t at = bom ? 3 : 0; at < size;) {
        const std::size_t end = std::min(size, at + kStripProgressInterval);
        at += TextDecoding::validUtf8Prefix(data + at, end - at);
        if (at < end && (end == size || end - at >= 4)) return {bytes, false};
        if (progress) progress(double(at) / double(size));
    }
    return {bom ? bytes.sliced(3) : bytes, true};
}

bool stripToUtf8(PageBytes page, const Utf8Writer& write, const StripProgress& progress) {
    QByteArray buffer;
    return stripPage(page, buffer, &write, progress);
}

bool stripToUtf8(PageBytes page, QByteArray& out, const StripProgress& progress) {
    return stripPage(page, out, nullptr, progress);
}

QByteArray stripBytesToUtf8(QByteArrayView bytes) {
    QByteArray out;
    stripToUtf8(pageBytes(bytes), out);
    return out;
}

bool writeStripOutput(const QString& path, QByteArray utf8Text, QString* error) {
    utf8Text += "\r\n";
    AtomicFileWriter writer(path);
    if (writer.write(utf8Text)) return true;
    if (error) *error = writer.errorString();
    return false;
}

}  // namespace HtmlTools

QString StripHTML(const QString& html, const QString& outputPath) {
    return StripHTML(html, outputPath, StripProgress());
}

QString StripHTML(const QString& html, const QString& outputPath, const StripProgress& progress,
                  bool* cancelled) {
    // Text without surrogate pairs is stripped as it stands, one UTF-16 unit per character.
    QString result;
    const std::u16string_view units(reinterpret_cast<const char16_t*>(html.utf16()),
                                    std::size_t(html.size()));
    const bool done = HtmlTools::hasSurrogatePair(units)
                          ? HtmlTools::stripToUtf16(HtmlTools::toUcs4(html), result, progress)
                          : HtmlTools::stripToUtf16(units, result, progress);
    if (cancelled) *cancelled = !done;
    if (!done) return QString();
    if (!outputPath.isEmpty()) HtmlTools::writeStripOutput(outputPath, result.toUtf8());
    return result;
}
