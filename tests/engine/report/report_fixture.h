#pragma once

// What the report tests share: a header, a stream over chosen targets, and the cells of a line.

#include <string>
#include <vector>

#include "engine/common/progress.h"
#include "engine/report/report.h"

namespace tallyscan::testing {

inline ReportHeader TestHeader() {
  ReportHeader header;
  header.company = "מאפיית הגליל <בע\"מ>";
  header.second_line = "רחוב הרצל 1 חיפה";
  header.dealer_number = "123456782";
  header.fiscal_year = 2024;
  header.print_date = {2025, 1, 15};
  return header;
}

// A monitor that asks to stop once `lines` lines have been let through.
class StopAfter final : public ProgressMonitor {
 public:
  explicit StopAfter(int lines) : lines_(lines) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return asked_++ >= lines_; }

 private:
  int lines_;
  int asked_ = 0;
};

inline ReportColumn Col(int width, std::string caption, int type = kTextColumn) {
  return {std::move(caption), width, type};
}

}  // namespace tallyscan::testing
