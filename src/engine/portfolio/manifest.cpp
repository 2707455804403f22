#include "engine/portfolio/manifest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "engine/report/report_writers.h"

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::ordered_json;

struct StatusName {
  ClientStatus status;
  std::string_view word;     // the files' and the command line's
  std::string_view caption;  // the window's and the reports'
};
constexpr std::array<StatusName, 6> kStatusWords = {{
    {ClientStatus::kFailed, "failed", "נכשל"},
    {ClientStatus::kTimedOut, "timed out", "חרג מהזמן"},
    {ClientStatus::kChangedDuringRun, "changed during run", "השתנה בזמן הקריאה"},
    {ClientStatus::kNotAnalysed, "not analysed", "לא נותח"},
    {ClientStatus::kFindings, "findings", "ממצאים"},
    {ClientStatus::kOk, "ok", "תקין"},
}};
static_assert([] {
  for (std::size_t i = 0; i < kStatusWords.size(); ++i) {
    if (static_cast<std::size_t>(kStatusWords[i].status) != i) return false;
  }
  return true;
}());

// The manifest's keys, in the order the document holds them.
namespace key {
constexpr const char* kClient = "client";
constexpr const char* kLabel = "label";
constexpr const char* kInputs = "inputs";
constexpr const char* kAnalysisVersion = "analysis_version";
constexpr const char* kParametersSha256 = "parameters_sha256";
constexpr const char* kAnalyses = "analyses";
constexpr const char* kStatus = "status";
constexpr const char* kReason = "reason";
constexpr const char* kExitCode = "exit_code";
constexpr const char* kSignal = "signal";
constexpr const char* kStarted = "started";
constexpr const char* kSeconds = "seconds";
constexpr const char* kPeakRssKb = "peak_rss_kb";
// Of each input.
constexpr const char* kName = "name";
constexpr const char* kBytes = "bytes";
constexpr const char* kSha256 = "sha256";
constexpr const char* kSize = "size";
constexpr const char* kMtimeNs = "mtime_ns";
constexpr const char* kDev = "dev";
constexpr const char* kIno = "ino";
}  // namespace key

constexpr std::uintmax_t kManifestFileLimit = 1 << 20;

template <typename T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

bool IsDigest(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// "YYYY-MM-DDTHH:MM:SSZ" with each field in its range.
bool IsTimestamp(std::string_view text) {
  constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != kForm.size()) return false;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return false;
  }
  const auto two = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  return two(5) >= 1 && two(5) <= 12 && two(8) >= 1 && two(8) <= 31 && two(11) <= 23 &&
         two(14) <= 59 && two(17) <= 60;
}

// Takes the typed members of one JSON object, remembering the first thing wrong.
class Fields {
 public:
  Fields(const Json& object, std::string where) : object_(object), where_(std::move(where)) {}

  const std::string& error() const { return error_; }

  const Json* Take(const char* name) {
    if (!error_.empty()) return nullptr;
    const auto found = object_.find(name);
    if (found == object_.end()) {
      Fail(name, "חסר");
      return nullptr;
    }
    return &*found;
  }

  void Text(const char* name, std::string& out) {
    if (const Json* value = Take(name)) {
      if (value->is_string()) {
        out = value->get<std::string>();
      } else {
        Fail(name, "אינו מחרוזת");
      }
    }
  }

  void Digest(const char* name, std::optional<std::string>& out) {
    if (const Json* value = Take(name)) {
      if (value->is_null()) {
        out.reset();
      } else if (value->is_string() && IsDigest(value->get_ref<const std::string&>())) {
        out = value->get<std::string>();
      } else {
        Fail(name, "אינו תקציר SHA-256 (64 ספרות הקסדצימליות) או null");
      }
    }
  }

  template <typename T>
  void Integer(const char* name, T& out) {
    if (const Json* value = Take(name)) {
      if (!IntegerValue(*value, out)) Fail(name, "אינו מספר שלם בתחום");
    }
  }

  template <typename T>
  void OptionalInteger(const char* name, std::optional<T>& out) {
    if (const Json* value = Take(name)) {
      T number{};
      if (value->is_null()) {
        out.reset();
      } else if (IntegerValue(*value, number)) {
        out = number;
      } else {
        Fail(name, "אינו מספר שלם בתחום או null");
      }
    }
  }

  void Fail(const char* name, std::string_view what) {
    if (error_.empty()) error_ = where_ + "המפתח \"" + name + "\" " + std::string(what);
  }

 private:
  template <typename T>
  static bool IntegerValue(const Json& value, T& out) {
    if (value.is_number_unsigned()) {
      const auto number = value.get<std::uint64_t>();
      if (number > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) return false;
      out = static_cast<T>(number);
      return true;
    }
    if (value.is_number_integer()) {
      const auto number = value.get<std::int64_t>();
      if constexpr (std::is_unsigned_v<T>) {
        return false;  // a negative number: unsigned ones parse as unsigned
      } else {
        if (number < std::numeric_limits<T>::min() || number > std::numeric_limits<T>::max()) {
          return false;
        }
        out = static_cast<T>(number);
        return true;
      }
    }
    return false;
  }

  const Json& object_;
  std::string where_;
  std::string error_;
};

std::string ReadInputs(const Json& list, std::vector<ManifestInput>& out) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string where = "בקובץ הקלט ה-" + std::to_string(i + 1) + ": ";
    if (!list[i].is_object()) return where + "הרשומה אינה אובייקט";
    Fields fields(list[i], where);
    ManifestInput input;
    fields.Text(key::kName, input.name);
    fields.Integer(key::kBytes, input.bytes);
    fields.Digest(key::kSha256, input.sha256);
    fields.Integer(key::kSize, input.size);
    fields.Integer(key::kMtimeNs, input.mtime_ns);
    fields.Integer(key::kDev, input.dev);
    fields.Integer(key::kIno, input.ino);
    if (!fields.error().empty()) return fields.error();
    if (input.name.empty()) return where + "שם הקובץ ריק";
    out.push_back(std::move(input));
  }
  return {};
}

std::string ReadFields(const Json& json, Manifest& m) {
  if (!json.is_object()) return "המסמך אינו אובייקט JSON";
  Fields fields(json, "");
  fields.Text(key::kClient, m.client);
  fields.Text(key::kLabel, m.label);
  const Json* inputs = fields.Take(key::kInputs);
  if (inputs != nullptr && !inputs->is_array()) fields.Fail(key::kInputs, "אינו רשימה");
  fields.Integer(key::kAnalysisVersion, m.analysis_version);
  fields.Digest(key::kParametersSha256, m.parameters_sha256);
  if (const Json* analyses = fields.Take(key::kAnalyses)) {
    if (!analyses->is_array() ||
        !std::all_of(analyses->begin(), analyses->end(), [](const Json& a) {
          return a.is_string() && !a.get_ref<const std::string&>().empty();
        })) {
      fields.Fail(key::kAnalyses, "אינו רשימה של שמות ניתוחים");
    } else {
      for (const Json& a : *analyses) m.analyses.push_back(a.get<std::string>());
    }
  }
  std::string status;
  fields.Text(key::kStatus, status);
  if (fields.error().empty()) {
    if (const std::optional<ClientStatus> known = StatusOfWord(status)) {
      m.status = *known;
    } else {
      fields.Fail(key::kStatus, "אינו מצב מוכר (\"" + status + "\")");
    }
  }
  fields.Text(key::kReason, m.reason);
  fields.OptionalInteger(key::kExitCode, m.exit_code);
  fields.OptionalInteger(key::kSignal, m.signal);
  fields.Text(key::kStarted, m.started);
  if (fields.error().empty() && !IsTimestamp(m.started)) {
    fields.Fail(key::kStarted, "אינו זמן UTC בצורה 2026-12-31T23:59:59Z");
  }
  if (const Json* seconds = fields.Take(key::kSeconds)) {
    if (seconds->is_number() && std::isfinite(seconds->get<double>()) &&
        seconds->get<double>() >= 0) {
      m.seconds = seconds->get<double>();
    } else {
      fields.Fail(key::kSeconds, "אינו מספר שניות אי-שלילי");
    }
  }
  fields.OptionalInteger(key::kPeakRssKb, m.peak_rss_kb);
  if (!fields.error().empty()) return fields.error();
  if (m.client.empty()) return "המפתח \"client\" ריק";
  return ReadInputs(*inputs, m.inputs);
}

}  // namespace

std::string_view StatusWord(ClientStatus status) {
  return kStatusWords[static_cast<std::size_t>(status)].word;
}

std::string_view StatusCaption(ClientStatus status) {
  return kStatusWords[static_cast<std::size_t>(status)].caption;
}

std::string StatusCaptionOfWord(std::string_view word) {
  const std::optional<ClientStatus> status = StatusOfWord(word);
  return status ? std::string(StatusCaption(*status)) : std::string(word);
}

std::optional<ClientStatus> StatusOfWord(std::string_view word) {
  for (const StatusName& name : kStatusWords) {
    if (name.word == word) return name.status;
  }
  return std::nullopt;
}

ClientStatus Precedent(ClientStatus a, ClientStatus b) { return std::min(a, b); }

std::string ManifestJson(const Manifest& m) {
  Json inputs = Json::array();
  for (const ManifestInput& input : m.inputs) {
    Json one = Json::object();
    one[key::kName] = input.name;
    one[key::kBytes] = input.bytes;
    one[key::kSha256] = OrNull(input.sha256);
    one[key::kSize] = input.size;
    one[key::kMtimeNs] = input.mtime_ns;
    one[key::kDev] = input.dev;
    one[key::kIno] = input.ino;
    inputs.push_back(std::move(one));
  }
  Json json = Json::object();
  json[key::kClient] = m.client;
  json[key::kLabel] = m.label;
  json[key::kInputs] = std::move(inputs);
  json[key::kAnalysisVersion] = m.analysis_version;
  json[key::kParametersSha256] = OrNull(m.parameters_sha256);
  json[key::kAnalyses] = m.analyses;
  json[key::kStatus] = StatusWord(m.status);
  json[key::kReason] = m.reason;
  json[key::kExitCode] = OrNull(m.exit_code);
  json[key::kSignal] = OrNull(m.signal);
  json[key::kStarted] = m.started;
  // A time that cannot be written as a JSON number (NaN, infinite) is no time at all.
  json[key::kSeconds] = std::isfinite(m.seconds) ? m.seconds : 0.0;
  json[key::kPeakRssKb] = OrNull(m.peak_rss_kb);
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Status ReadManifest(std::string_view json_text, Manifest& out) {
  const Json json = Json::parse(json_text, nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded()) return Status::Corrupt("קובץ התיאור של הלקוח אינו JSON תקין");
  Manifest read;
  const std::string error = ReadFields(json, read);
  if (!error.empty()) return Status::Corrupt("קובץ התיאור של הלקוח פגום: " + error);
  out = std::move(read);
  return Status::Ok();
}

Status ReadManifestFile(const std::filesystem::path& path, Manifest& out) {
  const std::string named = path.string() + ": ";
  std::error_code error;
  const auto kind = std::filesystem::symlink_status(path, error);
  if (error || !std::filesystem::is_regular_file(kind)) {
    return Status::NotFound(named + "אין קובץ רגיל בשם זה");
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kManifestFileLimit) {
    return Status::Corrupt(named + "הקובץ גדול מ-1 MiB");
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || text.size() > kManifestFileLimit) {
    return Status::IoError(named + "לא ניתן לקרוא את הקובץ");
  }
  const Status read = ReadManifest(text, out);
  return read.ok() ? read : read.WithMessage(named + read.message());
}

Status WriteManifestFile(const std::filesystem::path& path, const Manifest& manifest) {
  ReportFile file;
  if (Status opened = ReportFile::Open(path.string(), ReportInputs{}, file); !opened.ok()) {
    return opened;
  }
  FileSink sink(std::move(file));
  sink.Write(ManifestJson(manifest));
  return sink.Close();
}

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm parts{};
  ::gmtime_r(&seconds, &parts);
  char text[32];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return std::string(text, n);
}

}  // namespace tallyscan::portfolio
