#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <string>
#include <vector>

#include "app/pages/page.h"
#include "engine/uniform/import.h"

namespace tallyscan {

class PercentProgressBar;
class RecordDetailDialog;
class ResultList;

// Page 1: the user names the folder of INI.TXT and BKMVDATA.TXT (or BKMVDATA.ZIP) and reads
// it; the result rows of the reading fill the list. While reading, "ביצוע" gives way to
// "ביטול" and the progress caption and bar are shown. The folder of the last successful
// reading is remembered (Params/LastPath) and offered at the next start.
class ImportPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kImport;

  ImportPage(AppContext& app, PageHost& host, QWidget* parent);

  QWidget* DefaultFocus() override { return folder_edit_; }
  void RunMainAction() override { Start(); }
  void StopRun() override { Stop(); }
  void BusyChanged(bool busy) override;

  // "ביצוע": reads the folder in the edit box. Returns when the reading has ended or was
  // refused (the refusal shown through AppMessage). The loaded folder is read again at once
  // when its files changed since; otherwise only when the user agrees ("ביטול" the default).
  void Start();
  // Puts `folder` in the edit box and reads it, as if the user had typed it and pressed
  // "ביצוע" (the companies list reads a saved set so).
  void ReadFolder(const QString& folder);
  // "ביטול": the reading ends before its next line.
  void Stop();
  // "הדפס": the import log through the output dialog (report "Import").
  void Print();
  bool Reading() const { return reading_; }
  const std::vector<std::string>& Rows() const { return rows_; }
  ResultList* Results() const { return results_; }

  // Opens the record of the result row `row` (one that names a line of the data file).
  RecordDetailDialog* OpenRow(int row);

 signals:
  // A data set is about to replace the one in memory: what was found in the old one goes.
  void ImportStarting();

 private:
  void ShowReading(bool reading);
  // The reading of Start; `again`: the loaded folder too (the user agreed).
  void Read(bool again);

  QLabel* prompt_ = nullptr;
  QLineEdit* folder_edit_ = nullptr;  // control 1009
  QPushButton* browse_button_ = nullptr;
  QPushButton* run_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QLabel* progress_caption_ = nullptr;
  PercentProgressBar* progress_bar_ = nullptr;
  ResultList* results_ = nullptr;
  std::vector<std::string> rows_;  // the result rows of the last reading
  std::string data_file_;          // the data file those rows are about
  std::string loaded_stamp_;       // FolderStamp of the loaded folder as it was read
  bool reading_ = false;           // an import is running (started and not yet returned)
  bool stop_ = false;              // the stop flag the reading looks at once per line
};

// The folder offered on a first start: the demonstration data set shipped with the program.
QString DemoFolder(const AppContext& app);

}  // namespace tallyscan
