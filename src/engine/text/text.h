#pragma once

// What text/ offers the rest of the program: code page 1255 and its Hebrew order, trimming,
// dates, the one number formatter, comma-separated values and lists typed as one text. Every
// other header of text/ is private to it: the rest of the system includes this one.

#include "engine/text/comma_list.h"
#include "engine/text/cp1255.h"
#include "engine/text/csv.h"
#include "engine/text/dates.h"
#include "engine/text/hebrew_order.h"
#include "engine/text/number_format.h"
#include "engine/text/trim.h"
