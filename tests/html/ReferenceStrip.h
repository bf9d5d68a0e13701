// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deliberately plain stripper: the tag-stripping rules written out step by step with 1-based
// positions, string buffers and no shortcuts (no early exits, no runs, no sweeps). Slow, and
// only for checking the real one against it in tests and fuzzing.

#include <cstdint>
#include <string>

#include "html/core/StripHtml.h"

namespace ReferenceStrip {

inline std::u32string upper(std::u32string s) {
    for (char32_t& c : s)
        if (c >= 'a' && c <= 'z') c -= 32;
    return s;
}

inline std::u32string lit(const char* s) {
    std::u32string r;
    while (*s) r.push_back(char32_t(static_cast<unsigned char>(*s++)));
    return r;
}

inline bool is(const std::u32string& s, const char* l) {
    return upper(s) == lit(l);
}

inline bool begins(const std::u32string& s, const char* l) {
    const std::u32string L = lit(l);
    return s.size() >= L.size() && upper(s.substr(0, L.size())) == L;
}

inline std::u32string removeSpaces(const std::u32string& s) {
    std::u32string r;
    for (char32_t c : s)
        if (c != ' ') r.push_back(c);
    return r;
}

// A tag of that name, alone or with attributes after a space.
inline bool tagIs(const std::u32string& tag, const char* t) {
    return is(tag, t) || begins(tag, (std::string(t) + " ").c_str());
}

inline bool endsWith(const std::u32string& s, const char* l) {
    const std::u32string L = lit(l);
    return s.size() >= L.size() && s.compare(s.size() - L.size(), L.size(), L) == 0;
}

struct Stripper {
    explicit Stripper(const std::u32string& text) : s(text), L(text.size()) {}

    const std::u32string& s;
    std::size_t L;
    std::u32string out;
    std::size_t pos = 1;
    bool body = false, comment = false, script = false, textSeen = false, space = false,
         brk = false, para = false, ordered = false, compactRow = false, cellStarted = false;
    std::uint64_t column = 0, item = 0;
    bool finished = false;

    char32_t at(std::size_t p) const { return s[p - 1]; }
    void put(const char* l) { out += lit(l); }
    void putC(char32_t c) { out.push_back(c); }
    void newLine() {
        put("\r\n");
        column = 0;
    }
    void paragraph() {
        put("\r\n\r\n");
        column = 0;
        para = true;
    }

    std::u32string run() {
        while (pos <= L && !finished) {
            const char32_t c = at(pos);
            if (c == '<' && !comment)
                tagStep();
            else
                charStep(c);
            if (finished) break;
            ++pos;
        }
        return out;
    }

    void tagStep() {
        ++pos;
        std::u32string raw;
        for (;;) {
            if (pos >= L) {  // equals L (or beyond, for a "<" that is the last character)
                finished = true;
                return;
            }
            const char32_t c = at(pos);
            if (c != '>') {
                raw.push_back(c);
                ++pos;
            }
            if (c == '>' || pos >= L) break;
            if (raw == lit("!--")) break;
        }
        std::u32string name = raw;
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        while (!name.empty() && name.back() == ' ') name.pop_back();

        std::size_t j = pos + 1;
        if (j >= L) {
            finished = true;
            return;
        }
        if (at(j) <= 32) {
            char32_t last = 0;
            while (at(j) <= 32) {
                last = at(j);
                ++j;
                if (j == L) {
                    finished = true;
                    return;
                }
            }
            if (at(j) == '<')
                space = true;
            else
                space = last != ' ';
        }

        if (!name.empty() && name[0] == '/') {
            const std::u32string ns = removeSpaces(name);
            if (begins(ns, "/SCRIPT") || begins(ns, "/STYLE")) script = false;
            const std::u32string first3 = upper(ns.substr(0, 3));
            if (textSeen && first3 == lit("/OL")) {
                ordered = false;
                if (!para) paragraph();
                item = 0;
            }
            if (textSeen && first3 == lit("/UL") && !para) paragraph();
            return;
        }

        const auto tagIs = [&](const char* t) { return ReferenceStrip::tagIs(name, t); };
        if (begins(name, "TITLE")) {
            ++pos;
            for (;;) {
                if (at(pos) == '<' || pos == L) break;
                putC(at(pos));
                ++pos;
            }
            if (!comment && !script) put("\r\n\r\n");
            column = 0;
            para = true;
            --pos;
        } else if (begins(name, "BODY") && !script) {
            body = true;
        } else if (tagIs("P") && !script) {
            if (textSeen && !para && !script && !comment) paragraph();
        } else if (tagIs("TR") && !script) {
            rowLookahead();
            newLine();
            brk = true;
            cellStarted = false;
        } else if (tagIs("TD") || tagIs("TH")) {
            if (compactRow) {
                if (cellStarted) put("   ");
                cellStarted = true;
            } else {
                put("\r\n");
                brk = true;
            }
        } else if (is(name, "BR") || is(name, "TABLE") || begins(name, "TABLE")) {
            if (textSeen && !brk) {
                newLine();
                brk = true;
            }
        } else if (tagIs("OPTION")) {
            put("\r\n\t");
            column = 0;
        } else if (tagIs("SCRIPT") || tagIs("STYLE")) {
            script = true;
        } else if (begins(name, "!--") && body) {
            comment = true;
        } else if (tagIs("OL")) {
            ordered = true;
            put("\r\n\r\n");
            column = 0;
        } else if (tagIs("UL")) {
            put("\r\n\r\n");
            column = 0;
        } else if (tagIs("LI")) {
            newLine();
            if (ordered) {
                ++item;
                put(std::to_string(item).c_str());
                put(". ");
            } else {
                putC(0x2022);
                put(" ");
            }
            column += 2;
        }
    }

    // Reads the tag whose "<" is at j into `tag`, leaving j on its ">"; false when the text (but
    // for its last character) runs out first.
    bool readTag(std::size_t& j, std::u32string& tag) const {
        tag.clear();
        while (++j < L && at(j) != '>') tag.push_back(at(j));
        return j < L;
    }

    // Returns normally when the look-ahead decided; runs out of text: not compact.
    void rowLookahead() {
        std::uint64_t count = 0;
        std::u32string tag;
        std::size_t j = pos + 1;
        for (;;) {
            if (at(j) == '<' && !readTag(j, tag)) {
                compactRow = false;
                return;
            }
            const auto tagIs = [&](const char* t) { return ReferenceStrip::tagIs(tag, t); };
            if (is(tag, "/TR") || is(tag, "/TABLE")) {
                compactRow = count < 65;
                return;
            }
            if (tagIs("TABLE")) {
                compactRow = false;
                return;
            }
            if (tagIs("TD") || tagIs("TH")) {
                ++j;
                for (;;) {
                    if (j >= L) {
                        compactRow = false;
                        return;
                    }
                    if (at(j) == '<') {
                        std::u32string cellTag;
                        if (!readTag(j, cellTag)) {
                            compactRow = false;
                            return;
                        }
                        if (is(removeSpaces(cellTag), "/TD")) {
                            tag.clear();
                            break;
                        }
                        if (ReferenceStrip::tagIs(cellTag, "P") ||
                            ReferenceStrip::tagIs(cellTag, "BR")) {
                            count = 66;
                            break;
                        }
                    } else {
                        ++count;
                    }
                    ++j;
                }
            }
            if (j >= L) {
                compactRow = false;
                return;
            }
            ++j;
        }
    }

    void wrapSpace() {
        if (!space) {
            if (!comment && !script) {
                put(" ");
                ++column;
                if (column >= 75) newLine();
            }
        }
        space = true;
    }

    void charStep(char32_t c) {
        if (!body) return;
        if (c == '<') return;
        if (c == ' ') {
            wrapSpace();
        } else if (c == '-') {
            if (!textSeen) return;
            if (comment) {
                std::u32string buffer;
                std::size_t j = pos;
                for (;;) {
                    buffer.push_back(at(j));
                    if (at(j) == '>' && endsWith(removeSpaces(buffer), "-->")) {
                        comment = false;
                        pos = j;
                        return;
                    }
                    if (j == L) {
                        finished = true;
                        return;
                    }
                    ++j;
                }
            } else if (script) {
            } else {
                put("-");
                space = brk = para = false;
                ++column;
            }
        } else if (c == '&') {
            for (std::size_t k = pos + 1; k <= pos + 7 && k <= L; ++k) {
                if (at(k) == ';') {
                    const std::u32string name = s.substr(pos, k - pos - 1);
                    pos = k;
                    if (!comment && !script) {
                        const char32_t d = HtmlTools::decodeEntity(name);
                        if (d) putC(d);
                        space = brk = para = false;
                        column += d ? 1 : 0;
                    }
                    return;
                }
                if (at(k) == '&') break;
            }
            if (!comment && !script) {
                put("&");
                space = brk = para = false;
                ++column;
            }
        } else {
            textSeen = true;
            if (c < 31) {
                wrapSpace();
            } else if (c == 31) {
            } else if (!comment && !script) {
                putC(c);
                space = brk = para = false;
                ++column;
            }
        }
    }
};

inline std::u32string strip(const std::u32string& text) {
    return Stripper(text).run();
}

}  // namespace ReferenceStrip
