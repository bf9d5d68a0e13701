// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and toolbar: what each item is called, its caption and shortcut, and
// the handler it calls. Kept apart from the window's behaviour in frmMain.cpp.
#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/StatusPanels.h"
#include "app/frmMain.h"
#include "common/KeyedToolbar.h"

namespace {

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

}  // namespace

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

    // Alt+F opens it, and a digit then one of the recent files.
    QMenu* file = topLevel(QStringLiteral("mnuFile"), QStringLiteral("&File"));
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
    addMenuItem(edit, "mnuEditGoTo", "&Go to Line...", QKeySequence(Qt::CTRL | Qt::Key_G),
                &frmMain::mnuEditGoTo_Click)
        ->setIcon(QIcon::fromTheme(QStringLiteral("go-jump")));

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
    // The size of the text in the active window's view (a browser's page): not of the document.
    separator(view, "mnuViewBar3");
    const struct {
        const char* name;
        const char* caption;
        const char* icon;
        QList<QKeySequence> keys;
        int direction;
    } zooms[] = {
        {"mnuViewZoomIn",
         "Zoom &In",
         "zoom-in",
         {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal},
         1},
        {"mnuViewZoomOut", "Zoom O&ut", "zoom-out", {QKeySequence::ZoomOut}, -1},
        {"mnuViewZoomReset", "&Reset Zoom", "zoom-original", {Qt::CTRL | Qt::Key_0}, 0},
    };
    for (const auto& zoom : zooms) {
        QAction* item = addMenuItem(view, zoom.name, zoom.caption, {}, nullptr);
        item->setShortcuts(zoom.keys);
        item->setIcon(QIcon::fromTheme(QLatin1String(zoom.icon)));
        connect(item, &QAction::triggered, this,
                [this, direction = zoom.direction] { Zoom(direction); });
    }

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
