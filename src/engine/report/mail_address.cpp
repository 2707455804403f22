#include "engine/report/mail_address.h"

#include <charconv>

#include "engine/text/trim.h"

namespace tallyscan {
namespace {

bool IsAddressCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
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

std::string FindMailAddress(std::string_view text) {
  // The leftmost match starts where a run of address characters begins that is followed by
  // "@" and at least one more address character; it takes the whole run after the "@".
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsAddressCharacter(text[i])) continue;
    if (text[i] == '@' && i > run_start && i + 1 < text.size() && IsAddressCharacter(text[i + 1])) {
      std::size_t end = i + 1;
      while (end < text.size() && IsAddressCharacter(text[end])) ++end;
      return std::string(text.substr(run_start, end - run_start));
    }
    run_start = i + 1;
  }
  return {};
}

std::string RecipientAddress(std::string_view field) {
  std::string_view address = TrimSpaces(field);
  const auto open = address.find('<');
  const auto close = address.rfind('>');
  if (open != std::string_view::npos && close != std::string_view::npos && open < close) {
    address = address.substr(open + 1, close - open - 1);
  }
  if (address.find('@') == std::string_view::npos || address.find('.') == std::string_view::npos) {
    return {};
  }
  return FindMailAddress(address);
}

}  // namespace tallyscan
