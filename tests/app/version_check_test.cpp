#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "app/adapters/qt_update_fetcher.h"
#include "app/update/update_threads.h"
#include "app_test_support.h"
#include "engine/program/update.h"
#include "engine/program/version_check.h"

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
    server.status = 404;
    QVERIFY(!Check(server, "9"));
    QCOMPARE(server.requests.size(), 6);
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
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::VersionCheckTest)
#include "version_check_test.moc"
