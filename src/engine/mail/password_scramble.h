#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <string>
#include <string_view>

namespace tallyscan {

// The form the e-mail password takes in the settings when no system keyring can keep it. It
// is not encryption: the program reverses it without any secret, and so could anyone who has
// the program. It keeps the clear text out of the settings file, its backups and a glance
// over the shoulder. Every call gives a different text for the same password.
std::string ScramblePassword(std::string_view password);

// The password back; empty for an empty or malformed stored text.
std::string UnscramblePassword(std::string_view stored);

}  // namespace tallyscan
