// SPDX-License-Identifier: GPL-3.0-or-later
#include "spell/core/HunspellDictionary.h"

#include <QFile>
#include <QFileInfo>
#include <hunspell.hxx>

namespace {

// Hunspell gives up on longer words (and its suggestions grow slow well before that).
constexpr qsizetype kLongestWord = 90;

}  // namespace

HunspellDictionary::HunspellDictionary(std::unique_ptr<Hunspell> hunspell,
                                       const std::string& encoding)
    : hunspell_(std::move(hunspell)), encoding_(encoding) {}

HunspellDictionary::~HunspellDictionary() = default;

std::unique_ptr<HunspellDictionary> HunspellDictionary::open(const QString& affPath,
                                                             const QString& dicPath,
                                                             QString* error) {
    // Hunspell takes a missing file for an empty one, which would flag every word.
    for (const QString& path : {affPath, dicPath}) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            if (error) *error = QStringLiteral("cannot read %1").arg(path);
            return nullptr;
        }
    }
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                               QFile::encodeName(dicPath).constData());
    const std::string encoding = hunspell->get_dict_encoding();
    std::unique_ptr<HunspellDictionary> dictionary(
        new HunspellDictionary(std::move(hunspell), encoding));
    if (!dictionary->encoding_.isKnown()) {
        if (error) *error = QStringLiteral("unknown encoding %1").arg(encoding.c_str());
        return nullptr;
    }
    return dictionary;
}

bool HunspellDictionary::knows(const QString& word) {
    if (word.size() > kLongestWord) return true;  // no word of a language: nothing to say
    std::string bytes;
    return encoding_.encode(word, &bytes) && hunspell_->spell(bytes);
}

QStringList HunspellDictionary::suggestions(const QString& word, int limit) {
    std::string bytes;
    QStringList result;
    if (word.size() > kLongestWord || !encoding_.encode(word, &bytes)) return result;
    for (const std::string& guess : hunspell_->suggest(bytes)) {
        if (result.size() >= limit) break;
        result.append(encoding_.decode(guess));
    }
    return result;
}

void HunspellDictionary::add(const QString& word) {
    std::string bytes;
    if (encoding_.encode(word, &bytes)) hunspell_->add(bytes);
}
