// Details that hold one of the keywords.

#include <array>

#include "engine/analytics/jet_unit.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

class KeywordReader final : public JetReader {
 public:
  KeywordReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), dos_(pass.store.DosCodePage) {
    for (const std::string& word : pass.parameters.keywords) words_.push_back(Utf8ToCp1255(word));
    lines.assign(words_.size(), 0);
    seen_.assign(words_.size(), false);
    for (const std::string& word : words_) starts_[static_cast<unsigned char>(word.front())] = true;
  }

  void OnMovement(const MovementLine& m) override {
    if (m.details.empty()) return;
    Usable();
    if (!dos_) {
      if (Find(m.details)) Hit(m.ordinal);
      return;
    }
    if (Find(DosToWin(m.details))) Hit(m.ordinal);
  }

  std::vector<std::int64_t> lines;  // by keyword, the lines that hold it

 private:
  // Counts the keywords a line's details hold; whether they hold any. One look along the
  // text: only where a keyword's first byte stands are the keywords that begin with it
  // compared; each keyword counts once per line.
  bool Find(std::string_view text) {
    bool found = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
      const auto first = static_cast<unsigned char>(text[at]);
      if (!starts_[first]) continue;
      for (std::size_t k = 0; k < words_.size(); ++k) {
        if (seen_[k] || words_[k].front() != text[at]) continue;
        if (text.substr(at).starts_with(words_[k])) {
          seen_[k] = true;
          found = true;
        }
      }
    }
    if (found) {
      for (std::size_t k = 0; k < words_.size(); ++k) {
        lines[k] += seen_[k] ? 1 : 0;
        seen_[k] = false;
      }
    }
    return found;
  }

  bool dos_;
  std::vector<std::string> words_;  // code page 1255, none empty
  std::array<bool, 256> starts_{};  // the keywords' first bytes
  std::vector<bool> seen_;          // by keyword, within one line
};

bool Decide(JetDecision& d) {
  const KeywordReader& reader = d.ReaderOf<KeywordReader>();
  for (std::size_t k = 0; k < d.parameters.keywords.size(); ++k) {
    d.r.keywords.push_back({d.parameters.keywords[k], reader.lines[k]});
  }
  d.MovementHits();
  return true;
}

std::string DetailsCell(const HitLine& l) {
  return SafeCellText(TextDisplay(SliceField(l.head, B100(1361)), l.dos, B100(1361).converted));
}

}  // namespace

namespace journal_tests {
extern const JetUnit keyword = {
    .info = {JetTest::kKeyword, "keyword", "מילת מפתח בפרטים", "שדה הפרטים מכיל מילה מ-keywords.",
             "תיקונים, ביטולים ורישומים זמניים, שבהם נעשות התאמות ידניות של התוצאות.",
             RecordType::kB100, "B100:1361", true, "פרטים", ValueKind::kText},
    .read = MakeReader<KeywordReader>,
    .decide = Decide,
    .own_cell = DetailsCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
