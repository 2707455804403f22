// Ranges of document numbers missing within a type, and numbers that occur twice.

#include <algorithm>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::C100;

class DocumentNumberReader final : public JetReader {
 public:
  DocumentNumberReader(const JetPass& pass, TestCounts& counts) : JetReader(counts), pass_(pass) {}
  void OnDocument(std::uint32_t line, std::string_view head) override {
    const std::string_view type = TrimSpaces(SliceField(head, C100(1203)));
    const std::string_view number = NumberKey(SliceField(head, C100(1204)));
    if (type.empty() || number.empty()) return;
    Usable();
    const std::uint32_t id = pass_.documents.Find(DocumentKey(type, number));
    if (id != KeyTable<TextKey<23>>::kNone && pass_.document_counts[id] > 1) Hit(line);
  }

 private:
  const JetPass& pass_;
};

// Every (type, number) of the file once; the all-digit numbers of each type, sorted.
std::vector<std::pair<std::string, AmountSum>> NumbersByType(const JetPass& pass) {
  std::vector<std::pair<std::string, AmountSum>> numbers;
  for (std::uint32_t id = 0; id < pass.documents.size(); ++id) {
    const TextKey<23>& key = pass.documents.KeyOf(id);
    const std::string_view number = TrimSpaces(std::string_view(key.data() + 3, 20));
    if (!AllDigits(number)) continue;
    AmountSum value = 0;
    for (const char ch : number) value = value * 10 + static_cast<unsigned>(ch - '0');
    numbers.emplace_back(std::string(TrimSpaces(std::string_view(key.data(), 3))), value);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

bool Decide(JetDecision& d) {
  const std::vector<std::pair<std::string, AmountSum>> numbers = NumbersByType(d.pass);
  AmountSum missing = 0;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    const auto& [type, value] = numbers[i];
    const auto& [previous_type, previous] = numbers[i - 1];
    if (type != previous_type || value <= previous + 1) continue;
    d.r.document_ranges.push_back(
        {FormatNumber("0", previous + 1, 0), FormatNumber("0", value - 1, 0), Cp1255ToUtf8(type)});
    missing += value - previous - 1;
  }
  d.LineHits();
  const std::int64_t duplicates = d.r.hits;
  d.r.hits += static_cast<std::int64_t>(d.r.document_ranges.size());
  d.Figure("missing", missing);
  d.Figure("duplicate_lines", duplicates);
  // Nothing after it reads the documents.
  d.pass.documents = KeyTable<TextKey<23>>();
  GiveBack(d.pass.document_counts);
  return true;
}

std::string Figure(const JetResult&, const JetTestResult& t, JetWords) {
  return "טווחים חסרים: " + std::to_string(t.document_ranges.size()) +
         ", שורות כפולות: " + FigureText(FindFigure(t, "duplicate_lines"), false);
}

}  // namespace

namespace journal_tests {
extern const JetUnit document_gap = {
    .info = {JetTest::kDocumentGap, "document-gap", "פערים וכפילויות במספרי המסמכים",
             "בכל סוג מסמך, הטווחים החסרים במספרי המסמכים והשורות שסוגן ומספרן מופיעים יותר "
             "מפעם אחת.",
             "מסמכים שהושמדו או הוסתרו, או מסמכים שהופקו פעמיים באותו מספר.", RecordType::kC100,
             "C100:1203,C100:1204", true, "המסמכים החסרים, או סוג/מספר", ValueKind::kText},
    .stage = JetStage::kFirst,
    .read = MakeReader<DocumentNumberReader>,
    .decide = Decide,
    .figure = Figure,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
