// Name table of the error set and the errno mapping for Linux.
#include "common/error.h"

#include <cerrno>

namespace narwe {
namespace {

constexpr std::string_view kErrorNames[] = {
    "None",
#define NARWE_ERROR_NAME(name) #name,
    NARWE_ERROR_LIST(NARWE_ERROR_NAME)
#undef NARWE_ERROR_NAME
};

static_assert(sizeof(kErrorNames) / sizeof(kErrorNames[0]) ==
                  static_cast<size_t>(Error::kCount),
              "error name table and enum differ in length");
static_assert(static_cast<size_t>(Error::kCount) <= 0xFFFF, "codes are 16-bit");

}  // namespace

std::string_view errorName(Error e) {
  auto index = static_cast<size_t>(e);
  if (index >= static_cast<size_t>(Error::kCount)) return "Unexpected";
  return kErrorNames[index];
}

Error errorFromErrno(int err) {
  switch (err) {
    case ENOENT: return Error::FileNotFound;
    case EACCES: return Error::AccessDenied;
    case EPERM: return Error::PermissionDenied;
    case EISDIR: return Error::IsDir;
    case ENOTDIR: return Error::NotDir;
    case ENAMETOOLONG: return Error::NameTooLong;
    case ELOOP: return Error::SymLinkLoop;
    case EMFILE: return Error::ProcessFdQuotaExceeded;
    case ENFILE: return Error::SystemFdQuotaExceeded;
    case ENOSPC: return Error::NoSpaceLeft;
    case EPIPE: return Error::BrokenPipe;
    case EIO: return Error::InputOutput;
    case EROFS: return Error::ReadOnlyFileSystem;
    case EEXIST: return Error::PathAlreadyExists;
    case EAGAIN: return Error::SystemResources;
    case ENOMEM: return Error::OutOfMemory;
    case EFBIG: return Error::FileTooBig;
    case EOVERFLOW: return Error::FileTooBig;
    case ENODEV: return Error::NoDevice;
    case ENXIO: return Error::NoDevice;
    case EBUSY: return Error::DeviceBusy;
    case ETXTBSY: return Error::FileBusy;
    case EDQUOT: return Error::DiskQuota;
    case EINVAL: return Error::InvalidArgument;
    case EBADF: return Error::NotOpenForReading;
    case EINTR: return Error::Interrupted;
    case ECONNRESET: return Error::ConnectionResetByPeer;
    case ETIMEDOUT: return Error::ConnectionTimedOut;
    case ENOTEMPTY: return Error::DirNotEmpty;
    case EXDEV: return Error::NotSameFileSystem;
    case EDEADLK: return Error::DeadLock;
    case ENOSYS: return Error::InvalidSyscall;
    default: return Error::Unexpected;
  }
}

}  // namespace narwe
