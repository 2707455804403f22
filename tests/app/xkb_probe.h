#pragma once

// The keyboard of an X server as XKB reports it, for tests that look at what the program
// switched. Xlib's headers stay in the .cpp: their macros clash with Qt's names.

namespace tallyscan::test {

class XkbProbe {
 public:
  // Connects to the X server `display_name` (":7"); Open() is false when that fails.
  explicit XkbProbe(const char* display_name);
  ~XkbProbe();
  XkbProbe(const XkbProbe&) = delete;
  XkbProbe& operator=(const XkbProbe&) = delete;

  bool Open() const { return display_ != nullptr; }
  // The keyboard's effective group.
  int Group() const;
  bool NumLockOn() const;

 private:
  void* display_ = nullptr;
};

}  // namespace tallyscan::test
