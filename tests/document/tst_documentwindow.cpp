// SPDX-License-Identifier: GPL-3.0-or-later
// The document window: the preview-button rule, the changed marker and the close prompt.
#include <QAbstractScrollArea>
#include <QMdiArea>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/core/PreviewRule.h"
#include "document/frmDocument.h"

class DocumentWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    frmDocument* document() const { return main->ActiveDocument(); }
    bool previewEnabled() const { return main->toolbarButton(20)->isEnabled(); }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void previewRule() {
        const auto startsLikePage = [](const QString& text) {
            return StartsLikeHtmlPage([&](int i) { return text.at(i); }, int(text.size()));
        };
        for (const char* page : {"<html><body>", "<HTML>", "\r\n  \n<HTML>", "HTML<<>><html>"})
            QVERIFY2(startsLikePage(QString::fromLatin1(page)), page);
        for (const char* other :
             {"", "\t<HTML>", "<body><html>", "<!DOCTYPE html><html>", "Hello <html>", "<htm"})
            QVERIFY2(!startsLikePage(QString::fromLatin1(other)), other);
    }

    // The preview button follows the text as it is typed; caret moves leave the marker alone.
    void typingMarksTheDocumentAndSwitchesPreview() {
        QCOMPARE(document()->Tag(), QString());
        QVERIFY(!previewEnabled());
        QAbstractScrollArea* editor = document()->txtText->editor();
        QTest::keyClicks(editor, "<html");
        QVERIFY(!previewEnabled());
        QTest::keyClicks(editor, ">");
        QVERIFY(previewEnabled());
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        document()->txtText->setSelStart(0);
        QTest::keyClicks(editor, "<");
        QVERIFY(previewEnabled());  // "<<html>" still starts like a page
        QTest::keyClicks(editor, "b");
        QVERIFY(!previewEnabled());

        document()->setTag(QString());
        document()->txtText->setSelStart(3);
        document()->txtText->setSelLength(2);
        QTest::mouseClick(editor->viewport(), Qt::LeftButton);
        QCOMPARE(document()->Tag(), QString());
        main->mnuFileClose_Click();  // clean: closes without a question
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    // Closing a changed document asks; No closes, Yes saves then closes, unless the save is
    // cancelled or fails.
    void closePrompt_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<bool>("closes");
        QTest::newRow("No") << int(MsgBoxResult::No) << QString() << true;
        QTest::newRow("Yes") << int(MsgBoxResult::Yes) << "draft.txt" << true;
        QTest::newRow("Yes, save cancelled") << int(MsgBoxResult::Yes) << "" << false;
        QTest::newRow("Yes, save fails") << int(MsgBoxResult::Yes) << "no/such/draft.txt" << false;
        QTest::newRow("Cancel") << int(MsgBoxResult::Cancel) << QString() << false;
    }
    void closePrompt() {
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, closes);
        QTest::keyClicks(document()->txtText->editor(), "draft");
        env->dialogs.msgBoxAnswers.enqueue(answer);
        if (!saveAs.isNull())
            env->dialogs.fileAnswers.enqueue(saveAs.isEmpty() ? QString() : env->scratch(saveAs));
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().isEmpty(), closes);
        QVERIFY(env->dialogs.messages[0].text.contains(QStringLiteral("save it")));
        if (answer == MsgBoxResult::Yes && closes)
            QCOMPARE(readBytes(env->scratch(saveAs)), QByteArray("draft"));
        if (!closes) {
            QCOMPARE(document()->txtText->Text(), QStringLiteral("draft"));
            QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        }
        // A failed save says so after the question.
        QCOMPARE(env->dialogs.messages.size(), saveAs.contains(u'/') ? 2 : 1);
    }

    void cancelDuringExitKeepsEverythingOpen() {
        QTest::keyClicks(document()->txtText->editor(), "one");
        main->LoadNewDoc();
        QTest::keyClicks(document()->txtText->editor(), "two");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Cancel);
        QVERIFY(!env->closeMain());
        QCOMPARE(main->ChildForms().size(), 2);
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(env->setting("WindowState"), QStringLiteral("<missing>"));

        // Saying No to both closes the program.
        env->dialogs.msgBoxAnswers << MsgBoxResult::No << MsgBoxResult::No;
        QVERIFY(env->closeMain());
        QCOMPARE(env->setting("WindowState"), QStringLiteral("2"));
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "tst_documentwindow.moc"
