// Helpers of the corpus and oracle tests: running one statement through the
// exported functions, switching the working directory for a scope, and a line
// diff for readable mismatch reports. Standard-input redirection and scratch
// directories come from api/api_test_support.h.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "api/api_test_support.h"
#include "narwe.h"

namespace narwe::testing {

struct Answer {
  int rc = -1;
  std::string text;  // empty when the library stored nothing
  bool operator==(const Answer&) const = default;
};

inline Answer runSql(const std::string& sql, bool json) {
  char* out = nullptr;
  Answer a;
  a.rc = json ? narwe_query_json(sql.c_str(), &out) : narwe_query_csv(sql.c_str(), &out);
  if (out != nullptr) a.text = out;
  narwe_free(out);
  return a;
}

// Changes the working directory for one scope (the statements name their
// files relative to it).
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& dir) {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) != nullptr) old_ = buffer;
    ok_ = ::chdir(dir.c_str()) == 0;
  }
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;
  ~ScopedChdir() {
    if (!old_.empty()) (void)::chdir(old_.c_str());
  }
  bool ok() const { return ok_; }

 private:
  std::string old_;
  bool ok_ = false;
};

// A line diff of two texts ("-" expected only, "+" actual only, " " both),
// by longest common subsequence; answers are small, so quadratic is fine.
inline std::string lineDiff(const std::string& expected, const std::string& actual) {
  auto split = [](const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  };
  const std::vector<std::string> a = split(expected);
  const std::vector<std::string> b = split(actual);
  std::vector<std::vector<size_t>> common(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;) {
    for (size_t j = b.size(); j-- > 0;) {
      common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  std::string diff;
  bool changed_line = false;
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      diff += "  " + a[i++] + "\n";
      ++j;
    } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
      diff += "- " + a[i++] + "\n";
      changed_line = true;
    } else {
      diff += "+ " + b[j++] + "\n";
      changed_line = true;
    }
  }
  if (!changed_line) diff += "(the texts differ only in a trailing line feed)\n";
  return diff;
}

}  // namespace narwe::testing
