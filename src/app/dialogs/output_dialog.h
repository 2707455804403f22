#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QDialog>
#include <QStringList>

#include "app/app_context.h"
#include "app/report/report_run.h"
#include "engine/report/report_writers.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;

namespace tallyscan {

class StripAnimation;

// "אופן הדפסת הדו'ח", the one dialog through which every report is printed, saved as a
// spreadsheet or a PDF, or sent by e-mail. It collects the targets and the printer, then calls
// the producer of the calling page once and closes; while the report runs its execute button
// reads "ביטול" and stops it between two lines. Its files go to a folder of its own under the
// user's temporary folder (ReportFolder), rid of earlier runs' old files when it opens.
class OutputDialog final : public QDialog {
  Q_OBJECT
 public:
  // `kind` is the report's word ("Index", "Kartis", "Teuda", "Parit", "Checks", "Import").
  OutputDialog(AppContext& app, const QString& kind, ReportProducer producer, QWidget* parent);
  ~OutputDialog() override;

  int Targets() const { return targets_; }
  // The printers offered: the system's when the dialog opens. The targets start again from
  // those a dialog opens with: the printer, or where none is offered the PDF, the printer's
  // button then disabled.
  void SetPrinters(const QStringList& names);
  bool HasPrinter() const;
  // A click on a target's button: the target rules apply (ToggleTarget).
  void ClickTarget(OutputTarget target);
  QCheckBox* TargetButton(OutputTarget target) const;
  // "ביצוע": runs the report, follows up on its files and closes the dialog. While the report
  // runs the same button reads "ביטול" and stops it.
  void Execute();
  bool Running() const { return running_; }
  const ReportRunResult& LastRun() const { return last_run_; }
  const QString& Kind() const { return kind_; }

  // Opens a written file with the desktop's program for it; false when none opened it. Tests
  // record instead.
  std::function<bool(const QString& file)> open_file;
  // For a file no program opened: says where it is and offers "שמור בשם"; the path the user
  // chose, empty when declined. Tests answer instead.
  std::function<QString(const QString& file)> ask_save_path;
  // Hands the e-mail form to the e-mail dialog with the report's subject. Until one is set the
  // e-mail target cannot be chosen.
  void SetMailSender(std::function<void(const QString& file, const QString& subject)> sender);
  // Told of every line produced (tests press "ביטול" from here).
  std::function<void(std::int64_t line)> on_line;

 private:
  void ShowTargets();
  void FillPrinters();
  void PrinterProperties();
  void PageProperties();
  QPrinter* OpenPrinter();
  void ShowRunning(bool running);
  // Opens `file`, or when no program does, saves a copy where the user chooses.
  void OpenOrSave(const QString& file);
  QString AskSavePath(const QString& file);

  AppContext& app_;
  QString kind_;
  ReportProducer producer_;
  PrintFonts fonts_;
  int targets_ = kInitialTargets;
  bool running_ = false;
  bool cancel_ = false;
  QString folder_;
  std::unique_ptr<QPrinter> printer_;
  std::function<void(const QString&, const QString&)> send_mail_;
  ReportRunResult last_run_;

  QCheckBox* printer_button_ = nullptr;  // 5006
  QCheckBox* mail_button_ = nullptr;     // 5007
  QCheckBox* excel_button_ = nullptr;    // 5008
  QCheckBox* pdf_button_ = nullptr;
  QComboBox* excel_form_ = nullptr;
  QComboBox* printers_ = nullptr;  // 5005
  QPushButton* printer_properties_ = nullptr;
  QPushButton* page_properties_ = nullptr;
  QPushButton* execute_ = nullptr;
  QLabel* progress_ = nullptr;  // 1008
  StripAnimation* animation_ = nullptr;
};

// What the dialog says of a written file that no program opened: where it was saved and, for a
// file in the temporary folder (the dialog's own, emptied of a day's old files), that it is a
// temporary file.
QString UnopenedFileText(const QString& file);

// Opens the dialog for a page's report and returns when it has closed; the e-mail target opens
// the e-mail dialog over it with the ".Htm" file and the report's first title as the subject.
void ShowOutputDialog(AppContext& app, QWidget* owner, const QString& kind,
                      ReportProducer producer);

// The day a report of a run is dated, YYYY-MM-DD: the day SOURCE_DATE_EPOCH names (UTC) when
// it is set, so that a report can be made again byte for byte, else today. A value that is no
// moment is said in a message over `owner` and makes no report: nullopt.
std::optional<std::string> ReportDay(AppContext& app, QWidget* owner);

}  // namespace tallyscan
