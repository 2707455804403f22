#include "paper/qt_page_canvas.h"

#include <algorithm>
#include <cmath>

#include <QFontDatabase>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
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

void QtPageCanvas::DrawChart(const PaperRect& box, const ReportChart& chart) {
  if (!painter_.isActive() || chart.bars.empty()) return;
  if (slot_ < 0) SelectFont(0);
  const QFontMetricsF& metrics = *slot_metrics_[static_cast<std::size_t>(slot_)];
  const double line = metrics.height();
  const double mm = UnitsPerMillimetre();
  const std::size_t count = chart.bars.size();
  double top_value = 0;
  for (const double value : chart.bars) top_value = std::max(top_value, value);
  for (const double value : chart.line) top_value = std::max(top_value, value);
  if (!(top_value > 0)) top_value = 1;
  top_value *= 1.1;
  const auto value_text = [&](double value) {
    return QString::number(value, 'f', top_value < 0.05 ? 4 : 3);
  };

  painter_.save();
  const QColor ink = QtColour(text_colour_);
  QTextOption centred(Qt::AlignCenter);
  centred.setWrapMode(QTextOption::NoWrap);
  centred.setTextDirection(Qt::RightToLeft);
  painter_.setPen(ink);
  painter_.drawText(QRectF(box.left, box.top, box.Width(), line), FromUtf8(chart.title), centred);

  // The plot: room on the left for the value axis, below for the labels and the legend.
  const double axis_room = metrics.horizontalAdvance(value_text(top_value)) + 2 * mm;
  const QRectF plot(box.left + axis_room, box.top + 1.5 * line, box.Width() - axis_room - 2 * mm,
                    box.Height() - 4 * line);
  if (plot.width() <= 0 || plot.height() <= 0) {
    painter_.restore();
    return;
  }
  const auto y_of = [&](double value) { return plot.bottom() - plot.height() * value / top_value; };
  constexpr int kSteps = 4;
  const QPen grid(QColor(0xD0, 0xD0, 0xD0), 0.1 * mm);
  for (int step = 0; step <= kSteps; ++step) {
    const double value = top_value * step / kSteps;
    const double y = y_of(value);
    painter_.setPen(grid);
    painter_.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter_.setPen(ink);
    painter_.drawText(QRectF(box.left, y - line / 2, axis_room - mm, line),
                      Qt::AlignRight | Qt::AlignVCenter, value_text(value));
  }

  const double slot = plot.width() / static_cast<double>(count);
  const QColor bar_colour(0x4F, 0x81, 0xBD);
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(bar_colour);
  for (std::size_t i = 0; i < count; ++i) {
    const double value = std::max(chart.bars[i], 0.0);
    const double left = plot.left() + slot * (static_cast<double>(i) + 0.15);
    painter_.drawRect(QRectF(left, y_of(value), slot * 0.7, plot.bottom() - y_of(value)));
  }
  painter_.setBrush(Qt::NoBrush);

  // The labels under the bars, every k-th one when all of them would touch.
  double widest = 0;
  for (const std::string& label : chart.labels) {
    widest = std::max(widest, metrics.horizontalAdvance(FromUtf8(label)));
  }
  const auto every = static_cast<std::size_t>(std::max(1.0, std::ceil((widest + mm) / slot)));
  painter_.setPen(ink);
  for (std::size_t i = 0; i < chart.labels.size() && i < count; i += every) {
    const double centre = plot.left() + slot * (static_cast<double>(i) + 0.5);
    painter_.drawText(QRectF(centre - slot * every / 2.0, plot.bottom(), slot * every, line),
                      Qt::AlignCenter, FromUtf8(chart.labels[i]));
  }

  const QColor line_colour(0xC0, 0x30, 0x30);
  if (!chart.line.empty()) {
    QPolygonF points;
    for (std::size_t i = 0; i < chart.line.size() && i < count; ++i) {
      points << QPointF(plot.left() + slot * (static_cast<double>(i) + 0.5), y_of(chart.line[i]));
    }
    painter_.setPen(QPen(line_colour, 0.5 * mm, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter_.drawPolyline(points);
    if (count <= 20) {
      painter_.setBrush(line_colour);
      for (const QPointF& point : points) painter_.drawEllipse(point, 0.8 * mm, 0.8 * mm);
      painter_.setBrush(Qt::NoBrush);
    }
  }
  painter_.setPen(QPen(ink, 0.2 * mm));
  painter_.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter_.drawLine(plot.bottomLeft(), plot.topLeft());

  // The legend, centred below the labels: a bar's square and the line's stroke.
  const QString bars_caption = FromUtf8(chart.bars_caption);
  const QString line_caption = FromUtf8(chart.line_caption);
  const double key = 4 * mm;
  const double legend_width =
      key + mm + metrics.horizontalAdvance(bars_caption) + 4 * mm +
      (chart.line.empty() ? 0 : key + mm + metrics.horizontalAdvance(line_caption));
  double x = box.left + (box.Width() - legend_width) / 2;
  const double legend_y = plot.bottom() + 1.5 * line;
  painter_.fillRect(QRectF(x, legend_y + line / 2 - key / 4, key, key / 2), bar_colour);
  x += key + mm;
  painter_.setPen(ink);
  painter_.drawText(QRectF(x, legend_y, metrics.horizontalAdvance(bars_caption) + mm, line),
                    Qt::AlignLeft | Qt::AlignVCenter, bars_caption);
  x += metrics.horizontalAdvance(bars_caption) + 4 * mm;
  if (!chart.line.empty()) {
    painter_.setPen(QPen(line_colour, 0.5 * mm));
    painter_.drawLine(QPointF(x, legend_y + line / 2), QPointF(x + key, legend_y + line / 2));
    x += key + mm;
    painter_.setPen(ink);
    painter_.drawText(QRectF(x, legend_y, metrics.horizontalAdvance(line_caption) + mm, line),
                      Qt::AlignLeft | Qt::AlignVCenter, line_caption);
  }
  painter_.restore();
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
