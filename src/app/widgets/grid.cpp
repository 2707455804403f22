#include "app/widgets/grid.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QSaveFile>

#include "app/app_texts.h"
#include "app/images.h"
#include "app/widgets/grid_delegate.h"
#include "app/widgets/grid_search.h"
#include "app/widgets/text_match.h"
#include "engine/browse/browse.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

constexpr char kSortIndexProperty[] = "SortIndex";
constexpr int kLeastRowHeight = 20;  // the list images are 20 high
// Rows measured for their figures at one time at most: a grid with more rows names the
// widest figure of its fields instead (GridColumn::widest_figure).
constexpr int kMeasureLimit = 200000;
// The widest a text makes its column; longer texts are elided.
constexpr int kTextWidthCap = 480;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One token of digits and their signs: a date, a time, a reference, a code ("100-0023").
bool IsWholeToken(const QString& text) {
  bool digit = false;
  for (const QChar c : text) {
    if (c.isDigit()) {
      digit = true;
    } else if (c != QLatin1Char('/') && c != QLatin1Char(':') && c != QLatin1Char('.') &&
               c != QLatin1Char('-') && c != QLatin1Char(',')) {
      return false;
    }
  }
  return digit;
}

// Takes up to `excess` pixels from the columns of `width` named by `givers`, each down to its
// `least`, in proportion to what each can spare. Returns what is still to take.
int GiveWay(std::vector<int>& width, const std::vector<int>& least,
            const std::vector<std::size_t>& givers, int excess) {
  long long spare = 0;
  for (const std::size_t c : givers) spare += std::max(0, width[c] - least[c]);
  if (spare <= 0 || excess <= 0) return excess;
  if (spare <= excess) {
    for (const std::size_t c : givers) width[c] = std::min(width[c], least[c]);
    return excess - static_cast<int>(spare);
  }
  int taken = 0;
  for (const std::size_t c : givers) {
    const int can = std::max(0, width[c] - least[c]);
    const int give = static_cast<int>(static_cast<long long>(can) * excess / spare);
    width[c] -= give;
    taken += give;
  }
  // What the rounding left is taken a pixel at a time.
  for (std::size_t i = 0; taken < excess; i = (i + 1) % givers.size()) {
    const std::size_t c = givers[i];
    if (width[c] > least[c]) {
      --width[c];
      ++taken;
    }
  }
  return 0;
}

}  // namespace

std::string TabRowSource::CellText(int row, int field) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
  return std::string(RowField(rows_[static_cast<std::size_t>(row)], field));
}

std::vector<GridColumn> ColumnsFromFieldList(const std::vector<FieldListEntry>& list,
                                             const FieldCatalogue& catalogue) {
  std::vector<GridColumn> columns;
  for (const FieldListEntry& entry : list) {
    columns.push_back({entry.width, entry.field, FromStd(catalogue.Caption(entry.field)), {}});
  }
  return columns;
}

std::vector<GridColumn> FixedColumns(const QStringList& columns, std::string_view stored) {
  std::vector<GridColumn> result;
  int field = 1;
  for (const QString& column : columns) {
    const qsizetype comma = column.indexOf(QLatin1Char(','));
    result.push_back({column.left(comma).toInt(), field++, column.mid(comma + 1), {}});
  }
  for (const FieldListEntry& entry : ParseFieldList(stored, static_cast<int>(result.size()))) {
    if (entry.width > 0) result[static_cast<std::size_t>(entry.field - 1)].width = entry.width;
  }
  return result;
}

std::string ColumnWidthsText(const std::vector<GridColumn>& columns) {
  std::vector<FieldListEntry> entries;
  for (const GridColumn& column : columns) entries.push_back({column.width, column.field});
  return FormatFieldList(entries);
}

QString KeepFiguresLeftToRight(const QString& text) {
  // Without isolation the bidirectional layout of a right-to-left paragraph moves a leading
  // sign to the right of the digits ("1,234.50-", and the "+" of an amount as stored). A
  // minus that follows a digit is a range or a code ("100-200") and already stays with its
  // digits.
  static const QRegularExpression kSignedFigure(
      QStringLiteral("(?<![\\d.,])([-+]\\d[\\d,]*(?:\\.\\d+)?)"));
  if (!text.contains(QLatin1Char('-')) && !text.contains(QLatin1Char('+'))) return text;
  QString result = text;
  result.replace(kSignedFigure, QStringLiteral("\u2066\\1\u2069"));
  return result;
}

bool IsFigure(std::string_view shown, bool credit_marked) {
  // The sense a balance is shown with: " ח" or " ז" after it.
  for (const std::string_view sense : {std::string_view(" ח"), std::string_view(" ז")}) {
    if (shown.ends_with(sense)) {
      shown.remove_suffix(sense.size());
      break;
    }
  }
  if (shown.starts_with('-')) shown.remove_prefix(1);
  const std::size_t point = shown.find('.');
  std::string_view whole = shown.substr(0, point);
  auto all_digits = [](std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), IsDigit);
  };
  // Plain digits, or one to three digits followed by groups of ",ddd".
  const std::size_t comma = whole.find(',');
  if (comma != std::string_view::npos) {
    if (comma > 3 || !all_digits(whole.substr(0, comma))) return false;
    for (whole.remove_prefix(comma); !whole.empty(); whole.remove_prefix(4)) {
      if (whole.size() < 4 || whole[0] != ',' || !all_digits(whole.substr(1, 3))) return false;
    }
  } else if (!all_digits(whole)) {
    return false;
  }
  if (point == std::string_view::npos) return !credit_marked;
  return all_digits(shown.substr(point + 1));
}

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  endResetModel();
}

void GridModel::SetKeptWidth(int column, int width) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return;
  columns_[static_cast<std::size_t>(column)].width = width;
}

int GridModel::FieldOf(int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return 0;
  return columns_[static_cast<std::size_t>(column)].field;
}

void GridModel::SetSource(const GridRowSource* source) {
  beginResetModel();
  source_ = source;
  endResetModel();
}

void GridModel::SetRowCount(int count) {
  if (count < 0) count = 0;
  if (count == row_count_) {
    RowsChanged();
    return;
  }
  if (count > row_count_) {
    beginInsertRows({}, row_count_, count - 1);
    row_count_ = count;
    endInsertRows();
    return;
  }
  ResetRows(count);
}

void GridModel::ResetRows(int count) {
  beginResetModel();
  row_count_ = std::max(count, 0);
  endResetModel();
}

void GridModel::RowsChanged() {
  if (row_count_ == 0 || columns_.empty()) return;
  emit dataChanged(index(0, 0), index(row_count_ - 1, columnCount() - 1));
}

QString GridModel::ShownText(int row, int column) const {
  const int field = FieldOf(column);
  if (source_ == nullptr || field <= 1 || row < 0 || row >= row_count_) return {};
  return FromStd(LookOfCell(source_->CellText(row, field)).shown);
}

GridModel::CellSize GridModel::SizeOfCell(int row, int column) const {
  const int field = FieldOf(column);
  if (source_ == nullptr || field <= 1 || row < 0 || row >= row_count_) return {};
  const CellLook look = LookOfCell(source_->CellText(row, field));
  return {KeepFiguresLeftToRight(FromStd(look.shown)), IsFigure(look.shown, look.credit),
          look.heading};
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || source_ == nullptr || index.row() >= row_count_) return {};
  const int field = FieldOf(index.column());
  if (field == 0) return {};
  if (role == Qt::BackgroundRole) {
    if (!row_background_) return {};
    const QColor colour = row_background_(index.row());
    return colour.isValid() ? QVariant(colour) : QVariant();
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::DecorationRole:
    case Qt::FontRole:
    case Qt::ForegroundRole:
    case Qt::ToolTipRole:
    case Qt::TextAlignmentRole:
    case kFigureRole:
    case kShownRole:
      break;
    default:
      return {};
  }
  const CellLook look = LookOfCell(source_->CellText(index.row(), field));
  if (field == 1) {
    if (role != Qt::DecorationRole) return {};
    bool ok = false;
    const int image = FromStd(look.shown).trimmed().toInt(&ok);
    return ok ? QVariant(ListImage(image)) : QVariant();
  }
  const bool figure = IsFigure(look.shown, look.credit);
  switch (role) {
    case Qt::DisplayRole:
      return KeepFiguresLeftToRight(FromStd(look.shown));
    case kShownRole:
      return FromStd(look.shown);
    case kFigureRole:
      return figure;
    case Qt::ToolTipRole:
      return look.shown.empty() ? QVariant()
                                : QVariant(KeepFiguresLeftToRight(FromStd(look.shown)));
    case Qt::TextAlignmentRole:
      // Figures stand against the right edge whatever the direction, so that their units
      // line up.
      if (figure) return QVariant::fromValue(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
      return {};
    case Qt::FontRole:
      if (look.heading) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      if (look.credit) return kCreditColour;
      if (look.debit) return kDebitColour;
      if (error_row_colour_.isValid() && source_->CellText(index.row(), 1) == "1") {
        return error_row_colour_;
      }
      return text_colour_.isValid() ? QVariant(text_colour_) : QVariant();
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || static_cast<std::size_t>(section) >= columns_.size()) return QString();
  return columns_[static_cast<std::size_t>(section)].caption;
}

Grid::Grid(QWidget* parent) : QTableView(parent), model_(this) {
  measure_timer_.setInterval(0);
  connect(&measure_timer_, &QTimer::timeout, this, &Grid::MeasureSlice);
  setModel(&model_);
  setItemDelegate(new GridDelegate(this));
  setShowGrid(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the grid for the next control; the arrows move inside it.
  setTabKeyNavigation(false);
  setIconSize(QSize(kListImageSize, kListImageSize));
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeading | Qt::AlignVCenter);
  horizontalHeader()->setToolTip(texts::kGridKeys);
  setProperty(kSortIndexProperty, 1);
  ApplyRowHeight();
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &Grid::HeaderClicked);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, &Grid::SectionResized);
}

void Grid::SetColumns(std::vector<GridColumn> columns) {
  model_.SetColumns(std::move(columns));
  const auto& shown = model_.Columns();
  sized_by_user_.assign(shown.size(), false);
  wanted_width_.assign(shown.size(), 0);
  widest_figure_.assign(shown.size(), 0);
  for (std::size_t column = 0; column < shown.size(); ++column) {
    int width = shown[column].width;
    if (!shown[column].widest_figure.isEmpty()) {
      widest_figure_[column] = WidthNeeded(shown[column].widest_figure, true);
      width = std::max(width, widest_figure_[column]);
    }
    wanted_width_[column] = width;
    SetShownWidth(static_cast<int>(column), width);
  }
  search_column_ = -1;
  ShowSortIndicator();
  MeasureCells(0, model_.rowCount());
  Fit();
}

void Grid::SetStretchField(int field) {
  stretch_field_ = field;
  Fit();
}

void Grid::SetSource(const GridRowSource* source) {
  model_.SetSource(source);
  MeasureCells(0, model_.rowCount());
}

void Grid::SetRowCount(int count) {
  const int before = model_.rowCount();
  model_.SetRowCount(count);
  if (count < before) sized_by_user_.assign(sized_by_user_.size(), false);
  MeasureCells(count > before ? before : 0, count);
}

void Grid::ResetRows(int count) {
  model_.ResetRows(count);
  MeasureCells(0, count);
}

void Grid::SetTextColour(const QColor& colour) {
  model_.SetTextColour(colour);
  viewport()->update();
}

void Grid::SetErrorRowColour(const QColor& colour) {
  model_.SetErrorRowColour(colour);
  viewport()->update();
}

void Grid::SetRowBackground(GridModel::RowBackground background) {
  model_.SetRowBackground(std::move(background));
  viewport()->update();
}

int Grid::SortIndex() const { return property(kSortIndexProperty).toInt(); }

void Grid::SetSortIndex(int field, bool descending) {
  setProperty(kSortIndexProperty, field);
  sort_descending_ = descending;
  ShowSortIndicator();
}

void Grid::ShowSortIndicator() {
  int column = -1;
  const int field = SortIndex();
  for (int c = 0; c < model_.columnCount(); ++c) {
    if (field > 1 && model_.FieldOf(c) == field) column = c;
  }
  // Only where the owner sorts: a grid without a sort shows no order it cannot change.
  horizontalHeader()->setSortIndicatorShown(sort_ != nullptr && column >= 0);
  horizontalHeader()->setSortIndicator(column,
                                       sort_descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int Grid::SearchColumnFor(int sort_field, int key_field) const {
  int key = -1;
  int first = -1;
  for (int c = 0; c < model_.columnCount(); ++c) {
    const int field = model_.FieldOf(c);
    if (field <= 1) continue;
    if (field == sort_field) return c;
    if (field == key_field) key = c;
    if (first < 0) first = c;
  }
  return key >= 0 ? key : first;
}

int Grid::WidthNeeded(const QString& text, bool bold) const {
  QFont cell_font = font();
  if (bold) cell_font.setBold(true);
  return FigureWidth(QFontMetrics(cell_font), text);
}

void Grid::SetShownWidth(int column, int width) {
  setting_widths_ = true;
  setColumnWidth(column, width);
  setting_widths_ = false;
}

void Grid::MeasureCells(int first, int last) {
  last = std::min(last, first + kMeasureLimit);
  if (first == 0) waiting_rows_.clear();  // a new list: the rows of the one before are gone
  const int now = std::min(last, first + kMeasuredAtOnce);
  // The last rows too: the totals row, where the widest figures usually stand.
  const int tail = std::max(now, last - kMeasuredLast);
  MeasureRows(first, now);
  MeasureRows(tail, last);
  if (now < tail && !sample_only_) waiting_rows_.emplace_back(now, tail);
  if (Measuring()) {
    measure_timer_.start();
  } else {
    measure_timer_.stop();
  }
}

void Grid::MeasureSlice() {
  // A slice ends after this long: the window answers between slices.
  constexpr int kSliceMs = 25;
  constexpr int kRowsBetweenLooks = 100;
  QElapsedTimer clock;
  clock.start();
  while (Measuring() && clock.elapsed() < kSliceMs) {
    auto& [from, to] = waiting_rows_.front();
    to = std::min(to, model_.rowCount());
    const int end = std::min(to, from + kRowsBetweenLooks);
    MeasureRows(from, end);
    from = end;
    if (from >= to) waiting_rows_.erase(waiting_rows_.begin());
  }
  if (!Measuring()) measure_timer_.stop();
}

void Grid::MeasureRows(int first, int last) {
  const auto& columns = model_.Columns();
  std::vector<int> needed(columns.size(), 0);
  std::vector<int> figures(columns.size(), 0);
  wanted_width_.resize(columns.size(), 0);
  widest_figure_.resize(columns.size(), 0);
  QFont bold_font = font();
  bold_font.setBold(true);
  const QFontMetrics normal(font());
  const QFontMetrics bold(bold_font);
  for (int row = first; row < last; ++row) {
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].field <= 1) continue;
      const GridModel::CellSize cell = model_.SizeOfCell(row, static_cast<int>(column));
      if (cell.text.isEmpty() || (!cell.figure && columns[column].field == stretch_field_)) {
        continue;
      }
      const int width = FigureWidth(cell.bold ? bold : normal, cell.text);
      // A date, a time or a code cut would read as another: kept whole like a figure.
      if (cell.figure || IsWholeToken(cell.text)) {
        figures[column] = std::max(figures[column], width);
      }
      needed[column] =
          std::max(needed[column], cell.figure ? width : std::min(width, kTextWidthCap));
    }
  }
  bool widened = false;
  for (std::size_t column = 0; column < columns.size(); ++column) {
    if (column < figures.size() && figures[column] > widest_figure_[column]) {
      widest_figure_[column] = figures[column];
      widened = true;
    }
    if (column < sized_by_user_.size() && sized_by_user_[column]) continue;
    if (needed[column] > wanted_width_[column]) {
      wanted_width_[column] = needed[column];
      widened = true;
    }
  }
  if (widened) Fit();
}

void Grid::WidenToShapes(const std::vector<QStringList>& shapes) {
  // The widest digit of the bold face: a face need not draw every digit alike.
  QChar widest = QLatin1Char('0');
  for (char digit = '1'; digit <= '9'; ++digit) {
    if (WidthNeeded(QString(QLatin1Char(digit)), true) > WidthNeeded(QString(widest), true)) {
      widest = QLatin1Char(digit);
    }
  }
  const std::size_t columns = std::min(shapes.size(), model_.Columns().size());
  widest_figure_.resize(model_.Columns().size(), 0);
  wanted_width_.resize(model_.Columns().size(), 0);
  for (std::size_t column = 0; column < columns; ++column) {
    for (const QString& shape : shapes[column]) {
      const int width = WidthNeeded(QString(shape).replace(QLatin1Char('0'), widest), true);
      widest_figure_[column] = std::max(widest_figure_[column], width);
      if (column < sized_by_user_.size() && sized_by_user_[column]) continue;
      wanted_width_[column] = std::max(wanted_width_[column], width);
    }
  }
  Fit();
}

int Grid::LeastWidth(int column) const {
  if (column < 0 || column >= model_.columnCount()) return 0;
  const int heading = horizontalHeader()->sectionSizeHint(column);
  return std::max(heading, widest_figure_[static_cast<std::size_t>(column)]);
}

void Grid::Fit() {
  const auto& columns = model_.Columns();
  if (columns.empty() || wanted_width_.size() != columns.size()) return;
  std::vector<int> width = wanted_width_;
  int stretch = -1;
  int total = 0;
  for (std::size_t column = 0; column < columns.size(); ++column) {
    if (columns[column].field == stretch_field_ && stretch_field_ != 0) {
      stretch = static_cast<int>(column);
    }
    total += width[column];
  }
  const int room = viewport()->width();
  // A grid not shown yet has no viewport worth fitting to: it keeps its widths until shown.
  if (total <= room || !isVisible()) {
    if (stretch >= 0 && total < room) width[static_cast<std::size_t>(stretch)] += room - total;
  } else {
    // The image column and the widths the user chose stay; texts give way before figures,
    // the stretch column first.
    std::vector<int> least(columns.size(), 0);
    std::vector<std::size_t> texts;
    std::vector<std::size_t> figures;
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].field <= 1 || sized_by_user_[column]) continue;
      least[column] = LeastWidth(static_cast<int>(column));
      if (static_cast<int>(column) == stretch) continue;
      (widest_figure_[column] > 0 ? figures : texts).push_back(column);
    }
    int excess = total - room;
    if (stretch >= 0 && !sized_by_user_[static_cast<std::size_t>(stretch)]) {
      excess = GiveWay(width, least, {static_cast<std::size_t>(stretch)}, excess);
    }
    excess = GiveWay(width, least, texts, excess);
    GiveWay(width, least, figures, excess);
  }
  for (std::size_t column = 0; column < columns.size(); ++column) {
    if (columnWidth(static_cast<int>(column)) != width[column]) {
      SetShownWidth(static_cast<int>(column), width[column]);
    }
  }
}

void Grid::SectionResized(int column, int, int new_width) {
  if (setting_widths_) return;
  model_.SetKeptWidth(column, new_width);
  if (static_cast<std::size_t>(column) < sized_by_user_.size()) {
    sized_by_user_[static_cast<std::size_t>(column)] = true;
    wanted_width_[static_cast<std::size_t>(column)] = new_width;
  }
  if (model_.FieldOf(column) != stretch_field_) Fit();
  if (width_keeper_) width_keeper_(model_.Columns());
}

void Grid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  Fit();
}

void Grid::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  Fit();
}

void Grid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    ApplyRowHeight();
    MeasureCells(0, model_.rowCount());
  }
}

void Grid::ApplyRowHeight() {
  QFont bold = font();
  bold.setBold(true);
  const int text_height = QFontMetrics(bold).height() + 4;
  verticalHeader()->setDefaultSectionSize(std::max(kLeastRowHeight, text_height));
}

void Grid::HeaderClicked(int column) {
  const int field = model_.FieldOf(column);
  if (field == 0 || !sort_) return;
  if (field == SortIndex() && field > 1 && reverse_) {
    reverse_();
    sort_descending_ = !sort_descending_;
    ShowSortIndicator();
  } else {
    sort_(field);
    SetSortIndex(field);
  }
  model_.RowsChanged();
  setFocus();
  viewport()->update();
}

QModelIndex Grid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Home and End go to the first and last row, with or without Ctrl, and stay in the
  // column: a row list has nothing to the side worth jumping to.
  if (action == MoveHome || action == MoveEnd) {
    const int rows = model_.rowCount();
    if (rows == 0) return {};
    const int column = std::max(currentIndex().column(), 0);
    return model_.index(action == MoveHome ? 0 : rows - 1, column);
  }
  return QTableView::moveCursor(action, modifiers);
}

void Grid::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    CopySelection(false);
    event->accept();
    return;
  }
  if (event == QKeySequence::Find) {
    Search();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier) {
    FindNext();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void Grid::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(texts::kCopy, this, [this] { CopySelection(false); });
  copy->setShortcut(QKeySequence::Copy);
  menu.addAction(texts::kCopyWithHeadings, this, [this] { CopySelection(true); });
  menu.addSeparator();
  QAction* next = menu.addAction(texts::kFindNext, this, [this] { FindNext(); });
  next->setShortcut(QKeySequence(Qt::Key_F3));
  menu.addSeparator();
  menu.addAction(texts::kSaveAsCsv, this, [this] { SaveAsCsv(); });
  const bool any = model_.rowCount() > 0;
  for (QAction* action : menu.actions()) action->setEnabled(any);
  next->setEnabled(any && search_column_ >= 0);
  menu.exec(event->globalPos());
}

std::vector<int> Grid::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

QString Grid::RowsAsText(const std::vector<int>& rows, bool headings) const {
  const auto& columns = model_.Columns();
  QString text;
  auto add_line = [&](auto cell_of) {
    bool first = true;
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].field <= 1) continue;  // the image column shows no text
      if (!first) text += QLatin1Char('\t');
      first = false;
      text += cell_of(static_cast<int>(column));
    }
    text += QLatin1Char('\n');
  };
  if (headings) {
    add_line([&](int column) { return columns[static_cast<std::size_t>(column)].caption; });
  }
  for (const int row : rows) {
    add_line([&](int column) { return model_.ShownText(row, column); });
  }
  return text;
}

bool Grid::WriteCsv(QIODevice& out) const {
  const auto& columns = model_.Columns();
  auto write_record = [&](auto cell_of) {
    std::vector<std::string> cells;
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].field <= 1) continue;
      cells.push_back(cell_of(static_cast<int>(column)).toStdString());
    }
    const std::string record = CsvRecord(cells);
    return out.write(record.data(), static_cast<qint64>(record.size())) ==
           static_cast<qint64>(record.size());
  };
  if (out.write(kUtf8ByteOrderMark.data(), static_cast<qint64>(kUtf8ByteOrderMark.size())) !=
      static_cast<qint64>(kUtf8ByteOrderMark.size())) {
    return false;
  }
  if (!write_record(
          [&](int column) { return columns[static_cast<std::size_t>(column)].caption; })) {
    return false;
  }
  for (int row = 0; row < model_.rowCount(); ++row) {
    if (!write_record([&](int column) { return model_.ShownText(row, column); })) return false;
  }
  return true;
}

void Grid::CopySelection(bool headings) const {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  QApplication::clipboard()->setText(RowsAsText(rows, headings));
}

void Grid::SaveAsCsv() {
  QString path = csv_file_for_test_;
  if (path.isEmpty()) {
    path = QFileDialog::getSaveFileName(this, texts::kSaveAsCsv, QString(), texts::kCsvFilter);
  }
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) path += QStringLiteral(".csv");
  // Written beside the target and put in its place only when whole: a failed save leaves an
  // existing file as it was.
  QSaveFile file(path);
  const bool saved = file.open(QIODevice::WriteOnly) && WriteCsv(file) && file.commit();
  if (!saved && report_) report_(texts::kCannotWriteFile + path);
}

void Grid::Search() {
  if (search_) {
    search_();
    return;
  }
  int column = -1;
  const auto& columns = model_.Columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (stretch_field_ > 1 && columns[i].field == stretch_field_) column = static_cast<int>(i);
  }
  // A grid without a text column that takes the spare width looks in its sort column, else in
  // the column of the current cell, else in its first column with text.
  if (column < 0) column = SearchColumnFor(SortIndex(), model_.FieldOf(currentIndex().column()));
  if (column < 0 || model_.rowCount() == 0) return;
  GridSearchBox box(columns[static_cast<std::size_t>(column)].caption, SearchEntry::kAny, this);
  if (box.exec() != QDialog::Accepted || box.Text().isEmpty()) return;
  SearchColumn(column, box.Text());
}

bool Grid::SearchColumn(int column, const QString& word) {
  search_column_ = column;
  search_word_ = word;
  const int found = FindRow(column, word, currentIndex().row() + 1);
  if (found < 0) {
    QApplication::beep();
    if (report_) report_(texts::kNotFound + word);
    setFocus();
    return false;
  }
  SelectFound(found, column);
  return true;
}

bool Grid::FindNext() {
  const int found = search_column_ < 0 || search_column_ >= model_.columnCount()
                        ? -1
                        : FindRow(search_column_, search_word_, currentIndex().row() + 1, false);
  if (found < 0) {
    QApplication::beep();
    return false;
  }
  SelectFound(found, search_column_);
  return true;
}

void Grid::SelectFound(int row, int column) {
  const QModelIndex cell = model_.index(row, column);
  selectionModel()->setCurrentIndex(
      cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(cell);
  setFocus();
}

int Grid::FindRow(int column, const QString& word, int from, bool wrap) const {
  const int rows = model_.rowCount();
  const TextMatch match(word);
  if (rows == 0 || match.Empty()) return -1;
  from = std::clamp(from, 0, rows);
  if (!wrap) {
    for (int row = from; row < rows; ++row) {
      if (match.Matches(model_.ShownText(row, column))) return row;
    }
    return -1;
  }
  from %= rows;
  for (int step = 0; step < rows; ++step) {
    const int row = (from + step) % rows;
    if (match.Matches(model_.ShownText(row, column))) return row;
  }
  return -1;
}

}  // namespace tallyscan
