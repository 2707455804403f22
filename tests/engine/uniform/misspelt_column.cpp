// Not part of any target: the test uniform.misspelt_column_stops_the_build compiles it and
// expects the compiler to refuse it, naming the fault. The table has no column "netto".
#include "engine/uniform/columns.h"

namespace {

constexpr std::array kFigures = {
    tallyscan::TextColumn("caption", "תיאור"),
    tallyscan::FigureColumn("net", "נטו", tallyscan::ValueKind::kQuantity),
};

}  // namespace

std::string_view NetOf(std::string_view row) {
  return tallyscan::StatusRowCell(row, tallyscan::Columns<kFigures>::Cell("netto"));
}
