#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

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

// The server field as "host:port" (the port given or the default, the host in lower case): how
// a permission given for one server is kept and found again however the field was typed.
// Empty when ParseMailServer refuses the field.
std::string MailServerKey(std::string_view server_field);

// Why a sender or recipient field gives no address.
enum class AddressFault {
  kNone,
  kNotAnAddress,  // not of the form local@domain.tld, or a part too long
  kQuoted,        // a quoted local part ("a b"@example.com)
  kLiteral,       // an address literal instead of a domain (dana@[192.0.2.1])
  kNonAscii,      // letters outside ASCII in the address
};

struct FieldAddress {
  std::string address;  // exactly as typed; empty unless `fault` is kNone
  AddressFault fault = AddressFault::kNone;
};

// The address of a sender or recipient field. The field, trimmed of spaces, is the address;
// in the form `Name <address>` (the field ends with ">") the text between the first "<" and
// that ">" is. A field holding a control character is refused whole. The address must be
// whole: a dot-atom local part of at most 64 bytes (letters, digits and the characters
// ! # $ % & ' * + - / = ? ^ _ ` { | } ~, dots only between them), "@", and a domain of at
// least two labels of letters, digits and inner hyphens (at most 63 bytes each), at most 254
// bytes in all. Nothing is cut away or changed: what is not an address as a whole is refused.
FieldAddress AddressOfField(std::string_view field);

}  // namespace tallyscan
