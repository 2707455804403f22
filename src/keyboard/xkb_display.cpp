#include "keyboard/xkb_display.h"

#include <dlfcn.h>

#include <cstring>

#ifdef TALLYSCAN_HAVE_XKB
// Xlib defines Status, Bool and True as macros: its headers stay in this file.
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace tallyscan {
namespace {

#ifdef TALLYSCAN_HAVE_XKB

// The functions of libX11 this file calls, looked up once in the loaded library.
struct Xlib {
  decltype(&::XkbOpenDisplay) open_display = nullptr;
  decltype(&::XCloseDisplay) close_display = nullptr;
  decltype(&::XSync) sync = nullptr;
  decltype(&::XkbGetState) get_state = nullptr;
  decltype(&::XkbLockGroup) lock_group = nullptr;
  decltype(&::XkbLockModifiers) lock_modifiers = nullptr;
  decltype(&::XkbKeysymToModifiers) keysym_to_modifiers = nullptr;
  decltype(&::XkbAllocKeyboard) alloc_keyboard = nullptr;
  decltype(&::XkbGetNames) get_names = nullptr;
  decltype(&::XkbFreeKeyboard) free_keyboard = nullptr;
  decltype(&::XGetAtomName) get_atom_name = nullptr;
  decltype(&::XFree) free = nullptr;
  std::string failure;  // why the library could not be used; empty when it can
};

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  void* address = dlsym(library, name);
  if (address == nullptr) return false;
  // dlsym answers a data pointer for what is a function: copied, not cast, to its type.
  std::memcpy(&function, &address, sizeof function);
  return true;
}

Xlib LoadXlib() {
  Xlib x;
  void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    x.failure =
        std::string("לא ניתן לטעון את libX11.so.6 (") + (reason != nullptr ? reason : "") + ")";
    return x;
  }
  // The library stays loaded for the rest of the process, as the connections may come again.
  const bool found =
      Find(library, "XkbOpenDisplay", x.open_display) &&
      Find(library, "XCloseDisplay", x.close_display) && Find(library, "XSync", x.sync) &&
      Find(library, "XkbGetState", x.get_state) && Find(library, "XkbLockGroup", x.lock_group) &&
      Find(library, "XkbLockModifiers", x.lock_modifiers) &&
      Find(library, "XkbKeysymToModifiers", x.keysym_to_modifiers) &&
      Find(library, "XkbAllocKeyboard", x.alloc_keyboard) &&
      Find(library, "XkbGetNames", x.get_names) &&
      Find(library, "XkbFreeKeyboard", x.free_keyboard) &&
      Find(library, "XGetAtomName", x.get_atom_name) && Find(library, "XFree", x.free);
  if (!found) x.failure = "ב-libX11.so.6 שנמצא חסרות פונקציות של XKB";
  return x;
}

const Xlib& X() {
  static const Xlib x = LoadXlib();
  return x;
}

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

KeySym KeysymOf(LockKey key) {
  switch (key) {
    case LockKey::kCapsLock:
      return XK_Caps_Lock;
    case LockKey::kScrollLock:
      return XK_Scroll_Lock;
    case LockKey::kNumLock:
      break;
  }
  return XK_Num_Lock;
}

#endif

}  // namespace

#ifdef TALLYSCAN_HAVE_XKB

XkbDisplay::XkbDisplay(const std::string& display_name) {
  const Xlib& x = X();
  if (!x.failure.empty()) {
    failure_ = x.failure;
    return;
  }
  int event = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  int reason = 0;
  Display* display = x.open_display(display_name.c_str(), &event, &error, &major, &minor, &reason);
  if (display != nullptr) {
    display_ = display;
    return;
  }
  failure_ = reason == XkbOD_ConnectionRefused ? "לא ניתן להתחבר לשרת X " + display_name
             : reason == XkbOD_NonXkbServer
                 ? "לשרת X " + display_name + " אין הרחבת XKB"
                 : "גרסת XKB של שרת X " + display_name + " אינה מתאימה ל-libX11";
}

XkbDisplay::~XkbDisplay() {
  if (display_ == nullptr) return;
  X().sync(AsDisplay(display_), False);
  X().close_display(AsDisplay(display_));
}

std::vector<std::string> XkbDisplay::GroupNames() const {
  std::vector<std::string> names;
  const Xlib& x = X();
  XkbDescPtr keyboard = x.alloc_keyboard();
  if (keyboard == nullptr) return names;
  keyboard->dpy = AsDisplay(display_);
  if (x.get_names(AsDisplay(display_), XkbGroupNamesMask, keyboard) == Success &&
      keyboard->names != nullptr) {
    for (const Atom atom : keyboard->names->groups) {
      std::string name;
      if (atom != None) {
        if (char* text = x.get_atom_name(AsDisplay(display_), atom)) {
          name = text;
          x.free(text);
        }
      }
      names.push_back(std::move(name));
    }
  }
  while (!names.empty() && names.back().empty()) names.pop_back();
  x.free_keyboard(keyboard, XkbAllComponentsMask, True);
  return names;
}

int XkbDisplay::Group() const {
  XkbStateRec state{};
  X().get_state(AsDisplay(display_), XkbUseCoreKbd, &state);
  return state.group;
}

void XkbDisplay::LockGroup(int group) {
  X().lock_group(AsDisplay(display_), XkbUseCoreKbd, static_cast<unsigned>(group));
}

unsigned XkbDisplay::ModifiersOfLock(LockKey key) const {
  return X().keysym_to_modifiers(AsDisplay(display_), KeysymOf(key));
}

unsigned XkbDisplay::LockedModifiers() const {
  XkbStateRec state{};
  X().get_state(AsDisplay(display_), XkbUseCoreKbd, &state);
  return state.locked_mods;
}

void XkbDisplay::LockModifiers(unsigned mask, bool on) {
  X().lock_modifiers(AsDisplay(display_), XkbUseCoreKbd, mask, on ? mask : 0);
}

#else

XkbDisplay::XkbDisplay(const std::string& /*display_name*/) : failure_("התוכנה נבנתה בלי X11") {}
XkbDisplay::~XkbDisplay() = default;
std::vector<std::string> XkbDisplay::GroupNames() const { return {}; }
int XkbDisplay::Group() const { return 0; }
void XkbDisplay::LockGroup(int /*group*/) {}
unsigned XkbDisplay::ModifiersOfLock(LockKey /*key*/) const { return 0; }
unsigned XkbDisplay::LockedModifiers() const { return 0; }
void XkbDisplay::LockModifiers(unsigned /*mask*/, bool /*on*/) {}

#endif

}  // namespace tallyscan
