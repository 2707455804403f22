#pragma once

// Private to transfer/: the rest of the program includes transfer/transfer.h.
//
// Fields of the target records named in code: target::Account("street") is the street of the
// account record. The name is looked up in the target tables while compiling, so a writer can
// never fall out of step with a table: a name the table does not have stops the build, and a
// field's place and width reach every writer from the table alone. The result is a constant.

#include <span>
#include <string_view>

#include "engine/transfer/target_tables.h"

namespace tallyscan {
namespace target {
namespace internal {

// Not constexpr on purpose: reaching it while compiling is the error that names the fault.
void NoFieldOfThisNameInTheTable();

consteval const TargetField& Find(std::span<const TargetField> fields, std::string_view name) {
  for (const TargetField& field : fields) {
    if (field.name == name) return field;
  }
  NoFieldOfThisNameInTheTable();
  return fields.front();
}

}  // namespace internal

consteval const TargetField& Account(std::string_view name) {
  return internal::Find(target_tables::kAccountFields, name);
}
consteval const TargetField& Movement(std::string_view name) {
  return internal::Find(target_tables::kMovementFields, name);
}
consteval const TargetField& Group(std::string_view name) {
  return internal::Find(target_tables::kGroupFields, name);
}
consteval const TargetField& Parameters(std::string_view name) {
  return internal::Find(target_tables::kParameterFields, name);
}
consteval const TargetField& Item(std::string_view name) {
  return internal::Find(target_tables::kItemFields, name);
}
consteval const TargetField& Document(std::string_view name) {  // "T"
  return internal::Find(target_tables::kDocumentFields, name);
}
consteval const TargetField& Line(std::string_view name) {  // "I"
  return internal::Find(target_tables::kLineFields, name);
}
consteval const TargetField& Payment(std::string_view name) {  // "E"
  return internal::Find(target_tables::kPaymentFields, name);
}
consteval const TargetField& Summary(std::string_view name) {
  return internal::Find(target_tables::kSummaryFields, name);
}

}  // namespace target
}  // namespace tallyscan
