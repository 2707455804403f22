#include "app/path_text.h"

namespace tallyscan {
namespace {

bool Hebrew(QChar c) { return c.unicode() >= 0x0590 && c.unicode() <= 0x05FF; }
bool Separator(QChar c) { return c == u'/' || c == u'\\'; }
bool Blank(QChar c) { return c == u' ' || c == u'\u00A0'; }
bool LineEnd(QChar c) { return c == u'\n' || c == u'\r' || c == u'\t'; }
bool Space(QChar c) { return Blank(c) || LineEnd(c); }

// The end of the word that begins at `at`.
qsizetype WordEnd(const QString& text, qsizetype at) {
  while (at < text.size() && !Space(text[at])) ++at;
  return at;
}

bool AnyOf(QStringView word, bool (*test)(QChar)) {
  for (const QChar c : word) {
    if (test(c)) return true;
  }
  return false;
}

// A word of digits and separators: a date or a fraction, not a path.
bool DigitsOnly(QStringView word) {
  for (const QChar c : word) {
    if (!c.isDigit() && !Separator(c) && c != u'.' && c != u'-') return false;
  }
  return true;
}

bool PathStartsAt(const QString& text, qsizetype at) {
  if (at > 0) {
    const QChar before = text[at - 1];
    if (!Space(before) && before != u'(' && before != u'"' && before != u'\'' && before != u'[') {
      return false;
    }
  }
  const QStringView rest = QStringView(text).mid(at);
  const QStringView word = rest.left(WordEnd(text, at) - at);
  if (word.startsWith(u'/') || word.startsWith(u"~/") || word.startsWith(u"\\\\")) return true;
  if (word.size() >= 3 && word[0].isLetter() && word[0].unicode() < 0x80 && word[1] == u':' &&
      Separator(word[2])) {
    return true;
  }
  // An address ("https://...") begins with a letter and reads right as it is.
  return AnyOf(word, Separator) && !AnyOf(word, Hebrew) && !DigitsOnly(word) &&
         !word.startsWith(u'(') && !word.contains(u"://");
}

// The end of the path that begins at `at`.
qsizetype PathEnd(const QString& text, qsizetype at) {
  qsizetype end = WordEnd(text, at);
  while (end < text.size() && !text.mid(at, end - at).endsWith(u':')) {
    qsizetype next = end;
    while (next < text.size() && Blank(text[next])) ++next;
    if (next == text.size() || LineEnd(text[next])) break;
    const qsizetype word_end = WordEnd(text, next);
    const QStringView word = QStringView(text).mid(next, word_end - next);
    if (word.startsWith(u'(') || word.startsWith(u'-')) break;
    if (!AnyOf(word, Separator) && AnyOf(word, Hebrew)) break;
    end = word_end;
  }
  while (end > at + 1 && QStringView(u".,;:)\"'").contains(text[end - 1])) --end;
  return end;
}

}  // namespace

QString IsolatePaths(const QString& text) {
  if (text.contains(kLeftToRightIsolate)) return text;
  QString shown;
  qsizetype at = 0;
  while (at < text.size()) {
    if (!Space(text[at]) && PathStartsAt(text, at)) {
      const qsizetype end = PathEnd(text, at);
      shown += kLeftToRightIsolate;
      shown += QStringView(text).mid(at, end - at);
      shown += kPopDirectionalIsolate;
      at = end;
      continue;
    }
    shown += text[at];
    ++at;
  }
  return shown;
}

}  // namespace tallyscan
