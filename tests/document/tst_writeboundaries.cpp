// SPDX-License-Identifier: GPL-3.0-or-later
// Saving files: a new file renamed over the old one, or written in place where a rename would
// lose something (hard links, another user's file, extended attributes, a folder without room
// or rights for a temporary file). And where the system says no: read-only files and folders, a
// file-size limit, a full disk, pipes and devices. Whatever fails, the old file stays byte for
// byte and the reason is the system's own.
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/RecoveryStore.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/core/DocumentFileIO.h"
#include "document/frmDocument.h"

namespace {

const QByteArray kOld = "old content, 18 b.";
constexpr uid_t kNobody = 65534;

// Permission checks do not apply to root, which the test runs as on CI: for as long as this
// lives, the process acts as user "nobody".
class AsNobody {
  public:
    AsNobody() {
        if (::geteuid() != 0) return;
        if (::setegid(kNobody) != 0) return;
        if (::seteuid(kNobody) != 0) {
            ::setegid(0);
            return;
        }
        switched_ = true;
    }
    ~AsNobody() {
        if (!switched_) return;
        if (::seteuid(0) != 0 || ::setegid(0) != 0) qFatal("cannot return to root");
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

    // Whether permissions are enforced now (not root).
    bool restricted() const { return ::geteuid() != 0; }

  private:
    bool switched_ = false;
};

bool put(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    return writeBytes(path, bytes) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

bool giveToNobody(const QString& path) {
    return ::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0;
}

// quillo-cli started by a shell under `ulimit -f` (in the shell's blocks of 512 or 1024 bytes),
// with SIGXFSZ at its default, as a shell, a service manager or a desktop session leaves it.
ChildRun cliUnderShellLimit(const QStringList& args, int blocks) {
    ChildOptions options;
    options.beforeExec = [] { ::signal(SIGXFSZ, SIG_DFL); };
    return runChild(
        QStringLiteral("/bin/sh"),
        QStringList{"-c", QStringLiteral("ulimit -f %1 && exec \"$0\" \"$@\"").arg(blocks),
                    QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli")} +
            args,
        options);
}

// A small file system of its own for as long as it lives; mounting needs root.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(const char* options) {
        mounted_ =
            ::geteuid() == 0 && ::mount("tmpfs", native().constData(), "tmpfs", 0, options) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(native().constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

  private:
    QByteArray native() const { return QFile::encodeName(dir_.path()); }
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// Writes `bytes` to `file` by the editor's save, in pieces of three bytes as a plain text is
// saved, and reads them back.
bool writes(const QString& file, const QByteArray& bytes) {
    QString error;
    qsizetype at = 0;
    const auto pieces = [&] {
        const QByteArrayView piece =
            QByteArrayView(bytes).sliced(at, std::min<qsizetype>(3, bytes.size() - at));
        at += piece.size();
        return piece;
    };
    const bool written = DocumentFileIO::writeFile(file, pieces, &error);
    if (!written) qWarning("%s", qPrintable(error));
    return written && readBytes(file) == bytes;
}

// Another user's file, as it was: theirs, in their group, mode 0640.
bool ownedByNobody(const QString& file) {
    const struct stat st = statOf(file);
    return st.st_uid == kNobody && st.st_gid == gid_t(kNobody) && (st.st_mode & 07777) == 0640;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

class TestWriteBoundaries : public QObject {
    Q_OBJECT

    QString path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        // Reachable by "nobody" for the permission cases.
        QCOMPARE(::chmod(QFile::encodeName(dir_->path()).constData(), 0755), 0);
    }
    void cleanup() {
        // Read-only folders would keep their files from being removed.
        for (const QFileInfo& info :
             QDir(dir_->path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            ::chmod(QFile::encodeName(info.filePath()).constData(), 0755);
        }
        dir_.reset();
    }

    void createsAndReplaces() {
        const QString file = path("doc.txt");
        QVERIFY(writes(file, "first"));
        const ino_t before = statOf(file).st_ino;
        QVERIFY(writes(file, "second, longer"));
        // Replaced by renaming a new file over it, which leaves nothing else behind.
        QVERIFY(statOf(file).st_ino != before);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.txt"});

        QVERIFY(writes(file, QByteArray()));
    }

    // A new file gets what the user's umask leaves of 0666 (a private copy, 0600 whatever the
    // umask, is tst_recovery's and tst_previewfile's).
    void newFileMode() {
        const mode_t saved = ::umask(002);
        QString error;
        const bool written = DocumentFileIO::writeFile(path("shared.txt"), "x", &error);
        ::umask(saved);
        QVERIFY2(written, qPrintable(error));
        QCOMPARE(statOf(path("shared.txt")).st_mode & 07777, mode_t(0664));
    }

    void followsSymbolicLinks() {
        QDir(dir_->path()).mkdir(QStringLiteral("real"));
        const QString target = path("real/target.txt");
        QVERIFY(put(target, "old", 0640));
        const QString link = path("link.txt");
        const QString chain = path("chain.txt");
        QVERIFY(QFile::link(QStringLiteral("real/target.txt"), link));  // relative
        QVERIFY(QFile::link(link, chain));

        QVERIFY(writes(chain, "through two links"));  // read back through the links
        QVERIFY(QFileInfo(chain).isSymLink());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(statOf(target).st_mode & 07777, mode_t(0640));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);

        // A link to a file that does not exist yet creates the file, not a new link.
        const QString dangling = path("dangling.txt");
        QVERIFY(QFile::link(path("real/later.txt"), dangling));
        QVERIFY(writes(dangling, "created"));
        QVERIFY(QFileInfo(dangling).isSymLink());
        QVERIFY(QFileInfo::exists(path("real/later.txt")));

        // A loop of links is an error, not a hang.
        QString error;
        QVERIFY(QFile::link(path("loop2"), path("loop1")));
        QVERIFY(QFile::link(path("loop1"), path("loop2")));
        QVERIFY(!DocumentFileIO::writeFile(path("loop1"), "x", &error));
        QVERIFY(!error.isEmpty());
    }

    void writesHardLinksInPlace() {
        const QString first = path("first.txt");
        const QString second = path("second.txt");
        QVERIFY(put(first, "shared old content that is long"));
        QCOMPARE(
            ::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()), 0);
        const ino_t inode = statOf(first).st_ino;

        QVERIFY(writes(second, "short"));
        QCOMPARE(readBytes(first), QByteArray("short"));
        QCOMPARE(statOf(second).st_ino, inode);
        QCOMPARE(statOf(first).st_nlink, nlink_t(2));

        // Longer than one write: each lands where it belongs.
        const QByteArray longer = QByteArray("0123456789abcdef").repeated(600 * 1024);
        QVERIFY(writes(first, longer));
        QCOMPARE(readBytes(second), longer);
    }

    void readOnlyFolder() {
        const QString folder = path("locked");
        QVERIFY(QDir().mkdir(folder));
        const QString writable = folder + "/writable.txt";
        const QString readOnly = folder + "/readonly.txt";
        QVERIFY(put(writable, "old writable"));
        QVERIFY(put(readOnly, "old read-only", 0444));
        QVERIFY(giveToNobody(writable));
        QVERIFY(giveToNobody(readOnly));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        const ino_t inode = statOf(writable).st_ino;

        AsNobody nobody;
        if (!nobody.restricted()) QSKIP("permissions are not enforced for this user");
        QString error;

        // A new file cannot be made there.
        const QString fresh = folder + "/new.txt";
        QVERIFY(!DocumentFileIO::writeFile(fresh, "new", &error));
        QCOMPARE(error, QStringLiteral("Permission denied"));
        QVERIFY(!QFileInfo::exists(fresh));

        // A read-only file stays as it was.
        error.clear();
        QVERIFY(!DocumentFileIO::writeFile(readOnly, "new", &error));
        QCOMPARE(error, QStringLiteral("Permission denied"));
        QCOMPARE(readBytes(readOnly), QByteArray("old read-only"));

        // A writable file is written in place, since no temporary file can be made beside it.
        QVERIFY(writes(writable, "new"));
        QCOMPARE(statOf(writable).st_ino, inode);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void keepsAnotherUsersOwnership() {
        if (::geteuid() != 0) QSKIP("only root can save a file that another user owns");
        const QString file = path("theirs.txt");
        QVERIFY(put(file, "old", 0640));
        QVERIFY(giveToNobody(file));
        QVERIFY(writes(file, "new"));
        QVERIFY(ownedByNobody(file));
    }

    // A set-group-ID folder gives a new file the folder's group: the replacement of a file
    // saved there by its owner, an ordinary user, must get the old file's group back.
    void keepsTheGroupInASetGroupIdFolder() {
        if (::geteuid() != 0) QSKIP("needs root to set up another user's folder");
        const QString folder = path("shared");
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), kNobody, 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 02775), 0);
        const QString file = folder + "/f.txt";
        QVERIFY(put(file, kOld, 0640));
        QVERIFY(giveToNobody(file));
        QVERIFY(put(path("src.txt"), "new"));

        ChildOptions asNobody;
        asNobody.beforeExec = [] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(99);
        };
        const ChildRun run = runCli({"convert", path("src.txt"), file}, asNobody);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(readBytes(file), QByteArray("new"));
        QVERIFY(ownedByNobody(file));
    }

    void extendedAttributesWriteInPlace() {
        const QString file = path("tagged.txt");
        QVERIFY(put(file, "old"));
        const QByteArray native = QFile::encodeName(file);
        if (::setxattr(native.constData(), "user.origin", "web", 3, 0) != 0)
            QSKIP("this file system keeps no extended attributes");
        const ino_t inode = statOf(file).st_ino;
        QVERIFY(writes(file, "new and longer"));
        // A new file would not have carried the attribute over.
        QCOMPARE(statOf(file).st_ino, inode);
        char value[8] = {};
        QCOMPARE(::getxattr(native.constData(), "user.origin", value, sizeof value), ssize_t(3));
    }

    // Paths that cannot be written or read, each with its reason; a read within its limit.
    void badPathsAndReading() {
        QVERIFY(QDir().mkdir(path("folder")));
        QVERIFY(put(path("read.txt"), QByteArray(3 * 1024 * 1024, 'a')));
        const QList<QPair<QString, QString>> unwritable = {
            {path("missing/doc.txt"), "The folder does not exist."},
            {path("folder"), "It is a folder, not a file."},
            {QString(), "The file name is empty."}};
        QString error;
        for (const auto& [file, reason] : unwritable) {
            QVERIFY(!DocumentFileIO::writeFile(file, "x", &error));
            QVERIFY2(error == reason || (file.isEmpty() && !error.isEmpty()), qPrintable(error));
        }
        QByteArray bytes;
        const QList<QPair<QString, QString>> unreadable = {
            {path("none.txt"), "The file does not exist."},
            {path("folder"), "It is a folder, not a file."},
            {"/dev/zero", "It is not a regular file."},
            {path("read.txt"), "The file is too large (3.0 MB; at most 2 MB can be opened)."}};
        for (const auto& [file, reason] : unreadable) {
            QVERIFY(!DocumentFileIO::readFile(file, &bytes, &error, 2 * 1024 * 1024));
            QCOMPARE(error, reason);
        }
        QVERIFY(DocumentFileIO::readFile(path("read.txt"), &bytes, &error, 3 * 1024 * 1024));
        QCOMPARE(bytes.size(), 3 * 1024 * 1024);

        QVERIFY(put(path("read.txt"), "secret", 0000));
        AsNobody nobody;
        if (!nobody.restricted()) QSKIP("permissions are not enforced for this user");
        QVERIFY(!DocumentFileIO::readFile(path("read.txt"), &bytes, &error));
        QCOMPARE(error, QStringLiteral("Permission denied"));
    }

    // Past the limit the program is not killed: it says why, exits with 1, and leaves the old
    // file whole and no temporary file. The editor under a limit is the desktop scenario
    // file_size_limit.
    void fileSizeLimit() {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.txt");
        const QString html = dir.filePath("in.html");
        const QString out = dir.filePath("existing.txt");
        const QByteArray line = "a line of text that is long enough to count.\n";
        QVERIFY(writeBytes(in, line.repeated(2000)));
        QVERIFY(writeBytes(html, "<body>" + line.repeated(2000) + "</body>"));
        for (const QStringList& args :
             {QStringList{"convert", in, out}, QStringList{"strip", "-o", out, html}}) {
            QVERIFY(writeBytes(out, kOld));
            const ChildRun run = cliUnderShellLimit(args, 20);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("File too large"), run.err.constData());
            QCOMPARE(readBytes(out), kOld);
            QCOMPARE(entries(dir.path()), QStringList({"existing.txt", "in.html", "in.txt"}));
        }
    }

    void fullFileSystemInTheEditor() {
        const SmallFileSystem mountPoint("size=256k");
        if (!mountPoint.mounted()) QSKIP("no file system can be mounted here (needs root)");

        const QString file = mountPoint.filePath("notes.txt");
        QVERIFY(writeBytes(file, kOld));
        QTemporaryDir recovery;
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.services.recoveryFolder = recovery.path();
        frmMain* main = env.start();
        main->recoveryStore()->setDelay(0);
        QVERIFY(main->fileCommands()->OpenFile(file));
        frmDocument* document = main->ActiveDocument();
        QTest::keyClicks(document->txtText->editor(), "typed ");
        main->recoveryStore()->flush();

        QFile filler(mountPoint.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        const QStringList before = entries(mountPoint.path());

        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 1);
        const auto& message = env.dialogs.messages.constFirst();
        QVERIFY2(message.style == 16 && message.text.contains(file) &&
                     message.text.contains("No space left on device"),
                 qPrintable(message.text));
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(readBytes(file), kOld);
        QCOMPARE(entries(mountPoint.path()), before);
        // The unsaved text is still kept against a crash.
        main->recoveryStore()->flush();
        QDirIterator copies(recovery.path(), {"*.recovery"}, QDir::Files,
                            QDirIterator::Subdirectories);
        QVERIFY(copies.hasNext());
    }

    void noRoomForATemporaryFile() {
        // Only the file's own inode fits: it is written in place, never emptied first.
        const SmallFileSystem full("size=256k,nr_inodes=2");
        if (!full.mounted()) QSKIP("no file system can be mounted here (needs root)");
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("in.txt"), "new"));
        QVERIFY(writeBytes(full.filePath("out.txt"), kOld));
        const ChildRun run = runCli({"convert", dir.filePath("in.txt"), full.filePath("out.txt")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readBytes(full.filePath("out.txt")), QByteArray("new"));
    }

    // A pipe nobody reads is refused at once rather than waited on for good (writing to
    // /dev/stdout is a row of the quillo-cli table).
    void pipeWithoutReader() {
        const QString fifo = path("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(writeBytes(path("in.html"), "<html><body>piped</body></html>"));
        const ChildRun unread = runCli({"strip", "-o", fifo, path("in.html")});
        QCOMPARE(unread.exitCode, 1);
        QVERIFY(unread.err.contains("cannot write"));
    }
};

QTEST_MAIN(TestWriteBoundaries)
#include "tst_writeboundaries.moc"
