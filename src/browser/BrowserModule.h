// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class WebBrowsers;

// Finds and loads the web browser module, "quillo-browser.so": next to the program in the build
// tree, in the program's library folder once installed. Loading it maps the web engine's
// libraries; until then the editor runs without them.
class BrowserModule {
  public:
    // The folders to look in, in order: `folders`, else defaultFolders().
    explicit BrowserModule(QStringList folders = defaultFolders());

    // The program's own folder, then its library folder beside the installed bin/.
    static QStringList defaultFolders();

    // The module's browsers, loading the module on the first call; null when it cannot be
    // loaded, with the reason in `error`. A failed load is tried again on the next call.
    WebBrowsers* load(QString* error);

  private:
    QStringList folders_;
    WebBrowsers* browsers_ = nullptr;
};
