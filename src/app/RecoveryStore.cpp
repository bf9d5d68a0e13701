// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryStore.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>
#include <QtEndian>

#include "common/core/AtomicFileWriter.h"
#include "common/core/PrivateFolder.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

constexpr quint32 kMagic = 0x51524356;  // "QRCV"
// 1: text only; 2: also the formatted text and the file's identity; 3: also the line endings;
// 4: a text of Latin-1 characters kept one byte a character.
constexpr quint32 kVersion = 4;
const QString kLockName = QStringLiteral("run.lock");
const QString kSuffix = QStringLiteral(".recovery");

// Recovery writes run one at a time, in order, so a later text never loses to an earlier one.
QThreadPool& writerPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
}

}  // namespace

RecoveryStore::RecoveryStore(const QString& root, QObject* parent) : QObject(parent), root_(root) {
    const QString name = QStringLiteral("run-%1-%2")
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
    runFolder_ = QDir(root_).filePath(name);
    // The texts may be anybody's secrets: only their owner may read them.
    QString error;
    if (!PrivateFolder::ensure(root_, &error) || !PrivateFolder::ensure(runFolder_, &error)) {
        // Told once the window is there to show it.
        QTimer::singleShot(0, this, [this, error] { reportProblem(error); });
    }
    lock_ = std::make_unique<QLockFile>(QDir(runFolder_).filePath(kLockName));
    lock_->setStaleLockTime(0);
    lock_->tryLock(0);
}

RecoveryStore::~RecoveryStore() {
    writerPool().waitForDone();
}

bool RecoveryStore::writeFile(const QString& path, const RecoveredDocument& document,
                              QString* error) {
    // The text goes to the file a piece at a time between the fields before and after it, a
    // Latin-1 text straight from the document's storage: a large text is never copied whole.
    const TextSnapshot& text = document.text;
    const bool latin1 = text.isLatin1();
    QByteArray head, tail, units;
    QDataStream before(&head, QIODevice::WriteOnly);
    before.setVersion(QDataStream::Qt_6_0);
    // Laid out as QDataStream writes a QByteArray or a QString (UTF-16, big-endian).
    before << kMagic << kVersion << document.caption << qint32(document.fileType)
           << document.encoding << quint8(latin1) << quint32(text.length() * (latin1 ? 1 : 2));
    QDataStream after(&tail, QIODevice::WriteOnly);
    after.setVersion(QDataStream::Qt_6_0);
    after << document.richText << document.file << quint8(document.lineEnding)
          << document.mixedLineEndings;
    enum { Head, Text, Tail, End } part = Head;
    qsizetype at = 0;
    const auto next = [&]() -> QByteArrayView {
        if (part == Head) {
            part = at < text.length() ? Text : Tail;
            return head;
        }
        if (part == Text) {
            constexpr qsizetype kPiece = 1 << 20;
            if (latin1) {
                const QByteArrayView run = text.latin1Run(at, kPiece);  // as far as the gap
                at += run.size();
                if (at >= text.length()) part = Tail;
                return run;
            }
            const QString wide = text.mid(at, kPiece);
            units.resize(2 * wide.size());
            qToBigEndian<quint16>(wide.utf16(), wide.size(), units.data());
            at += wide.size();
            if (at >= text.length()) part = Tail;
            return units;
        }
        if (part == Tail) {
            part = End;
            return tail;
        }
        return {};
    };
    AtomicFileWriter writer(path);
    writer.setPrivate(true);
    if (writer.write(next)) return true;
    if (error) *error = writer.errorString();
    return false;
}

void RecoveryStore::reportProblem(const QString& reason) {
    if (problemReported_) return;
    problemReported_ = true;
    emit unavailable(QStringLiteral("Crash recovery is off: cannot write to \"%1\" (%2).")
                         .arg(QDir::toNativeSeparators(runFolder_), reason));
}

bool RecoveryStore::readFile(const QString& path, RecoveredDocument* document) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    qint32 fileType = 1;
    *document = RecoveredDocument();
    in >> magic >> version;
    if (magic != kMagic || version < 1 || version > kVersion) return false;
    in >> document->caption >> fileType >> document->encoding;
    quint8 latin1 = 0;
    if (version >= 4) in >> latin1;
    if (latin1) {
        QByteArray text;
        in >> text;
        document->text = TextSnapshot::fromLatin1(std::move(text));
    } else {
        QString text;
        in >> text;
        document->text = TextSnapshot(std::move(text));
    }
    if (version >= 2) in >> document->richText >> document->file;
    if (version >= 3) {
        quint8 ending = 0;
        in >> ending >> document->mixedLineEndings;
        using E = TextFileFormat::LineEnding;
        document->lineEnding = ending == quint8(E::CRLF) ? E::CRLF
                               : ending == quint8(E::CR) ? E::CR
                                                         : E::LF;
    }
    document->fileType = fileType == 0 ? 0 : 1;
    return in.status() == QDataStream::Ok;
}

void RecoveryStore::watch(frmDocument* document) {
    Entry& entry = entries_[document];
    entry.document = document;
    entry.path = QDir(runFolder_).filePath(QStringLiteral("doc-%1%2").arg(nextId_++).arg(kSuffix));
    entry.timer = new QTimer(this);
    entry.timer->setSingleShot(true);
    connect(entry.timer, &QTimer::timeout, this, [this, document] { save(document); });
    connect(document->txtText, &RichTextBox::Change, this,
            [this, document] { schedule(document); });
    connect(document, &ChildForm::tagChanged, this, [this, document] {
        // Saved: the file on disk holds the text now.
        if (document->Tag().isEmpty()) removeFile(document);
    });
    connect(document, &QObject::destroyed, this, [this, document] { forget(document); });
    if (document->Tag() == QLatin1String("SAVE")) schedule(document);
}

void RecoveryStore::schedule(frmDocument* document) {
    auto it = entries_.find(document);
    if (it == entries_.end()) return;
    it->timer->start(delayMs_);
}

void RecoveryStore::save(frmDocument* document) {
    auto it = entries_.find(document);
    if (it == entries_.end() || !it->document || it->document->Tag() != QLatin1String("SAVE"))
        return;
    RecoveredDocument snapshot;
    snapshot.caption = document->Caption();
    snapshot.fileType = FileCommands::SaveFileType(snapshot.caption);
    snapshot.encoding = document->txtText->FileEncodingName();
    snapshot.text = document->txtText->textSnapshot();
    snapshot.richText = document->txtText->RichText();
    snapshot.file = document->txtText->FileOnDisk();
    snapshot.lineEnding = document->txtText->FileLineEnding();
    snapshot.mixedLineEndings = document->txtText->FileMixedLineEndings();
    writerPool().start([this, path = it->path, snapshot] {
        QString error;
        if (!writeFile(path, snapshot, &error)) {
            ++failedWrites_;
            // The store outlives the write (its destructor waits for the pool).
            QMetaObject::invokeMethod(
                this, [this, error] { reportProblem(error); }, Qt::QueuedConnection);
        }
    });
}

void RecoveryStore::removeFile(frmDocument* document) {
    auto it = entries_.find(document);
    if (it == entries_.end()) return;
    it->timer->stop();
    // Queued behind any write of the same file still running.
    writerPool().start([path = it->path] { QFile::remove(path); });
}

void RecoveryStore::forget(frmDocument* document) {
    removeFile(document);
    auto it = entries_.find(document);
    if (it == entries_.end()) return;
    delete it->timer;
    entries_.erase(it);
}

bool RecoveryStore::flush() {
    const int failedBefore = failedWrites_;
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->timer->isActive()) {
            it->timer->stop();
            save(it.key());
        }
    }
    writerPool().waitForDone();
    return failedWrites_ == failedBefore;
}

void RecoveryStore::discardRun() {
    for (Entry& entry : entries_) delete entry.timer;
    entries_.clear();
    writerPool().waitForDone();
    lock_->unlock();
    QDir(runFolder_).removeRecursively();
}

QStringList RecoveryStore::orphanFolders() const {
    QStringList result;
    const QFileInfoList runs = QDir(root_).entryInfoList(
        {QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& run : runs) {
        if (run.absoluteFilePath() == QFileInfo(runFolder_).absoluteFilePath()) continue;
        // A lock that can be taken belongs to a run that has ended.
        QLockFile other(QDir(run.absoluteFilePath()).filePath(kLockName));
        other.setStaleLockTime(0);
        if (!other.tryLock(0)) continue;
        other.unlock();
        result << run.absoluteFilePath();
    }
    return result;
}

QList<RecoveredDocument> RecoveryStore::orphanedDocuments() const {
    QList<RecoveredDocument> result;
    for (const QString& folder : orphanFolders()) {
        QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files);
        // doc-2 before doc-10: the order the documents were made in.
        std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
            return a.baseName().mid(4).toInt() < b.baseName().mid(4).toInt();
        });
        for (const QFileInfo& file : files) {
            RecoveredDocument document;
            if (readFile(file.absoluteFilePath(), &document)) result << document;
        }
    }
    return result;
}

void RecoveryStore::discardOrphans() {
    for (const QString& folder : orphanFolders()) QDir(folder).removeRecursively();
}
