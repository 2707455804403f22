#include "engine/uniform/validation.h"

#include <initializer_list>

#include "engine/uniform/field_tests.h"
#include "engine/uniform/import_rows.h"

namespace tallyscan {

namespace {

// Above this format version the validators run their later steps.
constexpr std::int64_t kGatedVersion = 13000;

// An inclusive run of 1-based positions.
struct Run {
  int first;
  int last;
};

std::string_view Slice(std::string_view line, Run run) {
  return SliceField(line, run.first, run.last - run.first + 1);
}

// One step of a validator: every run checked the same way, in order.
class LineChecker {
 public:
  LineChecker(std::string_view line, std::int64_t line_number, ErrorRows& errors)
      : line_(line), line_number_(line_number), errors_(errors) {}

  bool failed() const { return failed_; }

  LineChecker& Numeric(std::initializer_list<Run> runs) {
    for (const Run run : runs) {
      if (!failed_) failed_ = ReportNonNumeric(Slice(line_, run), line_number_, errors_);
    }
    return *this;
  }
  LineChecker& Sign(std::initializer_list<int> positions) {
    for (const int position : positions) {
      if (!failed_) {
        failed_ = ReportBadSign(SliceField(line_, position, 1), line_number_, errors_);
      }
    }
    return *this;
  }
  LineChecker& Date(std::initializer_list<int> starts) {
    for (const int start : starts) {
      if (!failed_) failed_ = ReportBadDate(SliceField(line_, start, 8), line_number_, errors_);
    }
    return *this;
  }

 private:
  std::string_view line_;
  std::int64_t line_number_;
  ErrorRows& errors_;
  bool failed_ = false;
};

bool ValidateC100(LineChecker& c) {
  c.Numeric({{5, 25}})
      .Numeric({{253, 261}})
      .Numeric({{271, 284}, {289, 302}, {304, 317}, {319, 332}, {334, 347}, {349, 362}, {364, 374}})
      .Sign({270, 288, 303, 318, 333, 348, 363})
      .Date({46, 262, 401});
  return c.failed();
}

bool ValidateD110(LineChecker& c, bool gated) {
  c.Numeric({{5, 25}})
      .Numeric({{46, 52}})
      .Numeric({{225, 240}, {242, 255}, {257, 270}, {272, 285}})
      .Numeric({{286, 289}})
      .Sign({224, 241, 256, 271});
  if (gated) c.Date({297});
  return c.failed();
}

bool ValidateD120(LineChecker& c, bool gated) {
  c.Numeric({{5, 25}}).Numeric({{46, 95}}).Numeric({{105, 118}}).Sign({104}).Date({96});
  if (gated) c.Date({148});
  return c.failed();
}

bool ValidateB100(LineChecker& c, bool gated) {
  c.Numeric({{5, 45}})
      .Numeric({{203, 203}})
      .Numeric({{208, 221}, {223, 236}, {238, 248}})
      .Sign({207, 222, 237})
      .Date({157, 165});
  if (gated) c.Date({276});
  return c.failed();
}

bool ValidateB110(LineChecker& c, bool gated) {
  c.Numeric({{5, 22}}).Numeric({{323, 335}}).Numeric({{279, 292}, {309, 322}}).Sign({278, 308});
  if (gated) c.Numeric({{344, 357}}).Sign({343});
  return c.failed();
}

bool ValidateM100(LineChecker& c, bool gated) {
  c.Numeric({{5, 22}}).Numeric({{194, 204}, {206, 216}, {218, 228}}).Sign({193, 205, 217});
  if (gated) c.Numeric({{229, 248}});
  return c.failed();
}

}  // namespace

bool ReportNonNumeric(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  if (IsAllDigits(value)) return false;
  errors.push_back(ValidationErrorRow(kNonNumericFieldText, line_number));
  return true;
}

bool ReportBadSign(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  if (value == "+" || value == "-") return false;
  errors.push_back(ValidationErrorRow(kBadSignText, line_number));
  return true;
}

bool ReportBadDate(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  if (ReportNonNumeric(value, line_number, errors)) return true;
  if (IsPlausibleDate(value)) return false;
  errors.push_back(ValidationErrorRow(BadDateText(value), line_number));
  return true;
}

bool ValidateLine(RecordType type, std::string_view line, std::int64_t format_version,
                  std::int64_t line_number, ErrorRows& errors) {
  LineChecker checker(line, line_number, errors);
  const bool gated = format_version > kGatedVersion;
  switch (type) {
    case RecordType::kC100:
      return ValidateC100(checker);
    case RecordType::kD110:
      return ValidateD110(checker, gated);
    case RecordType::kD120:
      return ValidateD120(checker, gated);
    case RecordType::kB100:
      return ValidateB100(checker, gated);
    case RecordType::kB110:
      return ValidateB110(checker, gated);
    case RecordType::kM100:
      return ValidateM100(checker, gated);
    default:
      return false;
  }
}

}  // namespace tallyscan
