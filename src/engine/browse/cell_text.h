#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The texts of browser and report cells cut from record fields, one rule per kind of field,
// the same in every browser, report and command-line view so that their outputs compare
// exactly:
//  - no cell begins or ends with blanks; a blank field is an empty cell;
//  - texts are trimmed and, in a DOS-coded set, converted where the field is converted (as the
//    record-detail view shows them); keys and "stripped" fields lose leading blanks and zeros;
//  - file text never forges a cell: TAB, CR, LF and the row markers become blanks
//    (SafeCellText).
// Cells are UTF-8.

#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// File text (UTF-8) made safe for a cell and trimmed of blanks on both sides.
std::string SafeCell(std::string_view utf8);

// A key field, or a field shown "stripped": leading blanks and zeros removed.
std::string StrippedCell(std::string_view raw);
// A text field trimmed and, when the set is DOS-coded and the field is converted, converted.
std::string TextCell(std::string_view raw, bool dos_code_page, bool converted);
// A date "YYYYMMDD" as DD/MM/YYYY; empty when the field is blank.
std::string DateCell(std::string_view raw);
// A time "HHMM" as HH:MM; empty when the field is blank.
std::string TimeCell(std::string_view raw);
// A document type by its name; "לא ידוע" for a code the table does not list; empty when the
// field is blank.
std::string DocumentTypeCell(std::string_view raw);

// A field of `line` by the display rule of its kind: keys stripped, texts trimmed (and
// converted as the layout says), dates DD/MM/YYYY, times HH:MM, document types by name; any
// other kind trimmed as it stands. Empty when the line ends before the field.
std::string FieldCell(std::string_view line, const FieldLayout& field, bool dos_code_page);

// Parts joined by one blank, empty parts left out (a name and an address in one cell).
std::string JoinParts(std::initializer_list<std::string_view> parts);

}  // namespace tallyscan
