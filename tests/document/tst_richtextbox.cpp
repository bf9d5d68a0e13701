// SPDX-License-Identifier: GPL-3.0-or-later
// The edit control's file loading: what a load leaves behind (one change, caret at the top, no
// undo history, the editor kind the content needs, settings carried over) and what a failed
// load leaves alone.
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "TestHelpers.h"
#include "document/RichTextBox.h"
#include "document/core/TextFormats.h"

class RichTextBoxTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

  private slots:
    // Loading replaces the content as one change, with the caret at the top and nothing to undo,
    // in the editor the content needs; colours, font and typing mode stay.
    void loadLeavesACleanStart() {
        RichTextBox box;
        box.resize(400, 300);
        box.show();
        box.setBackColor(0x00C8FF);
        box.setFontName(QStringLiteral("Courier New"));
        box.setFontSize(13.5);
        box.setOverwriteMode(true);
        box.setText(QStringLiteral("typed before"));
        QVERIFY(box.CanUndo());

        QStringList lines;
        for (int i = 0; i < 2000; ++i) lines << QStringLiteral("line %1").arg(i);
        QVERIFY(writeBytes(path("long.txt"), lines.join(QLatin1Char('\n')).toUtf8()));
        QVERIFY(writeBytes(path("styled.rtf"), "{\\rtf1\\ansi {\\b bold} text\\par}"));

        struct Load {
            QString file;
            int type;
            bool rich;
        };
        for (const Load& load : {Load{"long.txt", 1, false}, Load{"styled.rtf", 0, true},
                                 Load{"long.txt", 1, false}}) {
            QSignalSpy changes(&box, &RichTextBox::Change);
            QSignalSpy moves(&box, &RichTextBox::SelChange);
            QVERIFY(box.LoadFile(path(load.file), load.type));
            QCOMPARE(changes.size(), 1);
            QCOMPARE(moves.size(), 0);
            QCOMPARE(box.isRichMode(), load.rich);
            QCOMPARE(box.SelStart(), 0);
            QCOMPARE(box.SelLength(), 0);
            QVERIFY(!box.CanUndo());
            QVERIFY(!box.CanRedo());
            QCoreApplication::processEvents();
            QCOMPARE(box.editor()->verticalScrollBar()->value(), 0);
            QCOMPARE(box.BackColor(), 0x00C8FF);
            QCOMPARE(box.editor()->palette().color(QPalette::Base), QColor(0xFF, 0xC8, 0x00));
            QCOMPARE(box.FontName(), QStringLiteral("Courier New"));
            QCOMPARE(box.editor()->font().pointSizeF(), 13.5);
            QVERIFY(box.OverwriteMode());
        }
        QCOMPARE(box.Text(), lines.join(QLatin1Char('\n')));
    }

    // Reading an RTF file again is one undo step: the text and every format come from the file,
    // and Undo brings back the text and formats it replaced.
    void reloadedFormatsAreOneUndoStep() {
        RichTextBox box;
        QVERIFY(writeBytes(path("r.rtf"), "{\\rtf1\\ansi {\\b bold} plain\\par tail}"));
        QVERIFY(box.LoadFile(path("r.rtf"), RichTextBox::rtfRTF));
        QVERIFY(writeBytes(path("r.rtf"),
                           "{\\rtf1\\ansi plain {\\i new}\\par\\pard\\qc "
                           "{\\fs40 big}\\par}"));
        const auto looks = [&box] {
            const TextFormats* formats = box.formats();
            QString all;
            for (int at = 0; at < box.TextLength(); ++at) {
                const QTextCharFormat format = formats->charFormat(formats->charFormatAt(at));
                all += format.fontWeight() == QFont::Bold ? u'b'
                       : format.fontItalic()              ? u'i'
                       : format.fontPointSize() == 20     ? u'2'
                                                          : u'.';
            }
            const QTextBlockFormat last =
                formats->blockFormat(formats->blockFormatOf(formats->lineCount() - 1));
            return all + (last.alignment() == Qt::AlignHCenter ? "|centred" : "|left");
        };
        const QString before = looks();
        QVERIFY(box.ReloadFile(path("r.rtf"), RichTextBox::rtfRTF));
        QCOMPARE(box.Text(), QStringLiteral("plain new\nbig"));
        QCOMPARE(looks(), QStringLiteral("......iii.222|centred"));
        QVERIFY(box.CanUndo());
        box.Undo();
        QCOMPARE(box.Text(), QStringLiteral("bold plain\ntail"));
        QCOMPARE(looks(), before);
        QCOMPARE(before, QStringLiteral("bbbb...........|left"));
    }

    // A load or a save that fails says why and changes nothing.
    void failedLoadKeepsTheContent() {
        RichTextBox box;
        QVERIFY(writeBytes(path("k.rtf"), "{\\rtf1\\ansi {\\b keep}}"));
        QVERIFY(box.LoadFile(path("k.rtf"), RichTextBox::rtfRTF));
        QString error;
        QVERIFY(!box.SaveFile(path("missing/k.rtf"), RichTextBox::rtfRTF, &error));
        QVERIFY(!error.isEmpty());
        const FileIdentity file = box.FileOnDisk();
        QVERIFY(!box.SaveFile(path("missing/k.txt"), RichTextBox::rtfText, &error));
        QCOMPARE(box.FileOnDisk(), file);
        box.setText(QStringLiteral("keep"));
        QAbstractScrollArea* editor = box.editor();
        QSignalSpy changes(&box, &RichTextBox::Change);
        QVERIFY(!box.LoadFile(path("missing.txt"), RichTextBox::rtfText, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!box.LoadFile(dir.path(), RichTextBox::rtfRTF, &error));
        QCOMPARE(changes.size(), 0);
        QCOMPARE(box.Text(), QStringLiteral("keep"));
        QCOMPARE(box.editor(), editor);
        QVERIFY(box.CanUndo());
    }
};

QTEST_MAIN(RichTextBoxTest)
#include "tst_richtextbox.moc"
