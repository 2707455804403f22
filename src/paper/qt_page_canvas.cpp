#include "paper/qt_page_canvas.h"

#include <algorithm>

#include <QFontDatabase>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTextOption>

namespace tallyscan {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor QtColour(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

}  // namespace

QFont QtPageCanvas::SlotFont(const PrintFonts& fonts, int slot) {
  const std::string face = fonts.Face(slot);
  QString family = face.empty() ? QStringLiteral("Tahoma") : QString::fromStdString(face);
  // A face that is not installed gives way to a Hebrew face whose text a PDF reader finds
  // again word for word (with some faces a reader splits Hebrew words into letters).
  if (!QFontDatabase::hasFamily(family)) {
    for (const QString& fallback : {QStringLiteral("Nachlieli CLM"), QStringLiteral("Simple CLM"),
                                    QStringLiteral("DejaVu Sans")}) {
      if (QFontDatabase::hasFamily(fallback)) {
        family = fallback;
        break;
      }
    }
  }
  QFont font(family);
  font.setPointSize(std::clamp(fonts.Size(slot), 1, 144));
  const int weight = fonts.weights[PrintFonts::Index(slot)];
  font.setWeight(weight <= 0 ? QFont::Normal
                             : static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
  font.setItalic(fonts.Italic(slot));
  font.setUnderline(fonts.Underline(slot));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

QtPageCanvas::QtPageCanvas(QPainter& painter, QPagedPaintDevice& device, const PrintFonts& fonts)
    : painter_(painter), device_(device), fonts_(fonts) {}

PaperRect QtPageCanvas::PageArea() {
  // Painting starts at the top left of the device's paint rectangle, its margins applied.
  return {0, 0, static_cast<double>(device_.width()), static_cast<double>(device_.height())};
}

bool QtPageCanvas::TurnLandscape() {
  if (page_started_) return false;
  return device_.setPageOrientation(QPageLayout::Landscape);
}

double QtPageCanvas::UnitsPerMillimetre() { return device_.logicalDpiX() / 25.4; }

void QtPageCanvas::SelectFont(int slot) {
  const std::size_t index = PrintFonts::Index(slot);
  if (!slot_fonts_[index]) {
    slot_fonts_[index] = SlotFont(fonts_, slot);
    slot_metrics_[index].emplace(*slot_fonts_[index], &device_);
  }
  slot_ = static_cast<int>(index);
  if (painter_.isActive()) painter_.setFont(*slot_fonts_[index]);
}

double QtPageCanvas::TextWidth(std::string_view text) {
  if (slot_ < 0) SelectFont(0);
  return slot_metrics_[static_cast<std::size_t>(slot_)]->horizontalAdvance(FromUtf8(text));
}

double QtPageCanvas::LineHeight() {
  if (slot_ < 0) SelectFont(0);
  return slot_metrics_[static_cast<std::size_t>(slot_)]->height();
}

void QtPageCanvas::DrawText(const PaperRect& box, std::string_view text, TextAlign align,
                            bool right_to_left, bool elide) {
  if (!painter_.isActive() || text.empty()) return;
  if (slot_ < 0) SelectFont(0);
  QString shown = FromUtf8(text);
  if (elide) {
    shown = slot_metrics_[static_cast<std::size_t>(slot_)]->elidedText(shown, Qt::ElideRight,
                                                                       std::max(0.0, box.Width()));
  }
  Qt::Alignment horizontal = Qt::AlignHCenter;
  if (align == TextAlign::kRight) horizontal = Qt::AlignRight;
  if (align == TextAlign::kLeft) horizontal = Qt::AlignLeft;
  QTextOption option(horizontal | Qt::AlignAbsolute | Qt::AlignVCenter);
  option.setTextDirection(right_to_left ? Qt::RightToLeft : Qt::LeftToRight);
  option.setWrapMode(QTextOption::NoWrap);
  painter_.setPen(QPen(QtColour(text_colour_)));
  painter_.drawText(QRectF(box.left, box.top, box.Width(), box.Height()), shown, option);
}

void QtPageCanvas::DrawLine(double x1, double y1, double x2, double y2, Colour colour,
                            double width) {
  if (!painter_.isActive()) return;
  painter_.setPen(QPen(QtColour(colour), width, Qt::SolidLine, Qt::FlatCap));
  painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void QtPageCanvas::DrawRoundedFrame(const PaperRect& box) {
  if (!painter_.isActive()) return;
  const double radius = 2 * UnitsPerMillimetre();
  painter_.setPen(QPen(Qt::black, 0.2 * UnitsPerMillimetre()));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRoundedRect(QRectF(box.left, box.top, box.Width(), box.Height()), radius, radius);
}

void QtPageCanvas::StartPage() {
  if (page_started_) {
    device_.newPage();
    return;
  }
  page_started_ = true;
  if (!painter_.isActive() && painter_.begin(&device_)) {
    painter_.setRenderHint(QPainter::TextAntialiasing);
    if (slot_ >= 0) painter_.setFont(*slot_fonts_[static_cast<std::size_t>(slot_)]);
  }
}

Status QtPageCanvas::Finish() {
  if (!painter_.isActive()) return Status::IoError("painter");
  return painter_.end() ? Status::Ok() : Status::IoError("painter");
}

}  // namespace tallyscan
