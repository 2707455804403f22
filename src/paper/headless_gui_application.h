#pragma once

// Pages without a window: a program with no application of its own (the command-line program)
// keeps one of these while it writes a PDF. It makes an offscreen Qt GUI application, which
// fonts and the PDF writer need; where an application already exists it does nothing.

#include <memory>

class QGuiApplication;

namespace tallyscan {

class HeadlessGuiApplication {
 public:
  HeadlessGuiApplication();
  ~HeadlessGuiApplication();
  HeadlessGuiApplication(const HeadlessGuiApplication&) = delete;
  HeadlessGuiApplication& operator=(const HeadlessGuiApplication&) = delete;

 private:
  int argc_ = 1;
  char name_[16] = "tallyscan";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> application_;
};

}  // namespace tallyscan
