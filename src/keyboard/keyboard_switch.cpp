#include "keyboard/keyboard_switch.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "keyboard/xkb_display.h"

namespace tallyscan {
namespace {

constexpr std::string_view kNothingSwitched = ": פריסת המקלדת ומקשי הנעילה אינם מוחלפים";

// The process's keyboard state: the window system and the warnings already given. Held under
// the lock only while it is read or changed, so that a warning handler may call back in.
struct SwitchState {
  std::mutex mutex;
  KeyboardWindowSystem system = KeyboardWindowSystem::kFromEnvironment;
  std::string system_name;
  std::function<void(const std::string&)> handler;
  std::set<std::string> warned;
};

SwitchState& State() {
  static SwitchState state;
  return state;
}

// Once per text: a page that switches the layout at every focus change would otherwise
// repeat the same line all day.
void Warn(const std::string& text) {
  SwitchState& state = State();
  std::function<void(const std::string&)> handler;
  {
    const std::lock_guard lock(state.mutex);
    if (!state.warned.insert(text).second) return;
    handler = state.handler;
  }
  if (handler) {
    handler(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// DISPLAY's value when the keyboard is to be switched on X11; nothing, with the warning
// given, when it is not.
std::optional<std::string> DisplayToSwitch() {
  SwitchState& state = State();
  KeyboardWindowSystem system;
  std::string system_name;
  {
    const std::lock_guard lock(state.mutex);
    system = state.system;
    system_name = state.system_name;
  }
  if (system == KeyboardWindowSystem::kNone) {
    Warn("החלונות אינם מוצגים בשרת X (" + system_name + ")" + std::string(kNothingSwitched));
    return std::nullopt;
  }
  // A Qt program told to draw elsewhere (offscreen, as its tests do) has no window on the
  // server that DISPLAY may still name.
  const std::string qt_platform = Environment("QT_QPA_PLATFORM");
  if (system == KeyboardWindowSystem::kFromEnvironment && !qt_platform.empty() &&
      qt_platform.find("xcb") == std::string::npos) {
    Warn("החלונות אינם מוצגים בשרת X (" + qt_platform + ")" + std::string(kNothingSwitched));
    return std::nullopt;
  }
  // Under Wayland the compositor keeps the layout; X programs beside it (XWayland) cannot
  // change it for the session.
  if (system == KeyboardWindowSystem::kFromEnvironment &&
      (!Environment("WAYLAND_DISPLAY").empty() || Environment("XDG_SESSION_TYPE") == "wayland")) {
    Warn("ב-Wayland הפריסה נקבעת בהגדרות שולחן העבודה" + std::string(kNothingSwitched));
    return std::nullopt;
  }
  std::string display = Environment("DISPLAY");
  if (display.empty()) {
    Warn("אין שרת X (המשתנה DISPLAY ריק)" + std::string(kNothingSwitched));
    return std::nullopt;
  }
  return display;
}

enum class Layout { kHebrew, kEnglish };

// The group of the layout: the one named for it exactly ("Hebrew", "English (US)"), else the
// first whose name begins with it (a variant: "Hebrew (lyx)", "English (US, euro on 5)").
std::optional<int> GroupOf(const std::vector<std::string>& names, Layout layout) {
  const std::string_view wanted = layout == Layout::kHebrew ? "Hebrew" : "English (US)";
  const std::string_view variant = layout == Layout::kHebrew ? "Hebrew (" : "English (US,";
  for (std::size_t group = 0; group < names.size(); ++group) {
    if (names[group] == wanted) return static_cast<int>(group);
  }
  for (std::size_t group = 0; group < names.size(); ++group) {
    if (names[group].starts_with(variant)) return static_cast<int>(group);
  }
  return std::nullopt;
}

void SelectLayout(Layout layout) {
  const std::optional<std::string> display_name = DisplayToSwitch();
  if (!display_name) return;
  XkbDisplay display(*display_name);
  if (!display.Open()) {
    Warn(display.Failure() + std::string(kNothingSwitched));
    return;
  }
  const std::optional<int> group = GroupOf(display.GroupNames(), layout);
  if (!group) {
    Warn(std::string(layout == Layout::kHebrew ? "אין פריסה עברית (Hebrew)"
                                               : "אין פריסה אנגלית (English (US))") +
         " בין פריסות המקלדת של " + *display_name +
         " (setxkbmap us,il מוסיף את שתיהן): הפריסה לא הוחלפה");
    return;
  }
  if (display.Group() != *group) display.LockGroup(*group);
}

struct LockKeyName {
  int virtual_key;
  LockKey key;
  const char* name;
};
constexpr LockKeyName kLockKeys[] = {
    {kVkNumLock, LockKey::kNumLock, "Num Lock"},
    {kVkCapsLock, LockKey::kCapsLock, "Caps Lock"},
    {kVkScrollLock, LockKey::kScrollLock, "Scroll Lock"},
};

}  // namespace

void Heb() { SelectLayout(Layout::kHebrew); }

void Eng() { SelectLayout(Layout::kEnglish); }

void SETLOCK(int key, int state) {
  const LockKeyName* lock_key = nullptr;
  for (const LockKeyName& known : kLockKeys) {
    if (known.virtual_key == key) lock_key = &known;
  }
  if (lock_key == nullptr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(key));
    Warn(std::string("המקש ") + code +
         " אינו מקש נעילה (Num Lock, Caps Lock, Scroll Lock): מצבו לא "
         "הוחלף");
    return;
  }
  const std::optional<std::string> display_name = DisplayToSwitch();
  if (!display_name) return;
  XkbDisplay display(*display_name);
  if (!display.Open()) {
    Warn(display.Failure() + std::string(kNothingSwitched));
    return;
  }
  const unsigned mask = display.ModifiersOfLock(lock_key->key);
  if (mask == 0) {
    Warn(std::string("למקש ") + lock_key->name + " אין מצב נעילה במקלדת של " + *display_name +
         ": מצבו לא הוחלף");
    return;
  }
  const bool on = state != 0;
  if (((display.LockedModifiers() & mask) == mask) != on) display.LockModifiers(mask, on);
}

void Num() { SETLOCK(kVkNumLock, 1); }

void NumLock() { SETLOCK(kVkNumLock, 0); }

void SetKeyboardWindowSystem(KeyboardWindowSystem system, std::string_view name) {
  SwitchState& state = State();
  const std::lock_guard lock(state.mutex);
  state.system = system;
  state.system_name = std::string(name);
}

void SetKeyboardWarningHandler(std::function<void(const std::string&)> handler) {
  SwitchState& state = State();
  const std::lock_guard lock(state.mutex);
  state.handler = std::move(handler);
}

}  // namespace tallyscan
