// SPDX-License-Identifier: GPL-3.0-or-later
#include "spell/core/DictionaryCatalog.h"

#include <QDir>
#include <QFileInfo>

QStringList DictionaryCatalog::defaultFolders() {
    return {QStringLiteral("/usr/share/hunspell")};
}

QStringList DictionaryCatalog::installed(const QStringList& folders) {
    QStringList names;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo& aff : dir.entryInfoList({QStringLiteral("*.aff")}, QDir::Files)) {
            if (QFileInfo(dir.filePath(aff.completeBaseName() + QStringLiteral(".dic"))).isFile())
                names.append(aff.completeBaseName());
        }
    }
    names.sort();
    names.removeDuplicates();
    return names;
}

QString DictionaryCatalog::affixFile(const QStringList& folders, const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return QString();
    for (const QString& folder : folders) {
        const QString aff = QDir(folder).filePath(name + QStringLiteral(".aff"));
        if (QFileInfo(aff).isFile() &&
            QFileInfo(QDir(folder).filePath(name + QStringLiteral(".dic"))).isFile())
            return aff;
    }
    return QString();
}

QString DictionaryCatalog::forLocale(const QString& locale, const QStringList& available) {
    if (available.contains(locale)) return locale;
    QString language = locale.section(QLatin1Char('_'), 0, 0);
    if (language == QLatin1String("C") || language == QLatin1String("POSIX")) {
        if (available.contains(QStringLiteral("en_US"))) return QStringLiteral("en_US");
        language = QStringLiteral("en");
    }
    for (const QString& name : available) {
        if (name.section(QLatin1Char('_'), 0, 0) == language) return name;
    }
    return QString();
}
