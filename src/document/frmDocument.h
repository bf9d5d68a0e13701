// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "common/ChildForm.h"
#include "document/core/PreviewRule.h"

class ChangedOnDiskBar;
class DialogHost;
class RichTextBox;
class SpellCheck;
class QCloseEvent;

// A document window: one text in the main window's document area. Its caption is the file path
// (or "Document n"), its tag the changed marker ("" clean, "SAVE" changed since the last save).
class frmDocument : public ChildForm {
    Q_OBJECT
  public:
    // Saves the document as File > Save would; true when the file was written.
    using Save = std::function<bool(frmDocument*)>;

    // The close prompt asks through `dialogs` and saves through `save`; without a host it
    // closes without asking.
    explicit frmDocument(DialogHost* dialogs = nullptr, Save save = {}, QWidget* parent = nullptr);

    RichTextBox* txtText;
    // Shown above the text when another program has changed or removed the file.
    ChangedOnDiskBar* diskBar;

    // Re-checks from the start of the text whether it can be previewed as a web page, and
    // tells by PreviewAvailable.
    void UpdatePreviewButton();

    // Spell checking for the text, except while it is an HTML page; null: none.
    void setSpellCheck(SpellCheck* check);

    // The text's size on screen; the document itself is untouched.
    int zoomPercent() const override;
    void setZoomPercent(int percent) override;

  signals:
    void PreviewAvailable(bool available);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Load();
    void Form_Unload(int& Cancel);
    void txtText_Edited(qsizetype position, qsizetype removed, qsizetype added);
    void txtText_Change();
    void txtText_SelChange();
    // Tells the toolbar what the last check found, and spell checking whether to look.
    void tellPreviewState();

    DialogHost* dialogs_;
    Save save_;
    PreviewRuleCache preview_;    // whether the text starts like a page
    bool previewEdited_ = false;  // the coming Change was an edit the check has seen
    SpellCheck* spellCheck_ = nullptr;
};
