#include "app/images.h"

#include <QHash>
#include <QPixmap>

// The compiled resources sit in a static library; this pulls them into every program.
static void InitTallyscanResources() { Q_INIT_RESOURCE(tallyscan); }

namespace tallyscan {

QImage Picture(const QString& name) {
  static const bool initialised = (InitTallyscanResources(), true);
  (void)initialised;
  return QImage(QStringLiteral(":/images/") + name + QStringLiteral(".png"));
}

QIcon ListImage(int index) {
  if (index < 0 || index >= kListImageCount) return {};
  const QImage strip = Picture(QStringLiteral("LvImg"));
  if (strip.isNull()) return {};
  return QIcon(
      QPixmap::fromImage(strip.copy(index * kListImageSize, 0, kListImageSize, kListImageSize)));
}

}  // namespace tallyscan
