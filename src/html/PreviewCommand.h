#pragma once

#include <QString>

class frmMain;

// Shows the active document as a web page: its plain text goes to the preview file, and a new
// browser window opens on that file.
class PreviewCommand {
  public:
    explicit PreviewCommand(frmMain* main) : main_(main) {}
    void mnuPre_Click();

    // The preview file: "preview.html" in the program's folder, or in the user's cache folder
    // when the program's folder cannot be written (an installed program).
    static QString PreviewPath(const QString& programFolder);
    // Writes `text` to `path` at once or not at all; false with `error` set on failure.
    static bool WritePreview(const QString& path, const QString& text, QString* error);

  private:
    frmMain* main_;
};
