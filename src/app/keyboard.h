#pragma once

// The keyboard helpers for Hebrew data entry: Heb, Eng, Num, NumLock and SETLOCK, the same
// switching libtallyscan exports, and what Qt adds to them.

#include "keyboard/keyboard_switch.h"

class QLineEdit;

namespace tallyscan {

// Tells the keyboard switching which window system Qt draws on: the keyboard is switched
// only when the windows are on an X server.
void UseQtWindowSystemForKeyboard();

// Marks a field that takes only digits, so that on-screen keyboards and input methods offer
// digits: the help Qt can give everywhere.
void SetDigitsOnly(QLineEdit* field);

}  // namespace tallyscan
