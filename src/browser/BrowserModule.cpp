// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/BrowserModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "browser/WebBrowsers.h"

namespace {
const QLatin1String kFileName("quillo-browser.so");
}  // namespace

BrowserModule::BrowserModule(QStringList folders) : folders_(std::move(folders)) {}

QStringList BrowserModule::defaultFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.path(),
            QDir::cleanPath(program.filePath(QStringLiteral(QUILLO_BROWSER_MODULE_FOLDER)))};
}

WebBrowsers* BrowserModule::load(QString* error) {
    if (browsers_) return browsers_;
    QString path;
    for (const QString& folder : folders_) {
        const QFileInfo candidate(QDir(folder), kFileName);
        if (candidate.exists()) {
            path = candidate.absoluteFilePath();
            break;
        }
    }
    if (path.isEmpty()) {
        QStringList shown;
        for (const QString& folder : folders_) shown << QDir::toNativeSeparators(folder);
        *error = QStringLiteral("%1 is in none of the folders %2.")
                     .arg(kFileName, shown.join(QStringLiteral(", ")));
        return nullptr;
    }
    QPluginLoader loader(path);
    // Every symbol is bound as the module loads: one the program lacks is a failed load with
    // its name, not a crash at the first call. The web engine cannot be unloaded.
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
    QObject* instance = loader.instance();
    if (!instance) {
        *error = loader.errorString();
        return nullptr;
    }
    browsers_ = qobject_cast<WebBrowsers*>(instance);
    if (!browsers_) {
        *error = QStringLiteral("%1 belongs to another version of the program than %2.")
                     .arg(QDir::toNativeSeparators(path), QStringLiteral(QUILLO_VERSION_STRING));
    }
    return browsers_;
}
