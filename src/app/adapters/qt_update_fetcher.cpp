#include "app/adapters/qt_update_fetcher.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <string>

#include "engine/common/texts.h"

namespace tallyscan {
namespace {

constexpr int kInterruptPollMs = 50;

QNetworkRequest FreshRequest(const std::string& url) {
  QNetworkRequest request(QUrl(QString::fromStdString(url)));
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kAgentName.data()));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setRawHeader("Cache-Control", "no-cache");
  request.setRawHeader("Pragma", "no-cache");
  return request;
}

// Runs an event loop until `reply` has finished, aborting it when the thread is asked to stop.
void WaitFor(QNetworkReply* reply) {
  if (reply->isFinished()) return;
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, reply, [reply] {
    if (QThread::currentThread()->isInterruptionRequested()) reply->abort();
  });
  poll.start(kInterruptPollMs);
  loop.exec();
}

}  // namespace

QtUpdateFetcher::QtUpdateFetcher() : network_(std::make_unique<QNetworkAccessManager>()) {}

QtUpdateFetcher::~QtUpdateFetcher() = default;

bool QtUpdateFetcher::Connected() {
  // Only a backend that knows the state can say "no connection"; without one, try.
  const QNetworkInformation* info = QNetworkInformation::instance();
  return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::optional<std::string> QtUpdateFetcher::Get(const std::string& url, std::size_t max_bytes) {
  std::unique_ptr<QNetworkReply> reply(network_->get(FreshRequest(url)));
  WaitFor(reply.get());
  if (reply->error() != QNetworkReply::NoError) return std::nullopt;
  return reply->read(static_cast<qint64>(max_bytes)).toStdString();
}

Status QtUpdateFetcher::Download(const std::string& url, const std::string& target) {
  QFile file(QString::fromStdString(target));
  const auto cannot_write = [&file, &target] {
    return Status::IoError(std::string(kCannotWriteFileText) + target + " (" +
                           file.errorString().toStdString() + ")");
  };
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return cannot_write();
  std::unique_ptr<QNetworkReply> reply(network_->get(FreshRequest(url)));
  bool written = true;
  QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
    const QByteArray chunk = reply->readAll();
    if (file.write(chunk) != chunk.size()) {
      written = false;
      reply->abort();
    }
  });
  WaitFor(reply.get());
  const QByteArray rest = reply->readAll();
  if (file.write(rest) != rest.size()) written = false;
  file.close();
  if (!written || file.error() != QFileDevice::NoError) return cannot_write();
  if (reply->error() != QNetworkReply::NoError) {
    std::string reason = reply->errorString().toStdString();
    const QVariant http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (http.isValid()) reason += " (HTTP " + std::to_string(http.toInt()) + ")";
    return Status::IoError(reason);
  }
  return Status::Ok();
}

}  // namespace tallyscan
