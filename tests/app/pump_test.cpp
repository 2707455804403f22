#include <algorithm>
#include <vector>

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include "app/pump.h"

namespace tallyscan::test {

class PumpTest : public QObject {
  Q_OBJECT

 private slots:
  // A fast run of percentages is shown in steps, never skipping more than one step, always
  // reaching 100 and starting again at 0; the next pump shows the latest.
  void ShowsPercentagesInStepsAndTheLatestAtEachPump() {
    std::vector<int> shown;
    PumpProgress monitor([&](int percent) { shown.push_back(percent); }, [] { return false; });
    QElapsedTimer elapsed;
    elapsed.start();
    for (int percent = 1; percent <= 100; ++percent) monitor.OnProgress(percent);
    const qint64 ms = elapsed.elapsed();
    QCOMPARE(shown.front(), 1);
    QCOMPARE(shown.back(), 100);
    for (std::size_t i = 1; i < shown.size(); ++i) {
      QVERIFY(shown[i] > shown[i - 1]);
      QVERIFY(shown[i] - shown[i - 1] <= PumpProgress::kShowStep);
    }
    // Every step, plus whatever the pumps that fell due in the meantime showed.
    const qint64 pumps = ms / PumpProgress::kPumpIntervalMs + 1;
    QVERIFY(static_cast<qint64>(shown.size()) <= 100 / PumpProgress::kShowStep + 1 + pumps);

    for (int percent = 0; percent <= 37; ++percent) monitor.OnProgress(percent);
    const auto reset = std::find(shown.begin(), shown.end(), 0);
    QVERIFY(reset != shown.end());
    QCOMPARE(*(reset - 1), 100);
    QThread::msleep(PumpProgress::kPumpIntervalMs + 5);  // makes the pump due; not a limit
    for (int call = 0; call < 64; ++call) QVERIFY(!monitor.StopRequested());
    QCOMPARE(shown.back(), 37);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::PumpTest)
#include "pump_test.moc"
