#include "cli/batch_merge.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/exit_codes.h"
#include "engine/portfolio/portfolio.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

int RunBatchMerge(const std::string& results) {
  std::error_code error;
  if (!std::filesystem::is_directory(results, error)) {
    std::cerr << "batch merge: " << SafeCellText(results) << ": אין תיקיית תוצאות בשם זה\n";
    return kExitFailed;
  }
  portfolio::SummaryInputs inputs;
  if (const Status read = portfolio::ReadSummaryInputs(results, inputs); !read.ok()) {
    std::cerr << "batch merge: " << read.message() << "\n";
    return kExitFailed;
  }
  if (const Status written = portfolio::WriteSummary(results, inputs); !written.ok()) {
    std::cerr << "batch merge: " << written.message() << "\n";
    return kExitFailed;
  }
  return kExitCompleted;
}

}  // namespace tallyscan::cli
