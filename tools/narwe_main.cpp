// narwe: run one SQL SELECT over CSV files from the command line.
//
// Prints the result (CSV, JSON, or a table for reading) to standard output or
// to the --output file and exits 0; on failure prints the library's error
// text to standard error and exits 1. Usage mistakes exit 2. The host uses
// only include/narwe.h, as any program embedding the library does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "narwe.h"
#include "table.h"
#include "usage.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitQueryFailed = 1;
constexpr int kExitUsage = 2;

constexpr size_t kDefaultMaxWidth = 40;

enum class Format { kCsv, kJson, kTable };

struct Options {
  Format format = Format::kCsv;
  const char* sql = nullptr;
  const char* output_path = nullptr;  // null: standard output
  size_t max_width = kDefaultMaxWidth;
};

int usageError(const char* message, const char* detail) {
  std::fprintf(stderr, "narwe: %s%s (see narwe --help)\n", message, detail);
  return kExitUsage;
}

bool parseFormat(std::string_view name, Format* format) {
  if (name == "csv") *format = Format::kCsv;
  else if (name == "json") *format = Format::kJson;
  else if (name == "table") *format = Format::kTable;
  else return false;
  return true;
}

bool parseWidth(std::string_view text, size_t* width) {
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, *width);
  return ec == std::errc() && stop == end && *width >= narwe_cli::kMinCellWidth;
}

// Reads the command line into `options`. Returns -1 to go on, or the exit
// code to end with (after --help, --version or a usage mistake).
int parseArguments(int argc, char** argv, Options* options) {
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    // A statement never starts with a dash, except after "--".
    const bool is_option = !options_done && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      if (options->sql != nullptr) {
        return usageError("give the statement as one quoted argument", "");
      }
      options->sql = argv[i];
      continue;
    }
    // Options that take a value accept "--name value" and "--name=value".
    std::string_view name = arg;
    const char* value = nullptr;
    if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = argv[i] + eq + 1;
    }
    const bool takes_value = name == "--format" || name == "--output" || name == "-o" ||
                             name == "--max-width";
    if (takes_value && value == nullptr) {
      if (i + 1 >= argc) return usageError("missing value after ", argv[i]);
      value = argv[++i];
    } else if (!takes_value && value != nullptr) {
      return usageError("unknown option ", argv[i]);
    }

    if (name == "--") {
      options_done = true;
    } else if (name == "--help" || name == "-h") {
      std::fputs(narwe_cli::usageText().c_str(), stdout);
      return kExitSuccess;
    } else if (name == "--version") {
      std::fputs(narwe_cli::versionText().c_str(), stdout);
      return kExitSuccess;
    } else if (name == "--json") {
      options->format = Format::kJson;
    } else if (name == "--csv") {
      options->format = Format::kCsv;
    } else if (name == "--table") {
      options->format = Format::kTable;
    } else if (name == "--format") {
      if (!parseFormat(value, &options->format)) {
        return usageError("--format takes csv, json or table, not ", value);
      }
    } else if (name == "--output" || name == "-o") {
      if (*value == '\0') return usageError("--output needs a file name", "");
      options->output_path = value;
    } else if (name == "--max-width") {
      if (!parseWidth(value, &options->max_width)) {
        return usageError("--max-width takes a whole number of at least 4, not ", value);
      }
    } else {
      return usageError("unknown option ", argv[i]);
    }
  }
  if (options->sql == nullptr) {
    std::fputs(narwe_cli::usageText().c_str(), stderr);
    return kExitUsage;
  }
  return -1;
}

// Writes all of `text` to an open descriptor; false when a write failed.
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Replaces the regular file `path` with `text` all at once: the bytes go to a
// new file beside it, which is renamed over `path` only when every byte is on
// disk, so a failed write (a full disk) leaves the old contents untouched.
bool replaceFile(const char* path, std::string_view text) {
  std::string temp = std::string(path) + ".narwe-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  // mkstemp creates the file owner-only; give it the mode a new file gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd, 0666 & ~mask) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path) == 0;
  if (!ok) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
  }
  return ok;
}

// Writes `text` to the --output file or standard output; false (with a
// message on standard error) when it could not be written in full. A regular
// (or not yet existing) output file is replaced whole; anything else, such as
// a device or a pipe, is written in place.
bool writeResult(const Options& options, std::string_view text) {
  bool written = false;
  const char* where = "standard output";
  if (options.output_path == nullptr) {
    written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    written = std::fflush(stdout) == 0 && written;
  } else {
    where = options.output_path;
    struct stat st {};
    if (::stat(options.output_path, &st) != 0 || S_ISREG(st.st_mode)) {
      written = replaceFile(options.output_path, text);
    } else {
      const int fd = ::open(options.output_path, O_WRONLY | O_CLOEXEC);
      written = fd >= 0 && writeAll(fd, text);
      if (fd >= 0) written = ::close(fd) == 0 && written;
    }
  }
  if (!written) {
    std::fprintf(stderr, "narwe: cannot write %s: %s\n", where, std::strerror(errno));
  }
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int exit_code = parseArguments(argc, argv, &options); exit_code >= 0) return exit_code;

  char* out = nullptr;
  const int rc = options.format == Format::kJson ? narwe_query_json(options.sql, &out)
                                                 : narwe_query_csv(options.sql, &out);
  if (rc == 1) {
    std::fprintf(stderr, "%s\n", out);
    narwe_free(out);
    return kExitQueryFailed;
  }
  if (rc != 0) {
    std::fputs("error: OutOfMemory\n", stderr);
    return kExitQueryFailed;
  }

  std::string table;
  std::string_view text = out;
  if (options.format == Format::kTable) {
    auto rows = narwe_cli::readCsvRows(text);
    if (!rows) {
      narwe_free(out);
      std::fputs("narwe: the result is not well-formed CSV\n", stderr);
      return kExitQueryFailed;
    }
    table = narwe_cli::renderTable(*rows, options.max_width);
    text = table;
  }
  const bool written = writeResult(options, text);
  narwe_free(out);
  return written ? kExitSuccess : kExitQueryFailed;
}
