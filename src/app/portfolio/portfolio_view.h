#pragma once

// "סריקת תיק" on the companies page: the saved companies, or the data folders under a folder
// the user names, screened by `tallyscan-cli batch` (BatchProcess) on a worker with the
// progress bar ("N מתוך M לקוחות") and "עצור" (Esc; the page's StopRun). The results go to
// the portfolio store in the per-user data folder, one store per source:
//   portfolio/companies/          the saved companies (their list as companies.txt in it)
//   portfolio/folders/NAME-HASH/  a folder NAME, HASH telling apart folders of one name
// so that `tallyscan-cli batch --out STORE ...` resumes or repeats the same run. The summary
// shows in a grid (sorted by the header, filtered, copied, saved as CSV), its cells those of
// portfolio.csv, the clients not analysed in red, with the run's start and the parameters
// above it. Enter or a double-click on a row asks for that client's folder to be read
// (OpenClient); "הדפס" prints the portfolio report through the output dialog.
//
// A stopped run goes on until the batch has ended its clients and written the summary of
// those done (Running() stays true meanwhile); the store never keeps a stopped client's
// partial results, so the next run takes up where this one stopped.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "app/app_context.h"
#include "app/background/read_task.h"
#include "app/background/store_readers.h"
#include "app/widgets/sorted_rows.h"
#include "engine/browse/browse.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tallyscan {

class FilterBox;
class Grid;
class Page;
class PageHost;
class PercentProgressBar;
struct BatchCounts;
struct BatchOutcome;

class PortfolioView final : public QWidget {
  Q_OBJECT
 public:
  PortfolioView(AppContext& app, PageHost& host, Page& page, QWidget* parent);
  ~PortfolioView() override;

  // Starts a run over the saved companies, or over the data folders under `folder`. Refused
  // (with a message) while a run goes on or when tallyscan-cli cannot be found.
  void ScanCompanies(const std::vector<CompanyRow>& companies);
  void ScanFolder(const QString& folder);
  // The last run's source again: the companies given, or the last folder.
  void ScanAgain(const std::vector<CompanyRow>& companies);
  // "עצור": the batch is interrupted; Running() until it has ended.
  void Stop();
  bool Running() const { return running_; }
  // Another long operation of the window runs: a run waits for its end.
  void SetOthersBusy(bool busy);
  // "הדפס": the portfolio report of the store shown.
  void Print();
  // Opens the client of the chosen row (OpenClient); a message when it has no folder now.
  void OpenChosen();
  // The store shown (a run's RESULTS); empty before any run.
  const QString& Store() const { return store_; }
  // The folder under the portfolio store for the saved companies, and for a folder.
  QString CompaniesStore() const;
  QString FolderStore(const QString& folder) const;

  Grid* SummaryGrid() const { return grid_; }
  FilterBox* Filter() const { return filter_; }
  QLabel* RunLine() const { return run_line_; }
  QLabel* Counts() const { return counts_; }
  PercentProgressBar* Bar() const { return bar_; }
  QPushButton* StopButton() const { return stop_button_; }
  QPushButton* BackButton() const { return back_button_; }
  QPushButton* PrintButton() const { return print_button_; }
  QLineEdit* FolderEdit() const { return folder_edit_; }
  // The summary's clients in the order shown.
  std::vector<std::string> ShownClients() const;

 signals:
  // A row was opened: the folder of that client's data.
  void OpenClient(const QString& folder);
  // "חזרה לרשימת החברות".
  void BackToList();
  // A run began, or ended (its summary shown).
  void RunningChanged(bool running);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Source {
    QString folder;                              // empty for the saved companies
    std::map<std::string, std::string> folders;  // client id -> its data folder (companies)
  };
  void Start(const QString& store, Source source, const std::string& list);
  void ShowCounts();
  void Ended();
  // Reads the summary of store_ into the grid; the row of `client` chosen when it is there.
  void ShowSummary(const std::string& client);
  void ShowRunning(bool running);
  QString FolderOfClient(const std::string& client) const;

  AppContext& app_;
  PageHost& host_;
  Page& page_;
  // The batch reads no record store: its worker is counted apart, so that reading a company
  // is not held back by it, and the end of its thread tells that the batch has ended.
  StoreReaders scan_readers_;
  ReadTask task_;
  std::shared_ptr<BatchCounts> counts_state_;
  std::shared_ptr<BatchOutcome> outcome_;
  bool running_ = false;
  bool others_busy_ = false;
  QString store_;
  Source source_;
  std::vector<std::string> clients_;  // by the summary's row, the client's id
  SortedRows rows_;

  QPushButton* back_button_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QLineEdit* folder_edit_ = nullptr;
  QPushButton* choose_button_ = nullptr;
  QPushButton* folder_button_ = nullptr;
  PercentProgressBar* bar_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* run_line_ = nullptr;
  Grid* grid_ = nullptr;
  FilterBox* filter_ = nullptr;
};

}  // namespace tallyscan
