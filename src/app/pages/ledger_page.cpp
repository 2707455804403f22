#include "app/pages/ledger_page.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/background/work_progress.h"
#include "app/dialogs/account_chooser_dialog.h"
#include "app/dialogs/field_selection_dialog.h"
#include "app/dialogs/output_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/shared_fonts.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr int kNameLabelLength = 25;

// The card's rows through the engine; the cells of the row last asked for are kept, so the
// columns of one row cost one decoding. One source per thread.
class CardRowSource final : public GridRowSource {
 public:
  CardRowSource(const RecordStore& store, std::shared_ptr<const LedgerCard> card)
      : store_(store), card_(std::move(card)) {}
  std::string CellText(int row, int field) const override {
    if (field < 1 || field > kLedgerFieldCount) return {};
    if (row != cached_row_) {
      cells_ = LedgerRowCells(store_, *card_, row + 1);
      cached_row_ = row;
    }
    return cells_[static_cast<std::size_t>(field - 1)];
  }
  void SetCard(std::shared_ptr<const LedgerCard> card) {
    card_ = std::move(card);
    cached_row_ = -1;
  }

 private:
  const RecordStore& store_;
  std::shared_ptr<const LedgerCard> card_;
  mutable int cached_row_ = -1;
  mutable RowCells cells_;
};

}  // namespace

LedgerPage::LedgerPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent),
      card_task_(app.readers),
      source_(std::make_unique<CardRowSource>(app.store, card_)) {
  setFont(host.Fonts().Tahoma10);
  const std::array<QToolButton*, 6> tools = MakeTools();
  const std::array<QPushButton*, 2> choose = MakeRangeFields();
  MakeList();
  LayOutParts(tools, choose);
  ConnectTools(tools);
}

// The toolbar's six tools: next and previous card, the source document and record, the fields
// and printing.
std::array<QToolButton*, 6> LedgerPage::MakeTools() {
  QToolButton* next =
      MakeToolButton(QStringLiteral("כרטיס קדימה"), QStringLiteral("הצג את הכרטיס הבא"),
                     QStringLiteral("TnuTb1"), QStringLiteral("nextButton"), this);
  QToolButton* previous =
      MakeToolButton(QStringLiteral("כרטיס אחורה"), QStringLiteral("הצג את הכרטיס הקודם"),
                     QStringLiteral("TnuTb2"), QStringLiteral("previousButton"), this);
  QToolButton* document =
      MakeToolButton(QStringLiteral("מסמך מקור"), QStringLiteral("צפייה במסמך שייצר את התנועה"),
                     QStringLiteral("TnuTb3"), QStringLiteral("documentButton"), this);
  QToolButton* source = MakeToolButton(
      QStringLiteral("תנועת מקור"), QStringLiteral("צפייה בתנועת המקור מתוך קובץ התנועות"),
      QStringLiteral("IdxTb2"), QStringLiteral("sourceButton"), this);
  QToolButton* fields = MakeToolButton(
      QStringLiteral("מבנה הדו'ח"), QStringLiteral("הגדרת השדות הרצויים לצפייה בכרטסת"),
      QStringLiteral("IdxTb3"), QStringLiteral("fieldsButton"), this);
  print_button_ = MakeToolButton(QStringLiteral("הדפס"), QStringLiteral("הדפסה של הכרטסת"),
                                 QStringLiteral("IdxTb5"), QStringLiteral("printButton"), this);
  return {next, previous, document, source, fields, print_button_};
}

// The range of cards, each end with its chooser and its name, "הצג" and the card's header.
// Returns the two choosers.
std::array<QPushButton*, 2> LedgerPage::MakeRangeFields() {
  from_ = new QLineEdit(this);
  from_->setObjectName(QStringLiteral("fromField"));
  to_ = new QLineEdit(this);
  to_->setObjectName(QStringLiteral("toField"));
  for (QLineEdit* field : {from_, to_}) {
    field->setMaxLength(15);
    field->setFixedWidth(140);
  }
  from_name_ = new QLabel(QStringLiteral("מכרטיס - "), this);
  from_name_->setObjectName(QStringLiteral("fromName"));
  to_name_ = new QLabel(QStringLiteral("עד כרטיס - "), this);
  to_name_->setObjectName(QStringLiteral("toName"));
  auto* choose_from = new QPushButton(QStringLiteral("..."), this);
  choose_from->setObjectName(QStringLiteral("chooseFromButton"));
  auto* choose_to = new QPushButton(QStringLiteral("..."), this);
  choose_to->setObjectName(QStringLiteral("chooseToButton"));
  for (QPushButton* button : {choose_from, choose_to}) {
    button->setFixedWidth(28);
    button->setToolTip(QStringLiteral("בחר את הכרטיס הרצוי"));
  }
  connect(choose_from, &QPushButton::clicked, this, [this] { ChooseAccount(from_); });
  connect(choose_to, &QPushButton::clicked, this, [this] { ChooseAccount(to_); });
  // The name labels are as wide as their longest text, so that "הצג" beside them stays put
  // while they change.
  const int name_width = from_name_->fontMetrics().horizontalAdvance(
      to_name_->text() + QString(kNameLabelLength, QChar(0x05D0)));
  for (QLabel* label : {from_name_, to_name_}) label->setFixedWidth(name_width);
  show_button_ = new QPushButton(QStringLiteral("הצג"), this);
  show_button_->setObjectName(QStringLiteral("showButton"));
  header_ = new QLabel(this);
  header_->setObjectName(QStringLiteral("cardHeader"));
  header_->setFont(host_.Fonts().Tahoma10Bold);
  return {choose_from, choose_to};
}

// The card's grid with its filter and the progress of the work off the thread.
void LedgerPage::MakeList() {
  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("cardList"));
  list_->setFont(host_.Fonts().Tahoma8);  // the browsers' grid font
  list_->SetStretchField(12);
  BuildColumns();
  filter_ = new FilterBox(*list_, *source_, 12, this);
  filter_->MatchOffThread(app_.readers,
                          [this] { return std::make_unique<CardRowSource>(app_.store, card_); });
  work_ = new WorkProgress(this);
  work_->Watch(card_task_);
  work_->Watch(*filter_->Task());
  list_->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });
  list_->installEventFilter(this);
}

void LedgerPage::LayOutParts(const std::array<QToolButton*, 6>& tools,
                             const std::array<QPushButton*, 2>& choose) {
  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(2);
  for (QToolButton* button : tools) {
    toolbar->addWidget(button);
  }
  toolbar->addStretch(1);
  toolbar->addWidget(work_);
  // The filter box stands beside the card's header, right above the grid: beside the tools it
  // would be pressed under its size at the first-start size on a 1366×768 screen.
  auto* header_row = new QHBoxLayout;
  header_row->addWidget(header_, 1);
  header_row->addWidget(filter_);
  auto* range = new QGridLayout;
  range->addWidget(new QLabel(QStringLiteral("מכרטיס"), this), 0, 0);
  range->addWidget(from_, 0, 1);
  range->addWidget(choose[0], 0, 2);
  range->addWidget(from_name_, 0, 3);
  range->addWidget(new QLabel(QStringLiteral("עד כרטיס"), this), 1, 0);
  range->addWidget(to_, 1, 1);
  range->addWidget(choose[1], 1, 2);
  range->addWidget(to_name_, 1, 3);
  range->addWidget(show_button_, 0, 4, 2, 1);
  range->setColumnStretch(5, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  layout->addLayout(toolbar);
  layout->addLayout(range);
  layout->addLayout(header_row);
  layout->addWidget(list_, 1);
}

void LedgerPage::ConnectTools(const std::array<QToolButton*, 6>& tools) {
  const auto [next, previous, document, source, fields, print] = tools;
  connect(next, &QToolButton::clicked, this, [this] { StepCard(1); });
  connect(previous, &QToolButton::clicked, this, [this] { StepCard(-1); });
  connect(document, &QToolButton::clicked, this, &LedgerPage::ShowSourceDocument);
  connect(source, &QToolButton::clicked, this, &LedgerPage::ShowSourceRecord);
  connect(fields, &QToolButton::clicked, this, &LedgerPage::ChooseFields);
  connect(print, &QToolButton::clicked, this, &LedgerPage::Print);
  connect(show_button_, &QPushButton::clicked, this, &LedgerPage::ShowFromCard);
  connect(from_, &QLineEdit::textChanged, this,
          [this] { UpdateNameLabel(from_, from_name_, QStringLiteral("מכרטיס - ")); });
  connect(to_, &QLineEdit::textChanged, this,
          [this] { UpdateNameLabel(to_, to_name_, QStringLiteral("עד כרטיס - ")); });
  connect(from_, &QLineEdit::returnPressed, this, &LedgerPage::ShowFromCard);
  connect(to_, &QLineEdit::returnPressed, this, &LedgerPage::ShowFromCard);
  connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) DrillDown();
  });
  print_button_->setEnabled(false);
}

LedgerPage::~LedgerPage() {
  // The grid asks the filter, and the filter the card, for texts until they are gone.
  delete filter_;
}

QWidget* LedgerPage::DefaultFocus() {
  if (card_->account == 0) return from_;
  return list_;
}

bool LedgerPage::Working() const { return work_->Running(); }

void LedgerPage::BuildColumns() {
  const FieldCatalogue& catalogue = LedgerCatalogue();
  list_->SetColumns(ColumnsFromFieldList(ReadFieldList(app_.settings, catalogue), catalogue));
  list_->SetWidthKeeper([this](const std::vector<GridColumn>& columns) {
    WriteFieldList(app_.settings, LedgerCatalogue(), ColumnWidthsText(columns));
  });
}

void LedgerPage::Enter() {
  // A new import: the card shown belongs to the set before it.
  if (shown_load_ == app_.store.LoadNumber) return;
  shown_load_ = app_.store.LoadNumber;
  work_->StopAll();
  card_ = std::make_shared<const LedgerCard>();
  static_cast<CardRowSource&>(*source_).SetCard(card_);
  // The keys typed belong to the set before.
  from_->clear();
  to_->clear();
  header_->clear();
  list_->SetRowCount(0);
  filter_->SetRows(0, 0);
  // The range typed above the grid prints, whether or not a card is shown.
  print_button_->setEnabled(app_.store.AccountIndex.Count() > 0);
}

void LedgerPage::Leave() {
  work_->StopAll();
  WriteFieldList(app_.settings, LedgerCatalogue(), ColumnWidthsText(list_->Model().Columns()));
}

PageView LedgerPage::SaveView() const {
  PageView view;
  SaveGridView(*list_, view);
  view.shown = card_->account;
  view.first_text = from_->text();
  view.second_text = to_->text();
  view.filter_text = filter_->Text();
  return view;
}

void LedgerPage::RestoreView(const PageView& view) {
  from_->setText(view.first_text);
  to_->setText(view.second_text);
  const auto restore = [this, view] {
    filter_->SetText(view.filter_text);
    RestoreGridView(*list_, view);
  };
  if (view.shown != card_->account) {
    ShowCard(view.shown, restore);
  } else {
    restore();
  }
}

void LedgerPage::UpdateNameLabel(QLineEdit* field, QLabel* label, const QString& caption) {
  QString name;
  const std::int64_t account = FindAccount(app_.store, field->text().toStdString());
  if (account != 0) {
    name = FromStd(TextCell(
        ReadRecordField(app_.store, app_.store.AccountIndex[account].Offset, field::B110(1404)),
        app_.store.DosCodePage, field::B110(1404).converted));
  }
  label->setText(caption + name.left(kNameLabelLength));
}

void LedgerPage::OpenCardOf(const QString& key) {
  Enter();
  from_->setText(key);
  to_->setText(key);
  ShowFromCard();
}

void LedgerPage::OpenMovement(std::int64_t account, std::int64_t offset) {
  Enter();
  if (account < 1 || account > app_.store.AccountIndex.Count()) return;
  const QString key = FromStd(TrimSpaces(app_.store.AccountIndex[account].Part(kKeyAccount)));
  from_->setText(key);
  to_->setText(key);
  filter_->SetText({});
  // The card loads on a worker: the movement is chosen once its rows are in.
  ShowCard(account, [this, offset] {
    int row = 0;
    for (std::size_t i = 0; i < card_->rows.size(); ++i) {
      if (offset >= 0 && card_->rows[i].offset == offset) row = static_cast<int>(i);
    }
    if (list_->model()->rowCount() > 0) {
      const QModelIndex index = list_->model()->index(row, 1);
      list_->selectionModel()->setCurrentIndex(
          index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      list_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    list_->setFocus();
  });
}

void LedgerPage::ShowFromCard() {
  // The card of "מכרטיס" alone: the range is for printing and paging.
  const CardRange range = FindCardRange(app_.store, from_->text().toStdString(), {});
  if (!range.message.empty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(range.message));
    return;
  }
  ShowCard(range.first, [this] { list_->setFocus(); });
}

void LedgerPage::ShowCard(std::int64_t account, std::function<void()> then) {
  auto loaded = std::make_shared<LedgerCard>();
  const RecordStore& store = app_.store;
  card_task_.Start(
      [&store, account, loaded](ProgressMonitor& monitor) {
        return LoadCard(store, account, monitor, loaded.get());
      },
      [this, loaded, then = std::move(then)](bool completed) {
        if (!completed) return;
        card_ = loaded;
        static_cast<CardRowSource&>(*source_).SetCard(card_);
        header_->setText(card_->account == 0 ? QString() : FromStd(card_->header));
        list_->SetRowCount(0);
        filter_->SetRows(static_cast<int>(card_->rows.size()),
                         card_->account == 0 ? 0 : card_->TrailingRows());
        if (then) then();
      });
}

void LedgerPage::StepCard(int step) {
  if (card_->account == 0) {
    QApplication::beep();
    return;
  }
  const std::int64_t neighbour = NeighbourCard(app_.store, card_->account, step);
  if (neighbour == 0) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(kNoCardsToShow));
    return;
  }
  ShowCard(neighbour, [this] {
    // At its top with the first row chosen, so that Enter drills down at once.
    if (list_->model()->rowCount() > 0) {
      list_->selectionModel()->setCurrentIndex(
          list_->model()->index(0, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    list_->scrollToTop();
    list_->setFocus();
  });
}

int LedgerPage::ChosenRow() const {
  const QModelIndex current = list_->selectionModel()->currentIndex();
  if (!current.isValid() || !list_->selectionModel()->isRowSelected(current.row(), {})) {
    return -1;
  }
  return filter_->SourceRow(current.row());
}

const LedgerRow* LedgerPage::ChosenMovement() {
  const int row = ChosenRow();
  if (row < 0 || static_cast<std::size_t>(row) >= card_->rows.size()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, texts::kChooseRow);
    return nullptr;
  }
  return &card_->rows[static_cast<std::size_t>(row)];
}

void LedgerPage::ShowSourceRecord() {
  const LedgerRow* row = ChosenMovement();
  if (row == nullptr) return;
  if (row->offset < 0) {  // the opening balance is made up: no record stands behind it
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(kNoSourceRecord));
    return;
  }
  OpenRecordDetail(app_, this, {{RecordType::kB100, row->offset}});
}

void LedgerPage::ShowSourceDocument() {
  const LedgerRow* row = ChosenMovement();
  if (row == nullptr) return;
  const std::int64_t document = row->offset < 0 ? 0 : FindSourceDocument(app_.store, row->line);
  if (document == 0) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(kNoSourceDocument));
    return;
  }
  emit OpenDocument(document);
}

void LedgerPage::DrillDown() {
  // A movement drills into its source document; one without a document found shows its own
  // record instead, so that Enter always leads somewhere.
  const LedgerRow* row = ChosenMovement();
  if (row == nullptr) return;
  const std::int64_t document = row->offset < 0 ? 0 : FindSourceDocument(app_.store, row->line);
  if (document != 0) {
    emit OpenDocument(document);
  } else {
    ShowSourceRecord();
  }
}

void LedgerPage::ChooseAccount(QLineEdit* field) {
  AccountChooserDialog chooser(app_.store, this);
  if (chooser.exec() != QDialog::Accepted) return;
  const QString key = chooser.ChosenKey();
  if (!key.isEmpty()) field->setText(key);
}

void LedgerPage::ChooseFields() {
  FieldSelectionDialog dialog(app_, LedgerCatalogue(), this);
  dialog.exec();
  BuildColumns();
  list_->setFocus();
}

CardRange LedgerPage::PrintRange() const {
  CardRange range =
      FindCardRange(app_.store, from_->text().toStdString(), to_->text().toStdString());
  // A card paged to beyond the range typed is the one the user looks at: it prints alone.
  const std::int64_t shown = card_->account;
  if (range.message.empty() && shown != 0 && (shown < range.first || shown > range.last)) {
    range.first = shown;
    range.last = shown;
  }
  return range;
}

void LedgerPage::Print() {
  // The cards of the range, each with the columns shown.
  const CardRange range = PrintRange();
  if (!range.message.empty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(std::string(range.message)));
    return;
  }
  ShowOutputDialog(app_, this, QStringLiteral("Kartis"), [this, range](ReportStream& stream) {
    return WriteLedgerReport(app_.store, range, ReadFieldList(app_.settings, LedgerCatalogue()),
                             stream);
  });
}

bool LedgerPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      DrillDown();
      return true;
    }
  }
  return Page::eventFilter(watched, event);
}

}  // namespace tallyscan
