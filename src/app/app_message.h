#pragma once

#include <QString>

#include "app/app_context.h"

class QWidget;

namespace tallyscan {

inline constexpr int kMessageOk = 1;
inline constexpr int kMessageCancel = 2;

// The program's one message box: caption "תוכנת טליסקן", right-to-left text with each path in
// it read left to right (IsolatePaths), modal. kind 1 has an OK button, kind 2 OK and Cancel,
// with `default_button` the one Enter presses. Returns the button pressed (kMessageOk for OK).
// When the context carries a hook, the hook answers instead (given the text as the box would
// show it) and nothing is shown.
int AppMessage(AppContext& app, QWidget* owner, int kind, MessageIcon icon, const QString& text,
               MessageDefault default_button = MessageDefault::kOk);

}  // namespace tallyscan
