#include "app/dialogs/rtl_tables.h"

#include <QList>
#include <QRegularExpression>

namespace tallyscan {

QString MirrorTableRows(const QString& html) {
  static const QRegularExpression kRow(
      QStringLiteral("(<tr\\b[^>]*>)(.*?)(</tr>)"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kCell(
      QStringLiteral("<t([dh])\\b[^>]*>.*?</t\\1>"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kTable(QStringLiteral("<table\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
  QString out;
  out.reserve(html.size());
  qsizetype done = 0;
  for (auto rows = kRow.globalMatch(html); rows.hasNext();) {
    const QRegularExpressionMatch row = rows.next();
    const QString content = row.captured(2);
    QList<QString> cells;
    QString between;
    qsizetype at = 0;
    for (auto found = kCell.globalMatch(content); found.hasNext();) {
      const QRegularExpressionMatch cell = found.next();
      between += content.mid(at, cell.capturedStart() - at);
      cells.append(cell.captured());
      at = cell.capturedEnd();
    }
    between += content.mid(at);
    if (cells.size() < 2 || !between.trimmed().isEmpty() || content.contains(kTable)) continue;
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
