// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The fixed web addresses of the browser windows. They are constants of the program; tests
// replace them with pages of their own server.
struct BrowserAddresses {
    QString homePage;      // the product's folder on its web site
    QString versionCheck;  // the version-check page in that folder
    QString searchEngine;  // a web search engine's home page
    QString outsideSite;   // always the first entry of the address list

    // The addresses the program ships with.
    static BrowserAddresses defaults();
    // The addresses in use; defaults() unless replaced.
    static const BrowserAddresses& current();
    static void setCurrent(const BrowserAddresses& addresses);
    static void reset();

    // The page named after a version in the product's folder: the folder with a trailing "/",
    // then the major and minor numbers without a separator, then ".htm" (1.1 gives "11.htm").
    static QString versionPage(const QString& folder, int major, int minor);
};

// The file name that "Edit HTML" proposes for a page address: an address ending in "/" gets
// "index.html" appended, one whose last letter is "m" or "l" (".htm", ".html") stays as it is,
// and any other address is taken as a folder whose page is "index.html".
QString ProposedFileName(const QString& address);
