// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open, Save, Save As and Print on document windows: the file-type and has-a-name rules,
// the questions each command asks, load and write failures, a file another program changed,
// byte-exact round trips through the editor and printing to PDF.
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QMdiArea>
#include <QtTest>

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

// RTF with fonts, colours, sizes, a centred paragraph and characters beyond the code page.
const QByteArray kFormattedRtf = readBytes(QUILLO_TEST_DATA "/files/formatted.rtf");

// Pages of a PDF that Qt wrote: its page objects are not compressed.
int pdfPageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/"));
}

}  // namespace

class FileCommandsTest : public WindowTest {
    Q_OBJECT

    frmDocument* document() const { return main->ActiveDocument(); }
    RichTextBox* text() const { return main->ActiveDocument()->txtText; }
    void open(const QString& path) {
        env->dialogs.fileAnswers.enqueue(path);
        main->mnuFileOpen_Click();
    }
    void closeAll() {
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
    }
    // The `count`th message so far says `part` (and names `file`), in the given box style.
    void expectMessage(int count, const QString& part, const QString& file = {}, int style = 0) {
        QCOMPARE(env->dialogs.messages.size(), count);
        const auto& message = env->dialogs.messages.constLast();
        QVERIFY2(
            message.text.contains(part) && message.text.contains(QDir::toNativeSeparators(file)),
            qPrintable(message.text));
        if (style) QCOMPARE(message.style, style);
    }

  private slots:

    void nameRules_data() {
        QTest::addColumn<QStringList>("row");
        for (const QStringList& row : caseTable(QStringLiteral("files/names.tsv")))
            QTest::newRow(qPrintable(row.join(u' '))) << row;
    }
    void nameRules() {
        QFETCH(QStringList, row);
        QCOMPARE(row.size(), 4);
        QCOMPARE(FileCommands::OpenFileType(row[0]), row[1].toInt());
        QCOMPARE(FileCommands::SaveFileType(row[0]), row[2].toInt());
        QCOMPARE(FileCommands::HasName(row[0]), row[3] == QLatin1String("1"));
    }

    // Save with a file name for a caption writes at once by the save rule; without one it asks,
    // and Save As always asks. A cancelled question changes nothing.
    void saveWritesByTheSaveRule() {
        for (const char* name : {"notes.txt", "NOTES.QLO", "run.bat", "notes.rtf"}) {
            const QString path = env->scratch(QString::fromLatin1(name));
            text()->setText(QStringLiteral("hello"));
            document()->setCaption(path);
            main->mnuFileSave_Click();
            const QByteArray written = readBytes(path);
            QCOMPARE(written.startsWith("{\\rtf1") && written.contains("hello"),
                     FileCommands::SaveFileType(path) == 0);
            if (FileCommands::SaveFileType(path) == 1) QCOMPARE(written, QByteArray("hello"));
            QCOMPARE(document()->Tag(), QString());
            QVERIFY(!main->toolbarButton(3)->isEnabled());
        }
        QVERIFY(env->dialogs.fileRequests.isEmpty());

        document()->setCaption(QStringLiteral("C:\\data\\myrtf"));
        text()->setText(QStringLiteral("<b>x</b>"));
        env->dialogs.fileAnswers.enqueue(env->scratch("chosen.rtf"));
        main->mnuFileSave_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 1);
        QVERIFY(env->dialogs.fileRequests[0].save);
        QCOMPARE(document()->Caption(), env->scratch("chosen.rtf"));
        QVERIFY(readBytes(env->scratch("chosen.rtf")).startsWith("{\\rtf1"));

        text()->setText(QStringLiteral("again"));
        env->dialogs.fileAnswers.enqueue(env->scratch("plain"));
        main->mnuFileSaveAs_Click();
        QCOMPARE(env->dialogs.fileRequests.size(), 2);
        QCOMPARE(readBytes(env->scratch("plain")), QByteArray("again"));
        text()->setText(QStringLiteral("more"));
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileSaveAs_Click();
        env->dialogs.fileAnswers.enqueue(QString());
        document()->setCaption(QStringLiteral("Document 1"));
        main->mnuFileSave_Click();
        QCOMPARE(document()->Caption(), QStringLiteral("Document 1"));
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(readBytes(env->scratch("plain")), QByteArray("again"));
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void openLoadsByTheOpenRule() {
        const QString rtf = file("Letter.Rtf", kFormattedRtf);
        open(rtf);
        // The empty first document took it, unchanged and without undo history.
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(document()->Caption(), rtf);
        QVERIFY(text()->isRichMode());
        QVERIFY(text()->Text().startsWith(QStringLiteral("Plain bold red big")));
        QCOMPARE(document()->Tag(), QString());
        QVERIFY(!text()->CanUndo());

        // Into a document with text: a new window. RTF without ".rtf" shows its markup.
        open(file("myrtf", kFormattedRtf));
        QCOMPARE(main->ChildForms().size(), 2);
        QVERIFY(!text()->isRichMode());
        QCOMPARE(text()->Text(), QString::fromLatin1(kFormattedRtf));
        QVERIFY(env->dialogs.messages.isEmpty());

        // Cancelled, the new empty window stays.
        env->dialogs.fileAnswers.enqueue(QString());
        main->mnuFileOpen_Click();
        QCOMPARE(main->ChildForms().size(), 3);
        QCOMPARE(text()->Text(), QString());
    }

    // A failed load says why, then the dialog comes once more in one more window; a second
    // failure ends the command. Begun without a document window, it is not tried again.
    void openFailureRetriesOnce() {
        text()->setText(QStringLiteral("keep me"));
        const QString missing = env->scratch("missing.txt");
        const QString good = file("good.txt", "good");
        env->dialogs.fileAnswers << missing << good;
        main->mnuFileOpen_Click();
        expectMessage(1, "does not exist", missing, 16);
        QCOMPARE(main->ChildForms().size(), 3);
        QCOMPARE(text()->Text(), QStringLiteral("good"));

        env->dialogs.messages.clear();
        env->dialogs.fileAnswers << missing << env->scratch("") << good;  // the second is a folder
        main->mnuFileOpen_Click();
        expectMessage(2, "folder");
        QCOMPARE(env->dialogs.fileAnswers.size(), 1);

        document()->setTag(QString());
        for (ChildForm* child : main->ChildForms()) child->setTag(QString());
        closeAll();
        env->dialogs.messages.clear();
        env->dialogs.fileAnswers.clear();
        env->dialogs.fileAnswers << missing << good;
        main->mnuFileOpen_Click();
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(text()->Text(), QString());
    }

    // A log with terminal colour codes, a bell, a form feed and a NUL byte is text the editor
    // keeps byte for byte: no warning. Bytes that cannot be kept are named.
    void onlyBytesThatChangeAreWarnedOf() {
        static const char raw[] = "\x1b[31mred\x1b[0m \x07 page\x0c x\x00y \xe2\x80\xa8\r\n";
        const QByteArray log(raw, sizeof raw - 1);
        const QString path = file("colours.log", log);
        QVERIFY(main->fileCommands()->OpenFile(path));
        QCOMPARE(env->dialogs.messages.size(), 0);
        QTest::keyClick(text()->editor(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(text()->editor(), "!");
        QTest::keyClick(text()->editor(), Qt::Key_Backspace);
        main->mnuFileSave_Click();
        QCOMPARE(readBytes(path), log);

        QVERIFY(main->fileCommands()->OpenFile(file("damaged.txt", "\xef\xbb\xbfok \xff")));
        expectMessage(1, "byte 6");
    }

    // A failed write: a critical message naming the file and the reason; the caption and the
    // changed marker stay, and Save As does not take the new name.
    void failedWriteKeepsCaptionAndMarker() {
        const QString below = file("plain.txt", "x") + "/sub.txt";
        text()->setText(QStringLiteral("work"));
        document()->setCaption(below);
        main->mnuFileSave_Click();
        expectMessage(1, "Not a directory", below, 16);
        QCOMPARE(document()->Caption(), below);
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));

        env->dialogs.fileAnswers.enqueue(below);
        document()->setCaption(QStringLiteral("Document 1"));
        main->mnuFileSaveAs_Click();
        QCOMPARE(env->dialogs.messages.size(), 2);
        QCOMPARE(document()->Caption(), QStringLiteral("Document 1"));
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
    }

    // Another program changes or removes the file between opening and saving: the editor asks
    // before writing over it, and keeps the document changed when told not to.
    void changedOrVanishedFileAsks() {
        const QString file = this->file("shared.txt", "version 1");
        QVERIFY(main->fileCommands()->OpenFile(file));
        frmDocument* document = this->document();

        // Same size, written at once: the time stamp may not tell, the content does.
        QVERIFY(writeBytes(file, "version 2"));
        QTest::keyClicks(document->txtText->editor(), "mine: ");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileSave_Click();
        expectMessage(1, "changed by another program", file, 4 + 32);
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(readBytes(file), QByteArray("version 2"));

        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        main->mnuFileSave_Click();
        QCOMPARE(env->dialogs.messages.size(), 2);
        QCOMPARE(document->Tag(), QString());
        QCOMPARE(readBytes(file), QByteArray("mine: version 1"));

        QVERIFY(QFile::remove(file));
        QTest::keyClicks(document->txtText->editor(), "?");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileSave_Click();
        expectMessage(3, "deleted or moved");
        QVERIFY(!QFile::exists(file));
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Yes);
        main->mnuFileSave_Click();
        QCOMPARE(readBytes(file), QByteArray("mine: ?version 1"));
        QCOMPARE(document->Tag(), QString());
    }

    // A file last changed long ago: its time stamp and size tell another program's change
    // without a look at the content.
    void changeToAFileWithAnOldTimeStampAsks() {
        const QString file = this->file("old.txt", "version 1");
        const timespec longAgo[2] = {{1577880000, 500000000}, {1577880000, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), longAgo, 0), 0);
        QVERIFY(main->fileCommands()->OpenFile(file));
        QVERIFY(writeBytes(file, "version 1, changed"));
        QTest::keyClicks(text()->editor(), "mine: ");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mnuFileSave_Click();
        expectMessage(1, "changed by another program");
        QCOMPARE(readBytes(file), QByteArray("version 1, changed"));
    }

    // The printer dialog offers the selection when there is one, and the selection is what is
    // printed; cancelled, nothing is.
    void printToPdf() {
        QStringList lines;
        for (int i = 1; i <= 200; ++i) lines << QStringLiteral("line %1 of the long text").arg(i);
        text()->setText(lines.join(QLatin1Char('\n')));
        env->dialogs.printToPdf = env->scratch("none.pdf");
        env->dialogs.printerAnswers.enqueue(false);
        main->mnuFilePrint_Click();
        QVERIFY(!QFile::exists(env->scratch("none.pdf")));

        text()->setSelStart(text()->Text().indexOf(QStringLiteral("line 150 ")));
        text()->setSelLength(QStringLiteral("line 150 of the").size());
        env->dialogs.printToPdf = env->scratch("part.pdf");
        env->dialogs.printerAnswers.enqueue(true);
        main->mnuFilePrint_Click();
        QCOMPARE(env->dialogs.printerOfferedSelection, QList<bool>({false, true}));
        QCOMPARE(pdfPageCount(readBytes(env->scratch("part.pdf"))), 1);
        QCOMPARE(text()->SelText(), QStringLiteral("line 150 of the"));
        QCOMPARE(QString::fromUtf8(runChild("pdftotext", {env->scratch("part.pdf"), "-"}).out)
                     .simplified(),
                 QStringLiteral("line 150 of the 1"));
        QVERIFY(env->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "tst_filecommands.moc"
