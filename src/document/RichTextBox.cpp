#include "document/RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/core/ColourValue.h"
#include "document/core/RtfReader.h"

namespace {
constexpr int kDefaultBackColor = 0xFFFFFF;
}

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

protected:
    QMimeData* createMimeDataFromSelection() const override {
        auto* data = new QMimeData;
        data->setText(Base::textCursor().selection().toPlainText());
        return data;
    }
    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }
    void insertFromMimeData(const QMimeData* source) override {
        if (source->hasText()) Base::textCursor().insertText(source->text());
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
            owner_->setOverwriteMode(!owner_->OverwriteMode());
            event->accept();
            return;
        }
        QScopedValueRollback<int> pending(owner_->pendingType_, actionTypeOf(event));
        Base::keyPressEvent(event);
    }

    void dropEvent(QDropEvent* event) override {
        QScopedValueRollback<int> pending(owner_->pendingType_, RichTextBox::UndoDragDrop);
        Base::dropEvent(event);
    }

private:
    static int actionTypeOf(QKeyEvent* event) {
        if (event->matches(QKeySequence::Cut)) return RichTextBox::UndoCut;
        if (event->matches(QKeySequence::Paste)) return RichTextBox::UndoPaste;
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

void RichTextBox::installEditor(bool rich, QTextDocument* document) {
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
        editor->setDocument(document);
        connect(editor, &QTextEdit::cursorPositionChanged, this, &RichTextBox::SelChange);
        connect(editor, &QTextEdit::selectionChanged, this, &RichTextBox::SelChange);
        surface_ = editor;
        widget = editor;
    } else {
        auto* editor = new Editor<QPlainTextEdit>(this);
        editor->setDocument(document);
        connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &RichTextBox::SelChange);
        connect(editor, &QPlainTextEdit::selectionChanged, this, &RichTextBox::SelChange);
        surface_ = editor;
        widget = editor;
    }
    document->setParent(widget);
    document->setDefaultFont(baseFont_);
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

QTextDocument* RichTextBox::document() const { return surface_->textDocument(); }
QAbstractScrollArea* RichTextBox::editor() const { return surface_->widget(); }
QTextCursor RichTextBox::textCursor() const { return surface_->cursor(); }
void RichTextBox::setTextCursor(const QTextCursor& cursor) { surface_->setCursor(cursor); }

QString RichTextBox::Text() const { return document()->toPlainText(); }

void RichTextBox::setText(const QString& text) {
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.setPosition(0);
    setTextCursor(cursor);
}

int RichTextBox::TextLength() const { return document()->characterCount() - 1; }

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
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

int RichTextBox::SelStart() const { return textCursor().selectionStart(); }

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
    cursor.setPosition(qBound(start, start + qMax(0, length), TextLength()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextBox::SelectAll() {
    QTextCursor cursor = textCursor();
    cursor.select(QTextCursor::Document);
    setTextCursor(cursor);
}

int RichTextBox::BackColor() const { return backColor_; }

void RichTextBox::setBackColor(int colourValue) {
    backColor_ = colourValue;
    QWidget* widget = editor();
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colourFromValue(colourValue));
    widget->setPalette(palette);
}

// The base font is the document's default font: it shows wherever the content has no font of
// its own, which is everywhere in plain text.
QString RichTextBox::FontName() const { return baseFont_.family(); }
double RichTextBox::FontSize() const { return baseFont_.pointSizeF(); }
bool RichTextBox::FontBold() const { return baseFont_.bold(); }
bool RichTextBox::FontItalic() const { return baseFont_.italic(); }
bool RichTextBox::FontUnderline() const { return baseFont_.underline(); }

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

bool RichTextBox::LoadFile(const QString& path, int fileType, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (fileType == rtfRTF && RtfReader::isRtf(bytes)) {
        auto* document = new QTextDocument;
        document->setDefaultFont(baseFont_);
        RtfReader::read(bytes, document);
        installEditor(true, document);
    } else {
        // A file asked for as RTF that is not RTF at all opens as plain text.
        auto* document = new QTextDocument;
        document->setDocumentLayout(new QPlainTextDocumentLayout(document));
        document->setUndoRedoEnabled(false);
        document->setPlainText(QString::fromUtf8(bytes));
        document->setUndoRedoEnabled(true);
        installEditor(false, document);
    }
    emit Change();
    return true;
}

bool RichTextBox::SaveFile(const QString& path, int fileType, QString* error) {
    Q_UNUSED(fileType);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Text().toUtf8()) < 0 || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
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

int RichTextBox::Find(const QString& text, int start, int end, int options) {
    if (text.isEmpty()) return -1;
    QTextDocument::FindFlags flags;
    if (options & rtfWholeWord) flags |= QTextDocument::FindWholeWords;
    if (options & rtfMatchCase) flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = document()->find(text, qMax(0, start), flags);
    if (found.isNull()) return -1;
    if (end >= 0 && found.selectionEnd() > end) return -1;
    setTextCursor(found);
    return found.selectionStart();
}

bool RichTextBox::CanUndo() const { return document()->isUndoAvailable(); }
bool RichTextBox::CanRedo() const { return document()->isRedoAvailable(); }

int RichTextBox::UndoActionType() const {
    const int index = document()->availableUndoSteps() - 1;
    return index >= 0 && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

int RichTextBox::RedoActionType() const {
    const int index = document()->availableUndoSteps();
    return CanRedo() && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

void RichTextBox::Undo() { surface_->undoStep(); }
void RichTextBox::Redo() { surface_->redoStep(); }

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

void RichTextBox::setPendingActionType(int type) { pendingType_ = type; }

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

bool RichTextBox::OverwriteMode() const { return surface_->overwrite(); }

void RichTextBox::setOverwriteMode(bool on) {
    if (surface_->overwrite() == on) return;
    surface_->setOverwrite(on);
    emit overwriteModeChanged(on);
}
