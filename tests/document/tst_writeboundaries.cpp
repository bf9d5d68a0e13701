// SPDX-License-Identifier: GPL-3.0-or-later
// Saving where the system says no: a file-size limit, a full disk, pipes and devices. Whatever
// fails, the old file stays byte for byte and the reason is the system's own.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include "document/frmDocument.h"

namespace {

const QByteArray kOld = "old content, 18 b.";

using Run = ChildRun;

// quillo-cli as another program; `fileSizeLimit` >= 0 runs it under that limit with SIGXFSZ
// ignored, as a shell's `ulimit -f` does for a job that traps the signal.
Run cli(const QStringList& args, long fileSizeLimit = -1) {
    ChildOptions options;
    if (fileSizeLimit >= 0) {
        options.beforeExec = [fileSizeLimit] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        };
    }
    return runCli(args, options);
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

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

class TestWriteBoundaries : public QObject {
    Q_OBJECT

  private slots:
    void fileSizeLimit() {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.txt");
        const QString html = dir.filePath("in.html");
        const QString out = dir.filePath("existing.txt");
        QVERIFY(writeBytes(in, "fifteen bytes.\n"));
        QVERIFY(writeBytes(html, "<body>fifteen bytes.</body>"));
        for (const QStringList& args :
             {QStringList{"convert", in, out}, QStringList{"strip", "-o", out, html}}) {
            QVERIFY(writeBytes(out, kOld));
            const Run run = cli(args, 0);
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
        QCOMPARE(message.style, 16);
        QVERIFY(message.text.contains(file));
        QVERIFY2(message.text.contains("No space left on device"), qPrintable(message.text));
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
        const Run run = cli({"convert", dir.filePath("in.txt"), full.filePath("out.txt")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readBytes(full.filePath("out.txt")), QByteArray("new"));
    }

    void pipesAndDevices() {
        QTemporaryDir dir;
        const QString html = dir.filePath("in.html");
        QVERIFY(writeBytes(html, "<html><body>piped</body></html>"));

        const Run toStdout = cli({"strip", "-o", "/dev/stdout", html});
        QCOMPARE(toStdout.exitCode, 0);
        QCOMPARE(toStdout.out, QByteArray("piped\r\n"));

        const QString fifo = dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Nobody reading: refused at once rather than waiting for good.
        const Run unread = cli({"strip", "-o", fifo, html});
        QCOMPARE(unread.exitCode, 1);
        QVERIFY(unread.err.contains("cannot write"));

        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        const Run read = cli({"strip", "-o", fifo, html});
        char buffer[64] = {};
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        ::close(reader);
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(QByteArray(buffer, int(qMax<ssize_t>(n, 0))), QByteArray("piped\r\n"));
    }
};

QTEST_MAIN(TestWriteBoundaries)
#include "tst_writeboundaries.moc"
