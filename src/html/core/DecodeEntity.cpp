// SPDX-License-Identifier: GPL-3.0-or-later
// The character entity decoder: named references, decimal and hexadecimal numbers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/core/Windows1252.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

namespace HtmlTools {
namespace {

struct Entity {
    const char* name;  // lower case
    char32_t lower;    // the character for this name
    char32_t upper;    // for names of letters with two forms: the character for any spelling
                       // that is not all lower case; 0 when the name has one form
};

// Latin-1 names, then the other names of HTML 4.01 and "apos". The Latin-1 letters are kept
// once, under their lower-case names, and "yuml" has one form only (255).
// clang-format off
constexpr Entity kEntities[] = {
    {"quot", 34, 0}, {"amp", 38, 0}, {"lt", 60, 0}, {"gt", 62, 0}, {"nbsp", 160, 0},
    {"iexcl", 161, 0}, {"cent", 162, 0}, {"pound", 163, 0}, {"curren", 164, 0}, {"yen", 165, 0},
    {"brvbar", 166, 0}, {"sect", 167, 0}, {"uml", 168, 0}, {"copy", 169, 0}, {"ordf", 170, 0},
    {"laquo", 171, 0}, {"not", 172, 0}, {"shy", 173, 0}, {"reg", 174, 0}, {"macr", 175, 0},
    {"deg", 176, 0}, {"plusmn", 177, 0}, {"sup2", 178, 0}, {"sup3", 179, 0}, {"acute", 180, 0},
    {"micro", 181, 0}, {"para", 182, 0}, {"middot", 183, 0}, {"cedil", 184, 0}, {"sup1", 185, 0},
    {"ordm", 186, 0}, {"raquo", 187, 0}, {"frac14", 188, 0}, {"frac12", 189, 0}, {"frac34", 190, 0},
    {"iquest", 191, 0}, {"times", 215, 0}, {"szlig", 223, 0}, {"divide", 247, 0}, {"yuml", 255, 0},
    {"agrave", 224, 192}, {"aacute", 225, 193}, {"acirc", 226, 194}, {"atilde", 227, 195},
    {"auml", 228, 196}, {"aring", 229, 197}, {"aelig", 230, 198}, {"ccedil", 231, 199},
    {"egrave", 232, 200}, {"eacute", 233, 201}, {"ecirc", 234, 202}, {"euml", 235, 203},
    {"igrave", 236, 204}, {"iacute", 237, 205}, {"icirc", 238, 206}, {"iuml", 239, 207},
    {"eth", 240, 208}, {"ntilde", 241, 209}, {"ograve", 242, 210}, {"oacute", 243, 211},
    {"ocirc", 244, 212}, {"otilde", 245, 213}, {"ouml", 246, 214}, {"oslash", 248, 216},
    {"ugrave", 249, 217}, {"uacute", 250, 218}, {"ucirc", 251, 219}, {"uuml", 252, 220},
    {"yacute", 253, 221}, {"thorn", 254, 222},
    // Beyond Latin-1.
    {"apos", 39, 0}, {"oelig", 339, 338}, {"scaron", 353, 352}, {"fnof", 402, 0}, {"circ", 710, 0},
    {"tilde", 732, 0}, {"alpha", 945, 913}, {"beta", 946, 914}, {"gamma", 947, 915},
    {"delta", 948, 916}, {"epsilon", 949, 917}, {"zeta", 950, 918}, {"eta", 951, 919},
    {"theta", 952, 920}, {"iota", 953, 921}, {"kappa", 954, 922}, {"lambda", 955, 923},
    {"mu", 956, 924}, {"nu", 957, 925}, {"xi", 958, 926}, {"omicron", 959, 927}, {"pi", 960, 928},
    {"rho", 961, 929}, {"sigmaf", 962, 0}, {"sigma", 963, 931}, {"tau", 964, 932},
    {"upsilon", 965, 933}, {"phi", 966, 934}, {"chi", 967, 935}, {"psi", 968, 936},
    {"omega", 969, 937}, {"thetasym", 977, 0}, {"upsih", 978, 0}, {"piv", 982, 0},
    {"ensp", 8194, 0}, {"emsp", 8195, 0}, {"thinsp", 8201, 0}, {"zwnj", 8204, 0}, {"zwj", 8205, 0},
    {"lrm", 8206, 0}, {"rlm", 8207, 0}, {"ndash", 8211, 0}, {"mdash", 8212, 0}, {"lsquo", 8216, 0},
    {"rsquo", 8217, 0}, {"sbquo", 8218, 0}, {"ldquo", 8220, 0}, {"rdquo", 8221, 0},
    {"bdquo", 8222, 0}, {"dagger", 8224, 8225}, {"bull", 8226, 0}, {"hellip", 8230, 0},
    {"permil", 8240, 0}, {"prime", 8242, 8243}, {"lsaquo", 8249, 0}, {"rsaquo", 8250, 0},
    {"oline", 8254, 0}, {"frasl", 8260, 0}, {"euro", 8364, 0}, {"image", 8465, 0},
    {"weierp", 8472, 0}, {"real", 8476, 0}, {"trade", 8482, 0}, {"alefsym", 8501, 0},
    {"larr", 8592, 8656}, {"uarr", 8593, 8657}, {"rarr", 8594, 8658}, {"darr", 8595, 8659},
    {"harr", 8596, 8660}, {"crarr", 8629, 0}, {"forall", 8704, 0}, {"part", 8706, 0},
    {"exist", 8707, 0}, {"empty", 8709, 0}, {"nabla", 8711, 0}, {"isin", 8712, 0},
    {"notin", 8713, 0}, {"ni", 8715, 0}, {"prod", 8719, 0}, {"sum", 8721, 0}, {"minus", 8722, 0},
    {"lowast", 8727, 0}, {"radic", 8730, 0}, {"prop", 8733, 0}, {"infin", 8734, 0},
    {"ang", 8736, 0}, {"and", 8743, 0}, {"or", 8744, 0}, {"cap", 8745, 0}, {"cup", 8746, 0},
    {"int", 8747, 0}, {"there4", 8756, 0}, {"sim", 8764, 0}, {"cong", 8773, 0}, {"asymp", 8776, 0},
    {"ne", 8800, 0}, {"equiv", 8801, 0}, {"le", 8804, 0}, {"ge", 8805, 0}, {"sub", 8834, 0},
    {"sup", 8835, 0}, {"nsub", 8836, 0}, {"sube", 8838, 0}, {"supe", 8839, 0}, {"oplus", 8853, 0},
    {"otimes", 8855, 0}, {"perp", 8869, 0}, {"sdot", 8901, 0}, {"lceil", 8968, 0},
    {"rceil", 8969, 0}, {"lfloor", 8970, 0}, {"rfloor", 8971, 0}, {"lang", 9001, 0},
    {"rang", 9002, 0}, {"loz", 9674, 0}, {"spades", 9824, 0}, {"clubs", 9827, 0},
    {"hearts", 9829, 0}, {"diams", 9830, 0},
};
// clang-format on

constexpr std::size_t kLongestName = 8;

// A name of up to eight ASCII letters and digits packed into one number, for quick lookup.
std::uint64_t packName(const char* name, std::size_t length) {
    std::uint64_t key = 0;
    for (std::size_t k = 0; k < length; ++k) key = key << 8 | static_cast<unsigned char>(name[k]);
    return key;
}

struct PackedEntity {
    std::uint64_t key;
    const Entity* entity;
};

const std::vector<PackedEntity>& packedEntities() {
    static const std::vector<PackedEntity> table = [] {
        std::vector<PackedEntity> t;
        for (const Entity& e : kEntities) t.push_back({packName(e.name, std::strlen(e.name)), &e});
        std::sort(t.begin(), t.end(),
                  [](const PackedEntity& a, const PackedEntity& b) { return a.key < b.key; });
        return t;
    }();
    return table;
}

inline char32_t lowerAscii(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
inline bool isDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

// The code point that a reference's numeric value stands for.
char32_t codeForValue(std::int64_t v) {
    if (v >= 1 && v <= 127) return char32_t(v);
    if (v >= 128 && v <= 159) return Windows1252::toUnicode(static_cast<unsigned char>(v));
    if (v >= 160 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) return char32_t(v);
    return 0xFFFD;
}

// Values that round above this are all out of range; the cap keeps the arithmetic small.
constexpr std::int64_t kValueCap = 0x110000;

// A decimal number: optional spaces, an optional sign, digits with an optional point and
// fraction (or a point and fraction digits), an optional exponent ("e" or "E" and an optionally
// signed integer), optional spaces. On success sets `value` to the number rounded half to even,
// capped at kValueCap; a negative number gives -1.
bool parseDecimal(std::u32string_view s, std::int64_t& value) {
    std::size_t k = 0;
    const std::size_t n = s.size();
    while (k < n && s[k] == ' ') ++k;
    bool negative = false;
    if (k < n && (s[k] == '+' || s[k] == '-')) negative = s[k++] == '-';
    const std::size_t intStart = k;
    while (k < n && isDigit(s[k])) ++k;
    const std::size_t intEnd = k;
    std::size_t fracStart = k, fracEnd = k;
    if (k < n && s[k] == '.') {
        fracStart = ++k;
        while (k < n && isDigit(s[k])) ++k;
        fracEnd = k;
    }
    if (intEnd == intStart && fracEnd == fracStart) return false;
    std::int64_t exponent = 0;
    if (k < n && lowerAscii(s[k]) == 'e') {
        ++k;
        bool expNegative = false;
        if (k < n && (s[k] == '+' || s[k] == '-')) expNegative = s[k++] == '-';
        if (k == n || !isDigit(s[k])) return false;
        while (k < n && isDigit(s[k])) {
            // Any exponent beyond a billion already puts the value out of range or at zero.
            if (exponent < 1000000000) exponent = exponent * 10 + (s[k] - '0');
            ++k;
        }
        if (expNegative) exponent = -exponent;
    }
    while (k < n && s[k] == ' ') ++k;
    if (k != n) return false;

    // The mantissa's digits (integer and fraction digits in a row, leading zeros skipped) times
    // ten to `scale`.
    const std::size_t intCount = intEnd - intStart;
    const std::size_t total = intCount + (fracEnd - fracStart);
    auto digitAt = [&](std::size_t d) -> int {
        return int(d < intCount ? s[intStart + d] - '0' : s[fracStart + d - intCount] - '0');
    };
    std::size_t first = 0;
    while (first < total && digitAt(first) == 0) ++first;
    const std::size_t count = total - first;
    const std::int64_t scale = exponent - std::int64_t(fracEnd - fracStart);

    std::int64_t rounded = 0;
    if (count > 0) {
        // Number of digits before the decimal point.
        const std::int64_t intDigits = std::int64_t(count) + scale;
        if (intDigits > 7) {
            rounded = kValueCap;
        } else {
            std::int64_t whole = 0;
            for (std::int64_t d = 0; d < intDigits; ++d)
                whole =
                    whole * 10 + (d < std::int64_t(count) ? digitAt(first + std::size_t(d)) : 0);
            // The fraction starts at digit intDigits (a negative one means leading zeros).
            bool up = false;
            if (intDigits >= 0 && intDigits < std::int64_t(count)) {
                const int firstFrac = digitAt(first + std::size_t(intDigits));
                bool restNonZero = false;
                for (std::size_t d = std::size_t(intDigits) + 1; d < count && !restNonZero; ++d)
                    restNonZero = digitAt(first + d) != 0;
                if (firstFrac > 5 || (firstFrac == 5 && restNonZero))
                    up = true;
                else if (firstFrac == 5)
                    up = whole % 2 == 1;  // exactly a half: to the even neighbour
            }
            rounded = std::min(whole + (up ? 1 : 0), kValueCap);
        }
    }
    value = negative && rounded != 0 ? -1 : rounded;
    return true;
}

// "x" followed by one or more hexadecimal digits and nothing else.
bool parseHex(std::u32string_view s, std::int64_t& value) {
    if (s.size() < 2 || lowerAscii(s[0]) != 'x') return false;
    value = 0;
    for (std::size_t k = 1; k < s.size(); ++k) {
        const char32_t c = lowerAscii(s[k]);
        int digit;
        if (isDigit(c))
            digit = int(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = int(c - 'a' + 10);
        else
            return false;
        value = std::min(value * 16 + digit, kValueCap);
    }
    return true;
}

}  // namespace

char32_t decodeEntity(std::u32string_view name) {
    // The lookups work on a lower-case copy with any leading "#" dropped.
    const bool hash = !name.empty() && name[0] == '#';
    const std::u32string_view rest = name.substr(hash ? 1 : 0);

    std::int64_t value = 0;
    if (parseDecimal(rest, value)) return codeForValue(value);
    if (hash && parseHex(rest, value)) return codeForValue(value);

    if (rest.empty() || rest.size() > kLongestName) return 0;
    // Names are ASCII letters and digits; anything else (a NUL too) matches none.
    char key[kLongestName];
    bool allLower = !hash;  // the given name equals its lower-case copy
    for (std::size_t k = 0; k < rest.size(); ++k) {
        const char32_t c = rest[k];
        const bool upper = c >= 'A' && c <= 'Z';
        if (!upper && !(c >= 'a' && c <= 'z') && !isDigit(c)) return 0;
        if (upper) allLower = false;
        key[k] = static_cast<char>(lowerAscii(c));
    }

    const std::uint64_t packed = packName(key, rest.size());
    const auto& table = packedEntities();
    auto it = std::lower_bound(table.begin(), table.end(), packed,
                               [](const PackedEntity& e, std::uint64_t k) { return e.key < k; });
    if (it == table.end() || it->key != packed) return 0;
    const Entity& e = *it->entity;
    return (e.upper == 0 || allLower) ? e.lower : e.upper;
}

}  // namespace HtmlTools

QString DecodeEntity(QString name) {
    const char32_t c = HtmlTools::decodeEntity(HtmlTools::toUcs4(name));
    if (c == 0) return QString();
    return HtmlTools::fromUcs4(std::u32string_view(&c, 1));
}

bool ExactMatch(const QString& a, const QString& b) {
    return a.size() == b.size() && QStringView(a).compare(QStringView(b), Qt::CaseSensitive) == 0;
}

QString RemoveSpaces(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ')) out.append(c);
    return out;
}
