#pragma once

// What portfolio/ offers the rest of the program: the clients of a portfolio, how heavy each
// is and how they are shared out, a client's work in a child process of its own with its
// inputs, archive examination and manifest, and the portfolio summary, its table and its
// report. Every other header of portfolio/ is private to it: the rest of the system includes
// this one.

#include "engine/portfolio/child_process.h"
#include "engine/portfolio/clients.h"
#include "engine/portfolio/inputs.h"
#include "engine/portfolio/manifest.h"
#include "engine/portfolio/portfolio_report.h"
#include "engine/portfolio/summary.h"
#include "engine/portfolio/summary_table.h"
#include "engine/portfolio/workload.h"
#include "engine/portfolio/zip_examination.h"
