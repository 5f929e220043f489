/* Runs one SQL text through DuckDB's shared library, loaded with dlopen.
 *
 * Usage: duckdb_run LIBDUCKDB.so SQL      (run SQL in an in-memory database)
 *        duckdb_run LIBDUCKDB.so --version
 * The few C API functions used are declared here, so no header is needed. The
 * result struct is only ever handed back to the library; it is given more room
 * than the library writes into. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int duck_state; /* 0 success, 1 error */
typedef void *duck_handle;
typedef struct {
  uint64_t words[16];
} duck_result;

typedef duck_state (*open_fn)(const char *, duck_handle *);
typedef duck_state (*connect_fn)(duck_handle, duck_handle *);
typedef duck_state (*query_fn)(duck_handle, const char *, duck_result *);
typedef const char *(*result_error_fn)(duck_result *);
typedef void (*destroy_result_fn)(duck_result *);
typedef void (*disconnect_fn)(duck_handle *);
typedef void (*close_fn)(duck_handle *);
typedef const char *(*version_fn)(void);

static void *need(void *lib, const char *name) {
  void *sym = dlsym(lib, name);
  if (!sym) fprintf(stderr, "duckdb_run: %s missing: %s\n", name, dlerror());
  return sym;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: duckdb_run LIBDUCKDB.so SQL|--version\n");
    return 2;
  }
  void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "duckdb_run: %s\n", dlerror());
    return 2;
  }
  if (strcmp(argv[2], "--version") == 0) {
    version_fn version = (version_fn)need(lib, "duckdb_library_version");
    if (!version) return 2;
    printf("%s\n", version());
    return 0;
  }
  open_fn db_open = (open_fn)need(lib, "duckdb_open");
  connect_fn db_connect = (connect_fn)need(lib, "duckdb_connect");
  query_fn db_query = (query_fn)need(lib, "duckdb_query");
  result_error_fn db_result_error = (result_error_fn)need(lib, "duckdb_result_error");
  destroy_result_fn db_destroy_result = (destroy_result_fn)need(lib, "duckdb_destroy_result");
  disconnect_fn db_disconnect = (disconnect_fn)need(lib, "duckdb_disconnect");
  close_fn db_close = (close_fn)need(lib, "duckdb_close");
  if (!db_open || !db_connect || !db_query || !db_result_error || !db_destroy_result ||
      !db_disconnect || !db_close)
    return 2;

  duck_handle db = NULL, con = NULL;
  if (db_open(NULL, &db) != 0) {
    fprintf(stderr, "duckdb_run: cannot open an in-memory database\n");
    return 1;
  }
  if (db_connect(db, &con) != 0) {
    fprintf(stderr, "duckdb_run: cannot connect\n");
    db_close(&db);
    return 1;
  }
  duck_result result;
  memset(&result, 0, sizeof(result));
  int status = 0;
  if (db_query(con, argv[2], &result) != 0) {
    const char *message = db_result_error(&result);
    fprintf(stderr, "error: %s\n", message ? message : "(no text)");
    status = 1;
  }
  db_destroy_result(&result);
  db_disconnect(&con);
  db_close(&db);
  return status;
}
