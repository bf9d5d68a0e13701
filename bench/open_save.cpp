// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and saving files in the editor's control as a user sees it: generated plain-text files
// of 10 MB, 50 MB and 200 MB and one of 50 million empty lines, loaded into a shown RichTextBox
// that checks spelling in en_US (when installed), timed to the first painted screen, through
// on to Ctrl+End (caret at the end, scrolled there, painted) and back twenty Page Ups; saving them;
// a 5 MB RTF file loaded and saved the same way. Prints the best and the median of several runs,
// with cp and the syncs of each file for comparison with the save, and the memory that a recovery
// copy and a Replace All of a plain text take beyond what the open document holds. Arguments name
// the shapes to run (10mb 50mb 200mb empty rtf; all by default), and "nospell" turns the spell
// check off.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (set it to xcb with a
// DISPLAY to measure a real window).
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "BenchSpelling.h"
#include "PaintWatch.h"
#include "app/RecoveryStore.h"
#include "document/RichTextBox.h"

namespace {

struct Random {
    quint32 state = 2463534242u;
    quint32 next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }
};

const char* const kWords[] = {"the",  "quick",  "brown",     "fox",         "jumps",
                              "over", "lazy",   "dog",       "editor",      "window",
                              "file", "text",   "paragraph", "caf\xc3\xa9", "na\xc3\xafve",
                              "line", "quillo", "meridian",  "open",        "save"};

// Prose-like lines of 40 to 100 characters, LF endings, some non-ASCII words (UTF-8).
QByteArray plainText(qint64 size) {
    Random random;
    QByteArray bytes;
    bytes.reserve(size + 128);
    while (bytes.size() < size) {
        const int lineLength = 40 + random.below(60);
        const qsizetype lineStart = bytes.size();
        while (bytes.size() - lineStart < lineLength) {
            bytes += kWords[random.below(int(std::size(kWords)))];
            bytes += ' ';
        }
        bytes.back() = '\n';
    }
    return bytes;
}

// RTF as a word processor writes it: paragraphs with bold, italic, coloured and resized runs.
QByteArray rtfText(qint64 size) {
    Random random;
    QByteArray bytes =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New "
        "Roman;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n";
    bytes.reserve(size + 256);
    static const char* const kRuns[] = {"{\\b ",      "{\\i ",        "{\\ul ",  "{\\cf1 ",
                                        "{\\cf2\\b ", "{\\f1\\fs32 ", "{\\fs18 "};
    static const char* const kAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    while (bytes.size() < size) {
        bytes += "\\pard";
        bytes += kAlign[random.below(4)];
        bytes += "\\f0\\fs24 ";
        const int words = 10 + random.below(40);
        for (int i = 0; i < words; ++i) {
            const bool run = random.below(6) == 0;
            if (run) bytes += kRuns[random.below(int(std::size(kRuns)))];
            const char* word = kWords[random.below(int(std::size(kWords)))];
            if (qstrcmp(word, "caf\xc3\xa9") == 0) {
                bytes += "caf\\'e9";
            } else if (qstrcmp(word, "na\xc3\xafve") == 0) {
                bytes += "na\\'efve";
            } else {
                bytes += word;
            }
            if (run) bytes += '}';
            bytes += ' ';
        }
        bytes += "\\par\n";
    }
    bytes += '}';
    return bytes;
}

struct Times {
    std::vector<double> painted, pagedUp, atEnd, saved, atEndCpu, copied, recoveryPeak, replacePeak;
};

// The spell check of the documents (see benchSpelling).
SpellService* spelling = nullptr;

bool syncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// What the save is measured against: cp of the file, then syncing it and its folder. The copy
// is a new file, as the save's is: writing over an existing file reuses its pages in the page
// cache, which is several times faster here than taking new ones.
double copyAndSync(const QString& path, const QString& copyPath) {
    QFile::remove(copyPath);
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(QStringLiteral("cp"), {path, copyPath}) != 0 || !syncPath(copyPath) ||
        !syncPath(QFileInfo(copyPath).absolutePath())) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// Processor time of this thread: on a machine shared with other work it shows the cost of the
// code itself, where the wall clock also counts the waits for a processor.
double threadCpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The process's resident memory now, and its peak since the last resetPeakMemory, in MB.
double residentMB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ')[0].toDouble() / 1024;
    }
    return 0;
}
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        std::fprintf(stderr, "cannot reset the peak memory\n");
}

// How much memory `work` takes at its peak beyond what the process held before, in MB.
double peakMemoryOf(const std::function<void()>& work) {
    resetPeakMemory();
    const double before = residentMB("VmRSS:");
    work();
    return residentMB("VmHWM:") - before;
}

// The file being measured, for bench.sh's table.
const char* currentTitle = "";

void printRow(const char* what, std::vector<double> values, const char* goal = "",
              const char* unit = "ms") {
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    std::printf("  %-34s best %8.1f %s   median %8.1f %s\n", what, values.front(), unit,
                values[values.size() / 2], unit);
    std::printf("BENCH|%s: %s|%.1f|%s (median)|%s\n", currentTitle, what, values[values.size() / 2],
                unit, goal);
}

// One open as the user sees it, then one save under a new name.
void openAndSave(const QString& path, int type, const QString& savePath, Times& times) {
    RichTextBox box;
    box.setSpellCheck(spelling);
    box.resize(1000, 700);
    box.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    const double cpuStart = threadCpuMs();
    timer.start();
    QString error;
    if (!box.LoadFile(path, type, &error)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        std::exit(1);
    }
    PaintWatch watch;
    QWidget* viewport = box.editor()->viewport();
    viewport->installEventFilter(&watch);
    waitForPaint(watch, 0, 60000);
    times.painted.push_back(ms(timer));

    // Ctrl+End as typed: the caret goes to the end and the view scrolls to it.
    const int before = watch.paints;
    pressKey(box.editor(), Qt::Key_End, Qt::ControlModifier);
    waitForPaint(watch, before, 60000);
    times.atEnd.push_back(ms(timer));
    times.atEndCpu.push_back(threadCpuMs() - cpuStart);
    if (box.SelStart() != box.TextLength()) {
        std::fprintf(stderr, "Ctrl+End did not reach the end\n");
        std::exit(1);
    }

    // Twenty screens up, each painted: every word on them is checked.
    QElapsedTimer paging;
    paging.start();
    for (int page = 0; page < 20; ++page) {
        const int before = watch.paints;
        pressKey(box.editor(), Qt::Key_PageUp, Qt::NoModifier);
        waitForPaint(watch, before, 60000);
    }
    times.pagedUp.push_back(ms(paging));
    viewport->removeEventFilter(&watch);

    timer.restart();
    if (!box.SaveFile(savePath, type, &error)) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
        std::exit(1);
    }
    times.saved.push_back(ms(timer));
    times.copied.push_back(copyAndSync(path, savePath + QStringLiteral(".cp")));
    if (type != RichTextBox::rtfText) return;

    // What keeping the text against a crash takes, as the recovery store does it.
    times.recoveryPeak.push_back(peakMemoryOf([&] {
        RecoveredDocument copy;
        copy.text = box.textSnapshot();
        if (!RecoveryStore::writeFile(savePath + QStringLiteral(".recovery"), copy)) {
            std::fprintf(stderr, "recovery copy failed\n");
            std::exit(1);
        }
    }));
    // A word in about one in twenty replaced by a longer one (none among empty lines).
    int replaced = 0;
    const double peak = peakMemoryOf(
        [&] { replaced = box.ReplaceAll(QStringLiteral("lazy"), QStringLiteral("sleepy"), 0, 0); });
    if (replaced > 0) times.replacePeak.push_back(peak);
}

void bench(const char* title, const QString& path, int type, const QString& savePath, int runs,
           double goalMs) {
    Times times;
    for (int i = 0; i < runs; ++i) openAndSave(path, type, savePath, times);
    std::printf("%s (%.1f MB)\n", title, double(QFile(path).size()) / (1024 * 1024));
    currentTitle = title;
    const QByteArray goal = goalMs > 0 ? "< " + QByteArray::number(goalMs) : QByteArray();
    printRow("open to first painted screen", times.painted);

    printRow("open to Ctrl+End", times.atEnd, goal.constData());
    printRow("open to Ctrl+End, processor time", times.atEndCpu);
    printRow("then twenty Page Ups", times.pagedUp);
    printRow("save", times.saved);
    printRow("cp and syncs, for comparison", times.copied);
    printRow("recovery copy, memory at its peak", times.recoveryPeak, "", "MB");
    printRow("Replace All, memory at its peak", times.replacePeak, "", "MB");
    if (goalMs > 0) {
        const double median = [&] {
            auto v = times.atEnd;
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        }();
        std::printf("  goal to Ctrl+End %.0f ms: %s\n", goalMs, median < goalMs ? "met" : "MISSED");
    }
    std::fflush(stdout);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    spelling = benchSpelling();
    std::printf("spell check: %s\n", spelling ? "en_US" : "off");
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("10mb.txt"));
    const QString large = dir.filePath(QStringLiteral("50mb.txt"));
    const QString huge = dir.filePath(QStringLiteral("200mb.txt"));
    const QString empty = dir.filePath(QStringLiteral("empty-lines.txt"));
    const QString rtf = dir.filePath(QStringLiteral("5mb.rtf"));
    constexpr qint64 MB = 1024 * 1024;
    QStringList shapes = arguments;
    shapes.removeAll(QStringLiteral("nospell"));
    if (shapes.isEmpty()) shapes = {"10mb", "50mb", "200mb", "empty", "rtf"};
    const auto run = [&](const char* shape, const QString& path, const QByteArray& bytes) {
        if (!shapes.contains(QLatin1String(shape))) return false;
        if (!writeFile(path, bytes)) {
            std::fprintf(stderr, "cannot write the sample file %s\n", qPrintable(path));
            std::exit(1);
        }
        return true;
    };
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    if (run("10mb", small, plainText(10 * MB)))
        bench("plain text 10 MB", small, RichTextBox::rtfText, dir.filePath("10mb-saved.txt"), 5,
              700);
    if (run("50mb", large, plainText(50 * MB)))
        bench("plain text 50 MB", large, RichTextBox::rtfText, dir.filePath("50mb-saved.txt"), 3,
              3500);
    if (run("200mb", huge, shapes.contains("200mb") ? plainText(200 * MB) : QByteArray()))
        bench("plain text 200 MB", huge, RichTextBox::rtfText, dir.filePath("200mb-saved.txt"), 2,
              1000);
    if (run("empty", empty, shapes.contains("empty") ? QByteArray(50000000, '\n') : QByteArray()))
        bench("50 million empty lines", empty, RichTextBox::rtfText,
              dir.filePath("empty-saved.txt"), 2, 1500);
    if (run("rtf", rtf, rtfText(5 * MB)))
        bench("RTF 5 MB", rtf, RichTextBox::rtfRTF, dir.filePath("5mb-saved.rtf"), 3, 0);
    return 0;
}
