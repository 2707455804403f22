#pragma once

#include <memory>

#include "engine/program/version_check.h"

class QNetworkAccessManager;

namespace tallyscan {

// UpdateFetcher over QNetworkAccessManager, for use on one thread (the version-check or the
// update thread, or a test's). Each call runs its own event loop until the reply is complete;
// an interruption requested on the calling QThread aborts the request.
class QtUpdateFetcher final : public UpdateFetcher {
 public:
  QtUpdateFetcher();
  ~QtUpdateFetcher() override;

  bool Connected() override;
  std::optional<std::string> Get(const std::string& url, std::size_t max_bytes) override;
  Status Download(const std::string& url, const std::string& target) override;

 private:
  std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace tallyscan
