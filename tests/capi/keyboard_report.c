/* The keyboard and report functions of libtallyscan, called as another program calls them.
 *   keyboard_report x11 ENGLISH_GROUP HEBREW_GROUP  on the X server of DISPLAY, whose keyboard
 *       has the US English and Hebrew layouts in those groups: Heb and Eng change the group,
 *       Num, NumLock and SETLOCK the lock modifiers, as XkbGetState sees them.
 *   keyboard_report none FOLDER  without an X server: the keyboard functions do nothing and
 *       say why once; a report of plain lines and an addressee box is written into FOLDER as
 *       report.htm, report.xls and report.xlsx, and bad arguments are refused.
 * Exits 0 when every check holds. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "tallyscan.h"

static int failures = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                              \
    }                                                                          \
  } while (0)

static int warnings = 0;
static void CountWarning(const char* text, void* context) {
  (void)context;
  fprintf(stderr, "warning: %s\n", text);
  ++warnings;
}

static XkbStateRec StateOf(Display* display) {
  XkbStateRec state;
  memset(&state, 0, sizeof state);
  CHECK(XkbGetState(display, XkbUseCoreKbd, &state) == Success);
  return state;
}

static int Group(Display* display) { return StateOf(display).group; }

static int Locked(Display* display, unsigned mask) {
  return (StateOf(display).locked_mods & mask) == mask;
}

static int OnX11(int english, int hebrew) {
  Display* display = XkbOpenDisplay(NULL, NULL, NULL, NULL, NULL, NULL);
  unsigned num_lock;
  unsigned caps_lock;
  if (display == NULL) {
    fprintf(stderr, "no X server on DISPLAY\n");
    return 2;
  }
  num_lock = XkbKeysymToModifiers(display, XK_Num_Lock);
  caps_lock = XkbKeysymToModifiers(display, XK_Caps_Lock);
  CHECK(num_lock != 0);
  CHECK(caps_lock != 0);

  Eng();
  CHECK(Group(display) == english);
  Heb();
  CHECK(Group(display) == hebrew);
  Heb();
  CHECK(Group(display) == hebrew);
  Eng();
  CHECK(Group(display) == english);

  NumLock();
  CHECK(!Locked(display, num_lock));
  Num();
  CHECK(Locked(display, num_lock));
  Num();
  CHECK(Locked(display, num_lock));
  SETLOCK(0x90, 0);
  CHECK(!Locked(display, num_lock));
  SETLOCK(0x90, 1);
  CHECK(Locked(display, num_lock));
  NumLock();
  CHECK(!Locked(display, num_lock));

  SETLOCK(0x14, 1);
  CHECK(Locked(display, caps_lock));
  CHECK(!Locked(display, num_lock));
  SETLOCK(0x14, 0);
  CHECK(!Locked(display, caps_lock));

  /* Every call above found its layout and its key: nothing to say. A key that is no lock key
   * is left alone and said so, once however often it comes. */
  CHECK(warnings == 0);
  SETLOCK(0x41, 1);
  SETLOCK(0x41, 1);
  CHECK(warnings == 1);
  CHECK(!Locked(display, num_lock) && !Locked(display, caps_lock));
  CHECK(Group(display) == english);

  XCloseDisplay(display);
  return 0;
}

static char path[4096];
static const char* In(const char* folder, const char* name) {
  snprintf(path, sizeof path, "%s/%s", folder, name);
  return path;
}

static int WithoutX11(const char* folder) {
  const char* box[] = {"\xd7\x9c\xd7\x9b\xd7\x91' :", /* "לכב' :" */
                       "\xd7\x99\xd7\xa9\xd7\xa8\xd7\x90\xd7\x9c \xd7\x9b\xd7\x94\xd7\x9f",
                       "Herzl 1, Tel Aviv"};
  const char* broken_box[] = {"\xd7\x9c\xd7\x9b\xd7\x91' :", NULL};
  TallyscanReport* report;

  Heb();
  Eng();
  Num();
  NumLock();
  SETLOCK(0x90, 1);
  /* One obstacle, said once. */
  CHECK(warnings == 1);

  CHECK(TallyscanReportBegin(NULL) == NULL);
  CHECK(TallyscanReportBegin("\xc3(") == NULL);
  report = TallyscanReportBegin(
      "\xd7\x93\xd7\x95\xd7\x97 \xd7\xa0\xd7\x99\xd7\xa1\xd7\x99\xd7\x95\xd7\x9f");
  CHECK(report != NULL);
  if (report == NULL) return 1;

  /* "שורה פשוטה" TAB "ערך", right-aligned in font 1 after a line of space. */
  CHECK(PlainKot(report, 1, 0,
                 "11\xd7\xa9\xd7\x95\xd7\xa8\xd7\x94 \xd7\xa4\xd7\xa9\xd7\x95\xd7\x98\xd7\x94"
                 "\t\xd7\xa2\xd7\xa8\xd7\x9a",
                 0) == 0);
  CHECK(CliName(report, box, 3) == 0);
  CHECK(PlainKot(report, 0, 1.5, "52Left & <framed>", -40) == 0);

  /* Refused, adding nothing. */
  CHECK(PlainKot(NULL, 0, 0, "11x", 0) == -6);
  CHECK(PlainKot(report, 0, 0, NULL, 0) == -6);
  CHECK(PlainKot(report, 0, 0, "Refused: no code", 0) == -6);
  CHECK(PlainKot(report, 0, 0, "1\xd7\x90Refused: half a letter", 0) == -6);
  CHECK(PlainKot(report, 0, 0, "11Refused \xff", 0) == -6);
  CHECK(PlainKot(report, 1e12, 0, "11Refused: too far down", 0) == -6);
  CHECK(PlainKot(report, 0, NAN, "11Refused: no height", 0) == -6);
  CHECK(PlainKot(report, -1, 0, "11Refused: above", 0) == -6);
  CHECK(PlainKot(report, 0, 0, "11Refused: too wide", 101) == -6);
  CHECK(CliName(report, box, 0) == -6);
  CHECK(CliName(report, NULL, 1) == -6);
  CHECK(CliName(report, broken_box, 2) == -6);

  CHECK(TallyscanReportWrite(report, In(folder, "report.htm"), TALLYSCAN_REPORT_MAIL) == 0);
  CHECK(TallyscanReportWrite(report, In(folder, "report.xls"), TALLYSCAN_REPORT_EXCEL) == 0);
  CHECK(TallyscanReportWrite(report, In(folder, "report.xlsx"), TALLYSCAN_REPORT_WORKBOOK) == 0);
  CHECK(TallyscanReportWrite(report, In(folder, "report.pdf"), 4) == -6);
  CHECK(TallyscanReportWrite(report, NULL, TALLYSCAN_REPORT_MAIL) == -6);
  /* A folder is no report file: refused, and said why. */
  warnings = 0;
  CHECK(TallyscanReportWrite(report, folder, TALLYSCAN_REPORT_MAIL) == -3);
  CHECK(warnings == 1);
  TallyscanReportEnd(report);
  TallyscanReportEnd(NULL);
  return 0;
}

int main(int argc, char** argv) {
  int result = 2;
  TallyscanSetMessageHandler(CountWarning, NULL);
  if (argc == 4 && strcmp(argv[1], "x11") == 0) {
    result = OnX11(atoi(argv[2]), atoi(argv[3]));
  } else if (argc == 3 && strcmp(argv[1], "none") == 0) {
    result = WithoutX11(argv[2]);
  } else {
    fprintf(stderr, "usage: keyboard_report x11 ENGLISH_GROUP HEBREW_GROUP | none FOLDER\n");
  }
  if (result != 0) return result;
  return failures == 0 ? 0 : 1;
}
