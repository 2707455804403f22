#pragma once

// The pages of the main window by name. One table, in the order of the main buttons, gives
// each page its number (the object name "page<N>" the tests and the settings know it by), its
// button with caption and picture, whether it needs loaded data, and how it is made: a new
// page is one enumerator, one row and its class.

#include <span>

class QWidget;

namespace tallyscan {

struct AppContext;
class Page;
class PageHost;

// In the order of the main buttons: the value is the button's place in the bar (0 the top).
enum class PageId {
  kImport,
  kChecks,
  kAccountsIndex,
  kLedger,
  kDocuments,
  kItems,
  kCompanies,
  kTransfer,
  kAnalysis,
};
inline constexpr int kPageCount = 9;

struct PageSpec {
  PageId id;
  int number;           // the page's own number, 1..kPageCount
  int button_id;        // the identifier of its main button, 2001 for the top one
  const char* caption;  // the button's caption (UTF-8)
  const char* picture;  // the button's picture among the images
  bool needs_data;      // refused while nothing is loaded
  // Makes the page; the parent owns it.
  Page* (*make)(AppContext& app, PageHost& host, QWidget* parent);
};

// Every page, in the order of the main buttons (entry i is PageId i).
std::span<const PageSpec, kPageCount> Pages();
const PageSpec& SpecOf(PageId id);

}  // namespace tallyscan
