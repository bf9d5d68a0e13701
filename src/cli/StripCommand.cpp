// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-cli strip and decode.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "Commands.h"
#include "common/core/NativeName.h"
#include "html/core/StripHtml.h"

namespace {

void complain(const QString& message) {
    std::fprintf(stderr, "quillo-cli: %s\n", NativeName::encode(message).constData());
}

int usageError(const char* usage) {
    std::fprintf(stderr, "Usage: %s\nTry 'quillo-cli --help' for more information.\n", usage);
    return 2;
}

// The whole input: the named file, mapped into memory when it can be, or standard input.
class Input {
  public:
    // Standard input, or the file `path` (by its bytes, so that any name opens).
    bool open(bool fromStdin, const QString& path) {
        if (fromStdin) {
            if (!file.open(stdin, QIODevice::ReadOnly)) return fail(file.errorString());
        } else {
            const int fd = ::open(NativeName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
            struct stat st;
            if (fd < 0 || ::fstat(fd, &st) != 0) return fail(qt_error_string(errno), fd);
            if (S_ISDIR(st.st_mode)) return fail(qt_error_string(EISDIR), fd);
            if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                return fail(file.errorString(), fd);
        }
        if (!fromStdin && file.size() > 0) {
            if (uchar* mapped = file.map(0, file.size())) {
                bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
                mapped_ = true;
                return true;
            }
        }
        storage_ = file.readAll();
        if (file.error() != QFileDevice::NoError) return fail(file.errorString());
        bytes = QByteArrayView(storage_);
        return true;
    }

    // A pass over the input has read up to `fraction` of it: the mapped pages before that go
    // back to the system (a pass that reads them again gets them from the file), so a large
    // input never counts whole against the memory in use. A fraction below the last one
    // starts a new pass.
    void readUpTo(double fraction) {
        if (!mapped_) return;
        static const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
        const std::size_t at = std::size_t(fraction * double(bytes.size()));
        const std::size_t end = at > kKeep ? (at - kKeep) / page * page : 0;
        const std::size_t begin = end >= released_ ? released_ : 0;
        if (end > begin)
            ::madvise(const_cast<char*>(bytes.data()) + begin, end - begin, MADV_DONTNEED);
        released_ = end;
    }

    QFile file;
    QByteArrayView bytes;
    QString error;

  private:
    bool fail(const QString& reason, int fd = -1) {
        if (fd >= 0 && !file.isOpen()) ::close(fd);
        error = reason;
        return false;
    }

    // Kept behind the reading position.
    static constexpr std::size_t kKeep = std::size_t(1) << 16;

    QByteArray storage_;
    bool mapped_ = false;
    std::size_t released_ = 0;
};

bool writeStdout(QByteArrayView bytes) {
    return bytes.isEmpty() || std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout) ==
                                  std::size_t(bytes.size());
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
    Input input;
    if (!input.open(fromStdin, inPath)) {
        const QString name = fromStdin ? QStringLiteral("standard input") : inPath;
        complain(QStringLiteral("cannot read '%1': %2").arg(name, input.error));
        return 1;
    }

    const StripProgress readUpTo = [&input](double fraction) {
        input.readUpTo(fraction);
        return true;
    };
    const HtmlTools::PageBytes page = HtmlTools::pageBytes(input.bytes, readUpTo);

    if (!outPath.isEmpty()) {
        // The output file is replaced whole, so the result is held until the end.
        QByteArray result;
        HtmlTools::stripToUtf8(page, result, readUpTo);
        input.file.close();
        QString error;
        if (!HtmlTools::writeStripOutput(outPath, std::move(result), &error)) {
            complain(QStringLiteral("cannot write '%1': %2").arg(outPath, error));
            return 1;
        }
        return 0;
    }
    // Standard output takes the result piece by piece as the strip goes.
    const bool written = HtmlTools::stripToUtf8(page, writeStdout, readUpTo);
    if (!written || std::fflush(stdout) != 0) {
        complain(QStringLiteral("cannot write to standard output"));
        return 1;
    }
    return 0;
}

int cliDecode(const QStringList& args) {
    if (args.size() != 1) return usageError("quillo-cli decode NAME");
    if (!writeStdout(DecodeEntity(args.first()).toUtf8()) || std::fflush(stdout) != 0) {
        complain(QStringLiteral("cannot write to standard output"));
        return 1;
    }
    return 0;
}
