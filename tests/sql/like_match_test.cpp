// likeMatch against a reference matcher (dynamic programming over text and
// pattern prefixes) on random texts and patterns.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sql/like_match.h"

namespace narwe {
namespace {

bool referenceLike(const std::string& t, const std::string& p, bool fold) {
  auto low = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
  std::vector<char> prev(p.size() + 1, 0), cur(p.size() + 1, 0);
  prev[0] = 1;
  for (size_t j = 1; j <= p.size(); ++j) prev[j] = p[j - 1] == '%' && prev[j - 1];
  for (size_t i = 1; i <= t.size(); ++i) {
    cur[0] = 0;
    for (size_t j = 1; j <= p.size(); ++j) {
      const char pc = p[j - 1];
      cur[j] = pc == '%' ? (cur[j - 1] || prev[j])
                         : (prev[j - 1] && (pc == '_' || low(pc) == low(t[i - 1])));
    }
    std::swap(prev, cur);
  }
  return prev[p.size()];
}

std::string randomText(std::mt19937& rng, const std::string& alphabet, size_t max_len) {
  std::string s(rng() % (max_len + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

// Short inputs over small alphabets reach every overlap of anchored and
// floating segments; long segments cut from the text itself (and then
// case-flipped or given "_") exercise the long-needle searches, whose
// tables go to the heap past 256 bytes.
TEST(LikeMatch, AgreesWithReference) {
  std::mt19937 rng(13);
  struct Shape {
    const char* text_alphabet;
    const char* pattern_alphabet;
    size_t text_len;
    size_t pattern_len;
    int rounds;
  } shapes[] = {
      {"abAB%_", "abA%_", 10, 8, 20000},
      {"aaab", "aab%_", 24, 10, 8000},
      {"xyXY1-", "xyXY1%_", 40, 12, 8000},
  };
  for (const Shape& shape : shapes) {
    for (int round = 0; round < shape.rounds; ++round) {
      const std::string t = randomText(rng, shape.text_alphabet, shape.text_len);
      const std::string p = randomText(rng, shape.pattern_alphabet, shape.pattern_len);
      for (const bool fold : {false, true}) {
        ASSERT_EQ(likeMatch(t, p, fold), referenceLike(t, p, fold))
            << "'" << t << "' " << (fold ? "ILIKE" : "LIKE") << " '" << p << "'";
      }
    }
  }
  for (int round = 0; round < 150; ++round) {
    const std::string t = randomText(rng, "aabAB", 1200);
    if (t.size() < 600) continue;
    const size_t from = rng() % (t.size() - 500);
    std::string seg = t.substr(from, 260 + rng() % 200);
    for (char& c : seg) {
      const unsigned r = rng() % 50;
      if (r == 0) c = c == 'a' ? 'A' : c == 'A' ? 'a' : c;
      if (r == 1) c = '_';
      if (r == 2) c = 'b';
    }
    const std::string patterns[] = {"%" + seg + "%", seg + "%", "%" + seg,
                                    "%a%" + seg + "%b%", "%" + seg + "%" + seg + "%"};
    for (const std::string& p : patterns) {
      for (const bool fold : {false, true}) {
        ASSERT_EQ(likeMatch(t, p, fold), referenceLike(t, p, fold))
            << (fold ? "ILIKE" : "LIKE") << " round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace narwe
