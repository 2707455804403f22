#pragma once

#include <QFont>
#include <QImage>
#include <QPushButton>
#include <QString>

namespace tallyscan {

// How one main button is to be drawn.
struct MainButtonLook {
  QRect rect;
  bool pressed = false;
  bool is_default = false;
  bool hot = false;
  bool focused = false;
  bool enabled = true;
  QImage picture;
  QString caption;
  QFont font;
  Qt::LayoutDirection direction = Qt::RightToLeft;
};

// The large button of the main window: clipped to rounded corners, a vertical blue gradient
// (inverted while pressed), a dark frame, an inner ring for the default button or, in amber,
// for the button under the mouse, the focus rectangle, the picture at the leading edge and
// the caption beside it. The focus mark is a white ring broken by black dashes, visible on
// either end of the gradient.
void PaintMainButton(QPainter& painter, const MainButtonLook& look);

inline constexpr int kMainButtonWidth = 156;
inline constexpr int kMainButtonHeight = 52;

// A main button: identifier 2001..2008, picture and caption; it is hot while the mouse is
// over it.
class MainButton : public QPushButton {
  Q_OBJECT
 public:
  MainButton(int id, const QString& caption, const QImage& picture, QWidget* parent);

  int Id() const { return id_; }
  bool IsHot() const { return hot_; }
  MainButtonLook Look() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Enter presses the button that has the focus, as Space does.
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int id_;
  QImage picture_;
  bool hot_ = false;
};

}  // namespace tallyscan
