// The document file summary (GFN1yy.001): one row per document file with its counts.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/text/text.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The rows the target folder's summary holds now.
std::vector<TargetRecord> RowsBefore(const TransferRun& run, const std::string& name) {
  const std::string bytes = ReadWholeFile(JoinPath(run.options().target_folder, name));
  std::vector<TargetRecord> rows;
  for (std::size_t at = 0; at + kSummaryRecordSize <= bytes.size(); at += kSummaryRecordSize) {
    TargetRecord& row = rows.emplace_back(kSummaryRecordSize);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), kSummaryRecordSize,
                row.bytes().begin());
  }
  return rows;
}

// The row of a file, added after the others when the summary has none.
TargetRecord& RowOf(std::vector<TargetRecord>& rows, const std::string& extension) {
  const TargetField& name = target::Summary("extension");
  for (TargetRecord& row : rows) {
    const auto bytes = row.bytes();
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()) + name.offset,
                                name.width);
    if (TrimSpaces(text) == extension) return row;
  }
  TargetRecord& row = rows.emplace_back(kSummaryRecordSize);
  row.Fill(0);
  row.Text(name, extension);
  return row;
}

}  // namespace

Status WriteSummary(TransferRun& run, const std::map<std::string, DocumentCounts>& counts) {
  const std::string name = SummaryFileName(run.store().TaxYear);
  std::vector<TargetRecord> rows = RowsBefore(run, name);
  for (const auto& [extension, c] : counts) {
    TargetRecord& row = RowOf(rows, extension);
    const auto grow = [&](const TargetField& field, std::int64_t added) {
      row.Number(field, row.NumberAt(field) + added);
    };
    grow(target::Summary("documents"), c.documents);
    grow(target::Summary("lines"), c.lines);
    grow(target::Summary("payments"), c.payments);
    run.Wrote(run.FileName(extension), c.documents + c.lines + c.payments, c.skipped);
  }
  RecordFile summary(kSummaryRecordSize, run.calls());
  const std::string path = JoinPath(StagingFolderOf(run.options().target_folder), name);
  std::error_code error;
  std::filesystem::remove(path, error);
  if (Status s = summary.Open(path); !s.ok()) return s;
  for (const TargetRecord& row : rows) summary.Append(row.bytes());
  if (Status s = summary.Close(); !s.ok()) return s;
  run.Wrote(name, static_cast<std::int64_t>(rows.size()));
  return Status::Ok();
}

}  // namespace tallyscan
