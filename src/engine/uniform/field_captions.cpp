#include "engine/uniform/field_captions.h"

#include "engine/uniform/fields.h"

namespace tallyscan {

std::string_view DistinctCaption(const RecordLayout& layout, const FieldLayout& field) {
  if (layout.type == RecordType::kB100 && field.code == field::B100(1362).code) {
    return "תאריך התנועה";
  }
  if (layout.type == RecordType::kB100 && field.code == field::B100(1375).code) {
    return "תאריך הרישום";
  }
  return field.caption;
}

}  // namespace tallyscan
