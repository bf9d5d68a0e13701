// SPDX-License-Identifier: GPL-3.0-or-later
// The rich-text control. A little over the usual file length: it is one widget whose text,
// selection, formatting, file and undo properties all act on the same editor and document.
#include "document/RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QVBoxLayout>

#include "common/core/ColourValue.h"
#include "document/core/DocumentFileIO.h"
#include "document/core/InertLayout.h"
#include "document/core/LoadEstimate.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"

namespace {
constexpr int kDefaultBackColor = 0xFFFFFF;

// Qt's line breaker looks ahead to the next place a line may break for every line it makes, so
// wrapping a paragraph at word boundaries costs time quadratic in the length of its longest
// word (a 400 KB word took half a minute). A text with a paragraph longer than this is wrapped
// anywhere instead, which costs time linear in its length.
constexpr qsizetype kLongParagraph = 10000;

bool hasLongParagraph(QStringView text) {
    qsizetype start = 0;
    while (start + kLongParagraph < text.size()) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0 || end - start > kLongParagraph) return true;
        start = end + 1;
    }
    return false;
}

bool hasLongParagraph(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() > kLongParagraph) return true;
    }
    return false;
}
}  // namespace

// What RichTextBox needs from either edit widget.
class EditorSurface {
  public:
    virtual ~EditorSurface() = default;
    virtual QAbstractScrollArea* widget() = 0;
    virtual QTextDocument* textDocument() const = 0;
    virtual QTextCursor cursor() const = 0;
    virtual void setCursor(const QTextCursor& cursor) = 0;
    virtual bool overwrite() const = 0;
    virtual void setOverwrite(bool on) = 0;
    virtual void undoStep() = 0;
    virtual void redoStep() = 0;
    // Lines break anywhere from now on (see kLongParagraph).
    virtual void wrapAnywhere() = 0;
};

// One edit widget (QPlainTextEdit or QTextEdit) with what both kinds share: a plain-text
// clipboard, the Insert key toggling overwrite, and undo action types taken from the keys.
template <typename Base>
class Editor : public Base, public EditorSurface {
  public:
    explicit Editor(RichTextBox* owner) : Base(owner), owner_(owner) {}

    QAbstractScrollArea* widget() override { return this; }
    QTextDocument* textDocument() const override { return Base::document(); }
    QTextCursor cursor() const override { return Base::textCursor(); }
    void setCursor(const QTextCursor& cursor) override { Base::setTextCursor(cursor); }
    bool overwrite() const override { return Base::overwriteMode(); }
    void setOverwrite(bool on) override { Base::setOverwriteMode(on); }
    void undoStep() override { Base::undo(); }
    void redoStep() override { Base::redo(); }
    void wrapAnywhere() override {
        if (Base::wordWrapMode() != QTextOption::WrapAnywhere)
            Base::setWordWrapMode(QTextOption::WrapAnywhere);
    }

  protected:
    QMimeData* createMimeDataFromSelection() const override {
        auto* data = new QMimeData;
        data->setText(Base::textCursor().selection().toPlainText());
        return data;
    }
    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) return;
        const QString text = source->text();
        owner_->prepareFor(text);
        Base::textCursor().insertText(text);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
            owner_->setOverwriteMode(!owner_->OverwriteMode());
            event->accept();
            return;
        }
        // The clipboard keys do what the Edit menu's commands do, whose shortcuts they are
        // (Cut with nothing selected empties the clipboard, for one).
        if (event->matches(QKeySequence::Copy)) {
            owner_->Copy();
            event->accept();
            return;
        }
        if (!Base::isReadOnly() && event->matches(QKeySequence::Cut)) {
            owner_->Cut();
            event->accept();
            return;
        }
        if (!Base::isReadOnly() && event->matches(QKeySequence::Paste)) {
            owner_->Paste();
            event->accept();
            return;
        }
        const int type = actionTypeOf(event);
        owner_->startStep(type);
        QScopedValueRollback<int> pending(owner_->pendingType_, type);
        Base::keyPressEvent(event);
    }

    void dropEvent(QDropEvent* event) override {
        owner_->startStep(RichTextBox::UndoDragDrop);
        QScopedValueRollback<int> pending(owner_->pendingType_, RichTextBox::UndoDragDrop);
        Base::dropEvent(event);
    }

  private:
    static int actionTypeOf(QKeyEvent* event) {
        if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace ||
            event->matches(QKeySequence::DeleteEndOfWord) ||
            event->matches(QKeySequence::DeleteStartOfWord) ||
            event->matches(QKeySequence::DeleteEndOfLine) ||
            event->matches(QKeySequence::DeleteCompleteLine)) {
            return RichTextBox::UndoDelete;
        }
        if (!event->text().isEmpty() && !(event->modifiers() & Qt::ControlModifier)) {
            return RichTextBox::UndoTyping;
        }
        return RichTextBox::UndoUnknown;
    }

    RichTextBox* owner_;
};

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent), backColor_(kDefaultBackColor) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    baseFont_ = font();
    auto* document = new QTextDocument;
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    installEditor(false, document);
}

RichTextBox::~RichTextBox() = default;

void RichTextBox::installEditor(bool rich, QTextDocument* document, bool wrapAnywhere) {
    const bool overwrite = surface_ && surface_->overwrite();
    const bool hadFocus = surface_ && surface_->widget()->hasFocus();
    if (surface_) {
        QWidget* old = surface_->widget();
        surface_ = nullptr;
        old->hide();
        old->deleteLater();
    }
    richMode_ = rich;
    QAbstractScrollArea* widget = nullptr;
    if (rich) {
        auto* editor = new Editor<QTextEdit>(this);
        editor->setAcceptRichText(false);
        // The editor imposes its wrap mode on the document it takes: set before it lays out.
        if (wrapAnywhere) editor->setWordWrapMode(QTextOption::WrapAnywhere);
        editor->setDocument(document);
        connect(editor, &QTextEdit::cursorPositionChanged, this, &RichTextBox::SelChange);
        connect(editor, &QTextEdit::selectionChanged, this, &RichTextBox::SelChange);
        surface_ = editor;
        widget = editor;
    } else {
        auto* editor = new Editor<QPlainTextEdit>(this);
        if (wrapAnywhere) editor->setWordWrapMode(QTextOption::WrapAnywhere);
        editor->setDocument(document);
        connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &RichTextBox::SelChange);
        connect(editor, &QPlainTextEdit::selectionChanged, this, &RichTextBox::SelChange);
        surface_ = editor;
        widget = editor;
    }
    document->setParent(widget);
    // Every change of the default font lays the whole document out anew.
    if (document->defaultFont() != baseFont_) document->setDefaultFont(baseFont_);
    surface_->setOverwrite(overwrite);
    undoTypes_.clear();
    connect(document, &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (removed || added) emit Change();
    });
    connect(document, &QTextDocument::undoCommandAdded, this, &RichTextBox::onUndoCommandAdded);
    layout()->addWidget(widget);
    setFocusProxy(widget);
    setBackColor(backColor_);
    widget->show();
    if (hadFocus) widget->setFocus();
}

QTextDocument* RichTextBox::document() const {
    return surface_->textDocument();
}
QAbstractScrollArea* RichTextBox::editor() const {
    return surface_->widget();
}
QTextCursor RichTextBox::textCursor() const {
    return surface_->cursor();
}
void RichTextBox::setTextCursor(const QTextCursor& cursor) {
    surface_->setCursor(cursor);
}

QString RichTextBox::Text() const {
    return document()->toPlainText();
}

void RichTextBox::prepareFor(const QString& text) {
    if (text.size() > kLongParagraph && hasLongParagraph(text)) surface_->wrapAnywhere();
}

void RichTextBox::setText(const QString& text) {
    prepareFor(text);
    startStep(pendingType_);
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.setPosition(0);
    setTextCursor(cursor);
}

int RichTextBox::TextLength() const {
    return document()->characterCount() - 1;
}

QChar RichTextBox::CharAt(int position) const {
    if (position < 0 || position >= TextLength()) return QChar();
    const QChar c = document()->characterAt(position);
    return c == QChar::ParagraphSeparator ? QChar(QLatin1Char('\n')) : c;
}

QString RichTextBox::SelText() const {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void RichTextBox::setSelText(const QString& text) {
    prepareFor(text);
    startStep(pendingType_);
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

int RichTextBox::SelStart() const {
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int start) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, start, TextLength()));
    setTextCursor(cursor);
}

int RichTextBox::SelLength() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length) {
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(qBound(start, start + qMax(0, length), TextLength()),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextBox::SelectAll() {
    QTextCursor cursor = textCursor();
    cursor.select(QTextCursor::Document);
    setTextCursor(cursor);
}

int RichTextBox::BackColor() const {
    return backColor_;
}

void RichTextBox::setBackColor(int colourValue) {
    backColor_ = colourValue;
    QWidget* widget = editor();
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colourFromValue(colourValue));
    widget->setPalette(palette);
}

// The base font is the document's default font: it shows wherever the content has no font of
// its own, which is everywhere in plain text.
QString RichTextBox::FontName() const {
    return baseFont_.family();
}
double RichTextBox::FontSize() const {
    return baseFont_.pointSizeF();
}
bool RichTextBox::FontBold() const {
    return baseFont_.bold();
}
bool RichTextBox::FontItalic() const {
    return baseFont_.italic();
}
bool RichTextBox::FontUnderline() const {
    return baseFont_.underline();
}

void RichTextBox::setFontName(const QString& name) {
    baseFont_.setFamily(name);
    document()->setDefaultFont(baseFont_);
}
void RichTextBox::setFontSize(double points) {
    if (points <= 0) return;
    baseFont_.setPointSizeF(points);
    document()->setDefaultFont(baseFont_);
}
void RichTextBox::setFontBold(bool on) {
    baseFont_.setBold(on);
    document()->setDefaultFont(baseFont_);
}
void RichTextBox::setFontItalic(bool on) {
    baseFont_.setItalic(on);
    document()->setDefaultFont(baseFont_);
}
void RichTextBox::setFontUnderline(bool on) {
    baseFont_.setUnderline(on);
    document()->setDefaultFont(baseFont_);
}

bool RichTextBox::LoadFile(const QString& path, int fileType, QString* error,
                           LoadObserver* observer) {
    QByteArray bytes;
    if (!DocumentFileIO::readFile(path, &bytes, error)) return false;
    const bool rtf = fileType == rtfRTF && RtfReader::isRtf(bytes);
    if (observer && !observer->approve(LoadEstimate::of(bytes, rtf))) return false;
    // Taken now, while the bytes are here; it becomes the document's only once the load is
    // complete, so a refused or cancelled load leaves the document's file as it was.
    FileIdentity loaded = FileIdentity::capture(path, bytes);
    auto* document = new QTextDocument;
    document->setDefaultFont(baseFont_);
    document->setUndoRedoEnabled(false);
    if (rtf) {
        // Read without a layout; the editor lays the document out once, with the wrap mode
        // that suits its paragraphs.
        document->setDocumentLayout(new InertLayout(document));
        RtfReader::Progress progress;
        if (observer) progress = [observer](int percent) { return observer->progress(percent); };
        if (!RtfReader::read(bytes, document, progress)) {
            delete document;  // cancelled; the content stays as it was
            return false;
        }
        fileFormat_ = TextFileFormat();
        loadedFileWillChange_ = false;
        document->setUndoRedoEnabled(true);
        document->setDocumentLayout(nullptr);
        installEditor(true, document, hasLongParagraph(*document));
    } else {
        DecodedText decoded = TextFileCodec::decode(bytes);
        bytes = QByteArray();  // the raw bytes are not needed any more: keep the peak low
        document->setDocumentLayout(new QPlainTextDocumentLayout(document));
        // The text goes into the document once the editor shows it. QPlainTextEdit taking over
        // a filled document would make a text layout for every paragraph at once, which costs
        // about a fifth as much again as filling it; filled in place, the paragraphs are laid
        // out only when they come into view.
        installEditor(false, document, hasLongParagraph(decoded.text));
        bool complete = true;
        {
            const QSignalBlocker quiet(this);  // one Change below, no caret moves
            complete = fillPlain(document, decoded.text, observer);
            setTextCursor(QTextCursor(document));
        }
        if (!complete) {
            document->clear();
            document->setUndoRedoEnabled(true);
            fileFormat_ = TextFileFormat();
            loadedFileWillChange_ = false;
            return false;
        }
        fileFormat_ = decoded.format;
        loadedFileWillChange_ = decoded.looksBinary || decoded.lossy;
        document->setUndoRedoEnabled(true);
    }
    emit Change();
    fileOnDisk_ = std::move(loaded);
    return true;
}

bool RichTextBox::fillPlain(QTextDocument* document, const QString& text, LoadObserver* observer) {
    if (!observer) {
        document->setPlainText(text);
        return true;
    }
    // In pieces of whole lines, reporting progress between them. A single line goes in whole:
    // the editor lays out the paragraph it grows every time, so pieces of one line would cost
    // time quadratic in its length.
    constexpr qsizetype kPiece = 4 * 1024 * 1024;
    QTextCursor cursor(document);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.size();
        if (start + kPiece < end) {
            const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), start + kPiece);
            if (lineEnd >= 0) end = lineEnd + 1;
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text.mid(start, end - start));
        start = end;
        if (start < text.size() && !observer->progress(int(start * 100 / text.size())))
            return false;
    }
    return true;
}

bool RichTextBox::SaveFile(const QString& path, int fileType, QString* error) {
    savedAsUtf8Instead_ = false;
    if (fileType == rtfRTF) {
        const QByteArray bytes = RtfWriter::write(document());
        if (!DocumentFileIO::writeFile(path, bytes, error)) return false;
        fileOnDisk_ = FileIdentity::capture(path, bytes);
        return true;
    }
    EncodedText encoded = TextFileCodec::encode(TextFileCodec::plainText(*document()), fileFormat_);
    if (!DocumentFileIO::writeFile(path, encoded.bytes, error)) return false;
    fileOnDisk_ = FileIdentity::capture(path, encoded.bytes);
    fileFormat_ = encoded.format;
    savedAsUtf8Instead_ = encoded.fellBackToUtf8;
    return true;
}

QString RichTextBox::FileEncodingName() const {
    return fileFormat_.encodingName();
}

void RichTextBox::setFileEncodingName(const QString& name) {
    using E = TextFileFormat::Encoding;
    for (E encoding : {E::Utf8, E::Utf16LE, E::Utf16BE, E::Windows1252}) {
        for (bool bom : {false, true}) {
            TextFileFormat format = fileFormat_;
            format.encoding = encoding;
            format.bom = bom;
            if (format.encodingName() == name) {
                fileFormat_ = format;
                return;
            }
        }
    }
}

void RichTextBox::SelPrint(QPrinter* printer) {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        document()->print(printer);
        return;
    }
    QTextDocument selection;
    selection.setDefaultFont(document()->defaultFont());
    QTextCursor(&selection).insertFragment(cursor.selection());
    selection.print(printer);
}

namespace {
// Whole-word matching: a match must not be part of a longer word.
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

// The first match of `what` in `text` starting at or after `from` and ending at or before `end`,
// or -1. Letter case is ignored unless rtfMatchCase. With rtfWholeWord a match is refused when a
// word character on either side continues a word character at its edge; `before` stands for the
// character preceding `from` (null: none).
qsizetype matchIn(QStringView text, QStringView what, qsizetype from, qsizetype end, int options,
                  QChar before) {
    const Qt::CaseSensitivity cs =
        options & RichTextBox::rtfMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wordStart = isWordChar(what.front());
    const bool wordEnd = isWordChar(what.back());
    for (qsizetype at = from;; ++at) {
        at = text.indexOf(what, at, cs);
        if (at < 0 || at + what.size() > end) return -1;
        if (!(options & RichTextBox::rtfWholeWord)) return at;
        const QChar left = at == from ? before : text[at - 1];
        const qsizetype stop = at + what.size();
        const QChar right = stop < text.size() ? text[stop] : QChar();
        if (!(wordStart && isWordChar(left)) && !(wordEnd && isWordChar(right))) return at;
    }
}
}  // namespace

int RichTextBox::Find(const QString& text, int start, int end, int options) {
    const QString content = document()->toPlainText();
    start = qMax(0, start);
    if (text.isEmpty() || start > content.size()) return -1;
    const qsizetype stop = end < 0 ? content.size() : qMin<qsizetype>(end, content.size());
    const QChar before = start > 0 ? content[start - 1] : QChar();
    const qsizetype at = matchIn(content, text, start, stop, options, before);
    if (at < 0) return -1;
    QTextCursor match(document());
    match.setPosition(int(at));
    match.setPosition(int(at + text.size()), QTextCursor::KeepAnchor);
    setTextCursor(match);
    return int(at);
}

int RichTextBox::ReplaceAll(const QString& text, const QString& replacement, int start,
                            int options) {
    const QString content = document()->toPlainText();
    start = qMax(0, start);
    if (text.isEmpty() || start > content.size()) return 0;

    // The matches a Find / SelText loop would make: each search resumes right after the previous
    // replacement, whose last character is then what precedes the resume point.
    QVector<qsizetype> found;
    QChar before = start > 0 ? content[start - 1] : QChar();
    for (qsizetype from = start;;) {
        const qsizetype at = matchIn(content, text, from, content.size(), options, before);
        if (at < 0) break;
        found.append(at);
        if (!replacement.isEmpty()) {
            before = replacement.back();
        } else if (at > from) {
            before = content[at - 1];
        }
        from = at + text.size();
    }
    if (found.isEmpty()) return 0;

    // One edit block: one undo step, one change notification and one re-layout. Working from
    // the end keeps the earlier positions valid.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + text.size()), QTextCursor::KeepAnchor);
        cursor.insertText(replacement);
    }
    cursor.endEditBlock();
    const qsizetype shift = (found.size() - 1) * (replacement.size() - text.size());
    setSelStart(int(found.back() + shift + replacement.size()));
    return int(found.size());
}

bool RichTextBox::CanUndo() const {
    return document()->isUndoAvailable();
}
bool RichTextBox::CanRedo() const {
    return document()->isRedoAvailable();
}

int RichTextBox::UndoActionType() const {
    const int index = document()->availableUndoSteps() - 1;
    return index >= 0 && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

int RichTextBox::RedoActionType() const {
    const int index = document()->availableUndoSteps();
    return CanRedo() && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

void RichTextBox::Undo() {
    surface_->undoStep();
}
void RichTextBox::Redo() {
    surface_->redoStep();
}

void RichTextBox::ClearUndo() {
    document()->clearUndoRedoStacks();
    undoTypes_.clear();
}

void RichTextBox::onUndoCommandAdded() {
    const int index = document()->availableUndoSteps() - 1;
    if (index < 0) return;
    undoTypes_.resize(index + 1);
    undoTypes_[index] = pendingType_;
}

void RichTextBox::setPendingActionType(int type) {
    pendingType_ = type;
}

void RichTextBox::startStep(int type) {
    if (!CanUndo()) return;
    const int last = UndoActionType();
    if (type == last && (type == UndoTyping || type == UndoDelete)) return;
    // QTextDocument merges an insertion into the step before it when the two touch (so a
    // paste followed by typing would undo as one "Paste"), but never across the point where the
    // document was last marked unmodified. Nothing else here reads that mark.
    document()->setModified(false);
}

void RichTextBox::Copy() {
    QGuiApplication::clipboard()->setText(SelText());
}

void RichTextBox::Cut() {
    Copy();
    QScopedValueRollback<int> pending(pendingType_, UndoCut);
    setSelText(QString());
}

void RichTextBox::Paste() {
    QScopedValueRollback<int> pending(pendingType_, UndoPaste);
    setSelText(QGuiApplication::clipboard()->text());
}

bool RichTextBox::OverwriteMode() const {
    return surface_->overwrite();
}

void RichTextBox::setOverwriteMode(bool on) {
    if (surface_->overwrite() == on) return;
    surface_->setOverwrite(on);
    emit overwriteModeChanged(on);
}
