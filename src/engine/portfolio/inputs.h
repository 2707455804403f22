#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The files of a client's folder as a run finds them: what a manifest records, and what a
// later run compares with it to know whether the client must be analysed again.

#include <string>
#include <vector>

#include "engine/portfolio/manifest.h"

namespace tallyscan::portfolio {

// INI.TXT, then BKMVDATA.TXT or else BKMVDATA.ZIP, those of them that exist, each found
// without regard to letter case, with its name as on disk and its stat fingerprint (size,
// mtime_ns, dev, ino); `bytes` is its size and no digest is taken.
std::vector<ManifestInput> FingerprintInputs(const std::string& folder);

// Whether the files are the same by name and fingerprint (digests not compared).
bool SameFingerprints(const std::vector<ManifestInput>& a, const std::vector<ManifestInput>& b);

// Whether a name is the archive's (BKMVDATA.ZIP in any letter case).
bool IsArchiveName(const std::string& name);

}  // namespace tallyscan::portfolio
