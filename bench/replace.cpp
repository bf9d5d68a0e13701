// SPDX-License-Identifier: GPL-3.0-or-later
// Replace-all on a large document: 100,000 replacements in a 10 MB text, in a shown editor.
// Prints the time of each run; the aim is well under one second per run.
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <cstdio>
#include <ctime>

#include "document/RichTextBox.h"

namespace {

constexpr int kLines = 100000;
constexpr int kLineLength = 100;  // characters, line break included: 10 MB in all

// Each line holds the word once, with other words around it that only partly match.
QString makeText() {
    const QString line = QStringLiteral(
        "The needles of the pine tree; one needle here, and some haystack filler text. ");
    QString text;
    text.reserve(kLines * kLineLength);
    for (int i = 0; i < kLines; ++i) {
        QString row = line;
        row.resize(kLineLength - 1, QLatin1Char('.'));
        text += row;
        text += QLatin1Char('\n');
    }
    return text;
}

double timeMs(QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// Processor time of this thread: unlike the wall clock, not inflated by other busy processes.
double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString text = makeText();
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    box.setText(text);
    QApplication::processEvents();
    std::printf("document: %lld characters\n", static_cast<long long>(box.TextLength()));

    struct Run {
        const char* name;
        QString what;
        QString with;
        int options;
        int expected;
    };
    const Run runs[] = {
        {"whole word, any case (2), shorter", QStringLiteral("NEEDLE"), QStringLiteral("pin"), 2,
         kLines},
        {"whole word, match case (6), longer", QStringLiteral("pin"), QStringLiteral("needle"), 6,
         kLines},
        {"no options (0), same length", QStringLiteral("needle"), QStringLiteral("thread"), 0,
         2 * kLines},
    };
    for (const Run& run : runs) {
        box.setSelStart(0);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        const int count = box.ReplaceAll(run.what, run.with, 0, run.options);
        const double replaceMs = timeMs(timer);
        const double replaceCpuMs = cpuMs() - cpuStart;
        timer.restart();
        QApplication::processEvents();
        std::printf("%-36s %7d replacements  %7.1f ms (cpu %7.1f ms) + %.1f ms pending events\n",
                    run.name, count, replaceMs, replaceCpuMs, timeMs(timer));
        std::printf("BENCH|replace-all, %s: %d replacements in 10 MB|%.1f|ms|< 1000\n", run.name,
                    count, replaceMs + timeMs(timer));
        if (count != run.expected) {
            std::fprintf(stderr, "unexpected count %d\n", count);
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    box.Undo();
    const double undoMs = timeMs(timer);
    std::printf("%-36s %7.1f ms (cpu %7.1f ms)\n", "undo of the last run", undoMs,
                cpuMs() - cpuStart);
    std::printf("BENCH|undo of a replace-all|%.1f|ms|\n", undoMs);

    // Find Next through the document, as F3 pressed again and again does: each search starts
    // after the previous match, with a key typed between searches now and then.
    box.setSelStart(0);
    timer.restart();
    constexpr int kFinds = 2000;
    for (int i = 0; i < kFinds; ++i) {
        if (box.Find(QStringLiteral("haystack"), box.SelStart() + box.SelLength()) < 0) return 1;
        if (i % 100 == 99) box.setSelText(QStringLiteral("haystack"));
    }
    std::printf("BENCH|Find Next in 10 MB, a search|%.3f|ms (mean)|< 16\n", timeMs(timer) / kFinds);
    return 0;
}
