// File > Open, Save, Save As and Print on document windows: the file-type and has-a-name rules,
// the dialogs each command asks for, load and write failures, byte-exact plain-text round trips,
// RTF round trips through the editor and printing to PDF.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/ChildForm.h"
#include "app/CommonDialog.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

const QString kOpenFilter = QStringLiteral(
    "All Compatable Files|*.txt; *.htm; *.html; *.ini; *.bat; *.rtf; *.qlo; *.bas |All files (*.*) "
    "| *.*");
const QString kSaveFilter = QStringLiteral(
    "Text File (*.txt)|*.txt|HTML File (*.html, *.htm)|*.html;*.htm|Quillo FIle (*.qlo)|*.qlo|"
    "Rich Text File (*.rtf)|*.rtf |INI File (*.ini)|*.ini |Batch File (*.bat)|*.bat |");

// Formatted text as a word processor writes it.
const QByteArray kFormattedRtf =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New "
    "Roman;}}\n"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
    "\\pard\\ql\\f0\\fs24 Plain {\\b bold} {\\i italic} {\\ul underline} {\\cf1 red} "
    "{\\f1\\fs40 big}\\par\n"
    "\\pard\\qc centred \\uc1\\u8212? caf\\'e9 \\u20013?\\par\n"
    "\\pard\\qr {\\cf2\\b\\i blue}\\par\n"
    "}";

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The formats the editor shows, paragraph by paragraph: alignment, then each run's text with
// its effective font, underline and colour.
QStringList formatsOf(const QTextDocument* document) {
    QStringList result;
    const QFont base = document->defaultFont();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        result << QStringLiteral("align %1")
                      .arg(int(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QStringList families = format.fontFamilies().toStringList();
            const double size = format.hasProperty(QTextFormat::FontPointSize)
                                    ? format.fontPointSize()
                                    : base.pointSizeF();
            result << QStringLiteral("%1|%2|b%3|i%4|u%5|%6|%7")
                          .arg(fragment.text(),
                               families.isEmpty() ? base.family() : families.first())
                          .arg(format.fontWeight() >= QFont::Bold)
                          .arg(format.fontItalic())
                          .arg(format.fontUnderline())
                          .arg(format.foreground().color().name())
                          .arg(size);
        }
    }
    return result;
}

// Pages of a PDF that Qt wrote: its page objects are not compressed.
int pdfPageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/"));
}

// A folder (or file) that even the superuser cannot change, for as long as the guard lives.
class Immutable {
  public:
    explicit Immutable(const QString& path) : path_(path) {
        ok_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
    }
    ~Immutable() {
        if (ok_) QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
    }
    bool ok() const { return ok_; }

  private:
    QString path_;
    bool ok_ = false;
};

// Whether a new file cannot be made in the folder.
bool probeWriteFails(const QString& folder) {
    QFile probe(QDir(folder).filePath(QStringLiteral(".probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        return false;
    }
    return true;
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    frmDocument* document() const { return main->ActiveDocument(); }
    RichTextBox* text() const { return main->ActiveDocument()->txtText; }
    bool saveButtonEnabled() const { return main->toolbarButton(3)->isEnabled(); }

    void open(const QString& path) {
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileOpen_Click();
    }

    void activateBrowser() {
        auto* browser = new FakeBrowser;
        QMdiSubWindow* sub = main->addChildWindow(browser);
        sub->show();
        main->mdiArea()->setActiveSubWindow(sub);
        QCOMPARE(main->ActiveForm(), browser);
    }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void fileTypeRules_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("openType");
        QTest::addColumn<int>("saveType");
        QTest::newRow("Letter.Rtf") << "/home/me/Letter.Rtf" << 0 << 0;
        QTest::newRow("notes.qlo") << "notes.qlo" << 0 << 0;
        QTest::newRow("NOTES.QLO") << "NOTES.QLO" << 0 << 0;
        QTest::newRow("page.html") << "C:\\x\\page.html" << 1 << 1;
        QTest::newRow("page.htm") << "page.htm" << 1 << 1;
        QTest::newRow("a.txt") << "a.txt" << 1 << 1;
        QTest::newRow("setup.ini") << "setup.ini" << 1 << 1;
        QTest::newRow("no extension") << "/tmp/README" << 1 << 1;
        QTest::newRow("myrtf") << "C:\\data\\myrtf" << 1 << 0;
        QTest::newRow("myqlo") << "/data/myQlo" << 1 << 0;
        QTest::newRow("bare rtf") << "rtf" << 1 << 0;
        QTest::newRow(".rtf.txt") << "a.rtf.txt" << 1 << 1;
        QTest::newRow("empty") << "" << 1 << 1;
    }
    void fileTypeRules() {
        QFETCH(QString, path);
        QFETCH(int, openType);
        QFETCH(int, saveType);
        QCOMPARE(FileCommands::OpenFileType(path), openType);
        QCOMPARE(FileCommands::SaveFileType(path), saveType);
    }

    void hasNameRule_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("named");
        QTest::newRow("Document 3") << "Document 3" << false;
        QTest::newRow("notes.txt") << "C:\\x\\notes.txt" << true;
        QTest::newRow("page.html") << "C:\\x\\page.html" << false;
        QTest::newRow("no extension") << "/tmp/README" << false;
        QTest::newRow("myrtf") << "C:\\data\\myrtf" << false;
        QTest::newRow("two letters") << "a.rs" << false;
        QTest::newRow(".txt alone") << ".txt" << true;
        QTest::newRow("short") << "a.b" << false;
    }
    void hasNameRule() {
        QFETCH(QString, caption);
        QFETCH(bool, named);
        QCOMPARE(FileCommands::HasName(caption), named);
    }

    // Save with a named caption writes at once, by the save rule, and leaves the document clean.
    void saveNamedWritesWithoutDialog_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("txt") << "notes.txt" << false;
        QTest::newRow("rtf") << "notes.rtf" << true;
        QTest::newRow("QLO") << "NOTES.QLO" << true;
        QTest::newRow("bat") << "run.bat" << false;
    }
    void saveNamedWritesWithoutDialog() {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        const QString path = env->scratch(name);
        text()->setText(QStringLiteral("hello"));
        document()->setCaption(path);
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        main->mnuFileSave_Click();
        QVERIFY(env->dialogs.fileRequests.isEmpty());
        QVERIFY(env->dialogs.messages.isEmpty());
        const QByteArray written = readBytes(path);
        if (rich) {
            QVERIFY(written.startsWith("{\\rtf1"));
            QVERIFY(written.contains("hello"));
        } else {
            QCOMPARE(written, QByteArray("hello"));
        }
        QCOMPARE(document()->Tag(), QString());
        QCOMPARE(document()->Caption(), path);
        QVERIFY(!saveButtonEnabled());
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    // Save of an unnamed document (or one whose caption fails the rule) asks first.
    void saveUnnamedAsksWithTheSaveDialog_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("new document") << "";
        QTest::newRow("four-letter extension") << "C:\\x\\page.html";
        QTest::newRow("no extension") << "C:\\data\\myrtf";
    }
    void saveUnnamedAsksWithTheSaveDialog() {
        QFETCH(QString, caption);
        if (!caption.isEmpty()) document()->setCaption(caption);
        const QString before = document()->Caption();
        text()->setText(QStringLiteral("<b>x</b>"));
        const QString path = env->scratch("chosen.rtf");
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileSave_Click();

        QCOMPARE(env->dialogs.fileRequests.size(), 1);
        const FileDialogRequest request = env->dialogs.fileRequests.first();
        QVERIFY(request.save);
        QCOMPARE(request.title, QStringLiteral("Save"));
        QCOMPARE(request.flags, 4);
        QCOMPARE(request.filter, kSaveFilter);
        QCOMPARE(document()->Caption(), path);
        QCOMPARE(document()->Tag(), QString());
        QVERIFY(readBytes(path).startsWith("{\\rtf1"));

        // Cancelling changes nothing: no file, same caption, still changed.
        document()->setCaption(before);
        text()->setText(QStringLiteral("again"));
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileSave_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 2);
        QCOMPARE(document()->Caption(), before);
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        QVERIFY(readBytes(path).contains("x"));
        QVERIFY(!readBytes(path).contains("again"));
    }

    // Save As always asks, even for a named document, and the chosen name decides the type.
    void saveAsAlwaysAsks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("qlo") << "notes.qlo" << true;
        QTest::newRow("htm") << "notes.htm" << false;
        QTest::newRow("myrtf") << "myrtf" << true;
        QTest::newRow("no extension") << "plain" << false;
    }
    void saveAsAlwaysAsks() {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        const QString rtfPath = env->scratch("source.rtf");
        QVERIFY(writeBytes(rtfPath, kFormattedRtf));
        open(rtfPath);
        QVERIFY(text()->isRichMode());
        env->dialogs.fileRequests.clear();

        const QString path = env->scratch(name);
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileSaveAs_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 1);
        const FileDialogRequest request = env->dialogs.fileRequests.first();
        QVERIFY(request.save);
        QCOMPARE(request.title, QStringLiteral("Save As"));
        QCOMPARE(request.flags, 4);
        QCOMPARE(request.filter, kSaveFilter);
        QCOMPARE(document()->Caption(), path);
        QCOMPARE(document()->Tag(), QString());
        const QByteArray written = readBytes(path);
        QCOMPARE(written.startsWith("{\\rtf1"), rich);
        if (!rich) QVERIFY(written.startsWith("Plain bold italic"));

        // Cancelled: nothing changes.
        text()->setSelText(QStringLiteral("more "));
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileSaveAs_Click();
        QCOMPARE(document()->Caption(), path);
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(readBytes(path), written);
    }

    void openShowsTheFilterAndLoadsByTheOpenRule() {
        const QString rtfPath = env->scratch("Letter.Rtf");
        QVERIFY(writeBytes(rtfPath, kFormattedRtf));
        open(rtfPath);
        QCOMPARE(env->dialogs.fileRequests.size(), 1);
        QVERIFY(!env->dialogs.fileRequests.first().save);
        QCOMPARE(env->dialogs.fileRequests.first().filter, kOpenFilter);
        // The empty first document took the file: no new window.
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(document()->Caption(), rtfPath);
        QVERIFY(text()->isRichMode());
        QVERIFY(text()->Text().startsWith(QStringLiteral("Plain bold italic")));
        // A file just opened is unchanged.
        QCOMPARE(document()->Tag(), QString());
        QVERIFY(!saveButtonEnabled());
        QVERIFY(!text()->CanUndo());
        QVERIFY(env->dialogs.messages.isEmpty());

        // Into a document with text: a new window, and the markup shows as it is.
        const QString htmlPath = env->scratch("page.html");
        QVERIFY(writeBytes(htmlPath, "<html><b>bold</b></html>\n"));
        frmDocument* first = document();
        open(htmlPath);
        QCOMPARE(main->ChildForms().size(), 2);
        QVERIFY(document() != first);
        QCOMPARE(document()->Caption(), htmlPath);
        QVERIFY(!text()->isRichMode());
        QCOMPARE(text()->Text(), QStringLiteral("<html><b>bold</b></html>\n"));
        QCOMPARE(document()->Tag(), QString());
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
        QCOMPARE(first->Caption(), rtfPath);

        // "myrtf" holding RTF opens as plain text: the open rule wants ".RTF".
        const QString noDot = env->scratch("myrtf");
        QVERIFY(writeBytes(noDot, kFormattedRtf));
        open(noDot);
        QVERIFY(!text()->isRichMode());
        QCOMPARE(text()->Text(), QString::fromLatin1(kFormattedRtf));
    }

    // While a file loads, the status bar says so and the cursor is busy.
    void openShowsBusyFeedback() {
        const QString path = env->scratch("big.txt");
        QVERIFY(writeBytes(path, QByteArray(1000, 'x')));
        QString status;
        bool busy = false;
        connect(text(), &RichTextBox::Change, this, [&] {
            status = main->statusText();
            busy = QApplication::overrideCursor() &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        open(path);
        QCOMPARE(status, QStringLiteral("Opening %1...").arg(QDir::toNativeSeparators(path)));
        QVERIFY(busy);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    void openCancelledKeepsTheNewEmptyWindow() {
        text()->setText(QStringLiteral("busy"));
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileOpen_Click();
        QCOMPARE(main->ChildForms().size(), 2);
        QCOMPARE(text()->Text(), QString());
        QCOMPARE(document()->Tag(), QString());
    }

    void openWithoutDocumentMakesOne() {
        activateBrowser();
        const QString path = env->scratch("a.txt");
        QVERIFY(writeBytes(path, "alpha"));
        open(path);
        QCOMPARE(main->ChildForms().size(), 3);
        QCOMPARE(text()->Text(), QStringLiteral("alpha"));

        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        open(path);
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(document()->Caption(), path);

        // Begun without a document window, a failed load is not tried again.
        document()->setTag(QString());
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        env->dialogs.fileRequests.clear();
        env->dialogs.fileAnswers.enqueue(env->scratch("missing.txt"));
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileOpen_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(text()->Text(), QString());
    }

    // A failed load says why, then the dialog comes once more in one more window; a second
    // failure ends the command.
    void openFailureRetriesOnce() {
        text()->setText(QStringLiteral("keep me"));
        const QString missing = env->scratch("missing.txt");
        const QString good = env->scratch("good.txt");
        QVERIFY(writeBytes(good, "good"));
        env->dialogs.fileAnswers.enqueue(missing);
        env->dialogs.fileAnswers.enqueue(good);
        main->mnuFileOpen_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 2);
        QCOMPARE(env->dialogs.messages.size(), 1);
        const auto& message = env->dialogs.messages.first();
        QCOMPARE(message.style, 16);
        QVERIFY2(message.text.contains(QDir::toNativeSeparators(missing)),
                 qPrintable(message.text));
        QVERIFY2(message.text.contains(QStringLiteral("does not exist")), qPrintable(message.text));
        // The first document, the one that failed, and the one that took the file.
        QCOMPARE(main->ChildForms().size(), 3);
        QCOMPARE(document()->Caption(), good);
        QCOMPARE(text()->Text(), QStringLiteral("good"));
        QCOMPARE(main->ChildForms().first()->Caption(), QStringLiteral("Document 1"));

        // Twice wrong: two messages, two dialogs, and it stops.
        env->dialogs.messages.clear();
        env->dialogs.fileRequests.clear();
        env->dialogs.fileAnswers.enqueue(missing);
        env->dialogs.fileAnswers.enqueue(env->scratch(""));  // a folder
        env->dialogs.fileAnswers.enqueue(good);
        main->mnuFileOpen_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 2);
        QCOMPARE(env->dialogs.messages.size(), 2);
        QVERIFY(env->dialogs.messages[1].text.contains(QStringLiteral("folder")));
        QCOMPARE(env->dialogs.fileAnswers.size(), 1);
        QCOMPARE(main->ChildForms().size(), 5);
        QCOMPARE(text()->Text(), QString());
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    void fileCommandsIgnoreNonDocuments() {
        text()->setText(QStringLiteral("behind"));
        document()->setTag(QString());  // closes without a prompt below
        activateBrowser();
        for (int round = 0; round < 2; ++round) {
            env->dialogs.fileAnswers.enqueue(env->scratch("never.txt"));
            env->dialogs.printerAnswers.enqueue(true);
            main->mnuFileSave_Click();
            main->mnuFileSaveAs_Click();
            main->mnuFilePrint_Click();
            QVERIFY(env->dialogs.fileRequests.isEmpty());
            QVERIFY(env->dialogs.printerTitles.isEmpty());
            QVERIFY(env->dialogs.messages.isEmpty());
            QVERIFY(!QFile::exists(env->scratch("never.txt")));
            env->dialogs.fileAnswers.clear();
            env->dialogs.printerAnswers.clear();
            main->mdiArea()->closeAllSubWindows();
            QCoreApplication::processEvents();
            QCOMPARE(main->ActiveForm(), nullptr);
        }
    }

    // A failed write: a critical message naming the file and the reason; the caption and the
    // marker stay, and the old file is whole.
    void failedWriteKeepsCaptionMarkerAndFile() {
        // A path below a regular file fails for everyone.
        const QString plainFile = env->scratch("plain.txt");
        QVERIFY(writeBytes(plainFile, "x"));
        const QString below = plainFile + QStringLiteral("/sub.txt");
        text()->setText(QStringLiteral("work"));
        document()->setCaption(below);
        main->mnuFileSave_Click();
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(env->dialogs.messages[0].style, 16);
        QVERIFY(env->dialogs.messages[0].text.contains(QDir::toNativeSeparators(below)));
        QVERIFY2(env->dialogs.messages[0].text.contains(QStringLiteral("Not a directory")),
                 qPrintable(env->dialogs.messages[0].text));
        QCOMPARE(document()->Caption(), below);
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        QVERIFY(saveButtonEnabled());

        // Save As into such a place does not take the new name either.
        env->dialogs.fileAnswers.enqueue(below);
        document()->setCaption(QStringLiteral("Document 1"));
        main->mnuFileSaveAs_Click();
        QCOMPARE(env->dialogs.messages.size(), 2);
        QCOMPARE(document()->Caption(), QStringLiteral("Document 1"));
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));

        // A read-only folder and file, which the superuser can write unless they are immutable.
        QDir(env->scratch("")).mkdir(QStringLiteral("locked"));
        const QString folder = env->scratch("locked");
        const QString existing = folder + QStringLiteral("/old.txt");
        QVERIFY(writeBytes(existing, "old content"));
        QFile::setPermissions(existing, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(
            folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        std::unique_ptr<Immutable> fileLock, folderLock;
        if (!probeWriteFails(folder)) {
            fileLock = std::make_unique<Immutable>(existing);
            folderLock = std::make_unique<Immutable>(folder);
        }
        const bool locked = probeWriteFails(folder);
        if (locked) {
            env->dialogs.messages.clear();
            document()->setCaption(existing);
            main->mnuFileSave_Click();
            QCOMPARE(env->dialogs.messages.size(), 1);
            QCOMPARE(env->dialogs.messages[0].style, 16);
            QVERIFY(env->dialogs.messages[0].text.contains(QDir::toNativeSeparators(existing)));
            QCOMPARE(document()->Caption(), existing);
            QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
            QCOMPARE(readBytes(existing), QByteArray("old content"));
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("old.txt")});
        }
        folderLock.reset();
        fileLock.reset();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(existing, QFile::ReadOwner | QFile::WriteOwner);
        if (!locked) QSKIP("Nothing here stops the superuser from writing into a folder");
    }

    // Opening and saving an unedited file reproduces it byte for byte.
    void plainTextRoundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QByteArray utf16("\xff\xfe", 2);
        for (QChar c : QStringLiteral("caf\u00e9 \u20ac\r\nline two\r\n")) {
            utf16.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
        }
        QTest::newRow("UTF-8 LF") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\nline two\n")
                                  << QStringLiteral("caf\u00e9 \u20ac\nline two\n");
        QTest::newRow("UTF-8 BOM CRLF") << QByteArray(
                                               "\xef\xbb\xbf"
                                               "caf\xc3\xa9\r\nline two\r\n")
                                        << QStringLiteral("caf\u00e9\nline two\n");
        QTest::newRow("UTF-16 LE BOM CRLF")
            << utf16 << QStringLiteral("caf\u00e9 \u20ac\nline two\n");
        QTest::newRow("Windows-1252 LF")
            << QByteArray("caf\xe9 \x80 \x93q\x94\nna\xefve")
            << QStringLiteral("caf\u00e9 \u20ac \u201cq\u201d\nna\u00efve");
        QTest::newRow("Windows-1252 CRLF")
            << QByteArray("caf\xe9\r\n\r\n\xbd\r\n") << QStringLiteral("caf\u00e9\n\n\u00bd\n");
        QTest::newRow("CR only") << QByteArray("a\rb\r") << QStringLiteral("a\nb\n");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void plainTextRoundTrip() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString path = env->scratch("round.txt");
        QVERIFY(writeBytes(path, bytes));
        open(path);
        QCOMPARE(text()->Text(), shown);
        QVERIFY(env->dialogs.messages.isEmpty());
        QVERIFY(QFile::remove(path));
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);  // save where it was removed
        main->mnuFileSave_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 1);  // the open dialog only
        QCOMPARE(readBytes(path), bytes);
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));

        // Also under a new name through Save As.
        const QString copy = env->scratch("copy.ini");
        env->dialogs.fileAnswers.enqueue(copy);
        main->mnuFileSaveAs_Click();
        QCOMPARE(readBytes(copy), bytes);
    }

    void binaryFileOpensWithAWarning() {
        const QString path = env->scratch("image.txt");
        QVERIFY(writeBytes(path, QByteArray("GIF89a\0\0\x01\x02 text", 15)));
        open(path);
        QCOMPARE(env->dialogs.messages.size(), 1);
        const auto& message = env->dialogs.messages.first();
        QCOMPARE(message.style, 48);
        QVERIFY(message.text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(message.text.contains(QStringLiteral("saving it will change it")));
        QCOMPARE(document()->Caption(), path);
        QVERIFY(text()->Text().startsWith(QStringLiteral("GIF89a")));

        // An ordinary file brings no warning.
        const QString plain = env->scratch("plain.txt");
        QVERIFY(writeBytes(plain, "tab\there\n"));
        open(plain);
        QCOMPARE(env->dialogs.messages.size(), 1);
    }

    // Characters the file's encoding cannot hold: saved as UTF-8, said in the status bar.
    void unrepresentableTextFallsBackToUtf8() {
        const QString path = env->scratch("legacy.txt");
        QVERIFY(writeBytes(path, "caf\xe9\r\n"));
        open(path);
        text()->setSelStart(text()->TextLength());
        text()->setSelText(QStringLiteral("\u03a9 \u2192 \u4e2d"));
        main->mnuFileSave_Click();
        QVERIFY(env->dialogs.messages.isEmpty());
        QVERIFY2(main->statusText().startsWith(QStringLiteral("Saved as UTF-8")),
                 qPrintable(main->statusText()));
        QCOMPARE(readBytes(path), QStringLiteral("caf\u00e9\r\n\u03a9 \u2192 \u4e2d").toUtf8());
        QCOMPARE(document()->Tag(), QString());
        QCOMPARE(text()->FileEncodingName(), QStringLiteral("UTF-8"));

        // From now on the file is UTF-8: saving again needs no fall-back.
        text()->setSelText(QStringLiteral("!"));
        main->mnuFileSave_Click();
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    // What the editor shows of an RTF file survives saving it and opening it again.
    void rtfRoundTripThroughTheEditor() {
        const QString source = env->scratch("source.rtf");
        QVERIFY(writeBytes(source, kFormattedRtf));
        open(source);
        const QStringList loaded = formatsOf(text()->document());
        QCOMPARE(text()->Text(), QStringLiteral("Plain bold italic underline red big\ncentred "
                                                "\u2014 caf\u00e9 \u4e2d\nblue"));
        // The reader really gave the formats this test is about.
        const QString all = loaded.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(QStringLiteral("bold|Arial|b1|i0|u0|#000000|12")), qPrintable(all));
        QVERIFY(all.contains(QStringLiteral("italic|Arial|b0|i1|u0|#000000|12")));
        QVERIFY(all.contains(QStringLiteral("underline|Arial|b0|i0|u1|#000000|12")));
        QVERIFY(all.contains(QStringLiteral("red|Arial|b0|i0|u0|#ff0000|12")));
        QVERIFY(all.contains(QStringLiteral("big|Times New Roman|b0|i0|u0|#000000|20")));
        QVERIFY(all.contains(QStringLiteral("blue|Arial|b1|i1|u0|#0000ff|12")));
        QCOMPARE(loaded.count(QStringLiteral("align %1").arg(int(Qt::AlignHCenter))), 1);
        QCOMPARE(loaded.count(QStringLiteral("align %1").arg(int(Qt::AlignRight))), 1);

        // Save As .qlo, then into a fresh window and through the editor once more.
        const QString saved = env->scratch("copy.qlo");
        env->dialogs.fileAnswers.enqueue(saved);
        main->mnuFileSaveAs_Click();
        main->LoadNewDoc();
        open(saved);
        QCOMPARE(main->ChildForms().size(), 2);
        QVERIFY(text()->isRichMode());
        QCOMPARE(formatsOf(text()->document()), loaded);

        document()->setCaption(env->scratch("again.rtf"));
        main->mnuFileSave_Click();
        QCOMPARE(readBytes(env->scratch("again.rtf")), readBytes(saved));
    }

    // Printing: the printer dialog offers the selection when there is one, and SelPrint prints
    // the selection or everything.
    void printToPdf() {
        QStringList lines;
        for (int i = 1; i <= 200; ++i) lines << QStringLiteral("line %1 of the long text").arg(i);
        text()->setText(lines.join(QLatin1Char('\n')));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const auto pdfText = [&](const QString& pdf) {
            QProcess process;
            process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };

        // Everything.
        const QString whole = env->scratch("whole.pdf");
        env->dialogs.printToPdf = whole;
        env->dialogs.printerAnswers.enqueue(true);
        main->mnuFilePrint_Click();
        QCOMPARE(env->dialogs.printerTitles, QStringList{QStringLiteral("Print")});
        QCOMPARE(env->dialogs.printerOfferedSelection, QList<bool>{false});
        QCOMPARE(main->dlgCommonDialog()->Flags, 264);
        QVERIFY(main->dlgCommonDialog()->CancelError);
        const QByteArray wholePdf = readBytes(whole);
        QVERIFY(wholePdf.startsWith("%PDF"));
        QVERIFY2(pdfPageCount(wholePdf) >= 3, qPrintable(QString::number(pdfPageCount(wholePdf))));

        // The selection only: one page.
        text()->setSelStart(text()->Text().indexOf(QStringLiteral("line 150 ")));
        text()->setSelLength(QStringLiteral("line 150 of the").size());
        const QString part = env->scratch("part.pdf");
        env->dialogs.printToPdf = part;
        env->dialogs.printerAnswers.enqueue(true);
        main->mnuFilePrint_Click();
        QCOMPARE(env->dialogs.printerOfferedSelection, QList<bool>({false, true}));
        QCOMPARE(main->dlgCommonDialog()->Flags, 265);
        const QByteArray partPdf = readBytes(part);
        QVERIFY(partPdf.startsWith("%PDF"));
        QCOMPARE(pdfPageCount(partPdf), 1);
        QVERIFY(partPdf.size() < wholePdf.size());
        // Printing leaves the document alone.
        QCOMPARE(text()->SelText(), QStringLiteral("line 150 of the"));

        if (!pdftotext.isEmpty()) {
            const QString wholeText = pdfText(whole);
            QVERIFY(wholeText.contains(QStringLiteral("line 1 of the long text")));
            QVERIFY(wholeText.contains(QStringLiteral("line 200 of the long text")));
            // The selection and the page number.
            QCOMPARE(pdfText(part).simplified(), QStringLiteral("line 150 of the 1"));
        }

        // Cancelled: nothing printed, no message.
        const QString none = env->scratch("none.pdf");
        env->dialogs.printToPdf = none;
        env->dialogs.printerAnswers.enqueue(false);
        main->mnuFilePrint_Click();
        QCOMPARE(env->dialogs.printerTitles.size(), 3);
        QVERIFY(!QFile::exists(none));
        QVERIFY(env->dialogs.messages.isEmpty());
        if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed: printed text not checked");
    }
};

QTEST_MAIN(FileCommandsTest)
#include "tst_filecommands.moc"
