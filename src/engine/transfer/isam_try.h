#pragma once

// Private to transfer/: returns the status of a record-manager step from the enclosing
// function when it is not kOk.

#include "engine/transfer/isam_status.h"

#define ISAM_TRY(expr)                                           \
  do {                                                           \
    if (const ::tallyscan::IsamStatus isam_try_status_ = (expr); \
        isam_try_status_ != ::tallyscan::IsamStatus::kOk) {      \
      return isam_try_status_;                                   \
    }                                                            \
  } while (false)
