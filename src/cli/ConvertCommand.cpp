#include <cstdio>

#include "Commands.h"

int cliConvert(const QStringList&) {
    std::fputs("quillo-cli: convert is not available yet\n", stderr);
    return 1;
}
