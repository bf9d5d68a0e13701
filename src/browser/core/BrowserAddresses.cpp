// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/core/BrowserAddresses.h"

#include <optional>

#include "Version.h"

namespace {
std::optional<BrowserAddresses>& replaced() {
    static std::optional<BrowserAddresses> addresses;
    return addresses;
}
}  // namespace

BrowserAddresses BrowserAddresses::defaults() {
    const QString home = QStringLiteral(QUILLO_HOME_PAGE);
    return {home, home + QStringLiteral("versioncheck.htm"),
            QStringLiteral("https://duckduckgo.com/"),
            QStringLiteral("https://www.wikipedia.org/")};
}

const BrowserAddresses& BrowserAddresses::current() {
    static const BrowserAddresses shipped = defaults();
    return replaced() ? *replaced() : shipped;
}

void BrowserAddresses::setCurrent(const BrowserAddresses& addresses) {
    replaced() = addresses;
}

void BrowserAddresses::reset() {
    replaced().reset();
}

QString BrowserAddresses::versionPage(const QString& folder, int major, int minor) {
    QString page = folder;
    if (!page.endsWith(QLatin1Char('/'))) page += QLatin1Char('/');
    return page + QString::number(major) + QString::number(minor) + QStringLiteral(".htm");
}

QString ProposedFileName(const QString& address) {
    if (address.endsWith(QLatin1Char('/'))) return address + QStringLiteral("index.html");
    const QChar last = address.isEmpty() ? QChar() : address.back().toUpper();
    if (last == QLatin1Char('M') || last == QLatin1Char('L')) return address;
    return address + QStringLiteral("/index.html");
}
