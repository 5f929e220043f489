// The exported functions and the query thread.
#include "api/lib.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "api/runner.h"
#include "common/thread_start.h"
#include "narwe.h"

namespace narwe {
namespace {

constexpr int kReturnSuccess = 0;
constexpr int kReturnFailure = 1;
constexpr int kReturnNoMemoryForError = 2;
constexpr size_t kResultAlignment = 8;
constexpr std::string_view kErrorPrefix = "error: ";

// Shared by pointer with the query thread; written by it, read by the caller
// only after the join.
struct QueryArgs {
  const char* statement = nullptr;
  size_t length = 0;
  char* result = nullptr;
  uint16_t error = 0;  // 0 = success
  uint8_t format : 2;
};

void queryThreadEntry(void* raw) noexcept {
  auto* args = static_cast<QueryArgs*>(raw);
  Error error = Error::None;
  try {
    auto result = runStatement(std::string_view(args->statement, args->length),
                               static_cast<OutputFormat>(args->format));
    if (result.ok()) {
      args->result = *result;
    } else {
      error = result.error();
    }
  } catch (const std::bad_alloc&) {
    error = Error::OutOfMemory;
  } catch (...) {
    error = Error::Unexpected;
  }
  args->error = static_cast<uint16_t>(error);
}

int runExported(const char* sql, char** out, OutputFormat format) {
  if (out == nullptr) return kReturnFailure;  // nowhere to put any text
  std::string_view statement = sql == nullptr ? std::string_view() : std::string_view(sql);
  Result<char*> result = runQueryOwnStack(statement, format);
  if (result.ok()) {
    *out = *result;
    return kReturnSuccess;
  }
  std::string_view name = errorName(result.error());
  size_t length = kErrorPrefix.size() + name.size();
  void* text = nullptr;
  if (posix_memalign(&text, kResultAlignment, length + 1) != 0) return kReturnNoMemoryForError;
  char* p = static_cast<char*>(text);
  std::memcpy(p, kErrorPrefix.data(), kErrorPrefix.size());
  std::memcpy(p + kErrorPrefix.size(), name.data(), name.size());
  p[length] = '\0';
  *out = p;
  return kReturnFailure;
}

}  // namespace

Result<char*> runQueryOwnStack(std::string_view statement, OutputFormat format) {
  QueryArgs args;
  args.statement = statement.data();
  args.length = statement.size();
  args.format = static_cast<uint8_t>(format);
  NARWE_ASSIGN_OR_RETURN(pthread_t thread,
                         startThread<queryThreadEntry>(&args, kQueryStackSize));
  pthread_join(thread, nullptr);
  if (args.error != 0) return static_cast<Error>(args.error);
  return args.result;
}

}  // namespace narwe

extern "C" {

int narwe_query_json(const char* sql, char** out) {
  return narwe::runExported(sql, out, narwe::OutputFormat::JsonArray);
}

int narwe_query_csv(const char* sql, char** out) {
  return narwe::runExported(sql, out, narwe::OutputFormat::Csv);
}

void narwe_free(char* s) { std::free(s); }

}  // extern "C"
