#include "app/pages/page_table.h"

#include <array>

#include "app/pages/accounts_index_page.h"
#include "app/pages/analysis_page.h"
#include "app/pages/checks_page.h"
#include "app/pages/companies_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app/pages/items_page.h"
#include "app/pages/ledger_page.h"
#include "app/pages/transfer_page.h"

namespace tallyscan {
namespace {

template <class P>
Page* Make(AppContext& app, PageHost& host, QWidget* parent) {
  return new P(app, host, parent);
}

// The numbers follow the order the pages were first built in, not the bar's: the items (8)
// stand above the companies (6) and the transfer (7).
constexpr std::array<PageSpec, kPageCount> kPageTable = {{
    {PageId::kImport, 1, 2001, "יבוא קובץ", "BTN1", false, &Make<ImportPage>},
    {PageId::kChecks, 2, 2002, "בדיקות תקינות", "BTN2", true, &Make<ChecksPage>},
    {PageId::kAccountsIndex, 3, 2003, "אינדקס חשבונות", "BTN3", true, &Make<AccountsIndexPage>},
    {PageId::kLedger, 4, 2004, "כרטסות", "BTN4", true, &Make<LedgerPage>},
    {PageId::kDocuments, 5, 2005, "תעודות", "BTN5", true, &Make<DocumentsPage>},
    {PageId::kItems, 8, 2006, "פריטים", "BTN6", true, &Make<ItemsPage>},
    {PageId::kCompanies, 6, 2007, "רשימת חברות", "BTN7", false, &Make<CompaniesPage>},
    {PageId::kTransfer, 7, 2008, "קליטה ללדגורה", "BTN8", true, &Make<TransferPage>},
    {PageId::kAnalysis, 9, 2009, "ניתוח", "BTN9", true, &Make<AnalysisPage>},
}};

constexpr bool InBarOrder() {
  for (std::size_t i = 0; i < kPageTable.size(); ++i) {
    if (static_cast<std::size_t>(kPageTable[i].id) != i) return false;
    if (kPageTable[i].button_id != kPageTable[0].button_id + static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(InBarOrder(), "row i of the page table is PageId i and button 2001 + i");

constexpr bool NumbersDistinct() {
  unsigned seen = 0;
  for (const PageSpec& entry : kPageTable) {
    if (entry.number < 1 || entry.number > kPageCount) return false;
    seen |= 1u << entry.number;
  }
  return seen == ((1u << (kPageCount + 1)) - 2);
}
static_assert(NumbersDistinct(), "each page has its own number in 1..kPageCount");

}  // namespace

std::span<const PageSpec, kPageCount> Pages() { return kPageTable; }

const PageSpec& SpecOf(PageId id) { return kPageTable[static_cast<std::size_t>(id)]; }

}  // namespace tallyscan
