#include "qt_settings/qt_settings_store.h"

#include <QByteArray>
#include <QSettings>
#include <QVariant>

namespace tallyscan {
namespace {

QString KeyOf(std::string_view subkey, std::string_view value_name) {
  return QString::fromUtf8(subkey.data(), static_cast<qsizetype>(subkey.size())) + '/' +
         QString::fromUtf8(value_name.data(), static_cast<qsizetype>(value_name.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Norva"), QStringLiteral("Tallyscan"))) {
}

QtSettingsStore::QtSettingsStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::string QtSettingsStore::ReadReg(std::string_view subkey, std::string_view value_name) const {
  const QVariant value = settings_->value(KeyOf(subkey, value_name));
  if (!value.isValid()) return {};
  // A value another program stored as text reads as its UTF-8 bytes.
  const QByteArray bytes =
      value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
  return bytes.toStdString();
}

void QtSettingsStore::WriteReg(std::string_view subkey, std::string_view value_name,
                               std::string_view value) {
  settings_->setValue(KeyOf(subkey, value_name),
                      QByteArray(value.data(), static_cast<qsizetype>(value.size())));
  // Written at once so that a crash or a second process loses nothing; failures are silent.
  settings_->sync();
}

}  // namespace tallyscan
