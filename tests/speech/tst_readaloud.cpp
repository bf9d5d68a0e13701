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
    void hear_data() { addCaseRows(QStringLiteral("speech/hear.tsv"), 5); }
    void hear() {
        QFETCH(QStringList, row);
        RichTextBox* box = main->ActiveDocument()->txtText;
        box->setText(row[0]);
        box->setSelStart(row[1].toInt());
        box->setSelLength(row[2].toInt());
        main->tbToolBar_ButtonClick("Hear");
        const QString expected = QString(row[3])
                                     .replace("{retort}", ReadAloud::Retort())
                                     .replace("{joke}", ReadAloud::JokeText());
        QCOMPARE(talker->spoken, QStringList{expected});
        QCOMPARE(box->Text(), row[0]);
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
