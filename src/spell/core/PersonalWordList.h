// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

// The words the user added to the dictionary: a UTF-8 file with one word a line, read once and
// written whole and atomically at each addition. A damaged file costs only its bad lines, and
// of a huge one only the start is read, so it never stops the editor.
class PersonalWordList {
  public:
    explicit PersonalWordList(QString path) : path_(std::move(path)) {}

    // Reads the file; a missing one, or none, is an empty list.
    void load();
    const QSet<QString>& words() const { return words_; }
    bool contains(const QString& word) const { return words_.contains(word); }
    // Adds `word` and writes the list (with no file, keeps it in memory); false with `error` set
    // when the file could not be written (the word is kept for this session all the same).
    bool add(const QString& word, QString* error = nullptr);

    // Beyond this the rest of the file is left unread.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

  private:
    QString path_;
    QSet<QString> words_;
    QStringList order_;  // as in the file, new words at the end
};
