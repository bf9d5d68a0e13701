// SPDX-License-Identifier: GPL-3.0-or-later
#include "spell/core/SpellService.h"

#include <QLocale>
#include <QThread>

#include "spell/core/DictionaryCatalog.h"
#include "spell/core/HunspellDictionary.h"

namespace {

// Answers kept before the store is emptied: far more words than a screen shows.
constexpr qsizetype kKeptAnswers = 200000;

// Dictionaries spell the apostrophe as U+0027; typed text often has U+2019.
QString plainApostrophes(QString word) {
    return word.replace(QChar(0x2019), QLatin1Char('\''));
}

}  // namespace

struct SpellService::Loaded {
    std::unique_ptr<HunspellDictionary> dictionary;
    std::unique_ptr<PersonalWordList> personal;
};

SpellService::SpellService(QStringList folders, QString wordListFile, QObject* parent)
    : SpellCheck(parent), folders_(std::move(folders)), wordListFile_(std::move(wordListFile)) {}

SpellService::~SpellService() {
    if (loader_) {
        loader_->wait();
        delete loader_;
    }
}

void SpellService::configure(bool on, const QString& language) {
    QString name;
    if (on) {
        const QStringList installed = DictionaryCatalog::installed(folders_);
        name = installed.contains(language)
                   ? language
                   : DictionaryCatalog::forLocale(QLocale::system().name(), installed);
    }
    const bool wasOn = on_;
    on_ = on && !name.isEmpty();
    const bool otherName = name != name_;
    if (otherName) {
        name_ = name;
        forget();
    }
    // The editors check again: with no dictionary yet, that starts loading the new one.
    if (otherName || on_ != wasOn) emit changed();
}

void SpellService::forget() {
    ++generation_;
    dictionary_.reset();
    loadFailed_ = false;
    misspelt_.clear();
}

void SpellService::startLoading() {
    const QString aff = DictionaryCatalog::affixFile(folders_, name_);
    if (aff.isEmpty()) {  // removed since it was chosen
        loadFailed_ = true;
        return;
    }
    QString dic = aff;
    dic.replace(dic.size() - 4, 4, QStringLiteral(".dic"));
    auto loaded = std::make_shared<Loaded>();
    // The user's words are read once, with the first dictionary.
    const bool readWords = !personal_;
    const QString wordListFile = wordListFile_;
    loader_ = QThread::create([loaded, aff, dic, readWords, wordListFile] {
        loaded->dictionary = HunspellDictionary::open(aff, dic);
        if (readWords) {
            loaded->personal = std::make_unique<PersonalWordList>(wordListFile);
            loaded->personal->load();
        }
    });
    const int generation = generation_;
    connect(loader_, &QThread::finished, this,
            [this, loaded, generation] { takeLoaded(loaded, generation); });
    loader_->start(QThread::LowPriority);
}

void SpellService::takeLoaded(const std::shared_ptr<Loaded>& loaded, int generation) {
    loader_->deleteLater();
    loader_ = nullptr;
    // Unless an addition read the list meanwhile.
    if (loaded->personal && !personal_) personal_ = std::move(loaded->personal);
    if (generation != generation_) {
        // The language changed while this one loaded: load the one now wanted.
        if (on_) emit changed();
        return;
    }
    dictionary_ = std::move(loaded->dictionary);
    loadFailed_ = !dictionary_;
    if (!dictionary_) return;
    for (const QString& word : personal_->words()) dictionary_->add(word);
    misspelt_.clear();
    if (on_) emit changed();
}

bool SpellService::isMisspelt(const QString& word) {
    if (!dictionary_) {
        if (on_ && !loader_ && !loadFailed_) startLoading();
        return false;
    }
    const auto known = misspelt_.constFind(word);
    if (known != misspelt_.constEnd()) return *known;
    const QString plain = plainApostrophes(word);
    const bool misspelt = !ignored_.contains(plain) && !(personal_ && personal_->contains(plain)) &&
                          !dictionary_->knows(plain);
    if (misspelt_.size() >= kKeptAnswers) misspelt_.clear();
    misspelt_.insert(word, misspelt);
    return misspelt;
}

QStringList SpellService::suggestions(const QString& word, int limit) {
    if (!dictionary_) return {};
    return dictionary_->suggestions(plainApostrophes(word), limit);
}

void SpellService::addToDictionary(const QString& word) {
    const QString plain = plainApostrophes(word);
    if (!personal_) {
        personal_ = std::make_unique<PersonalWordList>(wordListFile_);
        personal_->load();
    }
    QString error;
    if (!personal_->add(plain, &error)) {
        emit problem(QStringLiteral("\"%1\" could not be added to the word list %2: %3")
                         .arg(plain, wordListFile_, error));
    }
    if (dictionary_) dictionary_->add(plain);
    misspelt_.clear();
    emit changed();
}

void SpellService::ignore(const QString& word) {
    ignored_.insert(plainApostrophes(word));
    misspelt_.clear();
    emit changed();
}
