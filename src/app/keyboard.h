#pragma once

class QLineEdit;

// The keyboard helpers for Hebrew data entry, under the names other programs know them by.
// Where the platform offers no switching of layouts or of Num Lock they do nothing; callers
// only rely on them to help the user type.
extern "C" {
// Activates the Hebrew keyboard layout (0000040D).
void Heb();
// Activates the US English keyboard layout (00000409).
void Eng();
// When the toggle state of virtual key `key` differs from `state` (0 off, 1 on), presses and
// releases the key once.
void SETLOCK(int key, int state);
// Num Lock on.
void Num();
// Num Lock off.
void NumLock();
}

namespace tallyscan {

// Marks a field that takes only digits, so that on-screen keyboards and input methods offer
// digits: the help Qt can give everywhere.
void SetDigitsOnly(QLineEdit* field);

}  // namespace tallyscan
