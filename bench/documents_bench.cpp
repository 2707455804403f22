// Times the documents page and the item catalogue against the import of the same data set,
// in one process: each navigation step and jump (the slowest one counts), the register of
// every document with its marks, every document of every type built as "view documents"
// builds it, and sorting the item catalogue.
//
//   documents_bench DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/uniform/import.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double Seconds(SteadyClock::time_point since) {
  return std::chrono::duration<double>(SteadyClock::now() - since).count();
}

// What the page does on every document change: load it and build the panel and both grids.
std::size_t ShowDocument(const tallyscan::RecordStore& store, std::int64_t element) {
  const tallyscan::LoadedDocument document = tallyscan::LoadDocument(store, element);
  const tallyscan::HeaderPanelTexts panel = tallyscan::HeaderPanel(document, store.DosCodePage);
  return panel.summary_caption.size() + tallyscan::LinesGridRows(document, false).size() +
         tallyscan::ReceiptGridRows(document).size();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tallyscan;
  if (argc < 2) {
    std::fputs("usage: documents_bench DIR\n", stderr);
    return 2;
  }
  RecordStore store;
  SilentProgress silent;
  SteadyClock::time_point start = SteadyClock::now();
  const ImportResult imported = ImportFolder(store, argv[1], silent);
  const double import_seconds = Seconds(start);
  if (!imported.status.ok()) {
    std::fprintf(stderr, "import failed: %s\n", imported.status.message().c_str());
    return 1;
  }
  std::printf("documents %lld, items %lld, import %.3f s\n",
              static_cast<long long>(store.DocumentIndex.Count()),
              static_cast<long long>(store.ItemListIndex.Count()), import_seconds);

  // Every type's run paged from its first document to its last; then jumps to numbers of
  // the run, chosen at random.
  double slowest_step = 0;
  double slowest_jump = 0;
  std::size_t shown = 0;
  long long steps = 0;
  std::mt19937 random(7);
  start = SteadyClock::now();
  for (const DocumentType& type : SelectorTypes()) {
    const std::string code = std::to_string(type.code);
    const ElementRange run = DocumentTypeRun(store, code);
    if (run.empty()) continue;
    for (std::int64_t e = run.first; e != 0; e = MoveInRun(run, e, DocumentMove::kNext)) {
      const SteadyClock::time_point step = SteadyClock::now();
      shown += ShowDocument(store, e);
      slowest_step = std::max(slowest_step, Seconds(step));
      ++steps;
    }
    for (int j = 0; j < 200; ++j) {
      const std::int64_t target =
          run.first + static_cast<std::int64_t>(random() % static_cast<unsigned>(run.size()));
      const std::string typed = DocumentNumberText(store.DocumentIndex[target]);
      const SteadyClock::time_point jump = SteadyClock::now();
      const JumpResult found = JumpToNumber(store, run, code, typed);
      if (found.element != 0) shown += ShowDocument(store, found.element);
      slowest_jump = std::max(slowest_jump, Seconds(jump));
    }
  }
  const double every_document = Seconds(start);
  std::printf("navigation: %lld steps, slowest %.2f ms, mean %.3f ms; slowest jump %.2f ms\n",
              steps, slowest_step * 1e3, every_document * 1e3 / static_cast<double>(steps),
              slowest_jump * 1e3);

  // The register of every document: with its marks found first, then as the page builds it,
  // the rows at once and the marks on a thread of their own.
  start = SteadyClock::now();
  DocumentMarks marks;
  FindDocumentMarks(store, silent, &marks);
  const double marks_seconds = Seconds(start);
  start = SteadyClock::now();
  const DocumentRegister all(store, "", marks);
  const double register_seconds = Seconds(start);
  std::printf(
      "register of all %d documents: rows %.3f s, their marks (the document check's pass) "
      "%.3f s; marks first, then rows: %.3f s = %.2f x the import\n",
      all.DocumentCount(), register_seconds, marks_seconds, marks_seconds + register_seconds,
      (marks_seconds + register_seconds) / import_seconds);
  start = SteadyClock::now();
  DocumentMarks background_marks;
  {
    SilentProgress background;
    std::thread marks_thread([&] { FindDocumentMarks(store, background, &background_marks); });
    const DocumentRegister listed(store, "", background_marks);
    const double shown_seconds = Seconds(start);
    marks_thread.join();
    const double ready_seconds = Seconds(start);
    std::printf(
        "register with its marks in the background: rows shown after %.3f s = %.2f x the "
        "import, marks after %.3f s = %.2f x\n",
        shown_seconds, shown_seconds / import_seconds, ready_seconds,
        ready_seconds / import_seconds);
  }
  if (background_marks != marks) std::puts("the background marks differ!");

  // "view documents" of every type: the rows of every document, as the command builds them.
  start = SteadyClock::now();
  const checks::RecordReader reader(store);
  for (std::int64_t e = 1; e <= store.DocumentIndex.Count(); ++e) {
    const LoadedDocument document = LoadDocument(store, e, reader);
    shown += HeaderPanel(document, store.DosCodePage).items.size();
    for (const std::string& row : LinesGridRows(document, store.DosCodePage)) shown += row.size();
    for (const std::string& row : ReceiptGridRows(document)) shown += row.size();
  }
  const double view_seconds = Seconds(start);
  std::printf("every document's rows: %.3f s = %.2f x the import\n", view_seconds,
              view_seconds / import_seconds);

  for (const int field : {5, 2, 12}) {
    start = SteadyClock::now();
    SortItems(store, field);
    std::printf("item sort on field %d: %.3f s\n", field, Seconds(start));
  }
  std::printf("(%zu)\n", shown);
  return 0;
}
