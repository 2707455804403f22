// Not part of any target: the test transfer.misspelt_target_field_stops_the_build compiles it
// and expects the compiler to refuse it, naming the fault. The document record has a
// "customer name", not a "custmer name".
#include "engine/transfer/target_fields.h"

std::size_t CustomerNameWidth() { return tallyscan::target::Document("custmer name").width; }
