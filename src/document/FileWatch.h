// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

// Tells when something may have happened to one file: written, replaced, removed or made anew.
// It only notices; what really changed is for the caller to find out (FileIdentity).
//
// The system's watch follows the file it was set on, so a file replaced by renaming another
// over it (as editors and this program save) is watched afresh after every event; while the
// file is missing, its folder is watched instead, to see it come back.
class FileWatch : public QObject {
    Q_OBJECT
  public:
    explicit FileWatch(QObject* parent = nullptr);

    // Watches `path` from now on (an empty path: nothing).
    void watch(const QString& path);
    QString path() const { return path_; }

  signals:
    // Once for a burst of events, shortly after the last.
    void touched();

  private:
    void rearm();

    // Made with the first path: each holds a watch instance of the system, of which a user has
    // a limited number, and most new documents never have a file.
    std::unique_ptr<QFileSystemWatcher> watcher_;
    QTimer settle_;
    QString path_;
};
