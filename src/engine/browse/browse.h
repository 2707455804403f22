#pragma once

// What browse/ offers the rest of the program: the rows and cells of the browsers (the
// accounts index, the ledger cards, the documents with their register and marks, the item
// catalogue), their field lists, catalogues and field selection, balance texts, the
// card-number rule of the accounts index, the browsers' column tables, and the companies store.
// Reading row texts and their markers comes with it (uniform/result_row.h). Every other header of
// browse/ is private to it: the rest of the system includes this one.

#include "engine/browse/accounts_index.h"
#include "engine/browse/accounts_index_search.h"
#include "engine/browse/balance_text.h"
#include "engine/browse/card_number.h"
#include "engine/browse/cards_on_cores.h"
#include "engine/browse/cell_text.h"
#include "engine/browse/companies_store.h"
#include "engine/browse/document_cells.h"
#include "engine/browse/document_register.h"
#include "engine/browse/document_view.h"
#include "engine/browse/field_catalogue.h"
#include "engine/browse/field_list.h"
#include "engine/browse/field_selection.h"
#include "engine/browse/item_catalogue.h"
#include "engine/browse/ledger_card.h"
#include "engine/browse/ledger_widths.h"
#include "engine/browse/view_columns.h"
#include "engine/uniform/uniform.h"
