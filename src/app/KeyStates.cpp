// SPDX-License-Identifier: GPL-3.0-or-later
// Kept apart from other code: the X11 headers define macros (KeyRelease, None, ...) that clash
// with Qt names.
#include <QGuiApplication>

#include "app/StatusPanels.h"

#ifdef QUILLO_HAVE_XKB
#include <X11/XKBlib.h>
#endif

namespace KeyStates {
namespace {

// Bit 0 is Caps Lock and bit 1 Num Lock in the core keyboard's indicator state.
bool indicator(unsigned bit, bool* known) {
    if (known) *known = false;
#ifdef QUILLO_HAVE_XKB
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = x11->display()) {
            unsigned state = 0;
            if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success) {
                if (known) *known = true;
                return (state & bit) != 0;
            }
        }
    }
#else
    Q_UNUSED(bit);
#endif
    return false;
}

}  // namespace

bool capsLock(bool* known) {
    return indicator(1u, known);
}
bool numLock(bool* known) {
    return indicator(2u, known);
}

}  // namespace KeyStates
