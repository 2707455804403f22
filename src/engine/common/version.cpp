#include "engine/common/version.h"

// Written at every build from the project's version and `git describe`.
#include "tallyscan_version.h"

namespace tallyscan {

std::string_view ReleaseNumber() { return TALLYSCAN_RELEASE; }

std::string_view ProgramVersion() { return TALLYSCAN_PROGRAM_VERSION; }

}  // namespace tallyscan
