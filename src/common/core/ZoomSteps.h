// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iterator>

// The sizes a view is zoomed through, in per cent of its normal size, as web browsers step.
namespace ZoomSteps {

constexpr int kPercents[] = {30, 50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
constexpr int kNormal = 100;

// The next size after `percent` in `direction` (+1 larger, -1 smaller), or `percent` at either
// end; a size between two steps goes to the nearer step in that direction.
inline int next(int percent, int direction) {
    if (direction > 0) {
        for (int step : kPercents)
            if (step > percent) return step;
    } else {
        for (auto it = std::rbegin(kPercents); it != std::rend(kPercents); ++it)
            if (*it < percent) return *it;
    }
    return percent;
}

}  // namespace ZoomSteps
