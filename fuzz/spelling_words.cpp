// SPDX-License-Identifier: GPL-3.0-or-later
// What the spell check cuts out of any text, lone surrogates and all, asked for any stretch:
// words inside the text and the stretch, in order, apart, each starting with a word character
// and never splitting a surrogate pair. And a dictionary's encoding takes any bytes and any text.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/core/TextBoundaries.h"
#include "document/core/SpellCheck.h"
#include "document/core/SpellingWords.h"
#include "spell/core/DictionaryEncoding.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}

// Flags every word it is asked about.
class FlagsAll : public SpellCheck {
  public:
    bool isMisspelt(const QString&) override { return true; }
    QStringList suggestions(const QString&, int) override { return {}; }
    void addToDictionary(const QString&) override {}
    void ignore(const QString&) override {}
};

bool splitsPair(const QString& text, qsizetype at) {
    return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() &&
           text[at].isLowSurrogate();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const QString text(reinterpret_cast<const QChar*>(data + 3), qsizetype((size - 3) / 2));
    const qsizetype from = qsizetype(data[0]) * (text.size() + 1) / 256;
    const qsizetype to = from + qsizetype(data[1]) * (text.size() - from + 1) / 256;
    FlagsAll all;
    qsizetype previousEnd = 0;
    for (const SpellingWords::Span& word : SpellingWords::misspelt(text, all, from, to)) {
        check(word.length > 0 && word.start >= previousEnd &&
              word.start + word.length <= text.size());
        check(word.start < std::max(to, from + 1) && word.start + word.length > from);
        check(!splitsPair(text, word.start) && !splitsPair(text, word.start + word.length));
        check(TextBoundaries::isWordCharacter(TextBoundaries::codePointAt(text, word.start)));
        previousEnd = word.start + word.length;
    }

    static const char* const kEncodings[] = {"UTF-8",   "ISO8859-1",        "ISO8859-15",
                                             "KOI8-R",  "microsoft-cp1251", "TIS620-2533",
                                             "nonsense"};
    DictionaryEncoding encoding(kEncodings[data[2] % std::size(kEncodings)]);
    const std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);
    const QString decoded = encoding.decode(bytes);
    std::string encoded;
    if (encoding.isKnown()) encoding.encode(text, &encoded);
    check(!encoding.isKnown() || encoding.encode(decoded, &encoded) || decoded.contains(u'\uFFFD'));
    return 0;
}
