// Read-aloud: what is handed to the speech control, stopping, and an engine that cannot speak.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/ChildForm.h"
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

class ReadAloudTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;
    RecordingTalker* talker = nullptr;

    frmDocument* document() const { return main->ActiveDocument(); }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
        auto recorder = std::make_unique<RecordingTalker>();
        talker = recorder.get();
        main->readAloud()->setTalker(std::move(recorder));
    }
    void cleanup() { env.reset(); }

    void engineIsNotMadeAtStartUp() {
        TestEnvironment fresh;
        fresh.setSetting("FirstTime", "No");
        frmMain* other = fresh.start();
        auto* real = dynamic_cast<QtTalker*>(other->readAloud()->talker());
        QVERIFY(real);
        QCOMPARE(real->engineName(), QString());
    }

    void hear_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("expected");
        const QString retort = ReadAloud::Retort();
        const QString joke = ReadAloud::JokeText();
        QTest::newRow("whole text") << "Hello there" << 0 << 0 << "Hello there";
        QTest::newRow("selection") << "Hello there" << 6 << 5 << "there";
        QTest::newRow("trigger mixed") << "sHuT Up" << 0 << 0 << retort;
        QTest::newRow("trigger in longer text") << "shut up now" << 0 << 0 << "shut up now";
        QTest::newRow("trigger two spaces") << "shut  up" << 0 << 0 << "shut  up";
        QTest::newRow("trigger partly selected") << "shut up" << 0 << 4 << "shut";
        QTest::newRow("chair selected") << "chair" << 1 << 2 << joke;
        QTest::newRow("chair not selected") << "chair" << 0 << 0 << "chair";
        QTest::newRow("Chair capital") << "Chair" << 0 << 5 << "Chair";
        QTest::newRow("chair with stop") << "chair." << 0 << 5 << "chair";
        QTest::newRow("empty text stops") << "" << 0 << 0 << "";
    }
    void hear() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, expected);
        RichTextBox* box = document()->txtText;
        box->setText(text);
        box->setSelStart(selStart);
        box->setSelLength(selLength);
        main->mnuHear_Click();
        QCOMPARE(talker->spoken, QStringList{expected});
        // The document itself is left as it was.
        QCOMPARE(box->Text(), text);
    }

    void routes() {
        document()->txtText->setText("from the toolbar");
        main->tbToolBar_ButtonClick("Hear");
        main->menuItem("mnuHear")->trigger();
        main->tbToolBar_ButtonClick("Stop");
        QCOMPARE(talker->spoken, (QStringList{"from the toolbar", "from the toolbar", QString()}));
    }

    void nothingWithoutADocument() {
        QMdiSubWindow* browserWindow = main->addChildWindow(new FakeBrowser);
        browserWindow->show();
        main->mdiArea()->setActiveSubWindow(browserWindow);
        main->mnuHear_Click();
        main->readAloud()->Stop();
        QVERIFY(talker->spoken.isEmpty());

        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        main->mnuHear_Click();
        main->readAloud()->Stop();
        QVERIFY(talker->spoken.isEmpty());
    }

    void closingTheDocumentBeingReadStops() {
        frmDocument* read = document();
        read->txtText->setText("being read");
        main->mnuHear_Click();
        // Closing another document leaves the reading alone.
        QPointer<frmDocument> other = main->LoadNewDoc();
        main->mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!other);
        QCOMPARE(talker->spoken, QStringList{"being read"});

        read->setTag(QString());  // no save prompt
        QCOMPARE(main->ActiveDocument(), read);
        main->mnuFileClose_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(talker->spoken, (QStringList{"being read", QString()}));
    }

    void unavailableEngineSaysSoInTheStatusBar() {
        talker->failure = "no audio device";
        document()->txtText->setText("hello");
        main->mnuHear_Click();
        QCOMPARE(main->statusText(), QString("Speech is not available: no audio device"));
    }

    void realTalkerWithoutAWorkingEngine() {
        main->readAloud()->setTalker(std::make_unique<QtTalker>(QStringList{"no-such-engine"}));
        main->setStatusText("Ready.");
        main->readAloud()->Stop();  // nothing made, nothing said
        QCOMPARE(main->statusText(), QString("Ready."));
        document()->txtText->setText("hello");
        main->mnuHear_Click();
        // Speaking returns at once; the engine's failure arrives a moment later.
        QTRY_VERIFY2(main->statusText().startsWith("Speech is not available: no-such-engine: "),
                     qPrintable(main->statusText()));
        main->readAloud()->Stop();
    }
};

QTEST_MAIN(ReadAloudTest)
#include "tst_readaloud.moc"
