/* Writes records through the exported record manager, reads them back in key order, finds
 * them by key, and reopens the file; converts a Hebrew text between the code pages and back.
 * Exits 0 when every check holds. */
#include <stdio.h>
#include <string.h>

#include "tallyscan.h"

#define RECORDS 500
#define SLOT 19

static int failures = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                              \
    }                                                                          \
  } while (0)

/* The text right-aligned in a 17-byte key. */
static void PutKey(uint8_t* at, const char* text) {
  size_t n = strlen(text);
  memset(at, ' ', TALLYSCAN_KEY_LENGTH);
  memcpy(at + TALLYSCAN_KEY_LENGTH - n, text, n);
}

static void PutPointer(uint8_t* at, uint32_t value) {
  int i;
  for (i = 0; i < 4; ++i) at[i] = (uint8_t)(value >> (8 * i));
}

static uint32_t GetPointer(const uint8_t* at) {
  return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16) |
         ((uint32_t)at[3] << 24);
}

static void MakeBlock(uint8_t* block, uint32_t record) {
  char text[32];
  memset(block, ' ', TALLYSCAN_KEY_BLOCK_SIZE);
  /* Inserted in a scrambled order; key 2 repeats every 7 records. */
  sprintf(text, "%u", (record * 7919u) % 100003u);
  PutKey(block, text);
  sprintf(text, "G%u", record % 7u);
  PutKey(block + TALLYSCAN_KEY_LENGTH, text);
  block[102] = (uint8_t)(record % 2);
  PutPointer(block + 103, record);
}

static int messages = 0;
static void CountMessage(const char* text, void* context) {
  (void)context;
  CHECK(strstr(text, "\xd7\xa9\xd7\x9d \xd7\x94\xd7\xa7\xd7\x95\xd7\x91\xd7\xa5 - ") != NULL);
  ++messages;
}

static void CheckContents(void) {
  uint8_t entry[TALLYSCAN_ENTRY_SIZE];
  uint8_t previous[TALLYSCAN_KEY_LENGTH];
  int count = 0;
  int32_t status;
  int32_t selector;
  CHECK(GetRecords(SLOT) == RECORDS);
  CHECK(SetKey(SLOT, 1) == 0);
  for (status = GetFirst(SLOT, entry); status == 0; status = GetNext(SLOT, entry)) {
    if (count > 0) CHECK(memcmp(previous, entry, TALLYSCAN_KEY_LENGTH) <= 0);
    memcpy(previous, entry, TALLYSCAN_KEY_LENGTH);
    ++count;
  }
  CHECK(status == 1);
  CHECK(count == RECORDS);

  {
    uint8_t block[TALLYSCAN_KEY_BLOCK_SIZE];
    MakeBlock(block, 123);
    memset(entry, 0, sizeof entry);
    memcpy(entry, block, TALLYSCAN_KEY_LENGTH);
    selector = 0;
    CHECK(Search(SLOT, entry, &selector) == 0);
    CHECK(selector == 0);
    CHECK(GetPointer(entry + 18) == 123);
    CHECK(entry[17] == 1);
  }
  PutKey(entry, "not a key");
  selector = 0;
  CHECK(Search(SLOT, entry, &selector) == 0);
  CHECK(selector == 1);
}

int main(int argc, char** argv) {
  uint8_t block[TALLYSCAN_KEY_BLOCK_SIZE];
  uint32_t record;
  if (argc != 2) {
    fprintf(stderr, "usage: %s INDEX_FILE\n", argv[0]);
    return 2;
  }
  remove(argv[1]);
  TallyscanSetMessageHandler(CountMessage, NULL);

  CHECK(OpenDb(argv[1], SLOT, 2) == 0);
  for (record = 1; record <= RECORDS; ++record) {
    MakeBlock(block, record);
    CHECK(DbInsert(SLOT, block) == 0);
  }
  CHECK(PutStack(SLOT, 77u) == 0);
  CheckContents();
  CHECK(CloseDb(SLOT) == 0);
  CHECK(GetRecords(SLOT) == -2);

  CHECK(OpenDb(argv[1], SLOT, 2) == 0);
  CheckContents();
  CHECK(GetStack(SLOT) == 77);
  MakeBlock(block, 5);
  CHECK(DbDelete(SLOT, block) == 0);
  CHECK(GetRecords(SLOT) == RECORDS - 1);
  CHECK(DbInsert(SLOT, block) == 0);
  CHECK(CloseDb(SLOT) == 0);

  {
    /* Outputs stay as they were when nothing is found; a key number out of range selects
     * key 1; a lock held across calls does not stop the calls of its holder. */
    uint8_t entry[TALLYSCAN_ENTRY_SIZE];
    uint32_t node = 77;
    int32_t at = 77;
    CHECK(OpenDb(argv[1], SLOT, 2) == 0);
    memset(entry, 'x', sizeof entry);
    CHECK(GetMatch(SLOT, 1, entry, &node, &at) == 1);
    CHECK(node == 77 && at == 77 && entry[0] == 'x' && entry[21] == 'x');
    CHECK(GetMatch(SLOT, 3, entry, &node, &at) == -6);
    CHECK(SetKey(SLOT, 7) == 0);
    CHECK(GetKey(SLOT) == 1);
    CHECK(DbLock(SLOT, 0) == 0);
    MakeBlock(block, RECORDS + 1);
    CHECK(DbInsert(SLOT, block) == 0);
    CHECK(DbUnLock(SLOT, 0) == 0);
    CHECK(GetRecords(SLOT) == RECORDS + 1);
    CHECK(CloseDb(SLOT) == 0);
  }

  CHECK(OpenDb(argv[1], 100, 2) == -1);
  CHECK(messages == 1);
  CHECK(DbInsert(3, block) == -2);

  {
    /* Code page 1255 "shalom 123" goes to DOS Hebrew and comes back, in place. */
    const char original[] = "\xF9\xEC\xE5\xED 123";
    char text[sizeof original];
    memcpy(text, original, sizeof original);
    WinToDos(text, (int32_t)strlen(original));
    CHECK(memcmp(text, original, sizeof original) != 0);
    CHECK(strlen(text) == strlen(original));
    DosToWin(text, (int32_t)strlen(original));
    CHECK(memcmp(text, original, sizeof original) == 0);
  }

  if (failures != 0) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("record manager round trip: %d records\n", RECORDS);
  return 0;
}
