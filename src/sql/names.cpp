// The name tables.
#include "sql/names.h"

#include <array>

#include "common/text.h"

namespace narwe {
namespace {

struct FunctionName {
  std::string_view name;
  FunctionId id;
};

constexpr std::array kFunctionNames = {
    FunctionName{"upper", FunctionId::upper},       FunctionName{"lower", FunctionId::lower},
    FunctionName{"trim", FunctionId::trim},         FunctionName{"reverse", FunctionId::reverse},
    FunctionName{"length", FunctionId::length},     FunctionName{"abs", FunctionId::abs},
    FunctionName{"sign", FunctionId::sign},         FunctionName{"ceil", FunctionId::ceil},
    FunctionName{"ceiling", FunctionId::ceil},      FunctionName{"floor", FunctionId::floor},
    FunctionName{"substr", FunctionId::substr},     FunctionName{"substring", FunctionId::substr},
    FunctionName{"lpad", FunctionId::lpad},         FunctionName{"rpad", FunctionId::rpad},
    FunctionName{"replace", FunctionId::replace},   FunctionName{"split_part", FunctionId::split_part},
    FunctionName{"greatest", FunctionId::greatest}, FunctionName{"least", FunctionId::least},
    FunctionName{"concat", FunctionId::concat},     FunctionName{"mod", FunctionId::mod},
    FunctionName{"round", FunctionId::round},       FunctionName{"coalesce", FunctionId::coalesce},
    FunctionName{"cast", FunctionId::cast},         FunctionName{"datediff", FunctionId::datediff},
    FunctionName{"dateadd", FunctionId::dateadd},   FunctionName{"extract", FunctionId::extract},
    FunctionName{"strftime", FunctionId::strftime},
};

struct AggregateName {
  std::string_view name;
  AggKind kind;
};

constexpr std::array kAggregateNames = {
    AggregateName{"count", AggKind::count},
    AggregateName{"sum", AggKind::sum},
    AggregateName{"avg", AggKind::avg},
    AggregateName{"min", AggKind::min},
    AggregateName{"max", AggKind::max},
    AggregateName{"group_concat", AggKind::group_concat},
    AggregateName{"string_agg", AggKind::group_concat},
    AggregateName{"median", AggKind::median},
    AggregateName{"variance", AggKind::var_samp},
    AggregateName{"var_pop", AggKind::var_pop},
    AggregateName{"var_samp", AggKind::var_samp},
    AggregateName{"var", AggKind::var_samp},
    AggregateName{"stddev_pop", AggKind::stddev_pop},
    AggregateName{"stddev_samp", AggKind::stddev_samp},
    AggregateName{"stddev", AggKind::stddev_samp},
    AggregateName{"std", AggKind::stddev_samp},
};

constexpr std::array<std::string_view, kAggregateNames.size()> kAggregateNameTexts = [] {
  std::array<std::string_view, kAggregateNames.size()> texts{};
  for (size_t i = 0; i < kAggregateNames.size(); ++i) texts[i] = kAggregateNames[i].name;
  return texts;
}();

struct DateUnitName {
  std::string_view name;
  DateUnit unit;
};

constexpr std::array kDateUnitNames = {
    DateUnitName{"second", DateUnit::second}, DateUnitName{"minute", DateUnit::minute},
    DateUnitName{"hour", DateUnit::hour},     DateUnitName{"day", DateUnit::day},
    DateUnitName{"week", DateUnit::week},     DateUnitName{"month", DateUnit::month},
    DateUnitName{"year", DateUnit::year},
};

// The reserved words and their roles.
enum WordRole : uint8_t {
  kExpressionWord = 1,  // ends or continues an expression: never a bare column alias
  kClauseWord = 2,      // statement or join word: never a table alias
};

struct ReservedWord {
  std::string_view word;
  uint8_t roles;
};

constexpr std::array kReservedWords = {
    ReservedWord{"select", kClauseWord},
    ReservedWord{"from", kClauseWord | kExpressionWord},
    ReservedWord{"where", kClauseWord},
    ReservedWord{"group", kClauseWord},
    ReservedWord{"by", kClauseWord},
    ReservedWord{"having", kClauseWord},
    ReservedWord{"order", kClauseWord},
    ReservedWord{"limit", kClauseWord},
    ReservedWord{"offset", kClauseWord},
    ReservedWord{"join", kClauseWord},
    ReservedWord{"inner", kClauseWord},
    ReservedWord{"left", kClauseWord},
    ReservedWord{"right", kClauseWord},
    ReservedWord{"full", kClauseWord},
    ReservedWord{"outer", kClauseWord},
    ReservedWord{"cross", kClauseWord},
    ReservedWord{"on", kClauseWord},
    ReservedWord{"and", kClauseWord | kExpressionWord},
    ReservedWord{"or", kClauseWord | kExpressionWord},
    ReservedWord{"not", kClauseWord | kExpressionWord},
    ReservedWord{"as", kClauseWord | kExpressionWord},
    ReservedWord{"union", kClauseWord},
    ReservedWord{"intersect", kClauseWord},
    ReservedWord{"except", kClauseWord},
    ReservedWord{"distinct", kClauseWord | kExpressionWord},
    ReservedWord{"end", kExpressionWord},
    ReservedWord{"then", kExpressionWord},
    ReservedWord{"else", kExpressionWord},
    ReservedWord{"when", kExpressionWord},
    ReservedWord{"case", kExpressionWord},
    ReservedWord{"is", kExpressionWord},
    ReservedWord{"null", kExpressionWord},
    ReservedWord{"in", kExpressionWord},
    ReservedWord{"like", kExpressionWord},
    ReservedWord{"asc", kExpressionWord},
    ReservedWord{"desc", kExpressionWord},
};

bool hasRole(std::string_view word, uint8_t role) {
  for (const ReservedWord& reserved : kReservedWords) {
    if ((reserved.roles & role) != 0 && equalsIgnoreCase(word, reserved.word)) return true;
  }
  return false;
}

}  // namespace

std::optional<FunctionId> functionFromName(std::string_view name) {
  if (name.size() > kMaxFunctionNameLength) return std::nullopt;
  for (const FunctionName& f : kFunctionNames) {
    if (equalsIgnoreCase(name, f.name)) return f.id;
  }
  return std::nullopt;
}

std::optional<AggKind> aggregateFromName(std::string_view name) {
  for (const AggregateName& a : kAggregateNames) {
    if (equalsIgnoreCase(name, a.name)) return a.kind;
  }
  return std::nullopt;
}

std::span<const std::string_view> aggregateNames() { return kAggregateNameTexts; }

DateUnit dateUnitFromText(std::string_view unit) {
  for (const DateUnitName& u : kDateUnitNames) {
    if (equalsIgnoreCase(unit, u.name)) return u.unit;
  }
  return DateUnit::unknown;
}

bool isExpressionWord(std::string_view word) { return hasRole(word, kExpressionWord); }

bool isClauseWord(std::string_view word) { return hasRole(word, kClauseWord); }

}  // namespace narwe
