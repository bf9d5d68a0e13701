// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/engine/frmBrowser.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "Version.h"
#include "browser/core/BrowserAddresses.h"
#include "browser/engine/EditHtml.h"
#include "browser/engine/WebSecurity.h"
#include "common/KeyedToolbar.h"
#include "common/Twips.h"
#include "document/DocumentHost.h"

namespace {

const std::initializer_list<ToolbarButtonSpec> kButtons = {
    {"Back", "Back", "go-previous", QStyle::SP_ArrowBack},
    {"Forward", "Forward", "go-next", QStyle::SP_ArrowForward},
    {"Stop", "Stop", "process-stop", QStyle::SP_BrowserStop},
    {"Refresh", "Refresh", "view-refresh", QStyle::SP_BrowserReload},
    {"Home", "Home", "go-home", QStyle::SP_DirHomeIcon},
    {"Search", "Search", "system-search", QStyle::SP_FileDialogContentsView},
    {"Edit", "Edit HTML", "accessories-text-editor", QStyle::SP_FileDialogDetailedView},
};

// How long a navigation that was asked for counts as busy before the view has begun it. Some
// requests never begin a load (an address the view hands elsewhere); the window must not stay
// "Working..." for those.
constexpr qint64 kNavigationStartGraceMs = 5000;

// The address list keeps the fixed entries and this many visited addresses at most.
constexpr int kAddressListLimit = 25;

bool sameAddress(const QString& a, const QString& b) {
    return a == b || QUrl::fromUserInput(a) == QUrl::fromUserInput(b);
}

// Local pages (the preview) may not reach the network, and the engine holds every navigation
// they begin to that, in the history too: Back or Refresh to a page reached by a link from the
// preview would be refused. A link the user follows out of a local page is therefore
// navigated anew by the window, as if typed; what the page's script asks for stays refused.
class BrowserPage : public QWebEnginePage {
  public:
    using QWebEnginePage::QWebEnginePage;

  protected:
    bool acceptNavigationRequest(const QUrl& target, NavigationType type,
                                 bool isMainFrame) override {
        if (type == NavigationTypeLinkClicked && isMainFrame && url().isLocalFile() &&
            !target.isLocalFile()) {
            QMetaObject::invokeMethod(
                this, [this, target] { load(target); }, Qt::QueuedConnection);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(target, type, isMainFrame);
    }
};

// The view of a browser window; pages that open a window of their own get a new browser window.
class BrowserView : public QWebEngineView {
  public:
    BrowserView(DocumentHost* host, QWidget* parent)
        : QWebEngineView(parent), host_(host), hostWindow_(host->hostWindow()) {
        setPage(new BrowserPage(this));
        WebSecurity::restrictPages(settings());
    }

  protected:
    QWebEngineView* createWindow(QWebEnginePage::WebWindowType) override {
        if (!hostWindow_) return nullptr;
        return frmBrowser::Open(host_, QString())->brwWebBrowser;
    }

  private:
    DocumentHost* host_;
    // Guards host_: the host window may go before this.
    QPointer<QWidget> hostWindow_;
};

}  // namespace

frmBrowser::frmBrowser(DocumentHost* host, QWidget* parent)
    : ChildForm(parent),
      tbToolBar(new QToolBar(this)),
      picAddress(new QWidget(this)),
      lblAddress(new QLabel(QStringLiteral("&Address:"), picAddress)),
      cboAddress(new QComboBox(picAddress)),
      // The first browser window starts the web engine.
      brwWebBrowser(new BrowserView(host, this)),
      timTimer(new QTimer(this)),
      host_(host),
      hostWindow_(host->hostWindow()) {
    setObjectName(QStringLiteral("frmBrowser"));
    setTag(QStringLiteral("Web"));
    setCaption(QString());
    resize(Twips::toPixelsX(8460, this), Twips::toPixelsY(4755, this));

    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    picAddress->setObjectName(QStringLiteral("picAddress"));
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    timTimer->setObjectName(QStringLiteral("timTimer"));
    buildToolbar();

    cboAddress->setEditable(true);
    // The window decides what goes into the list; Enter only navigates.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    cboAddress->setEditText(BrowserAddresses::current().homePage);
    // The combo box keeps the keyboard focus and hands keys to its line edit directly, past
    // any filter on the line edit: Enter is caught on the combo box itself.
    cboAddress->installEventFilter(this);
    // The combo box would take leaving the box (or Enter) with a listed address in it for a pick
    // from the list: a navigation nobody asked for. Enter is handled here; leaving does nothing.
    disconnect(cboAddress->lineEdit(), &QLineEdit::editingFinished, cboAddress, nullptr);
    lblAddress->setBuddy(cboAddress);
    // Only a user's pick navigates; changes to the list made here do not.
    connect(cboAddress, &QComboBox::activated, this, [this] { cboAddress_Click(); });

    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    connect(brwWebBrowser->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
                    loadingUrl_ = info.url();
            });
    connect(brwWebBrowser, &QWebEngineView::loadStarted, this, [this] {
        navigationRequested_ = false;
        // Every load shows its progress, also one started by a link in the page.
        timTimer->start();
    });
    connect(brwWebBrowser, &QWebEngineView::loadFinished, this, &frmBrowser::onLoadFinished);
    connect(brwWebBrowser, &QWebEngineView::urlChanged, this, &frmBrowser::onUrlChanged);
    connect(brwWebBrowser, &QWebEngineView::titleChanged, this, [this] {
        // A title that arrives after the load has ended still reaches the caption.
        if (!timTimer->isActive()) setCaption(LocationName());
    });
}

frmBrowser::~frmBrowser() = default;

frmBrowser* frmBrowser::Open(DocumentHost* host, const QString& startingAddress) {
    auto* browser = new frmBrowser(host);
    browser->StartingAddress = startingAddress;
    host->ShowChildWindow(browser);
    return browser;
}

void frmBrowser::buildToolbar() {
    tbToolBar->setMovable(false);
    tbToolBar->setIconSize(QSize(24, 24));
    addKeyedButtons(tbToolBar, kButtons,
                    [this](const QString& key) { tbToolBar_ButtonClick(key); });
}

QAction* frmBrowser::toolbarButton(const QString& key) const {
    for (QAction* action : tbToolBar->actions()) {
        if (action->data().toString() == key) return action;
    }
    return nullptr;
}

// ---- The browser control's operations ---------------------------------------------------

void frmBrowser::Navigate(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!url.isValid() || url.isEmpty()) return;
    navigationRequested_ = true;
    requestClock_.start();
    loadingUrl_ = url;
    brwWebBrowser->load(url);
}

void frmBrowser::GoBack() {
    if (!brwWebBrowser->history()->canGoBack()) return;
    navigationRequested_ = true;
    requestClock_.start();
    brwWebBrowser->back();
}

void frmBrowser::GoForward() {
    if (!brwWebBrowser->history()->canGoForward()) return;
    navigationRequested_ = true;
    requestClock_.start();
    brwWebBrowser->forward();
}

void frmBrowser::Refresh() {
    if (brwWebBrowser->url().isEmpty()) return;
    navigationRequested_ = true;
    requestClock_.start();
    brwWebBrowser->reload();
}

void frmBrowser::Stop() {
    navigationRequested_ = false;
    loadingUrl_.clear();
    brwWebBrowser->stop();
}

QString frmBrowser::LocationURL() const {
    if (!loadingUrl_.isEmpty() && Busy()) return loadingUrl_.toString();
    return brwWebBrowser->url().toString();
}

QString frmBrowser::LocationName() const {
    return brwWebBrowser->title();
}

bool frmBrowser::Busy() const {
    return brwWebBrowser->page()->isLoading() ||
           (navigationRequested_ && requestClock_.elapsed() < kNavigationStartGraceMs);
}

int frmBrowser::zoomPercent() const {
    return qRound(brwWebBrowser->zoomFactor() * 100);
}

void frmBrowser::setZoomPercent(int percent) {
    brwWebBrowser->setZoomFactor(percent / 100.0);
}

// ---- Load and layout -----------------------------------------------------------------------

void frmBrowser::showEvent(QShowEvent* event) {
    ChildForm::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void frmBrowser::resizeEvent(QResizeEvent* event) {
    ChildForm::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::Form_Load() {
    Form_Resize();
    const QRect label = lblAddress->geometry();
    cboAddress->move(Twips::toPixelsX(50, this), label.bottom() + 1 + Twips::toPixelsY(15, this));

    const QString text = cboAddress->currentText();
    cboAddress->addItem(BrowserAddresses::current().outsideSite);
    cboAddress->setEditText(text);  // the first entry would otherwise replace the text
    if (!StartingAddress.isEmpty()) {
        cboAddress->setEditText(StartingAddress);
        cboAddress->addItem(StartingAddress);
        timTimer->start();
        Navigate(StartingAddress);
    }
    Form_Resize();
}

QWidget* frmBrowser::outerWindow() const {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
    return const_cast<frmBrowser*>(this);
}

void frmBrowser::Form_Resize() {
    QWidget* outer = outerWindow();
    // A minimised window cannot take a new size; it is laid out when it is restored.
    if (outer->isMinimized()) return;
    const int minWidth = Twips::toPixelsX(3405, this);
    const int minHeight = Twips::toPixelsY(2500, this);
    if ((outer->width() >= minWidth && outer->height() >= minHeight) || outer->isMaximized()) {
        layOutControls();
        return;
    }
    // Too small: grow back to the smallest size; that size change lays the window out.
    QSize size = outer->size();
    if (size.height() < minHeight) size.setHeight(minHeight);
    if (size.width() < minWidth) size.setWidth(minWidth);
    QMetaObject::invokeMethod(
        outer,
        [window = QPointer<QWidget>(outer), size] {
            if (window && !window->isMinimized()) window->resize(size);
        },
        Qt::QueuedConnection);
}

void frmBrowser::layOutControls() {
    auto x = [this](double twips) { return Twips::toPixelsX(twips, this); };
    auto y = [this](double twips) { return Twips::toPixelsY(twips, this); };
    const int inner = width();
    // The designed heights, or more where the platform's controls need it.
    const int toolbarHeight = qMax(y(540), tbToolBar->sizeHint().height());
    tbToolBar->setGeometry(0, 0, inner, toolbarHeight);
    const int labelHeight = qMax(y(255), lblAddress->sizeHint().height());
    lblAddress->setGeometry(x(45), y(60), x(3075), labelHeight);
    const int comboTop = y(60) + labelHeight + y(15);
    const int comboHeight = qMax(y(315), cboAddress->sizeHint().height());
    cboAddress->setGeometry(0, comboTop, inner, comboHeight);
    const int pictureHeight = qMax(y(675), comboTop + comboHeight + y(30));
    picAddress->setGeometry(0, toolbarHeight, inner, pictureHeight);
    const int pictureBottom = toolbarHeight + pictureHeight;
    brwWebBrowser->setGeometry(0, pictureBottom + y(105), inner,
                               qMax(0, height() - pictureBottom - y(100)));
}

// ---- The address box -------------------------------------------------------------------------

void frmBrowser::cboAddress_Click() {
    timTimer->start();
    Navigate(cboAddress->currentText());
    // The box follows the pages from now on, until the user types again.
    cboAddress->lineEdit()->setModified(false);
}

void frmBrowser::cboAddress_KeyPress(int& KeyAscii) {
    if (KeyAscii == 13) cboAddress_Click();
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cboAddress && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            int KeyAscii = 13;
            cboAddress_KeyPress(KeyAscii);
            // Passed on, the key would make the combo box pick a listed address that matches
            // the text: a second navigation to the same page.
            return true;
        }
    }
    return ChildForm::eventFilter(watched, event);
}

void frmBrowser::rememberAddress(const QString& address) {
    if (address.isEmpty() || address == QLatin1String("about:blank")) return;
    // The outside site stays the first entry; the newest visit comes right after it.
    if (cboAddress->count() > 0 && sameAddress(cboAddress->itemText(0), address)) return;
    const QString text = cboAddress->currentText();
    const bool modified = cboAddress->lineEdit()->isModified();
    QString entry = address;
    for (int i = cboAddress->count() - 1; i >= 1; --i) {
        if (sameAddress(cboAddress->itemText(i), address)) {
            entry = cboAddress->itemText(i);
            cboAddress->removeItem(i);
        }
    }
    cboAddress->insertItem(qMin(1, cboAddress->count()), entry);
    while (cboAddress->count() > kAddressListLimit) cboAddress->removeItem(cboAddress->count() - 1);
    // Changing the list may change the box's text; the user's text stays.
    cboAddress->setEditText(text);
    cboAddress->lineEdit()->setModified(modified);
}

void frmBrowser::onUrlChanged() {
    if (cboAddress->lineEdit()->isModified()) return;
    const QString address = LocationURL();
    if (!address.isEmpty() && !sameAddress(address, cboAddress->currentText())) {
        cboAddress->setEditText(address);
    }
}

// ---- Toolbar and busy poll -----------------------------------------------------------------

void frmBrowser::tbToolBar_ButtonClick(const QString& key) {
    // Edit HTML reports its own progress in the status bar: the poll would write over it.
    if (key != QLatin1String("Edit")) timTimer->start();
    if (key == QLatin1String("Edit")) {
        EditHTML();
    } else if (key == QLatin1String("Back")) {
        GoBack();
    } else if (key == QLatin1String("Forward")) {
        GoForward();
    } else if (key == QLatin1String("Refresh")) {
        Refresh();
    } else if (key == QLatin1String("Home")) {
        Navigate(BrowserAddresses::current().homePage);
    } else if (key == QLatin1String("Search")) {
        Navigate(BrowserAddresses::current().searchEngine);
    } else if (key == QLatin1String("Stop")) {
        timTimer->stop();
        Stop();
        setCaption(LocationName());
    }
}

void frmBrowser::timTimer_Timer() {
    if (Busy()) {
        setCaption(QStringLiteral("Working..."));
        if (hostWindow_)
            host_->setStatusText(QStringLiteral("Downloading webpage...") + LocationURL());
        return;
    }
    setCaption(LocationName());
    if (hostWindow_) host_->setStatusText(QStringLiteral("Ready."));
    timTimer->stop();
}

void frmBrowser::onLoadFinished(bool ok) {
    navigationRequested_ = false;
    loadingUrl_.clear();
    brwWebBrowser_DownloadComplete();
    if (!ok) return;
    rememberAddress(LocationURL());
    brwWebBrowser_DocumentComplete();
}

void frmBrowser::brwWebBrowser_DownloadComplete() {
    setCaption(LocationName());
}

void frmBrowser::brwWebBrowser_DocumentComplete() {
    const BrowserAddresses& addresses = BrowserAddresses::current();
    if (LocationURL() != addresses.versionCheck) return;
    Navigate(BrowserAddresses::versionPage(addresses.homePage, QUILLO_VERSION_MAJOR,
                                           QUILLO_VERSION_MINOR));
}

void frmBrowser::EditHTML() {
    if (!hostWindow_) return;
    EditHtml::Run(host_, LocationURL(), LocationName(),
                  brwWebBrowser->page()->profile()->httpUserAgent().toUtf8());
}
