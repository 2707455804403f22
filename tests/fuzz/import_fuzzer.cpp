// Imports a folder whose INI.TXT and BKMVDATA.TXT come from the fuzzer's input: the bytes
// before the line "@@BKMV@@" are INI.TXT, the bytes after it BKMVDATA.TXT. Without that line
// the whole input is BKMVDATA.TXT under a fixed valid header.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/common/progress.h"
#include "engine/uniform/import.h"

namespace {

constexpr std::string_view kSeparator = "@@BKMV@@\n";

// In memory when the system offers it: the files are rewritten for every input.
std::string MakeFolder() {
  std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tallyscan-fuzz-XXXXXX"
                                                        : "/tmp/tallyscan-fuzz-XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) std::abort();
  return made;
}

std::string DefaultIni() {
  std::string a000(466, ' ');
  a000.replace(0, 4, "A000");
  a000.replace(9, 15, "000000000000010");
  a000.replace(48, 8, "&OF1.31&");
  return a000 + "\r\nB100000000000000005\r\nB110000000000000002\r\n";
}

void WriteFile(const std::string& path, std::string_view bytes) {
  ::unlink(path.c_str());  // a new file rather than a truncated one, which would be flushed
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = MakeFolder();
  static const std::string default_ini = DefaultIni();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(kSeparator);
  if (split == std::string_view::npos) {
    WriteFile(folder + "/INI.TXT", default_ini);
    WriteFile(folder + "/BKMVDATA.TXT", input);
  } else {
    WriteFile(folder + "/INI.TXT", input.substr(0, split));
    WriteFile(folder + "/BKMVDATA.TXT", input.substr(split + kSeparator.size()));
  }
  tallyscan::RecordStore store;
  tallyscan::SilentProgress silent;
  const tallyscan::ImportResult result = tallyscan::ImportFolder(store, folder, silent);
  if (!result.status.ok()) std::abort();  // both files exist: the import must run
  // Read every record back, as the views do.
  for (const tallyscan::IndexEntry& entry : store.MovementIndex.Entries()) {
    (void)tallyscan::ReadRecordLine(store, entry.Offset, tallyscan::RecordType::kB100);
  }
  return 0;
}
