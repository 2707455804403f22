// The browsers' reports: the accounts index, a ledger range, a document and the catalogue, each
// with the browser's default columns and the options of its view.
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/report_kinds.h"
#include "engine/browse/browse.h"
#include "engine/report/report.h"

namespace tallyscan::cli {
namespace {

// The CLI prints the browsers' default columns.
std::vector<FieldListEntry> DefaultFields(const FieldCatalogue& catalogue) {
  return ParseFieldList(catalogue.default_list, catalogue.FieldCount());
}

}  // namespace

PreparedReport PrepareIndexReport(DataReport& run) {
  if (run.options.view.SortField() != 0) SortAccountList(run.store, run.options.view.SortField());
  RecordStore& store = run.store;
  return {[&store](ReportStream& stream) {
    return WriteIndexReport(store, DefaultFields(AccountIndexCatalogue()), stream);
  }};
}

PreparedReport PrepareItemsReport(DataReport& run) {
  if (run.options.view.SortField() != 0) SortItems(run.store, run.options.view.SortField());
  RecordStore& store = run.store;
  return {[&store](ReportStream& stream) {
    return WriteItemsReport(store, DefaultFields(ItemFieldCatalogue()), stream);
  }};
}

PreparedReport PrepareLedgerReport(DataReport& run) {
  const std::string* from = run.options.view.Option("from");
  const std::string* to = run.options.view.Option("to");
  CardRange range = FindCardRange(run.store, from ? *from : "", to ? *to : "");
  if (!range.message.empty()) {
    std::cerr << range.message << '\n';
    return {{}, kExitFailed};
  }
  RecordStore& store = run.store;
  return {[&store, range = std::move(range)](ReportStream& stream) {
    return WriteLedgerReport(store, range, DefaultFields(LedgerCatalogue()), stream);
  }};
}

// Without --number, the first document of the type.
PreparedReport PrepareDocumentReport(DataReport& run) {
  const std::string& type = *run.options.view.Option("type");
  const ElementRange documents = DocumentRunOrSay(run.store, type);
  if (documents.empty()) return {{}, kExitFailed};
  std::int64_t element = documents.first;
  if (const std::string* number = run.options.view.Option("number")) {
    element = DocumentNumberedOrSay(run.store, documents, type, *number);
    if (element == 0) return {{}, kExitFailed};
  }
  RecordStore& store = run.store;
  return {[&store, document = LoadDocument(run.store, element)](ReportStream& stream) {
    return WriteDocumentReport(store, document, DefaultFields(DocumentLinesCatalogue()), stream);
  }};
}

}  // namespace tallyscan::cli
