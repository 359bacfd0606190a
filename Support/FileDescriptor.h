// An owned POSIX file descriptor: closed when it goes out of scope, on every
// path, so that no early return or exception leaks one.
#pragma once

#include <unistd.h>

namespace tavro {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  // Moving hands the descriptor over; the one left behind owns none.
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.release();
    }
    return *this;
  }

  // The descriptor, or a negative value when there is none.
  int get() const { return fd_; }

  // Hands the descriptor over to the caller, who closes it.
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

  // Closes now and reports close's result: on some file systems a failed
  // write only shows here.
  int close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace tavro
