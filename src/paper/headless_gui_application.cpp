#include "paper/headless_gui_application.h"

#include <QGuiApplication>
#include <QHashSeed>

namespace tallyscan {

HeadlessGuiApplication::HeadlessGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  // No display is needed to lay out text and write a PDF.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A build that asks for reproducible output (SOURCE_DATE_EPOCH) gets it from the PDF writer
  // too: with the hash's random seed it embeds the fonts in a different order each run.
  if (!qEnvironmentVariableIsEmpty("SOURCE_DATE_EPOCH")) QHashSeed::setDeterministicGlobalSeed();
  application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

HeadlessGuiApplication::~HeadlessGuiApplication() = default;

}  // namespace tallyscan
