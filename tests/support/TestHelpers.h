#pragma once

#include <QDir>
#include <QFile>
#include <QRect>
#include <QWidget>

#include "app/ChildForm.h"
#include "app/Twips.h"

// A child window that is not a document: it stands in for a browser window, which carries the
// marker "Web", without starting the web engine.
class FakeBrowser : public ChildForm {
  public:
    FakeBrowser() { setTag(QStringLiteral("Web")); }
};

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The case files of one kind in a folder of tests/data, sorted by name.
inline QStringList testCases(const QString& folder, const QString& pattern) {
    const QDir dir(QStringLiteral(QUILLO_TEST_DATA "/") + folder);
    QStringList paths;
    for (const QString& name : dir.entryList({pattern}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}
