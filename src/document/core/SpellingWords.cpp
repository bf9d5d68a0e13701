// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/SpellingWords.h"

#include <QTextBoundaryFinder>
#include <algorithm>

#include "common/core/TextBoundaries.h"
#include "document/core/SpellCheck.h"

namespace {

// Words in capitals up to this many letters are taken for abbreviations (HTML, NATO).
constexpr int kAbbreviation = 6;
// Around a stretch to check, how much text is cut into words with it: more than a word's length.
constexpr qsizetype kMargin = 128;

bool isBlank(QChar c) {
    return c.isSpace();
}

// Where addresses stand in `text`: runs without blanks that hold "://", start with "www." or
// hold an "@" between other characters.
std::vector<SpellingWords::Span> addresses(QStringView text) {
    std::vector<SpellingWords::Span> found;
    qsizetype at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at])) ++at;
        qsizetype end = at;
        while (end < text.size() && !isBlank(text[end])) ++end;
        const QStringView run = text.mid(at, end - at);
        const qsizetype mail = run.indexOf(QLatin1Char('@'));
        if (run.contains(QLatin1String("://")) ||
            run.startsWith(QLatin1String("www."), Qt::CaseInsensitive) ||
            (mail > 0 && mail + 1 < run.size())) {
            found.push_back({at, end - at});
        }
        at = end;
    }
    return found;
}

// Whether the word is one to check: no digits or "_", and not a short word in capitals.
bool worthChecking(QStringView word) {
    int letters = 0;
    bool lower = false;
    for (qsizetype i = 0; i < word.size();
         i += QChar::requiresSurrogates(TextBoundaries::codePointAt(word, i)) ? 2 : 1) {
        const char32_t c = TextBoundaries::codePointAt(word, i);
        if (QChar::isNumber(c) || c == U'_') return false;
        if (QChar::isLetter(c)) {
            ++letters;
            if (!QChar::isUpper(c)) lower = true;
        }
    }
    return letters > 0 && (lower || letters > kAbbreviation || letters == 1);
}

}  // namespace

std::vector<SpellingWords::Span> SpellingWords::checkable(QStringView text) {
    std::vector<Span> words;
    const std::vector<Span> skip = addresses(text);
    auto nextSkip = skip.begin();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text.data(), int(text.size()));
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QStringView word = text.mid(start, end - start);
        while (nextSkip != skip.end() && nextSkip->start + nextSkip->length <= start) ++nextSkip;
        const bool inAddress = nextSkip != skip.end() && nextSkip->start <= start;
        if (!inAddress && TextBoundaries::isWordCharacter(TextBoundaries::codePointAt(word, 0)) &&
            worthChecking(word)) {
            words.push_back({start, end - start});
        }
        start = end;
    }
    return words;
}

std::vector<SpellingWords::Span> SpellingWords::misspelt(QStringView text, SpellCheck& check,
                                                         qsizetype from, qsizetype to) {
    if (to < 0 || to > text.size()) to = text.size();
    // Only the stretch asked for and a margin for the words reaching out of it are cut into
    // words, so a paragraph of megabytes costs no more than its rows on screen. A word the
    // margin cuts off is left out.
    const qsizetype first = std::max<qsizetype>(0, from - kMargin);
    const qsizetype last = std::min(text.size(), to + kMargin);
    const QStringView window = text.mid(first, last - first);
    std::vector<Span> flagged;
    for (Span word : checkable(window)) {
        const bool cut = (first > 0 && word.start == 0) ||
                         (last < text.size() && word.start + word.length == window.size());
        word.start += first;
        if (cut || word.start + word.length <= from) continue;
        if (word.start >= to) break;
        if (check.isMisspelt(text.mid(word.start, word.length).toString())) flagged.push_back(word);
    }
    return flagged;
}
