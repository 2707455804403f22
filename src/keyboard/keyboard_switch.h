#pragma once

// The keyboard functions of Hebrew data entry, under the names other programs know them by:
// the layout (Hebrew or US English) and the lock keys. On X11 they switch the keyboard of the
// X server named by DISPLAY through XKB: the group whose layout is named "Hebrew" or
// "English (US)" (as `setxkbmap us,il` sets them), and the lock modifier of the key.
// Elsewhere (no X server, Wayland, a window system that is not X) they do nothing, and the
// first call says why; callers only rely on them to help the user type.
//
// Each call connects to the server for its own time only. The state behind them (the window
// system and where warnings go) is the process's: set it before the first call.

#include <functional>
#include <string>
#include <string_view>

namespace tallyscan {

// Activates the Hebrew keyboard layout.
void Heb();
// Activates the US English keyboard layout.
void Eng();
// Virtual-key codes of the lock keys.
inline constexpr int kVkCapsLock = 0x14;
inline constexpr int kVkNumLock = 0x90;
inline constexpr int kVkScrollLock = 0x91;
// When the lock state of the key with virtual-key code `key` differs from `state` (0 off,
// anything else on), turns it over. A key that is no lock key is left alone, with a warning.
void SETLOCK(int key, int state);
// Num Lock on.
void Num();
// Num Lock off.
void NumLock();

// Which window system the caller's windows are on.
enum class KeyboardWindowSystem {
  // X11 when DISPLAY names a server, no Wayland session runs and QT_QPA_PLATFORM names no
  // other window system (the default)
  kFromEnvironment,
  kX11,   // X11, on DISPLAY's server, whatever else runs
  kNone,  // another (offscreen, Wayland): nothing is switched
};
// An application that knows its window system says so, with its name for the warning: one
// drawn offscreen leaves alone the X server that DISPLAY may still name.
void SetKeyboardWindowSystem(KeyboardWindowSystem system, std::string_view name);

// Receives each warning (UTF-8, one line) once per process, whatever number of calls meet the
// same obstacle. Standard error when none is set; an empty function restores it.
void SetKeyboardWarningHandler(std::function<void(const std::string&)> handler);

}  // namespace tallyscan
