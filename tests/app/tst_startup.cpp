// Start-up, shutdown and the settings store.
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QtTest>

#include "TestEnvironment.h"
#include "app/Startup.h"
#include "app/Twips.h"
#include "app/core/DocumentSettings.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void firstStartWithEmptyStore() {
        TestEnvironment env;
        env.installReadme();
        frmMain* main = env.start();

        // A maximised child adds its caption, as multiple-document windows do.
        QVERIFY(main->windowTitle().startsWith(QStringLiteral("Quillo Meridian")));
        QVERIFY(main->windowState() & Qt::WindowMaximized);
        QCOMPARE(env.setting("Version"), QStringLiteral("1.1"));
        QCOMPARE(env.setting("FirstTime"), QStringLiteral("No"));

        frmDocument* document = main->ActiveDocument();
        QVERIFY(document);
        QCOMPARE(document->Caption(), QStringLiteral("Document 1"));
        QVERIFY(document->txtText->Text().contains(QStringLiteral("Welcome to the readme")));
        QVERIFY(main->mdiArea()->currentSubWindow()->isMaximized());
        // A document whose text was just loaded is unchanged.
        QCOMPARE(document->Tag(), QString());
        QVERIFY(main->refresherEnabled());

        // The normal-state placement is the default 1000, 1000, 6500, 6500 twips.
        const QRect normal = main->normalGeometry();
        QCOMPARE(normal.width(), Twips::toPixelsX(6500, main));
    }

    void secondStartShowsNoReadme() {
        TestEnvironment env;
        env.installReadme();
        env.setSetting("FirstTime", "No");
        frmMain* main = env.start();
        QCOMPARE(main->ActiveDocument()->txtText->Text(), QString());
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 1"));
    }

    void missingReadmeIsSkippedQuietly() {
        TestEnvironment env;
        frmMain* main = env.start();
        QVERIFY(env.dialogs.messages.isEmpty());
        QCOMPARE(env.setting("FirstTime"), QStringLiteral("<missing>"));
        QVERIFY(main->ActiveDocument());
        // The readme check is made again, and fails, for later documents.
        main->LoadNewDoc();
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 2"));
    }

    void unloadWritesPlacementOnlyInNormalState() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("WindowState", "0");
        frmMain* main = env.start();
        QVERIFY(!(main->windowState() & Qt::WindowMaximized));
        QVERIFY(env.closeMain());
        QCOMPARE(env.setting("WindowState"), QStringLiteral("0"));
        QVERIFY(env.setting("MainLeft") != QLatin1String("<missing>"));
        QCOMPARE(env.setting("DocBG"), QStringLiteral("13172735"));
        QCOMPARE(env.setting("DocFG"), QStringLiteral("0"));
        bool ok = false;
        env.setting("MainWidth").toDouble(&ok);
        QVERIFY(ok);
    }

    void unloadWhileMaximisedWritesOnlyTheState() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("MainLeft", "1234");
        env.setSetting("DocBG", "255");
        frmMain* main = env.start();
        QVERIFY(main->windowState() & Qt::WindowMaximized);
        QVERIFY(env.closeMain());
        QCOMPARE(env.setting("WindowState"), QStringLiteral("2"));
        QCOMPARE(env.setting("MainLeft"), QStringLiteral("1234"));
        QCOMPARE(env.setting("DocBG"), QStringLiteral("255"));
        QCOMPARE(env.setting("DocFG"), QStringLiteral("<missing>"));
    }

    void maxNewMaximisesEveryNewDocument() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("MaxNew", "1");
        frmMain* main = env.start();
        QVERIFY(main->mdiArea()->currentSubWindow()->isMaximized());
        main->LoadNewDoc();
        QVERIFY(main->mdiArea()->currentSubWindow()->isMaximized());
    }

    void newDocumentsTakeTheDocumentSettings() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("FontName", "Courier New");
        env.setSetting("FontSize", "11.5");
        env.setSetting("FontBold", "true");
        env.setSetting("FontItalic", "TRUE");
        env.setSetting("DocBG", "65280");
        frmMain* main = env.start();
        RichTextBox* text = main->ActiveDocument()->txtText;
        QCOMPARE(text->FontSize(), 12.0);
        QVERIFY(text->FontBold());
        QVERIFY(text->FontItalic());
        QVERIFY(!text->FontUnderline());
        QCOMPARE(text->BackColor(), 65280);
    }

    void settingTextConversions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("whole");
        QTest::newRow("10.5 to even") << "10.5" << 10;
        QTest::newRow("11.5 to even") << "11.5" << 12;
        QTest::newRow("plain") << "14" << 14;
        QTest::newRow("spaces") << " 9 " << 9;
        QTest::newRow("not a number") << "big" << -1;
        QTest::newRow("too large") << "99999" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void settingTextConversions() {
        QFETCH(QString, text);
        QFETCH(int, whole);
        QCOMPARE(int(SettingText::toWholeNumber16(text, -1)), whole);
    }

    void flagsReadAnyLetterCase() {
        QVERIFY(SettingText::toFlag("TRUE", false));
        QVERIFY(!SettingText::toFlag("false", true));
        QVERIFY(SettingText::toFlag("1", false));
        QVERIFY(!SettingText::toFlag("0", true));
        QVERIFY(SettingText::toFlag("garbage", true));
    }

    void commandLineFileTypesAndCaptions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("rtf") << "notes.rtf" << true;
        QTest::newRow("RTF") << "NOTES.RTF" << true;
        QTest::newRow("qlo") << "my notes.qlo" << true;
        QTest::newRow("htm") << "page.htm" << false;
        QTest::newRow("txt") << "a.txt" << false;
        QTest::newRow("no extension") << "README" << false;
    }
    void commandLineFileTypesAndCaptions() {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        const QString path = env.scratch(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rich ? "{\\rtf1\\ansi {\\b Bold} text\\par}" : "{\\b plain} text");
        file.close();

        frmMain* main = env.start(path);
        frmDocument* document = main->ActiveDocument();
        QCOMPARE(document->Caption(), path);
        QCOMPARE(document->Tag(), QString());
        if (rich) {
            QVERIFY(document->txtText->Text().startsWith(QStringLiteral("Bold text")));
        } else {
            QCOMPARE(document->txtText->Text(), QStringLiteral("{\\b plain} text"));
        }
        QVERIFY(env.dialogs.messages.isEmpty());
    }

    void commandLineJoinsArgumentsWithSpaces() {
        QCOMPARE(Startup::commandLineFile({"quillo", "my", "notes.txt"}),
                 QStringLiteral("my notes.txt"));
        QCOMPARE(Startup::commandLineFile({"quillo"}), QString());
    }

    void unreadableCommandLineFileIsReportedAndStartupGoesOn() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        const QString path = env.scratch("\"quoted.txt\"");
        frmMain* main = env.start(path);
        QCOMPARE(env.dialogs.messages.size(), 1);
        QVERIFY(env.dialogs.messages[0].text.contains(path));
        QCOMPARE(env.dialogs.messages[0].style, 16);
        QCOMPARE(env.dialogs.messages[0].title, QStringLiteral("Quillo"));
        QVERIFY(main->ActiveDocument());
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 1"));
        QVERIFY(main->refresherEnabled());
    }

    void brokenStoredPositionFallsBackToDefaults() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("MainLeft", "left");
        env.setSetting("MainWidth", "");
        env.setSetting("WindowState", "0");
        frmMain* main = env.start();
        QVERIFY(env.dialogs.messages.isEmpty());
        QVERIFY(main->ActiveDocument());
        QCOMPARE(main->frameGeometry().width(), Twips::toPixelsX(6500, main));
        QVERIFY(main->refresherEnabled());
    }

    void windowOffEveryScreenComesBack() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("MainLeft", "9000000");
        env.setSetting("MainTop", "-9000000");
        env.setSetting("WindowState", "0");
        frmMain* main = env.start();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(QRect(main->pos(), main->size())));
    }

    void documentCountHasNoLimit() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        frmMain* main = env.start();
        for (int i = 0; i < 35; ++i) main->LoadNewDoc();
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 36"));
        // Closing windows does not reuse numbers.
        main->mnuFileClose_Click();
        main->LoadNewDoc();
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 37"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
