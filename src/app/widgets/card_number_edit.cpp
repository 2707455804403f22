#include "app/widgets/card_number_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "app/app_message.h"
#include "app/keyboard.h"
#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/text/text.h"

namespace tallyscan {

CardNumberEdit::CardNumberEdit(AppContext& app, Grid& grid, const QModelIndex& cell)
    : QLineEdit(grid.viewport()), app_(app), grid_(grid), row_(cell.row()) {
  setObjectName(QStringLiteral("cardNumberEdit"));
  setMaxLength(kShortKeyLength);
  setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), this));
  SetDigitsOnly(this);
  setGeometry(grid.visualRect(cell));
  const std::int64_t element = row_ + 1;
  if (element >= 1 && element <= app_.store.AccountListIndex.Count()) {
    const std::string_view number = TrimSpaces(app_.store.AccountListIndex[element].ShortKeyView());
    setText(QString::fromLatin1(number.data(), static_cast<qsizetype>(number.size())));
  }
  selectAll();
}

bool CardNumberEdit::event(QEvent* event) {
  if (SPEDITPROC(*this, event)) return true;
  return QLineEdit::event(event);
}

void CardNumberEdit::Finish(bool commit) {
  if (finished_) return;
  finished_ = true;
  if (commit) {
    const CardNumberVerdict verdict =
        UpdateCardNumber(app_.store.AccountListIndex, row_ + 1, text().toStdString());
    if (verdict == CardNumberVerdict::kAccepted) grid_.Model().RowsChanged();
    const std::string_view message = CardNumberMessage(verdict);
    if (!message.empty()) {
      AppMessage(app_, &grid_, 1, MessageIcon::kExclamation,
                 QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    }
  }
  grid_.setFocus();
  hide();
  deleteLater();
  NumLock();
}

bool SPEDITPROC(CardNumberEdit& edit, QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn:
      Num();
      return false;
    case QEvent::FocusOut:
      // The edit's own context menu takes the focus only for a moment.
      if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) edit.Finish(true);
      return false;
    case QEvent::ShortcutOverride:
      event->accept();  // every key is the edit's
      return true;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        edit.Finish(true);
        return true;
      }
      if (key == Qt::Key_Escape) {
        edit.Finish(false);
        return true;
      }
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return true;
      return false;
    }
    default:
      return false;
  }
}

CardNumberEdit* EditCardNumber(AppContext& app, Grid& grid, const QModelIndex& cell) {
  auto* edit = new CardNumberEdit(app, grid, cell);
  edit->show();
  edit->setFocus();
  return edit;
}

}  // namespace tallyscan
