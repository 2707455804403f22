#include "paper/paper_session.h"

#include <QGuiApplication>

namespace tallyscan {

PaperSession::PaperSession() {
  if (QCoreApplication::instance() != nullptr) return;
  // No display is needed to lay out text and write a PDF.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

PaperSession::~PaperSession() = default;

}  // namespace tallyscan
