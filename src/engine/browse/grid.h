#pragma once

// What the browsers' grids are built on: field lists and their settings, the field
// catalogues, the field-selection state, reading row texts and their markers
// (uniform/result_row.h), balance texts, and the card-number rule of the accounts index.
// The rest of the system includes this header rather than the single files of browse/.

#include "engine/browse/balance_text.h"
#include "engine/browse/card_number.h"
#include "engine/browse/field_catalogue.h"
#include "engine/browse/field_list.h"
#include "engine/browse/field_selection.h"
#include "engine/uniform/result_row.h"
