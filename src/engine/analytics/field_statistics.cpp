#include "engine/analytics/field_statistics.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/field_tally.h"
#include "engine/analytics/parted_pass.h"
#include "engine/analytics/period.h"
#include "engine/analytics/source_pass.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace analytics {
namespace {

using field::B100;
using field::C100;

constexpr std::size_t kRecordTypes = static_cast<std::size_t>(RecordType::kZ900) + 1;

// File bytes as a cell's text.
std::string CellText(std::string_view bytes) { return SafeCellText(Cp1255ToUtf8(bytes)); }

// Document numbers in numeric order: without leading zeros, a shorter number is smaller.
bool NumericallyBefore(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

struct DocumentTally {
  std::int64_t documents = 0;
  std::int64_t cancelled = 0;
  AmountSum total = 0;
  AmountSum vat = 0;
  bool numbered = false;            // a non-blank number was seen
  bool all_digits = true;           // every non-blank number is all digits
  std::string low, high;            // by number (all-digit numbers without leading zeros)
  std::string low_text, high_text;  // by bytes (numbers trimmed)

  void AddNumber(std::string_view field) {
    const std::string_view text = TrimSpaces(field);
    if (text.empty()) return;
    if (!numbered || text < low_text) low_text = text;
    if (!numbered || text > high_text) high_text = text;
    if (AllDigits(text)) {
      const std::string_view number = NumberKey(text);
      if (low.empty() || NumericallyBefore(number, low)) low = number;
      if (high.empty() || NumericallyBefore(high, number)) high = number;
    } else {
      all_digits = false;
    }
    numbered = true;
  }

  // Adds the documents of the same type over the lines that follow these in the file.
  void Join(const DocumentTally& later) {
    documents += later.documents;
    cancelled += later.cancelled;
    total += later.total;
    vat += later.vat;
    if (!later.numbered) return;
    if (!numbered || later.low_text < low_text) low_text = later.low_text;
    if (!numbered || later.high_text > high_text) high_text = later.high_text;
    if (!later.low.empty() && (low.empty() || NumericallyBefore(later.low, low))) low = later.low;
    if (!later.high.empty() && (high.empty() || NumericallyBefore(high, later.high))) {
      high = later.high;
    }
    all_digits = all_digits && later.all_digits;
    numbered = true;
  }
};

// The one reading: every line's record type by its first four bytes (letter case ignored,
// as the import takes it), every counted field of it tallied.
class StatisticsPass {
 public:
  explicit StatisticsPass(bool track_movement_dates) : track_movement_dates_(track_movement_dates) {
    for (std::size_t t = 0; t < kRecordTypes; ++t) {
      for (const FieldLayout& field : LayoutOf(static_cast<RecordType>(t)).fields) {
        if (!IsCountedField(field)) continue;
        if (&field == &B100(1368)) amount_ = tallies_[t].size();
        tallies_[t].emplace_back(field);
      }
    }
  }

  void OnLine(std::int64_t number, std::string_view head) {
    const RecordLayout* layout = LayoutOfLine(head);
    if (layout == nullptr) return;
    const auto t = static_cast<std::size_t>(layout->type);
    ++lines_[t];
    std::vector<FieldTally>& tallies = tallies_[t];
    FieldReading amount = FieldReading::kBlank;
    for (std::size_t i = 0; i < tallies.size(); ++i) {
      const FieldReading reading = tallies[i].Add(number, head);
      if (i == amount_) amount = reading;
    }
    if (layout->type == RecordType::kB100) {
      OnMovement(head, amount == FieldReading::kValue ? std::optional(tallies[amount_].last_value())
                                                      : std::nullopt);
    } else if (layout->type == RecordType::kC100) {
      OnDocument(head);
    }
  }

  // Adds the pass over the lines that follow these in the file; `lines_before` is the number
  // of the line before its first.
  void Join(const StatisticsPass& later, std::int64_t lines_before) {
    for (std::size_t t = 0; t < kRecordTypes; ++t) {
      lines_[t] += later.lines_[t];
      for (std::size_t i = 0; i < tallies_[t].size(); ++i) {
        tallies_[t][i].Join(later.tallies_[t][i], lines_before);
      }
    }
    sides_.debit_lines += later.sides_.debit_lines;
    sides_.debit += later.sides_.debit;
    sides_.credit_lines += later.sides_.credit_lines;
    sides_.credit += later.sides_.credit;
    for (const auto& [type, tally] : later.documents_) documents_[type].Join(tally);
    if (later.first_movement_ && (!first_movement_ || *later.first_movement_ < *first_movement_))
      first_movement_ = later.first_movement_;
    if (later.last_movement_ && (!last_movement_ || *later.last_movement_ > *last_movement_))
      last_movement_ = later.last_movement_;
  }

  std::array<std::int64_t, kRecordTypes> lines_{};
  std::array<std::vector<FieldTally>, kRecordTypes> tallies_;
  SideTotals sides_;
  std::map<std::string, DocumentTally> documents_;  // by 1203 trimmed, as in the file
  std::optional<DayNumber> first_movement_, last_movement_;

 private:
  // Neighbouring lines mostly share their type: the last one found is kept.
  const RecordLayout* LayoutOfLine(std::string_view head) {
    if (head.size() < 4) return nullptr;
    std::uint32_t code;
    std::memcpy(&code, head.data(), 4);
    if (code != last_code_ || !have_last_) {
      last_code_ = code;
      have_last_ = true;
      last_layout_ = FindLayout(head);
      // INI.TXT's header is no record of the data file: the import takes it for an unknown line.
      if (last_layout_ != nullptr && last_layout_->type == RecordType::kA000)
        last_layout_ = nullptr;
    }
    return last_layout_;
  }

  // `valid_amount` is 1368's value when it passed its rule: then the checks read the same.
  void OnMovement(std::string_view head, std::optional<AmountSum> valid_amount) {
    const AmountSum amount =
        valid_amount ? *valid_amount : AmountSum{ReadAmount(SliceField(head, B100(1368)))};
    if (SliceField(head, B100(1366)) == "2") {
      ++sides_.credit_lines;
      sides_.credit += amount;
    } else {
      ++sides_.debit_lines;
      sides_.debit += amount;
    }
    if (!track_movement_dates_) return;
    if (const std::optional<DayNumber> day = ReadDateField(SliceField(head, B100(1362)))) {
      if (!first_movement_ || *day < *first_movement_) first_movement_ = day;
      if (!last_movement_ || *day > *last_movement_) last_movement_ = day;
    }
  }

  void OnDocument(std::string_view head) {
    const std::string_view type = TrimSpaces(SliceField(head, C100(1203)));
    if (last_document_ == nullptr || type != last_document_type_) {
      last_document_ = &documents_[std::string(type)];
      last_document_type_.assign(type);
    }
    DocumentTally& d = *last_document_;
    ++d.documents;
    if (SliceField(head, C100(1228)) == "1") ++d.cancelled;
    d.total += ReadAmount(SliceField(head, C100(1223)));
    d.vat += ReadAmount(SliceField(head, C100(1222)));
    d.AddNumber(SliceField(head, C100(1204)));
  }

  bool track_movement_dates_;
  std::size_t amount_ = 0;  // B100 1368 among the movements' tallies
  std::uint32_t last_code_ = 0;
  bool have_last_ = false;
  const RecordLayout* last_layout_ = nullptr;
  DocumentTally* last_document_ = nullptr;
  std::string last_document_type_;
};

// The month counts of a date field over the period, and the dates before and after it.
void CountMonths(const FieldTally& tally, const SetPeriod& period, FieldFigures& figures) {
  if (!period.from || !period.to) return;
  const CivilDate from = DateOf(*period.from);
  const CivilDate to = DateOf(*period.to);
  const int first_month = from.year * 12 + from.month - 1;
  const int months = to.year * 12 + to.month - 1 - first_month + 1;
  figures.months.resize(static_cast<std::size_t>(months));
  for (int m = 0; m < months; ++m) {
    figures.months[static_cast<std::size_t>(m)].year = (first_month + m) / 12;
    figures.months[static_cast<std::size_t>(m)].month = (first_month + m) % 12 + 1;
  }
  std::int64_t before = 0;
  std::int64_t after = 0;
  tally.dates.ForEachDay([&](int yyyymmdd, std::int64_t count) {
    const int year = yyyymmdd / 10000;
    const int month = yyyymmdd / 100 % 100;
    const DayNumber day = *DayOf(year, month, yyyymmdd % 100);
    if (day < *period.from) {
      before += count;
    } else if (day > *period.to) {
      after += count;
    } else {
      figures.months[static_cast<std::size_t>(year * 12 + month - 1 - first_month)].count += count;
    }
  });
  figures.before = before;
  figures.after = after;
}

FieldFigures FiguresOf(const FieldTally& tally, std::int64_t lines, const SetPeriod& period) {
  FieldFigures f;
  f.field = &tally.field();
  f.lines = lines;
  f.blanks = tally.blanks;
  f.invalid = tally.invalid;
  f.zeros = tally.zeros;
  f.positive = tally.positive;
  f.positive_total = tally.positive_total;
  f.negative = tally.negative;
  f.negative_total = tally.negative_total;
  if (tally.any) {
    f.smallest = ValueAt{tally.smallest, tally.smallest_line};
    f.largest = ValueAt{tally.largest, tally.largest_line};
  }
  if (f.IsDate()) CountMonths(tally, period, f);
  return f;
}

DocumentTypeSummary SummaryOf(const std::string& type, const DocumentTally& d) {
  DocumentTypeSummary s;
  s.type = CellText(type);
  const DocumentType* known = AllDigits(type) ? FindDocumentType(std::stoi(type)) : nullptr;
  s.name = std::string(known != nullptr ? known->name : kUnknownMeaning);
  s.documents = d.documents;
  s.cancelled = d.cancelled;
  s.total = d.total;
  s.vat = d.vat;
  if (d.numbered) {
    s.lowest = CellText(d.all_digits ? d.low : d.low_text);
    s.highest = CellText(d.all_digits ? d.high : d.high_text);
  }
  return s;
}

void SummarizeDocuments(const StatisticsPass& pass, FieldStatistics& result) {
  std::vector<const std::pair<const std::string, DocumentTally>*> types;
  for (const auto& entry : pass.documents_) types.push_back(&entry);
  // All-digit types by number (the table's order), then the others by their bytes.
  std::stable_sort(types.begin(), types.end(), [](const auto* a, const auto* b) {
    const bool a_digits = AllDigits(a->first);
    const bool b_digits = AllDigits(b->first);
    if (a_digits != b_digits) return a_digits;
    if (a_digits) return NumericallyBefore(NumberKey(a->first), NumberKey(b->first));
    return a->first < b->first;
  });
  DocumentTypeSummary& total = result.documents_total;
  for (const auto* entry : types) {
    result.documents.push_back(SummaryOf(entry->first, entry->second));
    const DocumentTypeSummary& s = result.documents.back();
    total.documents += s.documents;
    total.cancelled += s.cancelled;
    total.total += s.total;
    total.vat += s.vat;
  }
}

std::string CaptionOf(std::string_view code) {
  const std::string_view summary = SummaryCaption(code);
  if (!summary.empty()) return std::string(summary);
  const RecordLayout* layout = FindLayout(code);
  return layout != nullptr && layout->code == code ? std::string(layout->name) : std::string();
}

void CountRecords(const StatisticsPass& pass, const IniLines& ini, FieldStatistics& result) {
  std::vector<std::pair<std::string, std::int64_t>> stated;  // the first line of each type
  for (const std::string& summary : ini.summaries) {
    const std::string_view type = SummaryRecordType(summary);
    if (IsBlank(type)) continue;
    const bool seen =
        std::any_of(stated.begin(), stated.end(), [&](const auto& s) { return s.first == type; });
    if (!seen) stated.emplace_back(type, SummaryStatedCount(summary));
  }
  auto stated_of = [&](std::string_view type) -> std::optional<std::int64_t> {
    for (const auto& [code, count] : stated) {
      if (code == type) return count;
    }
    return std::nullopt;
  };
  for (std::size_t t = 0; t < kRecordTypes; ++t) {
    if (pass.lines_[t] == 0) continue;
    const std::string_view code = LayoutOf(static_cast<RecordType>(t)).code;
    result.record_counts.push_back(
        {std::string(code), CaptionOf(code), pass.lines_[t], stated_of(code)});
  }
  for (const auto& entry : stated) {
    const auto& code = entry.first;  // a name of its own: clang's lambdas take no bindings
    const bool listed = std::any_of(result.record_counts.begin(), result.record_counts.end(),
                                    [&](const RecordCount& r) { return r.type == code; });
    if (!listed) result.record_counts.push_back({CellText(code), CaptionOf(code), 0, entry.second});
  }
}

// The data file's lines tallied in parts side by side, each part on its own, the parts then
// joined in file order into the first: what one pass from the first line to the last gives.
Status TallyDataFile(const RecordStore& store, const FieldStatisticsOptions& options,
                     bool track_movement_dates, ProgressMonitor& monitor,
                     std::vector<std::unique_ptr<StatisticsPass>>& parts) {
  PartedPass reading(store, options.threads, options.split_offsets);
  // Each part's figures apart from the others', so that no two threads write near each other.
  for (std::size_t i = 0; i < reading.parts(); ++i) {
    parts.push_back(std::make_unique<StatisticsPass>(track_movement_dates));
  }
  Status read =
      reading.Run(monitor, [&](std::size_t part, std::int64_t number, std::string_view head) {
        parts[part]->OnLine(number, head);
      });
  if (!read.ok()) return read;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    parts.front()->Join(*parts[i], reading.LinesBefore(i));
    parts[i].reset();
  }
  return Status::Ok();
}

FieldStatistics ResultOf(const StatisticsPass& pass, const SetPeriod& header, const IniLines& ini) {
  FieldStatistics result;
  const SetPeriod period = PeriodOfSet(header, pass.first_movement_, pass.last_movement_);
  result.period = PeriodNamed(period);
  for (std::size_t t = 0; t < kRecordTypes; ++t) {
    if (pass.lines_[t] == 0) continue;
    RecordFigures& record = result.records.emplace_back();
    record.layout = &LayoutOf(static_cast<RecordType>(t));
    record.lines = pass.lines_[t];
    for (const FieldTally& tally : pass.tallies_[t]) {
      record.fields.push_back(FiguresOf(tally, record.lines, period));
    }
    if (record.layout->type == RecordType::kB100) record.sides = pass.sides_;
  }
  SummarizeDocuments(pass, result);
  CountRecords(pass, ini, result);
  return result;
}

}  // namespace
}  // namespace analytics

const RecordFigures* FieldStatistics::Find(RecordType type) const {
  for (const RecordFigures& r : records) {
    if (r.layout->type == type) return &r;
  }
  return nullptr;
}

std::string DateValueText(AmountSum yyyymmdd) {
  const auto value = static_cast<int>(yyyymmdd);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", value / 10000, value / 100 % 100, value % 100);
  return text;
}

std::string MonthText(const MonthCount& month) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", month.year, month.month);
  return text;
}

std::string_view FieldKindName(FieldKind kind) {
  switch (kind) {
    case FieldKind::kAmount:
      return "amount";
    case FieldKind::kQty4:
      return "quantity";
    case FieldKind::kUdec:
      return "decimal";
    case FieldKind::kDigits:
      return "digits";
    case FieldKind::kDate:
      return "date";
    default:
      return "";
  }
}

FieldStatisticsRun RunFieldStatistics(const RecordStore& store, const SourceFiles& sources,
                                      ProgressMonitor& monitor,
                                      const FieldStatisticsOptions& options) {
  using namespace analytics;
  FieldStatisticsRun run;
  IniLines ini;
  if (Status s = ReadIniLines(sources.ini, ini); !s.ok()) {
    run.status = std::move(s);
    return run;
  }
  const SetPeriod header = PeriodOfHeader(ini.a000);
  std::vector<std::unique_ptr<StatisticsPass>> parts;
  Status read =
      TallyDataFile(store, options, header.source == JetPeriodSource::kNone, monitor, parts);
  if (read.code() == StatusCode::kInterrupted) {
    run.status = Status::Interrupted(std::string(kFieldStatisticsStoppedText));
  } else if (!read.ok()) {
    run.status = std::move(read);
  } else {
    run.result = ResultOf(*parts.front(), header, ini);
  }
  return run;
}

}  // namespace tallyscan
