// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped from a file manager onto the main window open like File > Open of each file,
// wherever in the window they land.
#include <QAbstractScrollArea>
#include <QMdiArea>
#include <QMimeData>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

// File managers put the addresses in as text as well; the edit controls would take that.
QMimeData* fileDrag(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    auto* data = new QMimeData;
    data->setUrls(urls);
    data->setText(QUrl::toStringList(urls).join(QLatin1Char('\n')));
    return data;
}

// One drag over `target` and a drop on it, as the window system delivers them: whether the
// drag was welcome, and the action the drop took.
std::pair<bool, Qt::DropAction> dragAndDrop(QWidget* target, const QMimeData* data,
                                            Qt::DropActions actions = Qt::CopyAction |
                                                                      Qt::MoveAction) {
    const QPoint pos = target->rect().center();
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();  // the files open once the drop is over
    return {enter.isAccepted(), drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
}

}  // namespace

class DragDropTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = env->scratch(name);
        return writeBytes(path, bytes) ? path : QString();
    }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    // The empty new document takes the first file, as Open would; a document with text keeps
    // it. Each further file gets a window. A copy, never a move: the file manager must not
    // delete what was dropped.
    void dropOpensFilesWhereverItLands_data() {
        QTest::addColumn<QString>("where");
        for (const char* where :
             {"main window", "document area", "toolbar", "edit control", "rich edit control"})
            QTest::newRow(where) << where;
    }
    void dropOpensFilesWhereverItLands() {
        QFETCH(QString, where);
        RichTextBox* text = main->ActiveDocument()->txtText;
        QWidget* target = where == "main window"     ? main
                          : where == "document area" ? main->mdiArea()->viewport()
                          : where == "toolbar"       ? static_cast<QWidget*>(main->tbToolBar())
                                                     : text->editor()->viewport();
        if (where == "rich edit control")
            QVERIFY(
                text->LoadFile(file("rich.rtf", "{\\rtf1 {\\b Bold}\\par}"), RichTextBox::rtfRTF));
        const bool reused = text->Text().isEmpty();
        const int windows = main->ChildForms().size();
        const QString first = file("first.txt", "First file\n");
        const QString second = file("second.rtf", "{\\rtf1\\ansi Second {\\i file}\\par}");
        std::unique_ptr<QMimeData> data(fileDrag({first, second}));
        QCOMPARE(dragAndDrop(target, data.get()), std::make_pair(true, Qt::CopyAction));

        QCOMPARE(main->ChildForms().size(), windows + (reused ? 1 : 2));
        auto* firstDoc =
            qobject_cast<frmDocument*>(main->ChildForms().at(main->ChildForms().size() - 2));
        QCOMPARE(firstDoc->Caption(), first);
        QCOMPARE(firstDoc->txtText->Text(), QStringLiteral("First file\n"));
        QCOMPARE(firstDoc->txtText == text, reused);
        QCOMPARE(main->ActiveDocument()->Caption(), second);
        QCOMPARE(main->ActiveDocument()->txtText->Text(), QStringLiteral("Second file"));
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    // A file that cannot be read gets Open's message; the files after it still open.
    void unreadableFileGivesOpensMessage() {
        const QString missing = env->scratch("missing.txt");
        env->dialogs.fileAnswers.enqueue(missing);
        main->mnuFileOpen_Click();
        const ScriptedDialogHost::Message opened = env->dialogs.messages.takeFirst();
        const QString good = file("good.txt", "good");
        std::unique_ptr<QMimeData> data(fileDrag({missing, good}));
        dragAndDrop(main->ActiveDocument()->txtText->editor()->viewport(), data.get());
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(env->dialogs.messages[0].text, opened.text);
        QCOMPARE(main->ActiveDocument()->Caption(), good);
    }

    // Text is inserted as before; a web address or a move-only drag opens nothing.
    void otherDragsAreLeftAlone() {
        frmDocument* document = main->ActiveDocument();
        QMimeData text;
        text.setText(QStringLiteral("dragged words"));
        dragAndDrop(document->txtText->editor()->viewport(), &text);
        QCOMPARE(document->txtText->Text(), QStringLiteral("dragged words"));

        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("http://127.0.0.1/page.html"))});
        QVERIFY(!dragAndDrop(main, &link).first);
        std::unique_ptr<QMimeData> data(fileDrag({file("kept.txt", "kept")}));
        QCOMPARE(dragAndDrop(main, data.get(), Qt::MoveAction).second, Qt::IgnoreAction);
        QCOMPARE(main->ChildForms().size(), 1);
        QVERIFY(QFile::exists(env->scratch("kept.txt")));
        QVERIFY(env->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(DragDropTest)
#include "tst_dragdrop.moc"
