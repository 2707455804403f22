/* libtallyscan: the program's named functions for other programs, behind a C interface. */
#ifndef TALLYSCAN_H_
#define TALLYSCAN_H_

#include <stdint.h>

#if defined(_WIN32)
#define TALLYSCAN_EXPORT __declspec(dllexport)
#else
#define TALLYSCAN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Record manager ----------------------------------------------------------------------
 * Index files addressed by a file slot 0-99. Byte buffers:
 *   key block (107 bytes): key k (1-6) at (k - 1) * 17, 17 bytes each; the record's flag
 *     byte at 102; its 32-bit record pointer, little-endian, at 103.
 *   entry (22 bytes): the 17 key bytes, the flag byte, the 32-bit pointer little-endian at 18.
 * Every function returns a status: 0 done, 1 not found (no such key, end of the chain, no
 * records; "status 1"), negative a failure that changed nothing (except -4, a failing disk):
 *   -1 slot outside 0-99, -2 slot not open, -3 file cannot be opened, -4 read or write
 *   failed, -5 damaged file, -6 bad argument, -7 file is read-only, -8 file full.
 * Functions that answer a number (GetRecords, GetKey, GetStack) return it, or a negative
 * status. Warnings for the user (open failure, read-only file) go to the handler given to
 * TallyscanSetMessageHandler, or to standard error when none is set. Not thread-safe. */

#define TALLYSCAN_KEY_LENGTH 17
#define TALLYSCAN_ENTRY_SIZE 22
#define TALLYSCAN_KEY_BLOCK_SIZE 107

TALLYSCAN_EXPORT int32_t OpenDb(const char* file_name, int32_t slot, int32_t number_of_keys);
TALLYSCAN_EXPORT int32_t CloseDb(int32_t slot);
TALLYSCAN_EXPORT int32_t DbInsert(int32_t slot, const uint8_t* key_block);
TALLYSCAN_EXPORT int32_t DbUpdate(int32_t slot, const uint8_t* new_key_block,
                                  const uint8_t* old_key_block);
TALLYSCAN_EXPORT int32_t DbDelete(int32_t slot, const uint8_t* key_block);
TALLYSCAN_EXPORT int32_t DbFlush(int32_t slot);
TALLYSCAN_EXPORT int32_t DbLock(int32_t slot, int32_t mode);
TALLYSCAN_EXPORT int32_t DbUnLock(int32_t slot, int32_t mode);
/* Cursor functions: entry in (its key, and under key 2 its pointer) and out. */
TALLYSCAN_EXPORT int32_t GetEqual(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetFirst(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetLast(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetNext(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetPrev(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t rStart(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetMatch(int32_t slot, int32_t key_number, uint8_t* entry,
                                  uint32_t* node_position, int32_t* entry_slot);
/* selector: -99 asks for key 4; on return 0 found (entry filled) or 1 absent. */
TALLYSCAN_EXPORT int32_t Search(int32_t slot, uint8_t* entry, int32_t* selector);
TALLYSCAN_EXPORT int64_t GetRecords(int32_t slot);
TALLYSCAN_EXPORT int32_t GetKey(int32_t slot);
TALLYSCAN_EXPORT int32_t SetKey(int32_t slot, int32_t key_number);
TALLYSCAN_EXPORT int64_t GetStack(int32_t slot);
TALLYSCAN_EXPORT int32_t PutStack(int32_t slot, uint32_t value);
TALLYSCAN_EXPORT int32_t SaveFileStatus(int32_t slot, int32_t* key_number, uint32_t* node_position,
                                        int32_t* entry_slot);
TALLYSCAN_EXPORT int32_t RestFileStatus(int32_t slot, int32_t key_number, uint32_t node_position,
                                        int32_t entry_slot, uint8_t* entry);

/* Receives each warning as UTF-8 lines joined by '\n'; NULL restores standard error. */
typedef void (*TallyscanMessageHandler)(const char* text, void* context);
TALLYSCAN_EXPORT void TallyscanSetMessageHandler(TallyscanMessageHandler handler, void* context);

/* ---- Hebrew code pages -------------------------------------------------------------------
 * Convert length bytes in place: DOS Hebrew in visual order to code page 1255 in logical
 * order, and back. The length never changes. */
TALLYSCAN_EXPORT void DosToWin(char* text, int32_t length);
TALLYSCAN_EXPORT void WinToDos(char* text, int32_t length);

#ifdef __cplusplus
}
#endif

#endif /* TALLYSCAN_H_ */
