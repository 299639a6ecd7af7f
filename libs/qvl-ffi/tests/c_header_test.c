/* A C99 client of the interface: types a word, converts a charset and
 * checks a few conventions. Exits non-zero on the first failure. */
#include <stdio.h>
#include <string.h>

#include "qvl.h"

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "failed: %s\n", what);
    ++failures;
  }
}

int main(void) {
  const char* keys[] = {"v", "i", "e", "e", "t", "j"};
  QvlSession* session = qvl_session_new(NULL, QVL_OUTPUT_PREEDIT);
  QvlAction action;
  size_t i;
  size_t length = 0;
  const uint8_t* bytes;

  check(session != NULL, "session");
  for (i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
    action = qvl_process_key(session, keys[i], false, false, false);
    check(action.kind == QVL_ACTION_PREEDIT, "preedit while typing");
  }
  check(strcmp(action.text, "vi\xE1\xBB\x87t") == 0, "preedit text");
  action = qvl_process_key(session, " ", false, false, false);
  check(action.kind == QVL_ACTION_COMMIT, "space commits");
  check(action.text != NULL && strcmp(action.text, "vi\xE1\xBB\x87t ") == 0, "committed text");

  bytes = qvl_charset_encode_bytes(session, "tcvn3", "Vi\xE1\xBB\x87t", &length);
  check(bytes != NULL && length == 4 && bytes[2] == 0xD6, "tcvn3 bytes");
  check(qvl_char_to_byte_offset("a\xC3\xA9", 2) == 3, "byte offset");
  check(qvl_process_key(NULL, "a", false, false, false).kind == QVL_ACTION_PASS, "NULL session");
  check(strcmp(qvl_version(), "0.1.2") == 0, "version");
  check(strncmp(qvl_charset_list(), "unicode\t", 8) == 0, "charset list");

  qvl_session_free(session);
  return failures == 0 ? 0 : 1;
}
