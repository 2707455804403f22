// The e-mail password in the system keyring, and its scrambled fallback. ctest runs the first
// function beside a Secret Service of its own (with_secret_service.sh) and the second with no
// session bus at all, so that each path is the one taken.
#include <QProcess>
#include <QtTest>

#include "engine/mail/mail.h"
#include "engine/program/program.h"
#include "mail/password_store.h"

namespace tallyscan::test {

class PasswordStoreTest : public QObject {
  Q_OBJECT

 private slots:
  void TheKeyringKeepsThePassword() {
    MemorySettings settings;
    settings.WriteReg(kIEmailer, kPassWord, "S0000000000000000AB");  // an older fallback
    PasswordStore store(settings, QStringLiteral("TallyscanTest"));
    const std::string password = "סיסמא s3cret";
    QCOMPARE(store.WritePassword(password), PasswordPlace::kKeyring);
    QCOMPARE(settings.ReadReg(kIEmailer, kPassWord), std::string());
    const PasswordStore::Read read = store.ReadPassword();
    QCOMPARE(read.place, PasswordPlace::kKeyring);
    QCOMPARE(read.password, password);
    // The Secret Service itself holds it, as another client sees it.
    QProcess lookup;
    lookup.start(QStringLiteral("secret-tool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("server"),
                  QStringLiteral("TallyscanTest")});
    QVERIFY(lookup.waitForFinished());
    QVERIFY2(
        lookup.readAllStandardOutput().contains(QByteArray::fromStdString("secret = " + password)),
        "secret-tool finds no such entry");
  }

  void WithoutAKeyringThePasswordIsStoredScrambled() {
    MemorySettings settings;
    PasswordStore store(settings, QStringLiteral("TallyscanTest"));
    const std::string password = "s3cret-password";
    QCOMPARE(store.WritePassword(password), PasswordPlace::kSettings);
    const std::string stored = settings.ReadReg(kIEmailer, kPassWord);
    QVERIFY(!stored.empty());
    QVERIFY(stored.find(password) == std::string::npos);
    const PasswordStore::Read read = store.ReadPassword();
    QCOMPARE(read.place, PasswordPlace::kSettings);
    QCOMPARE(read.password, password);
  }
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::PasswordStoreTest)
#include "password_store_test.moc"
