#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "qt_settings/qt_settings_store.h"

namespace tallyscan::test {

class SettingsStoreTest : public QObject {
  Q_OBJECT
 private slots:
  void MissingValuesReadEmpty() {
    QTemporaryDir dir;
    QtSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    QCOMPARE(store.ReadReg("Params", "Nothing"), std::string());
    QCOMPARE(store.ReadReg("Nowhere", "LastPath"), std::string());
  }

  // Every byte value, trailing blanks and NULs included, as a binary record needs.
  void BinaryValuesRoundTripAcrossInstances() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    std::string record(680, '\0');
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>(i * 7 % 256);
    record += "  ";
    const std::string hebrew = "/home/דנה/נתונים 2023";
    {
      QtSettingsStore store(path);
      store.WriteReg("Params", "PrintFonts", record);
      store.WriteReg("Params", "LastPath", hebrew);
      store.WriteReg("iEmailer", "Server", "smtp.example.org");
    }
    QtSettingsStore store(path);
    QCOMPARE(store.ReadReg("Params", "PrintFonts"), record);
    QCOMPARE(store.ReadReg("Params", "LastPath"), hebrew);
    QCOMPARE(store.ReadReg("iEmailer", "Server"), std::string("smtp.example.org"));
  }

  // The program goes on with what it wrote for as long as it runs; nothing reaches the file.
  void UnwritableFileFailsSilently() {
    const QString path = QStringLiteral("/proc/tallyscan-cannot-write/s.ini");
    QtSettingsStore store(path);
    store.WriteReg("Params", "LastPath", "x");
    QCOMPARE(store.ReadReg("Params", "LastPath"), std::string("x"));
    QCOMPARE(store.ReadReg("Params", "Other"), std::string());
    QVERIFY(!QFileInfo::exists(path));
  }
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::SettingsStoreTest)
#include "settings_store_test.moc"
