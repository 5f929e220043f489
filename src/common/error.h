// The program-wide set of named errors and the Result type that carries them.
//
// Every failure in the library is one `Error` value. Values travel up through
// every layer as `Result<T>` / `Status`; nothing throws across a module
// boundary. The exported C functions turn an error into "error: " + its name.
// The enum and its name table are generated from one list, so they cannot
// drift apart.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

namespace narwe {

// X(name): the system's own errors first, then the operating-system group.
#define NARWE_ERROR_LIST(X)                                                    \
  X(UnsupportedSetOperation) X(SubqueriesNotSupported) X(InvalidQuery)         \
  X(UnsupportedJoinType) X(InvalidJoinSyntax) X(InvalidExpression)             \
  X(InvalidCharacter) X(InvalidOperator) X(UnterminatedQuotedValue)            \
  X(NegativeLimitNotAllowed) X(NegativeOffsetNotAllowed)                       \
  X(MixedAggregateAndNonAggregateSelect) X(EmptyFile) X(NoHeader)              \
  X(TooManyColumns) X(ColumnNotFound) X(NestedFunctionNotSupported)            \
  X(TooManyArgs) X(InvalidInput) X(StrictModeNonNumericValue)                  \
  X(UnsupportedHavingComparesTwoAggregates) X(OrderByColumnNotFound)           \
  X(AmbiguousColumnReference) X(JoinColumnNotFound) X(LimitReached)            \
  X(ArithmeticExpressionsNotSupported) X(InvalidDate) X(UnknownDateFormat)     \
  X(InvalidMonth) X(InvalidDay) X(InvalidTime) X(InvalidHour)                  \
  X(InvalidMinute) X(InvalidSecond)                                            \
  X(ThreadQuotaExceeded) X(SystemResources) X(OutOfMemory)                     \
  X(LockedMemoryLimitExceeded) X(Unexpected) X(WriteFailed) X(ReadFailed)      \
  X(EndOfStream) X(Unimplemented) X(InputOutput) X(IsDir) X(OperationAborted)  \
  X(BrokenPipe) X(ConnectionResetByPeer) X(ConnectionTimedOut)                 \
  X(NotOpenForReading) X(SocketNotConnected) X(WouldBlock) X(Canceled)         \
  X(AccessDenied) X(ProcessNotFound) X(LockViolation) X(PermissionDenied)      \
  X(Streaming) X(Unseekable) X(Overflow) X(SystemFdQuotaExceeded)              \
  X(ProcessFdQuotaExceeded) X(FileNotFound) X(NameTooLong) X(NotSupported)     \
  X(NotDir) X(SymLinkLoop) X(FileTooBig) X(NoDevice) X(NoSpaceLeft)            \
  X(FileSystem) X(BadPathName) X(DeviceBusy) X(SharingViolation) X(PipeBusy)   \
  X(InvalidWtf8) X(NetworkNotFound) X(PathAlreadyExists)                       \
  X(AntivirusInterference) X(UnrecognizedVolume) X(PathOutsideAllowedRoot)     \
  X(EnvironmentVariableNotFound) X(InvalidUtf8) X(FileLocksNotSupported)       \
  X(FileBusy) X(ReadOnlyFileSystem) X(DiskQuota) X(InvalidArgument)            \
  X(NotOpenForWriting) X(MessageTooBig) X(MemoryMappingNotSupported)           \
  X(MappingAlreadyExists) X(InvalidSyscall)                                    \
  X(WouldExceedMaximumResidentSetSize) X(MadviseUnavailable)                   \
  X(UnsupportedClock) X(Unsupported) X(Locked) X(DeadLock)                     \
  X(LockedRegionLimitExceeded) X(DirNotEmpty) X(UnknownName)                   \
  X(BufferTooSmall) X(UnsupportedOperation) X(BadFileFlags) X(Interrupted)     \
  X(InvalidArguments) X(CorruptedData) X(OperationNotSupported) X(SwapFile)    \
  X(NotSameFileSystem)

// Code 0 means success; every named error has a code >= 1 that fits 16 bits.
enum class Error : uint16_t {
  None = 0,
#define NARWE_ERROR_ENUM(name) name,
  NARWE_ERROR_LIST(NARWE_ERROR_ENUM)
#undef NARWE_ERROR_ENUM
      kCount
};

// The caller-visible name of `e` ("FileNotFound"); "None" for Error::None.
std::string_view errorName(Error e);

// Number of named errors (not counting None).
constexpr int kErrorCount = static_cast<int>(Error::kCount) - 1;

// Maps an errno value from open/read/write/pipe/mmap/pthread calls to an
// error name. Unknown values give Unexpected.
Error errorFromErrno(int err);

// A value or an error. Marked nodiscard: an ignored failure is a bug.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Error error) : error_(error) {}         // NOLINT: implicit by design

  bool ok() const { return error_ == Error::None; }
  Error error() const { return error_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }

 private:
  std::optional<T> value_;
  Error error_ = Error::None;
};

// Success or an error, for functions with no value to return.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(error) {}  // NOLINT: implicit by design
  bool ok() const { return error_ == Error::None; }
  Error error() const { return error_; }

 private:
  Error error_ = Error::None;
};

inline Status okStatus() { return Status(); }

}  // namespace narwe

#define NARWE_CONCAT_INNER(a, b) a##b
#define NARWE_CONCAT(a, b) NARWE_CONCAT_INNER(a, b)

// Returns the error of `expr` (a Result or Status) from the enclosing function.
#define NARWE_TRY(expr)                                  \
  do {                                                   \
    auto&& narwe_try_status_ = (expr);                   \
    if (!narwe_try_status_.ok()) return narwe_try_status_.error(); \
  } while (0)

// `NARWE_ASSIGN_OR_RETURN(auto x, f());` declares x from a Result's value or
// returns its error.
#define NARWE_ASSIGN_OR_RETURN(lhs, expr)                                  \
  NARWE_ASSIGN_OR_RETURN_IMPL(NARWE_CONCAT(narwe_result_, __LINE__), lhs, expr)
#define NARWE_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                                \
  if (!tmp.ok()) return tmp.error();                \
  lhs = std::move(tmp).value()
