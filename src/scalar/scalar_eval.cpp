// Per-row evaluation of a ScalarSpec: fetches the argument fields and
// dispatches on the kind; also CASE, null tests, coalesce, greatest/least and
// the CASE value resolvers.
#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "scalar/scalar.h"
#include "scalar/scalar_ops.h"
#include "scalar/scalar_util.h"

namespace narwe {

using namespace scalar_detail;

namespace {

constexpr std::string_view kTrue = "true";
constexpr std::string_view kFalse = "false";
// Scratch for the date helpers that print into a caller buffer.
constexpr size_t kDateBuffer = 64;

// The row an expression reads. In single-value mode every column reference
// reads the one value (scalar GROUP BY keys are computed from the key text).
struct RowView {
  const std::string_view* fields;
  size_t count;
  bool single;

  std::string_view get(size_t col) const {
    if (single) return fields[0];
    return col < count ? fields[col] : std::string_view{};
  }
};

std::string_view resolveIn(const CaseValue& value, const RowView& row, Arena& scratch) {
  switch (value.kind) {
    case CaseValueKind::text: return value.text;
    case CaseValueKind::column: return row.get(value.col);
    case CaseValueKind::number: return numberText(value.number, false, scratch);
  }
  return {};
}

bool caseConditionHolds(const ScalarSpec& s, std::string_view v) {
  if (s.cmp_is_number) {
    auto parsed = parseFloat(v);
    if (!parsed) return false;
    return compareNumbers(*parsed, s.cmp_number, s.cmp_op);
  }
  // Ordering against a quoted value follows WHERE's rule, so CASE WHEN
  // price > '10' agrees with WHERE price > '10': a quoted number (not NaN)
  // compares numerically, and a field that is not a number never satisfies
  // it; any other quoted value orders by bytes.
  if (s.cmp_op != Operator::eq && s.cmp_op != Operator::ne) {
    if (s.cmp_text_number) {
      std::optional<double> field = readNumber(v);
      return field && compareNumbers(*field, *s.cmp_text_number, s.cmp_op);
    }
  }
  const int c = compareBytes(v, s.cmp_text);
  switch (s.cmp_op) {
    case Operator::eq: return c == 0;
    case Operator::ne: return c != 0;
    case Operator::gt: return c > 0;
    case Operator::ge: return c >= 0;
    case Operator::lt: return c < 0;
    case Operator::le: return c <= 0;
    default: return false;  // the CASE parser yields only the six comparisons
  }
}

// Collects the texts of greatest/least/concat arguments.
size_t argTexts(const ScalarSpec& s, const RowView& row, std::string_view* out) {
  const size_t n = std::min(s.arg_count, kMaxScalarArgs);
  for (size_t i = 0; i < n; ++i) {
    const ScalarArg& a = s.args[i];
    out[i] = a.is_literal ? a.text : row.get(a.col);
  }
  return n;
}

// Copies a result printed into a local buffer into the arena.
std::string_view keep(std::string_view text, const char* local, Arena& scratch) {
  if (text.data() != local) return text;  // a constant
  return copyToScratch(scratch, text);
}

std::string_view evalIn(const ScalarSpec& s, const RowView& row, Arena& scratch) {
  switch (s.kind) {
    case ScalarKind::upper: return applyUpper(row.get(s.col), scratch);
    case ScalarKind::lower: return applyLower(row.get(s.col), scratch);
    case ScalarKind::trim: return trimBlanks(row.get(s.col));
    case ScalarKind::reverse: return applyReverse(row.get(s.col), scratch);
    case ScalarKind::length: return applyLength(row.get(s.col), scratch);
    case ScalarKind::substr: return applySubstr(row.get(s.col), s.start, s.count);
    case ScalarKind::lpad: return applyPad(row.get(s.col), s.width, s.pad, true, scratch);
    case ScalarKind::rpad: return applyPad(row.get(s.col), s.width, s.pad, false, scratch);
    case ScalarKind::abs: return applyAbs(row.get(s.col), scratch);
    case ScalarKind::sign: return applySign(row.get(s.col));
    case ScalarKind::ceil: return applyCeil(row.get(s.col), scratch);
    case ScalarKind::floor: return applyFloor(row.get(s.col), scratch);
    case ScalarKind::mod: return applyMod(row.get(s.col), s.divisor, scratch);
    case ScalarKind::coalesce: {
      for (size_t i = 0; i < s.col_count && i < kMaxScalarArgs; ++i) {
        std::string_view f = row.get(s.cols[i]);
        if (!trimBlanks(f).empty()) return f;
      }
      return s.fallback;
    }
    case ScalarKind::cast_int: return applyCastInt(row.get(s.col), scratch);
    case ScalarKind::cast_float:
    case ScalarKind::cast_text: return row.get(s.col);
    case ScalarKind::datediff: {
      char buf[kDateBuffer];
      auto r = applyDateDiff(s.date_unit, row.get(s.col), row.get(s.col_b), buf);
      return keep(r, buf, scratch);
    }
    case ScalarKind::dateadd:
      return applyDateAdd(s.date_unit, s.amount, row.get(s.col), scratch);
    case ScalarKind::extract: {
      char buf[kDateBuffer];
      auto r = applyExtract(s.date_unit, row.get(s.col), buf);
      return keep(r, buf, scratch);
    }
    case ScalarKind::strftime: return applyStrftimeCopy(s.fmt, row.get(s.col), scratch);
    case ScalarKind::round: return applyRound(row.get(s.col), s.digits, scratch);
    case ScalarKind::replace: return applyReplace(row.get(s.col), s.from, s.to, scratch);
    case ScalarKind::split_part: return applySplitPart(row.get(s.col), s.delim, s.index);
    case ScalarKind::greatest:
    case ScalarKind::least: {
      std::string_view texts[kMaxScalarArgs];
      size_t n = argTexts(s, row, texts);
      return pickExtremeValues(texts, n, s.kind == ScalarKind::greatest);
    }
    case ScalarKind::concat: {
      std::string_view texts[kMaxScalarArgs];
      size_t n = argTexts(s, row, texts);
      return applyConcat(texts, n, scratch);
    }
    case ScalarKind::nested: {
      if (!s.inner) return {};
      return applyStringOp(s.nested_op, evalIn(*s.inner, row, scratch), scratch);
    }
    case ScalarKind::case_when: {
      const bool holds = caseConditionHolds(s, row.get(s.col));
      return resolveIn(holds ? s.then_value : s.else_value, row, scratch);
    }
    case ScalarKind::null_test: {
      // Only the empty text is null; a field of blanks is a value.
      const bool is_null = row.get(s.col).empty();
      return s.is_not != is_null ? kTrue : kFalse;
    }
  }
  return {};
}

}  // namespace

std::string_view eval(const ScalarSpec& spec, const std::string_view* fields, size_t field_count,
                      Arena& scratch) {
  return evalIn(spec, RowView{fields, field_count, false}, scratch);
}

std::string_view evalScalarOnSingleValue(const ScalarSpec& spec, std::string_view value,
                                         Arena& scratch) {
  return evalIn(spec, RowView{&value, 1, true}, scratch);
}

std::string_view resolveCaseValue(const CaseValue& value, const std::string_view* fields,
                                  size_t field_count, Arena& scratch) {
  return resolveIn(value, RowView{fields, field_count, false}, scratch);
}

std::string_view pickExtremeValues(const std::string_view* texts, size_t count, bool want_max) {
  if (count == 0) return {};
  bool all_numbers = true;
  for (size_t i = 0; i < count && all_numbers; ++i) all_numbers = parseFloat(texts[i]).has_value();
  size_t winner = 0;
  if (all_numbers) {
    double best = *parseFloat(texts[0]);
    for (size_t i = 1; i < count; ++i) {
      double x = *parseFloat(texts[i]);
      if (want_max ? x > best : x < best) {
        best = x;
        winner = i;
      }
    }
  } else {
    for (size_t i = 1; i < count; ++i) {
      int c = compareBytes(texts[i], texts[winner]);
      if (want_max ? c > 0 : c < 0) winner = i;
    }
  }
  return texts[winner];
}

double CaseWhenValue::resolve(const std::string_view* fields, size_t field_count) const {
  if (!is_column) return number;
  if (column >= field_count) return 0;
  // An empty or unreadable field counts as 0.
  return readNumber(fields[column]).value_or(0);
}

}  // namespace narwe
