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

bool IsLoopbackHost(std::string_view lower) {
  if (lower == "[::1]" || lower == "localhost") return true;
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

// The host of an http:// or https:// address in lower case, an IPv6 one with its brackets;
// nullopt for another scheme or an address that names a user before its host.
std::optional<std::string> HostOf(std::string_view url) {
  std::size_t scheme = 0;
  if (StartsWithNoCase(url, "https://")) {
    scheme = 8;
  } else if (StartsWithNoCase(url, "http://")) {
    scheme = 7;
  } else {
    return std::nullopt;
  }
  std::string_view authority = url.substr(scheme);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  std::string_view host = authority;
  if (host.starts_with("[")) {
    const std::size_t close = host.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = host.substr(0, close + 1);
  } else {
    host = host.substr(0, host.find(':'));
  }
  std::string lower(host);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::optional<std::int64_t> VersionFromReply(std::string_view reply) {
  if (reply.size() > kVersionReplyMax) return std::nullopt;
  // Read like the C run-time's text-to-number conversion: leading blanks, a sign, digits,
  // a decimal point and digits; whatever follows is ignored. The whole part stops growing
  // once it is past the highest version, so no reply can wrap the number round.
  constexpr std::int64_t kWholeCeiling = kHighestVersion / 10000 + 1;
  std::size_t i = 0;
  while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t')) ++i;
  bool negative = false;
  if (i < reply.size() && (reply[i] == '-' || reply[i] == '+')) negative = reply[i++] == '-';
  std::int64_t whole = 0;
  while (i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i]))) {
    whole = std::min(kWholeCeiling, whole * 10 + (reply[i++] - '0'));
  }
  std::int64_t fraction = 0;  // in hundred-thousandths, then rounded to ten-thousandths
  if (i < reply.size() && reply[i] == '.') {
    ++i;
    std::int64_t scale = 10000;
    while (i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i]))) {
      fraction += (reply[i++] - '0') * scale;
      scale /= 10;
    }
  }
  const std::int64_t value = whole * 10000 + (fraction + 5) / 10;
  if (value == 0 || value > kHighestVersion) return std::nullopt;
  return negative ? -value : value;
}

bool IsAllowedServerAddress(std::string_view base) {
  if (StartsWithNoCase(base, "https://")) return base.size() > 8;
  if (!StartsWithNoCase(base, "http://")) return false;
  const std::optional<std::string> host = HostOf(base);
  return host && IsLoopbackHost(*host);
}

bool IsAllowedRedirect(std::string_view from, std::string_view to) {
  const std::optional<std::string> from_host = HostOf(from);
  const std::optional<std::string> to_host = HostOf(to);
  return from_host && to_host && !to_host->empty() && *from_host == *to_host &&
         IsAllowedServerAddress(to);
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
  const std::optional<std::int64_t> offered = VersionFromReply(*reply);
  return offered && *offered > running;
}

}  // namespace tallyscan
