#pragma once

// What report/ offers the rest of the program, with report/report.h: where a report goes.
// The targets of the report stream (the pages through a canvas, the HTML documents and their
// preview, the workbook), the file a report is written to and the sink of its bytes, the
// print settings, and the targets of the output dialog. Every other header of report/ is
// private to it: the rest of the system includes these two.

#include "engine/report/byte_sink.h"
#include "engine/report/html_preview.h"
#include "engine/report/html_writer.h"
#include "engine/report/output_targets.h"
#include "engine/report/page_canvas.h"
#include "engine/report/page_layout.h"
#include "engine/report/print_fonts.h"
#include "engine/report/report_file.h"
#include "engine/report/report_stream.h"
#include "engine/report/xlsx_writer.h"
