// References to a document of a type the file has, where no such document stands.

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

class MissingReader final : public JetReader {
 public:
  MissingReader(const JetPass& pass, TestCounts& counts) : JetReader(counts), pass_(pass) {}
  void OnMovement(const MovementLine& m) override {
    if (m.document == nullptr || !HasDocuments(m.document_type)) return;
    Usable();
    // The lines of a transaction mostly name one document: the last answer is kept.
    if (!have_last_document_ || *m.document != last_document_) {
      have_last_document_ = true;
      last_document_ = *m.document;
      last_missing_ = pass_.documents.Find(*m.document) == KeyTable<TextKey<23>>::kNone;
    }
    if (last_missing_) Hit(m.ordinal);
  }

 private:
  // Whether the file holds documents of a type (trimmed, at most 3 bytes); the last type
  // asked about is kept with its answer.
  bool HasDocuments(std::string_view type) {
    const TextKey<3> key = PackText<3>(type);
    if (!have_last_type_ || key != last_type_) {
      have_last_type_ = true;
      last_type_ = key;
      last_type_has_documents_ = pass_.document_types.Find(key) != KeyTable<TextKey<3>>::kNone;
    }
    return last_type_has_documents_;
  }

  const JetPass& pass_;
  bool have_last_type_ = false;
  TextKey<3> last_type_{};
  bool last_type_has_documents_ = false;
  bool have_last_document_ = false;
  TextKey<23> last_document_{};
  bool last_missing_ = false;
};

std::string ReferenceCell(const HitLine& l) {
  return Cell(TrimSpaces(SliceField(l.head, B100(1358)))) + "/" +
         Cell(NumberKey(SliceField(l.head, B100(1357))));
}

}  // namespace

namespace journal_tests {
extern const JetUnit missing_document = {
    .info = {JetTest::kMissingDocument, "missing-document", "אסמכתא שאין לה מסמך",
             "סוג המסמך באסמכתא הוא סוג שיש לו מסמכים בקובץ, אך אין מסמך מסוג זה במספר זה.",
             "תנועה המפנה למסמך שאינו קיים, כגון חשבונית פיקטיבית.", RecordType::kB100,
             "B100:1357,B100:1358", true, "סוג/מספר האסמכתא", ValueKind::kText},
    .read = MakeReader<MissingReader>,
    .own_cell = ReferenceCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
