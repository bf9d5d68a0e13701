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
#include <QVBoxLayout>

#include "app/core/ColourValue.h"

// The edit widget inside RichTextBox: plain-text clipboard, undo action types from keys.
class RichTextEditor : public QTextEdit {
public:
    explicit RichTextEditor(RichTextBox* owner) : QTextEdit(owner), owner_(owner) {}

protected:
    QMimeData* createMimeDataFromSelection() const override {
        auto* data = new QMimeData;
        data->setText(textCursor().selection().toPlainText());
        return data;
    }
    bool canInsertFromMimeData(const QMimeData* source) const override { return source->hasText(); }
    void insertFromMimeData(const QMimeData* source) override {
        if (source->hasText()) textCursor().insertText(source->text());
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
            owner_->setOverwriteMode(!owner_->OverwriteMode());
            event->accept();
            return;
        }
        QScopedValueRollback<int> pending(owner_->pendingType_, actionTypeOf(event));
        QTextEdit::keyPressEvent(event);
    }

    void dropEvent(QDropEvent* event) override {
        QScopedValueRollback<int> pending(owner_->pendingType_, RichTextBox::UndoDragDrop);
        QTextEdit::dropEvent(event);
    }

private:
    static int actionTypeOf(QKeyEvent* event) {
        if (event->matches(QKeySequence::Cut)) return RichTextBox::UndoCut;
        if (event->matches(QKeySequence::Paste)) return RichTextBox::UndoPaste;
        switch (event->key()) {
            case Qt::Key_Delete:
            case Qt::Key_Backspace:
                return RichTextBox::UndoDelete;
            default:
                break;
        }
        if (event->matches(QKeySequence::DeleteEndOfWord) ||
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

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent), editor_(new RichTextEditor(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor_);
    setFocusProxy(editor_);
    editor_->setAcceptRichText(false);
    editor_->setAutoFillBackground(true);

    connect(editor_->document(), &QTextDocument::contentsChange, this,
            [this](int, int removed, int added) {
                if (!suppressChange_ && (removed || added)) emit Change();
            });
    connect(editor_, &QTextEdit::cursorPositionChanged, this, &RichTextBox::SelChange);
    connect(editor_, &QTextEdit::selectionChanged, this, &RichTextBox::SelChange);
    connect(editor_->document(), &QTextDocument::undoCommandAdded, this,
            &RichTextBox::onUndoCommandAdded);
}

RichTextBox::~RichTextBox() = default;

QTextDocument* RichTextBox::document() const { return editor_->document(); }
QTextEdit* RichTextBox::editor() const { return editor_; }

QString RichTextBox::Text() const { return editor_->document()->toPlainText(); }

void RichTextBox::setText(const QString& text) {
    QTextCursor cursor(editor_->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.setPosition(0);
    editor_->setTextCursor(cursor);
}

int RichTextBox::TextLength() const { return editor_->document()->characterCount() - 1; }

QChar RichTextBox::CharAt(int position) const {
    if (position < 0 || position >= TextLength()) return QChar();
    const QChar c = editor_->document()->characterAt(position);
    return c == QChar::ParagraphSeparator ? QChar(QLatin1Char('\n')) : c;
}

QString RichTextBox::SelText() const {
    QString text = editor_->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void RichTextBox::setSelText(const QString& text) {
    QTextCursor cursor = editor_->textCursor();
    cursor.insertText(text);
    editor_->setTextCursor(cursor);
}

int RichTextBox::SelStart() const { return editor_->textCursor().selectionStart(); }

void RichTextBox::setSelStart(int start) {
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(qBound(0, start, TextLength()));
    editor_->setTextCursor(cursor);
}

int RichTextBox::SelLength() const {
    const QTextCursor cursor = editor_->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length) {
    QTextCursor cursor = editor_->textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(qBound(start, start + qMax(0, length), TextLength()), QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
}

void RichTextBox::SelectAll() { editor_->selectAll(); }

int RichTextBox::BackColor() const {
    return valueFromColour(editor_->palette().color(QPalette::Base));
}

void RichTextBox::setBackColor(int colourValue) {
    QPalette palette = editor_->palette();
    palette.setColor(QPalette::Base, colourFromValue(colourValue));
    editor_->setPalette(palette);
}

QString RichTextBox::FontName() const { return editor_->document()->defaultFont().family(); }
double RichTextBox::FontSize() const { return editor_->document()->defaultFont().pointSizeF(); }
bool RichTextBox::FontBold() const { return editor_->document()->defaultFont().bold(); }
bool RichTextBox::FontItalic() const { return editor_->document()->defaultFont().italic(); }
bool RichTextBox::FontUnderline() const { return editor_->document()->defaultFont().underline(); }

namespace {
template <typename Change>
void changeDefaultFont(QTextDocument* document, Change change) {
    QFont font = document->defaultFont();
    change(font);
    document->setDefaultFont(font);
}
}  // namespace

void RichTextBox::setFontName(const QString& name) {
    changeDefaultFont(document(), [&](QFont& f) { f.setFamily(name); });
}
void RichTextBox::setFontSize(double points) {
    if (points <= 0) return;
    changeDefaultFont(document(), [&](QFont& f) { f.setPointSizeF(points); });
}
void RichTextBox::setFontBold(bool on) {
    changeDefaultFont(document(), [&](QFont& f) { f.setBold(on); });
}
void RichTextBox::setFontItalic(bool on) {
    changeDefaultFont(document(), [&](QFont& f) { f.setItalic(on); });
}
void RichTextBox::setFontUnderline(bool on) {
    changeDefaultFont(document(), [&](QFont& f) { f.setUnderline(on); });
}

bool RichTextBox::LoadFile(const QString& path, int fileType, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    Q_UNUSED(fileType);
    setText(QString::fromUtf8(bytes));
    ClearUndo();
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
    const QTextCursor cursor = editor_->textCursor();
    if (!cursor.hasSelection()) {
        editor_->document()->print(printer);
        return;
    }
    QTextDocument selection;
    selection.setDefaultFont(editor_->document()->defaultFont());
    QTextCursor(&selection).insertFragment(cursor.selection());
    selection.print(printer);
}

int RichTextBox::Find(const QString& text, int start, int end, int options) {
    if (text.isEmpty()) return -1;
    QTextDocument::FindFlags flags;
    if (options & rtfWholeWord) flags |= QTextDocument::FindWholeWords;
    if (options & rtfMatchCase) flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = editor_->document()->find(text, qMax(0, start), flags);
    if (found.isNull()) return -1;
    if (end >= 0 && found.selectionEnd() > end) return -1;
    editor_->setTextCursor(found);
    return found.selectionStart();
}

bool RichTextBox::CanUndo() const { return editor_->document()->isUndoAvailable(); }
bool RichTextBox::CanRedo() const { return editor_->document()->isRedoAvailable(); }

int RichTextBox::UndoActionType() const {
    const int index = editor_->document()->availableUndoSteps() - 1;
    return index >= 0 && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

int RichTextBox::RedoActionType() const {
    const int index = editor_->document()->availableUndoSteps();
    return CanRedo() && index < undoTypes_.size() ? undoTypes_[index] : UndoUnknown;
}

void RichTextBox::Undo() { editor_->undo(); }
void RichTextBox::Redo() { editor_->redo(); }

void RichTextBox::ClearUndo() {
    editor_->document()->clearUndoRedoStacks();
    undoTypes_.clear();
}

void RichTextBox::onUndoCommandAdded() {
    const int index = editor_->document()->availableUndoSteps() - 1;
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

bool RichTextBox::OverwriteMode() const { return editor_->overwriteMode(); }

void RichTextBox::setOverwriteMode(bool on) {
    if (editor_->overwriteMode() == on) return;
    editor_->setOverwriteMode(on);
    emit overwriteModeChanged(on);
}
