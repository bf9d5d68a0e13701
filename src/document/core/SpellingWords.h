// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <vector>

class SpellCheck;

// Which words of a text a spell check looks at, and which of them it flags.
namespace SpellingWords {

struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Span& o) const { return start == o.start && length == o.length; }
};

// The words of `text` worth checking, cut as word moves cut them (Unicode word boundaries,
// TextBoundaries::isWordCharacter), so "don't" is one word and a letter beyond the basic plane
// is a letter. Left out: words with digits or "_" (codes, names in programs), short words in
// capitals (abbreviations), and anything inside a web or mail address.
std::vector<Span> checkable(QStringView text);

// Those of `from` to `to` (words reaching into that stretch count whole) that `check` flags.
std::vector<Span> misspelt(QStringView text, SpellCheck& check, qsizetype from = 0,
                           qsizetype to = -1);

}  // namespace SpellingWords
