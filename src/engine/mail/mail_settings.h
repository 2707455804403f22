#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <string_view>

namespace tallyscan {

// The subkey of the e-mail parameters in the settings store and the values under it.
inline constexpr std::string_view kIEmailer = "iEmailer";
inline constexpr std::string_view kSender = "Sender";
inline constexpr std::string_view kServer = "Server";
inline constexpr std::string_view kUserName = "UserName";
// The password in its scrambled form, only when no system keyring could keep it; empty when
// the keyring holds it.
inline constexpr std::string_view kPassWord = "PassWord";
// A PEM file of certificate authorities trusted besides the system's: for company servers
// whose certificate a private authority signed.
inline constexpr std::string_view kCaFile = "CaFile";
// The servers ("host:port" as MailServerKey gives it, one a line) that the user allowed to take
// a report over a connection without encryption.
inline constexpr std::string_view kClearText = "ClearText";
// The recipients of the last sendings, one a line, the most recent first.
inline constexpr std::string_view kRecipients = "Recipients";

}  // namespace tallyscan
