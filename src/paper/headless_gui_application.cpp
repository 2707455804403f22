#include "paper/headless_gui_application.h"

#include <QGuiApplication>

namespace tallyscan {

HeadlessGuiApplication::HeadlessGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  // No display is needed to lay out text and write a PDF.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

HeadlessGuiApplication::~HeadlessGuiApplication() = default;

}  // namespace tallyscan
