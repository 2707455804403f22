#include "engine/analytics/source_files.h"

#include <filesystem>

#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

SourceFiles SourceFilesOf(const ImportResult& imported) {
  return {imported.ini_file_path, imported.zip_file_path};
}

SourceFiles SourceFilesOfStore(const RecordStore& store) {
  SourceFiles sources;
  const std::string& folder = store.LoadedFolder;
  if (folder.empty()) return sources;
  sources.ini = FindFileIgnoringCase(folder, "ini.txt").value_or(std::string());
  const std::optional<std::string> zip = FindFileIgnoringCase(folder, "bkmvdata.zip");
  if (!zip) return sources;
  // The import extracts the zip as "BkMvdata.Txt" into the folder, or into the cache when the
  // folder cannot be written; a data file of the folder under another name was read as it is.
  const std::filesystem::path data(store.DataFile.Path());
  const bool in_folder = SameFolder(data.parent_path().string(), folder);
  if (!in_folder || data.filename() == "BkMvdata.Txt") sources.zip = *zip;
  return sources;
}

}  // namespace tallyscan
