// LIKE and ILIKE matching.
#include "sql/predicate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace narwe {
namespace {

// ---- LIKE -----------------------------------------------------------------

TEST(PredicateLike, Table) {
  const struct {
    const char* text;
    const char* pattern;
    bool like;
    bool ilike;
  } rows[] = {
      {"", "%", true, true},
      {"", "", true, true},
      {"a", "", false, false},
      {"", "_", false, false},
      {"Bob", "B_b", true, true},
      {"Bob", "b%", false, true},
      {"Bob", "%OB", false, true},
      {"hello world", "%o w%", true, true},
      {"hello world", "h%o%d", true, true},
      {"hello world", "h%o%x", false, false},
      {"abc", "a%%%c", true, true},
      {"abc", "abc%", true, true},
      {"abc", "ab", false, false},
      {"ab", "abc", false, false},
      {"aaab", "%ab", true, true},
      {"abab", "%ab", true, true},
      {"abac", "%ab", false, false},
      {"mississippi", "%iss%ppi", true, true},
      {"mississippi", "m%s_s%i", true, true},
      {"xyz", "%_", true, true},
      {"xyz", "___", true, true},
      {"xyz", "____", false, false},
      // "_" is one byte, so a two-byte character needs two
      {"\xc3\xa9", "_", false, false},
      {"\xc3\xa9", "__", true, true},
      {"caf\xc3\xa9", "caf_", false, false},
      // "%" in the pattern is a wildcard even where the text holds "%"
      {"%xa", "%a", true, true},
      {"50%", "5_%", true, true},
      {"a%b", "a%b", true, true},
      // folding is ASCII only
      {"\xc3\x89", "\xc3\xa9", false, false},
      {"[A]", "[a]", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "'" << row.text << "' LIKE '" << row.pattern << "'");
    EXPECT_EQ(matchLike(row.text, row.pattern), row.like);
    EXPECT_EQ(matchILike(row.text, row.pattern), row.ilike);
  }
}

// Reference: dynamic programming over (text prefix, pattern prefix).
bool referenceLike(const std::string& t, const std::string& p, bool fold) {
  auto low = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
  std::vector<std::vector<char>> ok(t.size() + 1, std::vector<char>(p.size() + 1, 0));
  ok[0][0] = 1;
  for (size_t j = 1; j <= p.size(); ++j) ok[0][j] = p[j - 1] == '%' && ok[0][j - 1];
  for (size_t i = 1; i <= t.size(); ++i) {
    for (size_t j = 1; j <= p.size(); ++j) {
      char pc = p[j - 1];
      if (pc == '%') {
        ok[i][j] = ok[i][j - 1] || ok[i - 1][j];
      } else {
        ok[i][j] = ok[i - 1][j - 1] && (pc == '_' || low(pc) == low(t[i - 1]));
      }
    }
  }
  return ok[t.size()][p.size()];
}

TEST(PredicateLike, AgreesWithReferenceOnRandomInputs) {
  std::mt19937 rng(7);
  const char text_alphabet[] = "abAB%";
  const char pattern_alphabet[] = "abA%_";
  for (int iter = 0; iter < 20000; ++iter) {
    std::string t(rng() % 9, ' ');
    for (char& c : t) c = text_alphabet[rng() % 5];
    std::string p(rng() % 7, ' ');
    for (char& c : p) c = pattern_alphabet[rng() % 5];
    ASSERT_EQ(matchLike(t, p), referenceLike(t, p, false)) << "'" << t << "' LIKE '" << p << "'";
    ASSERT_EQ(matchILike(t, p), referenceLike(t, p, true)) << "'" << t << "' ILIKE '" << p << "'";
  }
}

TEST(PredicateLike, ManyWildcardsOnLongTextsStayFast) {
  const std::string as(200000, 'a');
  std::string abs;
  for (int i = 0; i < 100000; ++i) abs += "ab";
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(matchLike(as, "%a%a%a%a%a%a%b"));
  EXPECT_TRUE(matchLike(as, "%a%a%a%a%a%a"));
  EXPECT_FALSE(matchLike(abs, "%a%b%c"));
  EXPECT_TRUE(matchLike(abs, "%a_a%b%b"));
  EXPECT_FALSE(matchILike(abs, "%A%B%C"));
  EXPECT_FALSE(matchLike(as, "%aaaaaaaab"));
  EXPECT_FALSE(matchLike(as, "%_b%"));
  // Exponential backtracking would take far longer than this.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace narwe
