// The options dialog: loading, colour and font choices, Apply, OK, Cancel and closing by the
// frame, and what new and open documents take from them.
#include <QCheckBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "TestEnvironment.h"
#include "app/CommonDialog.h"
#include "app/core/DocumentSettings.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "options/OptionsCommand.h"
#include "options/frmOptions.h"

namespace {

const QStringList kKeys = {"MaxNew",   "DocFG",    "DocBG",      "FontName",
                           "FontSize", "FontBold", "FontItalic", "FontUnderline"};

FontChoice font(const QString& name, double size, bool bold, bool italic, bool underline) {
    FontChoice choice;
    choice.name = name;
    choice.size = size;
    choice.bold = bold;
    choice.italic = italic;
    choice.underline = underline;
    return choice;
}

}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

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
        for (const QString& key : kKeys) values << env->setting(key);
        return values;
    }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void showingLoadsTheDocumentSettings() {
        DocumentSettings& settings = CurrentDocumentSettings();
        settings.DocBG = 0x123456;
        settings.FontName = "Serif";
        settings.FontSize = 14;
        settings.FontBold = true;
        settings.FontItalic = true;
        settings.FontUnderline = true;
        settings.MaxNew = true;
        QVERIFY(withDialog([](frmOptions& dialog) {
            QCOMPARE(dialog.shape1->BackColor(), 0x123456);
            QCOMPARE(dialog.shape1->FontName(), QString("Serif"));
            QCOMPARE(dialog.shape1->FontSize(), 14.0);
            QVERIFY(dialog.shape1->FontBold());
            QVERIFY(dialog.shape1->FontItalic());
            QVERIFY(dialog.shape1->FontUnderline());
            QVERIFY(dialog.Check1->isChecked());
            dialog.cmdCancel->click();
        }));
    }

    void okStoresEightKeysAndRoundsInMemory_data() {
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("held");
        QTest::newRow("10.5") << 10.5 << "10.5" << 10;
        QTest::newRow("11.5") << 11.5 << "11.5" << 12;
        QTest::newRow("12") << 12.0 << "12" << 12;
        QTest::newRow("9.25") << 9.25 << "9.25" << 9;
    }
    void okStoresEightKeysAndRoundsInMemory() {
        QFETCH(double, size);
        QFETCH(QString, stored);
        QFETCH(int, held);
        env->dialogs.colourAnswers.enqueue(QColor(10, 20, 30));
        env->dialogs.fontAnswers.enqueue(font("Serif", size, true, false, false));
        QPointer<frmOptions> open;
        QVERIFY(withDialog([&](frmOptions& dialog) {
            open = &dialog;
            dialog.Check1->setChecked(true);
            dialog.Command1->click();
            dialog.Command3->click();
            dialog.cmdOK->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(!dialog.isVisible());
        }));
        QVERIFY(!open);  // unloaded
        const QString colour = QString::number(10 + 256 * 20 + 65536 * 30);
        QCOMPARE(storedKeys(),
                 (QStringList{"1", "0", colour, "Serif", stored, "True", "False", "False"}));
        const DocumentSettings& settings = CurrentDocumentSettings();
        QCOMPARE(int(settings.FontSize), held);
        QCOMPARE(settings.DocBG, 10 + 256 * 20 + 65536 * 30);
        QVERIFY(settings.MaxNew && settings.FontBold && !settings.FontItalic);

        // Opened again it shows what was taken over, the size in whole points.
        QVERIFY(withDialog([&](frmOptions& dialog) {
            QCOMPARE(dialog.shape1->FontSize(), double(held));
            QVERIFY(dialog.Check1->isChecked());
            dialog.cmdCancel->click();
        }));
    }

    void applyChangesOnlyTheSettingsAndNewDocuments() {
        frmDocument* before = main->ActiveDocument();
        const int beforeColour = before->txtText->BackColor();
        const QString beforeFont = before->txtText->FontName();
        env->dialogs.colourAnswers.enqueue(QColor(0, 0, 255));
        env->dialogs.fontAnswers.enqueue(font("Serif", 20, false, true, true));
        QVERIFY(withDialog([&](frmOptions& dialog) {
            dialog.Command1->click();
            dialog.Command3->click();
            dialog.cmdApply->click();
            QVERIFY(dialog.isVisible());
            QCOMPARE(storedKeys(), QStringList(8, "<missing>"));
            dialog.cmdOK->click();
        }));
        QCOMPARE(before->txtText->BackColor(), beforeColour);
        QCOMPARE(before->txtText->FontName(), beforeFont);
        frmDocument* after = main->LoadNewDoc();
        QCOMPARE(after->txtText->BackColor(), 0xFF0000);
        QCOMPARE(after->txtText->FontName(), QString("Serif"));
        QCOMPARE(after->txtText->FontSize(), 20.0);
        QVERIFY(after->txtText->FontItalic());
        QVERIFY(after->txtText->FontUnderline());
    }

    void cancelRereadsTheStore_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("button") << false;
        QTest::newRow("escape") << true;
    }
    void cancelRereadsTheStore() {
        QFETCH(bool, byEscape);
        env->setSetting("DocBG", "255");
        env->setSetting("FontName", "Monospace");
        env->setSetting("FontSize", "10.5");
        env->setSetting("FontUnderline", "True");
        env->dialogs.colourAnswers.enqueue(QColor(0, 255, 0));
        QVERIFY(withDialog([&](frmOptions& dialog) {
            dialog.Command1->click();
            dialog.Check1->setChecked(true);
            dialog.cmdApply->click();
            QCOMPARE(CurrentDocumentSettings().DocBG, 0x00FF00);
            if (byEscape) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.cmdCancel->click();
            }
            QVERIFY(!dialog.isVisible());
        }));
        const DocumentSettings& settings = CurrentDocumentSettings();
        QCOMPARE(settings.DocBG, 255);
        QCOMPARE(settings.FontName, QString("Monospace"));
        QCOMPARE(int(settings.FontSize), 10);
        QVERIFY(settings.FontUnderline);
        QVERIFY(!settings.MaxNew);
        QCOMPARE(env->setting("MaxNew"), QString("<missing>"));
        QCOMPARE(main->LoadNewDoc()->txtText->BackColor(), 255);
    }

    void closingByTheFrameKeepsAppliedValuesUnstored() {
        env->dialogs.colourAnswers.enqueue(QColor(1, 2, 3));
        QVERIFY(withDialog([&](frmOptions& dialog) {
            dialog.Command1->click();
            dialog.cmdApply->click();
            dialog.close();
            QVERIFY(!dialog.isVisible());
        }));
        QCOMPARE(CurrentDocumentSettings().DocBG, 1 + 2 * 256 + 3 * 65536);
        QCOMPARE(storedKeys(), QStringList(8, "<missing>"));
        QCOMPARE(main->LoadNewDoc()->txtText->BackColor(), 1 + 2 * 256 + 3 * 65536);
    }

    void colourChooser() {
        QVERIFY(withDialog([&](frmOptions& dialog) {
            const int colour = dialog.shape1->BackColor();
            dialog.Command1->click();  // cancelled: nothing changes
            QCOMPARE(dialog.shape1->BackColor(), colour);
            env->dialogs.colourAnswers.enqueue(QColor(200, 100, 50));
            dialog.Command1->click();
            QCOMPARE(dialog.shape1->BackColor(), 200 + 100 * 256 + 50 * 65536);
            dialog.cmdCancel->click();
        }));
        QCOMPARE(env->dialogs.colourRequests.size(), 2);
    }

    void fontChooserUsesTheSharedDialog() {
        CommonDialog* shared = main->dlgCommonDialog();
        shared->FontName = "Left By Someone";
        QVERIFY(withDialog([&](frmOptions& dialog) {
            const QString name = dialog.shape1->FontName();
            dialog.Command3->click();  // cancelled: the sample keeps its font
            QCOMPARE(dialog.shape1->FontName(), name);
            env->dialogs.fontAnswers.enqueue(font("Serif", 16, true, true, false));
            dialog.Command3->click();
            QCOMPARE(dialog.shape1->FontName(), QString("Serif"));
            QCOMPARE(dialog.shape1->FontSize(), 16.0);
            QVERIFY(dialog.shape1->FontBold() && dialog.shape1->FontItalic());
            QVERIFY(!dialog.shape1->FontUnderline());
            dialog.cmdCancel->click();
        }));
        // The chooser opens with what the shared dialog held, not the sample's font.
        QCOMPARE(env->dialogs.fontRequests.first().name, QString("Left By Someone"));
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
