#include "next_year.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "engine/common/progress.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "output.h"
#include "random.h"

namespace tallyscan {
namespace {

using field::A000;
using field::B100;
using field::B110;

constexpr std::array<NextYearFault, 7> kFaults = {{
    {"opening-mismatch", "a carrying account opens 1,000.00 above last year's closing"},
    {"dropped-account", "a carrying account with a balance is missing from the year"},
    {"opening-on-closed", "a profit-and-loss account opens at 1,234.00"},
    {"result-not-closed", "last year's result is not added to the equity account"},
    {"swing", "one account's movements tripled"},
    {"new-counterparty", "a new supplier with 60,000.00 of purchases"},
    {"renamed-account", "an account's name changed"},
}};

constexpr std::string_view kDataFile = "BKMVDATA.TXT";

std::string_view Field(std::string_view line, const FieldLayout& f) {
  return SliceField(line, f.start, f.width);
}

void Put(std::string& line, const FieldLayout& f, std::string_view text) {
  const auto start = static_cast<std::size_t>(f.start - 1);
  const auto width = static_cast<std::size_t>(f.width);
  if (line.size() < start + width) line.resize(start + width, ' ');
  std::string value(text.substr(0, width));
  value.resize(width, ' ');
  line.replace(start, width, value);
}

std::string Digits(std::int64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width)
    text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  return text;
}

std::string AmountField(std::int64_t value) {
  return (value < 0 ? "-" : "+") + Digits(value < 0 ? -value : value, 14);
}

std::int64_t AmountOf(std::string_view field) {
  if (field.size() != 15) return 0;
  std::int64_t v = 0;
  for (std::size_t i = 1; i < 15; ++i) {
    if (field[i] < '0' || field[i] > '9') return 0;
    v = v * 10 + (field[i] - '0');
  }
  return field[0] == '-' ? -v : v;
}

// A date field a year later (29 February on the 28th); anything that is no date stays.
void ShiftDate(std::string& line, const FieldLayout& f) {
  const std::string_view d = Field(line, f);
  if (d.size() != 8 || d.find_first_not_of("0123456789") != std::string_view::npos ||
      d == "00000000") {
    return;
  }
  int year = std::stoi(std::string(d.substr(0, 4))) + 1;
  std::string rest(d.substr(4));
  if (rest == "0229") rest = "0228";
  Put(line, f, Digits(year, 4) + rest);
}

void ShiftDates(std::string& line) {
  const RecordLayout* layout = FindLayout(std::string_view(line).substr(0, 4));
  if (layout == nullptr) return;
  for (const FieldLayout& f : layout->fields) {
    if (f.kind == FieldKind::kDate) ShiftDate(line, f);
  }
}

struct Card {
  std::string line;
  std::string key;
  std::int64_t closing = 0;
  std::int64_t classification = -1;  // -1: blank
  bool carries() const { return classification >= 7000; }
  std::int64_t opening = 0;  // this year's
  bool dropped = false;
};

Status ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::IoError("cannot read " + path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return Status::Ok();
}

struct Planted {
  std::string name;
  std::string key;
  std::string message;
};

}  // namespace

std::span<const NextYearFault> NextYearFaults() { return kFaults; }

Status WriteNextYear(const std::filesystem::path& prior, const std::filesystem::path& folder,
                     const NextYearOptions& options) {
  for (const std::string_view name : options.faults) {
    if (std::none_of(kFaults.begin(), kFaults.end(),
                     [&](const NextYearFault& f) { return f.name == name; })) {
      return Status::Refused("unknown next-year fault " + std::string(name));
    }
  }
  const auto wants = [&](std::string_view name) {
    return std::find(options.faults.begin(), options.faults.end(), name) != options.faults.end();
  };
  RecordStore store;
  SilentProgress quiet;
  const ImportResult read = ImportFolder(store, prior.string(), quiet);
  if (!read.status.ok()) return read.status;
  const bool dos = store.DosCodePage;
  // Zipped when the prior folder holds the archive, whether or not this reading extracted it.
  const bool zipped = FindFileIgnoringCase(prior.string(), "bkmvdata.zip").has_value();
  std::vector<std::string> ini, data;
  if (Status s = ReadLines(read.ini_file_path, ini); !s.ok()) return s;
  if (Status s = ReadLines(read.data_file_path, data); !s.ok()) return s;
  if (ini.empty()) return Status::Corrupt("the prior INI.TXT is empty");

  // The cards and last year's result.
  std::vector<Card> cards;
  std::map<std::string, std::size_t> card_of;
  for (const std::string& line : data) {
    if (!line.starts_with("B110")) continue;
    Card card;
    card.line = line;
    card.key = std::string(TrimSpaces(Field(line, B110(1403))));
    card.closing = AmountOf(Field(line, B110(1414))) + AmountOf(Field(line, B110(1415))) -
                   AmountOf(Field(line, B110(1416)));
    const std::string_view c = TrimSpaces(Field(line, B110(1417)));
    if (!c.empty() && c.find_first_not_of("0123456789") == std::string_view::npos) {
      card.classification = std::stoll(std::string(c));
    }
    card_of.emplace(card.key, cards.size());
    cards.push_back(std::move(card));
  }
  std::int64_t prior_result = 0;
  int equity = -1;
  for (std::size_t i = 0; i < cards.size(); ++i) {
    Card& card = cards[i];
    if (card.carries()) {
      card.opening = card.closing;
      if (equity < 0 ||
          card.classification > cards[static_cast<std::size_t>(equity)].classification)
        equity = static_cast<int>(i);
    } else {
      prior_result += card.closing;
    }
  }
  if (equity < 0) return Status::Refused("the prior set has no account that carries a balance");

  // Faults, each on an account of its own chosen by the seed.
  gen::Random random(options.seed);
  std::set<std::size_t> touched = {static_cast<std::size_t>(equity)};
  std::vector<Planted> planted;
  const auto pick = [&](auto&& eligible) -> std::optional<std::size_t> {
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < cards.size(); ++i) {
      if (touched.count(i) == 0 && eligible(cards[i])) candidates.push_back(i);
    }
    if (candidates.empty()) return std::nullopt;
    const std::size_t i = candidates[static_cast<std::size_t>(
        random.Between(0, static_cast<std::int64_t>(candidates.size()) - 1))];
    touched.insert(i);
    return i;
  };
  // Last year's movements, per account, for the swing and the new supplier's counter account.
  std::map<std::string, std::int64_t> moved;
  for (const std::string& line : data) {
    if (!line.starts_with("B100")) continue;
    const std::int64_t a = AmountOf(Field(line, B100(1368)));
    moved[std::string(TrimSpaces(Field(line, B100(1364))))] += a < 0 ? -a : a;
  }
  std::string swing_key;
  if (!wants("result-not-closed"))
    cards[static_cast<std::size_t>(equity)].opening += prior_result;
  else
    planted.push_back({"result-not-closed", cards[static_cast<std::size_t>(equity)].key,
                       "last year's result is not in the equity account's opening"});
  if (wants("opening-mismatch")) {
    const auto i = pick([](const Card& c) { return c.carries() && c.closing != 0; });
    if (!i) return Status::Refused("no carrying account for opening-mismatch");
    cards[*i].opening += 100000;
    planted.push_back({"opening-mismatch", cards[*i].key, "opens 1,000.00 above its closing"});
  }
  if (wants("dropped-account")) {
    const auto i = pick([](const Card& c) { return c.carries() && c.closing != 0; });
    if (!i) return Status::Refused("no carrying account for dropped-account");
    cards[*i].dropped = true;
    planted.push_back({"dropped-account", cards[*i].key, "missing from the year"});
  }
  if (wants("opening-on-closed")) {
    const auto i = pick([](const Card& c) { return !c.carries() && c.classification >= 0; });
    if (!i) return Status::Refused("no profit-and-loss account for opening-on-closed");
    cards[*i].opening = 123400;
    planted.push_back({"opening-on-closed", cards[*i].key, "a profit-and-loss account opens"});
  }
  if (wants("swing")) {
    const auto i = pick([&](const Card& c) { return !c.carries() && moved[c.key] >= 1000000; });
    if (!i) return Status::Refused("no account with movements of 10,000.00 for swing");
    swing_key = cards[*i].key;
    planted.push_back({"swing", swing_key, "its movements tripled"});
  }
  if (wants("renamed-account")) {
    const auto i = pick([](const Card&) { return true; });
    if (!i) return Status::Refused("no account for renamed-account");
    const std::string name(TrimSpaces(Field(cards[*i].line, B110(1404))));
    const std::string added = Utf8ToCp1255(" חדש");
    Put(cards[*i].line, B110(1404), name + (dos ? WinToDos(added) : added));
    planted.push_back({"renamed-account", cards[*i].key, "its name changed"});
  }

  // The opening transaction of last year: the first one, when its lines state the openings.
  std::size_t first_b100 = data.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i].starts_with("B100")) {
      first_b100 = i;
      break;
    }
  }
  std::size_t opening_end = first_b100;
  std::string opening_template;
  if (first_b100 < data.size()) {
    const std::string_view transaction = Field(data[first_b100], B100(1353));
    std::map<std::string, std::int64_t> stated;
    std::size_t i = first_b100;
    for (; i < data.size() && data[i].starts_with("B100") &&
           Field(data[i], B100(1353)) == transaction;
         ++i) {
      const std::int64_t a = AmountOf(Field(data[i], B100(1368)));
      stated[std::string(TrimSpaces(Field(data[i], B100(1364))))] +=
          Field(data[i], B100(1366)) == "2" ? -a : a;
    }
    bool openings = !stated.empty();
    for (const auto& [key, amount] : stated) {
      const auto c = card_of.find(key);
      if (c == card_of.end() || AmountOf(Field(cards[c->second].line, B110(1414))) != amount)
        openings = false;
    }
    if (openings) {
      opening_template = data[first_b100];
      opening_end = i;
    }
  }

  // This year's data file: the header, the opening transaction, last year's movements a year
  // later, the new supplier's purchase, the cards with their new totals, the rest.
  std::vector<std::string> out;
  std::map<std::string, std::pair<std::int64_t, std::int64_t>> totals;  // debit, credit
  const int year = store.TaxYear + 1;
  std::string new_key, new_dealer, counter_key;
  if (wants("new-counterparty")) {
    for (int n = 399999; n > 300000 && new_key.empty(); --n) {
      if (card_of.count(std::to_string(n)) == 0) new_key = std::to_string(n);
    }
    std::string eight = Digits(random.Between(10000000, 99999999), 8);
    new_dealer = eight + std::to_string(IdCheckDigit(eight));
    // The purchase is debited to the largest expense of last year.
    std::int64_t largest = 0;
    for (const Card& c : cards) {
      if (!c.carries() && c.classification >= 0 && c.key != swing_key && c.closing > largest) {
        largest = c.closing;
        counter_key = c.key;
      }
    }
    if (new_key.empty() || counter_key.empty())
      return Status::Refused("no room for new-counterparty");
    planted.push_back({"new-counterparty", new_key, "a new supplier with 60,000.00 of purchases"});
  }
  std::string last_movement;
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::string line = data[i];
    if (line.starts_with("B110")) continue;  // written after the movements
    if (i == first_b100 && !opening_template.empty()) {
      const std::string& equity_key = cards[static_cast<std::size_t>(equity)].key;
      int n = 0;
      for (const Card& c : cards) {
        if (c.dropped || c.opening == 0) continue;
        std::string m = opening_template;
        ShiftDates(m);
        Put(m, B100(1354), Digits(++n, 5));
        Put(m, B100(1364), c.key);
        Put(m, B100(1365), c.key == equity_key ? "" : equity_key);
        Put(m, B100(1366), c.opening < 0 ? "2" : "1");
        Put(m, B100(1368), AmountField(c.opening < 0 ? -c.opening : c.opening));
        out.push_back(std::move(m));
      }
      i = opening_end - 1;
      continue;
    }
    if (line.starts_with("B100")) {
      ShiftDates(line);
      const std::string key(TrimSpaces(Field(line, B100(1364))));
      std::int64_t a = AmountOf(Field(line, B100(1368)));
      if (!swing_key.empty() && key == swing_key) {
        a *= 3;
        Put(line, B100(1368), AmountField(a));
      }
      auto& [debit, credit] = totals[key];
      (Field(line, B100(1366)) == "2" ? credit : debit) += a;
      out.push_back(line);
      last_movement = line;
      const bool last = i + 1 == data.size() || !data[i + 1].starts_with("B100");
      if (last && !new_key.empty()) {
        std::int64_t transaction = 0;
        for (const std::string& m : data) {
          if (!m.starts_with("B100")) continue;
          const std::string t(TrimSpaces(Field(m, B100(1353))));
          if (!t.empty() && t.find_first_not_of("0123456789") == std::string::npos)
            transaction = std::max<std::int64_t>(transaction, std::stoll(t));
        }
        for (int side = 0; side < 2; ++side) {
          std::string m = last_movement;
          const std::string& own = side == 0 ? counter_key : new_key;
          const std::string& other = side == 0 ? new_key : counter_key;
          Put(m, B100(1353), std::to_string(transaction + 1));
          Put(m, B100(1354), Digits(side + 1, 5));
          Put(m, B100(1364), own);
          Put(m, B100(1365), other);
          Put(m, B100(1366), side == 0 ? "1" : "2");
          Put(m, B100(1368), AmountField(6000000));
          auto& [d, c] = totals[own];
          (side == 0 ? d : c) += 6000000;
          out.push_back(std::move(m));
        }
      }
      continue;
    }
    if (line.starts_with("Z900")) {
      for (const Card& c : cards) {
        if (c.dropped) continue;
        std::string card = c.line;
        ShiftDates(card);
        const auto& [debit, credit] = totals[c.key];
        Put(card, B110(1414), AmountField(c.opening));
        Put(card, B110(1415), AmountField(debit));
        Put(card, B110(1416), AmountField(credit));
        out.push_back(std::move(card));
      }
      if (!new_key.empty()) {
        // A supplier's card, when the chart has one, gives the new card its shape.
        const Card* model = &cards.back();
        for (const Card& c : cards) {
          if (c.key.starts_with("3") && c.carries()) {
            model = &c;
            break;
          }
        }
        std::string card = model->line;
        const std::string name = Utf8ToCp1255("ספק חדש בע\"מ");
        Put(card, B110(1403), new_key);
        Put(card, B110(1404), dos ? WinToDos(name) : name);
        Put(card, B110(1414), AmountField(0));
        Put(card, B110(1415), AmountField(0));
        Put(card, B110(1416), AmountField(6000000));
        Put(card, B110(1419), new_dealer);
        out.push_back(std::move(card));
      }
    } else {
      ShiftDates(line);
    }
    out.push_back(std::move(line));
  }

  // Record numbers, the closing record's total and the header's counts.
  std::map<std::string, std::int64_t> counts;
  for (std::size_t n = 0; n < out.size(); ++n) {
    std::string& line = out[n];
    if (line.size() >= 13) line.replace(4, 9, Digits(static_cast<std::int64_t>(n) + 1, 9));
    if (line.starts_with("Z900"))
      Put(line, field::Z900(1155), Digits(static_cast<std::int64_t>(out.size()), 15));
    ++counts[line.substr(0, 4)];
  }
  std::vector<std::string> header = ini;
  Put(header[0], A000(1002), Digits(static_cast<std::int64_t>(out.size()), 15));
  ShiftDates(header[0]);
  Put(header[0], A000(1023), Digits(year, 4));
  for (std::size_t i = 1; i < header.size(); ++i) {
    if (header[i].size() < 4) continue;
    const std::string code = header[i].substr(0, 4);
    header[i] = code + Digits(counts.count(code) ? counts[code] : 0, 15);
  }

  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Status::IoError("cannot create " + folder.string() + ": " + error.message());
  std::filesystem::remove(folder / (zipped ? "BKMVDATA.TXT" : "BKMVDATA.ZIP"), error);
  const int production = (year + 1) * 10000 + 115;
  std::unique_ptr<gen::ByteSink> sink =
      zipped ? gen::OpenZipSink(folder / "BKMVDATA.ZIP", kDataFile, production, false)
             : gen::OpenFileSink(folder / kDataFile);
  if (sink == nullptr) return Status::IoError("cannot create the data file in " + folder.string());
  gen::LineWriter lines(sink.get());
  std::map<std::string, std::int64_t> line_of;
  for (std::size_t n = 0; n < out.size(); ++n) {
    lines.Line(out[n]);
    if (out[n].starts_with("B110")) {
      line_of[std::string(TrimSpaces(Field(out[n], B110(1403))))] =
          static_cast<std::int64_t>(n) + 1;
    }
  }
  if (Status s = lines.Finish(std::string(kDataFile)); !s.ok()) return s;
  std::unique_ptr<gen::ByteSink> ini_sink = gen::OpenFileSink(folder / "INI.TXT");
  if (ini_sink == nullptr) return Status::IoError("cannot create INI.TXT in " + folder.string());
  gen::LineWriter ini_lines(ini_sink.get());
  for (const std::string& line : header) ini_lines.Line(line);
  if (Status s = ini_lines.Finish("INI.TXT"); !s.ok()) return s;

  // The manifest: each fault with the account it touches and that account's line (0 for a
  // dropped account, which has none).
  std::string text = "fault\tfile\tline\tmessage\tvalue\n";
  for (const NextYearFault& kind : kFaults) {
    for (const Planted& p : planted) {
      if (p.name != kind.name) continue;
      const auto at = line_of.find(p.key);
      text += p.name + "\tBKMVDATA.TXT\t" + std::to_string(at == line_of.end() ? 0 : at->second) +
              "\t" + p.message + "\t" + p.key + "\n";
    }
  }
  std::unique_ptr<gen::ByteSink> manifest = gen::OpenFileSink(folder / "MANIFEST.TSV");
  if (manifest == nullptr || !manifest->Write(text) || !manifest->Close())
    return Status::IoError("cannot write the manifest");
  return Status::Ok();
}

}  // namespace tallyscan
