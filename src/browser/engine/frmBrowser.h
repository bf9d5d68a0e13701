// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QUrl>

#include "common/ChildForm.h"

class QAction;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWebEngineView;
class DocumentHost;

// A browser window in the main window's document area: a toolbar (Back, Forward, Stop, Refresh,
// Home, Search, Edit HTML), the address box and the web view. Its tag is "Web" for its whole
// life. While a page loads, its caption reads "Working..." and the main window's status bar
// "Downloading webpage..." followed by the address; when loading ends, the page title and
// "Ready.".
class frmBrowser : public ChildForm {
    Q_OBJECT
  public:
    explicit frmBrowser(DocumentHost* host, QWidget* parent = nullptr);
    ~frmBrowser() override;

    // Makes a new browser window in the main window, sets its starting address and shows it.
    static frmBrowser* Open(DocumentHost* host, const QString& startingAddress);

    // The address opened when the window loads; empty for none. Set before the window is shown.
    QString StartingAddress;

    QToolBar* tbToolBar;
    QWidget* picAddress;
    QLabel* lblAddress;
    QComboBox* cboAddress;
    QWebEngineView* brwWebBrowser;
    // Runs the busy poll while enabled; see timTimer_Timer().
    QTimer* timTimer;

    // The toolbar button with a given key ("Back", ..., "Edit"), or null.
    QAction* toolbarButton(const QString& key) const;

    // The browser control's operations. Failures (no earlier page, an address that is no
    // address) are ignored.
    void Navigate(const QString& address);
    void GoBack();
    void GoForward();
    void Refresh();
    void Stop();
    QString LocationURL() const;
    QString LocationName() const;
    bool Busy() const;

    // The page's zoom.
    int zoomPercent() const override;
    void setZoomPercent(int percent) override;

    // Event handlers.
    void Form_Load();
    void Form_Resize();
    void cboAddress_Click();
    void cboAddress_KeyPress(int& KeyAscii);
    void tbToolBar_ButtonClick(const QString& key);
    void timTimer_Timer();
    void brwWebBrowser_DownloadComplete();
    void brwWebBrowser_DocumentComplete();
    void EditHTML();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildToolbar();
    void layOutControls();
    QWidget* outerWindow() const;
    void rememberAddress(const QString& address);
    void onUrlChanged();
    void onLoadFinished(bool ok);

    DocumentHost* host_;
    // Guards host_: the host window may go before this.
    QPointer<QWidget> hostWindow_;
    bool loaded_ = false;
    // A navigation asked for that the view has not started yet: the view reports loading only
    // once the navigation begins, and the window must look busy from the moment it is asked.
    bool navigationRequested_ = false;
    QElapsedTimer requestClock_;
    // The address being loaded: the view names a page only once it has begun to arrive.
    QUrl loadingUrl_;
};
