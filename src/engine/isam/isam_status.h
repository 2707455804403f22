#pragma once

// Private to isam/: the rest of the program includes isam/isam.h.

namespace tallyscan {

// The outcome of a record-manager call. kNotFound is the ordinary "status 1" of the cursor
// functions (no such key, end of the chain, empty file); the negative values are failures
// that leave the file as it was before the call, except kIoError, which may stop an
// operation half-way as a failing disk does. No result may be dropped unread.
enum class [[nodiscard]] IsamStatus : int{
    kOk = 0, kNotFound = 1,
    kBadSlot = -1,      // slot number outside 0-99
    kNotOpen = -2,      // the slot has no open file
    kOpenFailed = -3,   // the file could not be opened (a warning was sent)
    kIoError = -4,      // the system failed a read or a write
    kCorrupt = -5,      // the file contradicts its own layout: a position past the end, a bad
                        // count, a broken or circular link; or, for a change, the file was
                        // found damaged when it was opened and is open for reading only
    kBadArgument = -6,  // a key number, key count or key the file cannot hold
    kReadOnly = -7,     // a change was asked of a file opened for reading only
    kFileFull = -8,     // the file would outgrow its 32-bit node positions
    kLocked = -9,       // another program held the file's lock for longer than the wait
};

}  // namespace tallyscan
