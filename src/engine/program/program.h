#pragma once

// What program/ offers the rest of the program: the per-user settings store, the running
// version and the check for a newer one, the update's download, and the main window's kept
// placement. Every other header of program/ is private to it: the rest of the system
// includes this one.

#include "engine/program/settings.h"
#include "engine/program/update.h"
#include "engine/program/version_check.h"
#include "engine/program/window_placement.h"
