#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <string>
#include <string_view>
#include <vector>

namespace tallyscan {

class SettingsStore;

// The address book where the system has no address lists of its own: the recipients of the
// last sendings, kept under iEmailer/Recipients.
inline constexpr std::size_t kRecentRecipientsKept = 20;

// The most recent first; empty when none are kept.
std::vector<std::string> ReadRecentRecipients(const SettingsStore& settings);

// Puts the recipient field's text (trimmed) first, removes an earlier entry with the same
// address (regardless of case) and keeps the last kRecentRecipientsKept. A text with no valid
// address is not kept.
void RememberRecipient(SettingsStore& settings, std::string_view recipient_field);

}  // namespace tallyscan
