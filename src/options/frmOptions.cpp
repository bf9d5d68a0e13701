// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "common/CommonDialog.h"
#include "common/DialogHost.h"
#include "common/Twips.h"
#include "common/core/ColourValue.h"
#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"
#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "spell/core/DictionaryCatalog.h"

namespace {

// The height the spelling choices add, below the program settings.
constexpr int kSpellingRows = 600;

// "en_US - English (United States)".
QString dictionaryCaption(const QString& name) {
    const QLocale locale(name);
    if (locale.language() == QLocale::C) return name;
    QString caption = QLocale::languageToString(locale.language());
    if (name.contains(QLatin1Char('_')))
        caption += QStringLiteral(" (%1)").arg(QLocale::territoryToString(locale.territory()));
    return QStringLiteral("%1 - %2").arg(name, caption);
}

// Whole points as the document settings keep them: halves go to the even neighbour.
int16_t wholePoints(double points) {
    const double rounded = std::nearbyint(points);
    if (rounded < 1 || rounded > 32767) return CurrentDocumentSettings().FontSize;
    return static_cast<int16_t>(rounded);
}

}  // namespace

frmOptions::frmOptions(DocumentHost* host) : QDialog(host->hostWindow()), host_(host) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips::toPixelsX(3735, this), Twips::toPixelsY(2550 + kSpellingRows, this));

    // The dialog's controls were laid out for an 8-point sans-serif font.
    QFont dialogFont = font();
    dialogFont.setPointSizeF(8);
    setFont(dialogFont);

    auto place = [this](QWidget* control, const char* name, int left, int top, int width,
                        int height) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(Twips::toPixelsX(left, this), Twips::toPixelsY(top, this),
                             Twips::toPixelsX(width, this), Twips::toPixelsY(height, this));
    };
    // Captions in a wider font than the layout's still show whole, up to the dialog's edge.
    auto fitCaption = [this](QWidget* control) {
        const int room = width() - control->x();
        if (control->width() < control->sizeHint().width()) {
            control->resize(qMin(control->sizeHint().width(), room), control->height());
        }
    };

    Label2 = new QLabel(QStringLiteral("Program Settings:"), this);
    place(Label2, "Label2", 120, 120, 2175, 255);
    Check1 = new QCheckBox(QStringLiteral("Maximize new document windows"), this);
    place(Check1, "Check1", 360, 480, 2895, 255);
    chkReloadChanged = new QCheckBox(QStringLiteral("Reload files changed on disk"), this);
    place(chkReloadChanged, "chkReloadChanged", 360, 720, 2895, 240);
    chkReloadChanged->setToolTip(
        QStringLiteral("When another program changes a file that has no unsaved changes here, "
                       "show the new content without asking"));
    chkSpelling = new QCheckBox(QStringLiteral("Check spelling as you type"), this);
    place(chkSpelling, "chkSpelling", 360, 960, 2895, 240);
    lblLanguage = new QLabel(QStringLiteral("&Language:"), this);
    place(lblLanguage, "lblLanguage", 600, 1245, 780, 240);
    cboLanguage = new QComboBox(this);
    place(cboLanguage, "cboLanguage", 1380, 1215, 2235, 300);
    lblLanguage->setBuddy(cboLanguage);
    const QStringList dictionaries =
        DictionaryCatalog::installed(DictionaryCatalog::defaultFolders());
    const QString fromLocale = DictionaryCatalog::forLocale(QLocale::system().name(), dictionaries);
    cboLanguage->addItem(fromLocale.isEmpty() ? QStringLiteral("Locale (no dictionary)")
                                              : QStringLiteral("Locale (%1)").arg(fromLocale),
                         QString());
    for (const QString& name : dictionaries) cboLanguage->addItem(dictionaryCaption(name), name);
    if (dictionaries.isEmpty()) {
        chkSpelling->setEnabled(false);
        chkSpelling->setToolTip(QStringLiteral("No Hunspell dictionary is installed"));
    }
    connect(chkSpelling, &QCheckBox::toggled, cboLanguage, &QWidget::setEnabled);

    Label1 = new QLabel(QStringLiteral("Document Window Settings:"), this);
    place(Label1, "Label1", 120, 960 + kSpellingRows, 2175, 255);
    for (QWidget* caption : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Check1),
                             static_cast<QWidget*>(chkReloadChanged),
                             static_cast<QWidget*>(chkSpelling), static_cast<QWidget*>(Label1)}) {
        fitCaption(caption);
    }
    Command1 = new QPushButton(QStringLiteral("Background"), this);
    place(Command1, "Command1", 480, 1320 + kSpellingRows, 1095, 315);

    shape1 = new RichTextBox(this);
    place(shape1, "shape1", 1680, 1320 + kSpellingRows, 1455, 670);
    shape1->setFontName(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    shape1->setFontSize(8.5);
    shape1->setText(QStringLiteral("Test Area"));

    Command3 = new QPushButton(QStringLiteral("Font"), this);
    place(Command3, "Command3", 480, 1680 + kSpellingRows, 1095, 315);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    place(cmdOK, "cmdOK", 120, 2160 + kSpellingRows, 1095, 315);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(cmdCancel, "cmdCancel", 1320, 2160 + kSpellingRows, 1095, 315);
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    place(cmdApply, "cmdApply", 2520, 2160 + kSpellingRows, 1095, 315);

    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &frmOptions::Command3_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
}

// Loading happens when the dialog is shown, not on every activation: the colour and font
// choosers hand the focus back to the dialog, and that must not wipe the sample.
void frmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Form_Activate();
}

// Esc is the Cancel button. Closing by the frame (QDialog's close event) only closes: it runs
// neither OK nor Cancel.
void frmOptions::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmOptions::Form_Activate() {
    const DocumentSettings& settings = CurrentDocumentSettings();
    shape1->setBackColor(settings.DocBG);
    shape1->setFontName(settings.FontName);
    shape1->setFontSize(settings.FontSize);
    shape1->setFontBold(settings.FontBold);
    shape1->setFontItalic(settings.FontItalic);
    // New documents take the underline flag too, so the sample shows it.
    shape1->setFontUnderline(settings.FontUnderline);
    Check1->setChecked(settings.MaxNew);
    chkReloadChanged->setChecked(settings.ReloadChangedFiles);
    chkSpelling->setChecked(settings.CheckSpelling);
    cboLanguage->setEnabled(settings.CheckSpelling);
    cboLanguage->setCurrentIndex(std::max(0, cboLanguage->findData(settings.SpellingLanguage)));
}

void frmOptions::Command1_Click() {
    // The chooser opens with no colour preselected and sixteen black custom colours, which are
    // forgotten afterwards.
    const QVector<QColor> customColours(16, QColor(Qt::black));
    const QColor chosen = host_->dialogHost()->ShowColor(this, customColours);
    if (chosen.isValid()) shape1->setBackColor(valueFromColour(chosen));
}

void frmOptions::Command3_Click() {
    // The shared dialog keeps these values for its next user.
    CommonDialog* dialog = host_->dlgCommonDialog();
    dialog->CancelError = true;
    dialog->Flags = 3;
    if (!dialog->ShowFont()) return;
    shape1->setFontName(dialog->FontName);
    shape1->setFontSize(dialog->FontSize);
    shape1->setFontBold(dialog->FontBold);
    shape1->setFontItalic(dialog->FontItalic);
    shape1->setFontUnderline(dialog->FontUnderline);
}

void frmOptions::cmdApply_Click() {
    DocumentSettings& settings = CurrentDocumentSettings();
    settings.DocBG = shape1->BackColor();
    settings.FontName = shape1->FontName();
    settings.FontSize = wholePoints(shape1->FontSize());
    settings.FontBold = shape1->FontBold();
    settings.FontItalic = shape1->FontItalic();
    settings.FontUnderline = shape1->FontUnderline();
    settings.MaxNew = Check1->isChecked();
    settings.ReloadChangedFiles = chkReloadChanged->isChecked();
    settings.CheckSpelling = chkSpelling->isChecked();
    settings.SpellingLanguage = cboLanguage->currentData().toString();
}

void frmOptions::cmdOK_Click() {
    cmdApply_Click();
    using SettingsStore::SaveSetting;
    const DocumentSettings& settings = CurrentDocumentSettings();
    SaveSetting(QStringLiteral("MaxNew"),
                Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    // The text colour is never chosen: documents are always written in black.
    SaveSetting(QStringLiteral("DocFG"), QStringLiteral("0"));
    SaveSetting(QStringLiteral("DocBG"), QString::number(settings.DocBG));
    SaveSetting(QStringLiteral("FontName"), shape1->FontName());
    // The exact size with its fraction; the settings in memory hold it rounded.
    SaveSetting(QStringLiteral("FontSize"), SettingText::fromNumber(shape1->FontSize()));
    SaveSetting(QStringLiteral("FontBold"), SettingText::fromFlag(shape1->FontBold()));
    SaveSetting(QStringLiteral("FontItalic"), SettingText::fromFlag(shape1->FontItalic()));
    SaveSetting(QStringLiteral("FontUnderline"), SettingText::fromFlag(shape1->FontUnderline()));
    SaveSetting(QStringLiteral("ReloadChangedFiles"),
                SettingText::fromFlag(settings.ReloadChangedFiles));
    SaveSetting(QStringLiteral("CheckSpelling"), SettingText::fromFlag(settings.CheckSpelling));
    SaveSetting(QStringLiteral("SpellingLanguage"), settings.SpellingLanguage);
    accept();
}

void frmOptions::cmdCancel_Click() {
    // Rereading the store also undoes every Apply made while the dialog was open.
    CurrentDocumentSettings().LoadFromStore();
    reject();
}
