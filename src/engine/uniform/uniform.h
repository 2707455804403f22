#pragma once

// What uniform/ offers the rest of the program, with uniform/import.h (the import itself):
// the record layouts and their fields named in code, the record store an import leaves and
// the values of its fields, result rows and their columns, the record-detail list, the file
// names of a data folder, INI.TXT read again, the rule of a line's end and of a field's
// validity, and record lines built from the layouts. Every other header of uniform/ is
// private to it: the rest of the system includes these two.

#include "engine/uniform/columns.h"
#include "engine/uniform/field_captions.h"
#include "engine/uniform/field_rule.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/folder_files.h"
#include "engine/uniform/ini_lines.h"
#include "engine/uniform/layouts.h"
#include "engine/uniform/line_end.h"
#include "engine/uniform/record_detail.h"
#include "engine/uniform/record_index.h"
#include "engine/uniform/record_store.h"
#include "engine/uniform/record_writer.h"
#include "engine/uniform/result_row.h"
#include "engine/uniform/values.h"
