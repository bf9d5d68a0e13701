// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor: its text, the edits and their undo steps, the clipboard, keys and
// input methods. Painting, scrolling and the mouse are in PlainTextEditView.cpp.
#include "document/PlainTextEdit.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocument>

#include "document/PlainTextAccessible.h"
#include "document/RichTextBox.h"
#include "document/core/FormattedText.h"
#include "document/core/TextNavigation.h"

namespace {
// The keys the editor acts on itself, before any shortcut of the window takes them.
bool isEditorKey(QKeyEvent* event) {
    using K = QKeySequence;
    static const K::StandardKey keys[] = {K::Copy,
                                          K::Cut,
                                          K::Paste,
                                          K::Undo,
                                          K::Redo,
                                          K::SelectAll,
                                          K::Delete,
                                          K::Backspace,
                                          K::DeleteStartOfWord,
                                          K::DeleteEndOfWord,
                                          K::MoveToNextChar,
                                          K::MoveToPreviousChar,
                                          K::MoveToNextWord,
                                          K::MoveToPreviousWord,
                                          K::MoveToNextLine,
                                          K::MoveToPreviousLine,
                                          K::MoveToNextPage,
                                          K::MoveToPreviousPage,
                                          K::MoveToStartOfLine,
                                          K::MoveToEndOfLine,
                                          K::MoveToStartOfDocument,
                                          K::MoveToEndOfDocument,
                                          K::SelectNextChar,
                                          K::SelectPreviousChar,
                                          K::SelectNextWord,
                                          K::SelectPreviousWord,
                                          K::SelectNextLine,
                                          K::SelectPreviousLine,
                                          K::SelectNextPage,
                                          K::SelectPreviousPage,
                                          K::SelectStartOfLine,
                                          K::SelectEndOfLine,
                                          K::SelectStartOfDocument,
                                          K::SelectEndOfDocument};
    for (K::StandardKey key : keys)
        if (event->matches(key)) return true;
    return false;
}

// Text typed with no modifier but Shift (or AltGr, a key of its own on X11): with Alt, Ctrl or
// Meta a key belongs to the menus and shortcuts. Invisible format characters (joiners,
// direction marks, the soft hyphen) are text too: Persian words and mixed-direction lines need
// them.
bool isTypedText(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier)))
        return false;
    const char32_t c = text.toUcs4().value(0);
    const QChar::Category category = QChar::category(c);
    return (QChar::isPrint(c) || category == QChar::Other_Format ||
            category == QChar::Other_PrivateUse || c == u'\t') &&
           category != QChar::Other_Surrogate;
}

bool hasRightToLeft(QStringView text) {
    for (char32_t c : text.toUcs4()) {
        switch (QChar::direction(c)) {
            case QChar::DirR:
            case QChar::DirAL:
            case QChar::DirRLE:
            case QChar::DirRLO:
            case QChar::DirRLI:
                return true;
            default:
                break;
        }
    }
    return false;
}
}  // namespace

PlainTextEdit::PlainTextEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool accessible = (QAccessible::installFactory(PlainTextAccessible::create), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PlainTextEdit::scrollBarMoved);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &PlainTextEdit::scrollBarAction);
    layout_.setFont(font());
    layout_.setWidth(viewport()->width() - 2 * kMargin);
}

void PlainTextEdit::load(QString text) {
    formats_.reset();
    layout_.setFormats(nullptr);
    text_.setText(std::move(text));
    loaded();
}

void PlainTextEdit::loadLatin1(QByteArray text) {
    formats_.reset();
    layout_.setFormats(nullptr);
    text_.setLatin1(std::move(text));
    loaded();
}

void PlainTextEdit::loadFormatted(QString text, TextFormats formats) {
    text_.setText(std::move(text));
    // Formats that do not cover the text would be read out of bounds: then every character and
    // line takes the empty format.
    if (!FormattedText::fits(text_, formats)) formats.reset(text_.length(), text_.lineCount());
    formats_ = std::make_unique<TextFormats>(std::move(formats));
    layout_.setFormats(formats_.get(), formatScale_);
    loaded();
}

void PlainTextEdit::setFormatScale(qreal scale) {
    if (scale == formatScale_) return;
    formatScale_ = scale;
    if (!formats_) return;
    layout_.setFormats(formats_.get(), formatScale_);
    top_ = layout_.rowStart(layout_.rowAt(top_));
    syncScrollBar();
    viewport()->update();
}

void PlainTextEdit::loaded() {
    history_.clear();
    layout_.invalidateAll();
    caret_ = anchor_ = top_ = 0;
    caretX_ = -1;
    syncScrollBar();
    viewport()->update();
    emit textChanged();
}

QString PlainTextEdit::selectedText() const {
    QString text = text_.mid(selectionStart(), selectionEnd() - selectionStart());
    return formats_ ? FormattedText::asPlain(text) : text;
}

void PlainTextEdit::select(qsizetype anchor, qsizetype caret) {
    anchor_ = std::clamp<qsizetype>(anchor, 0, text_.length());
    moveCaret(caret, true);
}

void PlainTextEdit::moveCaret(qsizetype position, bool keepAnchor, bool rowEnd) {
    caret_ = std::clamp<qsizetype>(position, 0, text_.length());
    caretAtRowEnd_ = rowEnd;
    if (!keepAnchor) anchor_ = caret_;
    caretX_ = -1;
    history_.breakRun();
    ensureCaretVisible();
    restartBlink();
    selectionMoved();
}

// ---- Edits

void PlainTextEdit::replace(qsizetype position, qsizetype count, const QString& given, int type) {
    replace(position, count, given, type, nullptr);
}

void PlainTextEdit::replace(qsizetype position, qsizetype count, const QString& given, int type,
                            const TextFormats::Slice* formats) {
    position = std::clamp<qsizetype>(position, 0, text_.length());
    count = std::clamp<qsizetype>(count, 0, text_.length() - position);
    if (count == 0 && given.isEmpty()) return;
    // Text from elsewhere (the clipboard, a web page) may break lines with CR LF or CR: a line
    // break is "\n" here, and becomes the file's own kind when saved.
    QString with = given;
    if (with.contains(u'\r')) {
        with.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        with.replace(u'\r', u'\n');
    }
    TextChange change = TextChange::single(position, text_.mid(position, count), with);
    const bool oneLine = !change.removed.contains(u'\n') && !with.contains(u'\n');
    apply(change, formats);
    announceChange(position, change.removed, with);
    const bool run = type == RichTextBox::UndoTyping || type == RichTextBox::UndoDelete;
    history_.record(std::move(change), type, run);
    caret_ = anchor_ = position + with.size();
    emit edited(position, count, with.size());
    textEdited(position, count, with.size(), oneLine);
}

void PlainTextEdit::replaceAll(const std::vector<qsizetype>& positions, qsizetype count,
                               const QString& with, int type) {
    if (positions.empty()) return;
    TextChange change;
    change.positions = positions;
    change.removedLength = count;
    change.removed.reserve(qsizetype(positions.size()) * count);
    for (qsizetype at : positions) change.removed += text_.mid(at, count);
    change.inserted = with;
    const QString before = spanText(change.spanStart(), change.spanEndBefore());
    caret_ = anchor_ = apply(change);
    announceChange(change.spanStart(), before, spanText(change.spanStart(), change.spanEndAfter()));
    emit edited(change.spanStart(), change.spanEndBefore() - change.spanStart(),
                change.spanEndAfter() - change.spanStart());
    history_.record(std::move(change), type, false);
    textEdited(-1, 0, 0, false);
}

void PlainTextEdit::undo() {
    const TextChange* change = history_.undoChange();
    if (!change) return;
    const qsizetype from = change->spanStart(), after = change->spanEndAfter();
    const qsizetype before = change->spanEndBefore();
    const QString was = spanText(from, after);
    caret_ = anchor_ = history_.undo(text_, formats_.get());
    announceChange(from, was, spanText(from, before));
    emit edited(from, after - from, before - from);
    textEdited(-1, 0, 0, false);
}

void PlainTextEdit::redo() {
    const TextChange* change = history_.redoChange();
    if (!change) return;
    const qsizetype from = change->spanStart(), after = change->spanEndAfter();
    const qsizetype before = change->spanEndBefore();
    const QString was = spanText(from, before);
    caret_ = anchor_ = history_.redo(text_, formats_.get());
    announceChange(from, was, spanText(from, after));
    emit edited(from, before - from, after - from);
    textEdited(-1, 0, 0, false);
}

qsizetype PlainTextEdit::apply(TextChange& change, const TextFormats::Slice* formats) {
    if (formats_) {
        change.takeFormats(*formats_, text_);
        if (formats) change.insertedFormats = *formats;
    }
    return change.apply(text_, formats_.get());
}

TextFormats::Slice PlainTextEdit::swappedFormats(qsizetype from, qsizetype middle,
                                                 qsizetype end) const {
    if (!formats_) return {};
    TextFormats::Slice formats = formats_->cut(text_, {middle}, end - middle);
    formats.append(formats_->cut(text_, {from}, middle - from));
    return formats;
}

QString PlainTextEdit::spanText(qsizetype from, qsizetype to) const {
    return QAccessible::isActive() ? text_.mid(from, to - from) : QString();
}

// Tells assistive tools that `was` at `position` became `now` (Qt's AT-SPI bridge passes text
// events on, not value changes).
void PlainTextEdit::announceChange(qsizetype position, const QString& was, const QString& now) {
    if (!QAccessible::isActive() || (was.isEmpty() && now.isEmpty())) return;
    if (was.isEmpty()) {
        QAccessibleTextInsertEvent inserted(this, int(position), now);
        QAccessible::updateAccessibility(&inserted);
    } else if (now.isEmpty()) {
        QAccessibleTextRemoveEvent gone(this, int(position), was);
        QAccessible::updateAccessibility(&gone);
    } else {
        QAccessibleTextUpdateEvent updated(this, int(position), was, now);
        QAccessible::updateAccessibility(&updated);
    }
}

void PlainTextEdit::textEdited(qsizetype position, qsizetype removed, qsizetype inserted,
                               bool oneLine) {
    if (oneLine) {
        layout_.lineEdited(position, removed, inserted);
    } else {
        layout_.invalidateAll();
    }
    if (settle_.isActive()) settleLater();
    // The first row on screen keeps its text in view; an unknown edit (-1) keeps the place.
    if (position >= 0 && top_ > position)
        top_ = top_ >= position + removed ? top_ + inserted - removed : position;
    top_ = layout_.rowStart(layout_.rowAt(std::min(top_, text_.length())));
    caretX_ = -1;
    caretAtRowEnd_ = false;
    ensureCaretVisible();
    syncScrollBar();
    restartBlink();
    emit textChanged();
    selectionMoved();
}

void PlainTextEdit::selectionMoved() {
    // The input method's candidate window follows the caret.
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(caret_));
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(this, int(selectionStart()), int(selectionEnd()));
        QAccessible::updateAccessibility(&selected);
    }
    emit selectionChanged();
}

void PlainTextEdit::typeText(const QString& text) {
    if (overwrite_ && caret_ == anchor_ && caret_ < text_.length() && text_.at(caret_) != u'\n') {
        replace(caret_, TextNavigation::nextCharacter(text_, caret_) - caret_, text,
                RichTextBox::UndoTyping);
    } else {
        replaceSelection(text, RichTextBox::UndoTyping);
    }
}

void PlainTextEdit::deleteTo(qsizetype position) {
    if (caret_ != anchor_) {
        replaceSelection(QString(), RichTextBox::UndoDelete);
    } else {
        const qsizetype from = std::min(caret_, position);
        replace(from, std::max(caret_, position) - from, QString(), RichTextBox::UndoDelete);
    }
}

void PlainTextEdit::print(QPrinter* printer) {
    QTextDocument document;
    document.setDefaultFont(font());
    const bool part = caret_ != anchor_;
    if (formats_) {
        FormattedText::toDocument(text_, *formats_, part ? selectionStart() : 0,
                                  part ? selectionEnd() : text_.length(), &document);
    } else {
        document.setPlainText(part ? text_.mid(selectionStart(), selectionEnd() - selectionStart())
                                   : text_.text());
    }
    document.print(printer);
}

void PlainTextEdit::replaceFormatted(QString text, TextFormats formats, int type) {
    if (!formats_) {
        loadFormatted(std::move(text), std::move(formats));
        return;
    }
    TextBuffer incoming;
    incoming.setText(text);
    const TextFormats::Slice slice =
        formats_->adopt(formats, formats.cut(incoming, {0}, incoming.length()));
    // The first paragraph and the last paragraph's mark are not in the slice: they stay the
    // document's own, so they are set beside the step.
    formats_->setBlockFormat(0,
                             formats_->internBlock(formats.blockFormat(formats.blockFormatOf(0))));
    formats_->setEndMarkFormat(formats_->internChar(formats.charFormat(formats.endMarkFormat())));
    replace(0, text_.length(), text, type, &slice);
}

void PlainTextEdit::replacePieces(const std::vector<TextReplacement>& pieces, int type) {
    if (pieces.empty()) return;
    const qsizetype from = pieces.front().position;
    const qsizetype to = pieces.back().position + pieces.back().length;
    // One replacement of the stretch the pieces span, the text between them in its own formats.
    QString with;
    TextFormats::Slice formats;
    qsizetype at = from;
    for (const TextReplacement& piece : pieces) {
        with += text_.mid(at, piece.position - at);
        with += piece.with;
        if (formats_) {
            formats.append(formats_->cut(text_, {at}, piece.position - at));
            formats.append(formats_->insertion(text_, {piece.position}, piece.length, piece.with));
        }
        at = piece.position + piece.length;
    }
    replace(from, to - from, with, type, formats_ ? &formats : nullptr);
}

void PlainTextEdit::setOverwriteMode(bool on) {
    overwrite_ = on;
    viewport()->update();
}

// ---- Keys

bool PlainTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEditorKey(key) || isTypedText(key)) {
            event->accept();
            return true;
        }
    }
    // Tab types a tab rather than moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void PlainTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        emit overwriteToggleRequested();
    } else if (event->matches(QKeySequence::Copy)) {
        copyToClipboard();
    } else if (event->matches(QKeySequence::Cut)) {
        cutToClipboard();
    } else if (event->matches(QKeySequence::Paste)) {
        pasteFromClipboard();
    } else if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (event->matches(QKeySequence::SelectAll)) {
        select(0, text_.length());
        offerSelection();
    } else if (!moveByKey(event) && !editByKey(event)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool PlainTextEdit::moveByKey(QKeyEvent* event) {
    using K = QKeySequence;
    const bool hasSelection = caret_ != anchor_;
    struct Move {
        K::StandardKey move, extend;
    };
    enum What {
        Char,
        PrevChar,
        Word,
        PrevWord,
        Line,
        PrevLine,
        Page,
        PrevPage,
        Home,
        End,
        Top,
        Bottom
    };
    static const Move moves[] = {{K::MoveToNextChar, K::SelectNextChar},
                                 {K::MoveToPreviousChar, K::SelectPreviousChar},
                                 {K::MoveToNextWord, K::SelectNextWord},
                                 {K::MoveToPreviousWord, K::SelectPreviousWord},
                                 {K::MoveToNextLine, K::SelectNextLine},
                                 {K::MoveToPreviousLine, K::SelectPreviousLine},
                                 {K::MoveToNextPage, K::SelectNextPage},
                                 {K::MoveToPreviousPage, K::SelectPreviousPage},
                                 {K::MoveToStartOfLine, K::SelectStartOfLine},
                                 {K::MoveToEndOfLine, K::SelectEndOfLine},
                                 {K::MoveToStartOfDocument, K::SelectStartOfDocument},
                                 {K::MoveToEndOfDocument, K::SelectEndOfDocument}};
    int what = -1;
    bool extend = false;
    for (int i = 0; i < int(std::size(moves)) && what < 0; ++i) {
        if (event->matches(moves[i].move)) what = i;
        if (event->matches(moves[i].extend)) what = i, extend = true;
    }
    if (what < 0) return false;

    const qreal keptX = caretX_;
    qsizetype to = caret_;
    bool rowEnd = false;
    switch (what) {
        case Char:
            to = hasSelection && !extend ? selectionEnd() : visualStep(true);
            break;
        case PrevChar:
            to = hasSelection && !extend ? selectionStart() : visualStep(false);
            break;
        case Word:
            to = TextNavigation::nextWord(text_, caret_);
            break;
        case PrevWord:
            to = TextNavigation::previousWord(text_, caret_);
            break;
        case Line:
            to = verticalMove(1, &rowEnd);
            break;
        case PrevLine:
            to = verticalMove(-1, &rowEnd);
            break;
        case Page:
        case PrevPage: {
            const int rows = (what == Page ? 1 : -1) * std::max(1, visibleRows() - 1);
            to = verticalMove(rows, &rowEnd);
            scrollRows(rows);
            break;
        }
        case Home:
            to = layout_.rowStart(caretRow());
            break;
        case End:
            to = layout_.rowEnd(caretRow());
            rowEnd = true;
            break;
        case Top:
            to = 0;
            break;
        case Bottom:
            to = text_.length();
            break;
    }
    const bool vertical = what == Line || what == PrevLine || what == Page || what == PrevPage;
    const qreal x = caretX_;
    moveCaret(to, extend, rowEnd);
    if (vertical) caretX_ = keptX >= 0 ? keptX : x;
    if (extend) offerSelection();
    return true;
}

// Right and Left move the caret the way they point, through right-to-left text as through any
// other; past the edge of a line's layout they go on to the line after or before. Where nothing
// runs right to left, that is the order of the text.
qsizetype PlainTextEdit::visualStep(bool right) {
    const TextRow row = caretRow();
    QTextLayout* piece = layout_.layout(row);
    const qsizetype start = layout_.pieceStart(row);
    if (!hasRightToLeft(piece->text()))
        return right ? TextNavigation::nextCharacter(text_, caret_)
                     : TextNavigation::previousCharacter(text_, caret_);
    for (int offset = int(caret_ - start);;) {
        const int moved =
            right ? piece->rightCursorPosition(offset) : piece->leftCursorPosition(offset);
        if (moved == offset) break;
        offset = moved;
        // Qt's layout stops at a few places inside what its boundary finder holds to be one
        // character (between a space and a joiner, or the halves of a pair): a caret does not.
        if (TextNavigation::isCharacterBoundary(text_, start + offset)) return start + offset;
    }
    return right != layout_.rightToLeft(row.line)
               ? TextNavigation::nextCharacter(text_, caret_)
               : TextNavigation::previousCharacter(text_, caret_);
}

bool PlainTextEdit::editByKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::DeleteEndOfWord)) {
        deleteTo(TextNavigation::nextWord(text_, caret_));
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        deleteTo(TextNavigation::previousWord(text_, caret_));
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const qsizetype end = text_.lineEnd(text_.lineOf(caret_));
        deleteTo(end > caret_ ? end : TextNavigation::nextCharacter(text_, caret_));
    } else if (event->matches(QKeySequence::Delete)) {
        deleteTo(TextNavigation::nextCharacter(text_, caret_));
    } else if (event->matches(QKeySequence::Backspace) || event->key() == Qt::Key_Backspace) {
        deleteTo(TextNavigation::previousDeletion(text_, caret_));
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A line break ends the typing step, as it does in other editors.
        replaceSelection(QStringLiteral("\n"), RichTextBox::UndoTyping);
        history_.breakRun();
    } else if (isTypedText(event)) {
        typeText(event->text());
    } else {
        return false;
    }
    return true;
}

void PlainTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (event->replacementLength() > 0) {
        const qsizetype from = caret_ + event->replacementStart();
        replace(from, event->replacementLength(), event->commitString(), RichTextBox::UndoTyping);
    } else if (!event->commitString().isEmpty()) {
        typeText(event->commitString());
    }
    preedit_ = event->preeditString();
    preeditCursor_ = preedit_.size();
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = attribute.length > 0 ? attribute.start : -1;
        } else if (attribute.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = attribute.value.value<QTextFormat>().toCharFormat();
            if (format.isValid()) formats.append({attribute.start, attribute.length, format});
        }
    }
    layout_.setPreedit(caret_, preedit_, formats);
    viewport()->update();
    event->accept();
}

QVariant PlainTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    auto* self = const_cast<PlainTextEdit*>(this);
    PlainTextLayout& layout = self->layout_;
    const TextRow row = layout.rowAt(caret_);
    const qsizetype pieceStart = layout.pieceStart(row);
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImHints:
            return int(Qt::ImhMultiLine);
        case Qt::ImFont:
            return font();
        case Qt::ImCursorRectangle: {
            QRect rect = self->characterRect(caret_);
            if (!preedit_.isEmpty() && preeditCursor_ >= 0 && !rect.isNull()) {
                const QTextLine line = layout.line(self->caretRow());
                rect.moveLeft(kMargin +
                              int(line.cursorToX(int(caret_ - pieceStart + preeditCursor_))));
            }
            return rect.translated(viewport()->pos());
        }
        // The surrounding text is the piece of the line around the caret.
        case Qt::ImSurroundingText:
            return layout.layout(row)->text();
        case Qt::ImCursorPosition:
            return int(caret_ - pieceStart);
        case Qt::ImAnchorPosition:
            return int(
                std::clamp<qsizetype>(anchor_ - pieceStart, 0, layout.layout(row)->text().size()));
        case Qt::ImCurrentSelection:
            return selectedText();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}
