#include "app/images.h"

#include <array>

#include <QGuiApplication>
#include <QPixmap>

// The compiled resources sit in a static library; this pulls them into every program.
static void InitTallyscanResources() { Q_INIT_RESOURCE(tallyscan); }

namespace tallyscan {
namespace {

QImage Load(const QString& name) {
  static const bool initialised = (InitTallyscanResources(), true);
  (void)initialised;
  return QImage(QStringLiteral(":/images/") + name + QStringLiteral(".png"));
}

}  // namespace

QImage Picture(const QString& name, qreal device_pixel_ratio) {
  if (device_pixel_ratio > 1) {
    QImage twice = Load(name + QStringLiteral("@2x"));
    if (!twice.isNull()) {
      twice.setDevicePixelRatio(2);
      return twice;
    }
  }
  return Load(name);
}

QImage Picture(const QString& name) {
  return Picture(name, qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0);
}

QIcon ListImage(int index) {
  if (index < 0 || index >= kListImageCount) return {};
  // Cut once: the grids ask for an image per cell each time they paint.
  static const std::array<QIcon, kListImageCount> kImages = [] {
    std::array<QIcon, kListImageCount> images;
    for (const int scale : {1, 2}) {
      const QImage strip = Picture(QStringLiteral("LvImg"), scale);
      const int size = kListImageSize * scale;
      if (strip.isNull() || strip.width() < size * kListImageCount) continue;
      for (int i = 0; i < kListImageCount; ++i) {
        QPixmap image = QPixmap::fromImage(strip.copy(i * size, 0, size, size));
        image.setDevicePixelRatio(scale);
        images[static_cast<std::size_t>(i)].addPixmap(image);
      }
    }
    return images;
  }();
  return kImages[static_cast<std::size_t>(index)];
}

}  // namespace tallyscan
