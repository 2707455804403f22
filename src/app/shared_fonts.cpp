#include "app/shared_fonts.h"

#include <QStringList>

namespace tallyscan {
namespace {

QFont Tahoma(int points, int weight, bool underline) {
  QFont font(QStringLiteral("Tahoma"), points, weight);
  font.setUnderline(underline);
  font.setItalic(false);
  return font;
}

}  // namespace

SharedFonts::SharedFonts()
    : Tahoma8(Tahoma(8, QFont::Normal, false)),
      Tahoma10(Tahoma(10, QFont::Normal, false)),
      Tahoma10Bold(Tahoma(10, QFont::Bold, false)),
      Tahoma10Underline(Tahoma(10, QFont::Normal, true)),
      Tahoma13(Tahoma(13, QFont::Normal, false)) {}

void InstallFontSubstitutes() {
  QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                             {QStringLiteral("DejaVu Sans"), QStringLiteral("Simple CLM"),
                              QStringLiteral("Nachlieli CLM"), QStringLiteral("Arial")});
}

}  // namespace tallyscan
