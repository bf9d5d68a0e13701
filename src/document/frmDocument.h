#pragma once

#include "common/ChildForm.h"

class RichTextBox;
class QCloseEvent;

// A document window: one text in the main window's document area. Its caption is the file path
// (or "Document n"), its tag the changed marker ("" clean, "SAVE" changed since the last save).
class frmDocument : public ChildForm {
    Q_OBJECT
  public:
    explicit frmDocument(QWidget* parent = nullptr);

    RichTextBox* txtText;

    // Re-checks the preview button from the start of the text.
    void UpdatePreviewButton();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Load();
    void Form_Unload(int& Cancel);
    void txtText_Change();
    void txtText_SelChange();
};
