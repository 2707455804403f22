#include "engine/mail/mail_address.h"

#include <charconv>

#include "engine/text/text.h"

namespace tallyscan {
namespace {

constexpr std::size_t kMaxLocalPart = 64;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxAddress = 254;

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The characters of an atom besides letters and digits.
bool IsAtomCharacter(char c) {
  return IsLetterOrDigit(c) ||
         std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

// Atoms joined by single dots: no dot first, last or twice in a row.
bool IsDotAtom(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  char previous = 0;
  for (const char c : text) {
    if (c == '.' ? previous == '.' : !IsAtomCharacter(c)) return false;
    previous = c;
  }
  return true;
}

bool IsDomainLabel(std::string_view label) {
  if (label.empty() || label.size() > kMaxLabel || label.front() == '-' || label.back() == '-') {
    return false;
  }
  for (const char c : label) {
    if (!IsLetterOrDigit(c) && c != '-') return false;
  }
  return true;
}

bool IsDomain(std::string_view domain) {
  std::size_t labels = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = domain.find('.', start);
    if (!IsDomainLabel(domain.substr(start, dot - start))) return false;
    ++labels;
    if (dot == std::string_view::npos) return labels >= 2;
    start = dot + 1;
  }
}

AddressFault CheckAddress(std::string_view address) {
  for (const char c : address) {
    if (static_cast<unsigned char>(c) >= 0x80) return AddressFault::kNonAscii;
  }
  const auto at = address.rfind('@');
  if (at == std::string_view::npos) return AddressFault::kNotAnAddress;
  const std::string_view local = address.substr(0, at);
  const std::string_view domain = address.substr(at + 1);
  if (local.size() >= 2 && local.front() == '"' && local.back() == '"') {
    return AddressFault::kQuoted;
  }
  if (domain.size() >= 2 && domain.front() == '[' && domain.back() == ']') {
    return AddressFault::kLiteral;
  }
  if (address.size() > kMaxAddress || local.size() > kMaxLocalPart || !IsDotAtom(local) ||
      !IsDomain(domain)) {
    return AddressFault::kNotAnAddress;
  }
  return AddressFault::kNone;
}

}  // namespace

std::optional<MailServer> ParseMailServer(std::string_view text) {
  text = TrimSpaces(text);
  MailServer server;
  const auto colon = text.find(':');
  std::string_view host = text.substr(0, colon);
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        port < 1 || port > 65535) {
      return std::nullopt;
    }
    server.port = port;
  }
  if (host.empty() || host.find('.') == std::string_view::npos) return std::nullopt;
  server.host = std::string(host);
  return server;
}

std::string MailServerKey(std::string_view server_field) {
  const std::optional<MailServer> server = ParseMailServer(server_field);
  if (!server) return {};
  std::string key = server->host;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key + ":" + std::to_string(server->port);
}

FieldAddress AddressOfField(std::string_view field) {
  // A line break or other control character has no place in a field of one line, the name
  // before "<" included.
  for (const char c : field) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {{}, AddressFault::kNotAnAddress};
  }
  std::string_view address = TrimSpaces(field);
  const auto open = address.find('<');
  if (open != std::string_view::npos && address.size() > open + 1 && address.back() == '>') {
    address = TrimSpaces(address.substr(open + 1, address.size() - open - 2));
  }
  const AddressFault fault = CheckAddress(address);
  if (fault != AddressFault::kNone) return {std::string(), fault};
  return {std::string(address), AddressFault::kNone};
}

}  // namespace tallyscan
