// Helpers shared by the test programs.
#pragma once

#include "Support/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A version-4 identifier whose last eight bytes hold `n`: distinct for
// distinct numbers and ordered like them, for attempts made in tests.
Uuid numberedUuid(std::uint64_t n);

void writeFile(const std::filesystem::path& path, std::string_view contents);
std::string readFile(const std::filesystem::path& path);

// The outcome of running a program to its end.
struct ProcessResult {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string standardOutput;
  std::string standardError;
};

// Runs `program` with `arguments` (not through a shell) and collects what it
// writes on stdout and stderr.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);

// Runs `work` on a thread of its own and waits up to 20 seconds for it.
// Returns false when it has not returned by then, after opening the FIFO
// `fifo` for writing and closing it again, which releases a reader stuck on
// it, so that the test can go on and fail instead of hanging.
bool returnsWithoutWaitingOnFifo(const std::filesystem::path& fifo, const std::function<void()>& work);

// Sets an environment variable (or unsets it, for a null value) for one
// scope, and puts back what it was.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace tavro::testing
