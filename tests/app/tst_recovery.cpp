// SPDX-License-Identifier: GPL-3.0-or-later
// Crash recovery: the copies of unsaved texts, who may read them, and when they go. A killed
// editor restored at the next start is the desktop scenario kill_restore.
#include <sys/stat.h>

#include <QAbstractScrollArea>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/RecoveryStore.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QStringList recoveryFiles(const QString& root) {
    QStringList files;
    QDirIterator it(root, {"*.recovery"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

  private slots:
    // A copy holds the caption, file type, encoding and text; anything else is no copy.
    void fileRoundTrip() {
        QTemporaryDir dir;
        const RecoveredDocument written{"C:/notes/page.html", 1, "UTF-16 LE",
                                        QString("line\nline 2 \u00e9 \U0001F600")};
        RecoveredDocument read;
        QVERIFY(RecoveryStore::writeFile(dir.filePath("x.recovery"), written));
        QVERIFY(RecoveryStore::readFile(dir.filePath("x.recovery"), &read));
        QVERIFY(read.caption == written.caption && read.fileType == 1 &&
                read.encoding == written.encoding && read.text == written.text);
        QVERIFY(writeBytes(dir.filePath("bad.recovery"), "not a recovery file"));
        QVERIFY(!RecoveryStore::readFile(dir.filePath("bad.recovery"), &read));
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
        QVERIFY(writeBytes(env.scratch("not-a-folder"), ""));
        env.services.recoveryFolder = env.scratch("not-a-folder/recovery");
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

QTEST_MAIN(RecoveryTest)
#include "tst_recovery.moc"
