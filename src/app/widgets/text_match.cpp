#include "app/widgets/text_match.h"

namespace tallyscan {
namespace {

// A figure without its group separators and decimal point: "1,234.50" → "123450".
QString Digits(const QString& text) {
  QString digits;
  for (const QChar c : text) {
    if (c.isDigit() || c == QLatin1Char('-')) digits.append(c);
  }
  return digits;
}

bool LooksLikeFigure(const QString& text) {
  bool digit = false;
  for (const QChar c : text) {
    if (c.isDigit()) {
      digit = true;
    } else if (c != QLatin1Char(',') && c != QLatin1Char('.') && c != QLatin1Char('-')) {
      return false;
    }
  }
  return digit;
}

}  // namespace

TextMatch::TextMatch(const QString& word)
    : word_(word.trimmed()), digits_(LooksLikeFigure(word_) ? Digits(word_) : QString()) {}

bool TextMatch::Matches(const QString& shown) const {
  if (word_.isEmpty()) return false;
  if (shown.contains(word_, Qt::CaseInsensitive)) return true;
  if (digits_.isEmpty()) return false;
  // A balance's sense after it (" ח", " ז") is no part of its digits.
  QString figure = shown;
  if (figure.endsWith(QStringLiteral(" ח")) || figure.endsWith(QStringLiteral(" ז"))) {
    figure.chop(2);
  }
  return LooksLikeFigure(figure) && Digits(figure).contains(digits_);
}

}  // namespace tallyscan
