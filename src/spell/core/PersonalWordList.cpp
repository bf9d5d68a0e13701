// SPDX-License-Identifier: GPL-3.0-or-later
#include "spell/core/PersonalWordList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "common/core/AtomicFileWriter.h"

namespace {

// A line is a word when it decodes cleanly and is of a word's length.
bool isWordLine(const QString& line) {
    return !line.isEmpty() && line.size() <= 100 && !line.contains(QChar::ReplacementCharacter);
}

}  // namespace

void PersonalWordList::load() {
    words_.clear();
    order_.clear();
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.read(kMaxBytes);
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString line = QString(utf8.decode(raw)).trimmed();
        if (utf8.hasError() || !isWordLine(line) || words_.contains(line)) continue;
        words_.insert(line);
        order_.append(line);
    }
}

bool PersonalWordList::add(const QString& word, QString* error) {
    if (!isWordLine(word) || word.contains(QLatin1Char('\n'))) return true;
    if (words_.contains(word)) return true;
    words_.insert(word);
    order_.append(word);
    if (path_.isEmpty()) return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    AtomicFileWriter writer(path_);
    if (writer.write((order_.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())) return true;
    if (error) *error = writer.errorString();
    return false;
}
