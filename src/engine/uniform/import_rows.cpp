#include "engine/uniform/import_rows.h"

#include "engine/text/text.h"
#include "engine/uniform/import.h"

namespace tallyscan {

namespace {

constexpr RecordTypeTexts kRecordTypeTexts[] = {
    {"B100", "תנועות הנהלת חשבונות", "סה'כ תנועות הנהלת חשבונות שנקראו ",
     "רשומות B100 - חוסר התאמה ("},
    {"B110", "תנועות כרטיסי חשבונות", "סה'כ כרטיסי חשבונות שנקראו ", "רשומות B110 - חוסר התאמה ("},
    {"C100", "תנועות כותרות מסמכים", "סה'כ תעודות שנקראו ", "רשומות C100 - חוסר התאמה ("},
    {"D110", "תנועות פרטי מסמכים", "סה'כ שורות תעודות שנקראו ", "רשומות D110 - חוסר התאמה ("},
    {"D120", "תנועות פרטי קבלות", "סה'כ שורות קבלות שנקראו ", "רשומות D120 - חוסר התאמה ("},
    {"M100", "תנועות פריטי מלאי", "סה'כ פריטי מלאי שנקראו ", "רשומות M100 - חוסר התאמה ("},
};

}  // namespace

const RecordTypeTexts* FindRecordTypeTexts(std::string_view code4) {
  for (const RecordTypeTexts& texts : kRecordTypeTexts) {
    if (texts.code == code4) return &texts;
  }
  return nullptr;
}

std::string ValidationErrorRow(std::string_view text, std::int64_t line_number) {
  const std::string line = PlainNumber(line_number);
  return MakeRow(RowStatus::kError, {text, std::string(kInLineText) + line, line});
}

std::string BadDateText(std::string_view value) {
  return std::string(kBadDateText) + SafeCellText(Cp1255ToUtf8(value));
}

std::string LineErrorRow(std::string_view text, std::int64_t line_number) {
  const std::string line = PlainNumber(line_number);
  return MakeRow(RowStatus::kError, {std::string(kLineNumberText) + line, text, line});
}

ImportFactCaptions ImportLogFactCaptions() {
  return {kDealerText, kBusinessNameText, kTaxYearText, kFileVersionText};
}

}  // namespace tallyscan
