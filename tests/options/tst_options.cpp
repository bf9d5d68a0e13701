// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog: loading, colour and font choices, Apply, OK, Cancel and closing by the
// frame, and what new and open documents take from them.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "TestEnvironment.h"
#include "app/frmMain.h"
#include "common/CommonDialog.h"
#include "common/core/DocumentSettings.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "options/OptionsCommand.h"
#include "options/frmOptions.h"

class OptionsTest : public WindowTest {
    Q_OBJECT

    // Opens the dialog through the View menu command and lets `drive` work it as the user
    // would. False when it was not shown as the main window's modal dialog, or when a check in
    // `drive` failed (which only leaves `drive`).
    bool withDialog(const std::function<void(frmOptions&)>& drive) {
        bool shown = false;
        OptionsCommand::setShowModal([&](QDialog& dialog) {
            auto* options = qobject_cast<frmOptions*>(&dialog);
            shown = options && dialog.parentWidget() == main &&
                    dialog.windowModality() == Qt::ApplicationModal;
            dialog.show();
            if (options) drive(*options);
        });
        main->mnuViewOptions_Click();
        OptionsCommand::setShowModal({});
        return shown && !QTest::currentTestFailed();
    }

    QStringList storedKeys() const {
        QStringList values;
        for (const char* key : {"MaxNew", "DocFG", "DocBG", "FontName", "FontSize", "FontBold",
                                "FontItalic", "FontUnderline"})
            values << env->setting(QString::fromLatin1(key));
        return values;
    }

  private slots:

    // OK stores all eight keys as chosen and holds the size in whole points, halves to even.
    void okStoresEightKeysAndRoundsInMemory_data() {
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("held");
        QTest::newRow("10.5") << 10.5 << "10.5" << 10;
        QTest::newRow("11.5") << 11.5 << "11.5" << 12;
    }
    void okStoresEightKeysAndRoundsInMemory() {
        QFETCH(double, size);
        QFETCH(QString, stored);
        QFETCH(int, held);
        env->dialogs.colourAnswers.enqueue(QColor(10, 20, 30));
        env->dialogs.fontAnswers.enqueue(FontChoice{"Serif", size, true});
        QPointer<frmOptions> open;
        QVERIFY(withDialog([&](frmOptions& dialog) {
            open = &dialog;
            dialog.Check1->setChecked(true);
            dialog.Command1->click();
            dialog.Command3->click();
            dialog.cmdOK->click();
            QVERIFY(!dialog.isVisible());
        }));
        QVERIFY(!open);  // unloaded
        const int colour = 10 + 256 * 20 + 65536 * 30;
        QCOMPARE(storedKeys(), (QStringList{"1", "0", QString::number(colour), "Serif", stored,
                                            "True", "False", "False"}));
        QCOMPARE(int(CurrentDocumentSettings().FontSize), held);
    }

    // Apply changes the settings for new documents only and stores nothing; closing by the
    // frame keeps what was applied, unstored.
    void applyChangesOnlyNewDocuments() {
        frmDocument* before = main->ActiveDocument();
        const int beforeColour = before->txtText->BackColor();
        env->dialogs.colourAnswers.enqueue(QColor(0, 0, 255));
        env->dialogs.fontAnswers.enqueue(FontChoice{"Serif", 20, false, true, true});
        QVERIFY(withDialog([&](frmOptions& dialog) {
            dialog.Command1->click();
            dialog.Command3->click();
            dialog.cmdApply->click();
            QVERIFY(dialog.isVisible());
            dialog.close();
        }));
        QCOMPARE(storedKeys(), QStringList(8, "<missing>"));
        QCOMPARE(before->txtText->BackColor(), beforeColour);
        RichTextBox* after = main->LoadNewDoc()->txtText;
        QCOMPARE(after->BackColor(), 0xFF0000);
        QCOMPARE(after->FontName(), QString("Serif"));
        QCOMPARE(after->FontSize(), 20.0);
        QVERIFY(after->FontItalic() && after->FontUnderline());
    }

    void cancelRereadsTheStore_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("button") << false;
        QTest::newRow("escape") << true;
    }
    // Cancel rereads the store, whatever was applied. A cancelled chooser changes nothing; the
    // font chooser opens with what the shared dialog held, not the sample's font.
    void cancelRereadsTheStore() {
        QFETCH(bool, byEscape);
        main->dlgCommonDialog()->FontName = "Left By Someone";
        env->setSetting("DocBG", "255");
        env->setSetting("FontSize", "10.5");
        env->setSetting("FontUnderline", "True");
        env->dialogs.colourAnswers.enqueue(QColor(0, 255, 0));
        QVERIFY(withDialog([&](frmOptions& dialog) {
            const QString name = dialog.shape1->FontName();
            dialog.Command3->click();
            QCOMPARE(dialog.shape1->FontName(), name);
            QCOMPARE(env->dialogs.fontRequests.first().name, QString("Left By Someone"));
            dialog.Command1->click();
            dialog.Check1->setChecked(true);
            dialog.cmdApply->click();
            QCOMPARE(CurrentDocumentSettings().DocBG, 0x00FF00);
            if (byEscape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.cmdCancel->click();
            QVERIFY(!dialog.isVisible());
        }));
        const DocumentSettings& settings = CurrentDocumentSettings();
        QCOMPARE(settings.DocBG, 255);
        QCOMPARE(int(settings.FontSize), 10);
        QVERIFY(settings.FontUnderline && !settings.MaxNew);
        QCOMPARE(env->setting("MaxNew"), QString("<missing>"));
        QCOMPARE(main->LoadNewDoc()->txtText->BackColor(), 255);
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
