/* libtallyscan: the program's named functions for other programs, behind a C interface. */
#ifndef TALLYSCAN_H_
#define TALLYSCAN_H_

#include <stdint.h>

/* The library's own build defines TALLYSCAN_BUILDING_LIBRARY; a program that calls it does
 * not, and on Windows then imports the functions from the DLL. */
#if defined(_WIN32)
#if defined(TALLYSCAN_BUILDING_LIBRARY)
#define TALLYSCAN_EXPORT __declspec(dllexport)
#else
#define TALLYSCAN_EXPORT __declspec(dllimport)
#endif
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
 *   failed, -5 damaged file (or a change to a file opened for reading only because it was
 *   found damaged), -6 bad argument, -7 file is read-only, -8 file full, -9 another program
 *   kept the file locked for longer than the wait (10 seconds).
 * Functions that answer a number (GetRecords, GetKey, GetStack) return it, or a negative
 * status. Output buffers and pointers are written only when the status is 0, except Search's
 * selector, which is 1 after any other answer.
 *
 * Warnings for the user (open failure, read-only file, damaged file) go to the handler given
 * to TallyscanSetMessageHandler, or to standard error when none is set; so do those of the
 * keyboard and report functions below.
 *
 * Not thread-safe: one thread calls the library. Other programs may use the same files at
 * the same time: every call holds the file's lock between programs while it runs (shared
 * for reading, exclusive for a change), and sees every change another program made before
 * it. A process killed at any moment loses no record whose DbInsert returned 0. */

#define TALLYSCAN_KEY_LENGTH 17
#define TALLYSCAN_ENTRY_SIZE 22
#define TALLYSCAN_KEY_BLOCK_SIZE 107

/* Opens the index file on the slot; file_name is UTF-8. A missing file is created, laid out
 * with number_of_keys keys (1-6; anything else is -6). An existing file's header wins: its own
 * number of keys is used whatever number_of_keys says (a header saying 0 takes number_of_keys,
 * at most 3). A second OpenDb on an open slot only counts up; each needs a CloseDb. A file cut
 * short is refused (-5). A file that a killed writer left behind is checked first; when it is
 * damaged it is opened for reading only, the warning says why, and every change answers -5. */
TALLYSCAN_EXPORT int32_t OpenDb(const char* file_name, int32_t slot, int32_t number_of_keys);
/* Counts down; at 0 the file is synced to the disk and closed. */
TALLYSCAN_EXPORT int32_t CloseDb(int32_t slot);
TALLYSCAN_EXPORT int32_t DbInsert(int32_t slot, const uint8_t* key_block);
TALLYSCAN_EXPORT int32_t DbUpdate(int32_t slot, const uint8_t* new_key_block,
                                  const uint8_t* old_key_block);
TALLYSCAN_EXPORT int32_t DbDelete(int32_t slot, const uint8_t* key_block);
/* Syncs the file to the disk. */
TALLYSCAN_EXPORT int32_t DbFlush(int32_t slot);
/* DbLock holds the file's lock between programs from now until the matching DbUnLock (or
 * CloseDb), so that several calls are one step for other programs: they wait for it as they
 * wait for a single call, and give up with -9 after the wait. Exclusive, or shared on a file
 * opened for reading only; the calls in between never wait. Each DbLock that returned 0 needs
 * one DbUnLock; a DbUnLock without one does nothing. mode is not used. */
TALLYSCAN_EXPORT int32_t DbLock(int32_t slot, int32_t mode);
TALLYSCAN_EXPORT int32_t DbUnLock(int32_t slot, int32_t mode);
/* Cursor functions: entry in (its key, and under key 2 its pointer) and out. */
TALLYSCAN_EXPORT int32_t GetEqual(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetFirst(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetLast(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetNext(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t GetPrev(int32_t slot, uint8_t* entry);
TALLYSCAN_EXPORT int32_t rStart(int32_t slot, uint8_t* entry);
/* The exact search on key key_number (1 to the file's number of keys, else -6), without
 * moving the cursor. entry, node_position and entry_slot are written only when it returns 0. */
TALLYSCAN_EXPORT int32_t GetMatch(int32_t slot, int32_t key_number, uint8_t* entry,
                                  uint32_t* node_position, int32_t* entry_slot);
/* selector: -99 asks for key 4; on return 0 found (entry filled) or 1 absent. */
TALLYSCAN_EXPORT int32_t Search(int32_t slot, uint8_t* entry, int32_t* selector);
TALLYSCAN_EXPORT int64_t GetRecords(int32_t slot);
TALLYSCAN_EXPORT int32_t GetKey(int32_t slot);
/* Selects the key the cursor functions follow; a number below 1 or above the file's number
 * of keys selects key 1 (and returns 0). */
TALLYSCAN_EXPORT int32_t SetKey(int32_t slot, int32_t key_number);
TALLYSCAN_EXPORT int64_t GetStack(int32_t slot);
TALLYSCAN_EXPORT int32_t PutStack(int32_t slot, uint32_t value);
TALLYSCAN_EXPORT int32_t SaveFileStatus(int32_t slot, int32_t* key_number, uint32_t* node_position,
                                        int32_t* entry_slot);
TALLYSCAN_EXPORT int32_t RestFileStatus(int32_t slot, int32_t key_number, uint32_t node_position,
                                        int32_t entry_slot, uint8_t* entry);

/* Receives each warning as UTF-8 lines joined by '\n'; NULL restores standard error. The text
 * is valid during the call only: copy it to keep it. The handler is called from within the
 * function that gives the warning. */
typedef void (*TallyscanMessageHandler)(const char* text, void* context);
TALLYSCAN_EXPORT void TallyscanSetMessageHandler(TallyscanMessageHandler handler, void* context);

/* ---- Hebrew code pages -------------------------------------------------------------------
 * Convert length bytes in place: DOS Hebrew in visual order to code page 1255 in logical
 * order, and back. The length never changes. */
TALLYSCAN_EXPORT void DosToWin(char* text, int32_t length);
TALLYSCAN_EXPORT void WinToDos(char* text, int32_t length);

/* ---- Keyboard ----------------------------------------------------------------------------
 * The keyboard of Hebrew data entry. On X11 (DISPLAY names a server and no Wayland session
 * runs) they switch the keyboard of that server through XKB: the group whose layout is named
 * "Hebrew", or "English (US)" (`setxkbmap us,il` gives both), and the lock modifier of a
 * lock key; libX11 is loaded at the first call. Elsewhere, and where the server's keyboard
 * has no such layout or key, they do nothing; the first call that meets each obstacle says
 * why through the message handler (TallyscanSetMessageHandler). */

/* Activates the Hebrew keyboard layout. */
TALLYSCAN_EXPORT void Heb(void);
/* Activates the US English keyboard layout. */
TALLYSCAN_EXPORT void Eng(void);
/* When the lock state of the key with virtual-key code `key` (0x90 Num Lock, 0x14 Caps Lock,
 * 0x91 Scroll Lock) differs from `state` (0 off, anything else on), turns it over. Another
 * key is left alone. */
TALLYSCAN_EXPORT void SETLOCK(int32_t key, int32_t state);
/* Num Lock on. */
TALLYSCAN_EXPORT void Num(void);
/* Num Lock off. */
TALLYSCAN_EXPORT void NumLock(void);

/* ---- Reports -----------------------------------------------------------------------------
 * A report of free texts and addressee boxes, written by the program's own report writers.
 * Begin it with its title, add its parts in order, write it to a file in one form or several,
 * and end it. Texts are UTF-8. Functions that answer a status answer 0 when done, -6 for a bad
 * argument (which adds nothing), -3 when the file may not be written (a folder, a link, a
 * device) and -4 when writing failed; the reason goes to the message handler. A file is
 * replaced only by a complete report: a failed write leaves whatever was there. */

typedef struct TallyscanReport TallyscanReport;

/* The HTML table a spreadsheet program opens (a ".Xls" file), code page 1255. */
#define TALLYSCAN_REPORT_EXCEL 1
/* The HTML document of an e-mail (a ".Htm" file), code page 1255, with the title lines. */
#define TALLYSCAN_REPORT_MAIL 2
/* An .xlsx workbook. */
#define TALLYSCAN_REPORT_WORKBOOK 3

/* A new report titled `title`; NULL when the title is not UTF-8 or memory ran out. */
TALLYSCAN_EXPORT TallyscanReport* TallyscanReportBegin(const char* title);
/* Adds a plain line. `coded_text` begins with two digits, the font slot (1-9) and the
 * alignment (0 centred, 1 right, 2 left), followed by the text, in which a TAB separates a
 * label from its value. `lines_before` and `extra_height` (0-100, fractions allowed) are the
 * space before and after it, in lines of its font. `width_percent` 0 takes the whole width,
 * 1 to 100 that share of it, -1 to -100 the same share in a frame with rounded corners. */
TALLYSCAN_EXPORT int32_t PlainKot(TallyscanReport* report, double lines_before, double extra_height,
                                  const char* coded_text, int32_t width_percent);
/* Adds the addressee box: `lines[0]` its heading ("לכב' :"), the rest the address lines;
 * line_count at least 1. */
TALLYSCAN_EXPORT int32_t CliName(TallyscanReport* report, const char* const* lines,
                                 int32_t line_count);
/* Writes the report as it stands to `file_name` in `form` (TALLYSCAN_REPORT_...). */
TALLYSCAN_EXPORT int32_t TallyscanReportWrite(TallyscanReport* report, const char* file_name,
                                              int32_t form);
/* Frees the report; NULL does nothing. */
TALLYSCAN_EXPORT void TallyscanReportEnd(TallyscanReport* report);

#ifdef __cplusplus
}
#endif

#endif /* TALLYSCAN_H_ */
