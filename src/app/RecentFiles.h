// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class DialogHost;
class QAction;
class QMenu;

// The File menu's list of the last files opened or saved, newest first, numbered 1 to 8 so that
// Alt+F and a digit opens one. The list lives in the settings store ("RecentFile1" to
// "RecentFile8"), so every window and every later run sees it.
class RecentFiles : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxFiles = 8;
    using Open = std::function<void(const QString& path)>;

    // The entries go into `menu` before `before`, after a separator of their own; `open` opens
    // a chosen file as File > Open would.
    RecentFiles(QMenu* menu, QAction* before, DialogHost* dialogs, Open open);

    // The stored list, newest first, without blanks or repeats.
    static QStringList stored();
    // Puts `path` (made absolute) first, dropping an older mention and any beyond the eighth.
    static void remember(const QString& path);
    static void forget(const QString& path);

    // Opens the entry at `index` (0 is the newest). A file that is gone is taken off the list,
    // with a message.
    void choose(int index);
    QList<QAction*> entries() const { return entries_; }

  private:
    static void store(const QStringList& paths);
    void rebuild();

    QMenu* menu_;
    QAction* separator_;
    DialogHost* dialogs_;
    Open open_;
    QList<QAction*> entries_;
};
