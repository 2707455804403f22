#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "app/adapters/qt_update_fetcher.h"
#include "app/update/update_threads.h"
#include "app_test_support.h"
#include "engine/program/program.h"

namespace tallyscan::test {
namespace {

// A one-answer HTTP server on 127.0.0.1 and a free port. `cut` sends only half of the body
// and then drops the connection.
class LoopbackServer : public QObject {
 public:
  LoopbackServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
      }
    });
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }

  int status = 200;
  QByteArray body;
  bool cut = false;
  QList<QByteArray> requests;

 private:
  void Answer(QTcpSocket* socket) {
    QByteArray& pending = partial_[socket];
    pending += socket->readAll();
    if (!pending.contains("\r\n\r\n")) return;
    requests.append(pending);
    const QByteArray sent = cut ? body.left(body.size() / 2) : body;
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + sent);
    socket->flush();
    socket->disconnectFromHost();
    partial_.remove(socket);
  }

  QTcpServer server_;
  QHash<QTcpSocket*, QByteArray> partial_;
};

// The server of hostile_update_server.py, in its own process: it answers by the first part of
// the path with an endless, a slow, a stalled or a redirected reply, and says how much of each
// body it could send. Stopped by its process id when the test ends.
class HostileServer {
 public:
  HostileServer() {
    process_.setProgram(QStringLiteral("/usr/bin/python3"));
    process_.setArguments(
        {QStringLiteral(TALLYSCAN_SOURCE_DIR "/tests/app/hostile_update_server.py")});
    process_.start();
    const QByteArray first = Line("ports ");
    const QList<QByteArray> words = first.trimmed().split(' ');
    if (words.size() == 3) {
      port_ = words[1].toInt();
      unaccepting_port_ = words[2].toInt();
    }
  }
  ~HostileServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  bool Started() const { return port_ > 0 && unaccepting_port_ > 0; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string UnacceptingUrl() const {
    return "http://127.0.0.1:" + std::to_string(unaccepting_port_) + "/version/9.0";
  }
  // The bytes of body the server sent for path, once it has said so; 0 when it has not within
  // a few seconds.
  long long Sent(const std::string& path) {
    return Line("sent " + path + " ").split(' ').value(2).trimmed().toLongLong();
  }

 private:
  // The first line of the server's output that starts with prefix, reading on for at most
  // 10 s; empty when none comes.
  QByteArray Line(const std::string& prefix) {
    QElapsedTimer waited;
    waited.start();
    while (true) {
      while (process_.canReadLine()) {
        const QByteArray line = process_.readLine();
        if (line.startsWith(QByteArray::fromStdString(prefix))) return line;
      }
      if (waited.elapsed() > 10000 || process_.state() == QProcess::NotRunning) return {};
      process_.waitForReadyRead(200);
    }
  }

  QProcess process_;
  int port_ = 0;
  int unaccepting_port_ = 0;
};

std::string ReadFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "(none)";
  return file.readAll().toStdString();
}

}  // namespace

class VersionCheckTest : public QObject {
  Q_OBJECT

 private:
  static bool Check(LoopbackServer& server, const QByteArray& reply) {
    server.body = reply;
    MemorySettings settings;
    settings.WriteReg(kParams, kUpdateServer, server.Base());
    QtUpdateFetcher fetcher;
    return NewerVersionAvailable(settings, fetcher);
  }

 private slots:
  void RepliesAreJudgedByTheirRules() {
    LoopbackServer server;
    QVERIFY(Check(server, "1.04"));
    QVERIFY(!Check(server, "1.03"));
    QVERIFY(!Check(server, "1.0"));
    QVERIFY(!Check(server, "1.04000"));  // over 6 bytes
    QVERIFY(!Check(server, "newer"));
    // Past 9999.9999 a number is refused: 429498 would wrap a 32-bit count round to 1.2704.
    QVERIFY(!Check(server, "429498"));
    QVERIFY(Check(server, "9999.9"));
    server.status = 404;
    QVERIFY(!Check(server, "9"));
    QCOMPARE(server.requests.size(), 8);
    const QByteArray request = server.requests.front();
    QVERIFY(request.startsWith("GET /files/tallyscan/tlsclastver.dat HTTP/1.1"));
    QVERIFY(request.contains("User-Agent: NORVA SOFT LTD"));
    QVERIFY(request.contains("Cache-Control: no-cache"));
  }

  void ServerDownIsSilent() {
    std::string base;
    {
      LoopbackServer gone;
      base = gone.Base();
    }
    MemorySettings settings;
    settings.WriteReg(kParams, kUpdateServer, base);
    QtUpdateFetcher fetcher;
    QVERIFY(!NewerVersionAvailable(settings, fetcher));
  }

  void CheckThreadRaisesUpdatePending() {
    LoopbackServer server;
    server.body = "1.10";
    TestApp t;
    t.settings.WriteReg(kParams, kUpdateServer, server.Base());
    VersionCheckThread thread(t.app);
    thread.start();
    while (!thread.isFinished()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QVERIFY(t.app.update_pending);
    QCOMPARE(server.requests.size(), 1);
  }

  void NoServerMeansNoThreadRequest() {
    TestApp t;
    t.app.update_pending = true;  // cleared by the check
    VersionCheckThread thread(t.app);
    thread.start();
    thread.wait();
    QVERIFY(!t.app.update_pending);
  }

  void DownloadWritesTheProgramAndTheScript() {
    LoopbackServer server;
    server.body = QByteArray(100000, 'p');
    QTemporaryDir dir;
    MemorySettings settings;
    settings.WriteReg(kParams, kUpdateServer, server.Base());
    const std::string folder = dir.path().toStdString() + "/";
    const UpdatePaths paths =
        PlanUpdatePaths(ScriptKind::kShell, folder, "tallyscan", folder, true);
    QtUpdateFetcher fetcher;
    LocalUpdateFiles files;
    QVERIFY(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 77).ok());
    QFile download(QString::fromStdString(paths.DownloadPath()));
    QVERIFY(download.open(QIODevice::ReadOnly));
    QCOMPARE(download.readAll(), server.body);
    QVERIFY(QFileInfo(QString::fromStdString(paths.ScriptPath())).isExecutable());
    QVERIFY(server.requests.front().startsWith("GET /files/tallyscan/tallyscan HTTP/1.1"));
  }

  void FailedDownloadLeavesNothing() {
    LoopbackServer server;
    server.body = QByteArray(100000, 'p');
    server.cut = true;
    QTemporaryDir dir;
    MemorySettings settings;
    settings.WriteReg(kParams, kUpdateServer, server.Base());
    const std::string folder = dir.path().toStdString() + "/";
    const UpdatePaths paths =
        PlanUpdatePaths(ScriptKind::kShell, folder, "tallyscan", folder, true);
    QtUpdateFetcher fetcher;
    LocalUpdateFiles files;
    const Status cut = PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 77);
    QCOMPARE(cut.code(), StatusCode::kIoError);
    server.cut = false;
    server.status = 500;
    const Status refused = PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 77);
    QCOMPARE(refused.code(), StatusCode::kIoError);
    // The server's answer is in the reason.
    QVERIFY2(refused.message().ends_with("(HTTP 500)"), refused.message().c_str());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
  }

  // An endless reply is read only as far as it is kept: the version reply's first 100 bytes,
  // a download up to its limit and refused beyond it, with nothing but a part left for the
  // caller to remove. The server could send only what the connection's buffers hold.
  void EndlessRepliesAreReadOnlyAsFarAsKept() {
    HostileServer server;
    QVERIFY(server.Started());
    QtUpdateFetcher fetcher;
    const std::optional<std::string> reply = fetcher.Get(server.Url("/endless/v"), 100);
    QVERIFY(reply);
    QCOMPARE(reply->size(), std::size_t{100});
    const long long sent_for_check = server.Sent("/endless/v");
    QVERIFY2(sent_for_check > 0 && sent_for_check < (64 << 20),
             std::to_string(sent_for_check).c_str());

    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/Tallyscan.Tmp";
    const Status endless = fetcher.Download(server.Url("/endless/p"), target, 1 << 20);
    QCOMPARE(endless.code(), StatusCode::kRefused);
    QCOMPARE(endless.message(),
             std::string("the server sent more than the 1048576 bytes accepted"));
    const long long sent_for_download = server.Sent("/endless/p");
    QVERIFY2(sent_for_download > 0 && sent_for_download < (64 << 20),
             std::to_string(sent_for_download).c_str());
    QVERIFY(ReadFile(target).size() <= std::size_t{1} << 20);

    // A length announced beyond the limit is refused before its body; the limit itself is
    // accepted.
    const Status announced = fetcher.Download(server.Url("/big/1048577/p"), target, 1 << 20);
    QCOMPARE(announced.code(), StatusCode::kRefused);
    QCOMPARE(announced.message(),
             std::string("the server offers 1048577 bytes, more than the 1048576 accepted"));
    const Status exact = fetcher.Download(server.Url("/big/1048576/p"), target, 1 << 20);
    QVERIFY2(exact.ok(), exact.message().c_str());
    QCOMPARE(ReadFile(target), std::string(1 << 20, 'p'));
  }

  // A connection never made, and a reply that stops, end at their timeouts; a download whose
  // bytes keep coming, however slowly, goes on, while the hundred bytes of a version reply
  // must all come within the idle timeout.
  void SlowRepliesEndAtTheirTimeouts() {
    HostileServer server;
    QVERIFY(server.Started());
    FetchLimits limits;
    limits.connect_timeout = std::chrono::milliseconds(1000);
    limits.idle_timeout = std::chrono::milliseconds(1000);
    QtUpdateFetcher fetcher(limits);
    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/Tallyscan.Tmp";

    const Status unconnected = fetcher.Download(server.UnacceptingUrl(), target, 1 << 20);
    QCOMPARE(unconnected.code(), StatusCode::kIoError);
    QCOMPARE(unconnected.message(), std::string("no connection to the server within 1 s"));
    QVERIFY(!fetcher.Get(server.UnacceptingUrl(), 100));

    const Status stalled = fetcher.Download(server.Url("/stall/p"), target, 1 << 20);
    QCOMPARE(stalled.code(), StatusCode::kIoError);
    QCOMPARE(stalled.message(), std::string("nothing from the server for 1 s"));

    const Status dripped = fetcher.Download(server.Url("/drip/15/p"), target, 1 << 20);
    QVERIFY2(dripped.ok(), dripped.message().c_str());
    QCOMPARE(ReadFile(target), std::string(15, '9'));
    QVERIFY(!fetcher.Get(server.Url("/drip/30/v"), 100));
  }

  // Three redirects on the same host are followed, their pages longer than a version reply
  // unread; a fourth, or one to another host name, is refused and nothing of its target read.
  void RedirectsStayOnTheHostAndAreFew() {
    HostileServer server;
    QVERIFY(server.Started());
    QtUpdateFetcher fetcher;
    QCOMPARE(fetcher.Get(server.Url("/redirect/3/version/9.0/v"), 100), std::string("9.0"));
    QCOMPARE(fetcher.Get(server.Url("/redirect/4/version/9.0/v"), 100), std::nullopt);
    QCOMPARE(fetcher.Get(server.Url("/elsewhere/version/9.0/v"), 100), std::nullopt);

    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/Tallyscan.Tmp";
    const Status many = fetcher.Download(server.Url("/redirect/4/big/10/p"), target, 1 << 20);
    QCOMPARE(many.code(), StatusCode::kRefused);
    QCOMPARE(many.message(), std::string("more than 3 redirects"));
    const Status elsewhere = fetcher.Download(server.Url("/elsewhere/big/10/p"), target, 1 << 20);
    QCOMPARE(elsewhere.code(), StatusCode::kRefused);
    QVERIFY2(elsewhere.message().starts_with("the redirect to http://localhost:"),
             elsewhere.message().c_str());
    QCOMPARE(ReadFile(target), std::string());
  }
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::VersionCheckTest)
#include "version_check_test.moc"
