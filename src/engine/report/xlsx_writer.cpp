#include "engine/report/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/report/byte_sink.h"
#include "engine/report/figure_cell.h"
#include "engine/report/report_source.h"
#include "engine/report/workbook_check.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::size_t kLongestText = 32767;  // characters a cell can hold
constexpr double kMinimumWidth = 4;

lxw_color_t SheetColour(Colour colour) {
  return static_cast<lxw_color_t>(RedOf(colour) << 16 | GreenOf(colour) << 8 | BlueOf(colour));
}

// The length in bytes of the directional mark at `at` (U+061C, U+200E, U+200F, U+202A-U+202E,
// U+2066-U+2069), 0 when there is none. A cell is a paragraph of its own, whose direction the
// spreadsheet takes from its first letter; a mark that keeps a text in order on a page would
// only stand invisibly in the cell, in the way of a search, a comparison or a formula.
std::size_t MarkLength(std::string_view text, std::size_t at) {
  const auto byte = [&text](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  };
  if (byte(at) == 0xD8 && byte(at + 1) == 0x9C) return 2;
  if (byte(at) != 0xE2) return 0;
  const unsigned char second = byte(at + 1);
  const unsigned char third = byte(at + 2);
  if (second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE))) {
    return 3;
  }
  if (second == 0x81 && third >= 0xA6 && third <= 0xA9) return 3;
  return 0;
}

// Whether a text goes into a cell as it stands: no control character, no directional mark,
// and short enough.
bool PlainCellText(std::string_view text) {
  if (text.size() > kLongestText) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F || ((c == 0xD8 || c == 0xE2) && MarkLength(text, i) != 0)) {
      return false;
    }
  }
  return true;
}

// File text may carry control characters that XML cannot hold: they become blanks. The
// directional marks go. A text longer than a cell holds is cut at a character boundary.
std::string CellText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const std::size_t mark = MarkLength(text, i); mark != 0) {
      i += mark - 1;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && ++characters > kLongestText) break;
    out.push_back(c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c));
  }
  return out;
}

constexpr std::size_t kLongestSheetName = 31;  // characters

// The first `count` characters of a UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == count) {
      return text.substr(0, i);
    }
  }
  return text;
}

std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Names compare as a spreadsheet compares them: Latin letters in either case alike.
bool SameSheetName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

// A sheet's name as a workbook takes it: the characters it refuses ([ ] : * ? / \ and
// controls, an apostrophe at either end) as "-", `base` cut so that it and `suffix` fit in 31
// characters, and a further " (2)", " (3)"... when a sheet already has that name.
std::string SheetName(std::string_view base, const std::string& suffix,
                      const std::vector<std::string>& taken) {
  std::string clean;
  for (const char c : base) {
    const bool refused = std::string_view("[]:*?/\\").find(c) != std::string_view::npos ||
                         static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    clean.push_back(refused ? '-' : c);
  }
  for (int n = 1;; ++n) {
    const std::string more = suffix + (n == 1 ? std::string() : " (" + PlainNumber(n) + ")");
    const std::size_t room = kLongestSheetName - std::min(kLongestSheetName, CharacterCount(more));
    std::string name = std::string(FirstCharacters(clean, room)) + more;
    if (name.empty()) name = "-";
    if (name.front() == '\'') name.front() = '-';
    if (name.back() == '\'') name.back() = '-';
    if (std::none_of(taken.begin(), taken.end(),
                     [&](const std::string& other) { return SameSheetName(other, name); })) {
      return name;
    }
  }
}

// A percentage as a fact states it ("99.50%", "-3%"): the figure before the sign.
std::optional<Figure> ParsePercent(std::string_view cell) {
  const std::string_view trimmed = TrimSpaces(cell);
  if (!trimmed.ends_with('%')) return std::nullopt;
  std::optional<Figure> figure = ParseFigure(trimmed.substr(0, trimmed.size() - 1));
  if (figure && figure->sense != 0) return std::nullopt;
  return figure;
}

std::string NumberFormat(int decimals, int sense, bool percent) {
  if (percent) {
    return decimals > 0 ? "0." + std::string(static_cast<std::size_t>(decimals), '0') + "%" : "0%";
  }
  std::string number = "#,##0";
  if (decimals > 0) number += "." + std::string(static_cast<std::size_t>(decimals), '0');
  if (sense == 0) return number;
  // The sign of the value carries the sense; each section shows its letter before the figure.
  return "\"ח \"" + number + ";\"ז \"" + number + ";" + number;
}

}  // namespace

struct XlsxReportWriter::Book {
  ReportFile file;
  std::string temporary_folder;  // the library's own temporary files, beside the report
  std::int64_t created = 0;
  ProgressMonitor* closing = nullptr;
  lxw_workbook* workbook = nullptr;
  std::vector<lxw_worksheet*> sheets;
  std::vector<std::string> sheet_names;
  std::string part_name;         // the name OnSheet gave; empty for the report's own sheets
  std::int64_t part_sheets = 0;  // the sheets of that part so far
  lxw_row_t row = 0;             // the next row of the current sheet
  lxw_row_t table_row = 0;       // the first row under the current sheet's last heading row
  bool frozen = false;           // whether the current sheet froze its first heading row
  std::uint32_t rows_per_sheet = LXW_ROW_MAX;
  lxw_error error = LXW_NO_ERROR;
  bool began = false;
  // Per sheet, the rows that hold a cell: what the sheet read back must hold.
  std::vector<std::int64_t> sheet_rows;
  lxw_row_t last_row_counted = 0;
  bool row_counted = false;
  bool custom_properties = false;
  // Per sheet and column, in characters, the widest heading or cell seen there.
  std::vector<std::vector<double>> sheet_widths;
  int charts = 0;
  std::vector<bool> sheet_drawn;  // per sheet, whether a chart stands on it
  // Formats by (kind, decimals, sense, colour, bold): kind 0 text, 1 number, 2 title,
  // 3 heading, 4 spanning, 5 percentage. Every cell asks for its format: the last one asked for is
  // at hand.
  std::map<std::tuple<int, int, int, int, bool>, lxw_format*> formats;
  std::tuple<int, int, int, int, bool> last_key{-1, 0, 0, 0, false};
  lxw_format* last_format = nullptr;

  void Note(lxw_error status) {
    if (error == LXW_NO_ERROR && status != LXW_NO_ERROR) error = status;
  }

  // A cell written into the current row.
  void Put(lxw_error status) {
    Note(status);
    if (status != LXW_NO_ERROR || (row_counted && last_row_counted == row)) return;
    ++sheet_rows.back();
    last_row_counted = row;
    row_counted = true;
  }

  lxw_format* Format(const ReportState& state, int kind, int decimals, int sense, CellColour colour,
                     bool bold) {
    // Plain text is the workbook's default format. A format equal to another one would be
    // looked up by its hash in every cell it is written to, so none is made twice.
    if (kind == 0 && !bold) return nullptr;
    const auto key = std::make_tuple(kind, decimals, sense, static_cast<int>(colour), bold);
    if (key == last_key) return last_format;
    last_key = key;
    const auto found = formats.find(key);
    if (found != formats.end()) return last_format = found->second;
    lxw_format* format = workbook_add_format(workbook);
    if (bold || kind == 2 || kind == 3) format_set_bold(format);
    if (kind == 1 || kind == 5) {
      format_set_num_format(format, NumberFormat(decimals, sense, kind == 5).c_str());
    }
    if (kind == 2) format_set_font_size(format, 14);
    if (kind == 2 || kind == 4) format_set_align(format, LXW_ALIGN_CENTER_ACROSS);
    if (kind == 3) format_set_align(format, LXW_ALIGN_CENTER);
    if (colour == CellColour::kDebit && state.fonts->debit_colour != 0) {
      format_set_font_color(format, SheetColour(state.fonts->debit_colour));
    }
    if (colour == CellColour::kCredit && state.fonts->credit_colour != 0) {
      format_set_font_color(format, SheetColour(state.fonts->credit_colour));
    }
    formats.emplace(key, format);
    return last_format = format;
  }

  lxw_worksheet* Sheet() { return sheets.back(); }
  std::size_t Columns(const ReportState& state) const {
    return std::max<std::size_t>(state.columns.columns.size(), 1);
  }

  // Widens a column of the current sheet to `width` characters.
  void Widen(std::size_t column, double width) {
    std::vector<double>& widths = sheet_widths.back();
    if (column >= widths.size()) widths.resize(column + 1, 0);
    widths[column] = std::max(widths[column], width);
  }

  // The next sheet of the current part: the report's own "דו'ח", "דו'ח 2"…; a named part's
  // "name", "name-2"…, each a name the workbook takes (SheetName).
  void NewSheet() {
    ++part_sheets;
    const std::string suffix =
        part_sheets > 1 ? (part_name.empty() ? " " : "-") + PlainNumber(part_sheets) : "";
    std::string name = SheetName(part_name.empty() ? "דו'ח" : part_name, suffix, sheet_names);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.c_str());
    if (sheet == nullptr) {
      Note(LXW_ERROR_MEMORY_MALLOC_FAILED);
      return;
    }
    worksheet_right_to_left(sheet);
    sheets.push_back(sheet);
    sheet_names.push_back(std::move(name));
    sheet_rows.push_back(0);
    sheet_widths.emplace_back();
    sheet_drawn.push_back(false);
    row_counted = false;
    row = 0;
    table_row = 0;
    frozen = false;
  }

  // Text across every column of the table, centred.
  void Across(const ReportState& state, std::string_view text, lxw_format* format) {
    Put(worksheet_write_string(Sheet(), row, 0, CellText(text).c_str(), format));
    for (std::size_t c = 1; c < Columns(state); ++c) {
      Put(worksheet_write_blank(Sheet(), row, static_cast<lxw_col_t>(c), format));
    }
    ++row;
  }

  void Headings(const ReportState& state) {
    lxw_format* format = Format(state, 3, 0, 0, CellColour::kNone, true);
    const auto& columns = state.columns.columns;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string caption(TrimSpaces(columns[c].caption));
      Put(worksheet_write_string(Sheet(), row, static_cast<lxw_col_t>(c), CellText(caption).c_str(),
                                 format));
      Widen(c, static_cast<double>(columns[c].width));
    }
    // Only a sheet's first heading row stays in view: the tables below it scroll under it, and
    // a sheet frozen down to a later table's heading could not be scrolled at all.
    if (!frozen) {
      worksheet_freeze_panes(Sheet(), row + 1, 0);
      frozen = true;
    }
    table_row = ++row;
  }

  // The first output of a run: the sheet and the title lines.
  void Begin(const ReportState& state) {
    if (began) return;
    began = true;
    NewSheet();
    if (sheets.empty()) return;
    for (const CodedText& title : state.titles) {
      Across(state, title.text, Format(state, 2, 0, 0, CellColour::kNone, title.font <= 1));
    }
    if (!state.titles.empty()) ++row;
  }

  // Room for one more row, on a further sheet when this one is full.
  bool Room(const ReportState& state) {
    if (sheets.empty()) return false;
    if (row < rows_per_sheet) return true;
    NewSheet();
    if (sheets.empty()) return false;
    if (!state.columns.empty()) Headings(state);
    return true;
  }

  // `figures`: a text column whose figures are numbers (ReportColumn::figures_in_workbook).
  void Cell(const ReportState& state, std::size_t column, const std::string& cell, int type,
            bool bold, bool figures = false) {
    const auto col = static_cast<lxw_col_t>(column);
    const std::optional<Figure> figure =
        type != kTextColumn || figures ? ParseFigure(cell) : std::nullopt;
    if (const std::optional<Figure> percent =
            figure || !figures ? std::nullopt : ParsePercent(cell);
        percent && percent->units <= kLargestExactInDouble) {
      const int decimals = std::min(percent->decimals, 10);
      const double value = (percent->negative ? -1.0 : 1.0) * static_cast<double>(percent->units) /
                           std::pow(10.0, percent->decimals + 2);
      Put(worksheet_write_number(Sheet(), row, col, value,
                                 Format(state, 5, decimals, 0, CellColour::kNone, bold)));
      Widen(column, static_cast<double>(cell.size()) + 2);
      return;
    }
    // A cell's number is a double: a figure of more digits than it holds exactly is written
    // as its text, never rounded.
    if (figure && figure->units <= kLargestExactInDouble) {
      const CellColour colour = ColourOfCell(cell, type, figure);
      static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
      const double scale = static_cast<std::size_t>(figure->decimals) < std::size(kPowersOfTen)
                               ? kPowersOfTen[figure->decimals]
                               : std::pow(10.0, figure->decimals);
      double value = static_cast<double>(figure->units) / scale;
      if (figure->negative) value = -value;
      if (figure->sense < 0) value = -value;
      const int decimals = std::min(figure->decimals, 10);
      Put(worksheet_write_number(Sheet(), row, col, value,
                                 Format(state, 1, decimals, figure->sense != 0, colour, bold)));
      Widen(column, static_cast<double>(cell.size()) + 2);
      return;
    }
    if (TrimSpaces(cell).empty()) return;
    lxw_format* format = Format(state, 0, 0, 0, CellColour::kNone, bold);
    if (PlainCellText(cell)) {
      Put(worksheet_write_string(Sheet(), row, col, cell.c_str(), format));
    } else {
      Put(worksheet_write_string(Sheet(), row, col, CellText(cell).c_str(), format));
    }
  }
};

XlsxReportWriter::XlsxReportWriter(ReportFile file, std::int64_t created, ProgressMonitor* closing)
    : book_(std::make_unique<Book>()) {
  book_->file = std::move(file);
  book_->created = created;
  book_->closing = closing;
  if (!book_->file.IsOpen()) {
    book_->Note(LXW_ERROR_CREATING_XLSX_FILE);
    return;
  }
  // The library keeps each sheet in a temporary file until it is closed, as large as the
  // sheet's XML: kept beside the report, on the disk the user chose for it, rather than in a
  // shared temporary folder that may be small.
  book_->temporary_folder = std::filesystem::path(book_->file.WritePath()).parent_path().string();
  if (book_->temporary_folder.empty()) book_->temporary_folder = ".";
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  options.tmpdir = book_->temporary_folder.data();
  book_->workbook = workbook_new_opt(book_->file.WritePath().c_str(), &options);
  if (book_->workbook == nullptr) book_->Note(LXW_ERROR_CREATING_XLSX_FILE);
}

XlsxReportWriter::~XlsxReportWriter() {
  // A workbook never ended is closed so that its temporary files go.
  if (book_->workbook != nullptr) workbook_close(book_->workbook);
}

void XlsxReportWriter::SetRowsPerSheet(std::uint32_t rows) {
  book_->rows_per_sheet = std::clamp<std::uint32_t>(rows, 2, LXW_ROW_MAX);
}

void XlsxReportWriter::OnColumns(const ReportState& state) {
  if (book_->workbook == nullptr) return;
  book_->Begin(state);
  if (state.columns.empty() || !book_->Room(state)) return;
  book_->Headings(state);
}

void XlsxReportWriter::OnLine(const ReportState& state, const ReportLine& line) {
  if (book_->workbook == nullptr) return;
  book_->Begin(state);
  if (!book_->Room(state)) return;
  const bool bold = line.style != kBodyStyle;
  if (line.Spanning()) {
    const std::string_view text = line.cells.empty() ? std::string_view() : line.cells.front();
    book_->Across(state, text, book_->Format(state, 4, 0, 0, CellColour::kNone, bold));
    return;
  }
  for (std::size_t c = 0; c < line.cells.size(); ++c) {
    // A cell the line marks as text stays text even in a column of figures.
    const bool marked_text = c < 64 && (line.text_cells >> c & 1U) != 0;
    const bool figures = c < state.columns.columns.size() && !marked_text &&
                         state.columns.columns[c].figures_in_workbook;
    book_->Cell(state, c, line.cells[c], line.CellType(c, state.columns), bold, figures);
  }
  ++book_->row;
}

void XlsxReportWriter::OnFreeText(const ReportState& state, const FreeText& text) {
  if (book_->workbook == nullptr) return;
  book_->Begin(state);
  if (!book_->Room(state)) return;
  const std::string& whole = text.text.text;
  const std::size_t tab = whole.find('\t');
  book_->Cell(state, 0, whole.substr(0, tab), kTextColumn, text.text.font <= 1);
  if (tab != std::string::npos) {
    book_->Cell(state, 1, whole.substr(tab + 1), kFigureColumn, false);
  }
  ++book_->row;
}

void XlsxReportWriter::OnAddressBox(const ReportState& state, std::span<const std::string> lines) {
  if (book_->workbook == nullptr) return;
  book_->Begin(state);
  for (const std::string& line : lines) {
    if (!book_->Room(state)) return;
    book_->Cell(state, 0, line, kTextColumn, false);
    ++book_->row;
  }
}

void XlsxReportWriter::OnSheet(const ReportState& state, std::string_view name) {
  Book& book = *book_;
  if (book.workbook == nullptr) return;
  book.part_name = std::string(name);
  book.part_sheets = 0;
  // Nothing written yet: the first sheet, with the title lines, is the part's.
  if (!book.began) {
    book.Begin(state);
    return;
  }
  book.NewSheet();
}

void XlsxReportWriter::OnChart(const ReportState& state, const ReportChart& chart) {
  Book& book = *book_;
  if (book.workbook == nullptr || book.sheets.empty()) return;
  // The table's lines stand just above, all on this sheet under its heading row; a table
  // that a full sheet broke in two is left without its chart.
  const auto count = static_cast<lxw_row_t>(chart.labels.size());
  if (count == 0 || book.table_row == 0 || book.row < book.table_row + count) return;
  lxw_chart* made = workbook_add_chart(book.workbook, LXW_CHART_COLUMN);
  if (made == nullptr) {
    book.Note(LXW_ERROR_MEMORY_MALLOC_FAILED);
    return;
  }
  const lxw_row_t first = book.row - count;
  const lxw_row_t last = book.row - 1;
  const char* sheet_name = book.sheet_names.back().c_str();
  const auto add_series = [&](int column, const std::string& caption) {
    lxw_chart_series* series = chart_add_series(made, nullptr, nullptr);
    if (series == nullptr) {
      book.Note(LXW_ERROR_MEMORY_MALLOC_FAILED);
      return;
    }
    const auto label = static_cast<lxw_col_t>(std::max(chart.label_column, 0));
    const auto values = static_cast<lxw_col_t>(std::max(column, 0));
    chart_series_set_categories(series, sheet_name, first, label, last, label);
    // The labels are texts ("07"). The library learns that from the cells it holds, and in
    // this mode it holds none: without being told, a reader would number the bars 1, 2, 3…
    series->categories->has_string_cache = LXW_TRUE;
    chart_series_set_values(series, sheet_name, first, values, last, values);
    if (!caption.empty()) chart_series_set_name(series, CellText(caption).c_str());
  };
  add_series(chart.bars_column, chart.bars_caption);
  if (!chart.line.empty()) add_series(chart.line_column, chart.line_caption);
  chart_title_set_name(made, CellText(chart.title).c_str());
  chart_legend_set_position(made, LXW_CHART_LEGEND_BOTTOM);
  lxw_chart_options options{};
  options.x_scale = count > 20 ? 2.5 : 1.5;
  options.y_scale = 1.2;
  // Beside the table, level with its heading row.
  const auto beside =
      static_cast<lxw_col_t>(std::max<std::size_t>(state.columns.columns.size(), 1) + 1);
  book.Note(worksheet_insert_chart_opt(book.Sheet(), book.table_row - 1, beside, made, &options));
  ++book.charts;
  book.sheet_drawn.back() = true;
}

Status XlsxReportWriter::OnEnd(const ReportState& state) {
  Book& book = *book_;
  if (book.workbook != nullptr) {
    book.Begin(state);
    for (std::size_t s = 0; s < book.sheets.size(); ++s) {
      const std::vector<double>& widths = book.sheet_widths[s];
      for (std::size_t c = 0; c < widths.size(); ++c) {
        book.Note(worksheet_set_column(book.sheets[s], static_cast<lxw_col_t>(c),
                                       static_cast<lxw_col_t>(c),
                                       std::max(widths[c], kMinimumWidth), nullptr));
      }
    }
    const std::string title = state.titles.empty() ? std::string() : state.titles.front().text;
    const ReportSource& source = state.header->source;
    const std::string description = SourceDescription(source);
    lxw_doc_properties properties{};
    static constexpr char kAuthor[] = "טליסקן";
    properties.title = const_cast<char*>(title.c_str());
    properties.author = const_cast<char*>(kAuthor);
    properties.company = const_cast<char*>(state.header->company.c_str());
    properties.comments = const_cast<char*>(description.c_str());
    properties.created = static_cast<time_t>(book.created);
    book.Note(workbook_set_properties(book.workbook, &properties));
    const std::string size = source.size >= 0 ? PlainNumber(source.size) : std::string();
    const std::string read_at = source.read_at != 0 ? IsoTime(source.read_at) : std::string();
    for (const auto& [name, value] :
         {std::pair<const char*, const std::string*>{"Source file", &source.file_name},
          {"Source size", &size},
          {"Source SHA-256", &source.sha256},
          {"Source read at", &read_at}}) {
      if (!value->empty()) {
        book.Note(workbook_set_custom_property_string(book.workbook, name, value->c_str()));
        book.custom_properties = true;
      }
    }
    book.Note(workbook_close(book.workbook));
    book.workbook = nullptr;
  }
  std::string fault;
  if (book.error != LXW_NO_ERROR) {
    fault = lxw_strerror(book.error);
  } else {
    const auto drawings = std::count(book.sheet_drawn.begin(), book.sheet_drawn.end(), true);
    fault = WorkbookFault(book.file.WritePath(), {book.sheet_rows, book.custom_properties,
                                                  book.charts, static_cast<int>(drawings)});
  }
  // Packing a large workbook takes seconds that no look for a stop can split.
  if (fault.empty() && book.closing != nullptr && book.closing->StopRequested()) {
    book.file.Discard();
    return Status::Interrupted(std::string(kReportStoppedText));
  }
  if (fault.empty()) return book.file.Commit();
  book.file.Discard();
  return Status::IoError(WriteFailureMessage(book.file.path(), fault));
}

void XlsxReportWriter::OnAbandon(const ReportState& /*state*/) {
  Book& book = *book_;
  // Closing would first write the whole workbook; freeing it closes its sheets' temporary
  // files, which the system then removes.
  if (book.workbook != nullptr) lxw_workbook_free(book.workbook);
  book.workbook = nullptr;
  book.file.Discard();
}

}  // namespace tallyscan
