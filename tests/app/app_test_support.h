#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QString>
#include <QTemporaryDir>

#include "app/app_context.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::test {

// A context over settings in memory whose message box records instead of showing.
struct TestApp {
  TestApp();

  MemorySettings settings;
  RecordStore store;
  AppContext app{settings, store};
  std::vector<AppMessageCall> messages;
  int answer = 1;  // what the recorded message box answers
};

// A window size as a closed window leaves it stored (no position: the window is centred).
inline MainDlgPos StoredSize(int width, int height) {
  return {.stored = true, .width = width, .height = height};
}

// Writes a small, well-formed data set (INI.TXT and BKMVDATA.TXT) into `folder`: two
// accounts, one document with one line, the business "מאפיית הגליל".
void WriteDataSet(const QString& folder);

// The demonstration data set shipped with the program, or a written one when the checkout
// has none yet.
QString DemoOrWrittenDataSet(QTemporaryDir& scratch);

}  // namespace tallyscan::test
