#pragma once

#include <string_view>

namespace tallyscan {

// The release number, "1.03": the number the package carries, and the one the version check
// compares with the number the update server announces.
std::string_view ReleaseNumber();

// What --version and the about box show: the release number, followed by the commit the
// program was built from when it was built from a repository ("1.03+git450379d"; ".dirty"
// after the commit when the files differed from it). The same text is the package's version.
std::string_view ProgramVersion();

}  // namespace tallyscan
