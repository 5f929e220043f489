// Shared helpers for the CSV reading tests: temporary files, random CSV-like
// text, and straightforward reference readers of the dialect written
// independently of the library's scanners (one byte at a time, with
// look-ahead instead of the library's look-ahead-free state machine).
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace narwe::testing_support {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A temporary file holding `content`, open for reading; removed on scope exit.
class TempFile {
 public:
  explicit TempFile(std::string_view content) {
    char name[] = "/tmp/narwe_io_test_XXXXXX";
    fd_ = ::mkstemp(name);
    if (fd_ < 0) throw std::runtime_error("mkstemp failed");
    path_ = name;
    size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = ::write(fd_, content.data() + done, content.size() - done);
      if (n <= 0) throw std::runtime_error("write failed");
      done += static_cast<size_t>(n);
    }
    ::lseek(fd_, 0, SEEK_SET);
  }
  ~TempFile() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Bytes placed so that the last one is the last byte before an unreadable
// page: any read past the end faults at once.
class GuardedBytes {
 public:
  explicit GuardedBytes(std::string_view content) {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t data_pages = (content.size() + page - 1) / page + 1;
    total_ = (data_pages + 1) * page;
    void* p = ::mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::runtime_error("mmap failed");
    base_ = static_cast<char*>(p);
    ::mprotect(base_ + data_pages * page, page, PROT_NONE);
    data_ = base_ + data_pages * page - content.size();
    std::memcpy(data_, content.data(), content.size());
    size_ = content.size();
  }
  ~GuardedBytes() { ::munmap(base_, total_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  const char* data() const { return data_; }
  size_t size() const { return size_; }
  std::string_view view() const { return {data_, size_}; }

 private:
  char* base_ = nullptr;
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t total_ = 0;
};

// Random bytes drawn from `alphabet`.
inline std::string randomText(std::mt19937_64& rng, size_t length,
                              std::string_view alphabet = "a,\"\n\r") {
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string out(length, '\0');
  for (char& c : out) c = alphabet[pick(rng)];
  return out;
}

// Plausible CSV: records of a few fields, some quoted (holding delimiters,
// quote pairs and line feeds), some with stray quotes inside unquoted fields.
inline std::string randomCsv(std::mt19937_64& rng, size_t target_bytes) {
  std::string out;
  std::uniform_int_distribution<int> fields(1, 8);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> len(0, 12);
  while (out.size() < target_bytes) {
    const int n = fields(rng);
    for (int f = 0; f < n; ++f) {
      if (f > 0) out.push_back(',');
      const int k = kind(rng);
      if (k < 6) {
        out += randomText(rng, static_cast<size_t>(len(rng)), "abcxyz 0123");
      } else if (k < 9) {
        out.push_back('"');
        out += randomText(rng, static_cast<size_t>(len(rng)), "ab,\n\r x");
        if (k == 8) out += "\"\"q";
        out.push_back('"');
      } else {
        out += "27\" screen";
      }
    }
    out += (kind(rng) == 0) ? "\r\n" : "\n";
  }
  return out;
}

// Record-ending line feeds, found with the dialect's look-ahead rules.
inline std::vector<size_t> referenceRecordEnds(std::string_view s, char delim = ',',
                                               size_t from = 0) {
  std::vector<size_t> ends;
  bool in_quotes = false;
  bool field_start = true;
  size_t i = from;
  while (i < s.size()) {
    const char c = s[i];
    if (in_quotes) {
      if (c == '"') {
        if (i + 1 < s.size() && s[i + 1] == '"') {
          i += 2;
          continue;
        }
        in_quotes = false;
        field_start = false;
      }
      ++i;
      continue;
    }
    if (c == '"' && field_start) {
      in_quotes = true;
      field_start = false;
    } else if (c == '\n') {
      ends.push_back(i);
      field_start = true;
    } else if (c == delim) {
      field_start = true;
    } else {
      field_start = false;
    }
    ++i;
  }
  return ends;
}

// Records a sequential read returns: bytes between record ends.
inline std::vector<std::string_view> referenceRecords(std::string_view s, char delim = ',') {
  std::vector<std::string_view> out;
  size_t begin = 0;
  for (const size_t end : referenceRecordEnds(s, delim)) {
    out.push_back(s.substr(begin, end - begin));
    begin = end + 1;
  }
  if (begin < s.size()) out.push_back(s.substr(begin));
  return out;
}

inline uint64_t referenceCount(std::string_view s, char delim = ',') {
  return referenceRecords(s, delim).size();
}

// The borrowed split: quoted fields raw (pairs doubled), text after a
// closing quote dropped.
inline std::vector<std::string> referenceSlices(std::string_view line, char delim = ',') {
  std::vector<std::string> out;
  size_t i = 0;
  for (;;) {
    std::string field;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += "\"\"";
            i += 2;
            continue;
          }
          ++i;
          while (i < line.size() && line[i] != delim) ++i;
          break;
        }
        field.push_back(line[i++]);
      }
    } else {
      while (i < line.size() && line[i] != delim) field.push_back(line[i++]);
    }
    out.push_back(field);
    if (i >= line.size()) return out;
    ++i;
  }
}

// Collapses every quote pair into one quote.
inline std::string collapsePairs(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    out.push_back(s[i]);
    if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') ++i;
  }
  return out;
}

// True when `line` (a record without its line ending) holds a CR outside
// quoted fields, the dropped bytes after a closing quote included.
inline bool referenceHasLoneCr(std::string_view line, char delim = ',') {
  size_t i = 0;
  for (;;) {
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
    }
    while (i < line.size() && line[i] != delim) {
      if (line[i] == '\r') return true;
      ++i;
    }
    if (i >= line.size()) return false;
    ++i;
  }
}

inline std::string_view withoutCr(std::string_view r) {
  if (!r.empty() && r.back() == '\r') r.remove_suffix(1);
  return r;
}

// What every reader must make of a whole input: its records' fields, then
// the error that ended the read (Error::None when the input was read to its
// end). A leading byte-order mark is skipped; a record's fields are the
// borrowed split with quote pairs collapsed; a lone CR is InvalidInput and
// more than 256 fields TooManyColumns, the CR verdict first.
struct ReferenceRead {
  std::vector<std::vector<std::string>> records;
  int error = 0;  // 0, or 1 for InvalidInput, 2 for TooManyColumns
};

inline ReferenceRead referenceRead(std::string_view text, char delim = ',') {
  ReferenceRead out;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  for (const std::string_view record : referenceRecords(text, delim)) {
    const std::string_view body = withoutCr(record);
    if (referenceHasLoneCr(body, delim)) {
      out.error = 1;
      return out;
    }
    std::vector<std::string> fields;
    for (const std::string& f : referenceSlices(body, delim)) fields.push_back(collapsePairs(f));
    if (fields.size() > 256) {
      out.error = 2;
      return out;
    }
    out.records.push_back(std::move(fields));
  }
  return out;
}

}  // namespace narwe::testing_support
