#pragma once

// What checks/ offers the rest of the program: the integrity checks (their two tick lists, the
// run over a loaded record store and the rows it leaves, with their columns), the pass over
// the documents that the document browser shares, the reader of record lines that the
// browsers reuse, and the exact sums of amounts. Every other header of checks/ is private to
// it: the rest of the system includes this one.

#include "engine/checks/check_columns.h"
#include "engine/checks/check_run.h"
#include "engine/checks/document_checks.h"
#include "engine/checks/record_reader.h"
#include "engine/checks/run_checks.h"
#include "engine/checks/sums.h"
