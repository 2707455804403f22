#include "engine/report/page_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/report/figure_cell.h"
#include "engine/report/line_breaks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// A text cell that is one token of digits and their signs (a date, a time, a reference, a
// code such as "100-0023"): cut, it would say another thing, so it is kept whole like a figure.
bool WholeToken(std::string_view text) {
  bool digit = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '/' && c != ':' && c != '.' && c != '-' && c != ',') {
      return false;
    }
  }
  return digit;
}

constexpr Colour kBlack = 0;
constexpr Colour kErrorInk = Rgb(255, 0, 0);
constexpr double kRowSpacing = 1.3;  // a row's height in lines of its font
constexpr double kCellMarginMm = 0.8;
constexpr double kChartHeightMm = 85;  // at most half a page
constexpr double kGridLineMm = 0.1;
constexpr double kRuleStepMm = 0.25;  // thickness of a mode-1 rule; larger modes are thicker
constexpr double kMarginLimitMm = 100;
// A text column holds this many letters "א" of the body font on a line, and when the pages are
// too narrow even in landscape, this many still.
constexpr int kTextColumnLetters = 12;
constexpr int kLeastTextColumnLetters = 3;
// Widths and heights closer than this are taken as equal (canvas units are device dots).
constexpr double kSlack = 0.01;

// The characters of a column layout that the narrow/wide decision counts: the coded
// bytes between 31 and 255 exclusive (captions in code page 1255, widths of 32 and more).
int CountedCharacters(const ColumnLayout& column_layout) {
  int count = column_layout.wide_flag ? 1 : 0;
  for (const ReportColumn& column : column_layout.columns) {
    if (column.width > 31 && column.width < 255) ++count;
    for (const char c : Utf8ToCp1255(column.caption)) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte > 31 && byte < 255) ++count;
    }
  }
  return count;
}

std::string Letters(int count) {
  std::string letters;
  for (int i = 0; i < count; ++i) letters += "א";
  return letters;
}

PageLayout::Item MakeItem(PageLayout::ItemKind kind) {
  PageLayout::Item item;
  item.kind = kind;
  return item;
}

double RuleThickness(int mode, double units_per_mm) {
  if (mode < 1 || mode > 100) return 0;
  return std::min(mode, 12) * kRuleStepMm * units_per_mm;
}

bool Spanning(const PageLayout::Item& item) { return item.mode > 100 || item.mode < -100; }

}  // namespace

double PageLayout::Margin() const { return kCellMarginMm * units_per_mm_; }

int PageLayout::LineSlot(int style) const {
  if (style == kSummaryStyle) return SlotFor(kSubTitleSlot, wide_);
  if (style == kSubTitleStyle) return SlotFor(kSummarySlot, wide_);
  return SlotFor(kBodySlot, wide_);
}

double PageLayout::RowHeight(int slot) {
  canvas_.SelectFont(slot);
  return canvas_.LineHeight() * kRowSpacing;
}

PaperRect PageLayout::PrintableArea(const ReportState& state) {
  const PaperRect area = canvas_.PageArea();
  PaperRect inner = area;
  const auto margin = [&](int i) {
    return std::clamp<double>(state.fonts->margins[static_cast<std::size_t>(i)], 0,
                              kMarginLimitMm) *
           units_per_mm_;
  };
  inner.left += margin(0);
  inner.top += margin(1);
  inner.right -= margin(2);
  inner.bottom -= margin(3);
  // Margins that leave no room for a report are not applied.
  if (inner.Width() > 20 * units_per_mm_ && inner.Height() > 20 * units_per_mm_) return inner;
  return area;
}

void PageLayout::Prepare(const ReportState& state) {
  if (prepared_) return;
  prepared_ = true;
  separator_ = state.fonts->separator_colour;
  units_per_mm_ = canvas_.UnitsPerMillimetre();
  area_ = PrintableArea(state);
}

void PageLayout::OnColumns(const ReportState& state) {
  Prepare(state);
  const bool lines_gathered = std::any_of(items_.begin(), items_.end(), [](const Item& item) {
    return item.kind == ItemKind::kLine || item.kind == ItemKind::kHeadings;
  });
  if (lines_gathered) {
    do {
      DrawPage(state);
    } while (!items_.empty());
  }

  const ColumnLayout& column_layout = state.columns;
  wide_ = column_layout.wide_flag;
  if (!wide_) {
    canvas_.SelectFont(kBodySlot);
    wide_ = canvas_.TextWidth(Letters(CountedCharacters(column_layout))) > area_.Width();
  }
  types_.clear();
  shares_.clear();
  widths_.clear();
  captions_.clear();
  const int total = column_layout.TotalWidth();
  for (const ReportColumn& column : column_layout.columns) {
    types_.push_back(column.type);
    captions_.emplace_back(TrimSpaces(column.caption));
    shares_.push_back(total > 0 ? static_cast<double>(column.width) / total
                                : 1.0 / static_cast<double>(column_layout.columns.size()));
    widths_.push_back(area_.Width() * shares_.back());
  }
  ++widths_version_;
  ColumnFloors(state);
  FitColumns(state);
  // A table that begins in the middle of a page (a document's lines) gets its headings there;
  // the pages after it carry them in their header.
  if (!items_.empty() && !column_layout.empty()) Add(state, MakeItem(ItemKind::kHeadings));
}

void PageLayout::ColumnFloors(const ReportState& state) {
  const std::size_t count = widths_.size();
  headings_.assign(count, 0);
  words_.assign(count, false);
  whole_.assign(count, 0);
  longest_.assign(count, 0);
  if (count == 0) return;
  const double margins = 2 * Margin() + kGridLineMm * units_per_mm_;
  canvas_.SelectFont(SlotFor(kBodySlot, wide_));
  letters_ = canvas_.TextWidth(Letters(kTextColumnLetters)) + margins;
  fewest_ = canvas_.TextWidth(Letters(kLeastTextColumnLetters)) + margins;
  canvas_.SelectFont(SlotFor(kHeadingSlot, wide_));
  for (std::size_t i = 0; i < count; ++i) {
    headings_[i] = canvas_.TextWidth(TrimSpaces(state.columns.columns[i].caption)) + margins;
  }
}

bool PageLayout::Note(const Item& item) {
  if (item.kind != ItemKind::kLine || Spanning(item)) return false;
  bool changed = false;
  bool selected = false;
  for (std::size_t i = 0; i < widths_.size() && i < item.cells.size(); ++i) {
    const std::string& cell = item.cells[i];
    if (cell.empty()) continue;
    if (!selected) {
      canvas_.SelectFont(LineSlot(item.style));
      selected = true;
    }
    const bool words = types_[i] == kTextColumn && !WholeToken(cell);
    const double margins = types_[i] == 9 ? 0 : 2 * Margin();
    const double width =
        canvas_.TextWidth(types_[i] == kTextColumn ? cell
                                                   : FigureText(cell, types_[i], SignPlace::kEnd)) +
        margins + kGridLineMm * units_per_mm_;
    if (words) {
      changed = changed || !words_[i] || width > longest_[i];
      words_[i] = true;
      longest_[i] = std::max(longest_[i], width);
    } else if (width > whole_[i]) {
      whole_[i] = width;
      changed = true;
    }
  }
  return changed;
}

void PageLayout::OnLine(const ReportState& state, const ReportLine& line) {
  Item item;
  item.cells.assign(line.cells.begin(), line.cells.end());
  item.style = line.style;
  item.mode = line.mode;
  item.mark = line.mark;
  Add(state, std::move(item));
}

void PageLayout::OnFreeText(const ReportState& state, const FreeText& text) {
  Item item = MakeItem(ItemKind::kFreeText);
  item.free_text = text;
  Add(state, std::move(item));
}

void PageLayout::OnAddressBox(const ReportState& state, std::span<const std::string> lines) {
  Item item = MakeItem(ItemKind::kAddressBox);
  item.cells.assign(lines.begin(), lines.end());
  Add(state, std::move(item));
}

void PageLayout::OnChart(const ReportState& state, const ReportChart& chart) {
  Item item = MakeItem(ItemKind::kChart);
  item.chart = chart;
  Add(state, std::move(item));
}

int PageLayout::PageNumber() const { return std::max(1, pages_ + (items_.empty() ? 0 : 1)); }

void PageLayout::Add(const ReportState& state, Item item) {
  Prepare(state);
  if (items_.empty()) StartNextPage(state);
  // The widths follow the rows as they come, so that the rows gathered are measured as they
  // will be drawn.
  if (Note(item)) {
    const int version = widths_version_;
    FitColumns(state);
    if (version != widths_version_) {
      gathered_ = 0;
      for (Item& gathered : items_) {
        Measure(gathered);
        gathered_ += gathered.height;
      }
    }
  }
  Measure(item);
  if (!items_.empty() && header_height_ + gathered_ + item.height > area_.Height() + kSlack) {
    // The rows that wait may need more than one page once their page's widths are settled.
    do {
      DrawPage(state);
    } while (!items_.empty() && header_height_ + gathered_ + item.height > area_.Height() + kSlack);
    // Headings at the top of a page come with its header.
    if (items_.empty() && item.kind == ItemKind::kHeadings && headers_have_columns_) return;
    Measure(item);
  }
  gathered_ += item.height;
  items_.push_back(std::move(item));
}

void PageLayout::StartNextPage(const ReportState& state) {
  headers_have_columns_ = !widths_.empty();
  header_height_ = HeaderHeight(state);
  if (headers_have_columns_ && !items_.empty() && items_.front().kind == ItemKind::kHeadings) {
    items_.erase(items_.begin());
  }
  gathered_ = 0;
  for (const Item& item : items_) gathered_ += item.height;
}

double PageLayout::TextRoom(std::size_t column) const {
  return widths_[column] - 2 * Margin() - kGridLineMm * units_per_mm_;
}

void PageLayout::Measure(Item& item) {
  switch (item.kind) {
    case ItemKind::kLine: {
      if (item.measured_at == widths_version_) return;
      item.measured_at = widths_version_;
      const int slot = LineSlot(item.style);
      canvas_.SelectFont(slot);
      const auto measure = [this](std::string_view text) { return canvas_.TextWidth(text); };
      item.lines.clear();
      std::size_t count = 1;
      if (Spanning(item)) {
        const std::string text = item.cells.empty() ? std::string() : item.cells.front();
        item.lines.push_back(BreakLines(text, TableWidth() - 2 * Margin(), measure));
        count = item.lines.back().size();
      } else {
        for (std::size_t i = 0; i < item.cells.size(); ++i) {
          const std::string& cell = item.cells[i];
          if (i < widths_.size() && types_[i] == kTextColumn && !cell.empty() &&
              !WholeToken(cell)) {
            item.lines.push_back(BreakLines(cell, TextRoom(i), measure));
          } else {
            item.lines.push_back({cell});
          }
          count = std::max(count, item.lines.back().size());
        }
      }
      const double rule = item.continued ? 0 : RuleThickness(std::abs(item.mode), units_per_mm_);
      item.height = RowHeight(slot) + static_cast<double>(count - 1) * canvas_.LineHeight() + rule;
      return;
    }
    case ItemKind::kHeadings:
      item.height = RowHeight(SlotFor(kHeadingSlot, wide_));
      return;
    case ItemKind::kFreeText: {
      canvas_.SelectFont(item.free_text.text.font);
      const double line = canvas_.LineHeight();
      const double lines = std::max(0.0, item.free_text.lines_before) + 1 +
                           std::max(0.0, item.free_text.extra_height);
      item.height = line * lines + (item.free_text.width_percent < 0 ? 0.4 * line : 0);
      return;
    }
    case ItemKind::kAddressBox:
      canvas_.SelectFont(SlotFor(kBodySlot, wide_));
      item.height = canvas_.LineHeight() * (static_cast<double>(item.cells.size()) + 0.8);
      return;
    case ItemKind::kChart:
      item.height = std::min(kChartHeightMm * units_per_mm_, area_.Height() / 2);
      return;
  }
}

double PageLayout::HeaderHeight(const ReportState& state) {
  canvas_.SelectFont(kMainTitleSlot);
  const double x1 = canvas_.LineHeight();
  canvas_.SelectFont(kWideCompanySlot);
  const double x4 = canvas_.LineHeight();
  double height = (1.2 + 1.0 + 1.2) * x1 + 1.2 * x4;
  for (const CodedText& title : state.titles) {
    canvas_.SelectFont(title.font);
    height += 1.2 * canvas_.LineHeight();
  }
  canvas_.SelectFont(SlotFor(kBodySlot, wide_));
  height += 0.5 * canvas_.LineHeight();
  if (headers_have_columns_) height += RowHeight(SlotFor(kHeadingSlot, wide_));
  return height;
}

void PageLayout::DrawPage(const ReportState& state) {
  for (Item& item : items_) Measure(item);
  canvas_.StartPage();
  ++pages_;
  canvas_.SetTextColour(state.fonts->text_colour);
  double y = area_.top;
  DrawHeader(state, y);
  std::size_t drawn = 0;
  for (; drawn < items_.size(); ++drawn) {
    if (y + items_[drawn].height > area_.bottom + kSlack) {
      if (drawn > 0) break;
      // Alone taller than a page: the row goes on over the pages that follow.
      SplitRow(drawn, area_.bottom - y);
    }
    const Item& item = items_[drawn];
    switch (item.kind) {
      case ItemKind::kLine:
        DrawLine(state, item, y);
        break;
      case ItemKind::kHeadings:
        DrawHeadings(state, y);
        break;
      case ItemKind::kFreeText:
        DrawFreeText(item, y);
        break;
      case ItemKind::kAddressBox:
        DrawAddressBox(item, y);
        break;
      case ItemKind::kChart:
        DrawChart(item, y);
        break;
    }
    y += item.height;
  }
  items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(drawn));
  StartNextPage(state);
}

void PageLayout::SplitRow(std::size_t at, double room) {
  Item& item = items_[at];
  if (item.kind != ItemKind::kLine) return;
  const int slot = LineSlot(item.style);
  const double row = RowHeight(slot);
  const double line = canvas_.LineHeight();
  const double rule = item.continued ? 0 : RuleThickness(std::abs(item.mode), units_per_mm_);
  const std::size_t fit =
      1 + static_cast<std::size_t>(std::max(0.0, std::floor((room - rule - row) / line + kSlack)));
  Item rest = item;
  rest.continued = true;
  rest.measured_at = -1;
  bool more = false;
  for (std::size_t i = 0; i < item.lines.size(); ++i) {
    std::vector<std::string>& lines = item.lines[i];
    std::string left;
    for (std::size_t k = fit; k < lines.size(); ++k) {
      if (!left.empty()) left += ' ';
      left += lines[k];
      more = true;
    }
    if (lines.size() > fit) lines.resize(fit);
    if (i < rest.cells.size()) rest.cells[i] = std::move(left);
  }
  if (!more) return;
  item.height = row + static_cast<double>(fit - 1) * line + rule;
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at) + 1, std::move(rest));
}

void PageLayout::DrawHeader(const ReportState& state, double& y) {
  const ReportHeader& header = *state.header;
  const auto box = [&](double height) { return PaperRect{area_.left, y, area_.right, y + height}; };
  canvas_.SelectFont(kMainTitleSlot);
  const double x1 = canvas_.LineHeight();
  canvas_.DrawText(box(x1), header.company, TextAlign::kCentre, true, true);
  y += 1.2 * x1;
  canvas_.SelectFont(kWideCompanySlot);
  const double x4 = canvas_.LineHeight();
  canvas_.DrawText(box(x4), header.second_line, TextAlign::kCentre, true, true);
  y += 1.0 * x1;
  canvas_.DrawText(box(x4), "מספר עוסק - " + header.dealer_number, TextAlign::kCentre, true, true);
  y += 1.2 * x1;
  canvas_.DrawText(box(x4), "תאריך הדפסה - " + SlashedDate(header.print_date) + " ",
                   TextAlign::kLeft, true, false);
  canvas_.DrawText(box(x4), " שנת כספים - " + PlainNumber(header.fiscal_year), TextAlign::kRight,
                   true, false);
  canvas_.DrawText(box(x4), "דף - " + PlainNumber(pages_), TextAlign::kCentre, true, false);
  y += 1.2 * x4;
  for (const CodedText& title : state.titles) {
    canvas_.SelectFont(title.font);
    const double line = canvas_.LineHeight();
    std::string text = title.text;
    if (title.align == TextAlign::kRight) text.insert(0, " ");
    if (title.align == TextAlign::kLeft) text += ' ';
    canvas_.DrawText(box(line), text, title.align, true, true);
    y += 1.2 * line;
  }
  canvas_.SelectFont(SlotFor(kBodySlot, wide_));
  y += 0.5 * canvas_.LineHeight();
  if (headers_have_columns_) {
    DrawHeadings(state, y);
    y += RowHeight(SlotFor(kHeadingSlot, wide_));
  }
}

double PageLayout::TableWidth() const {
  double width = 0;
  for (const double column : widths_) width += column;
  return width;
}

void PageLayout::FitColumns(const ReportState& state) {
  if (widths_.empty()) return;
  const std::vector<double> before = widths_;
  std::vector<double> need(widths_.size());
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    need[i] = std::max({headings_[i], whole_[i], words_[i] ? letters_ : 0.0});
  }
  const auto settle = [&] {
    for (std::size_t i = 0; i < widths_.size(); ++i) widths_[i] = std::max(widths_[i], need[i]);
    // The room a figure column has beyond its figures goes first, then the text columns give.
    GiveWay(need, false);
    GiveWay(need, true);
  };
  settle();
  if (TableWidth() > area_.Width() + kSlack && pages_ == 0 && !landscape_ &&
      canvas_.TurnLandscape()) {
    landscape_ = true;
    area_ = PrintableArea(state);
    for (std::size_t i = 0; i < widths_.size(); ++i) widths_[i] = area_.Width() * shares_[i];
    settle();
  }
  Lend(need);
  if (TableWidth() > area_.Width() + kSlack) {
    std::vector<double> least = need;
    for (std::size_t i = 0; i < widths_.size(); ++i) {
      if (types_[i] == kTextColumn) least[i] = std::max(fewest_, whole_[i]);
    }
    GiveWay(least, true);
  }
  if (widths_ != before) ++widths_version_;
}

void PageLayout::Lend(const std::vector<double>& need) {
  std::vector<double> wants(widths_.size(), 0);
  std::vector<double> rooms(widths_.size(), 0);
  double want = 0;
  double spare = 0;
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    if (words_[i]) {
      wants[i] = std::max(0.0, longest_[i] - widths_[i]);
      want += wants[i];
    } else {
      rooms[i] = std::max(0.0, widths_[i] - need[i]);
      spare += rooms[i];
    }
  }
  if (want <= 0 || spare <= 0) return;
  const double take = std::min(want, spare);
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    widths_[i] += take * (wants[i] / want - rooms[i] / spare);
  }
}

void PageLayout::GiveWay(const std::vector<double>& least, bool text_columns) {
  const double excess = TableWidth() - area_.Width();
  if (excess <= 0) return;
  std::vector<double> rooms(widths_.size(), 0);
  double spare = 0;
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    if ((types_[i] == kTextColumn) != text_columns) continue;
    rooms[i] = std::max(0.0, widths_[i] - least[i]);
    spare += rooms[i];
  }
  if (spare <= 0) return;
  const double take = std::min(excess, spare);
  for (std::size_t i = 0; i < widths_.size(); ++i) widths_[i] -= take * rooms[i] / spare;
}

void PageLayout::VerticalRules(double top, double bottom, bool inner) {
  double x = area_.right;
  const double line = kGridLineMm * units_per_mm_;
  canvas_.DrawLine(x, top, x, bottom, separator_, line);
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    x -= widths_[i];
    if (inner || i + 1 == widths_.size()) canvas_.DrawLine(x, top, x, bottom, separator_, line);
  }
}

void PageLayout::DrawHeadings(const ReportState& state, double y) {
  const int slot = SlotFor(kHeadingSlot, wide_);
  const double height = RowHeight(slot);
  canvas_.SelectFont(slot);
  double right = area_.right;
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    const double left = right - widths_[i];
    canvas_.DrawText({left + Margin(), y, right - Margin(), y + height}, captions_[i],
                     TextAlign::kCentre, true, true);
    right = left;
  }
  const double line = kGridLineMm * units_per_mm_;
  if (state.fonts->horizontal_lines != 0) {
    canvas_.DrawLine(right, y, area_.right, y, separator_, line);
    canvas_.DrawLine(right, y + height, area_.right, y + height, separator_, line);
  }
  if (state.fonts->vertical_lines != 0) VerticalRules(y, y + height, true);
}

void PageLayout::DrawLine(const ReportState& state, const Item& item, double y) {
  const int mode = item.mode < 0 ? -item.mode : item.mode;
  double table_left = area_.right - TableWidth();
  if (widths_.empty()) table_left = area_.left;
  const double rule = item.continued ? 0 : RuleThickness(mode, units_per_mm_);
  if (rule > 0) {
    canvas_.DrawLine(table_left, y + rule / 2, area_.right, y + rule / 2, kBlack, rule);
    y += rule;
  }
  const int slot = LineSlot(item.style);
  const double line_height = RowHeight(slot);
  const double step = canvas_.LineHeight();
  const double height = item.height - rule;
  if (item.mark == LineMark::kError) canvas_.SetTextColour(kErrorInk);
  // The lines of a cell from the top of its row, the first centred in a row's usual height.
  const auto box = [&](double left, double right, std::size_t line) {
    const double top = y + static_cast<double>(line) * step;
    return PaperRect{left, top, right, top + line_height};
  };
  const bool spanning = mode > 100;
  if (spanning) {
    const TextAlign align = mode == kSpanRight  ? TextAlign::kRight
                            : mode == kSpanLeft ? TextAlign::kLeft
                                                : TextAlign::kCentre;
    const std::vector<std::string> none;
    const std::vector<std::string>& lines = item.lines.empty() ? none : item.lines.front();
    for (std::size_t k = 0; k < lines.size(); ++k) {
      canvas_.DrawText(box(table_left + Margin(), area_.right - Margin(), k), lines[k], align, true,
                       false);
    }
  } else {
    double right = area_.right;
    for (std::size_t i = 0; i < widths_.size(); ++i) {
      const double left = right - widths_[i];
      const int type = types_[i];
      const double inset = type == 9 ? 0 : Margin();
      const std::size_t count = i < item.lines.size() ? item.lines[i].size() : 0;
      for (std::size_t k = 0; k < count; ++k) {
        const std::string& text = item.lines[i][k];
        if (text.empty()) continue;
        canvas_.DrawText(box(left + inset, right - inset, k),
                         FigureText(text, type, SignPlace::kEnd),
                         type == 9 ? TextAlign::kLeft : TextAlign::kRight, type != 8, false);
      }
      right = left;
    }
  }
  if (item.mark == LineMark::kError) canvas_.SetTextColour(state.fonts->text_colour);
  if (state.fonts->vertical_lines != 0) VerticalRules(y, y + height, !spanning);
  if (state.fonts->horizontal_lines != 0 && (spanning || item.mode >= 0)) {
    canvas_.DrawLine(table_left, y + height, area_.right, y + height, separator_,
                     kGridLineMm * units_per_mm_);
  }
}

void PageLayout::DrawFreeText(const Item& item, double y) {
  const FreeText& text = item.free_text;
  canvas_.SelectFont(text.text.font);
  const double line = canvas_.LineHeight();
  const double top = y + std::max(0.0, text.lines_before) * line;
  const double width = text.width_percent == 0
                           ? area_.Width()
                           : area_.Width() * std::min(100, std::abs(text.width_percent)) / 100.0;
  PaperRect box{area_.left, top, area_.right, top + line};
  if (text.text.align == TextAlign::kRight) box.left = area_.right - width;
  if (text.text.align == TextAlign::kLeft) box.right = area_.left + width;
  if (text.text.align == TextAlign::kCentre) {
    box.left = area_.left + (area_.Width() - width) / 2;
    box.right = box.left + width;
  }
  if (text.width_percent < 0) {
    box.top += 0.2 * line;
    box.bottom += 0.2 * line;
    canvas_.DrawRoundedFrame({box.left, box.top - 0.2 * line, box.right, box.bottom + 0.2 * line});
  }
  const PaperRect inner{box.left + Margin(), box.top, box.right - Margin(), box.bottom};
  const std::size_t tab = text.text.text.find('\t');
  if (tab == std::string::npos) {
    canvas_.DrawText(inner, text.text.text, text.text.align, true, true);
    return;
  }
  // A label and its value: the label where reading starts (the right), the value at the end.
  canvas_.DrawText(inner, text.text.text.substr(0, tab), TextAlign::kRight, true, true);
  canvas_.DrawText(inner, text.text.text.substr(tab + 1), TextAlign::kLeft, true, false);
}

void PageLayout::DrawAddressBox(const Item& item, double y) {
  canvas_.SelectFont(SlotFor(kBodySlot, wide_));
  const double line = canvas_.LineHeight();
  const PaperRect frame{area_.left + area_.Width() / 2, y + 0.2 * line, area_.right,
                        y + item.height - 0.2 * line};
  canvas_.DrawRoundedFrame(frame);
  double top = frame.top + 0.2 * line;
  for (const std::string& text : item.cells) {
    canvas_.DrawText({frame.left + 2 * Margin(), top, frame.right - 2 * Margin(), top + line}, text,
                     TextAlign::kRight, true, true);
    top += line;
  }
}

void PageLayout::DrawChart(const Item& item, double y) {
  canvas_.SelectFont(SlotFor(kBodySlot, wide_));
  const double gap = canvas_.LineHeight() / 2;
  canvas_.DrawChart({area_.left, y + gap, area_.right, y + item.height - gap}, item.chart);
}

Status PageLayout::OnEnd(const ReportState& state) {
  Prepare(state);
  if (!items_.empty() || pages_ == 0) {
    if (items_.empty()) StartNextPage(state);
    do {
      DrawPage(state);
    } while (!items_.empty());
  }
  return canvas_.Finish();
}

}  // namespace tallyscan
