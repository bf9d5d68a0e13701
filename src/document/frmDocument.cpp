// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/frmDocument.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "common/DialogHost.h"
#include "common/Twips.h"
#include "common/core/DocumentSettings.h"
#include "document/ChangedOnDiskBar.h"
#include "document/RichTextBox.h"

frmDocument::frmDocument(DialogHost* dialogs, Save save, QWidget* parent)
    : ChildForm(parent),
      txtText(new RichTextBox(this)),
      diskBar(new ChangedOnDiskBar(this, save)),
      dialogs_(dialogs),
      save_(std::move(save)) {
    setCaption(QStringLiteral("frmDocument"));
    Form_Load();
}

void frmDocument::Form_Load() {
    // The control always fills the window (the layout is the resize step).
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(diskBar);
    layout->addWidget(txtText);
    setFocusProxy(txtText);
    resize(Twips::toPixelsX(4680, this), Twips::toPixelsY(3195, this));

    txtText->setBackColor(CurrentDocumentSettings().DocBG);
    connect(txtText, &RichTextBox::Edited, this, &frmDocument::txtText_Edited);
    connect(txtText, &RichTextBox::Change, this, &frmDocument::txtText_Change);
    connect(txtText, &RichTextBox::SelChange, this, &frmDocument::txtText_SelChange);
    txtText_Change();
}

namespace {
// The characters of a text, read a window at a time: the preview check may read millions of
// them (a file of empty lines has no decisive one), or, after an edit, a few. Windows start
// small and grow.
class WindowedText {
  public:
    explicit WindowedText(const RichTextBox* text) : text_(text) {}
    QChar operator()(qsizetype i) {
        if (i < start_ || i >= start_ + window_.size()) {
            start_ = std::max<qsizetype>(0, i - 8);  // the check looks back five characters
            window_ = text_->TextRange(start_, size_);
            size_ = std::min<qsizetype>(size_ * 2, 64 * 1024);
        }
        return i - start_ < window_.size() ? window_.at(i - start_) : QChar();  // past the end
    }

  private:
    const RichTextBox* text_;
    qsizetype start_ = 0;
    qsizetype size_ = 64;
    QString window_;
};
}  // namespace

void frmDocument::UpdatePreviewButton() {
    preview_.reset(WindowedText(txtText), txtText->TextLength());
    tellPreviewState();
}

void frmDocument::tellPreviewState() {
    // The words of a page's markup are no prose to check.
    txtText->setSpellCheck(preview_.page() ? nullptr : spellCheck_);
    emit PreviewAvailable(preview_.page());
}

void frmDocument::setSpellCheck(SpellCheck* check) {
    spellCheck_ = check;
    UpdatePreviewButton();
}

// An edit of a known place: the preview check reads what it changed, not the whole text.
void frmDocument::txtText_Edited(qsizetype position, qsizetype removed, qsizetype added) {
    preview_.edited(WindowedText(txtText), position, removed, added);
    previewEdited_ = true;
}

void frmDocument::txtText_Change() {
    // A change that did not say where it was, or one the check lost count of, is read whole.
    if (!previewEdited_ || preview_.length() != txtText->TextLength()) {
        UpdatePreviewButton();
    } else {
        tellPreviewState();
    }
    previewEdited_ = false;
    setTag(QStringLiteral("SAVE"));
}

// Moving the caret or the selection changes nothing in the text: the preview button is told
// again what the last check found, and the marker stays as it is.
void frmDocument::txtText_SelChange() {
    emit PreviewAvailable(preview_.page());
}

void frmDocument::closeEvent(QCloseEvent* event) {
    int Cancel = 0;
    Form_Unload(Cancel);
    if (Cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}

void frmDocument::Form_Unload(int& Cancel) {
    if (Tag() != QLatin1String("SAVE")) return;
    if (!dialogs_) return;
    const int answer = dialogs_->MsgBox(
        this,
        QStringLiteral(
            "You are about to quit and file has not been saved, Do you want to save it now?"),
        MsgBoxStyle::YesNoCancel + MsgBoxStyle::Question, QStringLiteral("Save file?"));
    if (answer == MsgBoxResult::Yes) {
        // Nothing is closed unsaved after the user asked to save it: a cancelled save dialog or a
        // failed write keeps the window open.
        if (!save_ || !save_(this)) Cancel = 1;
    } else if (answer != MsgBoxResult::No) {
        Cancel = 1;
    }
}

int frmDocument::zoomPercent() const {
    return txtText->ZoomPercent();
}

void frmDocument::setZoomPercent(int percent) {
    txtText->setZoomPercent(percent);
}
