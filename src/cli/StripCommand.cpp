#include <cstdio>

#include "Commands.h"

int cliStrip(const QStringList&) {
    std::fputs("quillo-cli: strip is not available yet\n", stderr);
    return 1;
}

int cliDecode(const QStringList&) {
    std::fputs("quillo-cli: decode is not available yet\n", stderr);
    return 1;
}
