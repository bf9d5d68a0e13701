// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>

#include "Version.h"
#include "about/AboutCommand.h"
#include "app/CaretPanel.h"
#include "app/FileDrops.h"
#include "app/RecentFiles.h"
#include "app/RecoveryPrompt.h"
#include "app/RecoveryStore.h"
#include "app/StatusPanels.h"
#include "app/WindowPlacement.h"
#include "browser/BrowserCommands.h"
#include "common/CommonDialog.h"
#include "common/DialogHost.h"
#include "common/Logo.h"
#include "common/Twips.h"
#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"
#include "common/core/ZoomSteps.h"
#include "document/FileCommands.h"
#include "document/LinePosition.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "html/PreviewCommand.h"
#include "html/StripCommand.h"
#include "options/OptionsCommand.h"
#include "search/SearchCommands.h"
#include "speech/ReadAloud.h"
#include "spell/core/DictionaryCatalog.h"
#include "spell/core/SpellService.h"

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

// Buttons the refresher writes, by index.
constexpr int kRefreshedButtons[] = {3, 5, 7, 8, 10, 11, 13, 14, 15, 17, 18, 20};

}  // namespace

frmMain::frmMain(AppServices services)
    : services_(std::move(services)), mdiArea_(new DocumentArea(this)), placement_(this) {
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
        [this](const QString& path) { browserCommands_->Open(path); });
    searchCommands_ = std::make_unique<SearchCommands>(this);
    optionsCommand_ = std::make_unique<OptionsCommand>(this);
    browserCommands_ = std::make_unique<BrowserCommands>(this);
    aboutCommand_ = std::make_unique<AboutCommand>(this, services_.dialogs);
    readAloud_ = std::make_unique<ReadAloud>(this);

    buildMenus();
    buildToolbar();
    recentFiles_ =
        new RecentFiles(menuItems_.value(QStringLiteral("mnuFile"))->menu(),
                        menuItems_.value(QStringLiteral("mnuFileExit")), services_.dialogs,
                        [this](const QString& path) { fileCommands_->OpenFile(path); });
    fileCommands_->setFileUsed([this](const QString& path) { recentFiles_->remember(path); });
    panels_ = new StatusPanels(statusBar());
    caretPanel_ = new CaretPanel(statusBar());
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));

    if (!services_.recoveryFolder.isEmpty()) {
        recovery_ = new RecoveryStore(services_.recoveryFolder, this);
        connect(recovery_, &RecoveryStore::unavailable, this, &frmMain::setStatusText);
    }

    // One spell check for all documents; its dictionary loads when a document first asks.
    spelling_ = new SpellService(DictionaryCatalog::defaultFolders(), services_.wordListFile, this);
    connect(spelling_, &SpellService::problem, this, &frmMain::setStatusText);
    applySpellingSettings();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] {
        watchActiveChild();
        tmrDis_Timer();
    });

    // Files dropped anywhere in the window open as documents, even on the edit controls and
    // browsers, which would take them as text or links.
    new FileDrops(this, [this](const QStringList& paths) { openDroppedFiles(paths); });
}

frmMain::~frmMain() = default;

void frmMain::applySpellingSettings() {
    const DocumentSettings& settings = CurrentDocumentSettings();
    spelling_->configure(settings.CheckSpelling, settings.SpellingLanguage);
}

// ---- Start-up and shutdown ------------------------------------------------------------------

void frmMain::MDIForm_Load() {
    SettingsStore::SaveSetting(
        QStringLiteral("Version"),
        QStringLiteral("%1.%2").arg(QUILLO_VERSION_MAJOR).arg(QUILLO_VERSION_MINOR));
    placement_.restore();
    LoadNewDoc();
    openStartFiles();
    refresherEnabled_ = true;
    tmrDis_Timer();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    placement_.applyPendingOuterSize();
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
    placement_.applyPendingOuterSize();
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
    document->setSpellCheck(spelling_);
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

void frmMain::openStartFiles() {
    // The first file goes into the first document, each further one into a window of its own
    // (even when the file before was empty).
    for (int i = 0; i < services_.startFiles.size(); ++i) {
        frmDocument* document = i == 0 ? ActiveDocument() : LoadNewDoc();
        if (!document || !fileCommands_->LoadInto(document, services_.startFiles[i])) continue;
        if (const int line = services_.startLines.value(i))
            LinePosition::goToLine(document->txtText, line);
    }
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
    RecoveryPrompt::offer(recovery_, dialogHost(), this, [this] { return LoadNewDoc(); });
}

void frmMain::MDIForm_Unload() {
    // The colours are kept with a window of normal size only.
    if (!placement_.save()) return;
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
    auto* document = qobject_cast<frmDocument*>(active);
    if (document) panels_->setInsertMode(!document->txtText->OverwriteMode());
    caretPanel_->follow(document ? document->txtText : nullptr);
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

void frmMain::mnuEditGoTo_Click() {
    frmDocument* document = ActiveDocument();
    if (!document) return;
    RichTextBox* text = document->txtText;
    const int lines = int(LinePosition::lineCount(text));
    bool ok = false;
    const int line = dialogHost()->AskNumber(
        this, QStringLiteral("Go to Line"), QStringLiteral("Line number (1 to %L1):").arg(lines),
        int(LinePosition::caretPlace(text).line), 1, lines, &ok);
    if (ok) LinePosition::goToLine(text, line);
}

// The menu has already flipped a checkable item's tick when its handler runs, so the bar
// itself says what to toggle from; the tick is then set to match it.
static void toggleBar(QWidget* bar, QAction* item) {
    const bool show = bar->isHidden();
    bar->setVisible(show);
    item->setChecked(show);
}

void frmMain::mnuViewToolbar_Click() {
    toggleBar(tbToolBar_, menuItems_.value(QStringLiteral("mnuViewToolbar")));
}

void frmMain::mnuViewStatusBar_Click() {
    toggleBar(statusBar(), menuItems_.value(QStringLiteral("mnuViewStatusBar")));
}

void frmMain::mnuViewOptions_Click() {
    optionsCommand_->mnuViewOptions_Click();
    applySpellingSettings();
}
void frmMain::mnuViewBrowser_Click() {
    browserCommands_->mnuViewBrowser_Click();
}

void frmMain::Zoom(int direction) {
    const auto zoomed = [direction](int percent) {
        return direction == 0 ? ZoomSteps::kNormal : ZoomSteps::next(percent, direction);
    };
    if (ChildForm* child = ActiveForm(); child && child->zoomPercent() > 0)
        child->setZoomPercent(zoomed(child->zoomPercent()));
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
