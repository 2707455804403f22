#pragma once

// Private to program/: the rest of the program includes program/program.h.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/program/settings.h"

namespace tallyscan {

// The running version, 1.03, in ten-thousandths.
inline constexpr int kRunningVersion = 10300;
inline constexpr std::string_view kVersionFilePath = "/files/tallyscan/tlsclastver.dat";
inline constexpr std::string_view kAgentName = "NORVA SOFT LTD";
// The version file is read up to 100 bytes; a reply of more than 6 (an error page, say) is
// not a version number.
inline constexpr std::size_t kVersionReadLimit = 100;
inline constexpr std::size_t kVersionReplyMax = 6;
// The highest version a reply may announce, 9999.9999; a greater number is a wrong reply, not
// a version to offer.
inline constexpr std::int64_t kHighestVersion = 99999999;

// How long the network may keep the check or the update waiting, and how far it may send them.
struct FetchLimits {
  // Until the connection is made and the request sent (the encryption's handshake included).
  std::chrono::milliseconds connect_timeout{10000};
  // Without a byte from the server once the request is sent.
  std::chrono::milliseconds idle_timeout{30000};
  // Redirects followed for one request, each checked by IsAllowedRedirect.
  int max_redirects = 3;
};

// The network as the version check and the update see it. Implementations send the agent
// name, bypass every cache and treat any HTTP error status as a failure.
class UpdateFetcher {
 public:
  virtual ~UpdateFetcher() = default;
  // False when the system reports that there is no network connection.
  virtual bool Connected() = 0;
  // The body of url, at most max_bytes of it: the rest of a longer body is never read. nullopt
  // on any failure.
  [[nodiscard]] virtual std::optional<std::string> Get(const std::string& url,
                                                       std::size_t max_bytes) = 0;
  // Streams the body of url into the file target. A body of more than max_bytes is refused
  // (kRefused) as soon as its length is announced or reached. A failure says why (the file
  // that could not be written, the server's answer, the connection's error, a limit); a
  // partial file may be left behind for the caller to remove.
  virtual Status Download(const std::string& url, const std::string& target,
                          std::uint64_t max_bytes) = 0;
};

// The version a reply announces, in ten-thousandths; nullopt when the reply is ignored (more
// than 6 bytes, a number that converts to 0 because it is empty or not a number, or one
// beyond kHighestVersion either way).
std::optional<std::int64_t> VersionFromReply(std::string_view reply);

// Whether a server base address may be used: "https://" always, plain "http://" only for a
// loopback host (127.x.x.x, localhost, [::1]), since a program fetched over plain HTTP could
// be replaced by anyone on the path.
bool IsAllowedServerAddress(std::string_view base);

// Whether a request to `from` may follow the server's redirect to `to` (both absolute): only
// to the same host, and only to an address IsAllowedServerAddress accepts, so that a redirect
// never leads the update elsewhere or from https:// down to plain http://.
bool IsAllowedRedirect(std::string_view from, std::string_view to);

// base (without its trailing slashes) followed by path.
std::string ServerUrl(std::string_view base, std::string_view path);

// The background check: true when the server configured under Params/UpdateServer offers a
// version above `running`. Requests nothing when no server (or a refused one) is configured
// or the system reports no connection; every failure is silent and yields false.
[[nodiscard]] bool NewerVersionAvailable(const SettingsStore& settings, UpdateFetcher& fetcher,
                                         int running = kRunningVersion);

}  // namespace tallyscan
