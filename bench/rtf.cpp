// SPDX-License-Identifier: GPL-3.0-or-later
// Load and save of document files: a generated 5 MB RTF file with varied formatting through the
// RTF reader and writer, the editor's formatted-text model of long paragraphs and of many, RTF of
// up to 1.6 million empty paragraphs read into the model, plain
// text of 1, 10 and 50 MB written as RTF, and 10 MB and 50 MB plain-text files through the text
// file codec and the atomic file writer. Prints the best and the median of several runs.
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "document/core/DocumentFileIO.h"
#include "document/core/FormattedText.h"
#include "document/core/InertLayout.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFileCodec.h"

namespace {

double threadCpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wall-clock and processor time: on a machine shared with other work the processor time shows
// the cost of the code itself.
void measure(const char* what, int runs, const std::function<void()>& body) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        body();
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-44s wall best %7.1f median %7.1f ms   cpu best %7.1f ms\n", what, wall.front(),
                wall[wall.size() / 2], cpu.front());
    std::printf("BENCH|%s|%.1f|ms (best wall)|\n", what, wall.front());
    std::fflush(stdout);
}

// Deterministic pseudo-random numbers, so every run measures the same input.
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

const char* const kWords[] = {"the",      "quick",     "brown",    "fox",
                              "jumps",    "over",      "lazy",     "dog",
                              "document", "editor",    "window",   "paragraph",
                              "caf\\'e9", "na\\'efve", "\\u8212?", "\\u1055?\\u1088?",
                              "\\{x\\}",  "a\\tab b"};

// RTF as a word processor writes it: a font and colour table, paragraphs with alignment and
// indents, and a format change every few words.
QByteArray generateRtf(qsizetype targetBytes) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\fswiss\\fcharset0 Arial;}{\\f2\\fmodern\\fcharset0 Courier New;}}\r\n"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\info{\\title Benchmark}}\r\n";
    Random random;
    static const char* const kAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    static const char* const kRun[] = {
        "\\b ",   "\\b0 ",  "\\i ",      "\\i0 ",      "\\ul ",         "\\ulnone ",
        "\\cf1 ", "\\cf2 ", "\\cf0 ",    "\\fs28 ",    "\\fs20 ",       "\\f1 ",
        "\\f2 ",  "\\f0 ",  "\\strike ", "\\strike0 ", "\\highlight3 ", "\\highlight0 "};
    while (rtf.size() < targetBytes) {
        rtf += "\\pard";
        rtf += kAlign[random.below(4)];
        if (random.below(3) == 0) rtf += "\\li720\\fi-360";
        rtf += "\\sa120\\plain\\f0\\fs24 ";
        const int words = 40 + random.below(60);
        for (int w = 0; w < words; ++w) {
            if (random.below(5) == 0) rtf += kRun[random.below(int(std::size(kRun)))];
            if (random.below(25) == 0) {
                rtf += "{\\b\\i grouped words}";
            } else {
                rtf += kWords[random.below(int(std::size(kWords)))];
            }
            rtf += ' ';
        }
        rtf += "\\par\r\n";
    }
    rtf += "}";
    return rtf;
}

// Lines of ordinary text with some non-ASCII letters, as a UTF-8 file holds them.
QString generateText(qsizetype targetChars) {
    static const char* const kTextWords[] = {"the",   "quick", "brown",    "fox",    "jumps",
                                             "over",  "lazy",  "dog",      "café",   "naïve",
                                             "Größe", "€",     "document", "editor", "line"};
    QString text;
    text.reserve(targetChars + 200);
    Random random;
    while (text.size() < targetChars) {
        const int words = 5 + random.below(10);
        for (int w = 0; w < words; ++w) {
            if (w) text += QLatin1Char(' ');
            text += QString::fromUtf8(kTextWords[random.below(int(std::size(kTextWords)))]);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

void benchRtf() {
    const QByteArray rtf = generateRtf(5 * 1000 * 1000);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    std::printf("RTF input: %.1f MB, %d paragraphs, %d characters\n", rtf.size() / 1e6,
                doc.blockCount(), doc.characterCount());
    measure("RTF load 5 MB into the editor's model", 5, [&] {
        FormattedText target;
        RtfReader::read(rtf, &target);
    });
    measure("RTF load 5 MB into a document", 5, [&] {
        QTextDocument target;
        RtfReader::read(rtf, &target);
    });
    QByteArray written;
    FormattedText model = FormattedText::fromDocument(doc);
    TextBuffer text;
    text.setText(model.text);
    measure("RTF save 5 MB from the editor's model", 5,
            [&] { RtfWriter::write(text, model.formats, doc.defaultFont()); });
    measure("RTF save 5 MB document (RtfWriter::write)", 5,
            [&] { written = RtfWriter::write(&doc); });
    std::printf("RTF output: %.1f MB\n", written.size() / 1e6);
    measure("RTF load of our own output", 3, [&] {
        QTextDocument target;
        RtfReader::read(written, &target);
    });
}

void benchText(int megabytes, const QTemporaryDir& dir) {
    const QString text = generateText(qsizetype(megabytes) * 1000 * 1000);
    TextFileFormat lf;
    TextFileFormat crlf;
    crlf.lineEnding = TextFileFormat::LineEnding::CRLF;
    TextFileFormat cp1252;
    cp1252.encoding = TextFileFormat::Encoding::Windows1252;
    cp1252.lineEnding = TextFileFormat::LineEnding::CRLF;
    const QByteArray utf8Lf = TextFileCodec::encode(text, lf).bytes;
    const QByteArray utf8Crlf = TextFileCodec::encode(text, crlf).bytes;
    const QByteArray ansi = TextFileCodec::encode(text, cp1252).bytes;
    const int runs = megabytes > 20 ? 3 : 5;
    const auto label = [&](const char* what) {
        static char buffer[128];
        std::snprintf(buffer, sizeof buffer, "%s %d MB", what, megabytes);
        return buffer;
    };
    std::printf("Plain text: %.1f MB of UTF-8 (%.1f MB with CR LF, %.1f MB Windows-1252)\n",
                utf8Lf.size() / 1e6, utf8Crlf.size() / 1e6, ansi.size() / 1e6);
    measure(label("decode UTF-8 LF"), runs, [&] { TextFileCodec::decode(utf8Lf); });
    measure(label("decode UTF-8 CR LF"), runs, [&] { TextFileCodec::decode(utf8Crlf); });
    measure(label("decode Windows-1252 CR LF"), runs, [&] { TextFileCodec::decode(ansi); });
    measure(label("encode UTF-8 LF"), runs, [&] { TextFileCodec::encode(text, lf); });
    measure(label("encode UTF-8 CR LF"), runs, [&] { TextFileCodec::encode(text, crlf); });
    measure(label("encode Windows-1252 CR LF"), runs, [&] { TextFileCodec::encode(text, cp1252); });

    const QString path = dir.filePath(QStringLiteral("bench.txt"));
    measure(label("write file atomically"), runs,
            [&] { DocumentFileIO::writeFile(path, utf8Crlf, nullptr); });
    measure(label("read file"), runs, [&] {
        QByteArray bytes;
        DocumentFileIO::readFile(path, &bytes, nullptr);
    });
}

// Plain text written as RTF (what converting or saving a plain document as RTF costs), for prose
// lines and for empty lines, whose RTF is eleven times their size: the time should grow with
// the size and no faster.
void benchPlainToRtf() {
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    for (int megabytes : {1, 10, 50}) {
        const qsizetype size = qsizetype(megabytes) * 1000 * 1000;
        const QString prose = generateText(size);
        const QString empty(size, QLatin1Char('\n'));
        char label[96];
        std::snprintf(label, sizeof label, "plain text to RTF, %d MB of lines", megabytes);
        measure(label, megabytes > 10 ? 3 : 5, [&] { RtfWriter::writePlain(prose, font); });
        std::snprintf(label, sizeof label, "plain text to RTF, %d MB of empty lines", megabytes);
        measure(label, megabytes > 10 ? 3 : 5, [&] { RtfWriter::writePlain(empty, font); });
    }
}

// RTF of empty paragraphs read into the editor's model, as a file is opened, up to eight times
// the count of the first: the time should grow with the count and no faster.
void benchManyParagraphs() {
    for (int count : {200000, 500000, 800000, 1600000}) {
        QByteArray rtf = "{\\rtf1\\ansi ";
        rtf.reserve(rtf.size() + 5 * count + 1);
        for (int i = 0; i < count; ++i) rtf += "\\par\n";
        rtf += "}";
        char label[96];
        std::snprintf(label, sizeof label, "RTF load, %d empty paragraphs", count);
        measure(label, 3, [&] {
            FormattedText target;
            RtfReader::read(rtf, &target);
        });
    }
}

// The editor's formatted-text model of a document and back (FormattedText), and RTF written
// from it, for the shapes that are hard on a document: one paragraph of a million characters
// (in one format, and in 25,000 runs) and 800,000 short paragraphs with a format change in each.
// "bench_rtf model [name]" runs these alone, or the shapes whose name holds `name`.
void benchModel(const char* only) {
    QByteArray oneFormat = "{\\rtf1\\ansi ";
    while (oneFormat.size() < 1000 * 1000) oneFormat += "plain words in one long paragraph ";
    QByteArray paragraphs = "{\\rtf1\\ansi ";
    for (int i = 0; i < 800000; ++i) paragraphs += "{\\b bold} words\\par\n";
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const auto fromRtf = [&](const QByteArray& rtf) {
        return [&font, rtf](QTextDocument* doc) {
            doc->setDefaultFont(font);
            RtfReader::read(rtf + "}", doc);
        };
    };
    // The reader keeps a few thousand runs in a paragraph at most; the model has no such limit.
    const auto manyRuns = [&font](QTextDocument* doc) {
        doc->setDefaultFont(font);
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        const QString words = QStringLiteral("forty characters of text in one format ");
        for (int run = 0; run < 25000; ++run)
            cursor.insertText(words, run % 2 ? QTextCharFormat() : bold);
        cursor.endEditBlock();
    };
    const struct {
        const char* name;
        std::function<void(QTextDocument*)> fill;
        const QByteArray* rtf;
    } shapes[] = {{"1 M-char paragraph", fromRtf(oneFormat), &oneFormat},
                  {"1 M chars in 25,000 runs", manyRuns, nullptr},
                  {"800,000 paragraphs", fromRtf(paragraphs), &paragraphs}};
    for (const auto& shape : shapes) {
        if (only && !QByteArray(shape.name).contains(only)) continue;
        QTextDocument doc;
        doc.setDocumentLayout(new InertLayout(&doc));
        doc.setUndoRedoEnabled(false);
        char label[96];
        std::snprintf(label, sizeof label, "fill a document (for reference), %s", shape.name);
        measure(label, 1, [&] { shape.fill(&doc); });
        if (shape.rtf) {
            std::snprintf(label, sizeof label, "RTF read into the model, %s", shape.name);
            measure(label, 3, [&] {
                FormattedText read;
                RtfReader::read(*shape.rtf + "}", &read);
            });
        }
        FormattedText model;
        std::snprintf(label, sizeof label, "fromDocument, %s", shape.name);
        measure(label, 3, [&] { model = FormattedText::fromDocument(doc); });
        TextBuffer text;
        text.setText(model.text);
        std::snprintf(label, sizeof label, "toDocument, %s", shape.name);
        measure(label, 3, [&] {
            QTextDocument into;
            into.setDefaultFont(font);
            FormattedText::toDocument(text, model.formats, 0, text.length(), &into);
        });
        std::snprintf(label, sizeof label, "RTF write from the model, %s", shape.name);
        measure(label, 3, [&] { RtfWriter::write(text, model.formats, font); });
        std::snprintf(label, sizeof label, "RTF write from the document, %s", shape.name);
        measure(label, 3, [&] { RtfWriter::write(&doc); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    if (argc > 1 && qstrcmp(argv[1], "model") == 0) {
        benchModel(argc > 2 ? argv[2] : nullptr);
        return 0;
    }
    benchRtf();
    benchModel(nullptr);
    benchManyParagraphs();
    if (argc > 1 && qstrcmp(argv[1], "paragraphs") == 0) return 0;
    benchPlainToRtf();
    benchText(10, dir);
    benchText(50, dir);
    return 0;
}
