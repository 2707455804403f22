#pragma once

#include <memory>

#include "engine/program/program.h"

class QNetworkAccessManager;

namespace tallyscan {

// UpdateFetcher over QNetworkAccessManager, for use on one thread (the version-check or the
// update thread, or a test's). Each call runs its own event loop until the reply is complete
// or a limit ends it; an interruption requested on the calling QThread aborts the request.
// Bytes are read as they arrive and never gathered beyond what the call keeps. The idle
// timeout bounds the gaps of a download, but the whole of a Get: a reply of a hundred bytes
// that trickles in for longer is given up.
class QtUpdateFetcher final : public UpdateFetcher {
 public:
  explicit QtUpdateFetcher(FetchLimits limits = {});
  ~QtUpdateFetcher() override;

  bool Connected() override;
  std::optional<std::string> Get(const std::string& url, std::size_t max_bytes) override;
  Status Download(const std::string& url, const std::string& target,
                  std::uint64_t max_bytes) override;

 private:
  FetchLimits limits_;
  std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace tallyscan
