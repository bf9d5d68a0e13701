// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtPlugin>

#include "Version.h"

class ChildForm;
class DocumentHost;

// What the web browser module offers the editor. The module holds everything that needs the web
// engine, whose libraries cost a fifth of the editor's memory at start; it is loaded when the
// first browser window opens (see BrowserModule).
class WebBrowsers {
  public:
    virtual ~WebBrowsers() = default;

    // Makes a browser window in the host's document area, shows it and starts loading
    // `address` (nothing when empty). The window zooms its page through ChildForm.
    virtual ChildForm* open(DocumentHost* host, const QString& address) = 0;
};

// The module is built with the editor and uses the editor's own classes: one of another version
// may see them laid out differently, so the version is part of the interface's name.
#define QUILLO_WEB_BROWSERS_IID "org.example.quillo.WebBrowsers/" QUILLO_VERSION_STRING
Q_DECLARE_INTERFACE(WebBrowsers, QUILLO_WEB_BROWSERS_IID)
