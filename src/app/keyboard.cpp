#include "app/keyboard.h"

#include <QLineEdit>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kVkNumLock = 0x90;

#ifdef _WIN32
void ActivateLayout(const wchar_t* name) {
  if (HKL layout = LoadKeyboardLayoutW(name, KLF_ACTIVATE)) ActivateKeyboardLayout(layout, 0);
}
#endif

}  // namespace

extern "C" {

void Heb() {
#ifdef _WIN32
  ActivateLayout(L"0000040D");
#endif
}

void Eng() {
#ifdef _WIN32
  ActivateLayout(L"00000409");
#endif
}

void SETLOCK(int key, int state) {
#ifdef _WIN32
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return;
  if ((keys[key & 0xFF] & 1) == (state ? 1 : 0)) return;
  const BYTE vk = static_cast<BYTE>(key);
  keybd_event(vk, 0x45, KEYEVENTF_EXTENDEDKEY, 0);
  keybd_event(vk, 0x45, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
#else
  // Neither X11 nor Wayland lets an application press keys for the user.
  (void)key;
  (void)state;
#endif
}

void Num() { SETLOCK(kVkNumLock, 1); }

void NumLock() { SETLOCK(kVkNumLock, 0); }

}  // extern "C"

namespace tallyscan {

void SetDigitsOnly(QLineEdit* field) {
  field->setInputMethodHints(field->inputMethodHints() | Qt::ImhDigitsOnly | Qt::ImhPreferNumbers);
}

}  // namespace tallyscan
