// The table output of the narwe command-line host: the library's CSV result
// read back and laid out in aligned columns for a person to read.
//
// The CLI sees only include/narwe.h, so it reads the CSV text itself; the
// reader handles exactly what the library writes (LF line ends, fields quoted
// when they hold a comma, quote, CR or LF, quotes inside doubled).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace narwe_cli {

using TextRow = std::vector<std::string>;

// Splits CSV text into rows of unquoted fields. Every LF outside quotes ends
// a row (an empty line is a row with one empty field); a last line without LF
// is a row too. Empty when a quoted field is not closed.
std::optional<std::vector<TextRow>> readCsvRows(std::string_view text);

// Smallest accepted --max-width: room for one character and "...".
constexpr size_t kMinCellWidth = 4;

// Lays out `rows` (the first is the header) as a table:
//
//   name       | age
//   -----------+----
//   Farid Aziz |  51
//   (1 row)
//
// Widths count characters (UTF-8 sequences), not bytes. A value wider than
// `max_width` (>= kMinCellWidth) is cut and ends in "..."; control bytes are
// shown escaped (\n, \r, \t, \xHH) so that every row stays on one line. A
// column whose non-empty values are all numbers is right-aligned. Rows shorter
// than the header are padded with empty cells. Lines carry no trailing blanks.
std::string renderTable(const std::vector<TextRow>& rows, size_t max_width);

}  // namespace narwe_cli
