// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class DialogHost;
class QAction;
class QMenu;

// The File menu's list of the last files opened or saved, newest first, numbered 1 to 8 so that
// Alt+F and a digit opens one. The list lives in the settings store ("RecentFile1" to
// "RecentFile8"), so later runs, and other windows of the program, see it. Changes reach the
// store a moment later (or when the list goes), so that opening a file never waits for the
// disk; they are laid over what the store holds then, keeping another window's additions.
class RecentFiles : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxFiles = 8;
    using Open = std::function<void(const QString& path)>;

    // The entries go into `menu` before `before`, after a separator of their own; `open` opens
    // a chosen file as File > Open would.
    RecentFiles(QMenu* menu, QAction* before, DialogHost* dialogs, Open open);
    ~RecentFiles() override;

    // The list, newest first, without blanks or repeats.
    QStringList paths() const;
    // Puts `path` (made absolute) first, dropping an older mention and any beyond the eighth.
    void remember(const QString& path);
    // Writes what changed to the settings store now.
    void save();

    // Opens the entry at `index` (0 is the newest). A file that is gone is taken off the list,
    // with a message.
    void choose(int index);
    QList<QAction*> entries() const { return entries_; }

  private:
    // The eight values in the store, blank ones too.
    static QStringList storedValues();
    // Those values as a list, with the changes not yet stored laid over them.
    QStringList withChanges(const QStringList& values) const;
    void change(const QString& path, bool add);
    void rebuild();

    QMenu* menu_;
    QAction* separator_;
    DialogHost* dialogs_;
    Open open_;
    QList<QAction*> entries_;
    QList<QPair<QString, bool>> changes_;  // path, and whether it was added (else removed)
    QTimer saveTimer_;
};
