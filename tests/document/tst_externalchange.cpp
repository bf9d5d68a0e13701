// SPDX-License-Identifier: GPL-3.0-or-later
// Another program changes or removes the file between opening and saving: the editor asks
// before writing over it, and keeps the document changed when told not to.
#include <QAbstractScrollArea>
#include <QDir>
#include <QFile>
#include <QtTest>

#include "TestEnvironment.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestExternalChange : public QObject {
    Q_OBJECT

  private slots:
    void changedOrVanishedFileAsks() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        const QString file = env.scratch("shared.txt");
        QVERIFY(put(file, "version 1"));
        frmMain* main = env.start();
        QVERIFY(main->fileCommands()->OpenFile(file));
        frmDocument* document = main->ActiveDocument();

        // Same size, written at once: the time stamp may not tell, the content does.
        QVERIFY(put(file, "version 2"));
        QTest::keyClicks(document->txtText->editor(), "mine: ");
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 1);
        QCOMPARE(env.dialogs.messages[0].style, 4 + 32);
        QVERIFY(env.dialogs.messages[0].text.contains(QDir::toNativeSeparators(file)));
        QVERIFY(env.dialogs.messages[0].text.contains("changed by another program"));
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(contentOf(file), QByteArray("version 2"));

        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 2);
        QCOMPARE(document->Tag(), QString());
        QCOMPARE(contentOf(file), QByteArray("mine: version 1"));

        // Our own save is no change by another program.
        QTest::keyClicks(document->txtText->editor(), "!");
        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 2);
        QCOMPARE(contentOf(file), QByteArray("mine: !version 1"));

        QVERIFY(QFile::remove(file));
        QTest::keyClicks(document->txtText->editor(), "?");
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileSave_Click();
        QCOMPARE(env.dialogs.messages.size(), 3);
        QVERIFY(env.dialogs.messages[2].text.contains("deleted or moved"));
        QVERIFY(!QFile::exists(file));
        env.dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        main->mnuFileSave_Click();
        QCOMPARE(contentOf(file), QByteArray("mine: !?version 1"));
        QCOMPARE(document->Tag(), QString());
    }
};

QTEST_MAIN(TestExternalChange)
#include "tst_externalchange.moc"
