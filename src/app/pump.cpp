#include "app/pump.h"

#include <QCoreApplication>

namespace tallyscan {

void PumpOneMessage() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

PumpProgress::PumpProgress(std::function<void(int)> show_percent, std::function<bool()> stop)
    : show_percent_(std::move(show_percent)), stop_(std::move(stop)) {
  since_pump_.start();
}

void PumpProgress::OnProgress(int percent) {
  if (show_percent_) show_percent_(percent);
  PumpWhenDue();
}

bool PumpProgress::StopRequested() {
  // Reading the clock on every line would cost more than the line itself on fast input.
  if ((++calls_ & 63u) == 0) PumpWhenDue();
  return stop_ && stop_();
}

void PumpProgress::PumpWhenDue() {
  if (since_pump_.elapsed() < kPumpIntervalMs) return;
  PumpOneMessage();
  since_pump_.restart();
}

}  // namespace tallyscan
