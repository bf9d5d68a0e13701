// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/DocumentSettings.h"

#include <QLocale>
#include <cmath>
#include <limits>

#include "common/core/SettingsStore.h"

namespace SettingText {

double toNumber(const QString& text, bool* ok) {
    const QString trimmed = text.trimmed();
    bool parsed = false;
    const double value = QLocale::c().toDouble(trimmed, &parsed);
    const bool good = parsed && std::isfinite(value);
    if (ok) *ok = good;
    return good ? value : 0.0;
}

int16_t toWholeNumber16(const QString& text, int16_t fallback) {
    bool ok = false;
    const double value = toNumber(text, &ok);
    if (!ok) return fallback;
    const double rounded = std::nearbyint(value);  // default rounding mode: half to even
    if (rounded < std::numeric_limits<int16_t>::min() ||
        rounded > std::numeric_limits<int16_t>::max()) {
        return fallback;
    }
    return static_cast<int16_t>(rounded);
}

int32_t toColourValue(const QString& text, int32_t fallback) {
    bool ok = false;
    const double value = toNumber(text, &ok);
    if (!ok || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return fallback;
    }
    return static_cast<int32_t>(std::nearbyint(value));
}

bool toFlag(const QString& text, bool fallback) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double value = toNumber(trimmed, &ok);
    return ok ? value != 0.0 : fallback;
}

QString fromNumber(double value) {
    return QLocale::c().toString(value, 'g', 15);
}

QString fromFlag(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace SettingText

void DocumentSettings::LoadFromStore() {
    using namespace SettingsStore;
    const DocumentSettings defaults;
    FontName = GetSetting(QStringLiteral("FontName"), defaults.FontName);
    if (FontName.trimmed().isEmpty()) FontName = defaults.FontName;
    FontSize = SettingText::toWholeNumber16(
        GetSetting(QStringLiteral("FontSize"), QStringLiteral("10")), defaults.FontSize);
    if (FontSize < 1) FontSize = defaults.FontSize;
    FontBold = SettingText::toFlag(GetSetting(QStringLiteral("FontBold"), QStringLiteral("False")),
                                   defaults.FontBold);
    FontItalic = SettingText::toFlag(
        GetSetting(QStringLiteral("FontItalic"), QStringLiteral("False")), defaults.FontItalic);
    FontUnderline =
        SettingText::toFlag(GetSetting(QStringLiteral("FontUnderline"), QStringLiteral("False")),
                            defaults.FontUnderline);
    DocBG = SettingText::toColourValue(
        GetSetting(QStringLiteral("DocBG"), QStringLiteral("13172735")), defaults.DocBG);
    MaxNew = SettingText::toFlag(GetSetting(QStringLiteral("MaxNew"), QStringLiteral("0")),
                                 defaults.MaxNew);
    ReloadChangedFiles = SettingText::toFlag(
        GetSetting(QStringLiteral("ReloadChangedFiles"), QStringLiteral("False")),
        defaults.ReloadChangedFiles);
    CheckSpelling =
        SettingText::toFlag(GetSetting(QStringLiteral("CheckSpelling"), QStringLiteral("True")),
                            defaults.CheckSpelling);
    SpellingLanguage = GetSetting(QStringLiteral("SpellingLanguage")).trimmed();
}

DocumentSettings& CurrentDocumentSettings() {
    static DocumentSettings settings;
    return settings;
}
