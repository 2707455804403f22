#include "app/pump.h"

#include <QCoreApplication>

namespace tallyscan {

void PumpOneMessage() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

PumpProgress::PumpProgress(std::function<void(int)> show_percent, std::function<bool()> stop)
    : show_percent_(std::move(show_percent)), stop_(std::move(stop)) {
  since_pump_.start();
}

void PumpProgress::OnProgress(int percent) {
  latest_ = percent;
  if (shown_ < 0 || percent == 100 || percent < shown_ || percent >= shown_ + kShowStep) {
    Show(percent);
  }
  PumpWhenDue();
}

void PumpProgress::Show(int percent) {
  shown_ = percent;
  if (show_percent_) show_percent_(percent);
}

bool PumpProgress::StopRequested() {
  // Reading the clock on every line would cost more than the line itself on fast input.
  if ((++calls_ & 63u) == 0) PumpWhenDue();
  return stop_ && stop_();
}

void PumpProgress::OnWaiting() { PumpWhenDue(); }

void PumpProgress::PumpWhenDue() {
  if (since_pump_.elapsed() < kPumpIntervalMs) return;
  if (latest_ >= 0 && latest_ != shown_) Show(latest_);
  PumpOneMessage();
  since_pump_.restart();
}

}  // namespace tallyscan
