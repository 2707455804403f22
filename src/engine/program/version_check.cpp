#include "engine/program/version_check.h"

#include <algorithm>
#include <cctype>

namespace tallyscan {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

bool IsLoopbackHost(std::string_view host) {
  if (host == "[::1]") return true;
  std::string lower(host);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "localhost") return true;
  // 127.0.0.0/8 written as a dotted quad.
  if (!lower.starts_with("127.")) return false;
  int dots = 0;
  for (char c : lower) {
    if (c == '.') {
      ++dots;
    } else if (!std::isdigit(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  return dots == 3;
}

}  // namespace

std::optional<int> VersionFromReply(std::string_view reply) {
  if (reply.size() > kVersionReplyMax) return std::nullopt;
  // Read like the C run-time's text-to-number conversion: leading blanks, a sign, digits,
  // a decimal point and digits; whatever follows is ignored.
  std::size_t i = 0;
  while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t')) ++i;
  bool negative = false;
  if (i < reply.size() && (reply[i] == '-' || reply[i] == '+')) negative = reply[i++] == '-';
  long long whole = 0;
  while (i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i]))) {
    whole = whole * 10 + (reply[i++] - '0');
  }
  long long fraction = 0;  // in hundred-thousandths, then rounded to ten-thousandths
  if (i < reply.size() && reply[i] == '.') {
    ++i;
    long long scale = 10000;
    while (i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i]))) {
      fraction += (reply[i++] - '0') * scale;
      scale /= 10;
    }
  }
  const long long value = whole * 10000 + (fraction + 5) / 10;
  if (value == 0) return std::nullopt;
  return static_cast<int>(negative ? -value : value);
}

bool IsAllowedServerAddress(std::string_view base) {
  if (StartsWithNoCase(base, "https://")) return base.size() > 8;
  if (!StartsWithNoCase(base, "http://")) return false;
  std::string_view authority = base.substr(7);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (authority.find('@') != std::string_view::npos) return false;
  std::string_view host = authority;
  if (host.starts_with("[")) {
    host = host.substr(0, host.find(']') + 1);
  } else {
    host = host.substr(0, host.find(':'));
  }
  return IsLoopbackHost(host);
}

std::string ServerUrl(std::string_view base, std::string_view path) {
  while (base.ends_with('/')) base.remove_suffix(1);
  return std::string(base) + std::string(path);
}

bool NewerVersionAvailable(const SettingsStore& settings, UpdateFetcher& fetcher, int running) {
  const std::string base = settings.ReadReg(kParams, kUpdateServer);
  if (base.empty() || !IsAllowedServerAddress(base)) return false;
  if (!fetcher.Connected()) return false;
  const std::optional<std::string> reply =
      fetcher.Get(ServerUrl(base, kVersionFilePath), kVersionReadLimit);
  if (!reply) return false;
  const std::optional<int> offered = VersionFromReply(*reply);
  return offered && *offered > running;
}

}  // namespace tallyscan
