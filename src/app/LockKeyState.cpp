#include "app/LockKeyState.h"

#include <QGuiApplication>

// The X11 headers define macros (Bool, Status, None) that clash with Qt's names:
// they come after every Qt header.
// clang-format off
#include <X11/XKBlib.h>
// clang-format on

namespace foldcraft {
namespace {
bool IndicatorOn(Display* display, const char* name) {
    int on = 0;
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on != 0;
}
}  // namespace

std::optional<LockKeyState> LockKeyState::Read() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    return LockKeyState{IndicatorOn(display, "Caps Lock"), IndicatorOn(display, "Num Lock"),
                        IndicatorOn(display, "Scroll Lock")};
}

}  // namespace foldcraft
