#include "large_sets.h"

#include <fstream>

#include <QLockFile>
#include <QString>
#include <QtGlobal>

#include "generator/data_set.h"

namespace tallyscan::test {

std::filesystem::path MillionMovementsWithFaults() {
  const std::filesystem::path folder =
      std::filesystem::path(TALLYSCAN_TEST_SETS_DIR) / "million-movements-faults";
  std::filesystem::create_directories(folder.parent_path());
  QLockFile lock(QString::fromStdString(folder.string() + ".lock"));
  lock.setStaleLockTime(0);
  if (!lock.lock()) qFatal("cannot lock %s", folder.string().c_str());
  if (!std::filesystem::exists(folder / "done")) {
    DataSetOptions options;
    options.movements = 1000000;
    options.accounts = 20000;
    options.documents = 2000;
    options.seed = 7;
    for (const FaultInfo& fault : Faults()) options.faults.push_back({fault.kind, 1});
    GeneratedDataSet generated;
    const Status status = GenerateDataSet(options, folder, &generated);
    if (!status.ok()) qFatal("%s", status.message().c_str());
    std::ofstream(folder / "done") << "1\n";
  }
  return folder;
}

}  // namespace tallyscan::test
