#include "cli/import_figures.h"

#include <iostream>

#include "cli/exit_codes.h"

namespace tallyscan::cli {

std::optional<ImportResult> ImportForCommand(RecordStore& store, const std::string& folder,
                                             TerminalProgress& bar, int threads, bool digest) {
  ImportOptions options;
  options.read_threads = threads;
  options.digest = digest;
  ImportResult imported = ImportFolder(store, folder, bar, options);
  bar.Finish();
  if (!imported.status.ok()) {
    std::cerr << imported.status.message() << '\n';
    return std::nullopt;
  }
  return imported;
}

OptionRead ReadThreadsOption(std::span<char* const> args, std::size_t& i, int& threads) {
  if (std::string_view(args[i]) != "--threads") return OptionRead::kNotMine;
  if (i + 1 >= args.size()) return OptionRead::kBad;
  const int number = ReadThreadsFrom(args[++i]);
  if (number == 0) return OptionRead::kBad;
  threads = number;
  return OptionRead::kTaken;
}

OptionRead ReadReadingOption(std::span<char* const> args, std::size_t& i, OutputOptions& output,
                             int& threads, std::string_view& mistake) {
  OptionRead read = ReadThreadsOption(args, i, threads);
  if (read == OptionRead::kBad) mistake = kThreadsMistake;
  if (read != OptionRead::kNotMine) return read;
  read = ReadOutputOption(args, i, output);
  if (read == OptionRead::kBad) mistake = "--format takes text, raw, json or csv";
  return read;
}

int WithReadingFindings(int exit_code, const OutputOptions& output, const ImportResult& imported) {
  if (exit_code != kExitCompleted || !output.fail_on_findings || imported.findings == 0) {
    return exit_code;
  }
  return kExitFindings;
}

void AddImportFigures(const ImportResult& result, const RecordStore& store, JsonFields& summary) {
  summary.Add("lines", result.lines_read);
  const std::pair<const char*, std::int64_t> records[] = {
      {"B110", store.AccountIndex.Count()},     {"B100", store.MovementIndex.Count()},
      {"C100", store.DocumentIndex.Count()},    {"D110", store.DocumentLineIndex.Count()},
      {"D120", store.ReceiptLineIndex.Count()}, {"M100", store.ItemIndex.Count()},
  };
  for (const auto& [type, count] : records) summary.AddToGroup("records", type, count);
}

}  // namespace tallyscan::cli
