#include "app/pages/accounts_index_page.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/background/read_task.h"
#include "app/background/work_progress.h"
#include "app/dialogs/field_selection_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/images.h"
#include "app/report/grid_print.h"
#include "app/shared_fonts.h"
#include "app/widgets/card_number_edit.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_search.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The grid's rows through the engine's index rows; the cache holds the row last asked for,
// so the columns of one row cost one read of its line.
class IndexRowSource final : public GridRowSource {
 public:
  explicit IndexRowSource(const RecordStore& store) : rows_(store) {}
  std::string CellText(int row, int field) const override {
    if (field < 1 || field > kIndexFieldCount) return {};
    return rows_.Row(row + 1)[static_cast<std::size_t>(field - 1)];
  }
  std::int64_t RowCount() const { return rows_.RowCount(); }
  void Forget() { rows_.Forget(); }

 private:
  mutable AccountsIndexRows rows_;
};

// The fields of the columns that show text (the image column shows none), as the filter
// matches them.
std::vector<int> TextFields(const Grid& grid) {
  std::vector<int> fields;
  for (const GridColumn& column : grid.Model().Columns()) {
    if (column.field > 1) fields.push_back(column.field);
  }
  return fields;
}

}  // namespace

AccountsIndexPage::AccountsIndexPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent), source_(std::make_unique<IndexRowSource>(app.store)) {
  setFont(host.Fonts().Tahoma10);
  auto* show = MakeToolButton(QStringLiteral("צפה בתנועות"),
                              QStringLiteral("צפייה בתנועות הנהלת החשבונות של הכרטיס"),
                              QStringLiteral("IdxTb1"), QStringLiteral("showCardButton"), this);
  auto* source = MakeToolButton(QStringLiteral("תנועת מקור"),
                                QStringLiteral("צפייה בתנועת המקור מתוך קובץ התנועות"),
                                QStringLiteral("IdxTb2"), QStringLiteral("sourceButton"), this);
  auto* fields = MakeToolButton(QStringLiteral("מבנה הדו'ח"),
                                QStringLiteral("הגדרת השדות הרצויים לצפייה באינדקס החשבונות"),
                                QStringLiteral("IdxTb3"), QStringLiteral("fieldsButton"), this);
  auto* search = MakeToolButton(QStringLiteral("איתור"),
                                QStringLiteral("איתור כרטיס על פי נתון מסויים (בשדה המיון)"),
                                QStringLiteral("IdxTb4"), QStringLiteral("searchButton"), this);

  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("indexList"));
  list_->setFont(host.Fonts().Tahoma8);  // the browsers' grid font
  list_->SetStretchField(3);
  list_->SetSampleMeasure(true);  // the figure columns are sized from the search's shapes
  BuildColumns();
  filter_ = new FilterBox(*list_, *source_, 3, this);
  // The worker reads the accounts' order: a sort waits for it to stop (StopWork).
  filter_->MatchOffThread(app_.readers,
                          [this] { return std::make_unique<IndexRowSource>(app_.store); });
  filter_->SetQuickMatch([this](const QString& needle, std::vector<int>& rows) {
    if (!search_ || search_task_->Running()) return false;
    const QByteArray word = needle.toUtf8();
    for (const std::int64_t row :
         search_->Filter(std::string_view(word.data(), static_cast<std::size_t>(word.size())))) {
      rows.push_back(static_cast<int>(row - 1));
    }
    return true;
  });
  search_task_ = std::make_unique<ReadTask>(app_.readers);
  work_ = new WorkProgress(this);
  work_->Watch(*filter_->Task());
  work_->Watch(*search_task_);
  list_->SetSortRoutine([this](int field) { SortBy(field); });
  list_->SetReverseRoutine([this] {
    filter_->StopWork();
    const bool making = StopSearch();
    auto entries = app_.store.AccountListIndex.MutableEntries();
    std::reverse(entries.begin(), entries.end());
    Reordered(making);
    Refill(false);
  });
  list_->SetSearchRoutine([this] { SearchSortColumn(); });
  list_->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });
  list_->installEventFilter(this);

  // The index prints every account in the order on screen, with the columns shown.
  print_button_ = MakePrintButton(
      app, *list_, QStringLiteral("Index"),
      [this]() -> ReportProducer {
        return [this](ReportStream& stream) {
          return WriteIndexReport(app_.store, ReadFieldList(app_.settings, AccountIndexCatalogue()),
                                  stream);
        };
      },
      this);
  print_button_->setText(QStringLiteral("הדפס אינדקס"));
  print_button_->setToolTip(QStringLiteral("הדפסה של אינדקס החשבונות"));
  // With its picture and flat, as the tool buttons beside it.
  print_button_->setIcon(QIcon(QPixmap::fromImage(Picture(QStringLiteral("IdxTb5")))));
  print_button_->setIconSize(QSize(24, 24));
  print_button_->setFlat(true);

  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(2);
  for (QToolButton* button : {show, source, fields, search}) toolbar->addWidget(button);
  toolbar->addWidget(print_button_);
  toolbar->addStretch(1);
  toolbar->addWidget(work_);
  // The filter box has a row of its own above the grid: beside the tools it would be pressed
  // under its size at the first-start size on a 1366×768 screen.
  auto* filter_row = new QHBoxLayout;
  filter_row->addStretch(1);
  filter_row->addWidget(filter_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  layout->addLayout(toolbar);
  layout->addLayout(filter_row);
  layout->addWidget(list_, 1);

  connect(show, &QToolButton::clicked, this, &AccountsIndexPage::ShowCard);
  connect(source, &QToolButton::clicked, this, &AccountsIndexPage::ShowSourceRecord);
  connect(fields, &QToolButton::clicked, this, &AccountsIndexPage::ChooseFields);
  connect(search, &QToolButton::clicked, this, &AccountsIndexPage::SearchSortColumn);
  connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) ShowCard();
  });
}

AccountsIndexPage::~AccountsIndexPage() {
  search_task_.reset();
  // The grid asks the filter, and the filter the rows, for texts until they are gone.
  delete filter_;
}

bool AccountsIndexPage::Working() const { return work_->Running(); }

QWidget* AccountsIndexPage::DefaultFocus() { return list_; }

void AccountsIndexPage::BuildColumns() {
  const FieldCatalogue& catalogue = AccountIndexCatalogue();
  list_->SetColumns(ColumnsFromFieldList(ReadFieldList(app_.settings, catalogue), catalogue));
  list_->SetWidthKeeper([this](const std::vector<GridColumn>& columns) {
    WriteFieldList(app_.settings, AccountIndexCatalogue(), ColumnWidthsText(columns));
  });
}

void AccountsIndexPage::Enter() {
  auto& source = static_cast<IndexRowSource&>(*source_);
  // The rows change only when an import has finished.
  if (shown_load_ == app_.store.LoadNumber && list_->Model().rowCount() > 0) {
    if (!search_ && !search_task_->Running()) MakeSearch();  // stopped when the page was left
    return;
  }
  shown_load_ = app_.store.LoadNumber;
  source.Forget();
  list_->SetSortIndex(1);
  list_->SetRowCount(0);
  search_.reset();
  Refill(true);
  MakeSearch();
}

void AccountsIndexPage::MakeSearch() {
  StopSearch();
  search_.reset();
  if (app_.store.LoadedFolder.empty()) return;
  auto made = std::make_shared<std::shared_ptr<AccountsIndexSearch>>();
  const RecordStore& store = app_.store;
  search_task_->Start(
      [made, &store, fields = TextFields(*list_)](ProgressMonitor&) {
        *made = std::make_shared<AccountsIndexSearch>(store, fields);
        return true;
      },
      [this, made](bool completed) {
        if (!completed) return;
        search_ = std::move(*made);
        SizeFigureColumns();
        if (filter_->Active()) filter_->SetText(filter_->Text());
      });
}

void AccountsIndexPage::SizeFigureColumns() {
  std::vector<QStringList> shapes;
  for (const GridColumn& column : list_->Model().Columns()) {
    QStringList column_shapes;
    for (const std::string& shape : search_->FigureShapes(column.field)) {
      column_shapes << FromStd(shape);
    }
    shapes.push_back(column_shapes);
  }
  list_->WidenToShapes(shapes);
}

bool AccountsIndexPage::StopSearch() {
  const bool making = search_task_->Running();
  search_task_->Stop();
  search_task_->Wait();
  return making;
}

void AccountsIndexPage::Reordered(bool making) {
  if (making) {
    MakeSearch();  // the one stopped read the order before
  } else if (search_) {
    search_->Reorder(app_.store);
  }
}

void AccountsIndexPage::Refill(bool measure) {
  auto& source = static_cast<IndexRowSource&>(*source_);
  source.Forget();
  const bool loaded = !app_.store.LoadedFolder.empty();
  filter_->SetRows(loaded ? static_cast<int>(source.RowCount() - 1) : 0, loaded ? 1 : 0, measure);
  print_button_->setEnabled(list_->Model().rowCount() > 0);
}

void AccountsIndexPage::Leave() {
  work_->StopAll();
  WriteFieldList(app_.settings, AccountIndexCatalogue(),
                 ColumnWidthsText(list_->Model().Columns()));
}

PageView AccountsIndexPage::SaveView() const {
  PageView view;
  SaveGridView(*list_, view);
  view.filter_text = filter_->Text();
  return view;
}

void AccountsIndexPage::RestoreView(const PageView& view) {
  filter_->SetText(view.filter_text);
  // The index keeps the order of the last sort: back to the sort the view had.
  if (view.sort_field > 0 && view.sort_field != list_->SortIndex()) SortBy(view.sort_field);
  RestoreGridView(*list_, view);
}

int AccountsIndexPage::ChosenRow() const {
  const QModelIndex current = list_->selectionModel()->currentIndex();
  if (!current.isValid() || !list_->selectionModel()->isRowSelected(current.row(), {})) {
    return -1;
  }
  return filter_->SourceRow(current.row());
}

std::int64_t AccountsIndexPage::ChosenAccount() {
  const int row = ChosenRow();
  if (row < 0 || row >= app_.store.AccountListIndex.Count()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, texts::kChooseRow);
    return 0;
  }
  return row + 1;
}

void AccountsIndexPage::ShowCard() {
  const std::int64_t element = ChosenAccount();
  if (element == 0) return;
  const std::string key =
      ReadRecordField(app_.store, app_.store.AccountListIndex[element].Offset, field::B110(1403));
  emit OpenCard(FromStd(TrimSpaces(key)));
}

void AccountsIndexPage::ShowSourceRecord() {
  const std::int64_t element = ChosenAccount();
  if (element == 0) return;
  OpenRecordDetail(app_, this, {{RecordType::kB110, app_.store.AccountListIndex[element].Offset}});
}

void AccountsIndexPage::ChooseFields() {
  FieldSelectionDialog dialog(app_, AccountIndexCatalogue(), this);
  dialog.exec();
  BuildColumns();
  MakeSearch();  // of the columns now shown
  // The rows keep their order and the header its sort, over the new columns; a sort field no
  // longer shown is searched by the key (SearchColumnFor), as its prompt then says.
  list_->SetSortIndex(list_->SortIndex(), list_->SortDescending());
  Refill(false);
  list_->setFocus();
}

void AccountsIndexPage::SearchSortColumn() {
  // At opening the rows are in the order of field 1, the picture: the key is searched then.
  const int column = list_->SearchColumnFor(list_->SortIndex(), 2);
  if (column < 0) return;
  GridSearchBox box(AccountIndexCatalogue(), list_->Model().FieldOf(column), this);
  if (box.exec() == QDialog::Accepted && !box.Text().isEmpty()) {
    list_->SearchColumn(column, box.Text());
  } else {
    list_->setFocus();
  }
}

void AccountsIndexPage::SortBy(int field) {
  filter_->StopWork();
  const bool making = StopSearch();  // the search reads the order the sort changes
  if (!SortAccountList(app_.store, field)) {
    if (making) MakeSearch();
    Refill(false);  // the filter's match again
    return;
  }
  Reordered(making);
  list_->SetSortIndex(field);
  Refill(false);
  list_->setFocus();
}

bool AccountsIndexPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ShowCard();
      return true;
    }
    // The edit names the row of the grid as the index's: not while the rows are filtered.
    if (key == Qt::Key_F2 && !filter_->Active()) {
      const int row = ChosenRow();
      int column = -1;
      for (int c = 0; c < list_->Model().columnCount(); ++c) {
        if (list_->Model().FieldOf(c) == IndexColumns::Field("account")) column = c;
      }
      if (row >= 0 && row < app_.store.AccountListIndex.Count() && column >= 0) {
        EditCardNumber(app_, *list_, list_->model()->index(row, column));
      }
      return true;
    }
  }
  return Page::eventFilter(watched, event);
}

}  // namespace tallyscan
