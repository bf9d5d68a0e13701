// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/ChangedOnDiskBar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <memory>

#include "common/core/DocumentSettings.h"
#include "document/FileCommands.h"
#include "document/FileWatch.h"
#include "document/RichTextBox.h"

ChangedOnDiskBar::ChangedOnDiskBar(frmDocument* document, frmDocument::Save save)
    : QFrame(document),
      message(new QLabel(this)),
      cmdFirst(new QPushButton(this)),
      cmdSecond(new QPushButton(this)),
      document_(document),
      save_(std::move(save)),
      watch_(new FileWatch(this)),
      icon_(new QLabel(this)) {
    setObjectName(QStringLiteral("ChangedOnDiskBar"));
    setAccessibleName(QStringLiteral("File changed on disk"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    message->setWordWrap(true);
    message->setForegroundRole(QPalette::ToolTipText);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(icon_);
    layout->addWidget(message, 1);
    layout->addWidget(cmdFirst);
    layout->addWidget(cmdSecond);
    hide();

    connect(cmdFirst, &QPushButton::clicked, this, &ChangedOnDiskBar::first);
    connect(cmdSecond, &QPushButton::clicked, this, &ChangedOnDiskBar::second);
    connect(watch_, &FileWatch::touched, this, &ChangedOnDiskBar::onTouched);
    // Opening and saving under a name set the caption once the file has been read or written.
    connect(document_, &QWidget::windowTitleChanged, this, &ChangedOnDiskBar::follow);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

ChangedOnDiskBar::~ChangedOnDiskBar() {
    if (!comparing_) return;
    // Stops between two pieces read: closing a window does not wait for a big file's end.
    stop_ = true;
    comparing_->wait();
    delete comparing_;
}

// Watches the file the document was read from or last written to, if it has one.
void ChangedOnDiskBar::follow() {
    const QString path = document_->Caption();
    const bool hasFile = document_->txtText->FileOnDisk().isAbout(path);
    watch_->watch(hasFile ? path : QString());
    pending_ = false;
    offer(Offer::None);
}

void ChangedOnDiskBar::onTouched() {
    pending_ = true;
    QWidget* focus = QApplication::focusWidget();
    if (document_->isActiveWindow() && focus && document_->isAncestorOf(focus)) checkFile();
}

// The focus comes into the document when its window is activated, whether from another
// document window or from another program.
void ChangedOnDiskBar::onFocusChanged(QWidget* now) {
    if (pending_ && now && document_->isAncestorOf(now)) checkFile();
}

void ChangedOnDiskBar::checkFile() {
    pending_ = false;
    if (comparing_) {
        again_ = true;
        return;
    }
    const FileIdentity known = document_->txtText->FileOnDisk();
    if (!known.isAbout(watch_->path())) return offer(Offer::None);
    auto result = std::make_shared<Comparison>();
    comparing_ = QThread::create([known, result, stop = &stop_] {
        result->change = known.changeOnDisk(&result->restamped, stop);
    });
    connect(comparing_, &QThread::finished, this,
            [this, known, result] { compared(known, *result); });
    comparing_->start(QThread::LowPriority);
}

void ChangedOnDiskBar::compared(const FileIdentity& known, const Comparison& result) {
    comparing_->deleteLater();
    comparing_ = nullptr;
    // Touched again, or the document read or wrote the file meanwhile: the answer is stale.
    if (again_ || document_->txtText->FileOnDisk() != known) {
        again_ = false;
        return checkFile();
    }
    // The same bytes under a new time stamp: nothing to tell now, nor to ask on saving.
    if (!result.restamped.isEmpty()) document_->txtText->setFileOnDisk(result.restamped);
    switch (result.change) {
        case FileIdentity::Change::None:
            return offer(Offer::None);
        case FileIdentity::Change::Vanished:
            return offer(Offer::Removed);
        case FileIdentity::Change::Changed:
            if (document_->Tag().isEmpty() && CurrentDocumentSettings().ReloadChangedFiles &&
                reload()) {
                return offer(Offer::None);
            }
            return offer(Offer::Changed);
    }
}

void ChangedOnDiskBar::offer(Offer what) {
    shown_ = what;
    if (what == Offer::None) {
        // Typing goes on in the text, not on a button that is going away.
        if (isAncestorOf(QApplication::focusWidget())) document_->txtText->setFocus();
        return hide();
    }
    if (icon_->pixmap().isNull()) {
        // Looked up when first needed: most windows never show the bar.
        icon_->setPixmap(QIcon::fromTheme(QStringLiteral("dialog-warning"),
                                          style()->standardIcon(QStyle::SP_MessageBoxWarning))
                             .pixmap(style()->pixelMetric(QStyle::PM_SmallIconSize)));
    }
    const QString name = QFileInfo(watch_->path()).fileName();
    if (what == Offer::Removed) {
        message->setText(QStringLiteral("\"%1\" has been removed by another program.").arg(name));
        cmdFirst->setText(QStringLiteral("Save again"));
        cmdFirst->setIcon(QIcon::fromTheme(QStringLiteral("document-save")));
        cmdSecond->setText(QStringLiteral("Close"));
        cmdSecond->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    } else {
        QString text = QStringLiteral("\"%1\" has been changed by another program.").arg(name);
        if (!document_->Tag().isEmpty())
            text +=
                QStringLiteral(" Reloading replaces your unsaved changes; Undo brings them back.");
        message->setText(text);
        cmdFirst->setText(QStringLiteral("Reload"));
        cmdFirst->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
        cmdSecond->setText(QStringLiteral("Keep mine"));
        cmdSecond->setIcon(QIcon::fromTheme(QStringLiteral("dialog-cancel")));
    }
    show();
}

// Reads the file into the document as one undo step; the document then matches the file.
bool ChangedOnDiskBar::reload() {
    const QString path = watch_->path();
    QString error;
    if (!document_->txtText->ReloadFile(path, FileCommands::OpenFileType(path), &error)) {
        message->setText(
            QStringLiteral("Cannot reload \"%1\": %2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    document_->setTag(QString());
    return true;
}

void ChangedOnDiskBar::first() {
    if (shown_ == Offer::Changed) {
        if (reload()) offer(Offer::None);
        return;
    }
    // Save again: the removal is known and agreed to, so the save does not ask about it.
    const QString path = watch_->path();
    document_->txtText->setFileOnDisk(FileIdentity::capture(path, QByteArrayView()));
    offer(Offer::None);
    if (save_ && save_(document_)) return;
    document_->setTag(QStringLiteral("SAVE"));
}

void ChangedOnDiskBar::second() {
    if (shown_ == Offer::Removed) {
        offer(Offer::None);
        // Closes as the window's close box does, asking first when there are unsaved changes.
        QWidget* frame = qobject_cast<QMdiSubWindow*>(document_->parentWidget());
        (frame ? frame : document_)->close();
        return;
    }
    // Keep mine: the document stands for the file as it now is, so this change is not told
    // again and a save writes over it without asking; the text differs from the file, so it
    // counts as changed. The file is hashed as it is read, never held whole.
    const FileIdentity now = FileIdentity::captureFile(watch_->path());
    if (!now.isEmpty()) document_->txtText->setFileOnDisk(now);
    document_->setTag(QStringLiteral("SAVE"));
    offer(Offer::None);
}
