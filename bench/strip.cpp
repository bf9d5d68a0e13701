// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the HTML tag stripper on a large documentation-like page and on inputs made to
// hurt: one huge comment of hyphens and ">", a table of 100,000 rows, rows left open, text
// without a single tag. Prints MB of input (UTF-8 bytes) per second of CPU time, best of a few
// runs: CPU time, because the machines this runs on are often busy with other work, and wall
// time then says more about them than about the stripper.
//
// quillo-cli strip is measured end to end (process start, read, strip, write) on about 52 MB of
// the real documentation pages installed on the machine (bench/doc_pages.py puts them
// together), next to a bare loop that reads the same file in blocks and drops everything
// between "<" and ">", measured in the same run, and with its peak memory against the input's
// size. Without installed pages the generated ones stand in.
//
//   bench_strip [--quick] [--save FILE]   (--save writes the documentation page to FILE)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

namespace {

// One documentation page; `n` varies the numbers so that pages differ a little.
QByteArray docPage(int n) {
    const QByteArray k = QByteArray::number(n);
    QByteArray page;
    page += "<HTML>\n<HEAD>\n<TITLE>Reference manual, section " + k + "</TITLE>\n";
    page += "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\n";
    page +=
        "<STYLE TYPE=\"text/css\">\nbody { font-family: sans-serif; margin: 2em; }\n"
        "pre, code { background: #eee; } td.num { text-align: right; }\n</STYLE>\n";
    page +=
        "<SCRIPT LANGUAGE=\"JavaScript\">\nfunction toggle(id) { var e = "
        "document.getElementById(id); if (e.style.display == 'none') e.style.display = "
        "'block'; else e.style.display = 'none'; return i < 10 && j > 2 - 1; }\n</SCRIPT>\n";
    page += "</HEAD>\n<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">\n";
    page += "<!-- navigation bar -- generated, do not edit -->\n";
    page +=
        "<TABLE WIDTH=\"100%\"><TR><TD><A HREF=\"index.html\">Contents</A></TD><TD><A "
        "HREF=\"s" +
        k + ".html\">Next</A></TD><TD>Index</TD></TR></TABLE>\n";
    page += "<H1>" + k + ". Configuring the editor</H1>\n";
    page +=
        "<P>This section describes the options that control how documents are opened, "
        "edited and saved. Each option is stored per user and takes effect the next time "
        "a document window is created. Options marked with &dagger; need a restart; the "
        "others apply at once.</P>\n";
    page +=
        "<P>The editor keeps its settings in a small store of named text values. Numbers are "
        "written as decimal text, flags as &quot;True&quot; or &quot;False&quot;, and colours "
        "as a single integer (red + 256&nbsp;&times;&nbsp;green + 65536&nbsp;&times;&nbsp;"
        "blue). Missing keys fall back to their defaults &mdash; see <A "
        "HREF=\"#defaults\">the table of defaults</A> below.</P>\n";
    page += "<H2>" + k +
            ".1 Steps</H2>\n<OL>\n<LI>Open the <B>Options</B> dialog from the "
            "<I>View</I> menu.\n<LI>Choose the colours of new documents &amp; their font.\n"
            "<LI>Press <CODE>OK</CODE> to keep the changes, or <CODE>Cancel</CODE>.\n</OL>\n";
    page +=
        "<UL>\n<LI>Fonts larger than 72&nbsp;pt are shown at 72&nbsp;pt.</LI>\n<LI>The "
        "window state is one of &laquo;normal&raquo;, &laquo;minimised&raquo; or "
        "&laquo;maximised&raquo;.</LI>\n<LI>Caf&eacute; na&iuml;ve &copy; 2001&ndash;2026 "
        "&euro;&nbsp;12,50 &#8226; &#x263A;</LI>\n</UL>\n";
    page +=
        "<A NAME=\"defaults\"></A><TABLE BORDER=\"1\" CELLPADDING=\"2\">\n<TR><TH>Key</TH>"
        "<TH>Form</TH><TH>Default</TH></TR>\n";
    for (int r = 0; r < 8; ++r) {
        const QByteArray rk = QByteArray::number(r);
        page += "<TR><TD>Key" + rk + "</TD><TD>number</TD><TD CLASS=\"num\">" +
                QByteArray::number(n * 8 + r) + "</TD></TR>\n";
    }
    page +=
        "<TR><TD>Description</TD><TD COLSPAN=\"2\">A longer cell that holds a whole sentence "
        "of text, so that this row does not fit on one line.</TD></TR>\n</TABLE>\n";
    page += "<PRE>\n  quillo --options\n  quillo-cli strip -o out.txt page.html\n</PRE>\n";
    page += "<FORM><SELECT NAME=\"mode\"><OPTION>Plain<OPTION SELECTED>Rich</SELECT></FORM>\n";
    page += "<P>See also section " + QByteArray::number(n + 1) +
            ".<BR>\nLast changed: 6 "
            "December 2026.<BR>\n</P>\n<HR>\n<ADDRESS>Quillo documentation</ADDRESS>\n";
    page += "</BODY>\n</HTML>\n";
    return page;
}

QByteArray documentation(qsizetype size) {
    QByteArray html;
    html.reserve(size + 8192);
    for (int n = 1; html.size() < size; ++n) html += docPage(n);
    return html;
}

QByteArray hugeComment(qsizetype size) {
    QByteArray html = "<HTML><BODY>Text before the comment <!-- ";
    // Hyphens and ">" everywhere, but never two hyphens right before a ">" (spaces aside).
    const QByteArray filler = "-> x- > -x> -- x> --- x -> ";
    html.reserve(size + filler.size() + 64);
    while (html.size() < size) html += filler;
    html += "-->after";
    return html;
}

QByteArray bigTable(int rows) {
    QByteArray html = "<HTML><BODY><TABLE BORDER=1>\n";
    for (int r = 0; r < rows; ++r) {
        const QByteArray rk = QByteArray::number(r);
        html += "<TR><TD>" + rk + "</TD><TD>Item number " + rk + "</TD><TD>&euro;&nbsp;" + rk +
                ",00</TD></TR>\n";
    }
    html += "</TABLE></BODY></HTML>\n";
    return html;
}

QByteArray openRows(int rows) {
    QByteArray html = "<HTML><BODY><TABLE>\n";
    for (int r = 0; r < rows; ++r) html += "<TR><TD>\n";
    html += "</TABLE></BODY></HTML>\n";
    return html;
}

QByteArray noTags(qsizetype size) {
    QByteArray text;
    const QByteArray line = "Plain words and nothing else, line after line, no markup at all; ";
    text.reserve(size + line.size());
    while (text.size() < size) text += line;
    return text;
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Best CPU time in seconds of `runs` calls.
double best(int runs, const std::function<void()>& work,
            const std::function<double()>& clock = threadCpuSeconds) {
    double fastest = 1e300;
    for (int r = 0; r < runs; ++r) {
        const double start = clock();
        work();
        fastest = std::min(fastest, clock() - start);
    }
    return fastest;
}

// The input being measured, for bench.sh's table.
QByteArray currentInput;

void report(const char* what, qsizetype bytes, double seconds) {
    std::printf("%-50s %8.1f MB  %8.3f s CPU  %8.1f MB/s\n", what, double(bytes) / 1e6, seconds,
                double(bytes) / 1e6 / seconds);
    std::printf("BENCH|%s: %s|%.1f|MB/s (CPU)|\n", currentInput.constData(),
                QByteArray(what).trimmed().constData(), double(bytes) / 1e6 / seconds);
    std::fflush(stdout);
}

void measure(const char* name, const QByteArray& html, int runs) {
    std::printf("\n%s\n", name);
    currentInput = name;
    QString text;
    report("  decode bytes to UTF-16", html.size(),
           best(runs, [&] { HtmlTools::decodeHtmlBytesToBmp(html, text); }));
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    std::size_t(text.size()));
    QByteArray utf8;
    report("  strip, UTF-16 in, UTF-8 out", html.size(),
           best(runs, [&] { HtmlTools::stripToUtf8(units, utf8); }));
    const std::u32string ucs4 = HtmlTools::decodeHtmlBytes(html);
    report("  strip, code points in, UTF-8 out", html.size(),
           best(runs, [&] { HtmlTools::stripToUtf8(ucs4, utf8); }));
    report("  bytes in, UTF-8 out (the command line's work)", html.size(),
           best(runs, [&] { utf8 = HtmlTools::stripBytesToUtf8(html); }));
    report("  StripHTML, QString in and out", html.size(),
           best(runs, [&] { (void)StripHTML(text); }));
    std::printf("  (output %.1f MB)\n", double(utf8.size()) / 1e6);
}

// One run of a child process: CPU seconds (user and system) and its peak resident memory.
struct ChildRun {
    bool ok = false;
    double cpuSeconds = 0;
    double peakMB = 0;
};

// Runs `args` with standard output to /dev/null, measured through wait4. The peak memory comes
// from GNU time, which starts the command from its own small process: a child started from
// this one would count this process's memory as its own peak.
ChildRun runChild(std::vector<QByteArray> args) {
    static const QByteArray kTime = "/usr/bin/time";
    QTemporaryDir dir;
    const QByteArray peakFile = QFile::encodeName(dir.filePath(QStringLiteral("peak")));
    const bool timed = QFile::exists(QString::fromLatin1(kTime));
    if (timed) args.insert(args.begin(), {kTime, "-f", "%M", "-o", peakFile});
    std::vector<char*> argv;
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ChildRun run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            QFile peak(QString::fromLocal8Bit(peakFile));
            if (timed && peak.open(QIODevice::ReadOnly))
                run.peakMB = peak.readAll().trimmed().toDouble() * 1024 / 1e6;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// Best CPU time and the peak memory of `runs` runs; false when a run failed.
bool bestChild(int runs, const std::vector<QByteArray>& args, ChildRun& best) {
    best = ChildRun{};
    best.cpuSeconds = 1e300;
    for (int r = 0; r < runs; ++r) {
        const ChildRun run = runChild(args);
        if (!run.ok) return false;
        best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
        best.peakMB = std::max(best.peakMB, run.peakMB);
    }
    best.ok = true;
    return true;
}

// The reference: read the file in 64 KiB blocks and drop everything between "<" and ">".
double bareLoopSeconds(const QByteArray& path, int runs) {
    std::vector<char> block(1 << 16), out(1 << 16);
    std::size_t kept = 0;
    const double seconds = best(runs, [&] {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        bool inTag = false;
        for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;) {
            char* o = out.data();
            for (ssize_t k = 0; k < n; ++k) {
                const char c = block[std::size_t(k)];
                if (c == '<') inTag = true;
                if (!inTag) *o++ = c;
                if (c == '>') inTag = false;
            }
            kept += std::size_t(o - out.data());
        }
        ::close(fd);
    });
    if (kept == 0) std::printf("  (the bare loop kept nothing)\n");
    return seconds;
}

void row(const char* what, double value, const char* unit, const char* goal = "") {
    std::printf("  %-50s %10.2f %s\n", what, value, unit);
    std::printf("BENCH|%s: %s|%.2f|%s|%s\n", currentInput.constData(), what, value, unit, goal);
    std::fflush(stdout);
}

// quillo-cli strip, end to end, on a file of real pages (or the generated ones).
void measureCli(const QByteArray& generated, int runs, bool quick) {
    const QString cli =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../quillo-cli"));
    if (!QFile::exists(cli)) {
        std::printf("\n(quillo-cli not found next to the benchmarks; skipped)\n");
        return;
    }
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("page.html"));
    const QString out = dir.filePath(QStringLiteral("page.txt"));
    const QString pagesScript = QStringLiteral(QUILLO_SOURCE_DIR "/bench/doc_pages.py");
    const QStringList pagesArgs = {pagesScript, in, QStringLiteral("--size"),
                                   quick ? QStringLiteral("5") : QStringLiteral("52")};
    const bool real = QProcess::execute(QStringLiteral("python3"), pagesArgs) == 0;
    if (!real) {
        QFile file(in);
        if (!file.open(QIODevice::WriteOnly) || file.write(generated) != generated.size()) return;
    }
    const double inputMB = double(QFileInfo(in).size()) / 1e6;
    currentInput = real ? "quillo-cli strip, real documentation pages"
                        : "quillo-cli strip, generated pages (no real ones installed)";
    std::printf("\n%s, %.1f MB\n", currentInput.constData(), inputMB);

    const QByteArray cliPath = QFile::encodeName(cli), inPath = QFile::encodeName(in);
    ChildRun toStdout, toFile;
    if (!bestChild(runs, {cliPath, "strip", inPath}, toStdout) ||
        !bestChild(runs, {cliPath, "strip", "-o", QFile::encodeName(out), inPath}, toFile)) {
        std::printf("BENCH|%s: FAILED|||\n", currentInput.constData());
        return;
    }
    const double bare = bareLoopSeconds(inPath, runs);
    row("strip FILE > /dev/null, end to end", inputMB / toStdout.cpuSeconds, "MB/s (CPU)",
        ">= 300");
    row("strip -o OUT FILE, end to end", inputMB / toFile.cpuSeconds, "MB/s (CPU)");
    row("bare loop: read in blocks, drop <...>", inputMB / bare, "MB/s (CPU)");
    row("strip FILE time / bare loop time", toStdout.cpuSeconds / bare, "x", "<= 5");
    if (toStdout.peakMB > 0) {
        row("strip FILE peak memory / input", toStdout.peakMB / inputMB, "x", "< 1.5");
        row("strip -o peak memory / input", toFile.peakMB / inputMB, "x", "< 1.5");
        std::printf("  (peak memory %.1f MB and %.1f MB)\n", toStdout.peakMB, toFile.peakMB);
    } else {
        std::printf("  (peak memory not measured: /usr/bin/time is missing)\n");
    }
}

// A bare pass that only drops tags, for scale.
void measureBare(const QByteArray& html, int runs) {
    QByteArray out(html.size(), Qt::Uninitialized);
    const double seconds = best(runs, [&] {
        char* o = out.data();
        bool inTag = false;
        for (char c : html) {
            if (c == '<') inTag = true;
            if (!inTag) *o++ = c;
            if (c == '>') inTag = false;
        }
        out.resize(o - out.data());
        out.resize(html.size());
    });
    currentInput = "for scale";
    report("  bare tag-dropping loop over bytes", html.size(), seconds);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int runs = quick ? 1 : 3;
    const qsizetype big = quick ? 5'000'000 : 50'000'000;

    const QByteArray docs = documentation(big);
    const qsizetype save = app.arguments().indexOf(QStringLiteral("--save"));
    if (save > 0 && save + 1 < app.arguments().size()) {
        QFile file(app.arguments().at(save + 1));
        if (!file.open(QIODevice::WriteOnly) || file.write(docs) != docs.size()) return 1;
        return 0;
    }
    measure("Documentation pages", docs, runs);
    measureBare(docs, runs);
    measureCli(docs, runs, quick);
    measure("One huge comment of hyphens and \">\"", hugeComment(big), runs);
    measure("A table of 100,000 rows", bigTable(100'000), runs);
    measure("Rows left open (<TR><TD> x 1,000,000)", openRows(quick ? 100'000 : 1'000'000), runs);
    measure("1 MB without a tag", noTags(1'000'000), runs);
    return 0;
}
