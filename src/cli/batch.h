#pragma once

// The parts of tallyscan-cli batch: the parent that runs a portfolio's clients, the child that
// analyses one of them, and the plan that shares clients among machines. batch_command.cpp
// reads the command line and calls one of them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/portfolio/portfolio.h"

namespace tallyscan::cli {

struct BatchOptions {
  std::optional<std::string> list;   // --list FILE
  std::optional<std::string> input;  // INPUT
  int depth = 2;
  std::vector<std::string> analyses = {"import", "check", "jet"};  // import always, in order
  std::optional<std::string> params;
  int jobs = 0;             // 0: one per core
  std::int64_t memory = 0;  // bytes; 0: half of the available memory
  int timeout_seconds = 600;
  std::string rerun = "changed";  // changed, failed, all, none
  std::string verify = "stat";    // stat, sha256
  std::string progress = "text";  // text, jsonl
  bool summary = true;
  bool fail_on_findings = false;
  std::string out;                                    // RESULTS
  std::optional<std::string> child_program;           // --child PROGRAM
  std::int64_t child_memory = std::int64_t{8} << 30;  // --child-memory
  // The child's own: --one FOLDER, and what the parent tells it.
  std::optional<std::string> one;
  std::string client;  // --client ID
  std::string label;   // --label TEXT
  int threads = 0;     // --threads N
};

// batch --one: analyses one folder into OUT.partial/, renamed to OUT when done. Exit 0 once
// the results are in place, whatever their status; 1 when they could not be written.
int RunBatchChild(const BatchOptions& options);

// The clients of --list, or those found under INPUT; false, the message on standard error,
// when they cannot be read.
bool ClientsOfBatch(const BatchOptions& options, std::vector<portfolio::Client>& clients);

// batch: every client in its own child, the results under options.out.
int RunBatchParent(const BatchOptions& options);

// batch plan: the clients dealt to `shards` lists in PLAN.
int RunBatchPlan(const BatchOptions& options, int shards);

}  // namespace tallyscan::cli
