// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdio>

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The same for a file named by its bytes, which need not be UTF-8.
inline QByteArray readNamed(const QByteArray& name) {
    QByteArray bytes;
    if (FILE* f = std::fopen(name.constData(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
        std::fclose(f);
        return bytes;
    }
    return "<unreadable>";
}

inline bool writeNamed(const QByteArray& name, const QByteArray& bytes) {
    FILE* f = std::fopen(name.constData(), "wb");
    if (!f) return false;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) == size_t(bytes.size());
    return std::fclose(f) == 0 && written;
}

// The names in a folder as bytes, sorted; Qt's listings leave out names that are not UTF-8.
inline QList<QByteArray> namesIn(const QByteArray& folder) {
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What lstat says of a file or folder (of a link itself, not what it points to), and its
// permission bits.
inline struct stat statOf(const QString& path) {
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}
inline int modeOf(const QString& path) {
    return int(statOf(path).st_mode & 07777);
}

// In case tables "\xNN" stands for a byte, "\uXXXX" for a character and "\n" for a line break.
inline QByteArray unescapeBytes(QByteArray s) {
    for (qsizetype at = 0; (at = s.indexOf("\\x", at)) >= 0; ++at)
        s.replace(at, 4, QByteArray(1, char(s.mid(at + 2, 2).toInt(nullptr, 16))));
    return s;
}
inline QString unescapeText(QString s) {
    s.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    for (qsizetype at = 0; (at = s.indexOf(QStringLiteral("\\u"), at)) >= 0; ++at)
        s.replace(at, 6, QChar(s.mid(at + 2, 4).toUShort(nullptr, 16)));
    return s;
}

// The rows of a tab-separated case table in tests/data; lines starting with "#" are comments.
inline QList<QStringList> caseTable(const QString& name) {
    QList<QStringList> rows;
    QFile file(QStringLiteral(QUILLO_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly)) return rows;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#')) rows << QString::fromUtf8(line).split(u'\t');
    return rows;
}

// The case files of one kind in a folder of tests/data, sorted by name.
inline QStringList testCases(const QString& folder, const QString& pattern) {
    const QDir dir(QStringLiteral(QUILLO_TEST_DATA "/") + folder);
    QStringList paths;
    for (const QString& name : dir.entryList({pattern}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// One QTest data row "row" per line of a case table, named by its last field; with `unescape`
// the fields go through unescapeText.
inline void addCaseRows(const QString& table, int columns, bool unescape = false) {
    QTest::addColumn<QStringList>("row");
    const QList<QStringList> rows = caseTable(table);
    QVERIFY2(!rows.isEmpty(), qPrintable(table));
    for (QStringList row : rows) {
        QVERIFY2(row.size() == columns, qPrintable(row.join(u'|')));
        if (unescape)
            for (QString& field : row) field = unescapeText(field);
        QTest::newRow(qPrintable(row.last())) << row;
    }
}
