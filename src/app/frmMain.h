// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

#include "app/AppServices.h"
#include "app/WindowPlacement.h"
#include "document/DocumentHost.h"

class ChildForm;
class CommonDialog;
class DialogHost;
class frmDocument;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class StatusPanels;
class CaretPanel;
class FileCommands;
class StripCommand;
class PreviewCommand;
class SearchCommands;
class OptionsCommand;
class SpellService;
class BrowserCommands;
class AboutCommand;
class ReadAloud;
class RecoveryStore;
class RecentFiles;

// The main window: the document area, menus, toolbar and status bar. Every command arrives here
// and is routed to the subsystem that carries it out, usually on the active child window.
class frmMain : public QMainWindow, public DocumentHost {
    Q_OBJECT
  public:
    explicit frmMain(AppServices services);
    ~frmMain() override;

    // Start-up and shutdown.
    void MDIForm_Load();
    void MDIForm_Unload();

    // Makes, sets up and shows a new document window, which becomes the active child.
    frmDocument* LoadNewDoc() override;

    // The active child window (document or browser), or null.
    ChildForm* ActiveForm() const;
    // The active child when it is a document window, else null.
    frmDocument* ActiveDocument() const override;
    QList<ChildForm*> ChildForms() const;
    QMdiSubWindow* addChildWindow(ChildForm* child);
    void ShowChildWindow(ChildForm* child) override;
    QWidget* hostWindow() override { return this; }

    // File commands. Save of a given target (the close prompt saves the window being closed);
    // returns whether the file was written.
    bool SaveDocument(frmDocument* target);

    // Editing with the control's multi-level undo.
    void Undo();
    void Redo();
    void UpdateItems();
    static QString UndoActionName(int type);

    // The first status panel.
    void setStatusText(const QString& text) override;
    QString statusText() const;

    // Toolbar buttons by 1-based index (separators count); null outside 1..25.
    QAction* toolbarButton(int index) const;
    void setToolbarButtonEnabled(int index, bool enabled);
    QToolBar* tbToolBar() const { return tbToolBar_; }
    QStatusBar* sbStatusBar() const;
    QMdiArea* mdiArea() const { return mdiArea_; }
    QAction* menuItem(const QString& name) const { return menuItems_.value(name); }

    CommonDialog* dlgCommonDialog() const override { return dlgCommonDialog_.get(); }
    DialogHost* dialogHost() const override { return services_.dialogs; }
    const AppServices& services() const { return services_; }
    FileCommands* fileCommands() const { return fileCommands_.get(); }
    ReadAloud* readAloud() const { return readAloud_.get(); }

    // Menu handlers.
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuHear_Click();
    void mnuPre_Click();
    void mnuStrip_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEdit_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditSelect_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuFind_Click();
    void mnuFindNext_Click();
    void mnuReplace_Click();
    void mnuEditGoTo_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewOptions_Click();
    void mnuViewBrowser_Click();
    // Zoom of the active child's view: +1 larger, -1 smaller, 0 the normal size.
    void Zoom(int direction);
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearch_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(const QString& key);

    // Lays the child windows out: 0 cascade, 1 tile horizontally, 2 tile vertically.
    void Arrange(int arrangement);

    // The command-state refresher: sets the toolbar buttons from the active child's tag.
    void tmrDis_Timer();
    bool refresherEnabled() const { return refresherEnabled_; }

    int documentCount() const { return documentCount_; }

    // Offers the unsaved texts of a run that did not end normally, and reopens them as changed
    // documents when the user agrees.
    void offerRecovery();
    RecoveryStore* recoveryStore() const { return recovery_; }
    RecentFiles* recentFiles() const { return recentFiles_; }

    // Files dropped from a file manager: opens each file as File > Open of that file would.
    void openDroppedFiles(const QStringList& paths);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void buildMenus();
    void buildToolbar();
    QAction* addMenuItem(QMenu* menu, const QString& name, const QString& caption,
                         const QKeySequence& shortcut, void (frmMain::*handler)());
    void rebuildWindowList(QMenu* menu);
    void watchActiveChild();
    void openStartFiles();
    QString readmePath() const;
    void refreshMaximizedTitle();
    // Spell checking as View > Options left it.
    void applySpellingSettings();

    AppServices services_;
    QMdiArea* mdiArea_;
    WindowPlacement placement_;
    QToolBar* tbToolBar_ = nullptr;
    StatusPanels* panels_ = nullptr;
    CaretPanel* caretPanel_ = nullptr;
    std::unique_ptr<CommonDialog> dlgCommonDialog_;
    QHash<QString, QAction*> menuItems_;
    QList<QAction*> windowListActions_;
    int documentCount_ = 0;
    bool refresherEnabled_ = false;
    QPointer<ChildForm> watchedChild_;

    std::unique_ptr<FileCommands> fileCommands_;
    std::unique_ptr<StripCommand> stripCommand_;
    std::unique_ptr<PreviewCommand> previewCommand_;
    std::unique_ptr<SearchCommands> searchCommands_;
    std::unique_ptr<OptionsCommand> optionsCommand_;
    std::unique_ptr<BrowserCommands> browserCommands_;
    std::unique_ptr<AboutCommand> aboutCommand_;
    std::unique_ptr<ReadAloud> readAloud_;
    RecoveryStore* recovery_ = nullptr;
    RecentFiles* recentFiles_ = nullptr;
    SpellService* spelling_ = nullptr;
};
