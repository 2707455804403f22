#pragma once

// What analytics/ offers the rest of the program: the journal-entry tests (their run, its
// parameters and parameter file, their rows, columns and words), the field statistics and the
// producer's summaries with their rows and columns, the comparison of two periods and its
// tables, and the Israeli holidays of the holiday test. Every other header of analytics/ is
// private to it: the rest of the system includes this one.

#include "engine/analytics/compare.h"
#include "engine/analytics/compare_tables.h"
#include "engine/analytics/field_statistics.h"
#include "engine/analytics/field_statistics_columns.h"
#include "engine/analytics/field_statistics_rows.h"
#include "engine/analytics/holidays.h"
#include "engine/analytics/jet.h"
#include "engine/analytics/jet_columns.h"
#include "engine/analytics/jet_parameters.h"
#include "engine/analytics/jet_rows.h"
#include "engine/analytics/jet_words.h"
