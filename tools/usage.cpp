// The help and version texts of the narwe command-line host.
#include "usage.h"

#ifndef NARWE_VERSION
#define NARWE_VERSION "unknown"
#endif

namespace narwe_cli {
namespace {

// Statement kinds whose availability changes as the library grows. Each entry
// is printed under "SQL available today" or "Not available yet"; `refusal` is
// what a statement of that kind answers while it is not available.
struct Feature {
  const char* lines;    // one or more help lines, each starting with two spaces
  bool available;
  const char* refusal;  // printed after the lines while not available
};

constexpr Feature kFeatures[] = {
    {"  GROUP BY items [HAVING condition]\n", true, "error: Unimplemented"},
    {"  aggregates: count(*), count(x), count(DISTINCT x), sum, avg, min, max,\n"
     "    median, variance, stddev and their _samp/_pop forms, group_concat,\n"
     "    string_agg\n",
     true, "error: Unimplemented"},
    {"  [INNER] JOIN 'other.csv' [alias] ON a = b\n", true, ""},
    {"  column [NOT] IN (SELECT ...)\n", true, ""},
};

constexpr const char* kHead =
    "usage: narwe [options] 'SELECT ...'\n"
    "\n"
    "Runs one SQL SELECT over CSV files and prints the result.\n"
    "\n"
    "Options:\n"
    "  --format csv|json|table  output format (default: csv)\n"
    "  --csv, --json, --table   short for --format csv, json, table\n"
    "  --output FILE, -o FILE   write the result to FILE (only when the query\n"
    "                           succeeds; otherwise FILE is left untouched)\n"
    "  --max-width N            table format: cut values wider than N characters\n"
    "                           (default 40, at least 4)\n"
    "  --version                print the version\n"
    "  --help, -h               print this text\n"
    "  --                       the next argument is the statement, even if it\n"
    "                           starts with -\n"
    "\n"
    "Output formats:\n"
    "  csv    a header line, then one line per row, each ending in LF. A value\n"
    "         holding a comma, double quote, CR or LF is quoted, with quotes\n"
    "         inside doubled.\n"
    "  json   an array of objects, one per row, keys in SELECT order. A value\n"
    "         that reads as a JSON number (12, -0, 3.25, 1e5) is written bare;\n"
    "         every other value, 007 and the empty value included, is a string.\n"
    "         There is no null, true or false.\n"
    "  table  aligned columns for reading: values cut to --max-width characters\n"
    "         (ending in ...), line breaks shown as \\n, then the row count.\n"
    "\n"
    "Exit codes:\n"
    "  0  success: the result is on standard output (or in the --output file)\n"
    "  1  the query failed (\"error: <Name>\" on standard error), or the result\n"
    "     could not be written\n"
    "  2  a usage mistake: unknown option, missing or extra statement\n"
    "\n"
    "SQL available today:\n"
    "  SELECT [DISTINCT] item, ... | * FROM 'file.csv' [[AS] alias]\n"
    "    [WHERE condition] [ORDER BY key [ASC|DESC], ...] [LIMIT n] [OFFSET n]\n"
    "  FROM stdin (or FROM -) reads standard input. The first line of a file\n"
    "  names its columns; names match case-insensitively.\n"
    "  item:      column [[AS] name] | function(...) | CASE | column IS [NOT] NULL\n"
    "  CASE:      CASE WHEN column op value THEN x ELSE y END\n"
    "             (one WHEN only; the ELSE is required)\n"
    "  condition: column op value          op: = != <> < <= > >=\n"
    "             column [NOT] IN ('a', 'b', ...)\n"
    "             column BETWEEN low AND high\n"
    "             column LIKE 'pattern' | column ILIKE 'pattern'   (% and _)\n"
    "             column IS NULL | column IS NOT NULL\n"
    "             column % n op value\n"
    "             extract(unit FROM column) op number\n"
    "             datediff('unit', column1, column2) op number\n"
    "             joined by AND, OR, NOT and parentheses; a leading NOT covers\n"
    "             everything after it: NOT a = 1 AND b = 2 is NOT (a = 1 AND b = 2)\n"
    "  key:       a column, a SELECT name or alias, or a position (ORDER BY 2)\n";

constexpr const char* kFunctions =
    "\n"
    "Scalar functions (in the SELECT list; x, y are columns):\n"
    "  upper(x) lower(x) trim(x) reverse(x) length(x)   these five may wrap\n"
    "                                 another function: upper(substr(x, 1, 3))\n"
    "  substr(x, start[, count]) substring(...)  1-based, counted in bytes\n"
    "  lpad(x, width[, 'pad']) rpad(x, width[, 'pad'])  pad defaults to a space\n"
    "  replace(x, 'from', 'to') split_part(x, 'delimiter', n)\n"
    "  concat(x, 'text', ...) coalesce(x, y, ..., 'fallback')\n"
    "  greatest(x, y, ...) least(x, y, ...)\n"
    "  abs(x) sign(x) ceil(x) ceiling(x) floor(x) round(x[, digits]) mod(x, n)\n"
    "  cast(x AS int | float | text)\n"
    "  strftime('format', x)          the format comes first: %Y %m %d %H %M %S\n"
    "  date_part('unit', x) extract(unit FROM x)\n"
    "  datediff('unit', start, end)   end minus start, in units\n"
    "  dateadd('unit', amount, x)     the amount comes before the date\n"
    "  Units: second minute hour day week month year (week not for extract and\n"
    "  date_part); a month is 30 days and a year 365 days.\n"
    "  Dates: 2024-01-31, 2024-01-31 10:30[:00], 2024-01-31T10:30:00Z,\n"
    "  01/31/2024, 31.01.2024, 20240131[103000].\n"
    "\n"
    "Large files: a scan of a file above 10 MiB (no GROUP BY, aggregate, JOIN\n"
    "or OFFSET) runs on several workers when it has ORDER BY on one key, no\n"
    "LIMIT, or a LIMIT above 100000; with scalar functions, only for CSV output\n"
    "without ORDER BY, DISTINCT or LIMIT. NARWE_THREADS sets the most workers.\n"
    "The answer is the same on one worker or many.\n"
    "\n"
    "Limits: at most 256 fields per record. Text functions count bytes.\n"
    "README.md (\"Where this dialect differs from standard SQL\") lists what to\n"
    "change when a query moves to another engine.\n";

// Every line below is run by a test from the examples/ folder and must
// succeed there.
constexpr const char* kExamples =
    "\n"
    "Examples (run them in the examples/ folder):\n"
    "  narwe \"SELECT * FROM 'people.csv' LIMIT 3\"\n"
    "  narwe --table \"SELECT name, city, age FROM 'people.csv' WHERE age > 30 ORDER BY age DESC\"\n"
    "  narwe --json \"SELECT upper(name) AS name, strftime('%Y', joined) AS year FROM 'people.csv' WHERE city IN ('Oslo', 'Lima')\"\n"
    "  narwe \"SELECT name, CASE WHEN salary >= 60000 THEN 'senior' ELSE 'junior' END AS band FROM 'people.csv' WHERE NOT city = 'Lima'\"\n"
    "  narwe \"SELECT name, joined, dateadd('day', 90, joined) AS review FROM 'people.csv' WHERE extract(year FROM joined) >= 2019\"\n"
    "  narwe --output adults.csv \"SELECT name, age FROM 'people.csv' WHERE age BETWEEN 30 AND 45 ORDER BY name\"\n"
    "  cat people.csv | narwe --table \"SELECT name, salary FROM stdin WHERE name LIKE '%a%' ORDER BY salary DESC LIMIT 3\"\n";

}  // namespace

std::string usageText() {
  std::string text = kHead;
  std::string missing;
  for (const Feature& feature : kFeatures) {
    if (feature.available) {
      text += feature.lines;
    } else {
      missing += feature.lines;
      missing += "    (answers ";
      missing += feature.refusal;
      missing += ")\n";
    }
  }
  if (!missing.empty()) text += "\nNot available yet:\n" + missing;
  text += kFunctions;
  text += kExamples;
  return text;
}

std::string versionText() { return std::string("narwe ") + NARWE_VERSION + "\n"; }

}  // namespace narwe_cli
