#include "app/keyboard.h"

#include <QGuiApplication>
#include <QLineEdit>

namespace tallyscan {

void UseQtWindowSystemForKeyboard() {
  const QString platform = QGuiApplication::platformName();
  // On xcb the environment still decides: Qt may draw through XWayland in a Wayland session,
  // whose compositor keeps the layout.
  SetKeyboardWindowSystem(platform == QLatin1String("xcb") ? KeyboardWindowSystem::kFromEnvironment
                                                           : KeyboardWindowSystem::kNone,
                          platform.toStdString());
}

void SetDigitsOnly(QLineEdit* field) {
  field->setInputMethodHints(field->inputMethodHints() | Qt::ImhDigitsOnly | Qt::ImhPreferNumbers);
}

}  // namespace tallyscan
