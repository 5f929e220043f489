// narwe: run one SQL SELECT over CSV files from the command line.
//
// Prints the result text to standard output exactly as the library returns
// it and exits 0; on failure prints the library's error text to standard
// error and exits 1. Usage mistakes exit 2.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "narwe.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitQueryFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: narwe [--csv | --json] 'SELECT ...'\n"
    "\n"
    "Runs one SQL SELECT over CSV files and prints the result (CSV by default).\n"
    "  --csv    CSV text with a header line (default)\n"
    "  --json   a JSON array of objects\n"
    "  --help   this text\n"
    "  --       the next argument is the statement, even if it starts with -\n"
    "\n"
    "SQL: SELECT [DISTINCT] items | * FROM 'file.csv' [alias]\n"
    "     [JOIN 'other.csv' [alias] ON a = b ...] [WHERE condition]\n"
    "     [GROUP BY items] [HAVING condition] [ORDER BY keys [ASC|DESC]]\n"
    "     [LIMIT n] [OFFSET n]\n"
    "Conditions: = != < <= > >=, LIKE, ILIKE, IN (...), BETWEEN, IS [NOT] NULL,\n"
    "AND, OR, NOT. Aggregates: count, count(DISTINCT x), sum, avg, min, max,\n"
    "median, variance/stddev family, group_concat/string_agg. Scalar text,\n"
    "numeric, CASE, CAST, date and time functions. FROM stdin (or FROM -)\n"
    "reads standard input. The first line of a file names its columns.\n";

bool writeAll(std::FILE* stream, const char* text) {
  size_t length = std::strlen(text);
  return std::fwrite(text, 1, length, stream) == length && std::fflush(stream) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  const char* sql = nullptr;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    const bool is_option = !options_done && (arg.starts_with("--") || arg == "-h");
    if (!is_option) {
      if (sql != nullptr) {
        std::fputs("narwe: give the statement as one quoted argument (see narwe --help)\n",
                   stderr);
        return kExitUsage;
      }
      sql = argv[i];
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitSuccess;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--csv") {
      json = false;
    } else {
      std::fprintf(stderr, "narwe: unknown option %s (see narwe --help)\n", argv[i]);
      return kExitUsage;
    }
  }
  if (sql == nullptr) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }

  char* out = nullptr;
  int rc = json ? narwe_query_json(sql, &out) : narwe_query_csv(sql, &out);
  if (rc == 0) {
    bool written = writeAll(stdout, out);
    narwe_free(out);
    if (!written) {
      std::fputs("narwe: cannot write the result\n", stderr);
      return kExitQueryFailed;
    }
    return kExitSuccess;
  }
  if (rc == 1) {
    std::fprintf(stderr, "%s\n", out);
    narwe_free(out);
  } else {
    std::fputs("error: OutOfMemory\n", stderr);
  }
  return kExitQueryFailed;
}
