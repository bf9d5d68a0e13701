// SPDX-License-Identifier: GPL-3.0-or-later
// The rich-text control: file loading and saving, fonts and colours, searching, and the text,
// selection and undo properties, over the editor that shows the text.
#include "document/RichTextBox.h"

#include <QPalette>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <functional>
#include <iterator>
#include <optional>

#include "common/core/ColourValue.h"
#include "common/core/TextBoundaries.h"
#include "common/core/ZoomSteps.h"
#include "document/PlainTextEdit.h"
#include "document/core/DocumentFileIO.h"
#include "document/core/FormattedText.h"
#include "document/core/LoadEstimate.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"

namespace {
constexpr int kDefaultBackColor = 0xFFFFFF;
}  // namespace

RichTextBox::RichTextBox(QWidget* parent) : QWidget(parent), backColor_(kDefaultBackColor) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    baseFont_ = font();
    editor_ = new PlainTextEdit(this);
    connect(editor_, &PlainTextEdit::edited, this, &RichTextBox::Edited);
    connect(editor_, &PlainTextEdit::textChanged, this, &RichTextBox::Change);
    connect(editor_, &PlainTextEdit::selectionChanged, this, &RichTextBox::SelChange);
    connect(editor_, &PlainTextEdit::overwriteToggleRequested, this,
            [this] { setOverwriteMode(!OverwriteMode()); });
    editor_->viewport()->installEventFilter(this);
    layout->addWidget(editor_);
    setFocusProxy(editor_);
    applyFont();
    setBackColor(backColor_);
}

RichTextBox::~RichTextBox() = default;

void RichTextBox::setSpellCheck(SpellCheck* check) {
    spellCheck_ = check;
    editor_->setSpellCheck(check);
}

const TextFormats* RichTextBox::formats() const {
    return editor_->formats();
}

QAbstractScrollArea* RichTextBox::editor() const {
    return editor_;
}

QString RichTextBox::Text() const {
    QString text = editor_->text();
    return isRichMode() ? FormattedText::asPlain(text) : text;
}

TextSnapshot RichTextBox::textSnapshot() const {
    return isRichMode() ? TextSnapshot(Text()) : editor_->buffer().snapshot();
}

void RichTextBox::setText(const QString& text) {
    editor_->replace(0, editor_->length(), text, pendingType_);
    editor_->select(0, 0);
}

int RichTextBox::TextLength() const {
    return int(editor_->length());
}

QChar RichTextBox::CharAt(int position) const {
    if (position < 0 || position >= TextLength()) return QChar();
    const QChar c = editor_->charAt(position);
    return isRichMode() ? FormattedText::asPlain(c) : c;
}

QString RichTextBox::TextRange(qsizetype position, qsizetype count) const {
    QString range = editor_->buffer().mid(position, count);
    return isRichMode() ? FormattedText::asPlain(range) : range;
}

qsizetype RichTextBox::selectionStart() const {
    return std::min(editor_->caret(), editor_->anchor());
}

qsizetype RichTextBox::selectionEnd() const {
    return std::max(editor_->caret(), editor_->anchor());
}

QString RichTextBox::SelText() const {
    return editor_->selectedText();
}

void RichTextBox::setSelText(const QString& text) {
    editor_->replaceSelection(text, pendingType_);
}

int RichTextBox::SelStart() const {
    return int(selectionStart());
}

void RichTextBox::setSelStart(int start) {
    const qsizetype at = qBound(0, start, TextLength());
    editor_->select(at, at);
}

int RichTextBox::SelLength() const {
    return int(selectionEnd() - selectionStart());
}

void RichTextBox::setSelLength(int length) {
    const qsizetype start = selectionStart();
    editor_->select(start, qBound<qsizetype>(start, start + qMax(0, length), TextLength()));
}

void RichTextBox::SelectAll() {
    editor_->select(0, editor_->length());
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

// The base font shows wherever the content has no font of its own, which is everywhere in
// plain text.
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
    applyFont();
}
void RichTextBox::setFontSize(double points) {
    if (points <= 0) return;
    baseFont_.setPointSizeF(points);
    applyFont();
}
void RichTextBox::setFontBold(bool on) {
    baseFont_.setBold(on);
    applyFont();
}
void RichTextBox::setFontItalic(bool on) {
    baseFont_.setItalic(on);
    applyFont();
}
void RichTextBox::setFontUnderline(bool on) {
    baseFont_.setUnderline(on);
    applyFont();
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
    if (rtf) {
        if (!loadRtf(bytes, observer)) return false;  // cancelled; the content stays as it was
    } else {
        // The bytes become the text where they lie, when they can: the peak stays low.
        DecodedText decoded = TextFileCodec::decodeCompact(std::move(bytes));
        bytes = QByteArray();
        const QSignalBlocker quiet(this);
        if (decoded.text.isEmpty()) {
            editor_->loadLatin1(std::move(decoded.latin1));
        } else {
            editor_->load(std::move(decoded.text));
        }
        fileFormat_ = decoded.format;
        loadedFileChanges_ = decoded.changes;
    }
    emit Change();
    fileOnDisk_ = std::move(loaded);
    return true;
}

std::optional<FormattedText> RichTextBox::readRtf(const QByteArray& bytes,
                                                  LoadObserver* observer) const {
    RtfReader::Progress progress;
    if (observer) progress = [observer](int percent) { return observer->progress(percent); };
    FormattedText read;
    if (!RtfReader::read(bytes, &read, progress)) return std::nullopt;
    return read;
}

bool RichTextBox::loadRtf(const QByteArray& bytes, LoadObserver* observer) {
    std::optional<FormattedText> read = readRtf(bytes, observer);
    if (!read) return false;
    fileFormat_ = TextFileFormat();
    loadedFileChanges_.clear();
    const QSignalBlocker quiet(this);  // one Change from the caller, no caret moves
    editor_->loadFormatted(std::move(read->text), std::move(read->formats));
    return true;
}

QByteArray RichTextBox::RichText() const {
    const TextFormats* rich = formats();
    return rich ? RtfWriter::write(editor_->buffer(), *rich, baseFont_) : QByteArray();
}

bool RichTextBox::setRichText(const QByteArray& rtf) {
    if (!RtfReader::isRtf(rtf) || !loadRtf(rtf, nullptr)) return false;
    emit Change();
    return true;
}

bool RichTextBox::SaveFile(const QString& path, int fileType, QString* error) {
    savedAsUtf8Instead_ = false;
    if (fileType == rtfRTF) {
        const QByteArray bytes =
            isRichMode() ? RichText() : RtfWriter::writePlain(Text(), baseFont_);
        if (!DocumentFileIO::writeFile(path, bytes, error)) return false;
        fileOnDisk_ = FileIdentity::capture(path, bytes);
        editor_->endUndoStep();  // an undo step never reaches back across a save
        return true;
    }
    if (!isRichMode() && TextFileCodec::PieceEncoder::inPieces(fileFormat_)) {
        // Read, encoded, written and hashed a piece at a time: a large text is never copied
        // whole, nor held as bytes.
        const TextBuffer& text = editor_->buffer();
        TextFileCodec::PieceEncoder encoder(
            [&text](qsizetype at, qsizetype count) { return text.mid(at, count); }, text.length(),
            fileFormat_, 1 << 20,
            [&text](qsizetype at, qsizetype count) { return text.latin1Run(at, count); });
        FileIdentity::ContentHash hash;
        const auto next = [&] {
            const QByteArrayView piece = encoder.next();
            hash.add(piece);
            return piece;
        };
        if (!DocumentFileIO::writeFile(path, next, error)) return false;
        fileOnDisk_ = FileIdentity::capture(path, hash);
        editor_->endUndoStep();
        return true;
    }
    const QString text =
        isRichMode() ? FormattedText::plainFileText(editor_->text()) : editor_->text();
    EncodedText encoded = TextFileCodec::encode(text, fileFormat_);
    if (!DocumentFileIO::writeFile(path, encoded.bytes, error)) return false;
    fileOnDisk_ = FileIdentity::capture(path, encoded.bytes);
    fileFormat_ = encoded.format;
    savedAsUtf8Instead_ = encoded.fellBackToUtf8;
    editor_->endUndoStep();
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
            // UTF-16 is recognised by its byte-order mark only, so it is written with one.
            format.bom = bom || encoding == E::Utf16LE || encoding == E::Utf16BE;
            if (format.encodingName() == name) {
                fileFormat_ = format;
                return;
            }
        }
    }
}

void RichTextBox::SelPrint(QPrinter* printer) {
    // The print has the document's size, not the view's.
    const int zoom = zoomPercent_;
    setZoomPercent(ZoomSteps::kNormal);
    editor_->print(printer);
    setZoomPercent(zoom);
}

void RichTextBox::setZoomPercent(int percent) {
    percent = qBound(ZoomSteps::kPercents[0], percent, std::end(ZoomSteps::kPercents)[-1]);
    if (percent == zoomPercent_) return;
    zoomPercent_ = percent;
    applyZoom();
}

void RichTextBox::applyZoom() {
    applyFont();
    editor_->setFormatScale(zoomPercent_ / 100.0);
}

void RichTextBox::applyFont() {
    // The base font shows zoomed; a formatted text's own sizes are zoomed by the format scale.
    QFont shown = baseFont_;
    shown.setPointSizeF(baseFont_.pointSizeF() * zoomPercent_ / 100.0);
    editor_->setTextFont(shown);
}

bool RichTextBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel || watched != editor_->widget()->viewport())
        return QWidget::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
    // A notch of the wheel (120) is one step; a touchpad's small movements add up to one.
    wheelZoomRest_ += wheel->angleDelta().y();
    while (qAbs(wheelZoomRest_) >= 120) {
        const int direction = wheelZoomRest_ > 0 ? 1 : -1;
        wheelZoomRest_ -= direction * 120;
        setZoomPercent(ZoomSteps::next(zoomPercent_, direction));
    }
    return true;
}

namespace {
using TextBoundaries::codePointAt;
using TextBoundaries::codePointBefore;

// The first match of `what` in `text` starting at or after `from` and ending at or before `end`,
// or -1. Letter case is ignored unless rtfMatchCase. With rtfWholeWord a match is refused when a
// word character on either side continues a word character at its edge; `before` stands for the
// character preceding `from` (0: none).
qsizetype matchIn(QStringView text, QStringView what, qsizetype from, qsizetype end, int options,
                  char32_t before) {
    using TextBoundaries::isWordCharacter;
    const Qt::CaseSensitivity cs =
        options & RichTextBox::rtfMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wordStart = isWordCharacter(codePointAt(what, 0));
    const bool wordEnd = isWordCharacter(codePointBefore(what, what.size()));
    for (qsizetype at = from;; ++at) {
        at = text.indexOf(what, at, cs);
        if (at < 0 || at + what.size() > end) return -1;
        if (!(options & RichTextBox::rtfWholeWord)) return at;
        const char32_t left = at == from ? before : codePointBefore(text, at);
        const char32_t right = codePointAt(text, at + what.size());
        if (!(wordStart && isWordCharacter(left)) && !(wordEnd && isWordCharacter(right)))
            return at;
    }
}

// Matches in a text read a window at a time, each window holding the matches that start within
// a stretch of kWindow (counted from the text's start) and the code points around them: finding
// a match costs what lies before it, never a copy of the whole text, and matches found one after
// another share their window.
class WindowedMatches {
  public:
    using Read = std::function<QString(qsizetype position, qsizetype count)>;
    WindowedMatches(Read read, QStringView what, int options)
        : read_(std::move(read)), what_(what), options_(options) {}

    // The first match at or after `from` that ends by `stop`, or -1; `from` never goes back from
    // one call to the next. `before` stands for the character preceding `from` (as in matchIn);
    // by default it is the text's own.
    qsizetype next(qsizetype from, qsizetype stop, std::optional<char32_t> before = {}) {
        constexpr qsizetype kWindow = 1 << 20;
        while (from + what_.size() <= stop) {
            const qsizetype stretch = from / kWindow;
            const qsizetype stretchEnd = (stretch + 1) * kWindow;
            if (stretch != stretch_) {
                stretch_ = stretch;
                windowStart_ = qMax<qsizetype>(0, from - 2);
                window_ = read_(windowStart_, stretchEnd - windowStart_ + what_.size() + 2);
            }
            const qsizetype offset = from - windowStart_;
            const qsizetype at = matchIn(
                window_, what_, offset, qMin(stretchEnd - 1 + what_.size(), stop) - windowStart_,
                options_, before ? *before : codePointBefore(window_, offset));
            if (at >= 0) return windowStart_ + at;
            from = stretchEnd;
            before.reset();
        }
        return -1;
    }

  private:
    Read read_;
    QStringView what_;
    int options_;
    QString window_;
    qsizetype stretch_ = -1;
    qsizetype windowStart_ = 0;
};
}  // namespace

std::function<QString(qsizetype, qsizetype)> RichTextBox::textReader() const {
    return [this](qsizetype at, qsizetype count) { return TextRange(at, count); };
}

int RichTextBox::Find(const QString& text, int start, int end, int options) {
    const qsizetype length = editor_->length();
    start = qMax(0, start);
    if (text.isEmpty() || start > length) return -1;
    WindowedMatches matches(textReader(), text, options);
    const qsizetype at = matches.next(start, end < 0 ? length : qMin<qsizetype>(end, length));
    if (at >= 0) editor_->select(at, at + text.size());
    return int(at);
}

int RichTextBox::ReplaceAll(const QString& text, const QString& replacement, int start,
                            int options) {
    const qsizetype length = editor_->length();
    start = qMax(0, start);
    if (text.isEmpty() || start > length) return 0;

    // The matches a Find / SelText loop would make: each search resumes right after the previous
    // replacement, whose last character is then what precedes the resume point.
    WindowedMatches matches(textReader(), text, options);
    std::vector<qsizetype> found;
    std::optional<char32_t> before;
    for (qsizetype from = start;;) {
        const qsizetype at = matches.next(from, length, before);
        if (at < 0) break;
        found.push_back(at);
        // Nothing put in its place, the match leaves what preceded it before the resume point:
        // no word character, or the match would not have been whole.
        before = replacement.isEmpty() ? 0 : codePointBefore(replacement, replacement.size());
        from = at + text.size();
    }
    if (found.empty()) return 0;
    editor_->replaceAll(found, text.size(), replacement, pendingType_);
    const qsizetype shift = qsizetype(found.size() - 1) * (replacement.size() - text.size());
    setSelStart(int(found.back() + shift + replacement.size()));
    return int(found.size());
}

void RichTextBox::ReplacePieces(const std::vector<TextReplacement>& pieces) {
    if (pieces.empty()) return;
    editor_->replacePieces(pieces, pendingType_);
    qsizetype caret = pieces.back().position + pieces.back().with.size();
    for (size_t i = 0; i + 1 < pieces.size(); ++i)
        caret += pieces[i].with.size() - pieces[i].length;
    setSelStart(int(caret));
}

bool RichTextBox::CanUndo() const {
    return editor_->canUndo();
}
bool RichTextBox::CanRedo() const {
    return editor_->canRedo();
}
int RichTextBox::UndoActionType() const {
    return editor_->undoType();
}
int RichTextBox::RedoActionType() const {
    return editor_->redoType();
}
void RichTextBox::Undo() {
    editor_->undo();
}
void RichTextBox::Redo() {
    editor_->redo();
}
void RichTextBox::ClearUndo() {
    editor_->clearUndo();
}

void RichTextBox::setPendingActionType(int type) {
    pendingType_ = type;
}

void RichTextBox::Copy() {
    editor_->copyToClipboard();
}

void RichTextBox::Cut() {
    editor_->cutToClipboard();
}

void RichTextBox::Paste() {
    editor_->pasteFromClipboard();
}

bool RichTextBox::OverwriteMode() const {
    return editor_->overwriteMode();
}

void RichTextBox::setOverwriteMode(bool on) {
    if (editor_->overwriteMode() == on) return;
    editor_->setOverwriteMode(on);
    emit overwriteModeChanged(on);
}
