#pragma once

#include <optional>

namespace foldcraft {

// The state of the Caps Lock, Num Lock and Scroll Lock keys, for the status bar's
// indicators. Known only on X11; elsewhere (Wayland, offscreen) nullopt.
struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;

    static std::optional<LockKeyState> Read();
};

}  // namespace foldcraft
