// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TextSearch.h"

#include "document/RichTextBox.h"
#include "search/core/PatternSearch.h"

namespace {
PatternSearch patternOf(const TextSearch& search) {
    return PatternSearch(search.text, search.options & RichTextBox::rtfMatchCase,
                         search.options & RichTextBox::rtfWholeWord);
}
}  // namespace

QString TextSearch::problem(const QString* replacement) const {
    if (!pattern) return QString();
    const PatternSearch search = patternOf(*this);
    QString problem = search.problem();
    if (problem.isEmpty() && replacement) problem = search.replacementProblem(*replacement);
    return problem;
}

void TextSearch::findNext(RichTextBox* box) const {
    const int start = box->SelStart() + box->SelLength();
    if (!pattern) {
        box->Find(text, start, -1, options);
        return;
    }
    // A match of nothing where the caret already is would leave it there: the search moves on.
    const PatternSearch::Match match =
        patternOf(*this).find(box->Text(), start, box->SelLength() > 0);
    if (match.start < 0) return;
    box->setSelStart(int(match.start));
    box->setSelLength(int(match.length));
}

int TextSearch::replaceAll(RichTextBox* box, const QString& replacement) const {
    const int start = box->SelStart() + box->SelLength();
    if (!pattern) return box->ReplaceAll(text, replacement, start, options);
    const std::vector<TextReplacement> pieces =
        patternOf(*this).replaceAll(box->Text(), start, replacement);
    box->ReplacePieces(pieces);
    return int(pieces.size());
}
