// tallyscan-cli batch: reads the command line of a portfolio's run and calls the part it
// names: the run itself, one client's child (--one), the plan of shards, or the merge.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/batch.h"
#include "cli/batch_merge.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "engine/portfolio/portfolio.h"
#include "engine/text/text.h"

namespace tallyscan::cli {
namespace {

constexpr std::string_view kAnalysisOrder[] = {"import", "check", "jet", "fields"};

// A whole number from `low` to `high` in digits; nullopt for anything else.
std::optional<int> WholeNumber(std::string_view text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

// The analyses named, in the order they run; nullopt for an unknown or empty name.
std::optional<std::vector<std::string>> ReadAnalyses(std::string_view text) {
  const auto items = CommaListItems(text);
  if (!items) return std::nullopt;
  std::vector<std::string> analyses;
  for (const std::string_view item : *items) {
    if (std::find(std::begin(kAnalysisOrder), std::end(kAnalysisOrder), item) ==
        std::end(kAnalysisOrder)) {
      return std::nullopt;
    }
  }
  for (const std::string_view name : kAnalysisOrder) {
    if (name == "import" || std::find(items->begin(), items->end(), name) != items->end()) {
      analyses.emplace_back(name);
    }
  }
  return analyses;
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), value) != words.end();
}

}  // namespace

int RunBatch(std::span<char* const> args) {
  std::string_view part;
  if (!args.empty() &&
      (std::string_view(args[0]) == "plan" || std::string_view(args[0]) == "merge")) {
    part = args[0];
    args = args.subspan(1);
  }
  BatchOptions o;
  std::optional<int> shards;
  bool out_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool has_value = i + 1 < args.size();
    const std::string_view value = has_value ? std::string_view(args[i + 1]) : std::string_view();
    auto bad = [&](std::string_view problem) { return UsageError("batch", problem); };
    if (a == "--threads") {
      if (ReadThreadsOption(args, i, o.threads) != OptionRead::kTaken) return bad(kThreadsMistake);
      continue;
    }
    if (a.starts_with("--") && a != "--no-summary" && a != "--fail-on-findings" && !has_value) {
      return bad(std::string(a) + " takes a value");
    }
    if (a == "--list") {
      o.list = value;
    } else if (a == "--depth") {
      const auto d = WholeNumber(value, 1, 64);
      if (!d) return bad("--depth takes a whole number from 1 to 64");
      o.depth = *d;
    } else if (a == "--analyses") {
      const auto list = ReadAnalyses(value);
      if (!list) return bad("--analyses takes import, check, jet and fields, separated by commas");
      o.analyses = *list;
    } else if (a == "--params") {
      o.params = value;
    } else if (a == "--jobs") {
      const auto j = WholeNumber(value, 1, 1024);
      if (!j) return bad("--jobs takes a whole number from 1 to 1024");
      o.jobs = *j;
    } else if (a == "--memory" || a == "--child-memory") {
      const std::int64_t bytes = portfolio::ReadByteSize(std::string(value));
      if (bytes <= 0) return bad(std::string(a) + " takes a size: a number with K, M or G");
      (a == "--memory" ? o.memory : o.child_memory) = bytes;
    } else if (a == "--timeout") {
      const auto t = WholeNumber(value, 1, 1000000);
      if (!t) return bad("--timeout takes a whole number of seconds from 1 to 1000000");
      o.timeout_seconds = *t;
    } else if (a == "--rerun") {
      if (!OneOf(value, {"changed", "failed", "all", "none"}))
        return bad("--rerun takes changed, failed, all or none");
      o.rerun = value;
    } else if (a == "--verify") {
      if (!OneOf(value, {"stat", "sha256"})) return bad("--verify takes stat or sha256");
      o.verify = value;
    } else if (a == "--progress") {
      if (!OneOf(value, {"text", "jsonl"})) return bad("--progress takes text or jsonl");
      o.progress = value;
    } else if (a == "--no-summary") {
      o.summary = false;
      continue;
    } else if (a == "--fail-on-findings") {
      o.fail_on_findings = true;
      continue;
    } else if (a == "--out") {
      o.out = value;
      out_given = !o.out.empty();
    } else if (a == "--child") {
      o.child_program = value;
    } else if (a == "--one") {
      o.one = value;
    } else if (a == "--client") {
      o.client = value;
    } else if (a == "--label") {
      o.label = value;
    } else if (a == "--shards") {
      shards = WholeNumber(value, 1, 100000);
      if (!shards) return bad("--shards takes a whole number from 1 to 100000");
    } else if (!a.starts_with("--") && !o.input) {
      o.input = std::string(a);
      continue;
    } else {
      return bad("unexpected argument " + std::string(a));
    }
    ++i;
  }
  if (part == "merge") {
    if (!o.input || out_given) return UsageError("batch", "batch merge takes RESULTS alone");
    return RunBatchMerge(*o.input);
  }
  if (!out_given) return UsageError("batch", "--out is missing");
  if (part == "plan") {
    if (!shards) return UsageError("batch", "batch plan takes --shards N");
    if (o.input.has_value() == o.list.has_value())
      return UsageError("batch", "batch plan takes INPUT or --list FILE");
    return RunBatchPlan(o, *shards);
  }
  if (shards) return UsageError("batch", "--shards belongs to batch plan");
  if (o.one) {
    if (o.input || o.list) return UsageError("batch", "--one takes no INPUT and no --list");
    return RunBatchChild(o);
  }
  if (o.input.has_value() == o.list.has_value())
    return UsageError("batch", "batch takes INPUT or --list FILE");
  return RunBatchParent(o);
}

}  // namespace tallyscan::cli
