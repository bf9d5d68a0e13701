#include "app/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include "Version.h"
#include "about/AboutCommand.h"
#include "app/RecoveryStore.h"
#include "app/StatusPanels.h"
#include "browser/BrowserCommands.h"
#include "browser/frmBrowser.h"
#include "common/CommonDialog.h"
#include "common/DialogHost.h"
#include "common/KeyedToolbar.h"
#include "common/Logo.h"
#include "common/Twips.h"
#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "html/PreviewCommand.h"
#include "html/StripCommand.h"
#include "options/OptionsCommand.h"
#include "search/SearchCommands.h"
#include "speech/ReadAloud.h"

namespace {

// The document area: grey, with the program's picture at its top-left corner.
class DocumentArea : public QMdiArea {
  public:
    explicit DocumentArea(QWidget* parent) : QMdiArea(parent) {
        setBackground(QColor(128, 128, 128));
        setObjectName(QStringLiteral("mdiArea"));
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QMdiArea::paintEvent(event);
        QPainter painter(viewport());
        const qreal ratio = viewport()->devicePixelRatioF();
        if (logo_.isNull() || !qFuzzyCompare(logo_.devicePixelRatio(), ratio)) {
            logo_ = Logo::picture(QSize(106, 100), ratio);
        }
        painter.drawPixmap(0, 0, logo_);
    }

  private:
    QPixmap logo_;
};

// The toolbar's 25 buttons in order; separators count in the numbering.
const std::initializer_list<ToolbarButtonSpec> kButtons = {
    {"New", "New", "document-new", QStyle::SP_FileIcon},
    {"Open", "Open", "document-open", QStyle::SP_DialogOpenButton},
    {"Save", "Save", "document-save", QStyle::SP_DialogSaveButton},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Print", "Print", "document-print", QStyle::SP_ComputerIcon},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Find", "Find", "edit-find", QStyle::SP_FileDialogContentsView},
    {"Strip", "Remove HTML Tags", "edit-clear", QStyle::SP_DialogResetButton},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Undo", "Undo", "edit-undo", QStyle::SP_ArrowBack},
    {"Redo", "Redo", "edit-redo", QStyle::SP_ArrowForward},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Cut", "Cut", "edit-cut", QStyle::SP_TrashIcon},
    {"Copy", "Copy", "edit-copy", QStyle::SP_FileDialogNewFolder},
    {"Paste", "Paste", "edit-paste", QStyle::SP_DialogApplyButton},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Hear", "Hear text", "media-playback-start", QStyle::SP_MediaPlay},
    {"Stop", "Stop hearing text", "media-playback-stop", QStyle::SP_MediaStop},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Pre", "Preview as webpage", "document-print-preview", QStyle::SP_FileDialogInfoView},
    {"Browser", "Browser", "web-browser", QStyle::SP_DriveNetIcon},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Options", "Options", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"About", "About", "help-about", QStyle::SP_MessageBoxInformation},
};

// Buttons the refresher writes, by index.
constexpr int kRefreshedButtons[] = {3, 5, 7, 8, 10, 11, 13, 14, 15, 17, 18, 20};

}  // namespace

frmMain::frmMain(AppServices services)
    : services_(std::move(services)), mdiArea_(new DocumentArea(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillo Meridian"));
    setWindowIcon(Logo::icon());
    setCentralWidget(mdiArea_);
    resize(Twips::toPixelsX(8535, this), Twips::toPixelsY(4830, this));

    dlgCommonDialog_ = std::make_unique<CommonDialog>(services_.dialogs, this);
    fileCommands_ = std::make_unique<FileCommands>(this);
    stripCommand_ = std::make_unique<StripCommand>(this);
    previewCommand_ = std::make_unique<PreviewCommand>(
        this, services_.previewFolder,
        [this](const QString& path) { frmBrowser::Open(this, path); });
    searchCommands_ = std::make_unique<SearchCommands>(this);
    optionsCommand_ = std::make_unique<OptionsCommand>(this);
    browserCommands_ = std::make_unique<BrowserCommands>(this);
    aboutCommand_ = std::make_unique<AboutCommand>(this, services_.dialogs);
    readAloud_ = std::make_unique<ReadAloud>(this);

    buildMenus();
    buildToolbar();
    panels_ = new StatusPanels(statusBar());
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));

    if (!services_.recoveryFolder.isEmpty()) {
        recovery_ = new RecoveryStore(services_.recoveryFolder, this);
        connect(recovery_, &RecoveryStore::unavailable, this, &frmMain::setStatusText);
    }

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] {
        watchActiveChild();
        tmrDis_Timer();
    });

    // Files dropped anywhere in the window open as documents. Widgets inside that take drops
    // themselves (the edit controls take text, the browser takes links) would see the files
    // first, so their drag events are looked at on the way.
    setAcceptDrops(true);
    qApp->installEventFilter(this);
}

frmMain::~frmMain() = default;

// ---- Menus and toolbar ----------------------------------------------------------------------

QAction* frmMain::addMenuItem(QMenu* menu, const QString& name, const QString& caption,
                              const QKeySequence& shortcut, void (frmMain::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    if (handler) connect(action, &QAction::triggered, this, handler);
    menuItems_.insert(name, action);
    return action;
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto separator = [this](QMenu* menu, const QString& name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(name);
        menuItems_.insert(name, action);
    };
    auto topLevel = [&](const QString& name, const QString& caption) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        menuItems_.insert(name, menu->menuAction());
        return menu;
    };

    QMenu* file = topLevel(QStringLiteral("mnuFile"), QStringLiteral("File"));
    addMenuItem(file, "mnuFileNew", "&New", QKeySequence(Qt::CTRL | Qt::Key_N),
                &frmMain::mnuFileNew_Click);
    addMenuItem(file, "mnuFileOpen", "&Open", QKeySequence(Qt::CTRL | Qt::Key_O),
                &frmMain::mnuFileOpen_Click);
    addMenuItem(file, "mnuFileClose", "&Close", {}, &frmMain::mnuFileClose_Click);
    separator(file, "mnuFileBar1");
    addMenuItem(file, "mnuFileSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S),
                &frmMain::mnuFileSave_Click);
    addMenuItem(file, "mnuFileSaveAs", "Save &As...", {}, &frmMain::mnuFileSaveAs_Click);
    separator(file, "fgf");
    addMenuItem(file, "mnuHear", "&Hear Text", QKeySequence(Qt::Key_F5), &frmMain::mnuHear_Click);
    separator(file, "re");
    addMenuItem(file, "mnuPre", "Preview as Webpage", QKeySequence(Qt::Key_F11),
                &frmMain::mnuPre_Click);
    addMenuItem(file, "mnuStrip", "S&trip HTML Codes", {}, &frmMain::mnuStrip_Click);
    addMenuItem(file, "mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P),
                &frmMain::mnuFilePrint_Click);
    separator(file, "mnuFileBar4");
    addMenuItem(file, "mnuFileExit", "E&xit", {}, &frmMain::mnuFileExit_Click);

    QMenu* edit = topLevel(QStringLiteral("mnuEdit"), QStringLiteral("&Edit"));
    connect(edit, &QMenu::aboutToShow, this, &frmMain::mnuEdit_Click);
    addMenuItem(edit, "mnuEditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X),
                &frmMain::mnuEditCut_Click);
    addMenuItem(edit, "mnuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C),
                &frmMain::mnuEditCopy_Click);
    addMenuItem(edit, "mnuEditPaste", "&Paste", {}, &frmMain::mnuEditPaste_Click);
    separator(edit, "dfgh");
    addMenuItem(edit, "mnuEditSelect", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A),
                &frmMain::mnuEditSelect_Click);
    separator(edit, "sdt");
    addMenuItem(edit, "mnuEditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z),
                &frmMain::mnuEditUndo_Click);
    addMenuItem(edit, "mnuEditRedo", "&Redo", {}, &frmMain::mnuEditRedo_Click);
    separator(edit, "fghd");
    addMenuItem(edit, "mnuFind", "&Find", QKeySequence(Qt::CTRL | Qt::Key_F),
                &frmMain::mnuFind_Click);
    addMenuItem(edit, "mnuFindNext", "Find &Next", QKeySequence(Qt::Key_F3),
                &frmMain::mnuFindNext_Click);
    addMenuItem(edit, "mnuReplace", "&Replace", QKeySequence(Qt::CTRL | Qt::Key_R),
                &frmMain::mnuReplace_Click);

    QMenu* view = topLevel(QStringLiteral("mnuView"), QStringLiteral("&View"));
    addMenuItem(view, "mnuViewToolbar", "&Toolbar", {}, &frmMain::mnuViewToolbar_Click)
        ->setCheckable(true);
    addMenuItem(view, "mnuViewStatusBar", "Status &Bar", {}, &frmMain::mnuViewStatusBar_Click)
        ->setCheckable(true);
    menuItems_.value("mnuViewToolbar")->setChecked(true);
    menuItems_.value("mnuViewStatusBar")->setChecked(true);
    separator(view, "mnuViewBar2");
    addMenuItem(view, "mnuViewOptions", "&Options...", {}, &frmMain::mnuViewOptions_Click);
    addMenuItem(view, "mnuViewBrowser", "&Web Browser", QKeySequence(Qt::Key_F4),
                &frmMain::mnuViewBrowser_Click);

    QMenu* window = topLevel(QStringLiteral("mnuWindow"), QStringLiteral("&Window"));
    addMenuItem(window, "mnuWindowCascade", "&Cascade", {}, &frmMain::mnuWindowCascade_Click);
    addMenuItem(window, "mnuWindowTileHorizontal", "Tile &Horizontal", {},
                &frmMain::mnuWindowTileHorizontal_Click);
    addMenuItem(window, "mnuWindowTileVertical", "Tile &Vertical", {},
                &frmMain::mnuWindowTileVertical_Click);
    connect(window, &QMenu::aboutToShow, this, [this, window] { rebuildWindowList(window); });

    QMenu* help = topLevel(QStringLiteral("mnuHelp"), QStringLiteral("&Help"));
    addMenuItem(help, "mnuHelpContents", "&Contents", QKeySequence(Qt::Key_F1),
                &frmMain::mnuHelpContents_Click);
    addMenuItem(help, "mnuHelpSearch", "&Search For Help On...", {}, &frmMain::mnuHelpSearch_Click);
    separator(help, "mnuHelpBar1");
    addMenuItem(help, "mnuHelpAbout", "&About Quillo...", {}, &frmMain::mnuHelpAbout_Click);
}

void frmMain::rebuildWindowList(QMenu* menu) {
    for (QAction* action : std::as_const(windowListActions_)) {
        menu->removeAction(action);
        delete action;
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    windowListActions_ << menu->addSeparator();
    auto* group = new QActionGroup(menu);
    int number = 1;
    for (QMdiSubWindow* sub : windows) {
        QString caption = sub->windowTitle();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = menu->addAction(
            number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(caption) : caption);
        ++number;
        action->setCheckable(true);
        action->setChecked(sub == mdiArea_->currentSubWindow());
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub) mdiArea_->setActiveSubWindow(sub);
        });
        windowListActions_ << action;
    }
}

void frmMain::buildToolbar() {
    tbToolBar_ = addToolBar(QStringLiteral("Toolbar"));
    tbToolBar_->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar_->setMovable(false);
    tbToolBar_->setIconSize(QSize(22, 22));
    addKeyedButtons(tbToolBar_, kButtons,
                    [this](const QString& key) { tbToolBar_ButtonClick(key); });
}

QAction* frmMain::toolbarButton(int index) const {
    const QList<QAction*> actions = tbToolBar_->actions();
    return index >= 1 && index <= actions.size() ? actions.at(index - 1) : nullptr;
}

void frmMain::setToolbarButtonEnabled(int index, bool enabled) {
    if (QAction* button = toolbarButton(index)) button->setEnabled(enabled);
}

QStatusBar* frmMain::sbStatusBar() const {
    return statusBar();
}

void frmMain::setStatusText(const QString& text) {
    panels_->setText(text);
}
QString frmMain::statusText() const {
    return panels_->text();
}

// ---- Start-up and shutdown ------------------------------------------------------------------

void frmMain::MDIForm_Load() {
    SettingsStore::SaveSetting(
        QStringLiteral("Version"),
        QStringLiteral("%1.%2").arg(QUILLO_VERSION_MAJOR).arg(QUILLO_VERSION_MINOR));
    applyStoredPlacement();
    LoadNewDoc();
    if (!services_.commandLine.isEmpty()) openCommandLineFile(services_.commandLine);
    refresherEnabled_ = true;
    tmrDis_Timer();
}

void frmMain::applyStoredPlacement() {
    // A stored value that is not a number falls back to its default.
    auto read = [](const char* key, double fallback) {
        bool ok = false;
        const double value = SettingText::toNumber(
            SettingsStore::GetSetting(QLatin1String(key), SettingText::fromNumber(fallback)), &ok);
        return ok ? value : fallback;
    };
    const double left = read("MainLeft", 1000), top = read("MainTop", 1000);
    double width = read("MainWidth", 6500), height = read("MainHeight", 6500);
    if (width < 1500) width = 6500;
    if (height < 1500) height = 6500;

    QRect frame(Twips::toPixelsX(left, this), Twips::toPixelsY(top, this),
                Twips::toPixelsX(width, this), Twips::toPixelsY(height, this));
    // The stored placement may come from another screen layout or from a hand-edited store: the
    // window lands on the screen that shows its title bar (else the primary one), no larger than
    // that screen's free area and wholly inside it. A huge stored size would otherwise make a
    // window of thousands of pixels, with the memory that takes.
    const QRect titleBar = frame.adjusted(0, 0, 0, -frame.height() + 40);
    QScreen* target = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(titleBar)) {
            target = screen;
            break;
        }
    }
    const bool visible = target != nullptr;
    if (!target) target = QGuiApplication::primaryScreen();
    if (target) {
        const QRect area = target->availableGeometry();
        frame.setSize(frame.size().boundedTo(area.size()));
        if (!visible) {
            frame.moveTopLeft(area.topLeft() +
                              QPoint(Twips::toPixelsX(1000, this), Twips::toPixelsY(1000, this)));
        }
        frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
        frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
    }
    move(frame.topLeft());
    resize(frame.size());
    pendingOuterSize_ = frame.size();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    applyPendingOuterSize();
    QMetaObject::invokeMethod(this, &frmMain::refreshMaximizedTitle, Qt::QueuedConnection);
}

void frmMain::refreshMaximizedTitle() {
    // A maximised child's caption is shown in the title ("Quillo Meridian - [caption]"), but a
    // caption set before the window was first shown (a file named on the command line) does
    // not reach it. Setting the plain title again makes the child window add its caption anew.
    QMdiSubWindow* sub = mdiArea_->currentSubWindow();
    if (!sub || !sub->isMaximized()) return;
    const QString wanted = QStringLiteral("[%1]").arg(sub->windowTitle());
    if (!windowTitle().endsWith(wanted)) setWindowTitle(QStringLiteral("Quillo Meridian"));
}

void frmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown and then moves it into the frame.
    applyPendingOuterSize();
}

void frmMain::applyPendingOuterSize() {
    // The stored size is the outer size; once the frame is known, take it off the client size.
    if (!pendingOuterSize_.isValid() || windowState() != Qt::WindowNoState) return;
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    if (frameExtra.isEmpty()) return;
    resize(pendingOuterSize_ - frameExtra);
    pendingOuterSize_ = QSize();
}

QString frmMain::readmePath() const {
    const QString beside = services_.programFolder + QStringLiteral("/readme.qlo");
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = QDir(services_.programFolder)
                                  .absoluteFilePath(QStringLiteral("../share/quillo/readme.qlo"));
    return QFileInfo::exists(installed) ? QDir::cleanPath(installed) : QString();
}

frmDocument* frmMain::LoadNewDoc() {
    ++documentCount_;
    auto* document = new frmDocument(services_.dialogs,
                                     [this](frmDocument* target) { return SaveDocument(target); });
    connect(document, &frmDocument::PreviewAvailable, this,
            [this](bool available) { setToolbarButtonEnabled(20, available); });
    document->UpdatePreviewButton();
    QMdiSubWindow* sub = addChildWindow(document);
    document->setCaption(QStringLiteral("Document %1").arg(documentCount_));

    const DocumentSettings& settings = CurrentDocumentSettings();
    RichTextBox* text = document->txtText;
    text->setFontBold(settings.FontBold);
    text->setFontName(settings.FontName);
    text->setFontSize(settings.FontSize);
    text->setFontItalic(settings.FontItalic);
    text->setFontUnderline(settings.FontUnderline);
    document->setTag(QString());
    if (recovery_) recovery_->watch(document);
    connect(text, &RichTextBox::overwriteModeChanged, this, [this, document](bool overwrite) {
        if (ActiveForm() == document) panels_->setInsertMode(!overwrite);
    });

    if (settings.MaxNew) {
        sub->showMaximized();
    } else {
        sub->show();
    }
    mdiArea_->setActiveSubWindow(sub);

    if (SettingsStore::GetSetting(QStringLiteral("FirstTime"), QStringLiteral("Yes")) ==
        QLatin1String("Yes")) {
        // The readme is shown once, in the first document of the first run. A missing readme
        // is passed over quietly and shown once it exists.
        const QString readme = readmePath();
        if (!readme.isEmpty() && text->LoadFile(readme, RichTextBox::rtfRTF)) {
            document->setTag(QString());
            sub->showMaximized();
            SettingsStore::SaveSetting(QStringLiteral("FirstTime"), QStringLiteral("No"));
        }
    }
    return document;
}

QMdiSubWindow* frmMain::addChildWindow(ChildForm* child) {
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(child->windowIcon().isNull() ? Logo::icon() : child->windowIcon());
    sub->resize(child->size() + (sub->size() - sub->contentsRect().size()));
    connect(child, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { tmrDis_Timer(); }, Qt::QueuedConnection);
    });
    return sub;
}

void frmMain::ShowChildWindow(ChildForm* child) {
    QMdiSubWindow* sub = addChildWindow(child);
    sub->show();
    mdiArea_->setActiveSubWindow(sub);
}

void frmMain::openCommandLineFile(const QString& path) {
    if (frmDocument* document = ActiveDocument()) fileCommands_->LoadInto(document, path);
}

// ---- Files dropped from a file manager ------------------------------------------------------

QStringList frmMain::droppedFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    return paths;
}

namespace {

// Takes a drag of files as a copy: a file manager offering a move would otherwise delete the
// file once it is dropped. Returns whether the drag is one of files.
bool acceptFileDrag(QDropEvent* event) {
    if (frmMain::droppedFiles(event->mimeData()).isEmpty()) return false;
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
    } else if (event->possibleActions() & Qt::LinkAction) {
        event->setDropAction(Qt::LinkAction);
    } else {
        event->ignore();
        return true;
    }
    event->accept();
    return true;
}

}  // namespace

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptFileDrag(event)) QMainWindow::dragEnterEvent(event);
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptFileDrag(event)) QMainWindow::dragMoveEvent(event);
}

void frmMain::dropEvent(QDropEvent* event) {
    if (!acceptFileDrag(event)) {
        QMainWindow::dropEvent(event);
        return;
    }
    if (!event->isAccepted()) return;
    // Opened once the drop is over: a message about a file that cannot be read must not hold
    // up the file manager's side of the drag.
    const QStringList paths = droppedFiles(event->mimeData());
    QMetaObject::invokeMethod(
        this, [this, paths] { openDroppedFiles(paths); }, Qt::QueuedConnection);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    auto* widget = qobject_cast<QWidget*>(watched);
    if ((type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) ||
        !widget || widget == this || widget->window() != this ||
        droppedFiles(static_cast<QDropEvent*>(event)->mimeData()).isEmpty()) {
        return QMainWindow::eventFilter(watched, event);
    }
    // Handled here as if dropped on the window itself, and kept from the widget.
    if (type == QEvent::DragEnter) {
        dragEnterEvent(static_cast<QDragEnterEvent*>(event));
    } else if (type == QEvent::DragMove) {
        dragMoveEvent(static_cast<QDragMoveEvent*>(event));
    } else {
        dropEvent(static_cast<QDropEvent*>(event));
    }
    return true;
}

void frmMain::openDroppedFiles(const QStringList& paths) {
    for (const QString& path : paths) fileCommands_->OpenFile(path);
    activateWindow();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Every child closes first, each with its own save prompt; Cancel anywhere keeps everything.
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QMdiSubWindow* sub = *it;
        mdiArea_->setActiveSubWindow(sub);
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    MDIForm_Unload();
    if (recovery_) recovery_->discardRun();
    event->accept();
}

void frmMain::offerRecovery() {
    if (!recovery_) return;
    const QList<RecoveredDocument> documents = recovery_->orphanedDocuments();
    if (documents.isEmpty()) {
        recovery_->discardOrphans();
        return;
    }
    const int answer = dialogHost()->MsgBox(
        this,
        QStringLiteral("Quillo Meridian did not close normally last time. %1 document(s) had "
                       "unsaved changes.\n\nRestore them? (No discards them.)")
            .arg(documents.size()),
        MsgBoxStyle::YesNo + MsgBoxStyle::Question, QString());
    if (answer == MsgBoxResult::Yes) {
        for (const RecoveredDocument& recovered : documents) {
            frmDocument* document = LoadNewDoc();
            document->txtText->setText(recovered.text);
            document->txtText->ClearUndo();
            document->txtText->setFileEncodingName(recovered.encoding);
            document->setCaption(recovered.caption);
            document->setTag(QStringLiteral("SAVE"));
        }
        recovery_->discardOrphans();
    } else if (answer == MsgBoxResult::No) {
        recovery_->discardOrphans();
    }
    // Any other answer keeps the files for the next start.
}

void frmMain::MDIForm_Unload() {
    int state = 0;
    if (windowState() & Qt::WindowMinimized) {
        state = 1;
    } else if (windowState() & Qt::WindowMaximized) {
        state = 2;
    }
    SettingsStore::SaveSetting(QStringLiteral("WindowState"), QString::number(state));
    if (state != 0) return;
    const QRect frame = frameGeometry();
    SettingsStore::SaveSetting(QStringLiteral("MainLeft"),
                               SettingText::fromNumber(Twips::fromPixelsX(frame.x(), this)));
    SettingsStore::SaveSetting(QStringLiteral("MainTop"),
                               SettingText::fromNumber(Twips::fromPixelsY(frame.y(), this)));
    SettingsStore::SaveSetting(QStringLiteral("MainWidth"),
                               SettingText::fromNumber(Twips::fromPixelsX(frame.width(), this)));
    SettingsStore::SaveSetting(QStringLiteral("MainHeight"),
                               SettingText::fromNumber(Twips::fromPixelsY(frame.height(), this)));
    SettingsStore::SaveSetting(QStringLiteral("DocBG"),
                               QString::number(CurrentDocumentSettings().DocBG));
    SettingsStore::SaveSetting(QStringLiteral("DocFG"),
                               QString::number(CurrentDocumentSettings().DocFG));
}

// ---- Active child and the command-state refresher -------------------------------------------

ChildForm* frmMain::ActiveForm() const {
    // currentSubWindow() stays set while a modal dialog has the focus.
    QMdiSubWindow* sub = mdiArea_->currentSubWindow();
    return sub ? qobject_cast<ChildForm*>(sub->widget()) : nullptr;
}

frmDocument* frmMain::ActiveDocument() const {
    return qobject_cast<frmDocument*>(ActiveForm());
}

QList<ChildForm*> frmMain::ChildForms() const {
    QList<ChildForm*> result;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* child = qobject_cast<ChildForm*>(sub->widget())) result << child;
    }
    return result;
}

void frmMain::watchActiveChild() {
    ChildForm* active = ActiveForm();
    if (active == watchedChild_) return;
    if (watchedChild_) disconnect(watchedChild_, &ChildForm::tagChanged, this, nullptr);
    watchedChild_ = active;
    if (active) connect(active, &ChildForm::tagChanged, this, &frmMain::tmrDis_Timer);
    if (auto* document = qobject_cast<frmDocument*>(active)) {
        panels_->setInsertMode(!document->txtText->OverwriteMode());
    }
}

// Runs whenever the active child or its marker changes, instead of polling: the button states
// are those the marker of the active child calls for.
void frmMain::tmrDis_Timer() {
    if (!refresherEnabled_) return;
    QString observed = QStringLiteral("None");
    if (ChildForm* active = ActiveForm()) observed = active->Tag();

    if (observed == QLatin1String("None") || observed == QLatin1String("Web")) {
        for (int index : kRefreshedButtons) setToolbarButtonEnabled(index, false);
    } else if (observed == QLatin1String("SAVE")) {
        for (int index : kRefreshedButtons) {
            if (index != 20) setToolbarButtonEnabled(index, true);
        }
    } else {
        setToolbarButtonEnabled(3, false);
        for (int index : kRefreshedButtons) {
            if (index != 3 && index != 20) setToolbarButtonEnabled(index, true);
        }
    }
}

// ---- Command routing ------------------------------------------------------------------------

void frmMain::mnuFileNew_Click() {
    LoadNewDoc();
}
void frmMain::mnuFileOpen_Click() {
    fileCommands_->mnuFileOpen_Click();
}

void frmMain::mnuFileClose_Click() {
    if (QMdiSubWindow* sub = mdiArea_->currentSubWindow()) sub->close();
}

void frmMain::mnuFileSave_Click() {
    SaveDocument(ActiveDocument());
}
bool frmMain::SaveDocument(frmDocument* target) {
    return fileCommands_->Save(target);
}
void frmMain::mnuFileSaveAs_Click() {
    fileCommands_->mnuFileSaveAs_Click();
}
void frmMain::mnuHear_Click() {
    readAloud_->mnuHear_Click();
}
void frmMain::mnuPre_Click() {
    previewCommand_->mnuPre_Click();
}
void frmMain::mnuStrip_Click() {
    stripCommand_->mnuStrip_Click();
}
void frmMain::mnuFilePrint_Click() {
    fileCommands_->mnuFilePrint_Click();
}
void frmMain::mnuFileExit_Click() {
    close();
}

void frmMain::mnuEdit_Click() {
    UpdateItems();
}

void frmMain::mnuEditCut_Click() {
    if (frmDocument* document = ActiveDocument()) document->txtText->Cut();
}
void frmMain::mnuEditCopy_Click() {
    if (frmDocument* document = ActiveDocument()) document->txtText->Copy();
}
void frmMain::mnuEditPaste_Click() {
    if (frmDocument* document = ActiveDocument()) document->txtText->Paste();
}
void frmMain::mnuEditSelect_Click() {
    if (frmDocument* document = ActiveDocument()) document->txtText->SelectAll();
}
void frmMain::mnuEditUndo_Click() {
    Undo();
}
void frmMain::mnuEditRedo_Click() {
    Redo();
}

void frmMain::Undo() {
    if (frmDocument* document = ActiveDocument()) document->txtText->Undo();
}
void frmMain::Redo() {
    if (frmDocument* document = ActiveDocument()) document->txtText->Redo();
}

QString frmMain::UndoActionName(int type) {
    switch (type) {
        case 0:
            return QStringLiteral("Last Action");
        case 1:
            return QStringLiteral("Typing");
        case 2:
            return QStringLiteral("Delete");
        case 3:
            return QStringLiteral("Drag Drop");
        case 4:
            return QStringLiteral("Cut");
        case 5:
            return QStringLiteral("Paste");
        default:
            return QString();
    }
}

void frmMain::UpdateItems() {
    frmDocument* document = ActiveDocument();
    const bool canUndo = document && document->txtText->CanUndo();
    const bool canRedo = document && document->txtText->CanRedo();
    QAction* undo = menuItems_.value(QStringLiteral("mnuEditUndo"));
    QAction* redo = menuItems_.value(QStringLiteral("mnuEditRedo"));
    undo->setEnabled(canUndo);
    undo->setText(canUndo ? QStringLiteral("&Undo ") +
                                UndoActionName(document->txtText->UndoActionType())
                          : QStringLiteral("&Undo"));
    redo->setText(canRedo ? QStringLiteral("&Redo ") +
                                UndoActionName(document->txtText->RedoActionType())
                          : QStringLiteral("&Redo"));
    redo->setEnabled(canRedo);
}

void frmMain::mnuFind_Click() {
    searchCommands_->mnuFind_Click();
}
void frmMain::mnuFindNext_Click() {
    searchCommands_->mnuFindNext_Click();
}
void frmMain::mnuReplace_Click() {
    searchCommands_->mnuReplace_Click();
}

void frmMain::mnuViewToolbar_Click() {
    QAction* item = menuItems_.value(QStringLiteral("mnuViewToolbar"));
    const bool show = !item->isChecked();
    tbToolBar_->setVisible(show);
    item->setChecked(show);
}

void frmMain::mnuViewStatusBar_Click() {
    QAction* item = menuItems_.value(QStringLiteral("mnuViewStatusBar"));
    const bool show = !item->isChecked();
    statusBar()->setVisible(show);
    item->setChecked(show);
}

void frmMain::mnuViewOptions_Click() {
    optionsCommand_->mnuViewOptions_Click();
}
void frmMain::mnuViewBrowser_Click() {
    browserCommands_->mnuViewBrowser_Click();
}
void frmMain::mnuWindowCascade_Click() {
    Arrange(0);
}
void frmMain::mnuWindowTileHorizontal_Click() {
    Arrange(1);
}
void frmMain::mnuWindowTileVertical_Click() {
    Arrange(2);
}

void frmMain::Arrange(int arrangement) {
    if (arrangement == 0) {
        mdiArea_->cascadeSubWindows();
        return;
    }
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isVisible() && !sub->isMinimized()) windows << sub;
    }
    if (windows.isEmpty()) return;
    QMdiSubWindow* active = mdiArea_->currentSubWindow();
    const QRect area = mdiArea_->viewport()->rect();
    const int n = windows.size();
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized()) sub->showNormal();
        QRect band;
        if (arrangement == 1) {  // one above another
            const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
            band = QRect(0, top, area.width(), bottom - top);
        } else {  // side by side
            const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
            band = QRect(left, 0, right - left, area.height());
        }
        sub->setGeometry(band);
    }
    if (active) mdiArea_->setActiveSubWindow(active);
}

void frmMain::mnuHelpContents_Click() {
    dialogHost()->MsgBox(
        this,
        QStringLiteral("There is no help file with this release of Quillo. When the helpfile is "
                       "released you will be able to download it from the website."),
        MsgBoxStyle::Information, QStringLiteral("Quillo Meridian"));
}
void frmMain::mnuHelpSearch_Click() {
    mnuHelpContents_Click();
}
void frmMain::mnuHelpAbout_Click() {
    aboutCommand_->mnuHelpAbout_Click();
}

void frmMain::tbToolBar_ButtonClick(const QString& key) {
    static const QHash<QString, void (frmMain::*)()> kRoutes = {
        {QStringLiteral("New"), &frmMain::mnuFileNew_Click},
        {QStringLiteral("Open"), &frmMain::mnuFileOpen_Click},
        {QStringLiteral("Save"), &frmMain::mnuFileSave_Click},
        {QStringLiteral("Print"), &frmMain::mnuFilePrint_Click},
        {QStringLiteral("Find"), &frmMain::mnuFind_Click},
        {QStringLiteral("Strip"), &frmMain::mnuStrip_Click},
        {QStringLiteral("Undo"), &frmMain::Undo},
        {QStringLiteral("Redo"), &frmMain::Redo},
        {QStringLiteral("Cut"), &frmMain::mnuEditCut_Click},
        {QStringLiteral("Copy"), &frmMain::mnuEditCopy_Click},
        {QStringLiteral("Paste"), &frmMain::mnuEditPaste_Click},
        {QStringLiteral("Hear"), &frmMain::mnuHear_Click},
        {QStringLiteral("Pre"), &frmMain::mnuPre_Click},
        {QStringLiteral("Browser"), &frmMain::mnuViewBrowser_Click},
        {QStringLiteral("Options"), &frmMain::mnuViewOptions_Click},
        {QStringLiteral("About"), &frmMain::mnuHelpAbout_Click},
    };
    if (key == QLatin1String("Stop")) {
        readAloud_->Stop();
        return;
    }
    if (auto handler = kRoutes.value(key)) (this->*handler)();
}
