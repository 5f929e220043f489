// Date-time parsing, timestamp conversion and formatting.
#include "scalar/datetime.h"

#include <cstring>
#include <limits>

#include "common/numbers.h"

namespace narwe {
namespace {

constexpr std::string_view::size_type npos = std::string_view::npos;

constexpr unsigned kHoursPerDay = 24;
constexpr unsigned kMinutesPerHour = 60;
constexpr unsigned kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;

// The civil calendar repeats every 400 years (146097 days). Day counts are
// shifted so that an "era" starts on March 1 of year 0, which puts the leap
// day at the end of the year; 719468 is the number of days from that origin
// to 1970-01-01.
constexpr int64_t kDaysPerEra = 146097;
constexpr int64_t kEpochShiftDays = 719468;

// Bytes of the compact form: YYYYMMDD, then HHMMSS when at least 14 bytes.
constexpr size_t kCompactDateLen = 8;
constexpr size_t kCompactDateTimeLen = 14;

// Strict unsigned reads of a piece: the integer parse's own error for a bad
// piece, Overflow for a value outside the width.
Result<uint8_t> parseU8(std::string_view text) {
  Result<int64_t> r = parseInt64(text);
  if (!r.ok()) return r.error();
  if (*r < 0 || *r > std::numeric_limits<uint8_t>::max()) return Error::Overflow;
  return static_cast<uint8_t>(*r);
}

Result<uint16_t> parseU16(std::string_view text) {
  Result<int64_t> r = parseInt64(text);
  if (!r.ok()) return r.error();
  if (*r < 0 || *r > std::numeric_limits<uint16_t>::max()) return Error::Overflow;
  return static_cast<uint16_t>(*r);
}

Status validateDate(const DateTime& dt) {
  if (dt.month < 1 || dt.month > 12) return Error::InvalidMonth;
  if (dt.day < 1 || dt.day > daysInMonth(dt.year, dt.month)) return Error::InvalidDay;
  return okStatus();
}

// Reads HH:MM[:SS[.fraction]] into dt and validates it. Pieces after the
// third are ignored; a missing minute is InvalidTime.
Status readTime(std::string_view time, DateTime& dt) {
  if (time.empty()) return Error::InvalidTime;
  size_t colon = time.find(':');
  Result<uint8_t> hour = parseU8(time.substr(0, colon));
  if (!hour.ok()) return hour.error();
  if (colon == npos) return Error::InvalidTime;
  std::string_view rest = time.substr(colon + 1);
  colon = rest.find(':');
  Result<uint8_t> minute = parseU8(rest.substr(0, colon));
  if (!minute.ok()) return minute.error();
  uint8_t second = 0;
  uint16_t fraction = 0;
  if (colon != npos) {
    rest = rest.substr(colon + 1);
    std::string_view piece = rest.substr(0, rest.find(':'));
    size_t dot = piece.find('.');
    Result<uint8_t> sec = parseU8(piece.substr(0, dot));
    if (!sec.ok()) return sec.error();
    second = *sec;
    if (dot != npos && dot + 1 < piece.size()) {
      Result<uint16_t> frac = parseU16(piece.substr(dot + 1));
      if (!frac.ok()) return frac.error();
      fraction = *frac;
    }
  }
  if (*hour >= kHoursPerDay) return Error::InvalidHour;
  if (*minute >= kMinutesPerHour) return Error::InvalidMinute;
  if (second >= kSecondsPerMinute) return Error::InvalidSecond;
  dt.hour = *hour;
  dt.minute = *minute;
  dt.second = second;
  dt.fraction = fraction;
  return okStatus();
}

// Splits a date text at `sep` into three pieces: before the first separator,
// between the first and second, and after the second up to a further
// separator or the end. False when there is no second separator.
bool splitDate(std::string_view date, char sep, std::string_view pieces[3]) {
  size_t first = date.find(sep);
  if (first == npos) return false;
  size_t second = date.find(sep, first + 1);
  if (second == npos) return false;
  pieces[0] = date.substr(0, first);
  pieces[1] = date.substr(first + 1, second - first - 1);
  std::string_view tail = date.substr(second + 1);
  pieces[2] = tail.substr(0, tail.find(sep));
  return true;
}

// The three date pieces in text order, read and validated. `order` names the
// role of each piece: 'y', 'm' or 'd'.
Status readDate(const std::string_view pieces[3], const char order[3], DateTime& dt) {
  for (int i = 0; i < 3; ++i) {
    if (order[i] == 'y') {
      Result<int32_t> year = parseInt32(pieces[i]);
      if (!year.ok()) return year.error();
      dt.year = *year;
    } else {
      Result<uint8_t> v = parseU8(pieces[i]);
      if (!v.ok()) return v.error();
      (order[i] == 'm' ? dt.month : dt.day) = *v;
    }
  }
  return validateDate(dt);
}

// Splits `text` at `sep_pos` into the date and the time part. A separator at
// position 0 does not split (the whole text is read as the date, so a
// leading blank fails as a bad number). An empty time part means no time.
void splitDateTime(std::string_view text, size_t sep_pos, std::string_view& date,
                   std::string_view& time, bool& has_time) {
  date = text;
  time = {};
  has_time = false;
  if (sep_pos != npos && sep_pos > 0) {
    date = text.substr(0, sep_pos);
    time = text.substr(sep_pos + 1);
    has_time = !time.empty();
  }
}

Result<DateTime> parseIso(std::string_view text) {
  size_t sep = text.find('T');
  // A time mark with no date before it.
  if (sep == 0) return Error::InvalidDate;
  if (sep == npos) sep = text.find(' ');
  std::string_view date, time;
  bool has_time;
  splitDateTime(text, sep, date, time, has_time);
  std::string_view pieces[3];
  if (!splitDate(date, '-', pieces)) return Error::InvalidDate;
  DateTime dt;
  static constexpr char kOrder[3] = {'y', 'm', 'd'};
  NARWE_TRY(readDate(pieces, kOrder, dt));
  if (has_time) {
    // "Z" (and anything after it) carries no meaning: there are no zones.
    time = time.substr(0, time.find('Z'));
    NARWE_TRY(readTime(time, dt));
  }
  return dt;
}

// US (MM/DD/YYYY) and European (DD.MM.YYYY) forms: the date ends at the
// first space.
Result<DateTime> parseSeparated(std::string_view text, char sep, const char order[3]) {
  std::string_view date, time;
  bool has_time;
  splitDateTime(text, text.find(' '), date, time, has_time);
  std::string_view pieces[3];
  if (!splitDate(date, sep, pieces)) return Error::InvalidDate;
  DateTime dt;
  NARWE_TRY(readDate(pieces, order, dt));
  if (has_time) NARWE_TRY(readTime(time, dt));
  return dt;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A two-digit piece of the compact form.
Result<uint8_t> compactPiece(std::string_view text, size_t pos) {
  if (!isDigit(text[pos]) || !isDigit(text[pos + 1])) return Error::InvalidCharacter;
  return static_cast<uint8_t>((text[pos] - '0') * 10 + (text[pos + 1] - '0'));
}

// Civil date of a day count (days since 1970-01-01), 64-bit year.
struct CivilDay {
  int64_t year;
  unsigned month;
  unsigned day;
};

CivilDay civilFromDays(int64_t days) {
  int64_t z = days + kEpochShiftDays;
  int64_t era = (z >= 0 ? z : z - (kDaysPerEra - 1)) / kDaysPerEra;
  int64_t doe = z - era * kDaysPerEra;                                  // [0, 146096]
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
  int64_t mp = (5 * doy + 2) / 153;                                     // March = 0
  unsigned day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  unsigned month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

struct CivilTime {
  CivilDay date;
  unsigned hour, minute, second;
};

CivilTime civilFromTimestamp(int64_t timestamp) {
  int64_t days = timestamp / kSecondsPerDay;
  int64_t secs = timestamp % kSecondsPerDay;
  if (secs < 0) {
    secs += kSecondsPerDay;
    --days;
  }
  CivilTime t;
  t.date = civilFromDays(days);
  t.hour = static_cast<unsigned>(secs / kSecondsPerHour);
  t.minute = static_cast<unsigned>(secs % kSecondsPerHour / kSecondsPerMinute);
  t.second = static_cast<unsigned>(secs % kSecondsPerMinute);
  return t;
}

// Writes v zero-padded to at least `width` digits; returns the length.
size_t writePadded(uint64_t v, size_t width, char* out) {
  char tmp[24];
  size_t n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < width) tmp[n++] = '0';
  for (size_t i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
  return n;
}

uint64_t absYear(int64_t year) {
  return year < 0 ? static_cast<uint64_t>(0) - static_cast<uint64_t>(year)
                  : static_cast<uint64_t>(year);
}

// Output of applyStrftime: stops accepting format units once the cap is
// reached and never writes past the buffer.
class StrftimeOut {
 public:
  explicit StrftimeOut(char* buf) : buf_(buf) {}
  // Output stops once this many bytes have been written.
  static constexpr size_t kStopAt = 61;
  bool full() const { return len_ >= kStopAt; }
  void put(std::string_view text) {
    size_t n = std::min(text.size(), kStrftimeBufferSize - len_);
    std::memcpy(buf_ + len_, text.data(), n);
    len_ += n;
  }
  void putPadded(uint64_t v, size_t width) {
    char tmp[24];
    put({tmp, writePadded(v, width, tmp)});
  }
  std::string_view view() const { return {buf_, len_}; }

 private:
  char* buf_;
  size_t len_ = 0;
};

constexpr size_t kYearWidth = 4;
constexpr size_t kFieldWidth = 2;

}  // namespace

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t yoe = year - era * 400;                                          // [0, 399]
  const int64_t mp = month > 2 ? int64_t{month} - 3 : int64_t{month} + 9;  // March = 0
  int64_t doy = (153 * mp + 2) / 5 + int64_t{day} - 1;                     // [0, 365]
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;                     // [0, 146096]
  return era * kDaysPerEra + doe - kEpochShiftDays;
}

int64_t DateTime::toTimestamp() const {
  int64_t days = daysFromCivil(year, month, day);
  return days * kSecondsPerDay + hour * kSecondsPerHour + minute * int64_t{kSecondsPerMinute} +
         second;
}

DateTime DateTime::fromTimestamp(int64_t timestamp) {
  CivilTime t = civilFromTimestamp(timestamp);
  DateTime dt;
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  dt.year = static_cast<int32_t>(t.date.year < kMin ? kMin : t.date.year > kMax ? kMax : t.date.year);
  dt.month = static_cast<uint8_t>(t.date.month);
  dt.day = static_cast<uint8_t>(t.date.day);
  dt.hour = static_cast<uint8_t>(t.hour);
  dt.minute = static_cast<uint8_t>(t.minute);
  dt.second = static_cast<uint8_t>(t.second);
  return dt;
}

Result<DateTime> parseCompactFields(std::string_view text) {
  if (text.size() < kCompactDateLen) return Error::UnknownDateFormat;
  for (size_t i = 0; i < kCompactDateLen; ++i)
    if (!isDigit(text[i])) return Error::UnknownDateFormat;
  DateTime dt;
  dt.year = (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
  dt.month = *compactPiece(text, 4);
  dt.day = *compactPiece(text, 6);
  NARWE_TRY(validateDate(dt));
  if (text.size() >= kCompactDateTimeLen) {
    Result<uint8_t> hour = compactPiece(text, 8);
    if (!hour.ok()) return hour.error();
    Result<uint8_t> minute = compactPiece(text, 10);
    if (!minute.ok()) return minute.error();
    Result<uint8_t> second = compactPiece(text, 12);
    if (!second.ok()) return second.error();
    if (*hour >= kHoursPerDay) return Error::InvalidHour;
    if (*minute >= kMinutesPerHour) return Error::InvalidMinute;
    if (*second >= kSecondsPerMinute) return Error::InvalidSecond;
    dt.hour = *hour;
    dt.minute = *minute;
    dt.second = *second;
  }
  return dt;
}

Result<int64_t> parseCompact(std::string_view text) {
  Result<DateTime> dt = parseCompactFields(text);
  if (!dt.ok()) return dt.error();
  return dt->toTimestamp();
}

Result<DateTime> parseDateTimeFields(std::string_view text) {
  if (text.empty()) return Error::InvalidDate;
  if (text.find('-') != npos) return parseIso(text);
  if (text.find('/') != npos) {
    static constexpr char kUs[3] = {'m', 'd', 'y'};
    return parseSeparated(text, '/', kUs);
  }
  if (text.find('.') != npos) {
    static constexpr char kEuropean[3] = {'d', 'm', 'y'};
    return parseSeparated(text, '.', kEuropean);
  }
  return parseCompactFields(text);
}

Result<int64_t> parseDateTime(std::string_view text) {
  Result<DateTime> dt = parseDateTimeFields(text);
  if (!dt.ok()) return dt.error();
  return dt->toTimestamp();
}

size_t formatDateTime(int64_t timestamp, char* out) {
  CivilTime t = civilFromTimestamp(timestamp);
  size_t n = writePadded(absYear(t.date.year), kYearWidth, out);
  out[n++] = '-';
  n += writePadded(t.date.month, kFieldWidth, out + n);
  out[n++] = '-';
  n += writePadded(t.date.day, kFieldWidth, out + n);
  out[n++] = ' ';
  n += writePadded(t.hour, kFieldWidth, out + n);
  out[n++] = ':';
  n += writePadded(t.minute, kFieldWidth, out + n);
  out[n++] = ':';
  n += writePadded(t.second, kFieldWidth, out + n);
  return n;
}

std::string_view formatDateTime(Arena& arena, int64_t timestamp) {
  char buf[kDateTimeTextMax];
  return arena.copy({buf, formatDateTime(timestamp, buf)});
}

void appendDateTime(std::string& out, int64_t timestamp) {
  char buf[kDateTimeTextMax];
  out.append(buf, formatDateTime(timestamp, buf));
}

std::string_view applyStrftime(std::string_view format, std::string_view value, char* buf) {
  StrftimeOut out(buf);
  if (value.empty()) return out.view();
  Result<DateTime> parsed = parseDateTimeFields(value);
  for (size_t i = 0; i < format.size() && !out.full(); ++i) {
    char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      out.put({&format[i], 1});
      continue;
    }
    char spec = format[++i];
    // Byte range of each specifier in a "YYYY-MM-DD HH:MM:SS" text, and
    // the field it names in a parsed value.
    size_t pos, len;
    uint64_t field = 0;
    const DateTime* dt = parsed.ok() ? &*parsed : nullptr;
    switch (spec) {
      case 'Y': pos = 0, len = 4; if (dt) field = absYear(dt->year); break;
      case 'm': pos = 5, len = 2; if (dt) field = dt->month; break;
      case 'd': pos = 8, len = 2; if (dt) field = dt->day; break;
      case 'H': pos = 11, len = 2; if (dt) field = dt->hour; break;
      case 'M': pos = 14, len = 2; if (dt) field = dt->minute; break;
      case 'S': pos = 17, len = 2; if (dt) field = dt->second; break;
      default:
        out.put({&format[i - 1], 2});
        continue;
    }
    if (dt) {
      out.putPadded(field, len);
    } else if (value.size() >= pos + len) {
      out.put(value.substr(pos, len));
    }
  }
  return out.view();
}

}  // namespace narwe
