#include "app_test_support.h"

#include <fstream>

#include <QDir>
#include <QFileInfo>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::test {
namespace {

constexpr std::int64_t kPrimaryId = 123456789012345;

std::string Padded(std::int64_t value, int width) {
  std::string digits = std::to_string(value);
  return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

}  // namespace

TestApp::TestApp() {
  app.message_hook = [this](const AppMessageCall& call) {
    messages.push_back(call);
    return answer;
  };
}

void WriteDataSet(const QString& folder) {
  std::vector<std::string> data;
  RecordWriter a100(RecordType::kA100);
  a100.SetDigits(1101, 1).SetDigits(1103, kPrimaryId).SetRaw(38, "&OF1.31&");
  data.emplace_back(a100.line());
  const char* names[] = {"קופה ראשית", "לקוחות שונים"};
  for (int i = 0; i < 2; ++i) {
    RecordWriter b110(RecordType::kB110);
    b110.SetDigits(1401, static_cast<int>(data.size()) + 1)
        .SetText(1403, std::to_string(100 + i))
        .SetText(1404, Utf8ToCp1255(names[i]));
    data.emplace_back(b110.line());
  }
  RecordWriter z900(RecordType::kZ900);
  z900.SetRaw(46, Padded(static_cast<std::int64_t>(data.size()) + 1, 15));
  data.emplace_back(z900.line());

  RecordWriter a000(RecordType::kA000);
  a000.SetDigits(1002, static_cast<std::int64_t>(data.size()))
      .SetDigits(1004, kPrimaryId)
      .SetText(1005, "&OF1.31&")
      .SetText(1011, "1")
      .SetText(1018, Utf8ToCp1255("מאפיית הגליל"))
      .SetDigits(1023, 2023);
  std::string a000_line(a000.line());
  a000_line.resize(466, ' ');

  QDir().mkpath(folder);
  std::ofstream ini((folder + "/INI.TXT").toStdString(), std::ios::binary);
  ini << a000_line << "\r\n"
      << "B110" << Padded(2, 15) << "\r\n";
  std::ofstream bkmv((folder + "/BKMVDATA.TXT").toStdString(), std::ios::binary);
  for (const std::string& line : data) bkmv << line << "\r\n";
}

QString DemoOrWrittenDataSet(QTemporaryDir& scratch) {
  const QString demo = QStringLiteral(TALLYSCAN_SOURCE_DIR "/samples/demo");
  if (QFileInfo::exists(demo + "/INI.TXT")) return demo;
  const QString written = scratch.filePath(QStringLiteral("set"));
  WriteDataSet(written);
  return written;
}

}  // namespace tallyscan::test
