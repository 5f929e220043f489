// Row-scan queries end to end through the exported functions: projection,
// WHERE, DISTINCT, ORDER BY, LIMIT/OFFSET, CSV and JSON output, on small files
// written by the tests and on standard input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "api/api_test_support.h"
#include "narwe.h"

namespace {

using TempDir = narwe::testing::ScratchDir;

struct Outcome {
  int rc;
  std::string text;
};

Outcome runQuery(const std::string& sql, bool json) {
  char* out = nullptr;
  int rc = json ? narwe_query_json(sql.c_str(), &out) : narwe_query_csv(sql.c_str(), &out);
  Outcome outcome{rc, out ? out : ""};
  narwe_free(out);
  return outcome;
}

// Replaces every "{f}" in the statement with the quoted path.
std::string withFile(std::string sql, const std::string& path) {
  for (size_t at; (at = sql.find("{f}")) != std::string::npos;) {
    sql.replace(at, 3, "'" + path + "'");
  }
  return sql;
}

const char* kPeople =
    "id,Name , city,age,score\n"
    "1,Ann,Oslo,34,7.5\n"
    "2,bob,Lima,28,abc\n"
    "3,Chen,Oslo,45,9\n"
    "4,Dana,Quito, 39,\n"
    "5,Eve,Lima,23,10\n";

struct Case {
  const char* name;
  const char* csv;
  const char* sql;
  const char* expected;  // CSV output, or "error: Name"
};

const Case kCsvCases[] = {
    {"select star keeps header as written", kPeople, "SELECT * FROM {f} LIMIT 1",
     "id,Name,city,age,score\n1,Ann,Oslo,34,7.5\n"},
    {"names match case-insensitively and trimmed", kPeople, "SELECT NAME, City FROM {f} LIMIT 2",
     "Name,city\nAnn,Oslo\nbob,Lima\n"},
    {"alias names the column", kPeople, "SELECT name AS who FROM {f} WHERE id = 3",
     "who\nChen\n"},
    {"numeric filter drops non-numbers", kPeople, "SELECT id FROM {f} WHERE score > 8",
     "id\n3\n5\n"},
    {"integer-first reading accepts blanks", kPeople, "SELECT id FROM {f} WHERE age = 39",
     "id\n4\n"},
    {"integer-first reading inside an AND", kPeople,
     "SELECT id FROM {f} WHERE age = 39 AND city = 'Quito'", "id\n4\n"},
    {"text filter is byte order", kPeople, "SELECT id FROM {f} WHERE name >= 'a'", "id\n2\n"},
    {"not equal on text", kPeople, "SELECT id FROM {f} WHERE city != 'Oslo'", "id\n2\n4\n5\n"},
    {"less-or-equal", kPeople, "SELECT id FROM {f} WHERE age <= 28", "id\n2\n5\n"},
    {"like", kPeople, "SELECT id FROM {f} WHERE name LIKE '_h%'", "id\n3\n"},
    {"ilike", kPeople, "SELECT id FROM {f} WHERE name ILIKE 'B%'", "id\n2\n"},
    {"in list", kPeople, "SELECT id FROM {f} WHERE city IN ('Lima', 'Quito')",
     "id\n2\n4\n5\n"},
    {"not in list", kPeople, "SELECT id FROM {f} WHERE city NOT IN ('Lima')", "id\n1\n3\n4\n"},
    {"between numbers", kPeople, "SELECT id FROM {f} WHERE score BETWEEN 7.5 AND 9",
     "id\n1\n3\n"},
    {"is null", kPeople, "SELECT id FROM {f} WHERE score IS NULL", "id\n4\n"},
    {"is not null with and", kPeople,
     "SELECT id FROM {f} WHERE score IS NOT NULL AND city = 'Lima'", "id\n2\n5\n"},
    // A leading NOT covers the whole rest of the condition.
    {"not covers the following or", kPeople,
     "SELECT id FROM {f} WHERE NOT (city = 'Oslo') OR id = 1", "id\n2\n4\n5\n"},
    {"or of a negation", kPeople, "SELECT id FROM {f} WHERE id = 1 OR NOT city = 'Oslo'",
     "id\n1\n2\n4\n5\n"},
    {"modulo keeps even ids", kPeople, "SELECT id FROM {f} WHERE id % 2 = 0", "id\n2\n4\n"},
    {"scalar with alias", kPeople, "SELECT upper(name) AS n, id FROM {f} WHERE id < 3",
     "n,id\nANN,1\nBOB,2\n"},
    {"scalar without alias keeps its text", kPeople, "SELECT lower(city) FROM {f} LIMIT 1",
     "lower(city)\noslo\n"},
    {"arithmetic is rejected", kPeople, "SELECT age*2 FROM {f}",
     "error: ArithmeticExpressionsNotSupported"},
    {"unknown column", kPeople, "SELECT nope FROM {f}", "error: ColumnNotFound"},
    {"unknown where column", kPeople, "SELECT id FROM {f} WHERE nope = 1",
     "error: ColumnNotFound"},
    {"limit zero writes only the header", kPeople, "SELECT id FROM {f} LIMIT 0", "id\n"},
    {"offset past the end", kPeople, "SELECT id FROM {f} OFFSET 10", "id\n"},
    {"limit and offset", kPeople, "SELECT id FROM {f} LIMIT 2 OFFSET 1", "id\n2\n3\n"},
    {"distinct with offset counts distinct rows", kPeople,
     "SELECT DISTINCT city FROM {f} WHERE id > 0 LIMIT 5 OFFSET 1", "city\nOslo\nQuito\n"},
    {"order by name ascending", kPeople, "SELECT name FROM {f} ORDER BY name",
     "Name\nAnn\nChen\nDana\nEve\nbob\n"},
    {"order by alias descending", kPeople, "SELECT id AS k FROM {f} ORDER BY k DESC LIMIT 2",
     "k\n5\n4\n"},
    // " 39" is not a number to the sort rule, so it compares as text and
    // its leading blank puts it first.
    {"order by position", kPeople, "SELECT name, age FROM {f} ORDER BY 2 LIMIT 3",
     "Name,age\nDana, 39\nEve,23\nbob,28\n"},
    {"order by a column not selected", kPeople, "SELECT name FROM {f} ORDER BY age DESC LIMIT 1",
     "Name\nChen\n"},
    {"order by mixed numbers and text", kPeople, "SELECT id, score FROM {f} ORDER BY score",
     "id,score\n4,\n1,7.5\n3,9\n5,10\n2,abc\n"},
    {"order by several keys", kPeople, "SELECT city, name FROM {f} ORDER BY city DESC, name",
     "city,Name\nQuito,Dana\nOslo,Ann\nOslo,Chen\nLima,Eve\nLima,bob\n"},
    {"order by with offset window", kPeople, "SELECT id FROM {f} ORDER BY id LIMIT 2 OFFSET 3",
     "id\n4\n5\n"},
    {"unknown order by column", kPeople, "SELECT id FROM {f} ORDER BY nope",
     "error: OrderByColumnNotFound"},
    // Every key counts, selected or not, and a key naming nothing is an error
    // wherever it stands.
    {"later key not selected", "a,b,c\nx,2,p\ny,1,q\nx,1,r\ny,2,s\nx,10,t\n",
     "SELECT a, c FROM {f} ORDER BY a, b DESC", "a,c\nx,t\nx,p\nx,r\ny,s\ny,q\n"},
    {"first key not selected, later keys used", "a,b,c\nx,2,p\ny,1,q\nx,1,r\ny,2,s\nx,10,t\n",
     "SELECT c FROM {f} ORDER BY b DESC, a", "c\nt\np\ns\nr\nq\n"},
    {"unknown later key", kPeople, "SELECT id FROM {f} ORDER BY id, nope",
     "error: OrderByColumnNotFound"},
    {"later position out of range", kPeople, "SELECT id FROM {f} ORDER BY id, 7",
     "error: OrderByColumnNotFound"},
    {"header-only file", "a,b\n", "SELECT * FROM {f}", "a,b\n"},
    {"empty file", "", "SELECT * FROM {f}", "error: EmptyFile"},
    {"short records read empty values", "a,b,c\n1,2\n3\n", "SELECT c, a FROM {f}",
     "c,a\n,1\n,3\n"},
    {"short record read as empty by a single comparison", "a,b\n1\n2,x\n",
     "SELECT a FROM {f} WHERE b IS NULL", "a\n1\n"},
    {"short record kept by a general condition", "a,b\n1\n2,x\n",
     "SELECT a FROM {f} WHERE b IS NULL OR a = 9", "a\n1\n"},
    {"CSV output quotes fields", "a\n\"x,y\"\n\"say \"\"hi\"\"\"\n", "SELECT a FROM {f}",
     "a\n\"x,y\"\n\"say \"\"hi\"\"\"\n"},
    {"CR LF input", "a,b\r\n1,2\r\n3,4\r\n", "SELECT b FROM {f}", "b\n2\n4\n"},
    // Lines ended by CR alone would read as one header record: refused
    // rather than answered with no rows.
    {"CR-only line endings", "a,b\r1,2\r3,4\r", "SELECT a FROM {f}", "error: InvalidInput"},
    {"CR-only line endings, one line feed", "a,b\r1,2\n3,4\n", "SELECT * FROM {f}",
     "error: InvalidInput"},
    {"a lone CR after the first line is refused too", "a,b\n1,x\ry\n", "SELECT b FROM {f}",
     "error: InvalidInput"},
    {"a quoted CR in a header name is data", "\"a\rb\",c\n1,2\n", "SELECT c FROM {f}", "c\n2\n"},
    {"CR-only line endings after a byte-order mark", "\xEF\xBB\xBF" "a,b\r1,2\r", "SELECT a FROM {f}",
     "error: InvalidInput"},
    {"quoted line feed stays in its field", "a,b\n\"l1\nl2\",2\n", "SELECT b, a FROM {f}",
     "b,a\n2,\"l1\nl2\"\n"},
    {"stable order for equal keys", "k,v\n1,a\n0,b\n1,c\n0,d\n1,e\n",
     "SELECT v FROM {f} ORDER BY k", "v\nb\nd\na\nc\ne\n"},
    {"empty fields sort first ascending, last descending", "k\nb\n\na\n",
     "SELECT k FROM {f} ORDER BY k DESC", "k\nb\na\n\n"},
};

TEST(RowScan, CsvTable) {
  TempDir dir;
  for (const Case& c : kCsvCases) {
    std::string path = dir.write("t.csv", c.csv);
    Outcome outcome = runQuery(withFile(c.sql, path), false);
    std::string expected = c.expected;
    EXPECT_EQ(outcome.text, expected) << c.name;
    EXPECT_EQ(outcome.rc, expected.rfind("error: ", 0) == 0 ? 1 : 0) << c.name;
  }
}

TEST(RowScan, DistinctNeverTruncatesLongRows) {
  TempDir dir;
  std::string prefix(9000, 'x');
  std::string path = dir.write("long.csv", "a\n" + prefix + "1\n" + prefix + "2\n" + prefix + "1\n");
  Outcome outcome = runQuery(withFile("SELECT DISTINCT a FROM {f} WHERE a != ''", path), false);
  EXPECT_EQ(outcome.text, "a\n" + prefix + "1\n" + prefix + "2\n");
}

TEST(RowScan, DistinctDoesNotConfuseZeroBytesWithSeparators) {
  TempDir dir;
  std::string csv = std::string("a,b\nx") + '\0' + ",y\nx," + '\0' + "y\n";
  std::string path = dir.write("nul.csv", csv);
  Outcome outcome = runQuery(withFile("SELECT DISTINCT a, b FROM {f} WHERE a != 'q'", path), false);
  // Both rows are distinct. A NUL byte cannot travel in CSV text (the caller
  // would see the result end there), so CSV output fails by name; the JSON
  // form escapes it.
  Outcome json = runQuery(withFile("SELECT DISTINCT a, b FROM {f} WHERE a != 'q'", path), true);
  // DISTINCT rows come out in the byte order of their values, value by value.
  EXPECT_EQ(json.text, "[\n{\"a\":\"x\",\"b\":\"\\u0000y\"},\n{\"a\":\"x\\u0000\",\"b\":\"y\"}\n]\n");
  EXPECT_EQ(json.rc, 0);
  EXPECT_EQ(outcome.text, "error: InvalidInput");
  EXPECT_EQ(outcome.rc, 1);
  // Sorted output and a NUL in a header name are refused the same way.
  EXPECT_EQ(runQuery(withFile("SELECT a FROM {f} ORDER BY b", path), false).text,
            "error: InvalidInput");
  std::string header = dir.write("nulhead.csv", std::string("a") + '\0' + "b,c\n1,2\n");
  EXPECT_EQ(runQuery(withFile("SELECT * FROM {f}", header), false).text, "error: InvalidInput");
}

TEST(RowScan, JsonOutput) {
  TempDir dir;
  std::string path = dir.write("p.csv", kPeople);
  struct {
    const char* sql;
    const char* expected;
  } cases[] = {
      {"SELECT id, name FROM {f} WHERE id <= 2",
       "[\n{\"id\":1,\"Name\":\"Ann\"},\n{\"id\":2,\"Name\":\"bob\"}\n]\n"},
      {"SELECT id FROM {f} LIMIT 0", "[]\n"},
      // Sorted rows follow the same number rule as streamed ones: a value's
      // JSON type does not change with ORDER BY (one key, top-K, several keys).
      {"SELECT id, name FROM {f} ORDER BY id DESC LIMIT 2",
       "[\n{\"id\":5,\"Name\":\"Eve\"},\n{\"id\":4,\"Name\":\"Dana\"}\n]\n"},
      {"SELECT id, score FROM {f} ORDER BY score",
       "[\n{\"id\":4,\"score\":\"\"},\n{\"id\":1,\"score\":7.5},\n{\"id\":3,\"score\":9},\n"
       "{\"id\":5,\"score\":10},\n{\"id\":2,\"score\":\"abc\"}\n]\n"},
      {"SELECT city, id FROM {f} ORDER BY city, id DESC",
       "[\n{\"city\":\"Lima\",\"id\":5},\n{\"city\":\"Lima\",\"id\":2},\n"
       "{\"city\":\"Oslo\",\"id\":3},\n{\"city\":\"Oslo\",\"id\":1},\n"
       "{\"city\":\"Quito\",\"id\":4}\n]\n"},
  };
  for (const auto& c : cases) {
    Outcome outcome = runQuery(withFile(c.sql, path), true);
    EXPECT_EQ(outcome.rc, 0) << c.sql;
    EXPECT_EQ(outcome.text, c.expected) << c.sql;
  }
  std::string header_only = dir.write("h.csv", "a,b\n");
  EXPECT_EQ(runQuery(withFile("SELECT * FROM {f}", header_only), true).text, "[]\n");
}

// Runs `sql` with standard input replaced by `input`; returns the outcome and
// how many input bytes were left unread.
Outcome runWithStdin(const std::string& sql, const std::string& input, size_t* unread) {
  TempDir dir;
  std::string path = dir.write("stdin.csv", input);
  Outcome outcome;
  off_t position = 0;
  {
    narwe::testing::ScopedStdin redirect(open(path.c_str(), O_RDONLY));
    outcome = runQuery(sql, false);
    position = lseek(0, 0, SEEK_CUR);
  }
  if (unread != nullptr) *unread = input.size() - static_cast<size_t>(position);
  return outcome;
}

TEST(StdinScan, StreamsRowsAndHonoursClauses) {
  size_t unread = 0;
  Outcome plain = runWithStdin("SELECT name FROM stdin WHERE age > 30", kPeople, &unread);
  EXPECT_EQ(plain.text, "Name\nAnn\nChen\nDana\n");
  Outcome ordered = runWithStdin("SELECT name FROM - ORDER BY id DESC LIMIT 2", kPeople, nullptr);
  EXPECT_EQ(ordered.text, "Name\nEve\nDana\n");
  // Standard input follows the file rule: CR alone is no line ending.
  Outcome lone_cr = runWithStdin("SELECT b FROM stdin", "a,b\r1,2\r3,4\r", nullptr);
  EXPECT_EQ(lone_cr.text, "error: InvalidInput");
  Outcome quoted_cr = runWithStdin("SELECT c FROM stdin", "\"a\rb\",c\n1,2\n", nullptr);
  EXPECT_EQ(quoted_cr.text, "c\n2\n");
  Outcome empty = runWithStdin("SELECT * FROM stdin", "", nullptr);
  EXPECT_EQ(empty.text, "error: EmptyFile");
}

TEST(StdinScan, ClosedStandardInputIsAnErrorNotAHang) {
  // With descriptor 0 closed the result pipe must not take its place, or the
  // query would read its own output and wait forever.
  // The same holds for the spool file of an aggregate over stdin.
  int saved = dup(0);
  close(0);
  Outcome outcome = runQuery("SELECT * FROM stdin", false);
  Outcome spooled = runQuery("SELECT count(*) FROM stdin", false);
  if (saved >= 0) {
    dup2(saved, 0);
    close(saved);
  }
  EXPECT_EQ(outcome.rc, 1);
  EXPECT_EQ(outcome.text, "error: NotOpenForReading");
  EXPECT_EQ(spooled.text, "error: NotOpenForReading");
}

TEST(StdinScan, LimitLeavesTheRestUnread) {
  std::string input = "n\n";
  for (int i = 0; i < 400000; ++i) input += std::to_string(i) + "\n";
  size_t unread = 0;
  Outcome outcome = runWithStdin("SELECT n FROM stdin LIMIT 2", input, &unread);
  EXPECT_EQ(outcome.text, "n\n0\n1\n");
  EXPECT_GT(unread, size_t{1} << 20);
}

TEST(RowScan, LargeFileMatchesSmallFileRules) {
  // Above the mapping and parallel thresholds the answer must be the same as
  // the row-by-row reading of the same data.
  TempDir dir;
  std::string csv = "id,grp,txt\n";
  std::string expected_even = "id\n";
  for (int i = 0; i < 700000; ++i) {
    csv += std::to_string(i) + "," + std::to_string(i % 7) + ",\"t " + std::to_string(i) + "\nz\"\n";
    if (i % 100000 == 0) expected_even += std::to_string(i) + "\n";
  }
  ASSERT_GT(csv.size(), size_t{10} << 20);
  std::string path = dir.write("big.csv", csv);
  Outcome filtered = runQuery(withFile("SELECT id FROM {f} WHERE id % 100000 = 0", path), false);
  EXPECT_EQ(filtered.text, expected_even);
  Outcome top = runQuery(withFile("SELECT id FROM {f} ORDER BY id DESC LIMIT 3", path), false);
  EXPECT_EQ(top.text, "id\n699999\n699998\n699997\n");
  Outcome limited = runQuery(withFile("SELECT txt FROM {f} LIMIT 1 OFFSET 5", path), false);
  EXPECT_EQ(limited.text, "txt\n\"t 5\nz\"\n");
}

}  // namespace

namespace {

// Splits CSV output into lines (no quoted line feeds in these tests).
std::vector<std::string> outputLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(RowScan, LimitedOrderByEqualsTheFullSortWindow) {
  // Keys with many ties, numbers of several magnitudes, and texts sharing
  // long prefixes: the LIMIT path must give exactly the window of the full
  // stable sort, ties at the cut included.
  TempDir dir;
  std::string numbers = "k,row\n";
  std::string texts = "k,row\n";
  uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return state >> 33;
  };
  for (int i = 0; i < 3000; ++i) {
    numbers += std::to_string(static_cast<int64_t>(next() % 40) - 20) + "," + std::to_string(i) + "\n";
    texts += "prefix__" + std::string(1, static_cast<char>('a' + next() % 5)) + "," +
             std::to_string(i) + "\n";
  }
  for (const std::string& csv : {numbers, texts}) {
    std::string path = dir.write("keys.csv", csv);
    for (const char* direction : {"", " DESC"}) {
      std::string base = withFile("SELECT row, k FROM {f} ORDER BY k", path) + direction;
      std::vector<std::string> full = outputLines(runQuery(base, false).text);
      ASSERT_EQ(full.size(), 3001u);
      for (int limit : {0, 1, 7, 100, 2048}) {
        for (int offset : {0, 3, 2990}) {
          std::string sql = base + " LIMIT " + std::to_string(limit) + " OFFSET " +
                            std::to_string(offset);
          std::vector<std::string> window = outputLines(runQuery(sql, false).text);
          std::vector<std::string> expected = {full[0]};
          for (int i = offset; i < offset + limit && i + 1 < static_cast<int>(full.size()); ++i) {
            expected.push_back(full[static_cast<size_t>(i) + 1]);
          }
          EXPECT_EQ(window, expected) << sql;
        }
      }
    }
  }
}

}  // namespace
