// The frozen corpus: every statement of tests/corpus/statements.sql runs in
// both output formats through the exported functions, over the files in
// tests/corpus/data/, and must answer exactly what tests/corpus/expected/
// holds (return code and text). A refactor that changes any answer shows up
// here as a line diff; an intended change is re-frozen with
//   NARWE_CORPUS_UPDATE=1 build/release/tests/corpus_tests --gtest_filter='Corpus.*'
// (or tests/corpus/refreeze.sh) and reviewed with git diff tests/corpus/expected/.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corpus/corpus_support.h"

namespace narwe::testing {
namespace {

const std::string kCorpusDir = NARWE_CORPUS_DIR;
// Diffs shown per format; the rest of a large change is only counted (see
// git diff tests/corpus/expected/ after a re-freeze for all of it).
constexpr size_t kMaxReported = 200;

struct Entry {
  size_t number = 0;
  std::string format;  // "csv" or "json"
  std::string sql;
  Answer answer;
};

std::vector<std::string> readStatements() {
  std::ifstream in(kCorpusDir + "/statements.sql", std::ios::binary);
  std::vector<std::string> statements;
  std::string line;
  while (std::getline(in, line)) statements.push_back(line);
  return statements;
}

std::string expectedPath(const std::string& format) { return kCorpusDir + "/expected/" + format + ".txt"; }

// One entry: a header line "### <n> <format> rc=<rc> bytes=<size>", the
// statement on its own line, the answer's bytes, and a line feed. The byte
// count makes the layout unambiguous whatever the answer holds.
void writeEntry(std::ostream& out, const Entry& e) {
  out << "### " << e.number << ' ' << e.format << " rc=" << e.answer.rc << " bytes=" << e.answer.text.size()
      << '\n'
      << e.sql << '\n'
      << e.answer.text << '\n';
}

// Reads a frozen file back; a malformed file stops at the first bad entry and
// says where.
std::vector<Entry> readEntries(const std::string& path, std::string* problem) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string all = buffer.str();
  std::vector<Entry> entries;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t header_end = all.find('\n', pos);
    Entry e;
    size_t bytes = 0;
    char format[16] = {};
    if (header_end == std::string::npos ||
        std::sscanf(all.substr(pos, header_end - pos).c_str(), "### %zu %15s rc=%d bytes=%zu", &e.number, format,
                    &e.answer.rc, &bytes) != 4) {
      *problem = "unreadable entry header at byte " + std::to_string(pos);
      return entries;
    }
    e.format = format;
    size_t sql_end = all.find('\n', header_end + 1);
    if (sql_end == std::string::npos || sql_end + 1 + bytes + 1 > all.size()) {
      *problem = "truncated entry " + std::to_string(e.number);
      return entries;
    }
    e.sql = all.substr(header_end + 1, sql_end - header_end - 1);
    e.answer.text = all.substr(sql_end + 1, bytes);
    pos = sql_end + 1 + bytes + 1;
    entries.push_back(std::move(e));
  }
  return entries;
}

std::vector<Entry> runAll(const std::vector<std::string>& statements, const std::string& format) {
  std::vector<Entry> entries;
  ScopedChdir in_data(kCorpusDir + "/data");
  if (!in_data.ok()) ADD_FAILURE() << "cannot enter " << kCorpusDir << "/data";
  ScopedStdin empty_stdin(pipeHolding(""));  // a statement reading stdin sees an empty input, never the terminal
  for (size_t i = 0; i < statements.size(); ++i) {
    Entry e;
    e.number = i + 1;
    e.format = format;
    e.sql = statements[i];
    e.answer = runSql(e.sql, format == "json");
    entries.push_back(std::move(e));
  }
  return entries;
}

TEST(Corpus, AnswersMatchTheFrozenOutputs) {
  const std::vector<std::string> statements = readStatements();
  ASSERT_GT(statements.size(), 500u) << "statements.sql missing or short under " << kCorpusDir;
  const char* update = std::getenv("NARWE_CORPUS_UPDATE");
  const bool refreeze = update != nullptr && std::string(update) == "1";

  for (const std::string format : {"csv", "json"}) {
    std::vector<Entry> actual = runAll(statements, format);
    if (refreeze) {
      std::ofstream out(expectedPath(format), std::ios::binary | std::ios::trunc);
      for (const Entry& e : actual) writeEntry(out, e);
      ASSERT_TRUE(out.good()) << "could not write " << expectedPath(format);
      continue;
    }
    std::string problem;
    std::vector<Entry> expected = readEntries(expectedPath(format), &problem);
    ASSERT_TRUE(problem.empty()) << expectedPath(format) << ": " << problem;
    ASSERT_EQ(expected.size(), actual.size())
        << expectedPath(format) << " does not match statements.sql; re-freeze with tests/corpus/refreeze.sh";
    size_t mismatches = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
      const Entry& want = expected[i];
      const Entry& got = actual[i];
      ASSERT_EQ(want.sql, got.sql) << "statement " << got.number
                                   << " differs from the frozen one; re-freeze with tests/corpus/refreeze.sh";
      if (want.answer.rc == got.answer.rc && want.answer.text == got.answer.text) continue;
      if (++mismatches > kMaxReported) continue;
      ADD_FAILURE() << "statement " << got.number << " (" << format << "): " << got.sql << "\n"
                    << "rc frozen " << want.answer.rc << ", now " << got.answer.rc << " (- frozen line, + line now)\n"
                    << lineDiff(want.answer.text, got.answer.text);
    }
    EXPECT_EQ(mismatches, 0u) << format << ": " << mismatches << " of " << actual.size() << " answers changed";
  }
}

}  // namespace
}  // namespace narwe::testing
