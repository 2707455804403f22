#include "app/dialogs/rtl_tables.h"

#include <QList>
#include <QRegularExpression>

#include "app/widgets/grid.h"

namespace tallyscan {
namespace {

constexpr auto kOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;

// The text a cell shows: its tags dropped, its blanks trimmed.
QString ShownText(const QString& cell) {
  static const QRegularExpression kTag(QStringLiteral("<[^>]*>"));
  QString text = cell;
  text.remove(kTag);
  text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "), Qt::CaseInsensitive);
  return text.trimmed();
}

// A cell as its opening tag and the rest; a cell holding a figure is marked not to wrap.
QString KeptOnOneLine(const QString& cell) {
  const QString shown = ShownText(cell);
  QString figure = shown;
  // The report writes a negative amount with its sign after it ("8,000.00-").
  if (figure.endsWith(QLatin1Char('-'))) figure.chop(1);
  const QByteArray bytes = figure.toUtf8();
  if (shown.isEmpty() ||
      !IsFigure(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                false)) {
    return cell;
  }
  const qsizetype tag_end = cell.indexOf(QLatin1Char('>'));
  if (tag_end < 0) return cell;
  return cell.left(tag_end) + QStringLiteral(" nowrap") + cell.mid(tag_end);
}

}  // namespace

QString MirrorTableRows(const QString& html) {
  static const QRegularExpression kRow(QStringLiteral("(<tr\\b[^>]*>)(.*?)(</tr>)"), kOptions);
  static const QRegularExpression kCellStart(QStringLiteral("<t[dh]\\b"), kOptions);
  static const QRegularExpression kCellEnd(QStringLiteral("</t[dh]\\s*>"), kOptions);
  static const QRegularExpression kTable(QStringLiteral("<table\\b"), kOptions);
  QString out;
  out.reserve(html.size());
  qsizetype done = 0;
  for (auto rows = kRow.globalMatch(html); rows.hasNext();) {
    const QRegularExpressionMatch row = rows.next();
    const QString content = row.captured(2);
    if (content.contains(kTable)) continue;
    QList<qsizetype> starts;
    for (auto found = kCellStart.globalMatch(content); found.hasNext();) {
      starts.append(found.next().capturedStart());
    }
    if (starts.size() < 2 || !content.left(starts.front()).trimmed().isEmpty()) continue;
    starts.append(content.size());
    QList<QString> cells;
    bool plain = true;
    for (qsizetype i = 0; i + 1 < starts.size() && plain; ++i) {
      QString part = content.mid(starts[i], starts[i + 1] - starts[i]);
      const QRegularExpressionMatch end = kCellEnd.match(part);
      if (end.hasMatch()) {
        // Blanks after a closed cell go; anything else there is text between cells.
        if (!part.mid(end.capturedEnd()).trimmed().isEmpty()) plain = false;
        part.truncate(end.capturedEnd());
      }
      cells.append(KeptOnOneLine(part));
    }
    if (!plain) continue;
    out += QStringView(html).mid(done, row.capturedStart() - done);
    out += row.captured(1);
    for (auto cell = cells.crbegin(); cell != cells.crend(); ++cell) out += *cell;
    out += row.captured(3);
    done = row.capturedEnd();
  }
  out += QStringView(html).mid(done);
  return out;
}

}  // namespace tallyscan
