#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/background/read_task.h"
#include "app/pages/page.h"
#include "engine/browse/browse.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tallyscan {

class FilterBox;
class Grid;
class GridRowSource;
class WorkProgress;

// Page 4, the ledger: the card of one account at a time, its movements in file order with the
// running balance and the totals row, in the columns of the field list "TnuaFields". The range
// fields "מכרטיס" and "עד כרטיס" with their name labels choose the account (the show button
// loads the "from" account); the toolbar pages to the next and previous card, asks for the
// chosen movement's source document (on the documents page) and opens its source record,
// changes the field list and prints the card.
//
// A card is loaded off the window's thread with the progress bar and "עצור": the card shown
// stays until the new one is in, and a stop leaves it so; leaving the page stops the work.
class LedgerPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kLedger;

  LedgerPage(AppContext& app, PageHost& host, QWidget* parent);
  ~LedgerPage() override;

  void Enter() override;
  void Leave() override;
  QWidget* DefaultFocus() override;
  PageView SaveView() const override;
  void RestoreView(const PageView& view) override;

  // The card of the account with key `key` (trimmed), as the index's "צפה בתנועות" asks for
  // it: the key goes into both range fields and the card is shown.
  void OpenCardOf(const QString& key);
  // The card of AccountIndex element `account` with the movement at data-file offset `offset`
  // chosen and in view (the card's top for -1), as a drill-down from an analysis asks for it.
  void OpenMovement(std::int64_t account, std::int64_t offset);
  // The show button: the card of the "from" account, or the page's message.
  void ShowFromCard();
  // 1001 / 1002: the next (+1) or previous (-1) card.
  void StepCard(int step);
  // 1003 "מסמך מקור" and 1004 "תנועת מקור" on the chosen movement. The source document
  // found is asked for with OpenDocument; none found gives the page's message.
  void ShowSourceDocument();
  // Enter or a double-click on a movement: its source document, or else its source record.
  void DrillDown();
  void ShowSourceRecord();
  // The account chooser beside a range field: the chosen key goes into `field`.
  void ChooseAccount(QLineEdit* field);
  // 1005 "מבנה הדו'ח".
  void ChooseFields();
  // Loads AccountIndex element `account` off the window's thread and shows its card; then
  // runs `then` (not when the work is stopped or replaced).
  void ShowCard(std::int64_t account, std::function<void()> then = {});
  // The cards "הדפס" prints: the range typed above the grid ("עד כרטיס" empty: the "מכרטיס"
  // card alone), or the card on screen alone when the user has paged to a card beyond it.
  CardRange PrintRange() const;
  // A card is being loaded, or the filter is matching.
  bool Working() const;
  WorkProgress* Progress() const { return work_; }

  const LedgerCard& Card() const { return *card_; }
  Grid* List() const { return list_; }
  FilterBox* Filter() const { return filter_; }
  QLineEdit* FromField() const { return from_; }
  QLineEdit* ToField() const { return to_; }
  QLabel* Header() const { return header_; }
  int ChosenRow() const;

 signals:
  // The source document of the chosen movement, DocumentIndex element `element`, was asked
  // for.
  void OpenDocument(qint64 element);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The constructor's steps, in their order.
  std::array<QToolButton*, 6> MakeTools();
  std::array<QPushButton*, 2> MakeRangeFields();
  void MakeList();
  void LayOutParts(const std::array<QToolButton*, 6>& tools,
                   const std::array<QPushButton*, 2>& choose);
  void ConnectTools(const std::array<QToolButton*, 6>& tools);
  void BuildColumns();
  void UpdateNameLabel(QLineEdit* field, QLabel* label, const QString& caption);
  // The chosen movement row of the card, null (after the message) when none is.
  const LedgerRow* ChosenMovement();
  void Print();

  // Never changed once shown (another card replaces it): work off the thread may hold it.
  std::shared_ptr<const LedgerCard> card_ = std::make_shared<const LedgerCard>();
  ReadTask card_task_;
  std::unique_ptr<GridRowSource> source_;
  std::uint64_t shown_load_ = ~std::uint64_t{0};  // LoadNumber of the set the rows show
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLabel* from_name_ = nullptr;
  QLabel* to_name_ = nullptr;
  QLabel* header_ = nullptr;
  QPushButton* show_button_ = nullptr;
  QToolButton* print_button_ = nullptr;
  Grid* list_ = nullptr;
  FilterBox* filter_ = nullptr;  // the grid reads its rows through the filter
  WorkProgress* work_ = nullptr;
};

}  // namespace tallyscan
