// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, shutdown and the settings they read and write.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/core/DocumentSettings.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void firstStartShowsTheReadmeOnce() {
        {
            TestEnvironment env;
            env.installReadme();
            frmMain* main = env.start();
            QVERIFY(main->windowState() & Qt::WindowMaximized);
            QCOMPARE(env.setting("FirstTime"), QStringLiteral("No"));
            frmDocument* document = main->ActiveDocument();
            QCOMPARE(document->Caption(), QStringLiteral("Document 1"));
            QVERIFY(document->txtText->Text().contains(QStringLiteral("Welcome to the readme")));
            QCOMPARE(document->Tag(), QString());  // just loaded: unchanged
            QVERIFY(main->refresherEnabled());
        }
        TestEnvironment env;
        env.installReadme();
        env.setSetting("FirstTime", "No");
        QCOMPARE(env.start()->ActiveDocument()->txtText->Text(), QString());

        // Without a readme nothing is asked, and the next start tries again.
        TestEnvironment bare;
        QVERIFY(bare.start()->ActiveDocument());
        QVERIFY(bare.dialogs.messages.isEmpty());
        QCOMPARE(bare.setting("FirstTime"), QStringLiteral("<missing>"));
    }

    void closingWritesThePlacementOnlyInNormalState() {
        TestEnvironment normal;
        normal.setSetting("FirstTime", "No");
        normal.setSetting("WindowState", "0");
        QVERIFY(!(normal.start()->windowState() & Qt::WindowMaximized));
        QVERIFY(normal.closeMain());
        QCOMPARE(normal.setting("WindowState"), QStringLiteral("0"));
        QCOMPARE(normal.setting("DocBG"), QStringLiteral("13172735"));
        QCOMPARE(normal.setting("DocFG"), QStringLiteral("0"));
        bool ok = false;
        normal.setting("MainWidth").toDouble(&ok);
        QVERIFY(ok);

        TestEnvironment maximised;
        maximised.setSetting("FirstTime", "No");
        maximised.setSetting("MainLeft", "1234");
        maximised.setSetting("DocBG", "255");
        maximised.start();
        QVERIFY(maximised.closeMain());
        QCOMPARE(maximised.setting("WindowState"), QStringLiteral("2"));
        QCOMPARE(maximised.setting("MainLeft"), QStringLiteral("1234"));
        QCOMPARE(maximised.setting("DocFG"), QStringLiteral("<missing>"));
    }

    void newDocumentsTakeTheDocumentSettings() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        env.setSetting("FontSize", "11.5");
        env.setSetting("FontBold", "true");
        env.setSetting("FontItalic", "TRUE");
        env.setSetting("DocBG", "65280");
        env.setSetting("MaxNew", "1");
        frmMain* main = env.start();
        main->LoadNewDoc();
        QVERIFY(main->mdiArea()->currentSubWindow()->isMaximized());
        RichTextBox* text = main->ActiveDocument()->txtText;
        QCOMPARE(text->FontSize(), 12.0);
        QVERIFY(text->FontBold() && text->FontItalic() && !text->FontUnderline());
        QCOMPARE(text->BackColor(), 65280);
    }

    void settingTextConversions_data() {
        QTest::addColumn<QStringList>("row");
        for (const QStringList& row : caseTable(QStringLiteral("settings/conversions.tsv")))
            QTest::newRow(qPrintable(row.join(u' '))) << row;
    }
    void settingTextConversions() {
        QFETCH(QStringList, row);
        QCOMPARE(row.size(), 4);
        const QString& kind = row[0];
        QString result;
        if (kind == "whole")
            result = QString::number(SettingText::toWholeNumber16(row[1], row[2].toShort()));
        if (kind == "colour")
            result = QString::number(SettingText::toColourValue(row[1], row[2].toInt()));
        if (kind == "flag") result = QString::number(SettingText::toFlag(row[1], row[2].toInt()));
        if (kind == "number")
            result = SettingText::fromNumber(SettingText::toNumber(row[1], nullptr));
        QCOMPARE(result, row[3]);
    }

    // Values another program wrote, as a list or out of range, still read sensibly.
    void storedValuesReadAsText() {
        TestEnvironment env;
        QVERIFY(writeBytes(env.settingsFolder() + "/Quillo.conf",
                           "[Settings]\nFontName=Liberation, Sans\nFontSize=1\n"));
        QCOMPARE(env.setting("FontName"), QStringLiteral("Liberation,Sans"));
        DocumentSettings settings;
        settings.LoadFromStore();
        QCOMPARE(settings.FontSize, int16_t(1));
        env.setSetting("FontSize", "0");
        settings.LoadFromStore();
        QCOMPARE(settings.FontSize, DocumentSettings().FontSize);
    }

    void commandLineFileOpensByItsType() {
        QCOMPARE(Startup::commandLineFile({"quillo", "my", "notes.txt"}),
                 QStringLiteral("my notes.txt"));
        QCOMPARE(Startup::commandLineFile({"quillo"}), QString());
        for (const char* name : {"NOTES.RTF", "my notes.qlo", "page.htm"}) {
            TestEnvironment env;
            env.setSetting("FirstTime", "No");
            const QString path = env.scratch(QString::fromLatin1(name));
            QVERIFY(writeBytes(path, "{\\rtf1\\ansi {\\b Bold} text\\par}"));
            frmDocument* document = env.start(path)->ActiveDocument();
            QCOMPARE(document->Caption(), path);
            QCOMPARE(document->Tag(), QString());
            const bool rich = !path.endsWith(QStringLiteral(".htm"));
            QCOMPARE(document->txtText->Text().startsWith(QStringLiteral("Bold text")), rich);
            QVERIFY(env.dialogs.messages.isEmpty());
        }
    }

    void unreadableCommandLineFileIsReportedAndStartupGoesOn() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        const QString path = env.scratch("\"quoted.txt\"");
        frmMain* main = env.start(path);
        QCOMPARE(env.dialogs.messages.size(), 1);
        QVERIFY(env.dialogs.messages[0].text.contains(path));
        QCOMPARE(env.dialogs.messages[0].style, 16);
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 1"));
        QVERIFY(main->refresherEnabled());
    }

    void documentNumbersAreNeverReused() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        frmMain* main = env.start();
        for (int i = 0; i < 35; ++i) main->LoadNewDoc();
        main->mnuFileClose_Click();
        main->LoadNewDoc();
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Document 37"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
