#include "xkb_probe.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace tallyscan::test {
namespace {

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

XkbStateRec StateOf(void* display) {
  XkbStateRec state{};
  XkbGetState(AsDisplay(display), XkbUseCoreKbd, &state);
  return state;
}

}  // namespace

XkbProbe::XkbProbe(const char* display_name)
    : display_(XkbOpenDisplay(display_name, nullptr, nullptr, nullptr, nullptr, nullptr)) {}

XkbProbe::~XkbProbe() {
  if (display_ != nullptr) XCloseDisplay(AsDisplay(display_));
}

int XkbProbe::Group() const { return StateOf(display_).group; }

bool XkbProbe::NumLockOn() const {
  const unsigned mask = XkbKeysymToModifiers(AsDisplay(display_), XK_Num_Lock);
  return mask != 0 && (StateOf(display_).locked_mods & mask) == mask;
}

}  // namespace tallyscan::test
