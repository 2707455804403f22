// tallyscan-gen: writes a uniform-format data set into a folder.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data_set.h"
#include "next_year.h"

namespace {

using tallyscan::DataSetOptions;

void Usage() {
  std::fputs(
      "usage: tallyscan-gen [options] FOLDER\n"
      "  --movements N   journal movements (B100), exactly; default 400\n"
      "  --accounts N    accounts (B110); default: in proportion to the movements\n"
      "  --documents N   documents (C100); default: a tenth of the movements (not with\n"
      "                  --profile audit, which gives every transaction its document)\n"
      "  --items N       catalogue items (M100); default: in proportion to the documents\n"
      "  --seed S        the same seed gives the same bytes; default 1\n"
      "  --year YYYY     tax year; default 2024\n"
      "  --dos           texts in the DOS Hebrew code page (header field 1029 = 2)\n"
      "  --zip           BKMVDATA.ZIP instead of BKMVDATA.TXT\n"
      "  --profile audit  a realistic ledger for the journal-entry tests, in which they find\n"
      "                  nothing but the faults planted (at least 1000 movements)\n"
      "  --fault NAME[@COUNT]  inject a fault (repeatable); see --list-faults and\n"
      "                  --list-journal-faults\n"
      "  --list-faults   list the faults the import and the checks find, and exit\n"
      "  --list-journal-faults  list the faults the journal-entry tests find (only with\n"
      "                  --profile audit), and exit\n"
      "  --quiet         print nothing on success\n"
      "usage: tallyscan-gen --next-year PRIOR OUT [--seed N] [--fault KIND ...]\n"
      "  the year after the set PRIOR: the same company opening with its closing balances,\n"
      "  last year's result in the equity account; --seed chooses the accounts the faults\n"
      "  touch; see --list-next-year-faults\n"
      "  --list-next-year-faults  list the faults of the year-to-year comparison, and exit\n",
      stderr);
}

bool ParseCount(std::string_view text, std::int64_t* value) {
  if (text.empty() || text.size() > 12) return false;
  std::int64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

}  // namespace

// tallyscan-gen --next-year PRIOR OUT [--seed N] [--fault KIND ...]
int NextYear(int argc, char** argv) {
  tallyscan::NextYearOptions options;
  std::string prior, out;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--next-year" && i + 2 < argc) {
      prior = argv[++i];
      out = argv[++i];
    } else if (arg == "--seed" && i + 1 < argc) {
      std::int64_t seed = 0;
      if (!ParseCount(argv[++i], &seed)) {
        std::fprintf(stderr, "tallyscan-gen: --seed needs a whole number\n");
        return 2;
      }
      options.seed = static_cast<std::uint64_t>(seed);
    } else if (arg == "--fault" && i + 1 < argc) {
      const std::string_view name = argv[++i];
      const auto faults = tallyscan::NextYearFaults();
      if (std::none_of(faults.begin(), faults.end(),
                       [&](const tallyscan::NextYearFault& f) { return f.name == name; })) {
        std::fprintf(stderr, "tallyscan-gen: unknown fault %s (see --list-next-year-faults)\n",
                     argv[i]);
        return 2;
      }
      if (std::find(options.faults.begin(), options.faults.end(), name) == options.faults.end())
        options.faults.push_back(name);
    } else if (arg == "--quiet") {
    } else {
      std::fprintf(stderr, "tallyscan-gen: %s does not go with --next-year\n", argv[i]);
      Usage();
      return 2;
    }
  }
  if (prior.empty()) {
    Usage();
    return 2;
  }
  const tallyscan::Status status = tallyscan::WriteNextYear(prior, out, options);
  if (!status.ok()) {
    std::fprintf(stderr, "tallyscan-gen: %s\n", status.message().c_str());
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--next-year") return NextYear(argc, argv);
    if (std::string_view(argv[i]) == "--list-next-year-faults") {
      for (const tallyscan::NextYearFault& f : tallyscan::NextYearFaults()) {
        std::printf("%-20s %s\n", std::string(f.name).c_str(), std::string(f.description).c_str());
      }
      return 0;
    }
  }
  DataSetOptions options;
  std::string folder;
  bool accounts_given = false, documents_given = false, items_given = false, quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::int64_t* out) {
      if (i + 1 >= argc || !ParseCount(argv[i + 1], out)) {
        std::fprintf(stderr, "tallyscan-gen: %s needs a whole number\n", argv[i]);
        std::exit(2);
      }
      ++i;
    };
    std::int64_t number = 0;
    if (arg == "--movements") {
      value(&options.movements);
    } else if (arg == "--accounts") {
      value(&number);
      options.accounts = static_cast<int>(number);
      accounts_given = true;
    } else if (arg == "--documents") {
      value(&number);
      options.documents = static_cast<int>(number);
      documents_given = true;
    } else if (arg == "--items") {
      value(&number);
      options.items = static_cast<int>(number);
      items_given = true;
    } else if (arg == "--seed") {
      value(&number);
      options.seed = static_cast<std::uint64_t>(number);
    } else if (arg == "--year") {
      value(&number);
      options.tax_year = static_cast<int>(number);
    } else if (arg == "--dos") {
      options.dos_coded = true;
    } else if (arg == "--zip") {
      options.zip = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--list-faults" || arg == "--list-journal-faults") {
      for (const tallyscan::FaultInfo& info :
           arg == "--list-faults" ? tallyscan::Faults() : tallyscan::JournalFaults()) {
        std::printf("%-20s %s\n", std::string(info.name).c_str(),
                    std::string(info.description).c_str());
      }
      return 0;
    } else if (arg == "--profile") {
      if (i + 1 >= argc ||
          (std::string_view(argv[i + 1]) != "audit" && std::string_view(argv[i + 1]) != "plain")) {
        std::fprintf(stderr, "tallyscan-gen: --profile takes audit or plain\n");
        return 2;
      }
      options.profile = std::string_view(argv[++i]) == "audit" ? tallyscan::DataProfile::kAudit
                                                               : tallyscan::DataProfile::kPlain;
    } else if (arg == "--fault") {
      if (i + 1 >= argc) {
        Usage();
        return 2;
      }
      std::string_view request = argv[++i];
      std::int64_t count = 1;
      if (const auto at = request.find('@'); at != std::string_view::npos) {
        if (!ParseCount(request.substr(at + 1), &count) || count < 1 || count > 100000) {
          std::fprintf(stderr, "tallyscan-gen: bad count in --fault %s\n", argv[i]);
          return 2;
        }
        request = request.substr(0, at);
      }
      const tallyscan::FaultInfo* info = tallyscan::FindFault(request);
      if (info == nullptr) {
        std::fprintf(stderr, "tallyscan-gen: unknown fault %s (see --list-faults)\n", argv[i]);
        return 2;
      }
      options.faults.push_back({info->kind, static_cast<int>(count)});
    } else if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "tallyscan-gen: unknown option %s\n", argv[i]);
      Usage();
      return 2;
    } else if (folder.empty()) {
      folder = arg;
    } else {
      Usage();
      return 2;
    }
  }
  if (folder.empty()) {
    Usage();
    return 2;
  }
  const bool audit = options.profile == tallyscan::DataProfile::kAudit;
  if (audit && documents_given) {
    std::fprintf(stderr,
                 "tallyscan-gen: --documents does not go with --profile audit, which gives every "
                 "transaction its own document\n");
    return 2;
  }
  for (const tallyscan::FaultInfo& info :
       audit ? tallyscan::Faults() : tallyscan::JournalFaults()) {
    for (const tallyscan::FaultRequest& request : options.faults) {
      if (request.kind != info.kind) continue;
      std::fprintf(stderr, "tallyscan-gen: the fault %s %s\n", std::string(info.name).c_str(),
                   audit ? "is not one of --list-journal-faults, which --profile audit takes"
                         : "needs --profile audit");
      return 2;
    }
  }
  // Sizes in proportion to the journal unless given: a busy business has more customers,
  // documents and items, but not without bound.
  const std::int64_t n = options.movements;
  if (!accounts_given)
    options.accounts = static_cast<int>(std::clamp<std::int64_t>(n / 200, 60, 5000));
  if (!documents_given)
    options.documents = static_cast<int>(std::clamp<std::int64_t>(n / 10, 0, 2000000));
  if (!items_given)
    options.items = static_cast<int>(std::clamp<std::int64_t>(options.documents / 50, 30, 3000));

  const auto start = std::chrono::steady_clock::now();
  tallyscan::GeneratedDataSet result;
  const tallyscan::Status status = tallyscan::GenerateDataSet(options, folder, &result);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!status.ok()) {
    std::fprintf(stderr, "tallyscan-gen: %s\n", status.message().c_str());
    return 1;
  }
  if (!quiet) {
    const auto& c = result.counts;
    std::printf(
        "%s: %lld lines, %lld bytes of BKMVDATA.TXT%s in %.2f s\n"
        "  B100 %lld  B110 %lld  C100 %lld  D110 %lld  D120 %lld  M100 %lld  faults %zu\n",
        folder.c_str(), static_cast<long long>(result.data_lines),
        static_cast<long long>(result.data_bytes), options.zip ? " (zipped)" : "", seconds,
        static_cast<long long>(c.b100), static_cast<long long>(c.b110),
        static_cast<long long>(c.c100), static_cast<long long>(c.d110),
        static_cast<long long>(c.d120), static_cast<long long>(c.m100), result.manifest.size());
  }
  return 0;
}
