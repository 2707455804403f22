#include "app/adapters/qt_update_fetcher.h"

#include <QByteArrayView>
#include <QEventLoop>
#include <QFile>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <string>

#include "engine/common/texts.h"

namespace tallyscan {
namespace {

constexpr int kInterruptPollMs = 50;
// What the reply may hold unread: the network is read no faster than the bytes are taken.
constexpr qint64 kReplyBuffer = 256 * 1024;

QNetworkRequest FreshRequest(const std::string& url) {
  QNetworkRequest request(QUrl(QString::fromStdString(url)));
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kAgentName.data()));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setRawHeader("Cache-Control", "no-cache");
  request.setRawHeader("Pragma", "no-cache");
  // Redirects are followed here, one request each, so that every one is checked and counted.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  return request;
}

std::string Seconds(std::chrono::milliseconds span) {
  const long long ms = span.count();
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

int HttpStatus(const QNetworkReply& reply) {
  return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool IsSuccess(int status) { return status >= 200 && status < 300; }

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request, its body handed over as it arrives.
struct Transfer {
  std::uint64_t max_bytes = 0;
  // Beyond max_bytes: refused (a download), or the first max_bytes kept and the rest never
  // read (the version reply).
  bool refuse_beyond = false;
  // The idle timeout bounds the whole reply rather than each gap in it.
  bool whole_reply_deadline = false;
  // Takes a chunk of a successful reply's body; false ends the transfer (the bytes could not
  // be kept).
  std::function<bool(QByteArrayView)> take;
};

// How a transfer ended: the last reply, and why it ended early, if it did.
struct TransferEnd {
  std::unique_ptr<QNetworkReply> reply;
  std::string refusal;                     // a limit of ours: the reason
  StatusCode code = StatusCode::kIoError;  // kRefused for a body or a redirect not accepted
  bool taken_all = false;                  // the bytes asked for were all taken
};

// Runs one reply until it has finished, a limit ends it, its bytes are refused or the thread
// is asked to stop.
void RunReply(QNetworkReply& reply, const FetchLimits& limits, const Transfer& transfer,
              TransferEnd& end) {
  std::uint64_t seen = 0;
  QTimer connect_timer;
  QTimer idle_timer;
  connect_timer.setSingleShot(true);
  idle_timer.setSingleShot(true);
  connect_timer.setInterval(limits.connect_timeout);
  idle_timer.setInterval(limits.idle_timeout);
  const auto end_with = [&](std::string reason, StatusCode code = StatusCode::kIoError) {
    if (end.refusal.empty() && !end.taken_all) {
      end.refusal = std::move(reason);
      end.code = code;
    }
    reply.abort();
  };
  const auto progressed = [&] {
    if (connect_timer.isActive()) {
      connect_timer.stop();
      idle_timer.start();
    } else if (!transfer.whole_reply_deadline) {
      idle_timer.start();
    }
  };
  QObject::connect(&connect_timer, &QTimer::timeout, &reply, [&] {
    end_with("no connection to the server within " + Seconds(limits.connect_timeout));
  });
  QObject::connect(&idle_timer, &QTimer::timeout, &reply, [&] {
    end_with(transfer.whole_reply_deadline
                 ? "the reply did not end within " + Seconds(limits.idle_timeout)
                 : "nothing from the server for " + Seconds(limits.idle_timeout));
  });
  QObject::connect(&reply, &QNetworkReply::requestSent, &reply, [&] {
    if (connect_timer.isActive()) {
      connect_timer.stop();
      idle_timer.start();
    }
  });
  QObject::connect(&reply, &QNetworkReply::metaDataChanged, &reply, [&] {
    progressed();
    // A redirect or an error is told by its status and headers: its body is not read. Qt is
    // still at work on such a reply here, so the abort waits for it to return.
    const int status = HttpStatus(reply);
    if (status != 0 && !IsSuccess(status)) {
      QMetaObject::invokeMethod(&reply, &QNetworkReply::abort, Qt::QueuedConnection);
      return;
    }
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (transfer.refuse_beyond && status != 0 && length.isValid() &&
        length.toULongLong() > transfer.max_bytes) {
      end_with("the server offers " + std::to_string(length.toULongLong()) +
                   " bytes, more than the " + std::to_string(transfer.max_bytes) + " accepted",
               StatusCode::kRefused);
    }
  });
  QObject::connect(&reply, &QNetworkReply::readyRead, &reply, [&] {
    progressed();
    if (!IsSuccess(HttpStatus(reply))) return;
    while (reply.bytesAvailable() > 0 && end.refusal.empty() && !end.taken_all) {
      QByteArray chunk = reply.read(kReplyBuffer);
      if (seen + static_cast<std::uint64_t>(chunk.size()) > transfer.max_bytes) {
        if (transfer.refuse_beyond) {
          return end_with("the server sent more than the " + std::to_string(transfer.max_bytes) +
                              " bytes accepted",
                          StatusCode::kRefused);
        }
        chunk.truncate(static_cast<qsizetype>(transfer.max_bytes - seen));
        end.taken_all = true;
      }
      seen += static_cast<std::uint64_t>(chunk.size());
      if (!transfer.take(chunk)) end.taken_all = true;
      if (end.taken_all) reply.abort();
    }
  });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &reply, [&reply] {
    if (QThread::currentThread()->isInterruptionRequested()) reply.abort();
  });
  if (reply.isFinished()) return;
  QEventLoop loop;
  QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  connect_timer.start();
  poll.start(kInterruptPollMs);
  loop.exec();
}

// Requests url and follows its redirects as far as the limits allow.
TransferEnd Run(QNetworkAccessManager& network, const std::string& url, const FetchLimits& limits,
                const Transfer& transfer) {
  TransferEnd end;
  std::string current = url;
  for (int redirects = 0;; ++redirects) {
    end.reply.reset(network.get(FreshRequest(current)));
    end.reply->setReadBufferSize(kReplyBuffer);
    RunReply(*end.reply, limits, transfer, end);
    if (!end.refusal.empty() || end.taken_all) return end;
    const QUrl location = end.reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!IsRedirect(HttpStatus(*end.reply)) || location.isEmpty()) return end;
    if (redirects == limits.max_redirects) {
      end.refusal = "more than " + std::to_string(limits.max_redirects) + " redirects";
      end.code = StatusCode::kRefused;
      return end;
    }
    const std::string target = end.reply->url().resolved(location).toString().toStdString();
    if (!IsAllowedRedirect(current, target)) {
      end.refusal = "the redirect to " + target +
                    " is refused: only to the same host, over https:// or http:// on this "
                    "computer";
      end.code = StatusCode::kRefused;
      return end;
    }
    current = target;
  }
}

}  // namespace

QtUpdateFetcher::QtUpdateFetcher(FetchLimits limits)
    : limits_(limits), network_(std::make_unique<QNetworkAccessManager>()) {}

QtUpdateFetcher::~QtUpdateFetcher() = default;

bool QtUpdateFetcher::Connected() {
  // Only a backend that knows the state can say "no connection"; without one, try.
  const QNetworkInformation* info = QNetworkInformation::instance();
  return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::optional<std::string> QtUpdateFetcher::Get(const std::string& url, std::size_t max_bytes) {
  std::string body;
  Transfer transfer;
  transfer.max_bytes = max_bytes;
  transfer.whole_reply_deadline = true;
  transfer.take = [&body](QByteArrayView chunk) {
    body.append(chunk.data(), static_cast<std::size_t>(chunk.size()));
    return true;
  };
  const TransferEnd end = Run(*network_, url, limits_, transfer);
  if (!end.refusal.empty() || !IsSuccess(HttpStatus(*end.reply))) return std::nullopt;
  if (!end.taken_all && end.reply->error() != QNetworkReply::NoError) return std::nullopt;
  return body;
}

Status QtUpdateFetcher::Download(const std::string& url, const std::string& target,
                                 std::uint64_t max_bytes) {
  QFile file(QString::fromStdString(target));
  const auto cannot_write = [&file, &target] {
    return Status::IoError(std::string(kCannotWriteFileText) + target + " (" +
                           file.errorString().toStdString() + ")");
  };
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return cannot_write();
  bool written = true;
  Transfer transfer;
  transfer.max_bytes = max_bytes;
  transfer.refuse_beyond = true;
  transfer.take = [&](QByteArrayView chunk) {
    written = file.write(chunk.data(), chunk.size()) == chunk.size();
    return written;
  };
  const TransferEnd end = Run(*network_, url, limits_, transfer);
  file.close();
  if (!written || file.error() != QFileDevice::NoError) return cannot_write();
  if (!end.refusal.empty()) {
    return end.code == StatusCode::kRefused ? Status::Refused(end.refusal)
                                            : Status::IoError(end.refusal);
  }
  const QNetworkReply& reply = *end.reply;
  const int status = HttpStatus(reply);
  if (status != 0 && !IsSuccess(status)) {
    return Status::IoError("the server did not send the file (HTTP " + std::to_string(status) +
                           ")");
  }
  if (reply.error() != QNetworkReply::NoError) {
    return Status::IoError(reply.errorString().toStdString());
  }
  return Status::Ok();
}

}  // namespace tallyscan
