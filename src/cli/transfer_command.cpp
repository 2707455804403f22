// tallyscan-cli transfer: writes a data set into the bookkeeping product's files, and
// transfer dump FILE prints any file the transfer writes through its byte map.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/terminal_progress.h"
#include "engine/text/text.h"
#include "engine/transfer/transfer.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

std::optional<std::int64_t> Integer(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The values of `offered` as "1, 10, 100".
template <std::size_t N>
std::string Listed(const std::int64_t (&offered)[N]) {
  std::string text;
  for (const std::int64_t value : offered) {
    if (!text.empty()) text += ", ";
    text += std::to_string(value);
  }
  return text;
}

template <std::size_t N>
bool Offered(const std::int64_t (&offered)[N], std::int64_t value) {
  return std::find(std::begin(offered), std::end(offered), value) != std::end(offered);
}

// BASIS:FROM:TO:OP:AMOUNT:START:STEP, BASIS key or group, OP none, multiply, divide, add or
// subtract.
std::optional<KeyUpdate> ParseRenumber(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t colon = text.find(':', at);
    parts.push_back(text.substr(at, colon == std::string_view::npos ? text.npos : colon - at));
    if (colon == std::string_view::npos) break;
    at = colon + 1;
  }
  if (parts.size() != 7) return std::nullopt;
  KeyUpdate update;
  if (parts[0] == "key") {
    update.basis = KeyBasis::kAccountKey;
  } else if (parts[0] == "group") {
    update.basis = KeyBasis::kAccountGroup;
  } else {
    return std::nullopt;
  }
  constexpr std::pair<std::string_view, KeyOperation> kOperations[] = {
      {"none", KeyOperation::kNone},         {"multiply", KeyOperation::kMultiply},
      {"divide", KeyOperation::kDivide},     {"add", KeyOperation::kAdd},
      {"subtract", KeyOperation::kSubtract},
  };
  bool known = false;
  for (const auto& [name, operation] : kOperations) {
    if (parts[3] == name) {
      update.operation = operation;
      known = true;
    }
  }
  const auto from = Integer(parts[1]);
  const auto to = Integer(parts[2]);
  const auto amount = Integer(parts[4]);
  const auto start = Integer(parts[5]);
  const auto step = Integer(parts[6]);
  if (!known || !from || !to || !amount || !start || !step) return std::nullopt;
  // Only what the key-update dialog offers.
  if (!Offered(kKeyUpdateAmounts, *amount) || !Offered(kKeyUpdateSteps, *step)) {
    return std::nullopt;
  }
  update.from = *from;
  update.to = *to;
  update.amount = *amount;
  update.start_counter = *start;
  update.step = *step;
  return update;
}

// Text of the written files came from the data file: no control character reaches the terminal.
std::string ShownText(std::string_view dos) {
  return SafeCellText(Cp1255ToUtf8(TrimSpaces(DosToWin(dos))));
}

void PrintRecord(const TargetRecordMap& map, std::span<const std::uint8_t> record) {
  for (const TargetField& f : map.fields) {
    std::cout << "  " << f.name << ": ";
    switch (f.kind) {
      case TargetFieldKind::kText:
        std::cout << ShownText(GetText(record, f));
        break;
      case TargetFieldKind::kInt16:
      case TargetFieldKind::kInt32:
        std::cout << GetNumber(record, f);
        break;
      case TargetFieldKind::kMoney:
        std::cout << FormatAgorot(GetNumber(record, f));
        break;
      case TargetFieldKind::kQuantity:
        std::cout << FormatNumber("#,.0000", GetNumber(record, f), 4);
        break;
    }
    std::cout << "\n";
  }
}

// The whole of a regular file, read without waiting on what is not one (a FIFO, a device)
// and bounded by the size the file has: a device that never ends is refused, not read.
bool ReadRegularFile(const std::string& file_name, std::string& bytes) {
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::cerr << "transfer dump: cannot open " << file_name << ": " << std::strerror(errno) << "\n";
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    std::cerr << "transfer dump: " << file_name << " is not a regular file\n";
    ::close(fd);
    return false;
  }
  bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  bool failed = false;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    failed = n < 0;
    if (n <= 0) break;  // a file cut short meanwhile shows what it still has
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  if (failed) std::cerr << "transfer dump: cannot read " << file_name << "\n";
  return !failed;
}

int Dump(const std::string& file_name) {
  const TargetFileKind kind = TargetFileKindOf(file_name);
  if (kind == TargetFileKind::kIndex) {
    std::string dump = "dump";
    std::string name = file_name;
    char* args[] = {dump.data(), name.data()};
    return RunIsam(args);
  }
  if (kind == TargetFileKind::kUnknown) {
    std::cerr << "transfer dump: " << file_name << " is not a file the transfer writes\n";
    return kExitFailed;
  }
  std::string bytes;
  if (!ReadRegularFile(file_name, bytes)) return kExitFailed;
  const TargetRecordMap* fixed = RecordMapOf(kind);
  const std::size_t size = fixed != nullptr ? fixed->size : kDocumentRecordSize;
  std::cout << "file " << file_name << ": " << bytes.size() << " bytes, " << bytes.size() / size
            << " records of " << size << "\n";
  int status = kExitCompleted;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
    const std::span<const std::uint8_t> record(data + at, size);
    const TargetRecordMap* map = fixed != nullptr ? fixed : DocumentFileMapOf(record[0]);
    std::cout << "record " << at / size + 1 << " (" << (map ? map->name : "unknown") << ")\n";
    if (map == nullptr) {
      status = kExitFailed;
      continue;
    }
    PrintRecord(*map, record);
  }
  if (bytes.size() % size != 0) {
    std::cout << "problem: " << bytes.size() % size << " bytes after the last whole record\n";
    status = kExitFailed;
  }
  return status;
}

}  // namespace

int RunTransfer(std::span<char* const> args) {
  if (!args.empty() && std::string_view(args[0]) == "dump") {
    if (args.size() != 2) return UsageError("transfer", "dump takes one file");
    return Dump(args[1]);
  }
  TransferOptions options;
  options.accounts = options.movements = options.documents = options.items =
      options.opening_balances = false;
  bool any_step = false;
  std::optional<KeyUpdate> renumber;
  std::optional<std::string> folder;
  int threads = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    switch (ReadThreadsOption(args, i, threads)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("transfer", kThreadsMistake);
      case OptionRead::kNotMine:
        break;
    }
    if (a == "--to" && i + 1 < args.size()) {
      options.target_folder = args[++i];
    } else if (a == "--renumber" && i + 1 < args.size()) {
      renumber = ParseRenumber(args[++i]);
      if (!renumber) {
        return UsageError("transfer",
                          "--renumber takes BASIS:FROM:TO:OP:AMOUNT:START:STEP (BASIS key or "
                          "group; OP none, multiply, divide, add or subtract; AMOUNT one of " +
                              Listed(kKeyUpdateAmounts) + "; STEP one of " +
                              Listed(kKeyUpdateSteps) + ")");
      }
    } else if (a == "--accounts") {
      options.accounts = any_step = true;
    } else if (a == "--movements") {
      options.movements = any_step = true;
    } else if (a == "--documents") {
      options.documents = any_step = true;
    } else if (a == "--items") {
      options.items = any_step = true;
    } else if (a == "--opening-balances") {
      options.opening_balances = any_step = true;
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      return UsageError("transfer", "unexpected argument " + std::string(a));
    }
  }
  if (!folder) return UsageError("transfer", "the data folder is missing");
  if (options.target_folder.empty()) return UsageError("transfer", "--to DIR is missing");
  if (!any_step) {
    options.accounts = options.movements = options.documents = options.items =
        options.opening_balances = true;
  }

  TerminalProgress bar;
  RecordStore store;
  const std::optional<ImportResult> imported = ImportForCommand(store, *folder, bar, threads);
  if (!imported) return kExitFailed;
  if (imported->interrupted) {
    std::cout << "interrupted while reading the data set; nothing was transferred\n";
    return kExitInterrupted;
  }
  if (renumber) {
    const KeyUpdateResult renumbered = ApplyKeyUpdate(store, *renumber);
    if (!renumbered.status.ok()) {
      std::cerr << renumbered.status.message() << "\nnothing was transferred\n";
      return kExitFailed;
    }
    std::cout << "renumbered accounts: " << renumbered.renumbered << "\n";
  }
  const TransferResult result =
      tallyscan::RunTransfer(store, options, bar, [&](std::string_view step) {
        bar.Finish();
        std::cout << "step: " << step << "\n" << std::flush;
        bar.SetLabel(step);
      });
  bar.Finish();
  for (const std::string& warning : result.warnings) std::cout << "warning: " << warning << "\n";
  for (const std::string& refusal : result.refusals) {
    std::string line = refusal;
    for (char& c : line) {
      if (c == '\n') c = ' ';
    }
    std::cout << "refused: " << line << "\n";
  }
  if (!result.status.ok()) {
    std::cout << result.status.message() << "\n";
    for (const std::string& problem : result.problems) std::cout << "  " << problem << "\n";
    return ExitCodeOf(result.status);
  }
  if (!result.notice.empty()) {
    std::cout << result.notice << "\n";
    return kExitCompleted;
  }
  std::cout << "written:\n";
  for (const TransferredFile& file : result.files) {
    std::cout << "  " << file.name << "\t" << file.records << "\n";
  }
  for (const TransferredFile& file : result.files) {
    if (file.skipped == 0) continue;
    std::cout << "skipped, already in the file: " << file.name << "\t" << file.skipped
              << " documents\n";
  }
  return result.refusals.empty() ? kExitCompleted : kExitFailed;
}

}  // namespace tallyscan::cli
