// A C++ host: wraps the C functions in a small value type that owns the
// result, and runs two queries on separate threads (each call is independent
// of every other). Run it from the examples/ folder.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include <narwe.h>

namespace {

struct QueryResult {
  bool ok = false;
  std::string text;   // the CSV or JSON result when ok
  std::string error;  // the error name otherwise, e.g. "FileNotFound"
};

enum class Format { kCsv, kJson };

QueryResult runQuery(const std::string& sql, Format format) {
  char* raw = nullptr;
  const int rc = format == Format::kJson ? narwe_query_json(sql.c_str(), &raw)
                                         : narwe_query_csv(sql.c_str(), &raw);
  // The library allocated the text; narwe_free releases it on every path.
  std::unique_ptr<char, decltype(&narwe_free)> owned(raw, &narwe_free);
  QueryResult result;
  if (rc == 0) {
    result.ok = true;
    result.text = owned.get();
  } else if (rc == 1) {
    std::string_view message = owned.get();
    constexpr std::string_view kPrefix = "error: ";
    if (message.starts_with(kPrefix)) message.remove_prefix(kPrefix.size());
    result.error = message;
  } else {
    result.error = "OutOfMemory";
  }
  return result;
}

}  // namespace

int main() {
  QueryResult by_city;
  QueryResult missing;
  std::thread first([&] {
    by_city = runQuery("SELECT city, name FROM 'people.csv' ORDER BY city, name", Format::kCsv);
  });
  std::thread second([&] {
    missing = runQuery("SELECT name FROM 'no-such-file.csv'", Format::kJson);
  });
  first.join();
  second.join();

  if (!by_city.ok) {
    std::fprintf(stderr, "query failed: %s\n", by_city.error.c_str());
    return 1;
  }
  std::fputs(by_city.text.c_str(), stdout);
  std::printf("a missing file gives: %s\n", missing.ok ? "success?" : missing.error.c_str());
  return missing.error == "FileNotFound" ? 0 : 1;
}
