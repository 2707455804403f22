#pragma once

// Private to isam/: returns the status of a record-manager step from the enclosing
// function when it is not kOk. The local's name carries the line, so a step inside a lambda
// that is itself the argument of an outer ISAM_TRY does not shadow the outer one.

#include "engine/isam/isam_status.h"

#define ISAM_TRY_JOIN_(a, b) a##b
#define ISAM_TRY_NAME_(line) ISAM_TRY_JOIN_(isam_try_status_, line)

#define ISAM_TRY(expr)                                                   \
  do {                                                                   \
    if (const ::tallyscan::IsamStatus ISAM_TRY_NAME_(__LINE__) = (expr); \
        ISAM_TRY_NAME_(__LINE__) != ::tallyscan::IsamStatus::kOk) {      \
      return ISAM_TRY_NAME_(__LINE__);                                   \
    }                                                                    \
  } while (false)
