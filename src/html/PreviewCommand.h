// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class DocumentHost;

// Shows the active document as a web page: its plain text goes to the preview file, and a new
// browser window opens on that file.
class PreviewCommand {
  public:
    // Opens a browser window on a file.
    using OpenBrowser = std::function<void(const QString& path)>;

    // `previewFolder`: where the preview file goes; empty: the user's own folder.
    PreviewCommand(DocumentHost* host, QString previewFolder, OpenBrowser openBrowser)
        : host_(host),
          previewFolder_(std::move(previewFolder)),
          openBrowser_(std::move(openBrowser)) {}
    void mnuPre_Click();

    // The folder of the preview file: `configured` when given, else "quillo" in the user's
    // runtime folder when there is a usable one (it lives in memory and goes at logout), else
    // in the user's cache folder. Never a shared folder: the page holds the user's text.
    static QString PreviewFolder(const QString& configured);
    // The preview file: "preview.html" in that folder.
    static QString PreviewPath(const QString& folder);
    // Writes `text` to `path` at once or not at all, as a private file (0600) in a private
    // folder (0700), never through a link; false with `error` set on failure.
    static bool WritePreview(const QString& path, const QString& text, QString* error);

  private:
    DocumentHost* host_;
    QString previewFolder_;
    OpenBrowser openBrowser_;
};
