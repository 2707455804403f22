#include "library_messages.h"

#include <cstdio>

#include "tallyscan.h"

namespace tallyscan {
namespace {

// The C interface's process state for messages: set by the calling program, read by every
// exported family.
struct MessageHandler {
  TallyscanMessageHandler handler = nullptr;
  void* context = nullptr;
};

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

}  // namespace

void LibraryMessage(const std::string& text) {
  const MessageHandler& set = Handler();
  if (set.handler != nullptr) {
    set.handler(text.c_str(), set.context);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

}  // namespace tallyscan

extern "C" void TallyscanSetMessageHandler(TallyscanMessageHandler handler, void* context) {
  tallyscan::Handler() = {handler, context};
}
