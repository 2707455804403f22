// Draws the pictures of the interface into a folder (resources/images): the banner, the eight
// main-button pictures, the nine frames of the window icon, the list image strip, the document
// types' strip and the toolbar images, the e-mail dialog's pictures and animation; and the
// program's icon for the desktop at the hicolor theme's sizes into a second folder
// (resources/icons). One style throughout: rounded shapes with a dark blue outline, flat fills
// from one palette. Transparent parts carry the key colour of their kind (white for the banner,
// magenta elsewhere) at zero alpha, so both keyed and alpha drawing work.
#include <cmath>
#include <functional>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(31, 63, 95);
const QColor kBlue(60, 120, 180);
const QColor kSky(169, 200, 232);
const QColor kGreen(60, 154, 90);
const QColor kRed(200, 66, 58);
const QColor kAmber(240, 180, 60);
const QColor kPaper(250, 250, 245);
const QColor kGrey(138, 150, 163);
const QColor kViolet(128, 96, 176);

using Drawing = std::function<void(QPainter&)>;

// The resolution pictures are drawn for: every picture is drawn once as it is and once at
// twice its size, saved with "@2x" after its name, for screens of twice the density.
struct Resolution {
  int factor;
  QString suffix;
};
constexpr int kResolutions = 2;
const Resolution kResolution[kResolutions] = {{1, QString()}, {2, QStringLiteral("@2x")}};

// A picture `width` x `height` units large, drawn with `scale` pixels to the unit at `r`.
QImage Draw(const Resolution& r, int width, int height, double scale, const Drawing& drawing) {
  QImage image(width * r.factor, height * r.factor, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(scale * r.factor, scale * r.factor);
  drawing(painter);
  painter.end();
  return image;
}

void Save(const QString& folder, QImage image, const QString& name, QRgb key) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) == 0) line[x] = key & 0x00FFFFFFu;
    }
  }
  image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QPen Outline(double width = 1.5) {
  return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Shape(QPainter& p, const QPainterPath& path, const QColor& fill, double outline = 1.5) {
  p.setPen(Outline(outline));
  p.setBrush(fill);
  p.drawPath(path);
}

QPainterPath Rounded(double x, double y, double w, double h, double r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(x, y, w, h), r, r);
  return path;
}

QPainterPath Circle(double cx, double cy, double r) {
  QPainterPath path;
  path.addEllipse(QPointF(cx, cy), r, r);
  return path;
}

// A sheet of paper with a folded corner, in a 32-unit box.
void Sheet(QPainter& p, double x, double y, double w, double h, const QColor& fill = kPaper) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 6, y);
  path.lineTo(x + w, y + 6);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  Shape(p, path, fill);
  p.setPen(Outline(1));
  p.drawLine(QPointF(x + w - 6, y), QPointF(x + w - 6, y + 6));
  p.drawLine(QPointF(x + w - 6, y + 6), QPointF(x + w, y + 6));
}

void Lines(QPainter& p, double x, double y, double w, int count, double gap = 4) {
  p.setPen(QPen(kGrey, 1.5, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < count; ++i) p.drawLine(QPointF(x, y + i * gap), QPointF(x + w, y + i * gap));
}

void Magnifier(QPainter& p, double cx, double cy, double r, const QColor& glass = kSky) {
  p.setPen(QPen(kInk, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 1.6, cy + r * 1.6));
  QColor tinted = glass;
  tinted.setAlpha(200);
  Shape(p, Circle(cx, cy, r), tinted, 1.8);
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(cx - r * 0.6, cy - r * 0.6, r * 1.2, r * 1.2), 100 * 16, 70 * 16);
}

void Check(QPainter& p, double x, double y, double s, const QColor& colour, double width = 3) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(x, y + s * 0.5);
  path.lineTo(x + s * 0.38, y + s * 0.85);
  path.lineTo(x + s, y);
  p.drawPath(path);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, double width = 3) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(from, to);
  const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
  const double head = width * 2.2;
  for (double side : {-0.6, 0.6}) {
    p.drawLine(to, QPointF(to.x() - head * std::cos(angle + side),
                           to.y() - head * std::sin(angle + side)));
  }
}

void Folder(QPainter& p, double x, double y, double w, double h, const QColor& fill = kAmber) {
  QPainterPath back;
  back.moveTo(x, y + 3);
  back.lineTo(x + w * 0.35, y + 3);
  back.lineTo(x + w * 0.45, y);
  back.lineTo(x + w, y);
  back.lineTo(x + w, y + h);
  back.lineTo(x, y + h);
  back.closeSubpath();
  Shape(p, back, fill.darker(115));
  Shape(p, Rounded(x, y + 5, w, h - 5, 2), fill);
}

void Coin(QPainter& p, double cx, double cy, double r, const QColor& fill, const QString& sign) {
  Shape(p, Circle(cx, cy, r), fill);
  p.setPen(Qt::white);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(static_cast<int>(r * 1.3));
  p.setFont(font);
  p.drawText(QRectF(cx - r, cy - r, 2 * r, 2 * r), Qt::AlignCenter, sign);
}

// --- the nine main-button pictures, 32 x 32 ----------------------------------------------

void ButtonPictures(const QString& folder) {
  const Drawing pictures[9] = {
      [](QPainter& p) {  // import: a folder with an arrow into it
        Folder(p, 2, 12, 28, 18);
        Arrow(p, QPointF(16, 1), QPointF(16, 20), kBlue, 3.5);
      },
      [](QPainter& p) {  // checks: a clipboard with a tick
        Shape(p, Rounded(5, 4, 22, 26, 3), kPaper);
        Shape(p, Rounded(11, 1, 10, 6, 2), kGrey);
        Check(p, 9, 12, 14, kGreen, 3.5);
      },
      [](QPainter& p) {  // accounts index: a card index
        Shape(p, Rounded(3, 8, 26, 20, 3), kSky);
        Shape(p, Rounded(6, 4, 20, 20, 2), kPaper);
        Lines(p, 9, 10, 14, 3);
        Shape(p, Rounded(3, 17, 26, 12, 3), kBlue);
      },
      [](QPainter& p) {  // ledgers: a ledger card with debit and credit columns
        Sheet(p, 4, 2, 24, 28);
        p.setPen(QPen(kBlue, 1.5));
        p.drawLine(QPointF(16, 9), QPointF(16, 27));
        p.drawLine(QPointF(7, 9), QPointF(25, 9));
        Lines(p, 8, 14, 5, 3);
        p.setPen(QPen(kRed, 1.5, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(19, 14 + i * 4), QPointF(24, 14 + i * 4));
      },
      [](QPainter& p) {  // documents: two invoices
        Sheet(p, 9, 1, 20, 24, kSky);
        Sheet(p, 3, 6, 20, 25);
        Lines(p, 6, 14, 13, 3);
        p.setPen(QPen(kInk, 1.5));
        p.drawLine(QPointF(12, 27), QPointF(19, 27));
      },
      [](QPainter& p) {  // items: a stock box
        QPainterPath top;
        top.moveTo(16, 3);
        top.lineTo(29, 9);
        top.lineTo(16, 15);
        top.lineTo(3, 9);
        top.closeSubpath();
        QPainterPath left;
        left.moveTo(3, 9);
        left.lineTo(16, 15);
        left.lineTo(16, 30);
        left.lineTo(3, 23);
        left.closeSubpath();
        QPainterPath right;
        right.moveTo(29, 9);
        right.lineTo(16, 15);
        right.lineTo(16, 30);
        right.lineTo(29, 23);
        right.closeSubpath();
        Shape(p, left, kAmber);
        Shape(p, right, kAmber.darker(120));
        Shape(p, top, kAmber.lighter(125));
      },
      [](QPainter& p) {  // companies: two office buildings
        Shape(p, Rounded(3, 10, 12, 20, 1.5), kSky);
        Shape(p, Rounded(15, 3, 14, 27, 1.5), kBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(kPaper);
        for (int row = 0; row < 5; ++row) {
          for (int col = 0; col < 2; ++col) p.drawRect(QRectF(18 + col * 5, 6 + row * 4.6, 3, 2.6));
        }
        p.setBrush(kInk);
        for (int row = 0; row < 3; ++row) p.drawRect(QRectF(6, 14 + row * 5, 6, 2.4));
      },
      [](QPainter& p) {  // transfer: an arrow from a sheet into a bound book
        Sheet(p, 1, 4, 13, 17);
        Shape(p, Rounded(17, 8, 14, 22, 2), kGreen);
        p.setPen(QPen(kPaper, 1.5));
        p.drawLine(QPointF(20, 8), QPointF(20, 30));
        Arrow(p, QPointF(6, 26), QPointF(25, 17), kBlue, 3);
      },
      [](QPainter& p) {  // analysis: a bar chart under a magnifier
        const double heights[4] = {20, 13, 9, 6};
        for (int i = 0; i < 4; ++i) {
          Shape(p, Rounded(2 + i * 6.5, 29 - heights[i], 5, heights[i], 1), i == 0 ? kBlue : kSky,
                1.2);
        }
        p.setPen(QPen(kRed, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(
            QPolygonF({QPointF(4.5, 8), QPointF(11, 15), QPointF(17.5, 19), QPointF(24, 22)}));
        Magnifier(p, 22, 10, 6);
      },
  };
  for (const Resolution& r : kResolution) {
    for (int i = 0; i < 9; ++i) {
      Save(folder, Draw(r, 32, 32, 1.0, pictures[i]), QStringLiteral("BTN%1").arg(i + 1) + r.suffix,
           0xFF00FF);
    }
  }
}

// --- the window icon: a magnifier sweeping down a sheet, nine frames ---------------------

void LogoFrames(const QString& folder) {
  for (const Resolution& r : kResolution) {
    for (int frame = 1; frame <= 9; ++frame) {
      const double phase = (frame - 1) / 8.0;
      const QImage image = Draw(r, 64, 64, 2.0, [phase](QPainter& p) {
        Sheet(p, 3, 2, 22, 28);
        Lines(p, 7, 10, 13, 5, 4);
        const double y = 10 + phase * 14;
        p.setPen(QPen(QColor(240, 180, 60, 160), 3));
        p.drawLine(QPointF(6, y), QPointF(22, y));
        Magnifier(p, 18, y, 6);
      });
      Save(folder, image, QStringLiteral("LOGO%1").arg(frame) + r.suffix, 0xFF00FF);
    }
  }
}

// --- the banner: 158 x 108 beside the buttons, on the blue band ---------------------------

void Banner(const QString& folder) {
  for (const Resolution& r : kResolution) {
    const QImage image = Draw(r, 158, 108, 1.0, [](QPainter& p) {
      p.save();
      p.translate(57, 6);
      p.scale(1.4, 1.4);
      Sheet(p, 2, 2, 22, 28);
      Lines(p, 6, 11, 14, 4, 4);
      Check(p, 6, 24, 7, kGreen, 2);
      Magnifier(p, 20, 19, 6.5);
      p.restore();
      QFont title(QStringLiteral("DejaVu Sans"));
      title.setBold(true);
      title.setPixelSize(22);
      p.setFont(title);
      p.setPen(QColor(20, 45, 75, 150));
      p.drawText(QRectF(1, 55, 158, 30), Qt::AlignHCenter | Qt::AlignVCenter,
                 QStringLiteral("טליסקן"));
      p.setPen(QColor(254, 254, 254));
      p.drawText(QRectF(0, 54, 158, 30), Qt::AlignHCenter | Qt::AlignVCenter,
                 QStringLiteral("טליסקן"));
      QFont subtitle(QStringLiteral("DejaVu Sans"));
      subtitle.setPixelSize(11);
      p.setFont(subtitle);
      p.setPen(QColor(235, 242, 250));
      p.drawText(QRectF(0, 82, 158, 18), Qt::AlignHCenter | Qt::AlignVCenter,
                 QStringLiteral("בדיקת קבצים במבנה אחיד"));
    });
    Save(folder, image, QStringLiteral("BALASH") + r.suffix, 0xFFFFFF);
  }
}

// --- the desktop icon: the banner's sheet on a blue tile, at every hicolor size -----------

void DesktopIcons(const QString& folder) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QImage image = Draw(kResolution[0], size, size, size / 32.0, [](QPainter& p) {
      QLinearGradient tile(0, 0, 0, 32);
      tile.setColorAt(0, QColor(65, 123, 174));
      tile.setColorAt(1, QColor(31, 63, 95));
      p.setPen(Qt::NoPen);
      p.setBrush(tile);
      p.drawPath(Rounded(1, 1, 30, 30, 6));
      Sheet(p, 6, 4, 17, 23);
      Lines(p, 9, 11, 10, 3, 4);
      Check(p, 9, 20, 5, kGreen, 2);
      Magnifier(p, 20, 18, 5);
    });
    const QString place = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
    QDir().mkpath(place);
    image.save(place + QStringLiteral("/com.norva.Tallyscan.png"));
  }
}

// --- the list image strip LvImg: 21 images of 20 x 20 ------------------------------------

void ListStrip(const QString& folder) {
  const Drawing images[21] = {
      [](QPainter& p) {  // 0 success or heading
        Shape(p, Circle(10, 10, 8.5), kGreen);
        Check(p, 5.5, 6.5, 9, Qt::white, 2.2);
      },
      [](QPainter& p) {  // 1 error
        Shape(p, Circle(10, 10, 8.5), kRed);
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
      },
      [](QPainter& p) {  // 2 warning (not used by the lists yet)
        QPainterPath path;
        path.moveTo(10, 1.5);
        path.lineTo(18.5, 17.5);
        path.lineTo(1.5, 17.5);
        path.closeSubpath();
        Shape(p, path, kAmber);
        p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 7), QPointF(10, 12));
        p.drawPoint(QPointF(10, 15));
      },
      [](QPainter& p) {  // 3 information
        Shape(p, Circle(10, 10, 8.5), kBlue);
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 9), QPointF(10, 14.5));
        p.drawPoint(QPointF(10, 5.5));
      },
      [](QPainter& p) {  // 4 stopped by the user
        QPainterPath octagon;
        for (int i = 0; i < 8; ++i) {
          const double angle = (22.5 + 45 * i) * M_PI / 180;
          const QPointF point(10 + 8.8 * std::cos(angle), 10 + 8.8 * std::sin(angle));
          i == 0 ? octagon.moveTo(point) : octagon.lineTo(point);
        }
        octagon.closeSubpath();
        Shape(p, octagon, QColor(230, 120, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 8.5, 9, 3));
      },
      [](QPainter& p) {  // 5 account kind: profit and loss (income and expenses)
        Shape(p, Rounded(2, 3, 16, 14, 2), kPaper);
        p.setPen(QPen(kGreen, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 14), QPointF(9, 9));
        p.drawLine(QPointF(9, 9), QPointF(11, 11));
        p.drawLine(QPointF(11, 11), QPointF(15, 6));
      },
      [](QPainter& p) {  // 6 account kind: off the balance sheet (above 8999)
        Shape(p, Rounded(2, 3, 16, 14, 2), kSky);
        p.setPen(QPen(kInk, 1.5, Qt::DotLine));
        p.drawLine(QPointF(5, 8), QPointF(15, 8));
        p.drawLine(QPointF(5, 12), QPointF(15, 12));
      },
      [](QPainter& p) {  // 7 account kind: customers, suppliers and the rest
        Shape(p, Circle(10, 7, 3.5), kBlue);
        QPainterPath body;
        body.moveTo(3, 18);
        body.cubicTo(3, 10, 17, 10, 17, 18);
        body.closeSubpath();
        Shape(p, body, kBlue);
      },
      [](QPainter& p) {  // 8 account kind: cash and bank; totals
        Shape(p, Rounded(1.5, 5, 17, 11, 2), kGreen);
        Shape(p, Circle(10, 10.5, 3), kGreen.lighter(140), 1.2);
      },
      [](QPainter& p) { Coin(p, 10, 10, 8.5, kBlue, QStringLiteral("ח")); },  // 9 debit
      [](QPainter& p) { Coin(p, 10, 10, 8.5, kRed, QStringLiteral("ז")); },   // 10 credit
      [](QPainter& p) {                                                       // 11 cash
        Shape(p, Rounded(1.5, 5, 17, 10, 1.5), kGreen.lighter(130));
        Shape(p, Circle(10, 10, 2.8), kGreen, 1.2);
      },
      [](QPainter& p) {  // 12 cheque
        Shape(p, Rounded(1.5, 5, 17, 10, 1), kPaper);
        Lines(p, 4, 9, 8, 2, 3);
        p.setPen(QPen(kBlue, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(16, 9));
      },
      [](QPainter& p) {  // 13 credit card
        Shape(p, Rounded(1.5, 4, 17, 12, 2), kBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRect(QRectF(2, 7, 16, 2.5));
        p.setBrush(kAmber);
        p.drawRect(QRectF(4, 11, 4, 3));
      },
      [](QPainter& p) {  // 14 bank transfer
        Arrow(p, QPointF(3, 7), QPointF(17, 7), kBlue, 2);
        Arrow(p, QPointF(17, 13), QPointF(3, 13), kGreen, 2);
      },
      [](QPainter& p) {  // 15 gift voucher
        Shape(p, Rounded(2, 7, 16, 11, 1.5), kViolet);
        Shape(p, Rounded(1.5, 5, 17, 4, 1), kViolet.lighter(130));
        p.setPen(QPen(kAmber, 2));
        p.drawLine(QPointF(10, 5), QPointF(10, 18));
      },
      [](QPainter& p) {  // 16 exchange note
        Shape(p, Rounded(3, 3, 14, 14, 2), kPaper);
        Arrow(p, QPointF(6, 8), QPointF(14, 8), kViolet, 1.6);
        Arrow(p, QPointF(14, 13), QPointF(6, 13), kViolet, 1.6);
      },
      [](QPainter& p) {  // 17 promissory note
        Sheet(p, 3, 1.5, 14, 17);
        p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
        QPainterPath sign;
        sign.moveTo(5, 14);
        sign.cubicTo(7, 10, 9, 17, 11, 13);
        sign.cubicTo(12, 11, 13, 15, 15, 13);
        p.setBrush(Qt::NoBrush);
        p.drawPath(sign);
      },
      [](QPainter& p) {  // 18 standing order
        Shape(p, Circle(10, 10, 8), kPaper);
        p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(5, 5, 10, 10), 30 * 16, 280 * 16);
        p.drawLine(QPointF(14.3, 7.5), QPointF(15.5, 4.5));
      },
      [](QPainter& p) {  // 19 other payment, withholding
        Shape(p, Rounded(2, 4, 16, 12, 2), kGrey.lighter(140));
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(6 + i * 4, 10), 1.2, 1.2);
      },
      [](QPainter& p) {  // 20 total
        Shape(p, Rounded(2, 2, 16, 16, 2), kAmber.lighter(130));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(14);
        p.setFont(font);
        p.setPen(kInk);
        p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, QString(QChar(0x03A3)));
      },
  };
  for (const Resolution& r : kResolution) {
    const int size = 20 * r.factor;
    QImage strip(size * 21, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int i = 0; i < 21; ++i) painter.drawImage(i * size, 0, Draw(r, 20, 20, 1.0, images[i]));
    painter.end();
    Save(folder, strip, QStringLiteral("LvImg") + r.suffix, 0xFF00FF);
  }
}

// --- the document-type selector's strip "HeshComb", 11 images of 20 x 20 --------------------
// 0 no type chosen, 1-9 the families of types by their first digit (orders, delivery notes,
// invoices, receipts and cash, purchase orders, purchase deliveries, purchase invoices, stock,
// production), 10 all types.

// A box with its tape, for goods.
void Box(QPainter& p, double x, double y, double w, double h, const QColor& fill) {
  Shape(p, Rounded(x, y, w, h, 1.5), fill);
  p.setPen(QPen(kInk, 1));
  p.drawLine(QPointF(x + w / 2, y), QPointF(x + w / 2, y + h * 0.45));
  p.drawLine(QPointF(x, y + h * 0.3), QPointF(x + w, y + h * 0.3));
}

// A clipboard with a sheet on it, for orders.
void Clipboard(QPainter& p, const QColor& board) {
  Shape(p, Rounded(3.5, 2.5, 13, 16, 2), board);
  Shape(p, Rounded(5.5, 5, 9, 11.5, 1), kPaper, 1);
  Shape(p, Rounded(7.5, 1.5, 5, 3, 1), kGrey, 1);
  Lines(p, 7.5, 8.5, 5, 3, 2.5);
}

void TypeStrip(const QString& folder) {
  const Drawing images[11] = {
      [](QPainter& p) {  // 0 no type chosen
        p.setPen(QPen(kGrey, 1.5, Qt::DashLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(4, 2.5, 12, 15), 2, 2);
      },
      [](QPainter& p) { Clipboard(p, kAmber); },  // 1 orders
      [](QPainter& p) {                           // 2 delivery notes and returns
        Box(p, 2, 6, 11, 10, kAmber);
        Arrow(p, QPointF(13, 3.5), QPointF(18.5, 3.5), kBlue, 1.8);
      },
      [](QPainter& p) {  // 3 invoices and credit notes
        Sheet(p, 3, 1.5, 14, 17);
        Lines(p, 5.5, 8, 7, 3, 3);
        p.setPen(QPen(kRed, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 16), QPointF(14.5, 16));
      },
      [](QPainter& p) { Coin(p, 10, 10, 8, kGreen, QString(QChar(0x20AA))); },  // 4 receipts
      [](QPainter& p) { Clipboard(p, kViolet.lighter(130)); },                  // 5 purchase orders
      [](QPainter& p) {  // 6 purchase deliveries
        Box(p, 7, 6, 11, 10, kSky);
        Arrow(p, QPointF(7, 3.5), QPointF(1.5, 3.5), kBlue, 1.8);
      },
      [](QPainter& p) {  // 7 purchase invoices
        Sheet(p, 3, 1.5, 14, 17, kSky);
        Lines(p, 5.5, 8, 7, 3, 3);
      },
      [](QPainter& p) {  // 8 stock
        Box(p, 1.5, 10, 8.5, 8, kAmber);
        Box(p, 10, 10, 8.5, 8, kAmber.darker(110));
        Box(p, 5.75, 2, 8.5, 8, kAmber.lighter(110));
      },
      [](QPainter& p) {  // 9 production: a gear
        p.save();
        p.translate(10, 10);
        for (int tooth = 0; tooth < 8; ++tooth) {
          Shape(p, Rounded(-1.8, -8.8, 3.6, 4.5, 0.8), kGrey.lighter(120), 1.2);
          p.rotate(45);
        }
        Shape(p, Circle(0, 0, 5.8), kGrey.lighter(120), 1.2);
        Shape(p, Circle(0, 0, 2.2), kPaper, 1.2);
        p.restore();
      },
      [](QPainter& p) {  // 10 all types: sheets of every kind
        Sheet(p, 1.5, 1, 11, 13, kSky);
        Sheet(p, 4.5, 3.5, 11, 13, kAmber.lighter(130));
        Sheet(p, 7.5, 6, 11, 13);
      },
  };
  for (const Resolution& r : kResolution) {
    const int size = 20 * r.factor;
    QImage strip(size * 11, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int i = 0; i < 11; ++i) painter.drawImage(i * size, 0, Draw(r, 20, 20, 1.0, images[i]));
    painter.end();
    Save(folder, strip, QStringLiteral("HeshComb") + r.suffix, 0xFF00FF);
  }
}

// --- toolbar images, 24 x 24 -------------------------------------------------------------

void Toolbars(const QString& folder) {
  const std::pair<const char*, Drawing> images[] = {
      {"IdxTb1",
       [](QPainter& p) {  // view the movements of an account
         Sheet(p, 3, 2, 16, 20);
         Lines(p, 6, 9, 10, 3);
         Arrow(p, QPointF(12, 18), QPointF(22, 18), kBlue, 2.5);
       }},
      {"IdxTb2",
       [](QPainter& p) {  // source record
         Sheet(p, 2, 2, 16, 20);
         Lines(p, 5, 9, 9, 3);
         Magnifier(p, 15, 15, 4.5);
       }},
      {"IdxTb3",
       [](QPainter& p) {  // report structure: columns
         Shape(p, Rounded(2, 3, 20, 18, 2), kPaper);
         p.setPen(QPen(kBlue, 1.5));
         p.drawLine(QPointF(9, 3), QPointF(9, 21));
         p.drawLine(QPointF(15, 3), QPointF(15, 21));
         p.drawLine(QPointF(2, 8), QPointF(22, 8));
       }},
      {"IdxTb4", [](QPainter& p) { Magnifier(p, 10, 10, 6.5); }},  // search
      {"IdxTb5",
       [](QPainter& p) {  // print
         Sheet(p, 6, 1.5, 12, 8);
         Shape(p, Rounded(2, 8, 20, 9, 2), kGrey.lighter(130));
         Sheet(p, 6, 14, 12, 8);
         Lines(p, 8, 18, 8, 1);
       }},
      {"TnuTb1", [](QPainter& p) { Arrow(p, QPointF(20, 12), QPointF(4, 12), kBlue, 3); }},
      {"TnuTb2", [](QPainter& p) { Arrow(p, QPointF(4, 12), QPointF(20, 12), kBlue, 3); }},
      {"TnuTb3",
       [](QPainter& p) {  // source document
         Sheet(p, 4, 2, 16, 20, kSky);
         Lines(p, 7, 9, 10, 3);
         Check(p, 8, 16, 6, kGreen, 2);
       }},
      {"KarTb1",
       [](QPainter& p) {  // last document
         Arrow(p, QPointF(18, 12), QPointF(6, 12), kBlue, 3);
         p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(3, 5), QPointF(3, 19));
       }},
      {"KarTb2",
       [](QPainter& p) {  // first document
         Arrow(p, QPointF(6, 12), QPointF(18, 12), kBlue, 3);
         p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(21, 5), QPointF(21, 19));
       }},
      {"PRNT1",
       [](QPainter& p) {  // a printer of the output dialog's printer list
         Shape(p, Rounded(2, 9, 20, 9, 2), kGrey.lighter(130));
         Sheet(p, 6, 2, 12, 8);
         Sheet(p, 6, 15, 12, 7);
         p.setPen(Qt::NoPen);
         p.setBrush(kGreen);
         p.drawEllipse(QPointF(18, 12), 1.2, 1.2);
       }},
      {"DELET",
       [](QPainter& p) {  // the output dialog's execute button while it reads "ביטול"
         Shape(p, Circle(12, 12, 10), kRed);
         p.setPen(QPen(kPaper, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(8, 8), QPointF(16, 16));
         p.drawLine(QPointF(16, 8), QPointF(8, 16));
       }},
      {"Stop",
       [](QPainter& p) {  // the stop button of long operations: a red octagon
         QPainterPath octagon;
         for (int corner = 0; corner < 8; ++corner) {
           const double angle = (corner * 45.0 + 22.5) * 3.14159265358979 / 180.0;
           const QPointF point(12 + 10.5 * std::cos(angle), 12 + 10.5 * std::sin(angle));
           corner == 0 ? octagon.moveTo(point) : octagon.lineTo(point);
         }
         octagon.closeSubpath();
         Shape(p, octagon, kRed);
         p.setPen(Qt::NoPen);
         p.setBrush(kPaper);
         p.drawRect(QRectF(7.5, 10.5, 9, 3));
       }},
  };
  for (const auto& [name, drawing] : images) {
    for (const Resolution& r : kResolution) {
      Save(folder, Draw(r, 24, 24, 1.0, drawing), QString::fromLatin1(name) + r.suffix, 0xFF00FF);
    }
  }
}

// --- the e-mail dialog: button pictures 24 x 24 and the sending animation --------------

void Envelope(QPainter& p, double x, double y, double w, double h, const QColor& fill = kPaper) {
  Shape(p, Rounded(x, y, w, h, 1.5), fill);
  p.setPen(Outline(1.2));
  p.setBrush(Qt::NoBrush);
  QPainterPath flap;
  flap.moveTo(x + 1, y + 1);
  flap.lineTo(x + w / 2, y + h * 0.55);
  flap.lineTo(x + w - 1, y + 1);
  p.drawPath(flap);
}

void MailPictures(const QString& folder) {
  const std::pair<const char*, Drawing> images[] = {
      {"BOOK",
       [](QPainter& p) {  // the address book: a bound book with an "@"
         Shape(p, Rounded(4, 2, 17, 20, 2), kBlue);
         Shape(p, Rounded(7, 2, 14, 20, 1.5), kSky);
         p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
         for (int i = 0; i < 3; ++i) p.drawLine(QPointF(3, 6 + i * 6), QPointF(6, 6 + i * 6));
         QFont font(QStringLiteral("DejaVu Sans"));
         font.setBold(true);
         font.setPixelSize(12);
         p.setFont(font);
         p.drawText(QRectF(7, 4, 14, 16), Qt::AlignCenter, QStringLiteral("@"));
       }},
      {"PAGEPROP",
       [](QPainter& p) {  // the parameters: a sheet with settings sliders
         Sheet(p, 3, 2, 16, 20);
         p.setPen(QPen(kGrey, 1.5, Qt::SolidLine, Qt::RoundCap));
         for (int i = 0; i < 3; ++i) p.drawLine(QPointF(6, 9 + i * 5), QPointF(16, 9 + i * 5));
         const double knobs[3] = {9, 14, 11};
         for (int i = 0; i < 3; ++i) Shape(p, Circle(knobs[i], 9 + i * 5, 1.8), kAmber, 1);
         Shape(p, Circle(18, 18, 4.5), kBlue, 1.2);
         Shape(p, Circle(18, 18, 1.6), kPaper, 1);
       }},
      {"MAIL",
       [](QPainter& p) {  // send: an envelope with a departing arrow
         Envelope(p, 2, 7, 16, 12);
         Arrow(p, QPointF(12, 4), QPointF(22, 4), kGreen, 2.2);
       }},
  };
  for (const auto& [name, drawing] : images) {
    for (const Resolution& r : kResolution) {
      Save(folder, Draw(r, 24, 24, 1.0, drawing), QString::fromLatin1(name) + r.suffix, 0xFF00FF);
    }
  }
  // SENDING: eight 48 x 32 frames side by side, an envelope flying from the sheet to the
  // globe-like server and back round. One resolution only: the animation steps through the
  // strip by pixels.
  constexpr int kFrames = 8;
  QImage strip(48 * kFrames, 32, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  for (int frame = 0; frame < kFrames; ++frame) {
    const double phase = frame / double(kFrames - 1);
    painter.drawImage(frame * 48, 0, Draw(kResolution[0], 48, 32, 1.0, [phase](QPainter& p) {
                        Sheet(p, 1, 6, 12, 16);
                        Shape(p, Circle(40, 14, 7), kSky);
                        p.setPen(QPen(kBlue, 1));
                        p.drawLine(QPointF(33, 14), QPointF(47, 14));
                        p.drawEllipse(QPointF(40, 14), 3, 7);
                        const double x = 10 + phase * 20;
                        const double y = 18 - std::sin(phase * 3.14159265358979) * 10;
                        Envelope(p, x, y, 11, 8, kAmber.lighter(140));
                      }));
  }
  painter.end();
  Save(folder, strip, QStringLiteral("SENDING"), 0xFF00FF);
}

// PRINTING: the output dialog's animation, twelve 48 x 40 frames side by side: a sheet passing
// through a printer into its tray while the light blinks.
void PrintingStrip(const QString& folder) {
  constexpr int kFrames = 12;
  QImage strip(48 * kFrames, 40, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  for (int frame = 0; frame < kFrames; ++frame) {
    painter.drawImage(frame * 48, 0, Draw(kResolution[0], 48, 40, 1.0, [frame](QPainter& p) {
                        const double shift = frame * 1.5;
                        Sheet(p, 14, 1 + shift, 20, 14);
                        Lines(p, 17, 5 + shift, 14, 2, 3);
                        Shape(p, Rounded(3, 15, 42, 15, 3), kGrey.lighter(130));
                        p.setPen(Qt::NoPen);
                        p.setBrush(frame % 2 == 0 ? kGreen : kGrey);
                        p.drawEllipse(QPointF(39, 20), 2, 2);
                        Sheet(p, 10, 28, 28, 9);
                      }));
  }
  painter.end();
  Save(folder, strip, QStringLiteral("PRINTING"), 0xFF00FF);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("images");
  const QString icons =
      argc > 2 ? QString::fromLocal8Bit(argv[2]) : folder + QStringLiteral("/../icons");
  QDir().mkpath(folder);
  ButtonPictures(folder);
  LogoFrames(folder);
  Banner(folder);
  ListStrip(folder);
  TypeStrip(folder);
  Toolbars(folder);
  MailPictures(folder);
  PrintingStrip(folder);
  DesktopIcons(icons);
  return 0;
}
