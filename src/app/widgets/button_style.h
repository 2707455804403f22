#pragma once

// The program's style: the platform's own, except that a push button with a picture and a
// caption read right to left shows them as one group centred on the button, the picture at the
// reading side and the caption beside it, both clear of the border (the standard drawing flips
// the caption against the far border of a button wider than its contents: "אישור", "ביטול",
// "סגור" and "בחר" of the dialogs touched their frame or lost a letter under it).

#include <QProxyStyle>

namespace tallyscan {

class ButtonStyle final : public QProxyStyle {
 public:
  // Over the platform's default style.
  ButtonStyle() = default;

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

}  // namespace tallyscan
