// The document window: the preview-button rule, the changed marker and the close prompt.
#include <QAbstractScrollArea>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include "TestEnvironment.h"
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

    void previewRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("html");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("html") << "<html><body>" << true;
        QTest::newRow("upper") << "<HTML>" << true;
        QTest::newRow("blank line first") << "\r\n  \n<HTML>" << true;
        QTest::newRow("tab first") << "\t<HTML>" << false;
        QTest::newRow("body first") << "<body><html>" << false;
        QTest::newRow("run of set letters") << "HTML<<>><html>" << true;
        QTest::newRow("doctype") << "<!DOCTYPE html><html>" << false;
        QTest::newRow("ordinary text") << "Hello <html>" << false;
        QTest::newRow("partial") << "<htm" << false;
    }
    void previewRule() {
        QFETCH(QString, text);
        QFETCH(bool, html);
        QCOMPARE(StartsLikeHtmlPage([&](int i) { return text.at(i); }, int(text.size())), html);
    }

    void newDocumentIsCleanWithPreviewOff() {
        QCOMPARE(document()->Tag(), QString());
        QVERIFY(!previewEnabled());
    }

    void typingHtmlEnablesPreviewAtTheClosingBracket() {
        QAbstractScrollArea* editor = document()->txtText->editor();
        QTest::keyClicks(editor, "<html");
        QVERIFY(!previewEnabled());
        QTest::keyClicks(editor, ">");
        QVERIFY(previewEnabled());
    }

    void typingBodyDisablesPreviewAtTheB() {
        QAbstractScrollArea* editor = document()->txtText->editor();
        document()->txtText->setText("<html>");
        QVERIFY(previewEnabled());
        document()->txtText->setSelStart(0);
        QTest::keyClicks(editor, "<");
        QVERIFY(previewEnabled());  // "<<html>" still starts like a page
        QTest::keyClicks(editor, "b");
        QVERIFY(!previewEnabled());
    }

    void caretMovesLeaveTheMarkerAlone() {
        document()->txtText->setText("some text");
        document()->setTag(QString());
        document()->txtText->setSelStart(3);
        document()->txtText->setSelLength(2);
        QCOMPARE(document()->Tag(), QString());
        QTest::mouseClick(document()->txtText->editor()->viewport(), Qt::LeftButton);
        QCOMPARE(document()->Tag(), QString());
        // A clean document closes without a question.
        main->mnuFileClose_Click();
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void textChangesMarkTheDocument() {
        document()->txtText->setText("a");
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
    }

    void closePromptNoClosesWithoutSaving() {
        QTest::keyClicks(document()->txtText->editor(), "draft");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(env->dialogs.messages.size(), 1);
        const auto& message = env->dialogs.messages[0];
        QCOMPARE(message.text,
                 QStringLiteral("You are about to quit and file has not been saved, Do you want "
                                "to save it now?"));
        QCOMPARE(message.title, QStringLiteral("Save file?"));
        QCOMPARE(message.style, 35);
        QVERIFY(main->ChildForms().isEmpty());
        QVERIFY(env->dialogs.fileRequests.isEmpty());
    }

    void closePromptYesSavesThenCloses() {
        QTest::keyClicks(document()->txtText->editor(), "draft");
        const QString path = env->scratch("draft.txt");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QVERIFY(main->ChildForms().isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("draft"));
    }

    void closePromptYesWithCancelledSaveKeepsTheWindow() {
        QTest::keyClicks(document()->txtText->editor(), "draft");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(document()->txtText->Text(), QStringLiteral("draft"));
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
    }

    void closePromptYesWithFailedWriteKeepsTheWindow() {
        QTest::keyClicks(document()->txtText->editor(), "draft");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        env->dialogs.fileAnswers.enqueue(env->scratch("no/such/folder/draft.txt"));
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 2);  // the prompt, then the failure
        QCOMPARE(env->dialogs.messages[1].style, 16);
        QVERIFY(env->dialogs.messages[1].text.contains("draft.txt"));
    }

    void cancelDuringExitKeepsEverythingOpen() {
        QTest::keyClicks(document()->txtText->editor(), "one");
        main->LoadNewDoc();
        QTest::keyClicks(document()->txtText->editor(), "two");
        // The first prompt (whichever window comes first) answers Cancel.
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Cancel);
        QVERIFY(!env->closeMain());
        QCOMPARE(main->ChildForms().size(), 2);
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(env->setting("WindowState"), QStringLiteral("<missing>"));

        // Saying No to both closes the program.
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        QVERIFY(env->closeMain());
        QCOMPARE(env->setting("WindowState"), QStringLiteral("2"));
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "tst_documentwindow.moc"
