/* libnarwe: run one SQL SELECT over CSV files and get the result as text.
 *
 * Usage:
 *     char *out = NULL;
 *     int rc = narwe_query_json("SELECT name FROM 'people.csv' WHERE age > 30", &out);
 *     if (rc == 0)      use(out);            // JSON array of objects
 *     else if (rc == 1) report(out);         // "error: " followed by an error name
 *     narwe_free(out);                       // NULL is ignored
 *
 * Return codes of narwe_query_json / narwe_query_csv:
 *   0  success: *out holds the result text (NUL-terminated).
 *   1  failure: *out holds "error: <Name>", e.g. "error: FileNotFound".
 *   2  out of memory while building the error text: *out is not written.
 * Every string stored in *out belongs to the caller and must be released with narwe_free.
 * Each call runs on a thread of its own; calls from different threads are independent.
 */
#ifndef NARWE_H
#define NARWE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define NARWE_EXPORT __attribute__((visibility("default")))
#else
#define NARWE_EXPORT
#endif

/* Runs `sql` and stores a JSON array of objects in *out. */
NARWE_EXPORT int narwe_query_json(const char *sql, char **out);

/* Runs `sql` and stores CSV text with a header line in *out. */
NARWE_EXPORT int narwe_query_csv(const char *sql, char **out);

/* Releases a string returned by either query function. NULL is ignored. */
NARWE_EXPORT void narwe_free(char *s);

#ifdef __cplusplus
}
#endif

#endif /* NARWE_H */
