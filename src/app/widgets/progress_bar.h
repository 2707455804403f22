#pragma once

#include <QProgressBar>

namespace tallyscan {

// A progress bar that shows its percentage: the text is yellow on the filled part and dark
// blue on the rest, framed by one pixel and painted off-screen in one piece so it does not
// flicker. It fills from the leading edge.
class PercentProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit PercentProgressBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tallyscan
