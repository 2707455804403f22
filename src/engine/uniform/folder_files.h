#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// File names of a data folder. Producers write INI.TXT, Ini.Txt or ini.txt alike, so names
// are matched without regard to letter case, as the system's home file system does.

#include <optional>
#include <string>
#include <string_view>

namespace tallyscan {

// The path of the regular file in `folder` whose name equals `name` without regard to ASCII
// letter case; when several do, the one whose name sorts first. nullopt when none.
std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view name);

// Whether two folder names name one folder: the same text, or, where both exist, the same
// folder on disk ("/x/y" and "/x/y/", or a symbolic link to it). An empty name names none.
bool SameFolder(const std::string& a, const std::string& b);

// What tells whether the data files of `folder` changed: the size and modification time of
// its INI.TXT, BKMVDATA.TXT and BKMVDATA.ZIP, each found without regard to letter case (a
// missing one counts as such). Equal stamps taken at two times: no file was replaced, grown
// or rewritten in between.
std::string FolderStamp(const std::string& folder);

// `folder` joined with `name`.
std::string JoinPath(const std::string& folder, std::string_view name);

// The per-user cache folder of the program: $XDG_CACHE_HOME/tallyscan, else
// $HOME/.cache/tallyscan; empty when neither variable is set.
std::string DefaultCacheFolder();

}  // namespace tallyscan
