// SPDX-License-Identifier: GPL-3.0-or-later
// Read-aloud: what is handed to the speech control, stopping, and an engine that cannot speak.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "speech/QtTalker.h"
#include "speech/ReadAloud.h"
#include "speech/Talker.h"

namespace {

// Records every text instead of speaking; can be told to fail as an engine without audio does.
class RecordingTalker : public Talker {
  public:
    QStringList spoken;
    QString failure;

    void Speak(const QString& text) override {
        spoken << text;
        if (!failure.isEmpty() && !text.isEmpty()) reportFailure(failure);
    }
};

}  // namespace

class ReadAloudTest : public WindowTest {
    Q_OBJECT

    RecordingTalker* talker = nullptr;

  private slots:
    void init() {
        WindowTest::init();
        auto recorder = std::make_unique<RecordingTalker>();
        talker = recorder.get();
        main->readAloud()->setTalker(std::move(recorder));
    }

    // The selection, or the whole text; two exact texts get an answer of their own.
    void hear_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole text") << "Hello there" << 0 << 0 << "Hello there";
        QTest::newRow("selection") << "Hello there" << 6 << 5 << "there";
        QTest::newRow("trigger in any case") << "sHuT Up" << 0 << 0 << ReadAloud::Retort();
        QTest::newRow("trigger in longer text") << "shut up now" << 0 << 0 << "shut up now";
        QTest::newRow("trigger partly selected") << "shut up" << 0 << 4 << "shut";
        QTest::newRow("chair selected") << "chair" << 1 << 2 << ReadAloud::JokeText();
        QTest::newRow("chair not selected") << "chair" << 0 << 0 << "chair";
        QTest::newRow("Chair capital") << "Chair" << 0 << 5 << "Chair";
        QTest::newRow("empty text stops") << "" << 0 << 0 << "";
    }
    void hear() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, expected);
        RichTextBox* box = main->ActiveDocument()->txtText;
        box->setText(text);
        box->setSelStart(selStart);
        box->setSelLength(selLength);
        main->tbToolBar_ButtonClick("Hear");
        QCOMPARE(talker->spoken, QStringList{expected});
        QCOMPARE(box->Text(), text);
    }

    // Nothing is read from a browser window or without a window; closing the document being
    // read stops, closing another does not.
    void readingFollowsTheDocument() {
        QMdiSubWindow* browserWindow = main->addChildWindow(new FakeBrowser);
        browserWindow->show();
        main->mdiArea()->setActiveSubWindow(browserWindow);
        main->mnuHear_Click();
        QVERIFY(talker->spoken.isEmpty());
        browserWindow->close();

        frmDocument* read = main->ActiveDocument();
        read->txtText->setText("being read");
        main->mnuHear_Click();
        QPointer<frmDocument> other = main->LoadNewDoc();
        main->mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!other);
        QCOMPARE(talker->spoken, QStringList{"being read"});
        read->setTag(QString());  // no save prompt
        main->mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(talker->spoken, (QStringList{"being read", QString()}));
        main->mnuHear_Click();
        QCOMPARE(talker->spoken.size(), 2);
    }

    void unavailableEngineSaysSoInTheStatusBar() {
        talker->failure = "no audio device";
        main->ActiveDocument()->txtText->setText("hello");
        main->mnuHear_Click();
        QCOMPARE(main->statusText(), QString("Speech is not available: no audio device"));

        // The real control makes its engine only when asked to speak; the engine's failure
        // arrives a moment later.
        main->readAloud()->setTalker(std::make_unique<QtTalker>(QStringList{"no-such-engine"}));
        main->setStatusText("Ready.");
        main->readAloud()->Stop();
        QCOMPARE(main->statusText(), QString("Ready."));
        main->mnuHear_Click();
        QTRY_VERIFY2(main->statusText().startsWith("Speech is not available: no-such-engine: "),
                     qPrintable(main->statusText()));
    }
};

QTEST_MAIN(ReadAloudTest)
#include "tst_readaloud.moc"
