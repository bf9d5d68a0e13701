// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <cstdint>

// Colour values as the settings store keeps them: red + 256 * green + 65536 * blue.
inline QColor colourFromValue(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

inline int32_t valueFromColour(const QColor& colour) {
    return colour.red() + 256 * colour.green() + 65536 * colour.blue();
}
