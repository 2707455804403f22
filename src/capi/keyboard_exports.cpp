// The keyboard functions behind their exported names: the same switching the application
// uses, its warnings sent to the library's message handler.
#include <string>

#include "keyboard/keyboard_switch.h"
#include "library_messages.h"
#include "tallyscan.h"

namespace {

void WarnThroughLibrary() {
  static const bool set = [] {
    tallyscan::SetKeyboardWarningHandler(
        [](const std::string& text) { tallyscan::LibraryMessage(text); });
    return true;
  }();
  (void)set;
}

}  // namespace

extern "C" {

void Heb(void) {
  WarnThroughLibrary();
  tallyscan::Heb();
}

void Eng(void) {
  WarnThroughLibrary();
  tallyscan::Eng();
}

void SETLOCK(int32_t key, int32_t state) {
  WarnThroughLibrary();
  tallyscan::SETLOCK(key, state);
}

void Num(void) {
  WarnThroughLibrary();
  tallyscan::Num();
}

void NumLock(void) {
  WarnThroughLibrary();
  tallyscan::NumLock();
}

}  // extern "C"
