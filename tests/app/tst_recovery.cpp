// SPDX-License-Identifier: GPL-3.0-or-later
// Crash recovery: unsaved texts survive a killed editor.
#include <sys/stat.h>

#include <QAbstractScrollArea>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstdio>

#include "TestEnvironment.h"
#include "app/QtDialogHost.h"
#include "app/RecoveryStore.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/core/SettingsStore.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QStringList recoveryFiles(const QString& root) {
    QStringList files;
    QDirIterator it(root, {"*.recovery"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
}

int modeOf(const QString& path) {
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return int(st.st_mode & 07777);
}

const QString kFirstTyped = QStringLiteral("First document, typed before the crash.");
const QString kFirstText = kFirstTyped + QStringLiteral("\nSecond line \u00e9\u20ac");
const QString kSecondText = QStringLiteral("Second document\twith a tab");

// The editor the crash test kills: it types into two documents, waits until both texts are in
// recovery files, says "ready" and then waits to be killed.
int runChild(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString settings = QString::fromLocal8Bit(argv[2]);
    const QString recovery = QString::fromLocal8Bit(argv[3]);
    SettingsStore::setStorageFolder(settings);
    ScriptedDialogHost dialogs;
    AppServices services;
    services.dialogs = &dialogs;
    services.programFolder = settings;
    services.recoveryFolder = recovery;
    frmMain* main = Startup::Main(services);
    main->recoveryStore()->setDelay(50);
    QTest::keyClicks(main->ActiveDocument()->txtText->editor(), kFirstTyped);
    main->ActiveDocument()->txtText->setSelText(kFirstText.mid(kFirstTyped.size()));
    main->LoadNewDoc();
    QTest::keyClicks(main->ActiveDocument()->txtText->editor(), kSecondText);
    if (!QTest::qWaitFor([&] { return recoveryFiles(recovery).size() == 2; }, 10000)) return 3;
    main->recoveryStore()->flush();
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

  private slots:
    void fileRoundTrip() {
        QTemporaryDir dir;
        RecoveredDocument written{"C:/notes/page.html", 1, "UTF-16 LE",
                                  QString("line\nline 2 \u00e9 \U0001F600")};
        const QString path = dir.filePath("x.recovery");
        QVERIFY(RecoveryStore::writeFile(path, written));
        RecoveredDocument read;
        QVERIFY(RecoveryStore::readFile(path, &read));
        QCOMPARE(read.caption, written.caption);
        QCOMPARE(read.fileType, 1);
        QCOMPARE(read.encoding, written.encoding);
        QCOMPARE(read.text, written.text);

        QFile garbage(dir.filePath("bad.recovery"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a recovery file");
        garbage.close();
        QVERIFY(!RecoveryStore::readFile(garbage.fileName(), &read));
    }

    void textIsKeptWhileUnsavedAndGoesWhenSaved() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        QTemporaryDir recovery;
        env.services.recoveryFolder = recovery.path();
        frmMain* main = env.start();
        main->recoveryStore()->setDelay(20);
        frmDocument* document = main->ActiveDocument();
        QTest::keyClicks(document->txtText->editor(), "unsaved");
        QTRY_COMPARE(recoveryFiles(recovery.path()).size(), 1);
        // Only the user may read the copies, whatever the original's mode.
        const QString copy = recoveryFiles(recovery.path()).constFirst();
        QCOMPARE(modeOf(copy), 0600);
        QCOMPARE(modeOf(QFileInfo(copy).absolutePath()), 0700);
        QCOMPARE(modeOf(recovery.path()), 0700);

        env.dialogs.fileAnswers.enqueue(env.scratch("saved.txt"));
        main->mnuFileSave_Click();
        QCOMPARE(document->Tag(), QString());
        main->recoveryStore()->flush();
        QCOMPARE(recoveryFiles(recovery.path()).size(), 0);

        // Changed again, then closed without saving on purpose: gone as well.
        QTest::keyClicks(document->txtText->editor(), " more");
        QTRY_COMPARE(recoveryFiles(recovery.path()).size(), 1);
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileClose_Click();
        QTRY_COMPARE(recoveryFiles(recovery.path()).size(), 0);

        // A normal exit leaves nothing behind.
        main->LoadNewDoc();
        QTest::keyClicks(main->ActiveDocument()->txtText->editor(), "x");
        main->recoveryStore()->flush();
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        QVERIFY(env.closeMain());
        QCOMPARE(QDir(recovery.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void aFolderThatCannotBeWrittenIsReportedOnce() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        QFile blocker(env.scratch("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        env.services.recoveryFolder = blocker.fileName() + "/recovery";
        frmMain* main = env.start();
        QTRY_VERIFY(main->statusText().startsWith("Crash recovery is off: cannot write to"));
        QVERIFY(main->statusText().contains("Not a directory"));
        main->setStatusText("Ready.");
        main->recoveryStore()->setDelay(0);
        QTest::keyClicks(main->ActiveDocument()->txtText->editor(), "x");
        main->recoveryStore()->flush();
        QCoreApplication::processEvents();
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    void aRunningEditorKeepsItsFiles() {
        QTemporaryDir recovery;
        RecoveryStore first(recovery.path());
        QVERIFY(RecoveryStore::writeFile(QDir(first.runFolder()).filePath("doc-1.recovery"),
                                         {"Document 1", 1, "UTF-8", "mine"}));
        RecoveryStore second(recovery.path());
        QVERIFY(second.orphanedDocuments().isEmpty());
        second.discardOrphans();
        QCOMPARE(recoveryFiles(recovery.path()).size(), 1);
    }

    void killedEditorIsRestoredAtTheNextStart() {
        QTemporaryDir settings;
        QTemporaryDir recovery;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(
            QCoreApplication::applicationFilePath(),
            {"--recovery-child", settings.path(), recovery.path(), "-platform", "offscreen"});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        TestEnvironment env;
        SettingsStore::setStorageFolder(settings.path());
        env.services.recoveryFolder = recovery.path();
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        frmMain* main = env.start();
        QCOMPARE(env.dialogs.messages.size(), 1);
        QVERIFY(env.dialogs.messages[0].text.contains("2 document(s)"));
        const QList<ChildForm*> children = main->ChildForms();
        QCOMPARE(children.size(), 3);
        auto* first = qobject_cast<frmDocument*>(children[1]);
        auto* second = qobject_cast<frmDocument*>(children[2]);
        QCOMPARE(first->txtText->Text(), kFirstText);
        QCOMPARE(first->Caption(), QStringLiteral("Document 1"));
        QCOMPARE(first->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(second->txtText->Text(), kSecondText);
        QCOMPARE(second->Caption(), QStringLiteral("Document 2"));

        // The old run's files are gone; the restored texts are kept by this run now.
        main->recoveryStore()->flush();
        const QStringList files = recoveryFiles(recovery.path());
        QCOMPARE(files.size(), 2);
        for (const QString& file : files)
            QVERIFY(file.startsWith(main->recoveryStore()->runFolder()));
    }

    void discardingRemovesTheOldFiles() {
        QTemporaryDir recovery;
        {
            // A run that ended without cleaning up: its folder has no live lock.
            RecoveryStore crashed(recovery.path());
            QVERIFY(RecoveryStore::writeFile(QDir(crashed.runFolder()).filePath("doc-1.recovery"),
                                             {"Document 1", 1, "UTF-8", "lost?"}));
            QFile::remove(QDir(crashed.runFolder()).filePath("run.lock"));
        }
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.services.recoveryFolder = recovery.path();
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        frmMain* main = env.start();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(recoveryFiles(recovery.path()).size(), 0);
    }
};

int main(int argc, char** argv) {
    if (argc >= 4 && qstrcmp(argv[1], "--recovery-child") == 0) return runChild(argc, argv);
    QApplication app(argc, argv);
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
