/* libtallyscan: the program's settings for other programs. Values live under the per-user
 * key Software\Norva\Tallyscan (the registry on Windows, ~/.config/Norva/Tallyscan.conf on
 * Linux), each named by a subkey and a value name. Values are raw bytes; a missing value
 * reads as empty, and a failed write is silent. Only present when the library was built with
 * Qt. */
#ifndef TALLYSCAN_SETTINGS_H_
#define TALLYSCAN_SETTINGS_H_

#include <stdint.h>

#include "tallyscan.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Copies the value into buffer (at most buffer_size bytes, followed by a NUL when there is
 * room) and returns the value's whole length in bytes; 0 when it is missing. A return above
 * buffer_size - 1 means the copy was cut: call again with a larger buffer. A text value comes
 * without its trailing blanks; a binary record (one that holds a NUL or another control byte
 * other than TAB, CR and LF, as those WriteRegBytes stores do) comes whole. */
TALLYSCAN_EXPORT int32_t ReadReg(const char* subkey, const char* value_name, char* buffer,
                                 int32_t buffer_size);
/* Stores the NUL-terminated text value. */
TALLYSCAN_EXPORT void WriteReg(const char* subkey, const char* value_name, const char* value);
/* Stores size raw bytes, NULs included (a binary record). */
TALLYSCAN_EXPORT void WriteRegBytes(const char* subkey, const char* value_name, const void* value,
                                    int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* TALLYSCAN_SETTINGS_H_ */
