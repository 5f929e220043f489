/* A C host: runs one statement (the first argument, or a query on
 * people.csv) and prints the JSON result, or the error name on failure.
 * Run it from the examples/ folder. Exit status: 0 success, 1 failure. */
#include <stdio.h>
#include <string.h>

#include <narwe.h>

int main(int argc, char **argv) {
  const char *sql = argc > 1
      ? argv[1]
      : "SELECT name, age FROM 'people.csv' WHERE age > 40";
  char *out = NULL;
  int rc = narwe_query_json(sql, &out);
  if (rc == 0) {
    fputs(out, stdout);
    narwe_free(out);
    return 0;
  }
  if (rc == 1) {
    /* out is "error: <Name>"; the name alone is what a program branches on. */
    const char *name = out + strlen("error: ");
    fprintf(stderr, "query failed: %s\n", name);
    narwe_free(out);
    return 1;
  }
  fputs("query failed: out of memory\n", stderr); /* rc 2: out not written */
  return 1;
}
