// SPDX-License-Identifier: GPL-3.0-or-later
// Another program changes or removes an open document's file: the bar in the document window
// tells when the window is activated, Reload is one undo step, Keep mine and Save again are not
// asked about again, our own saves tell nothing, and the reload option never replaces unsaved
// text.
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "common/core/DocumentSettings.h"
#include "document/ChangedOnDiskBar.h"
#include "document/FileCommands.h"
#include "document/FileWatch.h"
#include "document/RichTextBox.h"

class ChangedOnDiskTest : public WindowTest {
    Q_OBJECT

    QString path;
    frmDocument* document = nullptr;
    ChangedOnDiskBar* bar() const { return document->diskBar; }

    void open(const QByteArray& bytes) {
        path = env->scratch(QStringLiteral("shared.txt"));
        QVERIFY(writeBytes(path, bytes));
        QVERIFY(main->fileCommands()->OpenFile(path));
        document = main->ActiveDocument();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        document->txtText->setFocus();
    }
    // Another process writes the file and puts its old time stamp back; this waits until the
    // watch has seen it.
    void otherProgram(const QString& script) {
        QSignalSpy touched(bar()->findChild<FileWatch*>(), &FileWatch::touched);
        const ChildRun run = runChild(QStringLiteral("sh"),
                                      {QStringLiteral("-c"), script, QStringLiteral("sh"), path});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(touched.wait());
    }
    void rewrite(const QByteArray& bytes) {
        otherProgram(QStringLiteral("touch -r \"$1\" \"$1.t\" && printf '%1' > \"$1\" && "
                                    "touch -r \"$1.t\" \"$1\" && rm \"$1.t\"")
                         .arg(QString::fromLatin1(bytes)));
    }
    void activate(frmDocument* target) {
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(target->parentWidget()));
        target->txtText->setFocus();
    }

  private slots:
    void toldOnActivationAndReloadedAsOneUndoStep() {
        open("version 1");
        QTest::keyClicks(document->txtText->editor(), "mine ");
        frmDocument* other = main->LoadNewDoc();
        activate(other);
        rewrite("version 2");
        QVERIFY(!bar()->isVisible());  // told when the window is activated, not before
        activate(document);
        QTRY_VERIFY(bar()->isVisible());
        QVERIFY(bar()->message->text().contains("changed by another program"));
        QCOMPARE(bar()->cmdFirst->text(), QStringLiteral("Reload"));
        bar()->cmdFirst->click();
        QVERIFY(!bar()->isVisible());
        QCOMPARE(document->txtText->Text(), QStringLiteral("version 2"));
        QCOMPARE(document->Tag(), QString());
        document->txtText->Undo();
        QCOMPARE(document->txtText->Text(), QStringLiteral("mine version 1"));

        // Our own save is no change by another program: no question, no bar.
        QVERIFY(main->fileCommands()->Save(document));
        QCOMPARE(env->dialogs.messages.size(), 0);
        QSignalSpy touched(bar()->findChild<FileWatch*>(), &FileWatch::touched);
        QVERIFY(touched.wait());
        QVERIFY(!bar()->isVisible());
    }

    void keepMineAndSaveAgain() {
        open("version 1");
        rewrite("version 2");
        QTRY_VERIFY(bar()->isVisible());
        bar()->cmdSecond->click();  // Keep mine
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        bar()->checkFile();
        QVERIFY(!bar()->isVisible());
        QVERIFY(main->fileCommands()->Save(document));
        QCOMPARE(env->dialogs.messages.size(), 0);
        QCOMPARE(readBytes(path), QByteArray("version 1"));

        otherProgram(QStringLiteral("rm \"$1\""));
        QTRY_VERIFY(bar()->isVisible());
        QVERIFY(bar()->message->text().contains("removed"));
        QCOMPARE(bar()->cmdFirst->text(), QStringLiteral("Save again"));
        bar()->cmdFirst->click();
        QCOMPARE(env->dialogs.messages.size(), 0);
        QCOMPARE(readBytes(path), QByteArray("version 1"));
        QCOMPARE(document->Tag(), QString());
        QVERIFY(!bar()->isVisible());
    }

    // With the option, a clean document takes the new content by itself; unsaved text is still
    // asked about.
    void reloadOption() {
        CurrentDocumentSettings().ReloadChangedFiles = true;
        open("version 1");
        rewrite("version 2");
        QTRY_COMPARE(document->txtText->Text(), QStringLiteral("version 2"));
        QVERIFY(!bar()->isVisible());
        QTest::keyClicks(document->txtText->editor(), "mine ");
        rewrite("version 3");
        QTRY_VERIFY(bar()->isVisible());
        QCOMPARE(document->txtText->Text(), QStringLiteral("mine version 2"));
        CurrentDocumentSettings().ReloadChangedFiles = false;
    }
};

QTEST_MAIN(ChangedOnDiskTest)
#include "tst_changedondisk.moc"
