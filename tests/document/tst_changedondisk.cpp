// SPDX-License-Identifier: GPL-3.0-or-later
// Another program changes or removes an open document's file: the bar in the document window
// tells when the window is activated, Reload is one undo step, Keep mine and Save again are not
// asked about again, our own saves tell nothing (nor does a new time stamp alone: the desktop
// scenario changed_on_disk), and the reload option never replaces unsaved text.
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
    QString text() const { return document->txtText->Text(); }

    void open() {
        path = env->scratch(QStringLiteral("shared.txt"));
        QVERIFY(writeBytes(path, "version 1"));
        QVERIFY(main->fileCommands()->OpenFile(path));
        document = main->ActiveDocument();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        document->txtText->setFocus();
    }
    // Another process runs `script` on the file; returns once the watch has seen it.
    void otherProgram(const QString& script) {
        QSignalSpy touched(bar()->findChild<FileWatch*>(), &FileWatch::touched);
        QCOMPARE(runChild("sh", {"-c", script, "sh", path}).exitCode, 0);
        QVERIFY(touched.wait());
    }
    // Same size, written in place, the old time stamp put back.
    void rewrite(const char* bytes) {
        otherProgram(QStringLiteral("touch -r \"$1\" \"$1.t\" && printf '%1' > \"$1\" && "
                                    "touch -r \"$1.t\" \"$1\" && rm \"$1.t\"")
                         .arg(QLatin1String(bytes)));
    }
    void activate(frmDocument* target) {
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(target->parentWidget()));
        target->txtText->setFocus();  // as the window system gives it on activation
    }

  private slots:
    void toldOnActivationAndReloadedAsOneUndoStep() {
        open();
        QTest::keyClicks(document->txtText->editor(), "mine ");
        activate(main->LoadNewDoc());
        rewrite("version 2");
        QVERIFY(!bar()->isVisible());
        activate(document);
        QTRY_VERIFY(bar()->isVisible());
        QVERIFY(bar()->message->text().contains("changed by another program"));
        bar()->cmdFirst->click();  // Reload
        QCOMPARE(text(), QStringLiteral("version 2"));
        QCOMPARE(document->Tag(), QString());
        document->txtText->Undo();
        QCOMPARE(text(), QStringLiteral("mine version 1"));

        // Our own save is no change by another program: no question, no bar.
        QVERIFY(main->fileCommands()->Save(document));
        QSignalSpy touched(bar()->findChild<FileWatch*>(), &FileWatch::touched);
        QVERIFY(touched.wait());
        QVERIFY(!bar()->isVisible());
        QCOMPARE(env->dialogs.messages.size(), 0);
    }

    void keepMineAndSaveAgain() {
        open();
        rewrite("version 2");
        QTRY_VERIFY(bar()->isVisible());
        bar()->cmdSecond->click();  // Keep mine
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QVERIFY(main->fileCommands()->Save(document));
        QCOMPARE(env->dialogs.messages.size(), 0);
        QCOMPARE(readBytes(path), QByteArray("version 1"));

        otherProgram(QStringLiteral("rm \"$1\""));
        QTRY_VERIFY(bar()->isVisible());
        QCOMPARE(bar()->cmdFirst->text(), QStringLiteral("Save again"));
        bar()->cmdFirst->click();
        QCOMPARE(readBytes(path), QByteArray("version 1"));
        QCOMPARE(env->dialogs.messages.size(), 0);
        otherProgram(QStringLiteral("rm \"$1\""));
        QTRY_VERIFY(bar()->isVisible());
        bar()->cmdSecond->click();  // Close, without a question: nothing is unsaved
        QTRY_COMPARE(main->mdiArea()->subWindowList().size(), 0);
    }

    // With the option, a clean document takes the new content by itself; unsaved text is still
    // asked about.
    void reloadOption() {
        CurrentDocumentSettings().ReloadChangedFiles = true;
        open();
        rewrite("version 2");
        QTRY_COMPARE(text(), QStringLiteral("version 2"));
        QTest::keyClicks(document->txtText->editor(), "mine ");
        rewrite("version 3");
        QTRY_VERIFY(bar()->isVisible());
        QCOMPARE(text(), QStringLiteral("mine version 2"));
    }
};

QTEST_MAIN(ChangedOnDiskTest)
#include "tst_changedondisk.moc"
