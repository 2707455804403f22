#include "app/pages/items_page.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariant>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/field_selection_dialog.h"
#include "app/dialogs/output_dialog.h"
#include "app/images.h"
#include "app/keyboard.h"
#include "app/shared_fonts.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_search.h"
#include "engine/browse/browse.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

const char kSortProperty[] = "SortParit";

class ItemRowSource final : public GridRowSource {
 public:
  explicit ItemRowSource(const ItemRows& rows) : rows_(rows) {}
  std::string CellText(int row, int field) const override { return rows_.Cell(row, field); }

 private:
  const ItemRows& rows_;
};

}  // namespace

ItemsPage::ItemsPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent),
      rows_(std::make_unique<ItemRows>(app.store)),
      row_source_(std::make_unique<ItemRowSource>(*rows_)) {
  setFont(host.Fonts().Tahoma10);
  auto* source = MakeToolButton(QStringLiteral("תנועת מקור"),
                                QStringLiteral("צפייה בתנועת המקור מתוך קובץ התנועות"),
                                QStringLiteral("IdxTb2"), QStringLiteral("sourceButton"), this);
  auto* fields = MakeToolButton(QStringLiteral("מבנה הדו'ח"),
                                QStringLiteral("הגדרת השדות הרצויים לצפייה בקטלוג הפריטים"),
                                QStringLiteral("IdxTb3"), QStringLiteral("fieldsButton"), this);
  auto* search = MakeToolButton(QStringLiteral("איתור"),
                                QStringLiteral("איתור פריט על פי נתון מסויים (בשדה המיון)"),
                                QStringLiteral("IdxTb4"), QStringLiteral("searchButton"), this);
  print_button_ =
      MakeToolButton(QStringLiteral("הדפס קטלוג"), QStringLiteral("הדפסה של קטלוג הפריטים"),
                     QStringLiteral("IdxTb5"), QStringLiteral("printButton"), this);

  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("itemsList"));
  list_->setFont(host.Fonts().Tahoma8);  // the browsers' grid font
  list_->SetSource(row_source_.get());
  list_->SetSortRoutine([this](int field) { SortBy(field); });
  list_->SetReverseRoutine([this] {
    auto entries = app_.store.ItemListIndex.MutableEntries();
    std::reverse(entries.begin(), entries.end());
    rows_->Forget();
  });
  list_->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });
  // Ctrl+F is "איתור", from the grid or anywhere else on the page.
  list_->SetSearchRoutine([this] { Search(); });
  auto* find = new QShortcut(QKeySequence::Find, this, [this] { Search(); });
  find->setContext(Qt::WidgetWithChildrenShortcut);
  ShowColumns();
  setProperty(kSortProperty, kItemInitialSort);
  list_->SetSortIndex(kItemInitialSort);

  auto* title = new QLabel(QStringLiteral("קטלוג פריטים"), this);
  title->setObjectName(QStringLiteral("pageTitle"));
  title->setFont(host.Fonts().Tahoma10Bold);
  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(2);
  for (QToolButton* button : {source, fields, search, print_button_}) toolbar->addWidget(button);
  toolbar->addStretch(1);
  toolbar->addWidget(title);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  layout->addLayout(toolbar);
  layout->addWidget(list_, 1);

  connect(source, &QToolButton::clicked, this, &ItemsPage::ShowSource);
  connect(fields, &QToolButton::clicked, this, &ItemsPage::ChooseFields);
  connect(search, &QToolButton::clicked, this, &ItemsPage::Search);
  // The catalogue prints as it stands: its columns, its order, every item.
  connect(print_button_, &QToolButton::clicked, this, [this] {
    if (list_->Model().rowCount() == 0) return;
    ShowOutputDialog(app_, this, QStringLiteral("Parit"), [this](ReportStream& stream) {
      return WriteItemsReport(app_.store, ReadFieldList(app_.settings, ItemFieldCatalogue()),
                              stream);
    });
  });
}

ItemsPage::~ItemsPage() { list_->SetSource(nullptr); }

QWidget* ItemsPage::DefaultFocus() { return list_; }

void ItemsPage::Enter() {
  // Another set may have been read since the page was last open: its items are in their own
  // order, and the search and sort say so.
  if (shown_load_ != app_.store.LoadNumber) {
    shown_load_ = app_.store.LoadNumber;
    setProperty(kSortProperty, kItemInitialSort);
    list_->SetSortIndex(kItemInitialSort);
  }
  rows_->Forget();
  list_->SetRowCount(0);
  list_->SetRowCount(rows_->RowCount());
}

int ItemsPage::SortField() const { return property(kSortProperty).toInt(); }

void ItemsPage::ShowColumns() {
  list_->SetColumns(ColumnsFromFieldList(ReadFieldList(app_.settings, ItemFieldCatalogue()),
                                         ItemFieldCatalogue()));
}

void ItemsPage::SortBy(int field) {
  if (!SortItems(app_.store, field)) return;
  rows_->Forget();
  setProperty(kSortProperty, field);
  list_->SetSortIndex(field);
  list_->Model().RowsChanged();
}

int ItemsPage::SearchColumn() const { return list_->SearchColumnFor(SortField(), 2); }

bool ItemsPage::FindWord(const QString& word) {
  const int column = SearchColumn();
  return column >= 0 && list_->SearchColumn(column, word);
}

void ItemsPage::Search() {
  const int column = SearchColumn();
  if (column < 0) return;
  GridSearchBox box(ItemFieldCatalogue(), list_->Model().FieldOf(column), this);
  const int answer = box.exec();
  // The box chose the keyboard of its field; the page goes on in English.
  Eng();
  if (answer == QDialog::Accepted) FindWord(box.Text());
}

void ItemsPage::ShowSource() {
  const QModelIndexList chosen = list_->selectionModel()->selectedRows();
  if (chosen.isEmpty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, texts::kChooseRow);
    return;
  }
  emit SourceRecord(rows_->OffsetOf(chosen.front().row()));
}

void ItemsPage::ChooseFields() {
  // The dialog saves the list however it is closed.
  FieldSelectionDialog dialog(app_, ItemFieldCatalogue(), this);
  dialog.exec();
  // The columns are new; the order of the rows and the sort column stay.
  ShowColumns();
  list_->SetSortIndex(SortField());
}

}  // namespace tallyscan
