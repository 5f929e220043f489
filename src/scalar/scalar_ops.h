// The per-function value computations behind eval() (internal to the scalar
// module). Each takes the already fetched argument texts, so the row-level
// dispatcher, nested expressions and the predicate helpers share one
// implementation. None returns an error: running out of scratch memory throws
// std::bad_alloc, which ends the query with OutOfMemory.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/arena.h"
#include "scalar/scalar.h"

namespace narwe::scalar_detail {

// Text family.
std::string_view applyUpper(std::string_view v, Arena& scratch);
std::string_view applyLower(std::string_view v, Arena& scratch);
std::string_view applyReverse(std::string_view v, Arena& scratch);
std::string_view applyLength(std::string_view v, Arena& scratch);
std::string_view applySubstr(std::string_view v, int32_t start, int32_t count);
std::string_view applyPad(std::string_view v, uint64_t width, std::string_view pad, bool left,
                          Arena& scratch);
std::string_view applyReplace(std::string_view v, std::string_view from, std::string_view to,
                              Arena& scratch);
std::string_view applySplitPart(std::string_view v, std::string_view delim, uint64_t index);
std::string_view applyConcat(const std::string_view* parts, size_t count, Arena& scratch);
// upper/lower/trim/reverse/length by the nested operator.
std::string_view applyStringOp(NestedOp op, std::string_view v, Arena& scratch);
// True when `v` is well-formed UTF-8 (no overlong forms, no surrogates, no
// code point above U+10FFFF).
bool isValidUtf8(std::string_view v);

// Numeric family.
std::string_view applyAbs(std::string_view v, Arena& scratch);
std::string_view applySign(std::string_view v);
std::string_view applyCeil(std::string_view v, Arena& scratch);
std::string_view applyFloor(std::string_view v, Arena& scratch);
std::string_view applyMod(std::string_view v, double divisor, Arena& scratch);
std::string_view applyCastInt(std::string_view v, Arena& scratch);
std::string_view applyRound(std::string_view v, uint8_t digits, Arena& scratch);
// formatNum / formatFloat of x copied into the arena.
std::string_view numberText(double x, bool as_float, Arena& scratch);

// Date family. dateDiffValue / extractValue give the number the text forms
// print (0 for an unparsable date or an unknown unit).
double dateDiffValue(DateUnit unit, std::string_view first, std::string_view second);
int64_t extractValue(DateUnit unit, std::string_view v);
std::string_view applyDateDiff(DateUnit unit, std::string_view first, std::string_view second,
                               char* buf64);
std::string_view applyDateAdd(DateUnit unit, int32_t amount, std::string_view v, Arena& scratch);
std::string_view applyExtract(DateUnit unit, std::string_view v, char* buf64);
std::string_view applyStrftimeCopy(std::string_view fmt, std::string_view v, Arena& scratch);

}  // namespace narwe::scalar_detail
