// Helpers shared by the api, exec and corpus tests: scratch directories,
// environment overrides, standard-input redirection, open-descriptor counts,
// file writing.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace narwe::testing {

// A fresh directory under /tmp, removed (with its files) at scope end.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/narwe_api_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    for (const auto& name : entries()) ::unlink((path_ + "/" + name).c_str());
    ::rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Names in the directory, without "." and "..".
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path_.c_str())) {
      while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(dir);
    }
    return names;
  }

  std::string write(const std::string& name, const std::string& content) const {
    std::string p = file(name);
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }

 private:
  std::string path_;
};

// Sets (or unsets, with nullopt) an environment variable for one scope.
class EnvOverride {
 public:
  EnvOverride(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;
  ~EnvOverride() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Puts `fd` in the place of standard input for one scope (taking ownership
// of `fd`) and restores the previous standard input, or closes descriptor 0
// again when the process ran without one.
class ScopedStdin {
 public:
  // A descriptor that came out as 0 was opened while standard input was
  // closed: there is nothing to save, and the scope ends by closing it.
  explicit ScopedStdin(int fd) : saved_(fd == 0 ? -1 : ::dup(0)) {
    if (fd >= 0 && fd != 0) {
      ::dup2(fd, 0);
      ::close(fd);
    }
  }
  ScopedStdin(const ScopedStdin&) = delete;
  ScopedStdin& operator=(const ScopedStdin&) = delete;
  ~ScopedStdin() {
    if (saved_ >= 0) {
      ::dup2(saved_, 0);
      ::close(saved_);
    } else {
      ::close(0);
    }
  }

 private:
  int saved_;
};

// The read end of a pipe that holds `content` and is closed for writing, so
// a reader sees the content and then end of input (as from `cat file |`).
// The content is written up front, so it must fit the pipe's buffer (grown
// to 1 MiB where the system allows); returns -1 when it does not.
inline int pipeHolding(const std::string& content) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fds[1], content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fds[1]);
  if (done < content.size()) {
    ::close(fds[0]);
    return -1;
  }
  return fds[0];
}

// Number of descriptors this process has open.
inline int openDescriptorCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] != '.') ++count;
    }
    closedir(dir);
  }
  return count - 1;  // the directory stream itself
}

// Reads everything from `fd` (from its current offset) until end of file.
inline std::string readAll(int fd) {
  std::string out;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace narwe::testing
