// SPDX-License-Identifier: GPL-3.0-or-later
// Reference names come from anywhere: any name must decode to at most one character, never a
// surrogate, the QString and code-point entries must agree, and numbers must round as an
// independent reading of them says.
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

namespace {

// Windows-1252 for 128 to 159, the undefined codes kept as they are.
constexpr char16_t kCp1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The code a decimal number should give, or -1 when this check cannot tell for certain
// (too many significant digits for a double to round the same way).
long long expectedForDecimal(const std::string& s) {
    static const std::regex number(R"( *([+-]?)([0-9]*)(?:\.([0-9]*))?(?:[eE]([+-]?[0-9]+))? *)");
    std::smatch m;
    if (!std::regex_match(s, m, number)) return -2;
    const std::string whole = m[2], fraction = m[3];
    if (whole.empty() && fraction.empty()) return -2;
    std::string digits = whole + fraction;
    const auto firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return 0xFFFD;  // zero
    if (m[1] == "-") return 0xFFFD;
    digits = digits.substr(firstNonZero);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    const std::string exponent = m[4];
    if (digits.size() > 15 || exponent.size() > 6) return -1;
    const double value = std::strtod(s.c_str(), nullptr);
    if (value > 2e6) return 0xFFFD;
    const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
    const long long v = static_cast<long long>(rounded);
    if (v <= 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0xFFFD;
    if (v >= 128 && v <= 159) return kCp1252[v - 128];
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = DecodeEntity(name);
    const std::u32string ucs4 = HtmlTools::toUcs4(decoded);
    if (ucs4.size() > 1) std::abort();
    const char32_t c = HtmlTools::decodeEntity(HtmlTools::toUcs4(name));
    if ((c == 0) != ucs4.empty() || (c != 0 && ucs4[0] != c)) std::abort();
    if (c >= 0xD800 && c <= 0xDFFF) std::abort();
    if (c > 0x10FFFF) std::abort();

    // Numbers: "#" is optional, and letter case does not matter.
    if (size <= 64) {
        std::string s(reinterpret_cast<const char*>(data), size);
        if (!s.empty() && s[0] == '#') s.erase(0, 1);
        const long long expected = expectedForDecimal(s);
        if (expected >= 0 && char32_t(expected) != c) std::abort();
    }
    return 0;
}
