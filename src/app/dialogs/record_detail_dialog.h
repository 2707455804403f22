#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

#include "app/app_context.h"
#include "engine/checks/checks.h"
#include "engine/common/status.h"

namespace tallyscan {

class Grid;
class GridRowSource;

// The source-record viewer: one or more records shown field by field, one row per field with
// the status icon, the field code, its caption, the value as stored and its meaning; a field
// that fails its test is drawn red. The rows are those the command-line program's detail view
// prints (record_detail.h). The dialog keeps its own copy of the rows, so a new import does
// not change what it shows.
class RecordDetailDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit RecordDetailDialog(QWidget* parent);
  ~RecordDetailDialog() override;

  // Adds the rows of one record, as the detail functions build them.
  void AddRows(const std::vector<std::string>& rows);
  // Adds the rows of the record at `record` in the loaded data file. A line that cannot be
  // read or holds no record adds nothing; the status says why.
  Status AddRecord(const RecordStore& store, const RecordReference& record);

  const std::vector<std::string>& Rows() const { return rows_; }
  Grid* grid() const { return grid_; }

 private:
  std::vector<std::string> rows_;
  std::unique_ptr<GridRowSource> source_;
  Grid* grid_ = nullptr;
};

// Opens the viewer (not modal, deleted when closed) over the records; when none of them can
// be read, says why through AppMessage instead. Returns the dialog, or null.
RecordDetailDialog* OpenRecordDetail(AppContext& app, QWidget* owner,
                                     const std::vector<RecordReference>& records);
// The same for line `line_number` (from 1) of the file at `path`, as the import counts lines.
RecordDetailDialog* OpenLineDetail(AppContext& app, QWidget* owner, const std::string& path,
                                   std::int64_t line_number);

}  // namespace tallyscan
