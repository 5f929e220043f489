// Table layout of a CSV result for the narwe command-line host.
#include "table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace narwe_cli {
namespace {

constexpr std::string_view kEllipsis = "...";

// One value as it is shown: printable text and its width in characters.
struct Cell {
  std::string text;
  size_t width = 0;
};

// Length of the well-formed UTF-8 sequence starting at text[at], or 0 when
// the bytes there do not form one.
size_t utf8SequenceLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Splits a value into display units (one printable character, or the escape
// of one control or stray byte) so that cutting never splits a character.
std::vector<std::string> displayUnits(std::string_view value) {
  std::vector<std::string> units;
  size_t at = 0;
  while (at < value.size()) {
    const auto byte = static_cast<unsigned char>(value[at]);
    if (byte >= 0x20 && byte < 0x7F) {
      units.emplace_back(1, static_cast<char>(byte));
      ++at;
      continue;
    }
    if (byte >= 0x80) {
      if (size_t length = utf8SequenceLength(value, at); length > 0) {
        units.emplace_back(value.substr(at, length));
        at += length;
        continue;
      }
    }
    switch (byte) {
      case '\n': units.emplace_back("\\n"); break;
      case '\r': units.emplace_back("\\r"); break;
      case '\t': units.emplace_back("\\t"); break;
      default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        units.emplace_back(escaped);
      }
    }
    ++at;
  }
  return units;
}

size_t unitWidth(const std::string& unit) {
  // An escape such as \n is several visible characters; a UTF-8 sequence
  // is one.
  return static_cast<unsigned char>(unit[0]) >= 0x80 ? 1 : unit.size();
}

Cell makeCell(std::string_view value, size_t max_width) {
  std::vector<std::string> units = displayUnits(value);
  size_t total = 0;
  for (const std::string& unit : units) total += unitWidth(unit);
  Cell cell;
  if (total <= max_width) {
    for (const std::string& unit : units) cell.text += unit;
    cell.width = total;
    return cell;
  }
  const size_t room = max_width - kEllipsis.size();
  for (const std::string& unit : units) {
    const size_t width = unitWidth(unit);
    if (cell.width + width > room) break;
    cell.text += unit;
    cell.width += width;
  }
  cell.text += kEllipsis;
  cell.width += kEllipsis.size();
  return cell;
}

bool isNumber(const std::string& value) {
  if (value.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(value[0]);
  if (first != '-' && first != '+' && first != '.' && (first < '0' || first > '9')) return false;
  char* end = nullptr;
  std::strtod(value.c_str(), &end);
  return end == value.c_str() + value.size();
}

void appendPadded(std::string* line, const Cell& cell, size_t width, bool right_align,
                  bool last_column) {
  const size_t pad = width - cell.width;
  if (right_align) line->append(pad, ' ');
  line->append(cell.text);
  if (!right_align && !last_column) line->append(pad, ' ');
}

}  // namespace

std::optional<std::vector<TextRow>> readCsvRows(std::string_view text) {
  std::vector<TextRow> rows;
  TextRow row;
  std::string field;
  bool in_quotes = false;
  bool row_started = false;
  for (size_t at = 0; at < text.size(); ++at) {
    const char byte = text[at];
    row_started = true;
    if (in_quotes) {
      if (byte != '"') {
        field += byte;
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        field += '"';
        ++at;
      } else {
        in_quotes = false;
      }
    } else if (byte == '"') {
      in_quotes = true;
    } else if (byte == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (byte == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      row_started = false;
    } else {
      field += byte;
    }
  }
  if (in_quotes) return std::nullopt;
  if (row_started) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string renderTable(const std::vector<TextRow>& rows, size_t max_width) {
  max_width = std::max(max_width, kMinCellWidth);
  const size_t data_rows = rows.empty() ? 0 : rows.size() - 1;
  const size_t columns = rows.empty() ? 0 : rows[0].size();

  std::vector<std::vector<Cell>> cells(rows.size());
  std::vector<size_t> widths(columns, 0);
  std::vector<bool> numeric(columns, data_rows > 0);
  std::vector<bool> any_value(columns, false);
  for (size_t row_idx = 0; row_idx < rows.size(); ++row_idx) {
    for (size_t column_idx = 0; column_idx < columns; ++column_idx) {
      static const std::string kMissing;
      const std::string& value =
          column_idx < rows[row_idx].size() ? rows[row_idx][column_idx] : kMissing;
      cells[row_idx].push_back(makeCell(value, max_width));
      widths[column_idx] = std::max(widths[column_idx], cells[row_idx].back().width);
      if (row_idx > 0 && !value.empty()) {
        any_value[column_idx] = true;
        if (!isNumber(value)) numeric[column_idx] = false;
      }
    }
  }

  std::string out;
  for (size_t row_idx = 0; row_idx < cells.size(); ++row_idx) {
    std::string line;
    for (size_t column_idx = 0; column_idx < columns; ++column_idx) {
      if (column_idx > 0) line += " | ";
      const bool right_align =
          row_idx > 0 && numeric[column_idx] && any_value[column_idx];
      appendPadded(&line, cells[row_idx][column_idx], widths[column_idx], right_align,
                   column_idx + 1 == columns);
    }
    // Padding and an empty last value leave blanks that nobody can see.
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
    if (row_idx == 0 && columns > 0) {
      for (size_t column_idx = 0; column_idx < columns; ++column_idx) {
        if (column_idx > 0) out += "-+-";
        out.append(widths[column_idx], '-');
      }
      out += '\n';
    }
  }
  out += "(" + std::to_string(data_rows) + (data_rows == 1 ? " row)\n" : " rows)\n");
  return out;
}

}  // namespace narwe_cli
