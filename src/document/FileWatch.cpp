// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FileWatch.h"

#include <QFileInfo>

namespace {
// A program writing a file often does it in several steps (truncate, write, rename, set the
// time); the document looks once they are over.
constexpr int kSettleMs = 100;
}  // namespace

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::touched);
}

void FileWatch::watch(const QString& path) {
    const QString absolute = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (absolute == path_) return;
    path_ = absolute;
    if (!watcher_ && !path_.isEmpty()) {
        watcher_ = std::make_unique<QFileSystemWatcher>();
        auto event = [this] {
            rearm();
            settle_.start();
        };
        connect(watcher_.get(), &QFileSystemWatcher::fileChanged, this, event);
        connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, this, event);
    }
    rearm();
}

void FileWatch::rearm() {
    if (!watcher_) return;
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    if (path_.isEmpty()) return;
    if (!watcher_->addPath(path_)) watcher_->addPath(QFileInfo(path_).absolutePath());
}
