// SPDX-License-Identifier: GPL-3.0-or-later
// The editor as a whole: start-up time, idle wake-ups, resident memory, and the first browser
// window. Runs the real entry procedure in this process on the current platform (offscreen by
// default) with a scratch settings folder. Prints "BENCH|metric|value|unit|goal" lines.
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "PaintWatch.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "browser/BrowserModule.h"
#include "browser/EngineStartup.h"
#include "browser/WebBrowsers.h"
#include "browser/core/BrowserAddresses.h"
#include "common/ChildForm.h"
#include "common/DialogHost.h"
#include "common/core/SettingsStore.h"
#include "document/LinePosition.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

// Answers nothing: the benchmark never asks a question.
class SilentDialogs : public DialogHost {
  public:
    int MsgBox(QWidget*, const QString&, int, const QString&) override {
        return MsgBoxResult::Cancel;
    }
    QString ShowFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    bool ShowPrinter(QWidget*, QPrinter*, const QString&, bool) override { return false; }
    bool ShowFont(QWidget*, FontChoice&) override { return false; }
    QColor ShowColor(QWidget*, const QVector<QColor>&) override { return {}; }
};

void report(const char* metric, double value, const char* unit, const char* goal = "") {
    std::printf("BENCH|%s|%.1f|%s|%s\n", metric, value, unit, goal);
    std::fflush(stdout);
}

// Milliseconds since this process was created, loading of the program and its libraries
// included (to the kernel's clock tick, 10 ms).
double processAgeMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();  // field 22, "starttime"
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Counts timer events delivered anywhere in the program; the text controls' caret blink is
// counted apart, since it only runs while a document has the focus.
class TimerCounter : public QObject {
  public:
    int count = 0;
    int caretBlinks = 0;
    QObject* ignore = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer && watched != ignore) {
            const QByteArray name = watched->metaObject()->className();
            if (name == "PlainTextEdit" || name == "QWidgetTextControl") {
                ++caretBlinks;
                return false;
            }
            ++count;
            if (qEnvironmentVariableIsSet("QUILLO_BENCH_VERBOSE")) {
                std::fprintf(stderr, "timer event for %s %s\n", watched->metaObject()->className(),
                             qPrintable(watched->objectName()));
            }
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    EngineStartup::beforeApplication();
    QApplication app(argc, argv);
    QTemporaryDir settings;
    SettingsStore::setStorageFolder(settings.path());
    SettingsStore::SaveSetting(QStringLiteral("FirstTime"), QStringLiteral("No"));
    SilentDialogs dialogs;
    AppServices services;
    services.dialogs = &dialogs;
    services.programFolder = settings.path();

    std::unique_ptr<frmMain> main(Startup::Main(services));
    waitUntil([&] { return main->windowHandle() && main->windowHandle()->isExposed(); }, 10000);
    report("start-up to the shown main window, from main()", double(sinceStart.elapsed()), "ms");
    report("start-up to the shown main window, from process creation", processAgeMs(), "ms");
    waitUntil([] { return false; }, 300);
    report("resident memory after start-up", residentMegabytes(), "MB", "< 120");

    // Idle: one document open, nothing happening for ten seconds.
    TimerCounter counter;
    app.installEventFilter(&counter);
    QTimer end;
    end.setSingleShot(true);
    counter.ignore = &end;
    QEventLoop idle;
    QObject::connect(&end, &QTimer::timeout, &idle, &QEventLoop::quit);
    end.start(10000);
    idle.exec();
    app.removeEventFilter(&counter);
    report("timer wake-ups of our own in 10 s idle, one document", counter.count, "wake-ups", "0");
    report("caret blinks in those 10 s (the text controls)", counter.caretBlinks, "wake-ups");

    // A 50 MB plain-text file.
    QTemporaryDir scratch;
    const QString big = scratch.filePath(QStringLiteral("big.txt"));
    {
        QFile file(big);
        file.open(QIODevice::WriteOnly);
        const QByteArray line =
            "The quick brown fox jumps over the lazy dog; 0123456789 ABCDEFGHIJ.\n";
        for (qint64 written = 0; written < 50 * 1000 * 1000; written += line.size())
            file.write(line);
    }
    main->ActiveDocument()->txtText->LoadFile(big, RichTextBox::rtfText);
    waitUntil([] { return false; }, 300);
    report("resident memory with a 50 MB plain-text file open", residentMegabytes(), "MB", "< 600");
    {
        // The status bar's line and column, with the caret on the last line of that file.
        RichTextBox* text = main->ActiveDocument()->txtText;
        text->setSelStart(text->TextLength() - 10);
        QElapsedTimer place;
        place.start();
        const qsizetype line = LinePosition::caretPlace(text).line;
        report("line and column of a caret near the end of 50 MB", place.nsecsElapsed() / 1e6,
               line > 1 ? "ms" : "ms (wrong line)", "< 1");
        // And at the end of a line of 10 MB, where every character before the caret counts.
        text->setText(QString(10 * 1000 * 1000, u'x'));
        text->setSelStart(text->TextLength());
        place.start();
        const qsizetype column = LinePosition::caretPlace(text).column;
        report("line and column at the end of a line of 10 MB", place.nsecsElapsed() / 1e6,
               column > 1 ? "ms" : "ms (wrong column)", "< 16");
    }
    // Typing in the middle of 50 million empty lines, as against typing in a 6-byte file: a
    // key costs what the edit costs, whatever the length of the text.
    const auto keyIn = [&](const QByteArray& content, const char* name) {
        const QString path = scratch.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return;
        file.close();
        RichTextBox* text = main->ActiveDocument()->txtText;
        text->LoadFile(path, RichTextBox::rtfText);
        text->setSelStart(text->TextLength() / 2);
        PaintWatch watch;
        text->editor()->viewport()->installEventFilter(&watch);
        waitUntil([] { return false; }, 300);
        std::vector<double> keys;
        for (int i = 0; i < 21; ++i) {
            QElapsedTimer clock;
            clock.start();
            const int before = watch.paints;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            QCoreApplication::sendEvent(text->editor(), &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            QCoreApplication::sendEvent(text->editor(), &release);
            waitForPaint(watch, before, 10000);
            keys.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        text->editor()->viewport()->removeEventFilter(&watch);
        std::sort(keys.begin(), keys.end());
        report(qPrintable(QStringLiteral("a key typed in the middle of %1, to the screen")
                              .arg(QString::fromLatin1(name))),
               keys[keys.size() / 2], "ms (median)", "< 16");
    };
    keyIn(QByteArray(50000000, '\n'), "50 million empty lines");
    keyIn(QByteArray("hello\n"), "a 6-byte file");

    main->ActiveDocument()->txtText->setText(QString());
    main->ActiveDocument()->setTag(QString());

    // The first browser window: the browser module loads and the web engine starts now.
    const QString page = scratch.filePath(QStringLiteral("page.html"));
    {
        QFile file(page);
        file.open(QIODevice::WriteOnly);
        file.write("<html><head><title>Bench</title></head><body><p>Hello</p></body></html>");
    }
    BrowserAddresses addresses = BrowserAddresses::defaults();
    addresses.homePage = QUrl::fromLocalFile(page).toString();
    BrowserAddresses::setCurrent(addresses);
    QElapsedTimer browserTimer;
    browserTimer.start();
    QString error;
    WebBrowsers* browsers = BrowserModule({QStringLiteral(QUILLO_BINARY_DIR)}).load(&error);
    if (!browsers) std::fprintf(stderr, "%s\n", qPrintable(error));
    ChildForm* browser = browsers ? browsers->open(main.get(), addresses.homePage) : nullptr;
    // The window takes the page's title once the page is in.
    const bool ok =
        browser && waitUntil([&] { return browser->Caption() == QLatin1String("Bench"); }, 60000);
    report("first browser window to its page loaded", ok ? double(browserTimer.elapsed()) : -1,
           "ms");
    report("resident memory with a browser window", residentMegabytes(), "MB");
    main->hide();
    return 0;
}
