#pragma once

// The warnings of every family of the C interface go to the one handler the calling program
// set with TallyscanSetMessageHandler, or to standard error.

#include <string>

namespace tallyscan {

void LibraryMessage(const std::string& text);

}  // namespace tallyscan
