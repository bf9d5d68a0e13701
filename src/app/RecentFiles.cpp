// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>

#include "common/DialogHost.h"
#include "common/core/SettingsStore.h"

namespace {

QString keyOf(int index) {
    return QStringLiteral("RecentFile%1").arg(index + 1);
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

RecentFiles::RecentFiles(QMenu* menu, QAction* before, DialogHost* dialogs, Open open)
    : QObject(menu), menu_(menu), dialogs_(dialogs), open_(std::move(open)) {
    separator_ = new QAction(menu);
    separator_->setSeparator(true);
    separator_->setObjectName(QStringLiteral("mnuFileRecentBar"));
    menu->insertAction(before, separator_);
    for (int i = 0; i < kMaxFiles; ++i) {
        auto* entry = new QAction(menu);
        entry->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, i] { choose(i); });
        menu->insertAction(separator_, entry);
        entries_ << entry;
    }
    // Another document window, or the last save, may have changed the list since it was shown.
    connect(menu, &QMenu::aboutToShow, this, &RecentFiles::rebuild);
    rebuild();
}

QStringList RecentFiles::stored() {
    QStringList paths;
    for (int i = 0; i < kMaxFiles; ++i) {
        const QString path = SettingsStore::GetSetting(keyOf(i));
        if (!path.isEmpty() && !paths.contains(path)) paths << path;
    }
    return paths;
}

void RecentFiles::store(const QStringList& paths) {
    for (int i = 0; i < kMaxFiles; ++i) {
        const QString value = paths.value(i);
        // A key that is absent already reads as empty: do not write it needlessly.
        if (!value.isEmpty() || SettingsStore::HasSetting(keyOf(i)))
            SettingsStore::SaveSetting(keyOf(i), value);
    }
}

void RecentFiles::remember(const QString& path) {
    if (path.isEmpty()) return;
    const QString full = absolute(path);
    QStringList paths = stored();
    if (paths.value(0) == full) return;
    paths.removeAll(full);
    paths.prepend(full);
    store(paths.mid(0, kMaxFiles));
}

void RecentFiles::forget(const QString& path) {
    QStringList paths = stored();
    if (paths.removeAll(path) > 0) store(paths);
}

void RecentFiles::choose(int index) {
    const QString path = stored().value(index);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path)) {
        forget(path);
        rebuild();
        dialogs_->MsgBox(menu_->parentWidget(),
                         QStringLiteral("\"%1\" no longer exists. It has been taken off the list "
                                        "of recent files.")
                             .arg(QDir::toNativeSeparators(path)),
                         MsgBoxStyle::Exclamation, QString());
        return;
    }
    open_(path);
}

void RecentFiles::rebuild() {
    const QStringList paths = stored();
    const QFontMetrics metrics(menu_->font());
    for (int i = 0; i < kMaxFiles; ++i) {
        QAction* entry = entries_[i];
        const bool shown = i < paths.size();
        entry->setVisible(shown);
        if (!shown) continue;
        const QString path = QDir::toNativeSeparators(paths[i]);
        // A deep path keeps its start and its file name; the whole of it is the tip.
        QString caption =
            metrics.elidedText(path, Qt::ElideMiddle, metrics.averageCharWidth() * 60);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        entry->setToolTip(path);
    }
    separator_->setVisible(!paths.isEmpty());
}
