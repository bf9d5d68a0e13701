// SPDX-License-Identifier: GPL-3.0-or-later
// Files whose shape, not size, makes an editor slow: one long line of a minified web page, one
// long word, an RTF paragraph of many alternating runs, a long run of \u characters with large
// \uc fallbacks, and masses of empty lines or RTF paragraphs; and ordinary RTF paragraphs and
// text lines beside them. Each is opened in a shown
// RichTextBox as a user opens it (to the first painted screen, then Ctrl+End), then typed into at
// the end, and converted by quillo-cli (the box checks spelling in en_US unless "nospell" is
// among the arguments); every shape runs in a child process of its own so that
// its peak memory is its own and a shape that hangs cannot stop the others.
//
//   bench_longlines                 all shapes, a table for bench.sh
//   bench_longlines SHAPE [BYTES]   one shape in this process (for a profiler)
//   ... nospell                     either, without the spell check
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
#include <functional>
#include <vector>

#include "BenchSpelling.h"
#include "PaintWatch.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"

namespace {

constexpr qint64 kKB = 1024;
constexpr qint64 kMB = 1024 * 1024;
constexpr int kChildLimitMs = 180000;

struct Shape {
    const char* name;
    const char* file;  // the extension decides plain text or RTF
    qint64 bytes;
    QByteArray (*make)(qint64 bytes);
};

// A minified page: tags and words separated by single spaces, no line break anywhere.
QByteArray minifiedPage(qint64 size) {
    static const char* const kTokens[] = {
        "<div class=\"nav\">",        "<a href=\"/x\">", "home", "</a>",    "var",
        "x=function(a){return a+1};", "<span>",          "text", "</span>", "</div>"};
    QByteArray bytes;
    bytes.reserve(size + 64);
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += kTokens[(i * 7) % int(std::size(kTokens))];
        bytes += ' ';
    }
    bytes.truncate(size);
    return bytes;
}

// One word with no place to break a line: a hexadecimal blob, say.
QByteArray oneWord(qint64 size) {
    static const char kDigits[] = "0123456789abcdef";
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) bytes[i] = kDigits[(i * 7 + i / 16) % 16];
    return bytes;
}

// One RTF paragraph of alternating bold and italic runs, with no space between them: to the line
// breaker, one long word.
QByteArray rtfRuns(qint64 size) {
    QByteArray bytes = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard ";
    for (int i = 0; bytes.size() < size; ++i) bytes += i % 2 ? "{\\b bold}" : "{\\i ital}";
    bytes += "\\par}";
    return bytes;
}

// \uc255 and then nothing but \u characters, each claiming 255 fallback bytes.
QByteArray rtfUnicode(qint64 size) {
    QByteArray bytes = "{\\rtf1\\ansi\\uc255 ";
    while (bytes.size() < size) bytes += "\\u65 ";
    bytes += "}";
    return bytes;
}

QByteArray blankLines(qint64 size) {
    return QByteArray(size, '\n');
}

QByteArray rtfParagraphs(qint64 size) {
    QByteArray bytes = "{\\rtf1\\ansi ";
    while (bytes.size() < size) bytes += "\\par\n";
    bytes += "}";
    return bytes;
}

// Ordinary formatted paragraphs, a bold phrase in each, for comparison with the shapes above.
QByteArray rtfProse(qint64 size) {
    QByteArray bytes = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard ";
    while (bytes.size() < size)
        bytes += "Ordinary words of a paragraph, with {\\b one bold} phrase and more text.\\par\n";
    bytes += "}";
    return bytes;
}

// Ordinary prose lines, for comparison with the shapes above.
QByteArray proseLines(qint64 size) {
    QByteArray bytes = minifiedPage(size);
    for (qint64 i = 70; i < bytes.size(); i += 71) bytes[i] = '\n';
    return bytes;
}

const Shape kShapes[] = {
    {"minified page 2 MB (one line)", "page.html", 2 * kMB, minifiedPage},
    {"minified page 10 MB (one line)", "page10.html", 10 * kMB, minifiedPage},
    {"one word 400 KB", "word.txt", 400 * kKB, oneWord},
    {"one word 10 MB", "word10.txt", 10 * kMB, oneWord},
    {"RTF paragraph of 25,000 runs", "runs.rtf", 250 * kKB, rtfRuns},
    {"RTF paragraph of 300 KB runs", "runs300.rtf", 300 * kKB, rtfRuns},
    {"RTF \\uc255 and 1,000,000 \\u65", "unicode.rtf", 5 * 1000 * 1000, rtfUnicode},
    {"blank lines 1 MB", "blank.txt", 1 * kMB, blankLines},
    {"RTF \\par 1 MB", "pars.rtf", 1 * kMB, rtfParagraphs},
    {"RTF paragraphs 10 MB", "prose.rtf", 10 * kMB, rtfProse},
    {"text lines 10 MB", "lines.txt", 10 * kMB, proseLines},
    {"text lines 50 MB", "lines50.txt", 50 * kMB, proseLines},
};

void row(const char* shape, const char* what, double value, const char* unit,
         const char* goal = "") {
    std::printf("BENCH|%s: %s|%.1f|%s|%s\n", shape, what, value, unit, goal);
    std::fflush(stdout);
}

// One shape, in this process: open, Ctrl+End, typing, then the memory it took.
int runShape(const Shape& shape, qint64 bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(shape.file));
    {
        QFile file(path);
        const QByteArray data = shape.make(bytes);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return 1;
    }
    RichTextBox box;
    box.setSpellCheck(benchSpelling());
    box.resize(1000, 700);
    box.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!box.LoadFile(path, FileCommands::OpenFileType(path), &error)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        return 1;
    }
    const double loaded = ms(timer);
    PaintWatch watch;
    QWidget* viewport = box.editor()->viewport();
    viewport->installEventFilter(&watch);
    waitForPaint(watch, 0, kChildLimitMs);
    const double painted = ms(timer);
    pressKey(box.editor(), Qt::Key_End, Qt::ControlModifier, QString());
    waitForPaint(watch, watch.paints, kChildLimitMs);
    const double atEnd = ms(timer);

    // Keys, each until it is on the screen: typing at the end, typing in the middle of the text
    // (inside the line, for one-line shapes), selecting downwards from there.
    const auto medianOf = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        return medianKeyMs(watch, box.editor(), key, modifiers, text, kChildLimitMs);
    };
    const double typedAtEnd = medianOf(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    box.setSelStart(box.TextLength() / 2);
    const double typedInMiddle = medianOf(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    const double selecting = medianOf(Qt::Key_Down, Qt::ShiftModifier, QString());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    row(shape.name, "load", loaded, "ms");
    row(shape.name, "open to first painted screen", painted, "ms", "< 2000");
    row(shape.name, "open to Ctrl+End", atEnd, "ms", "< 2000");
    row(shape.name, "typing at the end, a key", typedAtEnd, "ms (median)", "< 16");
    row(shape.name, "typing in the middle, a key", typedInMiddle, "ms (median)", "< 16");
    row(shape.name, "selecting a row down (Shift+Down)", selecting, "ms (median)", "< 16");
    row(shape.name, "peak memory", double(usage.ru_maxrss) / 1024, "MB");
    return 0;
}

// quillo-cli convert of the shape to the other kind of file.
void timeConvert(const Shape& shape, const QString& cli, const QTemporaryDir& dir) {
    const QString in = dir.filePath(QString::fromLatin1(shape.file));
    QFile file(in);
    const QByteArray data = shape.make(shape.bytes);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return;
    file.close();
    const bool rtf = FileCommands::OpenFileType(in) == RichTextBox::rtfRTF;
    const QString out = dir.filePath(rtf ? QStringLiteral("out.txt") : QStringLiteral("out.rtf"));
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(cli, {QStringLiteral("convert"), in, out});
    const bool done = process.waitForFinished(kChildLimitMs);
    if (!done) {
        process.kill();
        process.waitForFinished();
        row(shape.name, "convert: GAVE UP", double(kChildLimitMs), "ms");
        return;
    }
    row(shape.name, process.exitCode() == 0 ? "convert" : "convert: FAILED", ms(timer), "ms");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // "nospell", anywhere, is for benchSpelling and the children; the rest name a shape.
    const bool noSpell = std::find_if(argv + 1, argv + argc, [](const char* a) {
                             return std::strcmp(a, "nospell") == 0;
                         }) != argv + argc;
    if (argc - noSpell >= 2) {
        QApplication app(argc, argv);
        for (const Shape& shape : kShapes) {
            if (std::strcmp(argv[1], shape.file) != 0) continue;
            return runShape(shape, argc - noSpell >= 3 && std::strcmp(argv[2], "nospell") != 0
                                       ? QByteArray(argv[2]).toLongLong()
                                       : shape.bytes);
        }
        std::fprintf(stderr, "unknown shape; the shapes are:\n");
        for (const Shape& shape : kShapes) std::fprintf(stderr, "  %s\n", shape.file);
        return 2;
    }

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../quillo-cli");
    QTemporaryDir dir;
    for (const Shape& shape : kShapes) {
        std::printf("%s (%.1f MB)\n", shape.name, double(shape.bytes) / kMB);
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList arguments{QString::fromLatin1(shape.file)};
        if (noSpell) arguments << QStringLiteral("nospell");
        child.start(self, arguments);
        if (!child.waitForFinished(kChildLimitMs)) {
            child.kill();
            child.waitForFinished();
            row(shape.name, "open: GAVE UP after", double(kChildLimitMs), "ms");
        } else if (child.exitCode() != 0) {
            row(shape.name, "open: FAILED", 0, "");
        }
        if (QFile::exists(cli)) timeConvert(shape, cli, dir);
    }
    return 0;
}
