#pragma once

// Private to keyboard/: one short connection to an X server's keyboard, through the XKB part
// of libX11. libX11 is loaded when the first connection is made, so that a program runs where
// no X is installed; the connection then only says why it could not be made.

#include <string>
#include <vector>

namespace tallyscan {

// The keys whose state is a lock the keyboard keeps.
enum class LockKey { kNumLock, kCapsLock, kScrollLock };

class XkbDisplay {
 public:
  // Connects to `display_name` (DISPLAY's value) and asks for the XKB extension. When either
  // fails, Open() is false and Failure() says why in the user's words.
  explicit XkbDisplay(const std::string& display_name);
  // Waits until the server has done what was asked, then disconnects.
  ~XkbDisplay();
  XkbDisplay(const XkbDisplay&) = delete;
  XkbDisplay& operator=(const XkbDisplay&) = delete;

  bool Open() const { return display_ != nullptr; }
  const std::string& Failure() const { return failure_; }

  // The names of the keyboard's groups (its layouts) in group order, "English (US)",
  // "Hebrew"; a group without a name is empty.
  std::vector<std::string> GroupNames() const;
  int Group() const;
  void LockGroup(int group);
  // The modifier bits the key's lock sets (Num Lock is usually Mod2); 0 when the keyboard has
  // the key on no modifier.
  unsigned ModifiersOfLock(LockKey key) const;
  unsigned LockedModifiers() const;
  void LockModifiers(unsigned mask, bool on);

 private:
  void* display_ = nullptr;  // the Display of Xlib, whose header stays in the .cpp
  std::string failure_;
};

}  // namespace tallyscan
