#pragma once

#include <QLineEdit>
#include <QModelIndex>

#include "app/app_context.h"

namespace tallyscan {

class Grid;
class CardNumberEdit;

// The procedure of the card-number edit: it takes every key (Tab included), switches the
// keyboard to numeric entry when it gets the focus, and when it loses the focus gives the
// typed number to the card-number rule of AccountListIndex, shows the refusal if there is
// one, returns the focus to the grid, closes itself and turns Num Lock back off. Return
// ends the entry like a change of focus; Escape ends it without a change. Returns true when
// it has handled the event.
bool SPEDITPROC(CardNumberEdit& edit, QEvent* event);

// An edit over the card-number cell of a grid whose row r shows entry r + 1 of
// AccountListIndex: digits only, at most six.
class CardNumberEdit final : public QLineEdit {
  Q_OBJECT
 public:
  CardNumberEdit(AppContext& app, Grid& grid, const QModelIndex& cell);

  int Row() const { return row_; }

 protected:
  bool event(QEvent* event) override;

 private:
  friend bool SPEDITPROC(CardNumberEdit& edit, QEvent* event);
  // Closes the edit; with `commit`, after the rule has taken the typed number.
  void Finish(bool commit);

  AppContext& app_;
  Grid& grid_;
  int row_;
  bool finished_ = false;
};

// Opens the edit over `cell`, showing the row's card number, and gives it the focus.
CardNumberEdit* EditCardNumber(AppContext& app, Grid& grid, const QModelIndex& cell);

}  // namespace tallyscan
