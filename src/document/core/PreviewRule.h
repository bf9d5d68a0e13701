// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QtGlobal>
#include <algorithm>

// Whether a text starts like an HTML page: "<HTML>" (any letter case) occurs before the first
// character outside "<", ">", "H", "T", "M", "L", space, CR and LF. `charAt(i)` yields the i-th
// character (0-based) of a text of `length` characters; only the characters up to the decisive
// one are read, so the check costs nothing on ordinary text.
inline char16_t previewRuleUpper(QChar c) {
    const char16_t u = c.unicode();
    return u >= 'a' && u <= 'z' ? char16_t(u - 32) : u;
}

// The decisive character in [from, to): the position where "<HTML>" ends (`*page` true) or of a
// character outside the tag's letters (`*page` false); -1 when none is there. The answer at a
// position depends on the characters up to it only, so a scan may stop and go on later.
template <typename CharAt>
qsizetype previewRuleDecision(CharAt charAt, qsizetype from, qsizetype to, bool* page) {
    static constexpr char kTag[] = "<HTML>";
    for (qsizetype i = from; i < to; ++i) {
        if (i >= 5) {
            bool match = true;
            for (int k = 0; k < 6 && match; ++k) {
                match = previewRuleUpper(charAt(i - 5 + k)) == char16_t(kTag[k]);
            }
            if (match) {
                *page = true;
                return i;
            }
        }
        switch (previewRuleUpper(charAt(i))) {
            case '<':
            case '>':
            case 'H':
            case 'T':
            case 'M':
            case 'L':
            case ' ':
            case '\r':
            case '\n':
                break;
            default:
                *page = false;
                return i;
        }
    }
    return -1;
}

template <typename CharAt>
bool StartsLikeHtmlPage(CharAt charAt, qsizetype length) {
    bool page = false;
    return previewRuleDecision(charAt, 0, length, &page) >= 0 && page;
}

// The same answer kept up to date while the text is edited, at a cost in the size of the edit:
// a text of millions of line breaks has no decisive character, and is read once, not per key.
class PreviewRuleCache {
  public:
    bool page() const { return page_; }
    qsizetype length() const { return length_; }

    template <typename CharAt>
    void reset(CharAt charAt, qsizetype length) {
        length_ = length;
        decisive_ = previewRuleDecision(charAt, 0, length, &page_);
        if (decisive_ < 0) page_ = false;
    }

    // `removed` characters at `position` became `inserted`; `charAt` reads the new text.
    template <typename CharAt>
    void edited(CharAt charAt, qsizetype position, qsizetype removed, qsizetype inserted) {
        const qsizetype oldLength = length_;
        length_ += inserted - removed;
        const qsizetype undecided = decisive_ < 0 ? oldLength : decisive_;
        if (position > undecided) return;  // only text after the decisive character changed
        // Everything before `position` is still undecided. Positions whose six-character window
        // reaches into the new text are read again; further on the old text only moved, and the
        // old decision stands, shifted, if it lay that far on.
        const qsizetype rereadTo = std::min(length_, position + inserted + 5);
        decisive_ = previewRuleDecision(charAt, position, rereadTo, &page_);
        if (decisive_ >= 0) return;
        if (undecided >= position + removed + 5) {
            if (undecided < oldLength) decisive_ = undecided + inserted - removed;
            return;  // page_ is the old decision's, or there is none
        }
        decisive_ = previewRuleDecision(charAt, rereadTo, length_, &page_);
        if (decisive_ < 0) page_ = false;
    }

  private:
    qsizetype length_ = 0;
    qsizetype decisive_ = -1;  // where the answer was decided; -1: nowhere, so no page
    bool page_ = false;
};
