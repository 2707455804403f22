#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QWidget>

class QCheckBox;

namespace tallyscan {

class Grid;

// A result list (the import log, the findings of the checks): the grid of the owner's rows
// under the filter "רק שגיאות", which carries the number of error rows. Rows are TAB-separated
// texts whose first field is the status digit; the error rows are those of status "1" that
// say something (the blank rows that space findings apart are neither counted nor kept by the
// filter). F8 and Shift+F8 move to the next and previous error row while the focus is on the
// page; Enter or a double-click on a row emits RowOpened with the row's place among the
// owner's rows.
class ResultList final : public QWidget {
  Q_OBJECT
 public:
  // `rows` must outlive the list; `page` is the parent, and the scope of the F8 keys.
  ResultList(const std::vector<std::string>& rows, QWidget* page);
  ~ResultList() override;

  Grid* grid() const { return grid_; }
  QCheckBox* ErrorsOnlyBox() const { return errors_only_; }

  // The owner's rows are now `count`: more than before means rows were appended, anything
  // else a new list.
  void SetRowCount(int count);

  bool ErrorsOnly() const;
  void SetErrorsOnly(bool errors_only);
  int ErrorCount() const { return static_cast<int>(error_rows_.size()); }

  // The owner's row shown at grid row `row`; -1 outside the rows shown.
  int SourceRow(int row) const;
  // Makes the next (or, backwards, the previous) error row after the current one current.
  // False, and nothing moves, when there is none.
  bool NextError(bool backwards);

 signals:
  void RowOpened(int source_row);

 private:
  class Source;

  void ShowCount();
  void Refilter();

  const std::vector<std::string>& rows_;
  std::vector<int> error_rows_;  // the owner's rows that are errors, in order
  int count_ = 0;                // the owner's rows seen
  std::unique_ptr<Source> source_;
  QCheckBox* errors_only_ = nullptr;
  Grid* grid_ = nullptr;
};

// Whether a result row is an error that says something: status "1" and a cell with text.
bool IsErrorRow(std::string_view row);

}  // namespace tallyscan
