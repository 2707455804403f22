#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "app/pages/page.h"

namespace tallyscan {

class Grid;
class GridRowSource;
class PercentProgressBar;

// Page 7, the transfer to the bookkeeping product: the accounts (list control 1175) with the
// number each will have there, edited in place on "מספרנו" (a double-click) or by "עדכון
// מפתחות"; "שינוי קבוצה" gives a group a new code in the data file; the target folder, the
// five check boxes, and "ביצוע"/"עצור" with the current step on the status line and the
// progress bar. Stop is honoured between records; nothing reaches the folder unless the
// whole transfer completed.
class TransferPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kTransfer;

  TransferPage(AppContext& app, PageHost& host, QWidget* parent);
  ~TransferPage() override;

  void Enter() override;
  QWidget* DefaultFocus() override { return folder_edit_; }

  // The buttons. Each returns when its work is done or refused (shown through AppMessage).
  void UpdateKeys();
  void ChangeGroup();
  void Start();
  void Stop() { stop_ = true; }
  bool Running() const { return running_; }
  Grid* List() const { return list_; }

 private:
  void ShowRunning(bool running);

  std::unique_ptr<GridRowSource> rows_;
  Grid* list_ = nullptr;
  QPushButton* keys_button_ = nullptr;
  QPushButton* group_button_ = nullptr;
  QLineEdit* folder_edit_ = nullptr;
  QPushButton* browse_button_ = nullptr;
  QCheckBox* accounts_ = nullptr;
  QCheckBox* movements_ = nullptr;
  QCheckBox* documents_ = nullptr;
  QCheckBox* items_ = nullptr;
  QCheckBox* opening_ = nullptr;
  QPushButton* run_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  PercentProgressBar* progress_bar_ = nullptr;
  QLabel* status_ = nullptr;
  bool running_ = false;
  bool stop_ = false;
};

}  // namespace tallyscan
