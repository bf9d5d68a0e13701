// SPDX-License-Identifier: GPL-3.0-or-later
// Crash recovery: the copies of unsaved texts, who may read them, and when they go. A killed
// editor restored at the next start is the desktop scenario kill_restore.
#include <sys/stat.h>

#include <QAbstractScrollArea>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/RecoveryStore.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QStringList recoveryFiles(const QString& root) {
    QStringList files;
    QDirIterator it(root, {"*.recovery"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
}

// Starts the editor past its first-run readme, keeping its copies in `folder`.
frmMain* startWith(TestEnvironment& env, const QString& folder) {
    env.setSetting("FirstTime", "No");
    env.services.recoveryFolder = folder;
    return env.start();
}

// Opens `file`, types `typed` at its start, and leaves what a killed run leaves under
// `recoveryRoot`: its copy, in a folder whose lock nobody holds.
bool crashWithChanges(const QString& file, const char* typed, const QString& recoveryRoot) {
    TestEnvironment before;
    QTemporaryDir recovery;
    frmMain* main = startWith(before, recovery.path());
    if (!main->fileCommands()->OpenFile(file)) return false;
    QTest::keyClicks(main->ActiveDocument()->txtText->editor(), typed);
    main->recoveryStore()->setDelay(0);
    const QStringList copies =
        main->recoveryStore()->flush() ? recoveryFiles(recovery.path()) : QStringList();
    return copies.size() == 1 && QDir().mkpath(recoveryRoot + "/run-1-dead") &&
           QFile::copy(copies[0], recoveryRoot + "/run-1-dead/doc-1.recovery");
}

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

  private slots:
    // A copy holds the caption, file type, encoding, text, formatted text and the file's
    // identity; a copy of the first format (text only) still reads; anything else is no copy.
    void fileRoundTrip() {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("page.rtf"), "{\\rtf1 x}"));
        RecoveredDocument written{"C:/notes/page.rtf",
                                  0,
                                  "UTF-16 LE",
                                  QString("line\nline 2 \u00e9 \U0001F600"),
                                  "{\\rtf1 {\\b line}}",
                                  FileIdentity::capture(dir.filePath("page.rtf"), "{\\rtf1 x}"),
                                  TextFileFormat::LineEnding::CR,
                                  "rw"};
        // Just written, so its content hash is compared too: the same content is no change,
        // whether hashed now or, in a copy from an older version, with SHA-1.
        QVERIFY(written.file.changeOnDisk() == FileIdentity::Change::None);
        QByteArray stored;
        QDataStream identity(&stored, QIODevice::WriteOnly);
        identity << written.file;
        stored.chop(4 + 16);
        identity.device()->seek(stored.size());
        identity << QCryptographicHash::hash("{\\rtf1 x}", QCryptographicHash::Sha1);
        FileIdentity older;
        QDataStream in(stored);
        in >> older;
        QVERIFY(older.changeOnDisk() == FileIdentity::Change::None);

        RecoveredDocument read;
        QVERIFY(RecoveryStore::writeFile(dir.filePath("x.recovery"), written));
        QVERIFY(RecoveryStore::readFile(dir.filePath("x.recovery"), &read));
        QVERIFY(read.caption == written.caption && read.fileType == 0 &&
                read.encoding == written.encoding &&
                read.text.toString() == written.text.toString() &&
                read.richText == written.richText && read.file.isAbout(dir.filePath("page.rtf")) &&
                read.lineEnding == written.lineEnding && read.mixedLineEndings == "rw");
        QVERIFY(writeBytes(dir.filePath("page.rtf"), "{\\rtf1 y}"));
        QVERIFY(read.file.changeOnDisk() == FileIdentity::Change::Changed);

        QByteArray first;
        QDataStream out(&first, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << quint32(0x51524356) << quint32(1) << QString("a.txt") << qint32(1)
            << QString("UTF-8") << QString("old text");
        QVERIFY(writeBytes(dir.filePath("v1.recovery"), first));
        QVERIFY(RecoveryStore::readFile(dir.filePath("v1.recovery"), &read));
        QVERIFY(read.text.toString() == "old text" && read.richText.isEmpty() &&
                read.file.isEmpty());

        // A text held one byte a character, longer than a piece and cut by the buffer's gap,
        // is kept as it was when the copy was taken, whatever the buffer does meanwhile.
        TextBuffer buffer;
        buffer.setLatin1(QByteArray("caf\xe9 au lait\n").repeated(300000));
        buffer.replace(1500000, 0, u"\u00ff");
        const QString kept = buffer.mid(0, buffer.length());
        written.text = buffer.snapshot();
        buffer.replace(10, 1000, u"edited on");
        QVERIFY(RecoveryStore::writeFile(dir.filePath("latin1.recovery"), written));
        QVERIFY(RecoveryStore::readFile(dir.filePath("latin1.recovery"), &read));
        QVERIFY(read.text.isLatin1() && read.text.toString() == kept);

        QVERIFY(writeBytes(dir.filePath("bad.recovery"), "not a recovery file"));
        QVERIFY(!RecoveryStore::readFile(dir.filePath("bad.recovery"), &read));
    }

    // A formatted document killed with unsaved changes comes back formatted and tied to its
    // file: its copy is in the new run before the old one goes, another program's change to the
    // file is noticed, and Save writes RTF.
    void formattedDocumentComesBackFormatted() {
        QTemporaryDir crashed;
        const QString file = crashed.filePath("letter.rtf");
        QVERIFY(writeBytes(file, readBytes(QUILLO_TEST_DATA "/files/formatted.rtf")));
        QVERIFY(crashWithChanges(file, "new ", crashed.filePath("recovery")));
        TestEnvironment env;
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        frmMain* main = startWith(env, crashed.filePath("recovery"));
        frmDocument* document = main->ActiveDocument();
        QCOMPARE(document->Caption(), file);
        QVERIFY(document->txtText->isRichMode());
        QVERIFY(document->txtText->Text().startsWith("new Plain bold red big"));
        QVERIFY(document->txtText->RichText().contains("\\b"));
        // At once, not on the timer: a second crash now would still find the text.
        const QStringList copies = recoveryFiles(crashed.filePath("recovery"));
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies[0].startsWith(main->recoveryStore()->runFolder()));

        QVERIFY(writeBytes(file, "{\\rtf1 changed meanwhile}"));
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 2);
        QVERIFY(env.dialogs.messages[1].text.contains("changed by another program"));
        // Saved as RTF; the fonts, sizes and colours are the desktop scenario kill_restore_rtf.
        QVERIFY(readBytes(file).contains("\\b "));
    }

    // A restored plain document is written back in its file's encoding and line endings.
    void plainDocumentKeepsItsFileFormat() {
        QTemporaryDir crashed;
        const QString file = crashed.filePath("dos.txt");
        const auto utf16 = [](const QString& text) {
            return QByteArray("\xff\xfe", 2) +
                   QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        };
        QVERIFY(writeBytes(file, utf16("one\r\ntwo\r\n")));
        QVERIFY(crashWithChanges(file, "new ", crashed.filePath("recovery")));
        TestEnvironment env;
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        frmMain* main = startWith(env, crashed.filePath("recovery"));
        main->mnuFileSave_Click();
        QCOMPARE(readBytes(file), utf16("new one\r\ntwo\r\n"));
    }

    void textIsKeptWhileUnsavedAndGoesWhenSaved() {
        TestEnvironment env;
        QTemporaryDir recovery;
        frmMain* main = startWith(env, recovery.path());
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
        QVERIFY(writeBytes(env.scratch("not-a-folder"), ""));
        frmMain* main = startWith(env, env.scratch("not-a-folder/recovery"));
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
        QVERIFY(
            RecoveryStore::writeFile(QDir(first.runFolder()).filePath("doc-1.recovery"),
                                     {"Document 1", 1, "UTF-8", QString("mine"), {}, {}, {}, {}}));
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
            QVERIFY(RecoveryStore::writeFile(
                QDir(crashed.runFolder()).filePath("doc-1.recovery"),
                {"Document 1", 1, "UTF-8", QString("lost?"), {}, {}, {}, {}}));
            QFile::remove(QDir(crashed.runFolder()).filePath("run.lock"));
        }
        TestEnvironment env;
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        frmMain* main = startWith(env, recovery.path());
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(recoveryFiles(recovery.path()).size(), 0);
    }
};

QTEST_MAIN(RecoveryTest)
#include "tst_recovery.moc"
