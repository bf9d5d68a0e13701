// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class ChildForm;
class CommonDialog;
class DialogHost;
class frmDocument;
class QWidget;

// What the commands and child windows need from the window that holds the documents: the
// active document, a new one, the document area, the status line and the dialogs. The main
// window implements it and hands it over when it makes them, so they never know its class.
class DocumentHost {
  public:
    virtual ~DocumentHost() = default;

    // The window that owns dialogs and message boxes (and outlives the commands).
    virtual QWidget* hostWindow() = 0;
    // The active child when it is a document window, else null.
    virtual frmDocument* ActiveDocument() const = 0;
    // Makes, sets up and shows a new document window, which becomes the active child.
    virtual frmDocument* LoadNewDoc() = 0;
    // Adds a child window (a browser) to the document area, shows it and makes it active.
    virtual void ShowChildWindow(ChildForm* child) = 0;
    // The first status panel.
    virtual void setStatusText(const QString& text) = 0;
    virtual DialogHost* dialogHost() const = 0;
    virtual CommonDialog* dlgCommonDialog() const = 0;
};
