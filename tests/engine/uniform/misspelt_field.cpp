// Not part of any target: the test uniform.misspelt_field_stops_the_build compiles it and
// expects the compiler to refuse it, naming the fault. B110 has no field 1418.
#include "engine/uniform/fields.h"

std::string_view OpeningBalanceOf(std::string_view line) {
  return tallyscan::SliceField(line, tallyscan::field::B110(1418));
}
