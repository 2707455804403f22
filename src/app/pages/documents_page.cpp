#include "app/pages/documents_page.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/background/work_progress.h"
#include "app/dialogs/field_selection_dialog.h"
#include "app/dialogs/output_dialog.h"
#include "app/images.h"
#include "app/shared_fonts.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

constexpr std::string_view kReceiptWidthsSetting = "KabFields";

// The rows of the register the page shows, whichever it is.
class RegisterSource final : public GridRowSource {
 public:
  explicit RegisterSource(const std::shared_ptr<DocumentRegister>& list) : list_(list) {}
  std::string CellText(int row, int field) const override {
    return list_ ? list_->Cell(row, field) : std::string();
  }

 private:
  const std::shared_ptr<DocumentRegister>& list_;
};

// The rows of a copy of a register, for work off the window's thread: the copy reads its
// headers through a cache of its own.
class RegisterCopySource final : public GridRowSource {
 public:
  explicit RegisterCopySource(const DocumentRegister& list) : list_(list) {}
  std::string CellText(int row, int field) const override { return list_.Cell(row, field); }

 private:
  DocumentRegister list_;
};

template <typename Range>
QStringList Texts(const Range& texts) {
  QStringList list;
  for (const auto& text : texts) list << FromStd(std::string(text));
  return list;
}

}  // namespace

DocumentsPage::DocumentsPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent),
      marks_task_(app.readers),
      register_task_(app.readers),
      register_source_(std::make_unique<RegisterSource>(register_)),
      line_source_(std::make_unique<TabRowSource>(line_rows_)),
      receipt_source_(std::make_unique<TabRowSource>(receipt_rows_)) {
  setFont(host.Fonts().Tahoma10);
  MakeTypeBox();
  const std::vector<QToolButton*> tools = MakeTools();
  QPushButton* jump_button = MakeJumpBox();
  MakeRegister();
  const std::array<QGroupBox*, 3> boxes = MakePanel();
  MakeLowerGrids();
  LayOutParts(tools, jump_button, boxes);
  ConnectParts(tools, jump_button);
  ShowDocument(0);
}

void DocumentsPage::MakeTypeBox() {
  type_box_ = new QComboBox(this);
  type_box_->setObjectName(QStringLiteral("typeBox"));
  // Each type with the picture of its family, the code's first digit ("000" none chosen).
  for (const std::string& item : SelectorItems()) {
    const char family = item.empty() ? '0' : item.front();
    const int picture = family >= '1' && family <= '9' ? family - '0' : 0;
    type_box_->addItem(DocumentTypeImage(picture), FromStd(item));
  }
  type_box_->addItem(DocumentTypeImage(kDocumentTypeImageCount - 1),
                     FromStd(std::string(kAllTypes)));
  type_box_->setIconSize(QSize(kListImageSize, kListImageSize));
  type_box_->setMinimumWidth(220);
}

// The toolbar: the four moves, the source records, the fields and printing, in this order.
std::vector<QToolButton*> DocumentsPage::MakeTools() {
  struct Tool {
    const char* caption;
    const char* tooltip;
    const char* picture;
    const char* name;
  };
  static constexpr Tool kTools[] = {
      {"תעודה קדימה", "הצג את התעודה הבאה", "TnuTb1", "nextButton"},
      {"תעודה אחורה", "הצג את התעודה הקודמת", "TnuTb2", "previousButton"},
      {"תעודה ראשונה", "הצג את התעודה הראשונה", "KarTb2", "firstButton"},
      {"תעודה אחרונה", "הצג את התעודה האחרונה", "KarTb1", "lastButton"},
      {"תנועת מקור", "צפייה בתנועת המקור מתוך קובץ התנועות", "IdxTb2", "sourceButton"},
      {"מבנה הטבלה", "הגדרת השדות הרצויים לצפייה בשדות התעודה", "IdxTb3", "fieldsButton"},
      {"הדפס", "הדפסה של התעודה", "IdxTb5", "printButton"},
  };
  std::vector<QToolButton*> tools;
  for (const Tool& tool : kTools) {
    QToolButton* button =
        MakeToolButton(QString::fromUtf8(tool.caption), QString::fromUtf8(tool.tooltip),
                       QString::fromLatin1(tool.picture), QString::fromLatin1(tool.name), this);
    button->setIconSize(QSize(20, 20));  // eight tools share the row above the panel
    tools.push_back(button);
  }
  return tools;
}

// The jump box and its "בצוע" button, which it returns.
QPushButton* DocumentsPage::MakeJumpBox() {
  jump_box_ = new QLineEdit(this);
  jump_box_->setObjectName(QStringLiteral("jumpBox"));
  jump_box_->setFixedWidth(160);
  auto* jump_button = new QPushButton(QStringLiteral("בצוע"), this);
  jump_button->setObjectName(QStringLiteral("jumpButton"));
  return jump_button;
}

// The register's grid, its filter and the progress of the work off the thread.
void DocumentsPage::MakeRegister() {
  register_grid_ = new Grid(this);
  register_grid_->setObjectName(QStringLiteral("registerGrid"));
  register_grid_->setFont(host_.Fonts().Tahoma8);  // the browsers' grid font
  register_grid_->SetColumns(FixedColumns(Texts(RegisterColumns())));
  // The filter box stands between the register and its grid; the totals row stays.
  register_filter_ = new FilterBox(*register_grid_, *register_source_, 5, this);
  register_filter_->MatchOffThread(app_.readers, [this]() -> std::unique_ptr<GridRowSource> {
    if (!register_) return std::make_unique<TabRowSource>(line_rows_);  // no rows to read
    return std::make_unique<RegisterCopySource>(*register_);
  });
  register_grid_->SetSortRoutine([this](int field) { SortRegister(field); });
  work_ = new WorkProgress(this);
  work_->Watch(register_task_);
  work_->Watch(*register_filter_->Task());
}

// The header panel: the document's details, the customer's details and the summary, each a
// box of label and value pairs.
std::array<QGroupBox*, 3> DocumentsPage::MakePanel() {
  auto* customer = new QGroupBox(QStringLiteral("פרטי לקוח/ספק"), this);
  auto* details = new QGroupBox(QStringLiteral("פרטי התעודה"), this);
  auto* summary = new QGroupBox(this);
  summary_caption_ = new QLabel(QStringLiteral("סיכום המסמך"), summary);
  summary_caption_->setObjectName(QStringLiteral("summaryCaption"));
  auto* customer_grid = new QGridLayout(customer);
  auto* details_grid = new QGridLayout(details);
  auto* summary_grid = new QGridLayout(summary);
  summary_grid->addWidget(summary_caption_, 0, 0, 1, 2);
  for (int f = 0; f < kPanelFieldCount; ++f) {
    const auto field = static_cast<PanelField>(f);
    QGridLayout* grid = field <= PanelField::kIssueDate ? details_grid
                        : field <= PanelField::kDealer  ? customer_grid
                                                        : summary_grid;
    auto* label = new QLabel(this);
    label->setMinimumWidth(100);
    auto* value = new QLabel(this);
    value->setObjectName(QStringLiteral("panelValue%1").arg(f));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setFrameShape(QFrame::StyledPanel);
    value->setMinimumWidth(110);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
    labels_[static_cast<std::size_t>(f)] = label;
    values_[static_cast<std::size_t>(f)] = value;
  }
  return {details, customer, summary};
}

// The lines' grid, and the receipt's beside it, under their title.
void DocumentsPage::MakeLowerGrids() {
  lower_title_ = new QLabel(QStringLiteral("פרטי חשבונית"), this);
  lower_title_->setObjectName(QStringLiteral("lowerTitle"));
  QFont bold = lower_title_->font();
  bold.setBold(true);
  lower_title_->setFont(bold);
  lines_grid_ = new Grid(this);
  lines_grid_->setObjectName(QStringLiteral("linesGrid"));
  lines_grid_->setFont(host_.Fonts().Tahoma8);
  lines_grid_->SetSource(line_source_.get());
  ShowColumns();
  receipt_grid_ = new Grid(this);
  receipt_grid_->setObjectName(QStringLiteral("receiptGrid"));
  receipt_grid_->setFont(host_.Fonts().Tahoma8);
  // Its widths are kept as a field list, as the other grids keep theirs; the defaults are
  // the columns' own ("30,1;80,2;70,3;80,4;50,5;70,6;90,7;100,8").
  receipt_grid_->SetColumns(FixedColumns(Texts(ReceiptGridColumns()),
                                         app_.settings.ReadReg(kParams, kReceiptWidthsSetting)));
  receipt_grid_->SetWidthKeeper([this](const std::vector<GridColumn>& columns) {
    app_.settings.WriteReg(kParams, kReceiptWidthsSetting, ColumnWidthsText(columns));
  });
  receipt_grid_->SetSource(receipt_source_.get());
}

void DocumentsPage::LayOutParts(const std::vector<QToolButton*>& tools, QPushButton* jump_button,
                                const std::array<QGroupBox*, 3>& boxes) {
  // The selector and the jump box above the toolbar: the tools fill their own row in a narrow
  // window. The register's filter has a row of its own right above the register, where the
  // box keeps its size (and its count room for seven digits) at the first-start size on a
  // 1366×768 screen.
  auto* chooser = new QHBoxLayout;
  chooser->addWidget(new QLabel(QStringLiteral("סוג המסמך"), this));
  chooser->addWidget(type_box_);
  chooser->addWidget(work_);
  chooser->addStretch(1);
  chooser->addWidget(new QLabel(QStringLiteral("קפוץ לתעודה"), this));
  chooser->addWidget(jump_box_);
  chooser->addWidget(jump_button);
  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(2);
  for (QToolButton* tool : tools) toolbar->addWidget(tool);
  toolbar->addStretch(1);
  auto* filter_row = new QHBoxLayout;
  filter_row->addStretch(1);
  filter_row->addWidget(register_filter_);
  auto* panel = new QHBoxLayout;
  panel->addWidget(boxes[0]);
  panel->addWidget(boxes[1], 1);
  panel->addWidget(boxes[2]);
  auto* lower = new QHBoxLayout;
  lower->addWidget(lines_grid_, 1);
  lower->addWidget(receipt_grid_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  layout->addLayout(chooser);
  layout->addLayout(toolbar);
  layout->addLayout(filter_row);
  layout->addWidget(register_grid_, 2);
  layout->addLayout(panel);
  layout->addWidget(lower_title_);
  layout->addLayout(lower, 3);
  receipt_grid_->hide();
  {
    QSizePolicy policy = receipt_grid_->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    receipt_grid_->setSizePolicy(policy);
  }
}

void DocumentsPage::ConnectParts(const std::vector<QToolButton*>& tools, QPushButton* jump_button) {
  connect(type_box_, &QComboBox::activated, this, [this](int index) { SelectType(index); });
  connect(tools[0], &QToolButton::clicked, this, [this] { Move(DocumentMove::kNext); });
  connect(tools[1], &QToolButton::clicked, this, [this] { Move(DocumentMove::kPrevious); });
  connect(tools[2], &QToolButton::clicked, this, [this] { Move(DocumentMove::kFirst); });
  connect(tools[3], &QToolButton::clicked, this, [this] { Move(DocumentMove::kLast); });
  connect(tools[4], &QToolButton::clicked, this, &DocumentsPage::ShowSource);
  connect(tools[6], &QToolButton::clicked, this, &DocumentsPage::Print);
  connect(tools[5], &QToolButton::clicked, this, [this] {
    FieldSelectionDialog dialog(app_, DocumentLinesCatalogue(), this);
    dialog.exec();  // the dialog saves the list however it is closed
    ShowColumns();
  });
  // Ctrl+F searches the grid that has the focus, and the register from anywhere else on the
  // page.
  auto* find = new QShortcut(QKeySequence::Find, this, [this] {
    Grid* grid = register_grid_;
    for (Grid* other : {lines_grid_, receipt_grid_}) {
      if (other->hasFocus()) grid = other;
    }
    grid->Search();
  });
  find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(jump_button, &QPushButton::clicked, this, [this] { Jump(jump_box_->text()); });
  connect(jump_box_, &QLineEdit::returnPressed, this, [this] { Jump(jump_box_->text()); });
  // The filter's rows may come after the document was chosen.
  connect(register_filter_, &FilterBox::Filtered, this, [this] {
    if (!register_filter_->Working()) TakeMarks();
    ChooseCurrentRow();
  });
  connect(register_grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& index) {
            if (!register_ || !index.isValid()) return;
            const int row = register_filter_->SourceRow(index.row());
            if (row < 0) return;
            const std::int64_t element = register_->ElementOf(row);
            if (element != 0 && element != document_.element) ShowDocument(element);
          });
}

DocumentsPage::~DocumentsPage() {
  // Work off the thread reads the register, which reads the marks: it must be over before
  // they go.
  register_task_.Stop();
  register_task_.Wait();
  register_filter_->StopWork();
  // The register's grid asks the filter, and the filter the register, for texts until the
  // filter is gone.
  delete register_filter_;
  lines_grid_->SetSource(nullptr);
  receipt_grid_->SetSource(nullptr);
}

void DocumentsPage::ShowColumns() {
  lines_grid_->SetColumns(ColumnsFromFieldList(
      ReadFieldList(app_.settings, DocumentLinesCatalogue()), DocumentLinesCatalogue()));
}

void DocumentsPage::Beep() { QApplication::beep(); }

QLabel* DocumentsPage::PanelValue(PanelField field) const {
  return values_[static_cast<std::size_t>(field)];
}

QWidget* DocumentsPage::DefaultFocus() { return type_box_; }

void DocumentsPage::Enter() {
  // The same set: the page stands where it was left, type, document, the register's scroll
  // and choice; only the marks, stopped on leaving, are looked for again.
  if (shown_load_ == app_.store.LoadNumber) {
    if (register_ && !marks_found_ && !marks_task_.Running()) StartMarks();
    return;
  }
  shown_load_ = app_.store.LoadNumber;
  // The marks belong to the set loaded; a new set finds them again when a list is built.
  marks_found_ = false;
  marks_waiting_ = false;
  marks_.clear();
  // What the page showed belongs to the set before.
  register_filter_->SetRows(0, 0);
  register_.reset();
  type_.clear();
  run_ = {};
  ShowDocument(0);
  if (type_box_->currentIndex() != 0) SelectType(type_box_->currentIndex());
}

void DocumentsPage::Leave() {
  work_->StopAll();
  marks_task_.Stop();
}

bool DocumentsPage::Working() const { return work_->Running(); }

void DocumentsPage::StartMarks() {
  auto found = std::make_shared<DocumentMarks>();
  const RecordStore& store = app_.store;
  marks_task_.Start(
      [found, &store](ProgressMonitor& monitor) {
        return FindDocumentMarks(store, monitor, found.get());
      },
      [this, found](bool completed) {
        if (!completed) return;
        found_marks_ = std::move(*found);
        marks_waiting_ = true;
        TakeMarks();
      });
}

void DocumentsPage::TakeMarks() {
  if (!marks_waiting_ || register_task_.Running() || register_filter_->Working()) return;
  marks_ = std::move(found_marks_);
  marks_waiting_ = false;
  marks_found_ = true;
  if (!register_) return;
  // The image and the mismatch show the marks: an order by them is made anew.
  using R = DocumentRegisterColumns;
  if (register_sorted_by_ == R::Field("image") || register_sorted_by_ == R::Field("mismatch")) {
    SortRegister(register_sorted_by_);
  } else if (register_filter_->Active()) {
    register_filter_->SetRows(register_->RowCount() - 1, 1, /*measure=*/false);
  } else {
    register_grid_->viewport()->update();  // the same rows, now with their marks
  }
}

void DocumentsPage::ChooseCurrentRow() {
  if (!register_ || document_.element == 0) return;
  const int row = RegisterGridRow(register_->RowOf(document_.element));
  if (row < 0) return;
  register_grid_->selectionModel()->setCurrentIndex(
      register_grid_->model()->index(row, 1),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DocumentsPage::SelectType(int index, std::function<void()> then) {
  const int before = shown_type_index_;
  type_box_->setCurrentIndex(index);
  const auto types = SelectorTypes();
  const bool all = index == static_cast<int>(types.size()) + 1;
  if (index <= 0) {
    register_task_.Stop();
    register_filter_->SetRows(0, 0);
    register_.reset();
    type_.clear();
    run_ = {};
    shown_type_index_ = 0;
    ShowDocument(0);
    if (then) then();
    return;
  }
  std::string type;
  if (!all) type = std::to_string(types[static_cast<std::size_t>(index - 1)].code);
  // The rows show once built; the marks follow when the pass over every document is done.
  if (!marks_found_ && !marks_task_.Running()) StartMarks();
  auto built = std::make_shared<std::unique_ptr<DocumentRegister>>();
  const RecordStore& store = app_.store;
  const DocumentMarks& marks = marks_;  // read by the register's cells only, here
  register_task_.Start(
      [built, &store, &marks, type](ProgressMonitor& monitor) {
        *built = DocumentRegister::Build(store, type, marks, monitor);
        return *built != nullptr;
      },
      [this, built, index, all, type, before, then = std::move(then)](bool completed) {
        if (!completed) {
          type_box_->setCurrentIndex(before);
          return;
        }
        shown_type_index_ = index;
        type_ = type;
        run_ = all ? ElementRange{1, app_.store.DocumentIndex.Count() + 1}
                   : DocumentTypeRun(app_.store, type_);
        register_ = std::shared_ptr<DocumentRegister>(std::move(*built));
        register_sorted_by_ = 0;
        register_grid_->SetSortIndex(1);
        register_filter_->SetRows(register_->RowCount() - 1, 1);
        jump_box_->setEnabled(!all && !run_.empty());
        TakeMarks();
        if (run_.empty()) {
          ShowDocument(0);
          AppMessage(app_, this, 1, MessageIcon::kExclamation,
                     FromStd(std::string(kNoDocumentsOfType)));
        } else {
          ShowDocument(run_.first);
        }
        if (then) then();
      });
}

void DocumentsPage::SortRegister(int field) {
  if (!register_ || register_task_.Running()) {
    Beep();
    return;
  }
  // The grid reads the register shown until the sorted copy replaces it.
  auto sorted = std::make_shared<DocumentRegister>(*register_);
  register_task_.Start(
      [sorted, field](ProgressMonitor& monitor) { return sorted->Sort(field, monitor); },
      [this, sorted, field](bool completed) {
        if (!completed) return;
        register_ = sorted;
        register_sorted_by_ = field;
        register_grid_->SetSortIndex(field);
        register_filter_->SetRows(register_->RowCount() - 1, 1,
                                  /*measure=*/false);
        ChooseCurrentRow();
        TakeMarks();
      });
}

bool DocumentsPage::Move(DocumentMove move) {
  const std::int64_t target = MoveInRun(run_, document_.element, move);
  if (target == 0) {
    Beep();
    return false;
  }
  ShowDocument(target);
  return true;
}

bool DocumentsPage::Jump(const QString& typed) {
  const QByteArray text = typed.toUtf8();
  if (text.trimmed().isEmpty() || type_.empty()) {
    Beep();
    return false;
  }
  const JumpResult jump =
      JumpToNumber(app_.store, run_, type_,
                   std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  if (jump.element == 0) {
    Beep();
    jump_box_->setText(FromStd(jump.box_text));
    return false;
  }
  ShowDocument(jump.element);
  return true;
}

void DocumentsPage::ShowDocument(std::int64_t element) {
  document_ = element != 0 ? LoadDocument(app_.store, element) : LoadedDocument{};
  const bool dos = app_.store.DosCodePage;
  line_rows_.clear();
  receipt_rows_.clear();
  if (document_.element != 0) {
    const HeaderPanelTexts panel = HeaderPanel(document_, dos);
    for (int f = 0; f < kPanelFieldCount; ++f) {
      const PanelItem& item = panel.items[static_cast<std::size_t>(f)];
      labels_[static_cast<std::size_t>(f)]->setText(FromStd(item.label));
      values_[static_cast<std::size_t>(f)]->setText(FromStd(item.value));
    }
    summary_caption_->setText(FromStd(panel.summary_caption));
    lower_title_->setText(FromStd(panel.lower_title));
    line_rows_ = LinesGridRows(document_, dos);
    receipt_rows_ = ReceiptGridRows(document_);
    jump_box_->setText(FromStd(DocumentNumberText(app_.store.DocumentIndex[element])));
  } else {
    for (int f = 0; f < kPanelFieldCount; ++f) {
      labels_[static_cast<std::size_t>(f)]->clear();
      values_[static_cast<std::size_t>(f)]->clear();
    }
    summary_caption_->setText(QStringLiteral("סיכום המסמך"));
    jump_box_->clear();
  }
  lines_grid_->SetRowCount(0);
  lines_grid_->SetRowCount(static_cast<int>(line_rows_.size()));
  receipt_grid_->SetRowCount(0);
  receipt_grid_->SetRowCount(static_cast<int>(receipt_rows_.size()));
  // The grids share their row: the lines take the receipts' half at once, not once the
  // window's queued layout runs, so that whatever draws or measures the page next (a grab,
  // a scroll to the current row) sees it laid out; the panel's new texts may change its height.
  receipt_grid_->setVisible(!receipt_rows_.empty());
  layout()->activate();
  // The register follows the panel.
  if (register_ && document_.element != 0) {
    const int row = RegisterGridRow(register_->RowOf(document_.element));
    const QModelIndex current = register_grid_->selectionModel()->currentIndex();
    if (row >= 0 && current.row() != row) {
      register_grid_->selectionModel()->setCurrentIndex(
          register_grid_->model()->index(row, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      register_grid_->scrollTo(register_grid_->model()->index(row, 1));
    }
  }
}

int DocumentsPage::RegisterGridRow(int register_row) const {
  if (register_row < 0) return -1;
  for (int row = 0; row < register_filter_->ShownRows(); ++row) {
    if (register_filter_->SourceRow(row) == register_row) return row;
  }
  return -1;  // filtered out
}

void DocumentsPage::OpenDocument(std::int64_t element) {
  if (element < 1 || element > app_.store.DocumentIndex.Count()) return;
  const std::string_view type = app_.store.DocumentIndex[element].Part(kKeyDocumentType);
  const auto types = SelectorTypes();
  int index = static_cast<int>(types.size()) + 1;  // all types
  for (std::size_t i = 0; i < types.size(); ++i) {
    if (std::to_string(types[i].code) == type) index = static_cast<int>(i) + 1;
  }
  // Entering the page may have begun the register of the type it had chosen.
  if (index != shown_type_index_ || !register_ || register_task_.Running()) {
    SelectType(index, [this, element] { ShowDocument(element); });
  } else {
    ShowDocument(element);
  }
}

PageView DocumentsPage::SaveView() const {
  PageView view;
  view.shown = document_.element;
  view.first_text = type_box_->currentText();
  return view;
}

void DocumentsPage::RestoreView(const PageView& view) {
  const int index = type_box_->findText(view.first_text);
  if (index <= 0) return;
  const std::int64_t shown = view.shown;
  const auto show = [this, shown] {
    if (shown >= run_.first && shown < run_.last) ShowDocument(shown);
  };
  if (index != shown_type_index_ || register_task_.Running()) {
    SelectType(index, show);
  } else {
    show();
  }
}

void DocumentsPage::Print() {
  if (document_.element == 0) {
    Beep();
    return;
  }
  // The document as printed: the lines with the columns the lines grid shows.
  ShowOutputDialog(app_, this, QStringLiteral("Teuda"), [this](ReportStream& stream) {
    return WriteDocumentReport(app_.store, document_,
                               ReadFieldList(app_.settings, DocumentLinesCatalogue()), stream);
  });
}

void DocumentsPage::ShowSource() {
  if (document_.element == 0) {
    Beep();
    return;
  }
  // The offsets come as the header, its lines, then its receipt lines.
  const std::vector<std::int64_t> offsets = document_.SourceOffsets();
  std::vector<RecordReference> records;
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const RecordType type = i == 0                        ? RecordType::kC100
                            : i <= document_.lines.size() ? RecordType::kD110
                                                          : RecordType::kD120;
    records.push_back({type, offsets[i]});
  }
  emit SourceRecords(records);
}

}  // namespace tallyscan
