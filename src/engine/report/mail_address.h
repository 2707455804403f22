#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallyscan {

// Mail submission with STARTTLS; 465 is TLS from the first byte; 25 still works where the
// server relays for its clients.
inline constexpr int kSubmissionPort = 587;
inline constexpr int kImplicitTlsPort = 465;

// The outgoing server as the user writes it: "host" or "host:port".
struct MailServer {
  std::string host;
  int port = kSubmissionPort;
};

// Nothing when the host is empty or holds no ".", or when a port is given that is not a number
// from 1 to 65535. Surrounding spaces are ignored.
std::optional<MailServer> ParseMailServer(std::string_view text);

// The first address in `text` made of letters, digits, ".", "_" and "-" on both sides of one
// "@", letters of either case; empty when there is none. Whatever surrounds it is dropped.
std::string FindMailAddress(std::string_view text);

// The recipient field reduced to its address: trimmed, the text between "<" and ">" when it
// holds both (the form `Name <address>`), which must contain "@" and "." and an address as
// FindMailAddress finds it. Empty when it is not a valid address.
std::string RecipientAddress(std::string_view field);

}  // namespace tallyscan
