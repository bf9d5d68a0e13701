// SPDX-License-Identifier: GPL-3.0-or-later
// Formatted text of the shapes that make a layout slow: one paragraph of a million characters in
// one format, the same in 25,000 runs of two alternating formats, and a megabyte of short
// paragraphs in many formats. Each is opened as an RTF file in the text control; then a key
// typed at the end and in the middle, Down and Up, and a repaint of the whole window, each until
// it is on the screen. Every shape runs in a child process of its own, so that its peak memory
// is its own.
//
//   bench_formatted          all shapes, a table for bench.sh
//   bench_formatted SHAPE    one of them in this process (for a profiler)
#include <sys/resource.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "PaintWatch.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"

namespace {

constexpr qint64 kChildLimitMs = 300000;

// A character format: bold, italic, the serif font, a size in points (0: none), a colour.
struct Look {
    bool bold = false, italic = false, serif = false;
    int points = 0;
    int colour = 0;  // 0: none; 1: red; 2: blue
};
// A paragraph format: alignment (l, c, r, j), indents and spaces in twips.
struct Layout {
    char align = 'l';
    int left = 0, firstLine = 0, before = 0, after = 0;
};

// A formatted text as paragraphs of runs, written as RTF.
struct Text {
    struct Run {
        QString text;
        Look look;
    };
    struct Paragraph {
        Layout layout;
        std::vector<Run> runs;
    };
    std::vector<Paragraph> paragraphs;
};

QString words(qint64 size, int seed) {
    static const char* const kWords[] = {"the",  "quick", "brown", "fox",  "jumps",   "over",
                                         "lazy", "dog",   "while", "tall", "wizards", "vex"};
    QString text;
    text.reserve(size + 16);
    for (int i = seed; text.size() < size; i = i * 7 + 3) {
        text += QLatin1String(kWords[unsigned(i) % std::size(kWords)]);
        text += u' ';
        i %= 100003;
    }
    text.truncate(size);
    return text;
}

Text oneFormat() {
    Look look;
    look.serif = true;
    look.points = 12;
    return {{{{'j', 360, 720, 0, 0}, {{words(1000 * 1000, 1), look}}}}};
}

Text manyRuns() {
    Text text{{{{'l', 0, 0, 0, 0}, {}}}};
    const QString all = words(1000 * 1000, 2);
    Look bold, italic;
    bold.bold = true;
    italic.italic = true;
    italic.points = 14;
    for (qsizetype at = 0; at < all.size(); at += 40)
        text.paragraphs[0].runs.push_back({all.mid(at, 40), at / 40 % 2 ? italic : bold});
    return text;
}

Text paragraphs() {
    Text text;
    qint64 size = 0;
    for (int i = 0; size < 1024 * 1024; ++i) {
        const Layout layouts[] = {
            {'l', 0, 0, 0, 120}, {'c', 720, 0, 240, 0}, {'j', 360, 480, 0, 60}, {'r', 0, 0, 0, 0}};
        Text::Paragraph paragraph{layouts[i % 4], {}};
        for (int run = 0; run < 4; ++run) {
            Look look;
            look.bold = run == 1;
            look.points = run == 2 ? 18 : 0;
            look.colour = run == 3 ? 1 + i % 2 : 0;
            paragraph.runs.push_back({words(20 + (i * 13 + run * 7) % 60, i + run), look});
            size += paragraph.runs.back().text.size();
        }
        text.paragraphs.push_back(std::move(paragraph));
    }
    return text;
}

QByteArray rtf(const Text& text) {
    QByteArray out =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}"
        "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue200;}\n";
    for (const Text::Paragraph& paragraph : text.paragraphs) {
        const Layout& l = paragraph.layout;
        out += "\\pard\\q" + QByteArray(1, l.align) + "\\li" + QByteArray::number(l.left) + "\\fi" +
               QByteArray::number(l.firstLine) + "\\sb" + QByteArray::number(l.before) + "\\sa" +
               QByteArray::number(l.after) + ' ';
        for (const Text::Run& run : paragraph.runs) {
            out += '{';
            if (run.look.bold) out += "\\b";
            if (run.look.italic) out += "\\i";
            if (run.look.serif) out += "\\f1";
            if (run.look.points) out += "\\fs" + QByteArray::number(run.look.points * 2);
            if (run.look.colour) out += "\\cf" + QByteArray::number(run.look.colour);
            out += ' ' + run.text.toLatin1() + '}';
        }
        out += "\\par\n";
    }
    return out + '}';
}

struct Shape {
    const char* name;
    const char* key;
    Text (*make)();
};

const Shape kShapes[] = {
    {"paragraph of 1 M characters, one format", "one", oneFormat},
    {"paragraph of 1 M characters, 25,000 runs", "runs", manyRuns},
    {"1 MB of formatted paragraphs", "paragraphs", paragraphs},
};

void row(const char* shape, const char* what, double value, const char* unit,
         const char* goal = "") {
    std::printf("BENCH|%s: %s|%.1f|%s|%s\n", shape, what, value, unit, goal);
    std::fflush(stdout);
}

int runShape(const Shape& shape) {
    const Text text = shape.make();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shape.rtf"));
    {
        QFile file(path);
        const QByteArray data = rtf(text);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return 1;
    }
    RichTextBox box;
    box.resize(1000, 700);
    box.show();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!box.LoadFile(path, RichTextBox::rtfRTF, &error)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        return 1;
    }
    QAbstractScrollArea* editor = box.editor();
    PaintWatch watch;
    QWidget* viewport = editor->viewport();
    viewport->installEventFilter(&watch);
    waitForPaint(watch, 0, kChildLimitMs);
    const double painted = ms(timer);

    const auto medianOf = [&](int key, Qt::KeyboardModifiers modifiers, const QString& typed) {
        return medianKeyMs(watch, editor, key, modifiers, typed, kChildLimitMs);
    };
    pressKey(editor, Qt::Key_End, Qt::ControlModifier, QString());
    waitForPaint(watch, watch.paints, kChildLimitMs);
    const double typedAtEnd = medianOf(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    box.setSelStart(box.TextLength() / 2);
    QCoreApplication::processEvents();
    const double typedInMiddle = medianOf(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    const double down = medianOf(Qt::Key_Down, Qt::NoModifier, QString());
    const double up = medianOf(Qt::Key_Up, Qt::NoModifier, QString());
    std::vector<double> paints;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer clock;
        clock.start();
        viewport->repaint();
        paints.push_back(ms(clock));
    }
    std::sort(paints.begin(), paints.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    row(shape.name, "open to first painted screen", painted, "ms");
    row(shape.name, "typing at the end, a key", typedAtEnd, "ms (median)", "< 16");
    row(shape.name, "typing in the middle, a key", typedInMiddle, "ms (median)", "< 16");
    row(shape.name, "Down", down, "ms (median)", "< 16");
    row(shape.name, "Up", up, "ms (median)", "< 16");
    row(shape.name, "repainting the window", paints[paints.size() / 2], "ms (median)", "< 16");
    row(shape.name, "peak memory", double(usage.ru_maxrss) / 1024, "MB");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2) {
        QApplication app(argc, argv);
        for (const Shape& shape : kShapes) {
            if (std::strcmp(argv[1], shape.key) == 0) return runShape(shape);
        }
        std::fprintf(stderr, "unknown shape; the shapes are:\n");
        for (const Shape& shape : kShapes) std::fprintf(stderr, "  %s\n", shape.key);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    for (const Shape& shape : kShapes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(self, {QString::fromLatin1(shape.key)});
        if (!child.waitForFinished(int(kChildLimitMs))) {
            child.kill();
            child.waitForFinished();
            row(shape.name, "GAVE UP after", double(kChildLimitMs), "ms");
        } else if (child.exitCode() != 0) {
            row(shape.name, "FAILED", 0, "");
        }
    }
    return 0;
}
