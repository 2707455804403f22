#include "engine/uniform/validation.h"

#include <initializer_list>

#include "engine/uniform/field_tests.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/import_rows.h"

namespace tallyscan {

namespace {

// Above this format version the validators run their later steps.
constexpr std::int64_t kGatedVersion = 13000;

using namespace field;

bool NonNumericFault(std::string_view value, std::string& fault) {
  if (IsAllDigits(value)) return false;
  fault = kNonNumericFieldText;
  return true;
}

bool BadSignFault(std::string_view value, std::string& fault) {
  if (value == "+" || value == "-") return false;
  fault = kBadSignText;
  return true;
}

bool BadDateFault(std::string_view value, std::string& fault) {
  if (NonNumericFault(value, fault)) return true;
  if (IsPlausibleDate(value)) return false;
  fault = BadDateText(value);
  return true;
}

// One step of a validator: every run of positions checked the same way, in order. The
// positions are the layout's, named where they are given (compile-time constants). The
// first failing field leaves its fault's text; the steps after it do nothing.
class LineChecker {
 public:
  explicit LineChecker(std::string_view line) : line_(line) {}

  bool failed() const { return failed_; }
  std::string& fault() { return fault_; }

  LineChecker& Numeric(std::initializer_list<Positions> runs) {
    for (const Positions run : runs) {
      if (!failed_) failed_ = NonNumericFault(SliceField(line_, run), fault_);
    }
    return *this;
  }
  LineChecker& Sign(std::initializer_list<Positions> signs) {
    for (const Positions sign : signs) {
      if (!failed_) failed_ = BadSignFault(SliceField(line_, sign), fault_);
    }
    return *this;
  }
  LineChecker& Date(std::initializer_list<Positions> dates) {
    for (const Positions date : dates) {
      if (!failed_) failed_ = BadDateFault(SliceField(line_, date), fault_);
    }
    return *this;
  }

 private:
  std::string_view line_;
  std::string fault_;
  bool failed_ = false;
};

bool ValidateC100(LineChecker& c) {
  c.Numeric({Run(C100(1201), C100(1203))})
      .Numeric({C100(1215)})
      .Numeric({DigitsOf(C100(1217)), DigitsOf(C100(1219)), DigitsOf(C100(1220)),
                DigitsOf(C100(1221)), DigitsOf(C100(1222)), DigitsOf(C100(1223)),
                DigitsOf(C100(1224))})
      .Sign({SignOf(C100(1217)), SignOf(C100(1219)), SignOf(C100(1220)), SignOf(C100(1221)),
             SignOf(C100(1222)), SignOf(C100(1223)), SignOf(C100(1224))})
      .Date({C100(1205), C100(1216), C100(1230)});
  return c.failed();
}

bool ValidateD110(LineChecker& c, bool gated) {
  c.Numeric({Run(D110(1251), D110(1253))})
      .Numeric({Run(D110(1255), D110(1256))})
      .Numeric(
          {DigitsOf(D110(1264)), DigitsOf(D110(1265)), DigitsOf(D110(1266)), DigitsOf(D110(1267))})
      .Numeric({D110(1268)})
      .Sign({SignOf(D110(1264)), SignOf(D110(1265)), SignOf(D110(1266)), SignOf(D110(1267))});
  if (gated) c.Date({D110(1272)});
  return c.failed();
}

bool ValidateD120(LineChecker& c, bool gated) {
  c.Numeric({Run(D120(1301), D120(1303))})
      .Numeric({Run(D120(1305), D120(1310))})
      .Numeric({DigitsOf(D120(1312))})
      .Sign({SignOf(D120(1312))})
      .Date({D120(1311)});
  if (gated) c.Date({D120(1322)});
  return c.failed();
}

bool ValidateB100(LineChecker& c, bool gated) {
  c.Numeric({Run(B100(1351), B100(1355))})
      .Numeric({B100(1366)})
      .Numeric({DigitsOf(B100(1368)), DigitsOf(B100(1369)), DigitsOf(B100(1370))})
      .Sign({SignOf(B100(1368)), SignOf(B100(1369)), SignOf(B100(1370))})
      .Date({B100(1362), B100(1363)});
  if (gated) c.Date({B100(1375)});
  return c.failed();
}

bool ValidateB110(LineChecker& c, bool gated) {
  c.Numeric({Run(B110(1401), B110(1402))})
      .Numeric({Run(B110(1417), B110(1419))})
      .Numeric({DigitsOf(B110(1414)), DigitsOf(B110(1416))})
      .Sign({SignOf(B110(1414)), SignOf(B110(1416))});
  if (gated) c.Numeric({DigitsOf(B110(1422))}).Sign({SignOf(B110(1422))});
  return c.failed();
}

bool ValidateM100(LineChecker& c, bool gated) {
  c.Numeric({Run(M100(1451), M100(1452))})
      .Numeric({DigitsOf(M100(1460)), DigitsOf(M100(1461)), DigitsOf(M100(1462))})
      .Sign({SignOf(M100(1460)), SignOf(M100(1461)), SignOf(M100(1462))});
  if (gated) c.Numeric({Run(M100(1463), M100(1464))});
  return c.failed();
}

}  // namespace

bool ReportNonNumeric(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  std::string fault;
  if (!NonNumericFault(value, fault)) return false;
  errors.push_back(ValidationErrorRow(fault, line_number));
  return true;
}

bool ReportBadSign(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  std::string fault;
  if (!BadSignFault(value, fault)) return false;
  errors.push_back(ValidationErrorRow(fault, line_number));
  return true;
}

bool ReportBadDate(std::string_view value, std::int64_t line_number, ErrorRows& errors) {
  std::string fault;
  if (!BadDateFault(value, fault)) return false;
  errors.push_back(ValidationErrorRow(fault, line_number));
  return true;
}

bool FindLineFault(RecordType type, std::string_view line, std::int64_t format_version,
                   std::string& fault) {
  LineChecker checker(line);
  const bool gated = format_version > kGatedVersion;
  bool failed = false;
  switch (type) {
    case RecordType::kC100:
      failed = ValidateC100(checker);
      break;
    case RecordType::kD110:
      failed = ValidateD110(checker, gated);
      break;
    case RecordType::kD120:
      failed = ValidateD120(checker, gated);
      break;
    case RecordType::kB100:
      failed = ValidateB100(checker, gated);
      break;
    case RecordType::kB110:
      failed = ValidateB110(checker, gated);
      break;
    case RecordType::kM100:
      failed = ValidateM100(checker, gated);
      break;
    default:
      break;
  }
  if (failed) fault = std::move(checker.fault());
  return failed;
}

bool ValidateLine(RecordType type, std::string_view line, std::int64_t format_version,
                  std::int64_t line_number, ErrorRows& errors) {
  std::string fault;
  if (!FindLineFault(type, line, format_version, fault)) return false;
  errors.push_back(ValidationErrorRow(fault, line_number));
  return true;
}

}  // namespace tallyscan
