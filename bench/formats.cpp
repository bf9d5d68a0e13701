// SPDX-License-Identifier: GPL-3.0-or-later
// What formats cost the plain-text editor's edits: keys typed, Replace All and its undo in a text
// of a million characters in 25,000 runs, beside the same text without formats; and Replace All
// of three million places in a text of 25,000 runs, which must stay linear. The editor is not
// shown: the figures are the edit's own, without painting. Processor time of this thread.
#include <QApplication>
#include <cstdio>
#include <ctime>
#include <functional>

#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"

namespace {

constexpr qsizetype kRuns = 25000;

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double measure(const std::function<void()>& work) {
    const double start = cpuMs();
    work();
    return cpuMs() - start;
}

// `text` in kRuns runs of four formats in turn, and a paragraph format for every line.
TextFormats formatsOf(const QString& text) {
    TextFormats formats;
    int ids[4];
    for (int i = 0; i < 4; ++i) {
        QTextCharFormat format;
        format.setFontPointSize(10 + i);
        ids[i] = formats.internChar(format);
    }
    const qsizetype lines = text.count(u'\n') + 1;
    formats.reset(text.size(), lines);
    const qsizetype run = text.size() / kRuns;
    for (qsizetype i = 0; i < kRuns; ++i)
        formats.appendCharFormat(i * run, i + 1 < kRuns ? (i + 1) * run : text.size(), ids[i % 4]);
    QTextBlockFormat indented;
    indented.setIndent(1);
    const int block = formats.internBlock(indented);
    for (qsizetype line = 0; line < lines; line += 2) formats.setBlockFormat(line, block);
    return formats;
}

void load(PlainTextEdit& edit, const QString& text, bool formatted) {
    if (formatted) {
        edit.loadFormatted(text, formatsOf(text));
    } else {
        edit.load(text);
    }
}

void report(const char* what, bool formatted, double ms, const char* unit) {
    std::printf("BENCH|%s, %s|%.3f|%s|\n", what, formatted ? "formatted" : "plain", ms, unit);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // A million characters in lines of 400.
    QString text;
    const QString sentence = QStringLiteral("the quick brown fox jumps over the lazy dog ");
    while (text.size() < 1000000) {
        QString line = sentence.repeated(10).left(399);
        text += line + u'\n';
    }
    std::vector<qsizetype> places;  // every "o"
    for (qsizetype at = text.indexOf(u'o'); at >= 0; at = text.indexOf(u'o', at + 1))
        places.push_back(at);

    for (const bool formatted : {false, true}) {
        PlainTextEdit edit;
        load(edit, text, formatted);
        constexpr int kKeys = 2000;
        const qsizetype middle = text.size() / 2;
        const double typing = measure([&] {
            for (int i = 0; i < kKeys; ++i)
                edit.replace(middle + i, 0, QStringLiteral("x"), RichTextBox::UndoTyping);
        });
        report("a key typed in 1 M characters (mean)", formatted, typing / kKeys, "ms");
        const double deleting = measure([&] {
            for (int i = kKeys; i > 0; --i)
                edit.replace(middle + i - 1, 1, QString(), RichTextBox::UndoDelete);
        });
        report("Backspace in 1 M characters (mean)", formatted, deleting / kKeys, "ms");

        load(edit, text, formatted);
        const double all = measure(
            [&] { edit.replaceAll(places, 1, QStringLiteral("0"), RichTextBox::UndoUnknown); });
        char what[96];
        std::snprintf(what, sizeof what, "Replace All of %zu places in 1 M characters",
                      places.size());
        report(what, formatted, all, "ms");
        report("its undo", formatted, measure([&] { edit.undo(); }), "ms");
    }

    // Every character of three million replaced, across 25,000 runs.
    const QString many(3000000, u'a');
    std::vector<qsizetype> every(size_t(many.size()));
    for (size_t i = 0; i < every.size(); ++i) every[i] = qsizetype(i);
    for (const bool formatted : {false, true}) {
        PlainTextEdit edit;
        load(edit, many, formatted);
        report("Replace All of 3 M places", formatted, measure([&] {
                   edit.replaceAll(every, 1, QStringLiteral("b"), RichTextBox::UndoUnknown);
               }),
               "ms");
        report("its undo", formatted, measure([&] { edit.undo(); }), "ms");
    }
    return 0;
}
