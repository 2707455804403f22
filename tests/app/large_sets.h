#pragma once

#include <filesystem>

namespace tallyscan::test {

// A data set of a million movements, twenty thousand accounts and every kind of fault the
// generator injects, written once per build folder (TALLYSCAN_TEST_SETS_DIR): test programs
// running side by side wait for one another instead of writing it twice.
std::filesystem::path MillionMovementsWithFaults();

}  // namespace tallyscan::test
