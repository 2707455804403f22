#include "engine/browse/accounts_index_search.h"

#include <algorithm>
#include <numeric>

#include "engine/browse/accounts_index.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr char kCellEnd = '\x1F';
constexpr std::string_view kDebitSense = " ח";
constexpr std::string_view kCreditSense = " ז";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a text is a figure as the filter reads one: digits, group separators, a decimal
// point and minus signs, with at least one digit.
bool LooksLikeFigure(std::string_view text) {
  bool digit = false;
  for (const char c : text) {
    if (IsDigit(c)) {
      digit = true;
    } else if (c != ',' && c != '.' && c != '-') {
      return false;
    }
  }
  return digit;
}

// A figure's digits and minus signs: "1,234.50-" -> "123450-".
std::string DigitsOf(std::string_view figure) {
  std::string digits;
  for (const char c : figure) {
    if (IsDigit(c) || c == '-') digits += c;
  }
  return digits;
}

std::string LowerLatin(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Whether the rows a word keeps are among those `before` kept: a word that begins with the
// earlier one holds it, and so does each of its cells' digits, unless the earlier word was
// only separators (",") whose cells the later figure finds by its digits alone.
bool Narrows(std::string_view before, std::string_view word) {
  if (!word.starts_with(before)) return false;
  return before.empty() || before.find_first_not_of(",.-") != std::string_view::npos;
}

}  // namespace

void AccountsIndexSearch::Texts::RowsHolding(std::string_view word,
                                             std::vector<std::size_t>& rows) const {
  for (std::size_t at = bytes.find(word); at != std::string::npos;) {
    // The row the match begins in; a word never holds the cell end, so the match lies within
    // one cell of it.
    const std::size_t row =
        static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), at) - ends.begin());
    rows.push_back(row);
    at = bytes.find(word, ends[row]);
  }
}

AccountsIndexSearch::AccountsIndexSearch(const RecordStore& store, std::span<const int> fields)
    : shapes_(kIndexFieldCount) {
  const std::int64_t accounts = store.AccountListIndex.Count();
  offsets_.resize(static_cast<std::size_t>(accounts));
  for (std::int64_t e = 1; e <= accounts; ++e) {
    offsets_[static_cast<std::size_t>(e - 1)] = store.AccountListIndex[e].Offset;
  }
  const auto note_shapes = [&](const RowCells& cells) {
    for (int field = kFirstIndexFigure; field <= kLastIndexFigure; ++field) {
      const std::string shown = LookOfCell(cells[static_cast<std::size_t>(field - 1)]).shown;
      if (shown.empty()) continue;
      std::vector<std::string>& shapes = shapes_[static_cast<std::size_t>(field - 1)];
      std::string shape = FigureShape(shown);
      if (std::find(shapes.begin(), shapes.end(), shape) == shapes.end()) {
        shapes.push_back(std::move(shape));
      }
    }
  };
  // The lines come in file order; the rows are kept in the list's.
  std::vector<std::pair<std::string, std::string>> rows(offsets_.size());
  ForEachRecordLine(store, offsets_, RecordType::kB110, [&](std::size_t i, std::string_view line) {
    const RowCells cells = AccountRowCells(line, store.DosCodePage);
    auto& [text, digits] = rows[i];
    for (const int field : fields) {
      if (field <= 1 || field > kIndexFieldCount) continue;
      const std::string shown = LookOfCell(cells[static_cast<std::size_t>(field - 1)]).shown;
      text += LowerLatin(shown);
      text += kCellEnd;
      std::string_view figure = shown;
      if (figure.ends_with(kDebitSense) || figure.ends_with(kCreditSense)) {
        figure.remove_suffix(kDebitSense.size());
      }
      if (LooksLikeFigure(figure)) {
        digits += DigitsOf(figure);
        digits += kCellEnd;
      }
    }
    note_shapes(cells);
    return true;
  });
  note_shapes(AccountTotalsCells(store));
  for (auto& [text, digits] : rows) {
    text_.Add(text);
    digits_.Add(digits);
    std::string().swap(text);
    std::string().swap(digits);
  }
}

const std::vector<std::string>& AccountsIndexSearch::FigureShapes(int field) const {
  static const std::vector<std::string> kNone;
  if (field < 1 || field > kIndexFieldCount) return kNone;
  return shapes_[static_cast<std::size_t>(field - 1)];
}

bool AccountsIndexSearch::Matches(std::size_t row, std::string_view word,
                                  std::string_view digits) const {
  if (text_.Of(row).find(word) != std::string_view::npos) return true;
  return !digits.empty() && digits_.Of(row).find(digits) != std::string_view::npos;
}

std::span<const std::int64_t> AccountsIndexSearch::Filter(std::string_view typed) {
  const std::string word = LowerLatin(TrimSpaces(typed));
  const bool narrow = filtered_ && Narrows(word_, word);
  if (word.empty()) {
    kept_.resize(offsets_.size());
    std::iota(kept_.begin(), kept_.end(), std::int64_t{1});
  } else if (word.find(kCellEnd) != std::string::npos) {
    kept_.clear();
  } else {
    const std::string digits = LooksLikeFigure(word) ? DigitsOf(word) : std::string();
    if (narrow) {
      std::erase_if(kept_, [&](std::int64_t row) {
        return !Matches(static_cast<std::size_t>(row - 1), word, digits);
      });
    } else {
      // Every row holding the word in its texts or its digits, each once and in order.
      std::vector<std::size_t> found;
      text_.RowsHolding(word, found);
      if (!digits.empty()) {
        const std::size_t by_text = found.size();
        digits_.RowsHolding(digits, found);
        std::inplace_merge(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(by_text),
                           found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
      }
      kept_.clear();
      for (const std::size_t row : found) kept_.push_back(static_cast<std::int64_t>(row) + 1);
    }
  }
  word_ = word;
  filtered_ = true;
  return kept_;
}

void AccountsIndexSearch::Reorder(const RecordStore& store) {
  // Each row's place by its account's offset, then the rows in the list's new order.
  std::vector<std::size_t> by_offset(offsets_.size());
  std::iota(by_offset.begin(), by_offset.end(), std::size_t{0});
  std::sort(by_offset.begin(), by_offset.end(),
            [&](std::size_t a, std::size_t b) { return offsets_[a] < offsets_[b]; });
  Texts text;
  Texts digits;
  std::vector<std::int64_t> offsets;
  for (std::int64_t e = 1; e <= store.AccountListIndex.Count(); ++e) {
    const std::int64_t offset = store.AccountListIndex[e].Offset;
    const auto found =
        std::lower_bound(by_offset.begin(), by_offset.end(), offset,
                         [&](std::size_t row, std::int64_t at) { return offsets_[row] < at; });
    const bool known = found != by_offset.end() && offsets_[*found] == offset;
    text.Add(known ? text_.Of(*found) : std::string_view());
    digits.Add(known ? digits_.Of(*found) : std::string_view());
    offsets.push_back(offset);
  }
  text_ = std::move(text);
  digits_ = std::move(digits);
  offsets_ = std::move(offsets);
  filtered_ = false;
}

}  // namespace tallyscan
