#include "engine/report/page_layout.h"

#include <algorithm>

#include "engine/report/figure_cell.h"
#include "engine/text/cp1255.h"
#include "engine/text/trim.h"
#include "engine/uniform/result_row.h"

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
constexpr double kRowSpacing = 1.3;  // a row's height in lines of its font
constexpr double kCellMarginMm = 0.8;
constexpr double kGridLineMm = 0.1;
constexpr double kRuleStepMm = 0.25;  // thickness of a mode-1 rule; larger modes are thicker
constexpr double kMarginLimitMm = 100;

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

PageLayout::Item MakeItem(PageLayout::ItemKind kind) {
  PageLayout::Item item;
  item.kind = kind;
  return item;
}

double RuleThickness(int mode, double units_per_mm) {
  if (mode < 1 || mode > 100) return 0;
  return std::min(mode, 12) * kRuleStepMm * units_per_mm;
}

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

void PageLayout::Prepare(const ReportState& state) {
  if (prepared_) return;
  prepared_ = true;
  area_ = canvas_.PageArea();
  separator_ = state.fonts->separator_colour;
  units_per_mm_ = canvas_.UnitsPerMillimetre();
  PaperRect inner = area_;
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
  if (inner.Width() > 20 * units_per_mm_ && inner.Height() > 20 * units_per_mm_) area_ = inner;
}

void PageLayout::OnColumns(const ReportState& state) {
  Prepare(state);
  const bool lines_gathered = std::any_of(items_.begin(), items_.end(), [](const Item& item) {
    return item.kind == ItemKind::kLine || item.kind == ItemKind::kHeadings;
  });
  if (lines_gathered) DrawPage(state);

  const ColumnLayout& column_layout = state.columns;
  wide_ = column_layout.wide_flag;
  if (!wide_) {
    canvas_.SelectFont(kBodySlot);
    std::string letters;
    for (int i = CountedCharacters(column_layout); i > 0; --i) letters += "א";
    wide_ = canvas_.TextWidth(letters) > area_.Width();
  }
  types_.clear();
  widths_.clear();
  const int total = column_layout.TotalWidth();
  for (const ReportColumn& column : column_layout.columns) {
    types_.push_back(column.type);
    widths_.push_back(total > 0
                          ? area_.Width() * column.width / total
                          : area_.Width() / static_cast<double>(column_layout.columns.size()));
  }
  // A table that begins in the middle of a page (a document's lines) gets its headings there;
  // the pages after it carry them in their header.
  if (!items_.empty() && !column_layout.empty()) Add(state, MakeItem(ItemKind::kHeadings));
}

void PageLayout::OnLine(const ReportState& state, const ReportLine& line) {
  Item item;
  item.cells.assign(line.cells.begin(), line.cells.end());
  item.style = line.style;
  item.mode = line.mode;
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

int PageLayout::PageNumber() const { return std::max(1, pages_ + (items_.empty() ? 0 : 1)); }

void PageLayout::Add(const ReportState& state, Item item) {
  Prepare(state);
  if (items_.empty()) {
    headers_have_columns_ = !widths_.empty();
    header_height_ = HeaderHeight(state);
    gathered_ = 0;
  }
  item.height = HeightOf(item);
  if (!items_.empty() && header_height_ + gathered_ + item.height > area_.Height()) {
    DrawPage(state);
    headers_have_columns_ = !widths_.empty();
    header_height_ = HeaderHeight(state);
    // Headings at the top of a page come with its header.
    if (item.kind == ItemKind::kHeadings) return;
  }
  gathered_ += item.height;
  items_.push_back(std::move(item));
}

double PageLayout::HeightOf(const Item& item) {
  switch (item.kind) {
    case ItemKind::kLine:
      return RowHeight(LineSlot(item.style)) +
             RuleThickness(item.mode < 0 ? -item.mode : item.mode, units_per_mm_);
    case ItemKind::kHeadings:
      return RowHeight(SlotFor(kHeadingSlot, wide_));
    case ItemKind::kFreeText: {
      canvas_.SelectFont(item.free_text.text.font);
      const double line = canvas_.LineHeight();
      const double lines = std::max(0.0, item.free_text.lines_before) + 1 +
                           std::max(0.0, item.free_text.extra_height);
      return line * lines + (item.free_text.width_percent < 0 ? 0.4 * line : 0);
    }
    case ItemKind::kAddressBox:
      canvas_.SelectFont(SlotFor(kBodySlot, wide_));
      return canvas_.LineHeight() * (static_cast<double>(item.cells.size()) + 0.8);
  }
  return 0;
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
  canvas_.StartPage();
  ++pages_;
  canvas_.SetTextColour(state.fonts->text_colour);
  FitColumns();
  double y = area_.top;
  DrawHeader(state, y);
  for (const Item& item : items_) {
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
    }
    y += item.height;
  }
  items_.clear();
  gathered_ = 0;
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

void PageLayout::FitColumns() {
  if (widths_.empty()) return;
  std::vector<double> need(widths_.size(), 0);
  for (const int style : {kBodyStyle, kSummaryStyle, kSubTitleStyle}) {
    bool selected = false;
    for (const Item& item : items_) {
      if (item.kind != ItemKind::kLine || item.style != style || item.mode > 100 ||
          item.mode < -100) {
        continue;
      }
      for (std::size_t i = 0; i < widths_.size() && i < item.cells.size(); ++i) {
        if (item.cells[i].empty() || (types_[i] == kTextColumn && !WholeToken(item.cells[i]))) {
          continue;
        }
        if (!selected) {
          canvas_.SelectFont(LineSlot(style));
          selected = true;
        }
        const double margins = types_[i] == 9 ? 0 : 2 * Margin();
        const double width =
            canvas_.TextWidth(types_[i] == kTextColumn
                                  ? item.cells[i]
                                  : FigureText(item.cells[i], types_[i], SignPlace::kEnd)) +
            margins + kGridLineMm * units_per_mm_;
        need[i] = std::max(need[i], width);
      }
    }
  }
  double deficit = 0;
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    if (need[i] > widths_[i]) {
      deficit += need[i] - widths_[i];
      widths_[i] = need[i];
    }
  }
  if (deficit <= 0) return;
  // The text columns give way: a column of words down to its margins, a column holding dates,
  // numbers or codes down to its widest of them.
  const auto room = [&](std::size_t i) {
    if (types_[i] != kTextColumn) return 0.0;
    return std::max(0.0, widths_[i] - std::max(need[i], 2 * Margin()));
  };
  double spare = 0;
  for (std::size_t i = 0; i < widths_.size(); ++i) spare += room(i);
  if (spare <= 0) return;
  const double take = std::min(deficit, spare);
  std::vector<double> rooms(widths_.size());
  for (std::size_t i = 0; i < widths_.size(); ++i) rooms[i] = room(i);
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
    const std::string caption(TrimSpaces(state.columns.columns[i].caption));
    canvas_.DrawText({left + Margin(), y, right - Margin(), y + height}, caption,
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
  double table_left = area_.right;
  for (const double width : widths_) table_left -= width;
  if (widths_.empty()) table_left = area_.left;
  const double rule = RuleThickness(mode, units_per_mm_);
  if (rule > 0) {
    canvas_.DrawLine(table_left, y + rule / 2, area_.right, y + rule / 2, kBlack, rule);
    y += rule;
  }
  const int slot = LineSlot(item.style);
  const double height = RowHeight(slot);
  canvas_.SelectFont(slot);
  const bool spanning = mode > 100;
  if (spanning) {
    const TextAlign align = mode == kSpanRight  ? TextAlign::kRight
                            : mode == kSpanLeft ? TextAlign::kLeft
                                                : TextAlign::kCentre;
    canvas_.DrawText({table_left + Margin(), y, area_.right - Margin(), y + height},
                     item.cells.empty() ? std::string() : item.cells.front(), align, true, true);
  } else {
    double right = area_.right;
    for (std::size_t i = 0; i < widths_.size(); ++i) {
      const double left = right - widths_[i];
      if (i < item.cells.size() && !item.cells[i].empty()) {
        const int type = types_[i];
        const double inset = type == 9 ? 0 : Margin();
        canvas_.DrawText({left + inset, y, right - inset, y + height},
                         FigureText(item.cells[i], type, SignPlace::kEnd),
                         type == 9 ? TextAlign::kLeft : TextAlign::kRight, type != 8,
                         type == kTextColumn);
      }
      right = left;
    }
  }
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

Status PageLayout::OnEnd(const ReportState& state) {
  Prepare(state);
  if (!items_.empty() || pages_ == 0) {
    if (items_.empty()) {
      headers_have_columns_ = !widths_.empty();
      header_height_ = HeaderHeight(state);
    }
    DrawPage(state);
  }
  return canvas_.Finish();
}

}  // namespace tallyscan
