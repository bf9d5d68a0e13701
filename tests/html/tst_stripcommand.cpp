// SPDX-License-Identifier: GPL-3.0-or-later
// The strip command on documents: it works away from the window, lands in the document it read,
// once, as one undo step, and a document closed meanwhile drops the result.
#include <QtTest>

#include "TestEnvironment.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

class StripCommandTest : public WindowTest {
    Q_OBJECT

  private slots:
    void stripsTheDocumentItReadOnce() {
        QString page = QStringLiteral("<html><body>");
        for (int i = 0; i < 20000; ++i)
            page += QStringLiteral("<p>Paragraph &amp; number %1</p>\n").arg(i);
        frmDocument* source = main->ActiveDocument();
        source->txtText->setText(page + QStringLiteral("</body></html>"));
        source->setTag(QString());
        main->mnuStrip_Click();
        QCOMPARE(main->statusText(), QStringLiteral("Stripping HTML codes..."));
        main->mnuStrip_Click();  // refused while the first runs
        frmDocument* other = main->LoadNewDoc();
        other->txtText->setText("untouched");
        QTRY_COMPARE_WITH_TIMEOUT(main->statusText(), QStringLiteral("Ready."), 20000);
        QCOMPARE(other->txtText->Text(), QStringLiteral("untouched"));
        // Stripped once: a second pass over the plain result would have joined the lines.
        QVERIFY(source->txtText->Text().startsWith(QStringLiteral("Paragraph & number 0\n")));
        QCOMPARE(source->Tag(), QStringLiteral("SAVE"));
        source->txtText->Undo();
        QVERIFY(source->txtText->Text().startsWith(QStringLiteral("<html>")));

        // Closed while it runs: the result goes nowhere.
        main->mnuStrip_Click();
        env->dialogs.msgBoxAnswers << MsgBoxResult::No << MsgBoxResult::No;
        main->mnuFileClose_Click();
        main->mnuFileClose_Click();
        QTRY_COMPARE_WITH_TIMEOUT(main->statusText(), QStringLiteral("Ready."), 20000);
        QVERIFY(main->ChildForms().isEmpty());
        main->mnuStrip_Click();  // without a document nothing happens
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }
};

QTEST_MAIN(StripCommandTest)
#include "tst_stripcommand.moc"
