// Files dropped from a file manager onto the main window open like File > Open of each file,
// wherever in the window they land.
#include <QAbstractScrollArea>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include "TestEnvironment.h"
#include "app/DialogHost.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QMimeData* fileDrag(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    auto* data = new QMimeData;
    data->setUrls(urls);
    // File managers put the addresses in as text as well; the edit controls would take that.
    data->setText(QUrl::toStringList(urls).join(QLatin1Char('\n')));
    return data;
}

struct DragResult {
    bool enterAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// One drag over `target` and a drop on it, as the window system delivers them.
DragResult dragAndDrop(QWidget* target, const QMimeData* data,
                       Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
    const QPoint pos = target->rect().center();
    DragResult result;
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    result.enterAccepted = enter.isAccepted();
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    if (drop.isAccepted()) result.dropAction = drop.dropAction();
    // The files open once the drop is over.
    QCoreApplication::processEvents();
    return result;
}

}  // namespace

class DragDropTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = env->scratch(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
        return path;
    }

    QStringList captions() const {
        QStringList result;
        for (ChildForm* child : main->ChildForms()) result << child->Caption();
        return result;
    }

    // Where a drop can land: the window's own frame, the document area around the windows,
    // a document's edit control (plain and rich), the toolbar.
    QWidget* dropTarget(const QString& where) {
        if (where == "main window") return main;
        if (where == "document area") return main->mdiArea()->viewport();
        if (where == "toolbar") return main->tbToolBar();
        RichTextBox* text = main->ActiveDocument()->txtText;
        if (where == "rich edit control") {
            const QString rtf = writeFile("rich.rtf", "{\\rtf1\\ansi {\\b Bold} text\\par}");
            if (!text->LoadFile(rtf, RichTextBox::rtfRTF) || !text->isRichMode()) return nullptr;
        }
        return text->editor()->viewport();
    }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void dropOpensFilesWhereverItLands_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("main window") << "main window";
        QTest::newRow("document area") << "document area";
        QTest::newRow("plain edit control") << "plain edit control";
        QTest::newRow("rich edit control") << "rich edit control";
        QTest::newRow("toolbar") << "toolbar";
    }
    void dropOpensFilesWhereverItLands() {
        QFETCH(QString, where);
        QWidget* target = dropTarget(where);
        QVERIFY(target);
        frmDocument* before = main->ActiveDocument();
        const QString textBefore = before->txtText->Text();
        const QString first = writeFile("first.txt", "First file\n");
        const QString second = writeFile("second.rtf", "{\\rtf1\\ansi Second {\\i file}\\par}");
        const int windowsBefore = main->ChildForms().size();

        std::unique_ptr<QMimeData> data(fileDrag({first, second}));
        const DragResult result = dragAndDrop(target, data.get());
        QVERIFY(result.enterAccepted);
        // A copy, never a move: the file manager must not delete what was dropped.
        QCOMPARE(result.dropAction, Qt::CopyAction);

        // The empty new document takes the first file, as Open would; a document with text
        // keeps it and the file gets a window of its own. Each further file gets a window.
        const bool reused = textBefore.isEmpty();
        QCOMPARE(main->ChildForms().size(), windowsBefore + (reused ? 1 : 2));
        QCOMPARE(captions().mid(captions().size() - 2), QStringList({first, second}));
        if (!reused) QCOMPARE(before->txtText->Text(), textBefore);

        auto* firstDoc =
            qobject_cast<frmDocument*>(main->ChildForms().at(main->ChildForms().size() - 2));
        QVERIFY(firstDoc);
        QCOMPARE(firstDoc == before, reused);
        QCOMPARE(firstDoc->txtText->Text(), QStringLiteral("First file\n"));
        QVERIFY(!firstDoc->txtText->isRichMode());
        QCOMPARE(firstDoc->Tag(), QString());

        frmDocument* secondDoc = main->ActiveDocument();
        QCOMPARE(secondDoc->Caption(), second);
        QVERIFY(secondDoc->txtText->isRichMode());
        QCOMPARE(secondDoc->txtText->Text(), QStringLiteral("Second file"));
        QCOMPARE(secondDoc->Tag(), QString());
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void unreadableFileGivesOpensMessage() {
        const QString missing = env->scratch("missing.txt");
        // What File > Open says about it.
        env->dialogs.fileAnswers.enqueue(missing);
        main->mnuFileOpen_Click();
        QCOMPARE(env->dialogs.messages.size(), 1);
        const ScriptedDialogHost::Message opened = env->dialogs.messages.takeFirst();
        QVERIFY(opened.text.startsWith("Cannot open"));

        const QString good = writeFile("good.txt", "good");
        std::unique_ptr<QMimeData> data(fileDrag({missing, good}));
        dragAndDrop(main->ActiveDocument()->txtText->editor()->viewport(), data.get());
        QCOMPARE(env->dialogs.messages.size(), 1);
        const ScriptedDialogHost::Message dropped = env->dialogs.messages.first();
        QCOMPARE(dropped.text, opened.text);
        QCOMPARE(dropped.style, opened.style);
        QCOMPARE(dropped.title, opened.title);
        // The files after it still open.
        QCOMPARE(main->ActiveDocument()->Caption(), good);
        QCOMPARE(main->ActiveDocument()->txtText->Text(), QStringLiteral("good"));
    }

    void dragsThatAreNotFilesAreLeftAlone() {
        frmDocument* document = main->ActiveDocument();
        QWidget* viewport = document->txtText->editor()->viewport();

        // Text dragged onto the edit control is inserted as before.
        QMimeData text;
        text.setText(QStringLiteral("dragged words"));
        dragAndDrop(viewport, &text);
        QCOMPARE(document->txtText->Text(), QStringLiteral("dragged words"));

        // A web address is no file: the main window refuses it and opens nothing.
        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("http://127.0.0.1/page.html"))});
        const int windows = main->ChildForms().size();
        const DragResult result = dragAndDrop(main, &link);
        QVERIFY(!result.enterAccepted);
        QCOMPARE(main->ChildForms().size(), windows);
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void moveOnlyDragIsRefused() {
        const QString path = writeFile("kept.txt", "kept");
        std::unique_ptr<QMimeData> data(fileDrag({path}));
        const int windows = main->ChildForms().size();
        const DragResult result = dragAndDrop(main->ActiveDocument()->txtText->editor()->viewport(),
                                              data.get(), Qt::MoveAction);
        QCOMPARE(result.dropAction, Qt::IgnoreAction);
        QCOMPARE(main->ChildForms().size(), windows);
        QVERIFY(main->ActiveDocument()->txtText->Text().isEmpty());
        QVERIFY(QFile::exists(path));
    }
};

QTEST_MAIN(DragDropTest)
#include "tst_dragdrop.moc"
