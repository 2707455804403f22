#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/pages/page.h"
#include "engine/browse/browse.h"

class QPushButton;
class QStackedWidget;
class QToolButton;

namespace tallyscan {

class Grid;
class GridRowSource;
class PercentProgressBar;
class PortfolioView;

// Page 6, the companies list: the data sets kept in the companies store, one row per company
// and fiscal year, rebuilt from the folders whenever the page opens and after every save or
// delete. The toolbar saves the loaded set into the store, reads the chosen row (a
// double-click or Enter does too) and deletes the chosen row. While a save copies, a progress
// bar and "ביטול" show beside the toolbar.
//
// "סריקת תיק" (F5) screens the saved companies, and "סריקת תיקייה" the data folders under a
// folder, in place of the list (PortfolioView): its summary stays on the page, and is what the
// page shows again when the window comes Back to it after a client was read from it, at the
// row that was read; "חזרה לרשימת החברות" shows the list again.
//
// The store saves into app.companies_folder and lists the store beside the program
// (program_folder + "Zevavu") too, when there is one.
class CompaniesPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kCompanies;

  CompaniesPage(AppContext& app, PageHost& host, QWidget* parent);
  ~CompaniesPage() override;

  void Enter() override { Rescan(); }
  QWidget* DefaultFocus() override;
  // F5: "סריקת תיק", of the saved companies, or of the summary's source when it shows.
  void RunMainAction() override;
  void StopRun() override;
  void BusyChanged(bool busy) override;
  PageView SaveView() const override;
  void RestoreView(const PageView& view) override;

  // "סריקת תיק" of the saved companies; "סריקת תיקייה" shows the summary's folder field and
  // asks for the folder.
  void ScanCompanies();
  void ScanFolder();
  PortfolioView* Portfolio() const { return portfolio_; }
  // The summary shows in place of the list.
  bool ShowingPortfolio() const;
  void ShowPortfolio(bool shown);

  // "שמור חברה", "קרא חברה", "מחק חברה". Each returns when its work is done or refused (the
  // refusal shown through AppMessage).
  void SaveCompany();
  void ReadCompany();
  void DeleteCompany();
  // "ביטול" during a save: the copy ends at its next block and the previous copy stays.
  void StopSave();
  bool Saving() const { return saving_; }

  // Lists the store again, keeping the chosen row chosen when it is still there.
  void Rescan();
  const std::vector<CompanyRow>& Companies() const { return companies_; }
  Grid* List() const { return list_; }

  // The copying of saves; tests put in one that fails. Null restores the local file system.
  void SetCompanyFiles(CompanyFiles* files) { files_ = files; }

 signals:
  // A saved set was chosen to be read: the window reads `folder` on the import page, as if
  // the user had typed it there and pressed "ביצוע".
  void ReadFolder(const QString& folder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CompaniesStore Store() const;
  // The chosen row; null when none is.
  const CompanyRow* Chosen() const;
  void ShowList(const std::string& chosen_folder);
  void ShowSaving(bool saving);

  std::vector<CompanyRow> companies_;
  std::vector<std::string> rows_;  // the list's texts, one per company row
  std::unique_ptr<GridRowSource> row_source_;
  CompanyFiles* files_ = nullptr;

  QToolButton* save_button_ = nullptr;
  QToolButton* read_button_ = nullptr;
  QToolButton* delete_button_ = nullptr;
  QToolButton* scan_button_ = nullptr;
  QToolButton* scan_folder_button_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  PortfolioView* portfolio_ = nullptr;
  PercentProgressBar* progress_bar_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QPushButton* print_button_ = nullptr;  // "הדפס": the list through the output dialog
  Grid* list_ = nullptr;
  bool saving_ = false;
  bool stop_ = false;
};

}  // namespace tallyscan
