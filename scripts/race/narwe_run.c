/* Runs one statement through libnarwe's CSV entry point.
 *
 * Usage: narwe_run STATEMENT [OUTPUT]
 * The whole result is produced as CSV text; it is written to OUTPUT when one is
 * given and discarded otherwise. A failed query prints the library's error
 * text on standard error and exits 1. */
#include <stdio.h>
#include <string.h>

#include "narwe.h"

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: narwe_run STATEMENT [OUTPUT]\n");
    return 2;
  }
  char *out = NULL;
  int rc = narwe_query_csv(argv[1], &out);
  if (rc == 2) {
    fprintf(stderr, "error: out of memory\n");
    return 1;
  }
  if (rc != 0) {
    fprintf(stderr, "%s\n", out ? out : "error: (no text)");
    narwe_free(out);
    return 1;
  }
  int status = 0;
  if (argc == 3) {
    FILE *f = fopen(argv[2], "wb");
    size_t len = strlen(out);
    if (!f || fwrite(out, 1, len, f) != len) status = 1;
    if (f && fclose(f) != 0) status = 1;
    if (status) fprintf(stderr, "cannot write %s\n", argv[2]);
  }
  narwe_free(out);
  return status;
}
