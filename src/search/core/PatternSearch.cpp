// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/core/PatternSearch.h"

#include "common/core/TextBoundaries.h"

namespace {

bool isGroupDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A match continues a word when a word character at its edge meets one outside it; whole code
// points, by the same word rule as the literal search and the word keys.
bool continuesWord(const QString& text, qsizetype start, qsizetype end) {
    using namespace TextBoundaries;
    if (start == end) return false;
    const QStringView view(text);
    const bool left =
        isWordCharacter(codePointBefore(view, start)) && isWordCharacter(codePointAt(view, start));
    const bool right =
        isWordCharacter(codePointBefore(view, end)) && isWordCharacter(codePointAt(view, end));
    return left || right;
}

}  // namespace

PatternSearch::PatternSearch(const QString& pattern, bool matchCase, bool wholeWord)
    : pattern_(pattern), wholeWord_(wholeWord) {
    QRegularExpression::PatternOptions options = QRegularExpression::MultilineOption;
    if (!matchCase) options |= QRegularExpression::CaseInsensitiveOption;
    expression_.setPattern(pattern);
    expression_.setPatternOptions(options);
}

QString PatternSearch::problem() const {
    if (expression_.isValid()) return QString();
    return QStringLiteral("\"%1\" is not a valid regular expression: %2 (at character %3).")
        .arg(pattern_, expression_.errorString())
        .arg(expression_.patternErrorOffset() + 1);
}

QString PatternSearch::replacementProblem(const QString& replacement) const {
    const int groups = expression_.captureCount();
    for (qsizetype i = 0; i + 1 < replacement.size(); ++i) {
        if (replacement[i] != u'\\') continue;
        const QChar next = replacement[++i];
        if (isGroupDigit(next) && next.digitValue() > groups) {
            return QStringLiteral("The replacement uses \\%1, but the regular expression has %2.")
                .arg(next.digitValue())
                .arg(groups == 0   ? QStringLiteral("no groups")
                     : groups == 1 ? QStringLiteral("only one group")
                                   : QStringLiteral("only %1 groups").arg(groups));
        }
    }
    return QString();
}

QRegularExpressionMatch PatternSearch::matchFrom(const QString& text, qsizetype from,
                                                 bool emptyAtFrom) const {
    constexpr auto Grapheme = QTextBoundaryFinder::Grapheme;
    const TextBoundaries::Stretch whole = TextBoundaries::wholeOf(text);
    for (qsizetype at = from; at <= text.size();) {
        QRegularExpressionMatch match = expression_.match(text, at);
        if (!match.hasMatch()) return match;
        const qsizetype start = match.capturedStart(), end = match.capturedEnd();
        const bool refusedEmpty =
            start == end && ((start == from && !emptyAtFrom) ||
                             !TextBoundaries::isBoundary(whole, start, Grapheme));
        if (!refusedEmpty && !(wholeWord_ && continuesWord(text, start, end))) return match;
        // On from the next character (a caret never stops inside one): every round moves
        // forward, so the search ends.
        at = start < text.size() ? TextBoundaries::next(whole, start, Grapheme) : start + 1;
    }
    return QRegularExpressionMatch();
}

PatternSearch::Match PatternSearch::find(const QString& text, qsizetype from,
                                         bool emptyAtFrom) const {
    if (!expression_.isValid() || pattern_.isEmpty() || from < 0 || from > text.size()) return {};
    const QRegularExpressionMatch match = matchFrom(text, from, emptyAtFrom);
    if (!match.hasMatch()) return {};
    return {match.capturedStart(), match.capturedLength()};
}

std::vector<TextReplacement> PatternSearch::replaceAll(const QString& text, qsizetype from,
                                                       const QString& replacement) const {
    std::vector<TextReplacement> pieces;
    if (!expression_.isValid() || pattern_.isEmpty() || from < 0) return pieces;
    // A match of nothing may follow a match of something, but not another match of nothing.
    bool emptyAllowed = true;
    while (from <= text.size()) {
        const QRegularExpressionMatch match = matchFrom(text, from, emptyAllowed);
        if (!match.hasMatch()) break;
        pieces.push_back(
            {match.capturedStart(), match.capturedLength(), expand(replacement, match)});
        from = match.capturedEnd();
        emptyAllowed = match.capturedLength() > 0;
    }
    return pieces;
}

QString PatternSearch::expand(const QString& replacement,
                              const QRegularExpressionMatch& match) const {
    QString result;
    result.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != u'\\' || i + 1 == replacement.size()) {
            result += c;
            continue;
        }
        const QChar next = replacement[++i];
        if (isGroupDigit(next)) {
            result += match.captured(next.digitValue());
        } else if (next == u'n') {
            result += u'\n';
        } else if (next == u't') {
            result += u'\t';
        } else if (next == u'\\') {
            result += u'\\';
        } else {
            result += c;
            result += next;
        }
    }
    return result;
}
