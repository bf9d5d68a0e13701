// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/core/FileIdentity.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFileCodec.h"
#include "document/core/TextReplacement.h"

class QAbstractScrollArea;
class QPrinter;
class PlainTextEdit;
class SpellCheck;
class TextFormats;
struct FormattedText;
struct LoadEstimate;

// What the caller of RichTextBox::LoadFile decides while a file loads.
class LoadObserver {
  public:
    virtual ~LoadObserver() = default;
    // Before anything changes: whether to load a file of this size and shape.
    virtual bool approve(const LoadEstimate& estimate) = 0;
    // Now and then while the text goes in, with the share done (0 to 100); false cancels.
    virtual bool progress(int percent) = 0;
};

// The rich-text edit control of document windows and of the options dialog's sample: the
// operations the rest of the program calls. Positions are 0-based.
//
// Inside, the text is shown by our own editor, which holds the text compactly and lays out only
// what is on screen. An RTF file brings formatting along: character runs and paragraph formats
// that the editor keeps through every edit and shows; the operations below work the same on
// plain and formatted text.
class RichTextBox : public QWidget {
    Q_OBJECT
  public:
    // File types of LoadFile and SaveFile.
    enum FileType { rtfRTF = 0, rtfText = 1 };
    // Find options, added together.
    enum FindOption { rtfNone = 0, rtfWholeWord = 2, rtfMatchCase = 4 };
    // Undo action types: what made an undo step.
    enum UndoType {
        UndoUnknown = 0,
        UndoTyping = 1,
        UndoDelete = 2,
        UndoDragDrop = 3,
        UndoCut = 4,
        UndoPaste = 5
    };

    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // The whole text, paragraphs separated by "\n". Writing replaces everything as one undo step.
    QString Text() const;
    void setText(const QString& text);
    int TextLength() const;
    // One character of the text ("\n" between paragraphs); a null QChar outside the text.
    QChar CharAt(int position) const;
    // `count` characters from `position`, as Text().mid would give them, without copying the
    // whole text.
    QString TextRange(qsizetype position, qsizetype count) const;
    // The whole text as it is now, for reading on another thread: a plain text is not copied.
    TextSnapshot textSnapshot() const;

    QString SelText() const;
    void setSelText(const QString& text);  // replaces the selection or inserts at the caret
    int SelStart() const;
    void setSelStart(int start);  // collapses the selection to a caret
    int SelLength() const;
    void setSelLength(int length);  // extends from SelStart
    void SelectAll();

    int BackColor() const;  // colour value
    void setBackColor(int colourValue);

    QString FontName() const;
    void setFontName(const QString& name);
    double FontSize() const;
    void setFontSize(double points);
    bool FontBold() const;
    void setFontBold(bool on);
    bool FontItalic() const;
    void setFontItalic(bool on);
    bool FontUnderline() const;
    void setFontUnderline(bool on);

    // Replace the content from a file / write it; false with `error` set on failure (the
    // content stays as it was). A file asked for as RTF that is not RTF opens as plain text.
    // Plain text is written back in the encoding, byte-order mark and line endings it was read
    // with (new documents: UTF-8 and LF); every write is atomic.
    // With an observer, the load can be declined before it starts and cancelled while it runs:
    // then it returns false with `error` left empty, and a cancelled load leaves the content
    // empty.
    bool LoadFile(const QString& path, int fileType, QString* error = nullptr,
                  LoadObserver* observer = nullptr);
    bool SaveFile(const QString& path, int fileType, QString* error = nullptr);
    // After LoadFile: what saving the unedited text will change in the file, for the user;
    // empty when every byte is kept (control characters, NUL bytes and all).
    QString LoadedFileChanges() const { return loadedFileChanges_; }
    // After SaveFile: the text held characters the file's encoding cannot represent, so it was
    // written as UTF-8 instead.
    bool SavedAsUtf8Instead() const { return savedAsUtf8Instead_; }
    // The plain-text encoding the text is saved in ("UTF-8", "UTF-16 LE", "Windows-1252"...).
    QString FileEncodingName() const;
    void setFileEncodingName(const QString& name);
    // How line breaks are written: the file's style, and for a file that mixes them each
    // break's own (see TextFileFormat).
    TextFileFormat::LineEnding FileLineEnding() const { return fileFormat_.lineEnding; }
    QByteArray FileMixedLineEndings() const { return fileFormat_.mixedLineEndings; }
    void setFileLineEndings(TextFileFormat::LineEnding ending, const QByteArray& mixed) {
        fileFormat_.lineEnding = ending;
        fileFormat_.mixedLineEndings = mixed;
    }
    // The file as the last LoadFile or SaveFile left it, to find out whether another program
    // has changed it since.
    const FileIdentity& FileOnDisk() const { return fileOnDisk_; }
    // Taken when the user decides the document stands for the file as it now is, although the
    // text was not read from it (keeping one's own text over another program's change).
    void setFileOnDisk(const FileIdentity& identity) { fileOnDisk_ = identity; }
    // Reads the file again as LoadFile does, but as one undo step that Undo takes back, the
    // caret staying where it was. Only a plain-text document that the file now brings
    // formatting to is loaded afresh, without undo.
    bool ReloadFile(const QString& path, int fileType, QString* error = nullptr);

    // The formatted text as RTF while the text carries formatting; empty otherwise.
    QByteArray RichText() const;
    // Replaces the content with the formatted text `rtf`; false, with the content as it was,
    // when `rtf` is not RTF.
    bool setRichText(const QByteArray& rtf);

    // Prints the selection, or the whole text when nothing is selected.
    void SelPrint(QPrinter* printer);

    // Searches from `start` (0-based) to `end` (-1: the end of the text); selects the match and
    // returns its position, or -1. Letter case is ignored unless rtfMatchCase; with rtfWholeWord
    // a match that is part of a longer word is skipped.
    int Find(const QString& text, int start = 0, int end = -1, int options = rtfNone);
    // Replaces every match from `start` to the end of the text as Find and a SelText write
    // repeated would (each search resuming after the previous replacement), but as one undo
    // step and one change. Leaves the caret after the last replacement; returns the count.
    int ReplaceAll(const QString& text, const QString& replacement, int start,
                   int options = rtfNone);

    // Replaces each of `pieces` (ascending, not overlapping, in the text as it is) as one undo
    // step and one change, and leaves the caret after the last.
    void ReplacePieces(const std::vector<TextReplacement>& pieces);

    bool CanUndo() const;
    bool CanRedo() const;
    int UndoActionType() const;
    int RedoActionType() const;
    void Undo();
    void Redo();
    // Clears the undo history (after a file has been loaded).
    void ClearUndo();

    // Clipboard operations, plain text only.
    void Cut();
    void Copy();
    void Paste();

    // How large the text is shown, in per cent: a property of this view only, never of the
    // document, its formatting or its file. Ctrl and the mouse wheel step it too.
    int ZoomPercent() const { return zoomPercent_; }
    void setZoomPercent(int percent);

    bool OverwriteMode() const;
    void setOverwriteMode(bool on);

    // The formatting of the text while it carries any (an RTF file's); null otherwise.
    const TextFormats* formats() const;
    // The edit widget showing the text.
    QAbstractScrollArea* editor() const;
    // Whether the text carries formatting.
    bool isRichMode() const { return formats() != nullptr; }

    // Underlines misspelt words and offers corrections through `check`; null: no checking.
    void setSpellCheck(SpellCheck* check);

    // Marks what the next change to the text is, for the undo name; used by commands that
    // edit the text on the user's behalf.
    void setPendingActionType(int type);

  signals:
    // `removed` characters at `position` became `added`, just before the Change it causes. A
    // Change without it (a load, another editor) may have changed any of the text.
    void Edited(qsizetype position, qsizetype removed, qsizetype added);
    void Change();
    void SelChange();
    void overwriteModeChanged(bool on);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyZoom();
    void applyFont();
    // Reads RTF into the editor; false when cancelled through `observer`.
    bool loadRtf(const QByteArray& bytes, LoadObserver* observer);
    // The formatted text of `bytes`, read with the control's font; empty when cancelled through
    // `observer` or not readable.
    std::optional<FormattedText> readRtf(const QByteArray& bytes, LoadObserver* observer) const;
    // Reads `count` characters from a position, as Text() has them, for the searches.
    std::function<QString(qsizetype, qsizetype)> textReader() const;
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;

    PlainTextEdit* editor_ = nullptr;
    TextFileFormat fileFormat_;
    FileIdentity fileOnDisk_;
    QString loadedFileChanges_;
    bool savedAsUtf8Instead_ = false;
    QFont baseFont_;
    int backColor_;
    int pendingType_ = UndoUnknown;
    SpellCheck* spellCheck_ = nullptr;
    int zoomPercent_ = 100;
    int wheelZoomRest_ = 0;  // wheel movement short of a step
};
