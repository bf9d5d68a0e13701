// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time tool: writes the program's picture as PNG icons for the desktop, one per size, into
// <folder>/<n>x<n>/apps/quillo.png. The picture comes from the same painting code the editor
// uses, so the installed icons match the window icon exactly.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "common/Logo.h"

int main(int argc, char** argv) {
    // Painting needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fputs("Usage: quillo-make-icons FOLDER SIZE...\n", stderr);
        return 2;
    }
    const QDir root(args.first());
    for (const QString& text : args.mid(1)) {
        bool ok = false;
        const int side = text.toInt(&ok);
        if (!ok || side <= 0) {
            std::fprintf(stderr, "quillo-make-icons: bad size '%s'\n", qPrintable(text));
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        const QString path = root.filePath(folder + QStringLiteral("/quillo.png"));
        if (!root.mkpath(folder) || !Logo::picture(QSize(side, side)).save(path, "PNG")) {
            std::fprintf(stderr, "quillo-make-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
