#pragma once

// Private to transfer/: returns the status of a record-manager step from the enclosing
// function when it is not kOk. Each use names its own variable, so that a step inside a
// lambda of another step does not shadow the outer one.

#include "engine/transfer/isam_status.h"

#define ISAM_TRY_JOIN2(a, b) a##b
#define ISAM_TRY_JOIN(a, b) ISAM_TRY_JOIN2(a, b)
#define ISAM_TRY(expr) ISAM_TRY_NAMED(expr, ISAM_TRY_JOIN(isam_try_status_, __COUNTER__))
#define ISAM_TRY_NAMED(expr, name)                                                           \
  do {                                                                                       \
    if (const ::tallyscan::IsamStatus name = (expr); name != ::tallyscan::IsamStatus::kOk) { \
      return name;                                                                           \
    }                                                                                        \
  } while (false)
