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

namespace {

// The images of a strip of 20 x 20 images, cut once at both resolutions: the grids ask for an
// image per cell each time they paint.
template <std::size_t kCount>
std::array<QIcon, kCount> CutStrip(const QString& name) {
  constexpr int kImages = static_cast<int>(kCount);
  std::array<QIcon, kCount> images;
  for (const int scale : {1, 2}) {
    const QImage strip = Picture(name, scale);
    const int size = kListImageSize * scale;
    if (strip.isNull() || strip.width() < size * kImages) continue;
    for (int i = 0; i < kImages; ++i) {
      QPixmap image = QPixmap::fromImage(strip.copy(i * size, 0, size, size));
      image.setDevicePixelRatio(scale);
      images[static_cast<std::size_t>(i)].addPixmap(image);
    }
  }
  return images;
}

}  // namespace

QIcon ListImage(int index) {
  if (index < 0 || index >= kListImageCount) return {};
  static const auto kImages = CutStrip<std::size_t{kListImageCount}>(QStringLiteral("LvImg"));
  return kImages[static_cast<std::size_t>(index)];
}

QIcon DocumentTypeImage(int index) {
  if (index < 0 || index >= kDocumentTypeImageCount) return {};
  static const auto kImages =
      CutStrip<std::size_t{kDocumentTypeImageCount}>(QStringLiteral("HeshComb"));
  return kImages[static_cast<std::size_t>(index)];
}

}  // namespace tallyscan
