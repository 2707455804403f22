#pragma once

// Private to analytics/.
//
// The files an analysis names in its result: INI.TXT, BKMVDATA.ZIP when the set was
// extracted from it, and the data file the store reads.

#include <string>

namespace tallyscan {

class RecordStore;
struct ImportResult;

struct SourceFiles {
  std::string ini;
  std::string zip;  // empty when the data file was not extracted by the import
};
SourceFiles SourceFilesOf(const ImportResult& imported);
// The same for the set loaded in `store` when its import result is not at hand: INI.TXT of
// the loaded folder, and BKMVDATA.ZIP when the data file read is the copy the import
// extracts from it (in the per-user cache, or in the folder under the extracted name).
SourceFiles SourceFilesOfStore(const RecordStore& store);

}  // namespace tallyscan
