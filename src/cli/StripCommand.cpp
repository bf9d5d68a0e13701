// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-cli strip and decode.
#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <string>

#include "Commands.h"
#include "html/core/StripHtml.h"

namespace {

void complain(const QString& message) {
    std::fprintf(stderr, "quillo-cli: %s\n", message.toLocal8Bit().constData());
}

int usageError(const char* usage) {
    std::fprintf(stderr, "Usage: %s\nTry 'quillo-cli --help' for more information.\n", usage);
    return 2;
}

// Reads the whole input: the named file (mapped into memory when it can be) or standard input.
// `storage` keeps the bytes alive when they had to be copied.
bool readInput(bool fromStdin, QFile& file, QByteArray& storage, QByteArrayView& bytes) {
    const bool opened =
        fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) return false;
    if (!fromStdin && file.size() > 0) {
        if (uchar* mapped = file.map(0, file.size())) {
            bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
            return true;
        }
    }
    storage = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    bytes = QByteArrayView(storage);
    return true;
}

bool writeStdout(const QByteArray& bytes) {
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) !=
                                std::size_t(bytes.size()))
        return false;
    return std::fflush(stdout) == 0;
}

}  // namespace

int cliStrip(const QStringList& args) {
    const char usage[] = "quillo-cli strip [-o OUT] [FILE]";
    QString outPath;
    QString inPath;
    bool haveInput = false;
    bool options = true;
    for (qsizetype k = 0; k < args.size(); ++k) {
        const QString& arg = args[k];
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && arg == QLatin1String("-o")) {
            if (++k == args.size() || args[k].isEmpty()) return usageError(usage);
            outPath = args[k];
        } else if (options && arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            complain(QStringLiteral("strip: unknown option '%1'").arg(arg));
            return usageError(usage);
        } else if (!haveInput) {
            inPath = arg;
            haveInput = true;
        } else {
            complain(QStringLiteral("strip: more than one input file"));
            return usageError(usage);
        }
    }

    const bool fromStdin = !haveInput || inPath == QLatin1String("-");
    QFile file;
    if (!fromStdin) file.setFileName(inPath);
    QByteArray storage;
    QByteArrayView bytes;
    if (!readInput(fromStdin, file, storage, bytes)) {
        const QString name = fromStdin ? QStringLiteral("standard input") : inPath;
        complain(QStringLiteral("cannot read '%1': %2").arg(name, file.errorString()));
        return 1;
    }

    const QByteArray result = HtmlTools::stripBytesToUtf8(bytes);
    file.close();

    if (!outPath.isEmpty()) {
        QString error;
        if (!HtmlTools::writeStripOutput(outPath, result, &error)) {
            complain(QStringLiteral("cannot write '%1': %2").arg(outPath, error));
            return 1;
        }
        return 0;
    }
    if (!writeStdout(result)) {
        complain(QStringLiteral("cannot write to standard output"));
        return 1;
    }
    return 0;
}

int cliDecode(const QStringList& args) {
    if (args.size() != 1) return usageError("quillo-cli decode NAME");
    if (!writeStdout(DecodeEntity(args.first()).toUtf8())) {
        complain(QStringLiteral("cannot write to standard output"));
        return 1;
    }
    return 0;
}
