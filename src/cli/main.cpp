// tallyscan-cli: the engine without a window. One sub-command per file; this file dispatches
// and holds the usage texts and each command's options, so that --help, the check of the
// options and every usage error say the same.
#include <malloc.h>

#include <exception>
#include <iostream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/option_table.h"
#include "cli/standard_output.h"
#include "cli/terminal_progress.h"
#include "engine/common/version.h"

namespace tallyscan::cli {
namespace {

// What a command takes besides its own options.
enum Shares : unsigned { kOwnOptionsOnly = 0, kThreadsOption = 1, kOutputOptions = 2 };

struct Command {
  std::string_view name;
  std::string_view usage;
  std::string_view help;  // what follows the usage line in "COMMAND --help", before the options
  std::span<const CommandOption> options;
  unsigned shares;
  int (*run)(std::span<char* const> args);
};

constexpr CommandOption kThreads[] = {
    {"--threads", "N",
     "N threads read the data file side by side, 1 in one pass\n"
     "(default: one per core)"},
};

constexpr CommandOption kOutput[] = {
    {"--format", "F",
     "text (aligned columns, the default), raw (the rows exactly as\n"
     "built), json (one document), csv (RFC 4180, UTF-8 with BOM)"},
    {"--raw", "", "the same as --format raw"},
    {"--fail-on-findings", "",
     "exit 3 when the output holds an error row, or the reading of\n"
     "the folder did"},
};

constexpr CommandOption kImportOptions[] = {
    {"--stats", "", "time, throughput and peak memory on stderr"},
};

constexpr CommandOption kCheckOptions[] = {
    {"--items", "LIST",
     "the ticked checks, e.g. B2,B3,D4: B1-B8 bookkeeping, D1-D9\n"
     "documents, B1 and D1 a whole list (default: all)"},
};

constexpr CommandOption kJetOptions[] = {
    {"--params", "FILE", "parameters (JSON) merged over the defaults"},
    {"--tests", "LIST", "only these tests (ids separated by commas) and the population"},
    {"--hits", "TEST",
     "the hit rows of one test: line, record type, transaction,\n"
     "account, date, amount and a cell of the test's own"},
    {"--digit-lines", "TEST POPULATION DIGIT",
     "the lines of one digit of a digit test (benford-first,\n"
     "benford-second, benford-first-two, last-two) in a population\n"
     "(all, debit, credit)"},
    {"--print-params", "", "the parameters in effect as JSON"},
};

constexpr CommandOption kCompareOptions[] = {
    {"--params", "FILE", "parameters (JSON) merged over the defaults, as for jet"},
    {"--part", "PART",
     "only one part: identity, openings, review, accounts or\n"
     "counterparties (default: every part, in that order)"},
    {"--other-company", "", "compare two different dealer numbers, and say so"},
    {"--annualise", "", "last year's figures scaled by this year's months over last year's"},
    {"--print-params", "", "the parameters in effect as JSON"},
};

constexpr CommandOption kFieldsOptions[] = {
    {"--record", "TYPE",
     "only the fields of one record type (A100, B100, B110, C100,\n"
     "D110, D120, M100, Z900); exits 1 when the file has none"},
};

constexpr CommandOption kCompaniesOptions[] = {
    {"--root", "DIR", "the store in DIR instead of the user's own"},
};

constexpr CommandOption kViewOptions[] = {
    {"--sort", "FIELD",
     "index: sorted as a click on the header of field 1-19 leaves it;\n"
     "items: by the header of field 2-14"},
    {"--from", "KEY", "ledger: the first account"},
    {"--to", "KEY", "ledger: the last account (without it, the one account --from)"},
    {"--type", "T", "documents: the type (e.g. 305), or all"},
    {"--number", "N", "documents: only the one numbered N"},
};

constexpr CommandOption kReportOptions[] = {
    {"--format", "F",
     "xls: the HTML table a spreadsheet reads (code page 1255);\n"
     "htm: the HTML document of an e-mail; xlsx: a workbook;\n"
     "pdf: the printed pages"},
    {"--out", "FILE",
     "the file written, replaced only once the report is complete; a\n"
     "link, anything but a regular file and the data set's own files\n"
     "are refused (exit 1); the workbook's temporary files, several\n"
     "times its size, go into FILE's folder; - (xls and htm): standard\n"
     "output"},
    {"--sort", "FIELD", "index and items: as for view"},
    {"--from", "KEY", "ledger: the first account"},
    {"--to", "KEY", "ledger: the last account"},
    {"--type", "T", "document: the type"},
    {"--number", "N", "document: the one numbered N (default: the type's first)"},
    {"--items", "LIST", "checks: the ticked checks, as for check"},
    {"--params", "FILE", "jet: the parameters, as for jet"},
};

constexpr CommandOption kTransferOptions[] = {
    {"--to", "DIR", "the folder the bookkeeping product's files are written into"},
    {"--accounts", "", "the accounts step"},
    {"--movements", "", "the movements step"},
    {"--documents", "", "the documents step"},
    {"--items", "", "the items step"},
    {"--opening-balances", "", "the opening balances step"},
    {"--renumber", "BASIS:FROM:TO:OP:AMOUNT:START:STEP",
     "the key update first: BASIS key or group, the range FROM-TO,\n"
     "OP none, multiply, divide, add or subtract, then the amount,\n"
     "the start counter and the step"},
};

constexpr CommandOption kBatchOptions[] = {
    {"--list", "FILE",
     "the clients from a UTF-8 list of lines client<TAB>path[<TAB>label],\n"
     "the paths relative to the list's folder (instead of INPUT)"},
    {"--depth", "D",
     "the folders under INPUT down to D levels that hold an INI.TXT\n"
     "are the clients (default: 2)"},
    {"--analyses", "LIST",
     "import (always), check, jet, fields, run in that order\n"
     "(default: import,check,jet)"},
    {"--params", "FILE", "the journal-entry tests' parameters, as for jet"},
    {"--jobs", "J", "J clients at a time (default: one per core)"},
    {"--memory", "SIZE",
     "a child starts only while the memory reserved by those running\n"
     "fits SIZE (a number with K, M or G; default: half of the\n"
     "available memory)"},
    {"--timeout", "SECONDS",
     "a child still running after SECONDS is sent SIGTERM, and\n"
     "SIGKILL 5 seconds later (default: 600)"},
    {"--rerun", "WHICH",
     "changed (the default): the clients whose files, analyses or\n"
     "parameters changed; failed: those and the failed and timed out;\n"
     "all; none: only the summary"},
    {"--verify", "HOW",
     "stat (the default): files compared by size, modification time and\n"
     "inode; sha256: by their digests too"},
    {"--progress", "FORM",
     "text (a line per client on stderr, the default) or jsonl (one\n"
     "JSON object per event)"},
    {"--no-summary", "", "writes no portfolio summary at the end"},
    {"--fail-on-findings", "", "exit 3 when a client has findings"},
    {"--out", "DIR",
     "RESULTS: each client's results in DIR/clients/ID/; for --one the\n"
     "client's results folder; for plan the folder of the shards"},
    {"--child", "PROGRAM", "the program run for each client (default: this one)"},
    {"--child-memory", "SIZE", "the address space of each child (default: 8G)"},
    {"--one", "FOLDER", "the child: analyses one client's folder into --out"},
    {"--client", "ID", "the child: the client's id in its manifest"},
    {"--label", "TEXT", "the child: the client's label in its manifest"},
    {"--shards", "N", "plan: the number of shards"},
};

constexpr Command kCommands[] = {
    {"import", "import [--format F] [--fail-on-findings] [--stats] [--threads N] DIR",
     "Reads the data folder (INI.TXT with BKMVDATA.TXT or BKMVDATA.ZIP) and prints the\n"
     "import log.\n",
     kImportOptions, kThreadsOption | kOutputOptions, RunImport},
    {"check", "check [--format F] [--fail-on-findings] [--items LIST] [--threads N] DIR",
     "Imports the data folder and prints the rows of the integrity checks.\n", kCheckOptions,
     kThreadsOption | kOutputOptions, RunCheck},
    {"jet",
     "jet [--params FILE] [--tests LIST] [--format F] [--fail-on-findings] [--threads N] DIR\n"
     "  tallyscan-cli jet [--params FILE] [--format F] --hits TEST DIR\n"
     "  tallyscan-cli jet [--params FILE] [--format F] --digit-lines TEST POPULATION DIGIT DIR\n"
     "  tallyscan-cli jet [--params FILE] --print-params",
     "Imports the data folder and runs the journal-entry tests in one reading of the data\n"
     "file: one row per test (id, caption, state, hits, the figure that matters), the\n"
     "population first; --format json prints the whole result as one document.\n"
     "With --fail-on-findings it exits 3 when the population does not reconcile (it does\n"
     "not when no movement was read), a test other than high-value, period-end and\n"
     "relative-size has hits, or the reading found an error; Ctrl-C exits 130 with no\n"
     "result.\n",
     kJetOptions, kThreadsOption | kOutputOptions, RunJet},
    {"compare",
     "compare [--params FILE] [--part PART] [--other-company] [--annualise] [--format F]\n"
     "                       [--fail-on-findings] [--threads N] PRIOR CURRENT\n"
     "  tallyscan-cli compare [--params FILE] --print-params",
     "Imports two data folders of one business, last year's and this year's, and compares\n"
     "them: the identity of the two (dealer numbers, periods, how they meet), this year's\n"
     "opening balances against last year's closing, the analytical review of the movements\n"
     "per account, trial-balance code and classification group, the accounts that came,\n"
     "went or changed, and the new counterparties. Each part begins with a heading row that\n"
     "names it, its state and why; --format json prints every part as one document.\n"
     "Two different dealer numbers are refused (exit 1) unless --other-company is given.\n"
     "With --fail-on-findings it exits 3 when an opening is an error, no account took last\n"
     "year's result, a review row is flagged or a new counterparty is listed, or a reading\n"
     "found an error; Ctrl-C exits 130 with no result.\n",
     kCompareOptions, kThreadsOption | kOutputOptions, RunCompare},
    {"fields", "fields [--record TYPE] [--format F] [--fail-on-findings] [--threads N] DIR",
     "Imports the data folder and prints the statistics of every amount, quantity, decimal,\n"
     "digits and date field of every record type in one reading of the data file: lines,\n"
     "blanks, invalid values, zeros, positive and negative values and their totals, net and\n"
     "absolute totals, the smallest and largest value with its first line; for a date the\n"
     "earliest and latest, the dates before and after the period and a row per month of it;\n"
     "for B100 the amounts (1368) by side. A field with invalid values is an error row;\n"
     "--format json prints the statistics as one document.\n",
     kFieldsOptions, kThreadsOption | kOutputOptions, RunFields},
    {"summary",
     "summary documents|records [--format F] [--fail-on-findings] [--threads N] DIR",
     "Imports the data folder and prints one of the producer's summaries:\n"
     "  documents            per document type: name, documents, cancelled, total of 1223\n"
     "                       (including VAT) and of 1222 (VAT), the lowest and highest\n"
     "                       number; then the totals\n"
     "  records              per record type: the lines in the data file, the count INI.TXT\n"
     "                       states and the difference; a difference is an error row\n",
     {},
     kThreadsOption | kOutputOptions,
     RunSummary},
    {"detail",
     "detail [--format F] [--fail-on-findings] FILE LINE_NUMBER",
     "Prints one line of a BKMVDATA.TXT or INI.TXT field by field: status, code, caption,\n"
     "value, meaning. Line 1 of INI.TXT shows the whole header.\n",
     {},
     kOutputOptions,
     RunDetail},
    {"isam",
     "isam dump FILE",
     "Prints an index file of the bookkeeping product (headers, nodes, entries in key\n"
     "order, free list) and checks its layout; exits 1 when it finds a problem.\n",
     {},
     kOwnOptionsOnly,
     RunIsam},
    {"companies", "companies [--root DIR]",
     "Lists the companies store, one saved set per line: name, year and folder separated\n"
     "by TABs.\n",
     kCompaniesOptions, kOwnOptionsOnly, RunCompanies},
    {"view",
     "view index [--format F] [--sort FIELD] DIR\n"
     "  tallyscan-cli view ledger [--format F] --from KEY [--to KEY] DIR\n"
     "  tallyscan-cli view documents [--format F] --type T|all [--number N] DIR\n"
     "  tallyscan-cli view items [--format F] [--sort FIELD] DIR",
     "Imports the data folder and prints a browser's grid, one line per row.\n"
     "  index                the accounts index: fields 1-19 of every account, then the\n"
     "                       totals row\n"
     "  ledger               the ledger cards from the account KEY to the account --to KEY\n"
     "                       (the one account without --to), keys compared trimmed: for each\n"
     "                       card a title line, its rows (fields 1-26) and its totals row\n"
     "  documents            the documents of type T (e.g. 305) in their order, or the one\n"
     "                       numbered N; --type all: every type's, in the order of the\n"
     "                       type selector. For each its description, the header's items\n"
     "                       (label TAB value), the lines with their total row, the receipt\n"
     "                       lines, then an empty line; exits 1 when none is found\n"
     "  items                the item catalogue, fields 1-14 of every item\n",
     kViewOptions, kThreadsOption | kOutputOptions, RunView},
    {"report",
     "report index|ledger|document|items|checks|import|jet|fields|summary-documents|\n"
     "                       summary-records|portfolio --format xls|htm|xlsx|pdf --out FILE|-\n"
     "                       [--sort FIELD] [--from KEY [--to KEY]] [--type T [--number N]]\n"
     "                       [--items LIST] [--params FILE] [--threads N] DIR\n"
     "       tallyscan-cli report compare --format xls|htm|xlsx|pdf --out FILE|-\n"
     "                       [--params FILE] [--threads N] PRIOR CURRENT",
     "Imports the data folder and writes a report as a file, with the browsers' default\n"
     "columns:\n"
     "  index                the accounts index and its totals (--sort as for view index)\n"
     "  ledger               the ledger cards --from KEY --to KEY, each with its totals\n"
     "  document             the document of type T numbered N, or the type's first, as it\n"
     "                       is printed\n"
     "  items                the item catalogue (--sort as for view items)\n"
     "  checks               the findings of the integrity checks (--items as for check)\n"
     "  import               the import log\n"
     "  jet                  the evidence report of the journal-entry tests (--params as for\n"
     "                       jet): the files read with their SHA-256, the period, the run's\n"
     "                       date, the parameters, the gate, every test with its first\n"
     "                       report_hits hits, the digit tables and the ranking\n"
     "  fields               the field statistics (the rows of the fields command)\n"
     "  summary-documents    the documents by type (the rows of summary documents)\n"
     "  summary-records      the record counts (the rows of summary records)\n"
     "  portfolio            DIR is a batch's RESULTS: the run, the clients worst first and\n"
     "                       those not analysed with their reasons; in xlsx the summary's\n"
     "                       sheets and a chart of the clients by band\n"
     "  compare              PRIOR and CURRENT are two periods' data folders: a cover with\n"
     "                       the two periods, the parameters and the openings'\n"
     "                       reconciliation, then every table of the compare command\n"
     "                       (errors and flagged rows marked) and the ten largest changes by\n"
     "                       classification group as a chart; in xlsx a sheet per table\n"
     "The print date is today's, or the day SOURCE_DATE_EPOCH names (UTC). A range, type or\n"
     "number that finds nothing prints the page's message and exits 1, writing no file.\n",
     kReportOptions, kThreadsOption, RunReport},
    {"transfer",
     "transfer --to DIR [--accounts] [--movements] [--documents] [--items]\n"
     "                       [--opening-balances] [--renumber BASIS:FROM:TO:OP:AMOUNT:START:STEP]"
     " [--threads N] DATADIR\n"
     "       tallyscan-cli transfer dump FILE",
     "Imports the data folder and writes it into the bookkeeping product's files in DIR\n"
     "(all steps unless some are named), printing each step and the records written per\n"
     "file; exits 1 when a step was refused or the account numbers were rejected. Nothing\n"
     "reaches DIR unless the whole transfer completes.\n"
     "transfer dump prints any file the transfer writes, record by record.\n",
     kTransferOptions, kThreadsOption, RunTransfer},
    {"batch",
     "batch [--list FILE] [--depth D] [--analyses LIST] [--params FILE] [--jobs J]\n"
     "                       [--memory SIZE] [--timeout SECONDS] [--rerun "
     "changed|failed|all|none]\n"
     "                       [--verify stat|sha256] [--progress text|jsonl] [--no-summary]\n"
     "                       [--fail-on-findings] --out RESULTS [INPUT]\n"
     "  tallyscan-cli batch --one FOLDER --out CLIENT_RESULTS [--analyses LIST] [--params FILE]\n"
     "  tallyscan-cli batch plan --shards N --out PLAN INPUT|--list FILE\n"
     "  tallyscan-cli batch merge RESULTS",
     "Analyses many clients' data folders, each in a process of its own, and keeps each\n"
     "client's results in RESULTS/clients/ID/: import.json, check.json, jet.json and\n"
     "fields.json (what each command prints with --format json), stdout.txt, stderr.txt\n"
     "and manifest.json (the files read, the analyses, the status and its reason). A\n"
     "client's status comes from its results: failed, timed out, changed during run, not\n"
     "analysed, findings or ok. A client that fails never stops the batch; a run started\n"
     "again analyses only what changed. Ctrl-C ends the children and exits 130.\n"
     "batch plan deals the clients to N lists of about equal data (PLAN/shard-000.txt ...,\n"
     "and PLAN/clients.txt with all), each for --list on a machine of its own.\n",
     kBatchOptions, kThreadsOption, RunBatch},
};

// The options a command takes, its own first.
std::vector<CommandOption> OptionsOf(const Command& command) {
  std::vector<CommandOption> options(command.options.begin(), command.options.end());
  if (command.shares & kThreadsOption)
    options.insert(options.end(), std::begin(kThreads), std::end(kThreads));
  if (command.shares & kOutputOptions)
    options.insert(options.end(), std::begin(kOutput), std::end(kOutput));
  return options;
}

constexpr std::string_view kExitCodes =
    "exit codes:\n"
    "  0    completed (errors found in the data are rows of the output)\n"
    "  1    a file check failed, the input could not be read, or what was asked for\n"
    "       was not found or was refused\n"
    "  2    usage error\n"
    "  3    completed with findings, when --fail-on-findings is given\n"
    "  4    batch: completed, but some clients failed, timed out, changed during the\n"
    "       run or were not analysed\n"
    "  130  interrupted by Ctrl-C; what was done so far is printed\n";

void PrintUsage(std::ostream& out) {
  out << "usage: tallyscan-cli COMMAND ...\n"
         "       tallyscan-cli COMMAND --help\n"
         "       tallyscan-cli --version\n\ncommands:\n";
  for (const Command& c : kCommands) out << "  tallyscan-cli " << c.usage << "\n";
  out << "\noutput options of import, check, detail, view, jet, compare, fields and summary:\n";
  PrintOptions(out, kOutput);
  out << "\n" << kExitCodes;
}

void PrintHelp(const Command& command) {
  std::cout << "usage: tallyscan-cli " << command.usage << "\n\n" << command.help;
  const std::vector<CommandOption> options = OptionsOf(command);
  if (!options.empty()) {
    std::cout << "options:\n";
    PrintOptions(std::cout, options);
  }
  std::cout << "\n" << kExitCodes;
}

const Command* FindCommand(std::string_view name) {
  for (const Command& c : kCommands) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace

int UsageError(std::string_view command, std::string_view problem) {
  std::cerr << command << ": " << problem << "\n";
  if (const Command* c = FindCommand(command)) {
    std::cerr << "usage: tallyscan-cli " << c->usage << "\n";
  }
  return kExitUsage;
}

}  // namespace tallyscan::cli

namespace {

int Run(std::span<char* const> args) {
  using namespace tallyscan::cli;
  if (args.empty()) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  const std::string_view name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return kExitCompleted;
  }
  if (name == "--version") {
    std::cout << "tallyscan-cli " << tallyscan::ProgramVersion() << "\n";
    return kExitCompleted;
  }
  const Command* command = FindCommand(name);
  if (command == nullptr) {
    std::cerr << "tallyscan-cli: unknown command " << name;
    std::vector<std::string_view> names;
    for (const Command& c : kCommands) names.push_back(c.name);
    const std::string_view nearest = NearestName(names, name);
    if (!nearest.empty()) std::cerr << " (did you mean " << nearest << "?)";
    std::cerr << "\n";
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  for (const std::string_view arg : args.subspan(1)) {
    if (arg == "--help" || arg == "-h") {
      PrintHelp(*command);
      return kExitCompleted;
    }
  }
  const std::string unknown = UnknownOptionIn(OptionsOf(*command), args.subspan(1));
  if (!unknown.empty()) return UsageError(command->name, unknown);
  return command->run(args.subspan(1));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tallyscan::cli;
  // Blocks of a megabyte and more (a batch of ledger lines, the scratch of a pass) go back to
  // the system when freed. Left to itself the allocator raises that bound after each such
  // block and keeps the next ones in its heap, where two batches read one after the other
  // leave their pages taken for good.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  TakeStandardOutput();
  std::span<char* const> args(argv + 1, argv + argc);
#ifdef TALLYSCAN_INTERRUPT_PROBE
  if (args.size() >= 2 && std::string_view(args[0]) == "--interrupt-in") {
    SetInterruptProbe(args[1]);
    args = args.subspan(2);
  }
#endif
  // A failure thrown out of a command still unwinds it, so that the temporary file of a report
  // it was writing is removed on the way out.
  int code = kExitFailed;
  try {
    code = Run(args);
  } catch (const std::exception& e) {
    std::cerr << "tallyscan-cli: " << e.what() << "\n";
  }
  return FinishStandardOutput(code);
}
