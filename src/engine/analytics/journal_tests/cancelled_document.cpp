// Documents marked cancelled.

#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class CancelledReader final : public JetReader {
 public:
  CancelledReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnDocument(std::uint32_t line, std::string_view head) override {
    Usable();
    if (SliceField(head, field::C100(1228)) == "1") Hit(line);
  }
};

}  // namespace

namespace journal_tests {
extern const JetUnit cancelled_document = {
    .info = {JetTest::kCancelledDocument, "cancelled-document", "מסמך מבוטל", "המסמך מסומן כמבוטל.",
             "ביטול מסמך כדי להסתיר הכנסה או לרשום אותה מחדש בסכום אחר.", RecordType::kC100,
             "C100:1228", true, "סוג/מספר המסמך", ValueKind::kText},
    .read = MakeReader<CancelledReader>,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
