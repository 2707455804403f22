/* A C program that stores and reads settings through libtallyscan's exported functions. */
#include <stdio.h>
#include <string.h>

#include "tallyscan_settings.h"

static int failures = 0;

static void Expect(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  char buffer[1024];
  unsigned char record[680];
  int i;
  for (i = 0; i < 680; ++i) record[i] = (unsigned char)(i * 11);

  Expect(ReadReg("Params", "Missing", buffer, sizeof buffer) == 0, "missing value reads empty");
  Expect(buffer[0] == '\0', "missing value leaves an empty text");

  WriteReg("Params", "LastPath", "/data/2023 \xd7\x93\xd7\xa0\xd7\x94");
  Expect(ReadReg("Params", "LastPath", buffer, sizeof buffer) == 17, "text length");
  Expect(strcmp(buffer, "/data/2023 \xd7\x93\xd7\xa0\xd7\x94") == 0, "text round trip");

  WriteReg("Params", "Company", "\xd7\x93\xd7\xa0\xd7\x94 \xd7\x91\xd7\xa2\"\xd7\x9e   ");
  Expect(ReadReg("Params", "Company", buffer, sizeof buffer) == 14,
         "text without its trailing blanks");
  Expect(strcmp(buffer, "\xd7\x93\xd7\xa0\xd7\x94 \xd7\x91\xd7\xa2\"\xd7\x9e") == 0,
         "text kept up to its last letter");
  WriteReg("Params", "Blank", "   ");
  Expect(ReadReg("Params", "Blank", buffer, sizeof buffer) == 0, "blanks alone read empty");

  /* A record whose last bytes are blanks keeps them. */
  for (i = 670; i < 680; ++i) record[i] = ' ';
  WriteRegBytes("Params", "PrintFonts", record, 680);
  Expect(ReadReg("Params", "PrintFonts", buffer, sizeof buffer) == 680, "record length");
  Expect(memcmp(buffer, record, 680) == 0, "record round trip");
  Expect(ReadReg("Params", "PrintFonts", buffer, 10) == 680, "cut copy reports the length");
  return failures == 0 ? 0 : 1;
}
