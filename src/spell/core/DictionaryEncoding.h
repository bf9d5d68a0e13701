// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

// Converts words between Unicode and a dictionary's own encoding, as the SET line of its .aff
// file names it ("UTF-8", "ISO8859-1", "KOI8-R", "microsoft-cp1251"...). UTF-8 and Latin-1 are
// converted here, the others by the C library's iconv. One object is for one thread.
class DictionaryEncoding {
  public:
    explicit DictionaryEncoding(const std::string& name);
    ~DictionaryEncoding();
    DictionaryEncoding(const DictionaryEncoding&) = delete;
    DictionaryEncoding& operator=(const DictionaryEncoding&) = delete;

    // False when neither this code nor iconv knows the encoding.
    bool isKnown() const { return kind_ != Kind::Unknown; }
    // The word in the dictionary's bytes; false when the encoding cannot hold one of its
    // characters (then the dictionary cannot know the word).
    bool encode(const QString& word, std::string* bytes);
    // Bytes that are invalid in the encoding become U+FFFD.
    QString decode(const std::string& bytes);

  private:
    enum class Kind { Utf8, Latin1, Iconv, Unknown };
    Kind kind_ = Kind::Unknown;
    void* toDictionary_ = nullptr;  // iconv_t
    void* fromDictionary_ = nullptr;
};
