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
    saveTimer_.setSingleShot(true);
    saveTimer_.setTimerType(Qt::CoarseTimer);
    connect(&saveTimer_, &QTimer::timeout, this, &RecentFiles::save);
    // Another window of the program may have changed the list since it was last shown.
    connect(menu, &QMenu::aboutToShow, this, &RecentFiles::rebuild);
    rebuild();
}

RecentFiles::~RecentFiles() {
    save();
}

QStringList RecentFiles::storedValues() {
    QStringList values;
    for (int i = 0; i < kMaxFiles; ++i) values << SettingsStore::GetSetting(keyOf(i));
    return values;
}

QStringList RecentFiles::withChanges(const QStringList& values) const {
    QStringList paths;
    for (const QString& path : values)
        if (!path.isEmpty() && !paths.contains(path)) paths << path;

    for (const auto& [path, add] : changes_) {
        paths.removeAll(path);
        if (add) paths.prepend(path);
    }
    return paths.mid(0, kMaxFiles);
}

QStringList RecentFiles::paths() const {
    return withChanges(storedValues());
}

void RecentFiles::change(const QString& path, bool add) {
    changes_.append({path, add});
    saveTimer_.start(1000);
}

void RecentFiles::save() {
    saveTimer_.stop();
    if (changes_.isEmpty()) return;
    const QStringList before = storedValues();
    const QStringList after = withChanges(before);
    changes_.clear();
    // Keys that keep their value (an absent one reads as empty) are not written again.
    for (int i = 0; i < kMaxFiles; ++i)
        if (before[i] != after.value(i)) SettingsStore::SaveSetting(keyOf(i), after.value(i));
}

void RecentFiles::remember(const QString& path) {
    if (path.isEmpty()) return;
    change(absolute(path), true);
}

void RecentFiles::choose(int index) {
    const QString path = paths().value(index);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path)) {
        change(path, false);
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
    const QStringList paths = this->paths();
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
