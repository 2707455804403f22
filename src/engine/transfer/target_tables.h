#pragma once

// Private to transfer/: the field tables of the target records, the one place that says where
// each field of each record the transfer writes lies. Code names a field through
// target_fields.h (checked while compiling) or walks a whole map through transfer_format.h.

#include "engine/transfer/transfer_format.h"

namespace tallyscan {
namespace target_tables {

using K = TargetFieldKind;

inline constexpr TargetField kAccountFields[] = {
    {"account number", 0, 4, K::kInt32},
    {"name", 4, 25, K::kText},
    {"street", 29, 20, K::kText},
    {"city", 49, 15, K::kText},
    {"postal code", 64, 5, K::kText},
    {"dealer number", 69, 9, K::kText},
    {"trial-balance code", 78, 4, K::kInt32},
    {"classification debit", 82, 4, K::kInt32},
    {"classification credit", 86, 4, K::kInt32},
    {"account kind", 90, 2, K::kInt16},
    {"opening balance", 92, 8, K::kMoney},
    {"opening balance currency", 100, 8, K::kMoney},
    {"debit", 108, 8, K::kMoney},
    {"credit", 116, 8, K::kMoney},
    {"balance", 124, 8, K::kMoney},
    {"movements", 132, 4, K::kInt32},
    {"account key", 136, 15, K::kText},
};

inline constexpr TargetField kMovementFields[] = {
    {"debit/credit", 0, 1, K::kText},
    {"account number", 1, 4, K::kInt32},
    {"counter-account number", 5, 4, K::kInt32},
    {"line in movement", 9, 4, K::kInt32},
    {"batch", 13, 4, K::kInt32},
    {"source", 17, 2, K::kInt16},
    {"reference 1", 23, 6, K::kText},
    {"reference 2", 29, 6, K::kText},
    {"details", 35, 20, K::kText},
    {"date", 55, 10, K::kText},
    {"value date", 65, 10, K::kText},
    {"amount", 75, 8, K::kMoney},
    {"amount currency", 83, 8, K::kMoney},
};

inline constexpr TargetField kGroupFields[] = {
    {"name", 0, 20, K::kText},
    {"in use", 20, 2, K::kInt16},
    {"first account", 22, 4, K::kInt32},
    {"last account", 26, 4, K::kInt32},
};

inline constexpr TargetField kParameterFields[] = {
    {"company name", 0, 50, K::kText},
    {"dealer number", 50, 9, K::kText},
    {"tax year", 59, 2, K::kInt16},
    {"VAT rate", 61, 4, K::kInt32},
};

inline constexpr TargetField kItemFields[] = {
    {"internal code", 0, 20, K::kText}, {"universal code", 20, 20, K::kText},
    {"name", 40, 25, K::kText},         {"sort code", 65, 4, K::kInt32},
    {"unit", 69, 20, K::kText},         {"cost price", 89, 8, K::kMoney},
};

inline constexpr TargetField kDocumentFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"document date", 23, 10, K::kText},
    {"production date", 33, 10, K::kText},
    {"production time", 43, 5, K::kText},
    {"customer name", 48, 50, K::kText},
    {"street", 98, 50, K::kText},
    {"house number", 148, 10, K::kText},
    {"city", 158, 30, K::kText},
    {"postal code", 188, 8, K::kText},
    {"phone", 196, 15, K::kText},
    {"value date", 211, 10, K::kText},
    {"amount before discount", 221, 8, K::kMoney},
    {"discount", 229, 8, K::kMoney},
    {"VAT", 237, 8, K::kMoney},
    {"amount with VAT", 245, 8, K::kMoney},
    {"withholding tax", 253, 8, K::kMoney},
    {"customer account number", 261, 4, K::kInt32},
    {"customer key", 265, 15, K::kText},
    {"producing user", 280, 9, K::kText},
    {"VAT rate", 289, 4, K::kInt32},
    {"lines", 293, 4, K::kInt32},
    {"payments", 297, 4, K::kInt32},
};

inline constexpr TargetField kLineFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"line number", 23, 4, K::kInt32},
    {"catalogue number", 27, 20, K::kText},
    {"description", 47, 30, K::kText},
    {"serial number", 77, 30, K::kText},
    {"unit", 107, 20, K::kText},
    {"quantity", 127, 8, K::kQuantity},
    {"unit price", 135, 8, K::kMoney},
    {"discount", 143, 8, K::kMoney},
};

inline constexpr TargetField kPaymentFields[] = {
    {"mark", 0, 1, K::kText},
    {"document type", 1, 2, K::kInt16},
    {"document number", 3, 20, K::kText},
    {"line number", 23, 4, K::kInt32},
    {"payment type", 27, 1, K::kText},
    {"cheque number", 28, 10, K::kText},
    {"bank account", 38, 15, K::kText},
    {"branch", 53, 10, K::kText},
    {"bank", 63, 10, K::kText},
    {"card company", 73, 1, K::kText},
    {"due date", 74, 10, K::kText},
    {"amount", 84, 8, K::kMoney},
};

inline constexpr TargetField kSummaryFields[] = {
    {"extension", 0, 4, K::kText},
    {"documents", 4, 4, K::kInt32},
    {"lines", 8, 4, K::kInt32},
    {"payments", 12, 4, K::kInt32},
};

}  // namespace target_tables
}  // namespace tallyscan
