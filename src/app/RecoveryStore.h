// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>

#include "common/core/FileIdentity.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFileCodec.h"

class frmDocument;
class QTimer;

// One document's unsaved work as kept in a recovery file: what the user would lose.
struct RecoveredDocument {
    QString caption;
    int fileType = 1;
    QString encoding;
    TextSnapshot text;
    // The formatted text as RTF when the document has formatting; empty for plain text (and in
    // copies written before formatting was kept).
    QByteArray richText;
    // The file the text was read from or last saved to, as it was then.
    FileIdentity file;
    // How its line breaks are written (copies before these were kept: LF).
    TextFileFormat::LineEnding lineEnding = TextFileFormat::LineEnding::LF;
    QByteArray mixedLineEndings;
};

// Keeps the text of every document with unsaved changes in a recovery file, so a crash or a
// killed session loses nothing. Files are written atomically and privately a few seconds after the
// last change (not on every keystroke), off the user-interface thread, and removed when the
// document is saved, closed on purpose, or the program ends normally.
//
// Each run keeps its files in a folder of its own under `root`, guarded by a lock file, so two
// editors running at once never take each other's files; at start-up the folders of runs whose
// lock is no longer held are offered back.
class RecoveryStore : public QObject {
    Q_OBJECT
  public:
    explicit RecoveryStore(const QString& root, QObject* parent = nullptr);
    ~RecoveryStore() override;

    // Starts watching a document for changes.
    void watch(frmDocument* document);
    // Writes every pending recovery file now, and waits until they are on disk; false when one
    // of them could not be written.
    bool flush();
    // The program ends normally: every file of this run goes.
    void discardRun();

    // Documents left by runs that did not end normally (their lock is free), oldest first.
    QList<RecoveredDocument> orphanedDocuments() const;
    // Removes the folders of those runs.
    void discardOrphans();

    // Delay between the last change and the write.
    void setDelay(int milliseconds) { delayMs_ = milliseconds; }
    QString runFolder() const { return runFolder_; }

    // Recovery files are private (0600) in private folders (0700).
    static bool writeFile(const QString& path, const RecoveredDocument& document,
                          QString* error = nullptr);
    static bool readFile(const QString& path, RecoveredDocument* document);

  signals:
    // Texts cannot be kept (the folder cannot be made or written); sent once, with a message
    // for the status bar.
    void unavailable(const QString& message);

  private:
    struct Entry {
        QPointer<frmDocument> document;
        QTimer* timer = nullptr;
        QString path;
    };
    void schedule(frmDocument* document);
    void save(frmDocument* document);
    void removeFile(frmDocument* document);
    void forget(frmDocument* document);
    void reportProblem(const QString& reason);
    QStringList orphanFolders() const;

    QString root_;
    QString runFolder_;
    std::unique_ptr<QLockFile> lock_;
    QHash<frmDocument*, Entry> entries_;
    int nextId_ = 1;
    int delayMs_ = 3000;
    bool problemReported_ = false;
    std::atomic<int> failedWrites_{0};
};
