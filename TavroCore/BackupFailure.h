// The core's one failure for invalid data. It has a single case and no
// message; two failures are always equal.
#pragma once

#include <exception>

namespace tavro {

class BackupFailure : public std::exception {
 public:
  enum class Case { invalid };

  static BackupFailure invalid() { return BackupFailure(); }
  Case kind() const { return Case::invalid; }
  const char* what() const noexcept override { return "The data is not valid."; }

  friend bool operator==(const BackupFailure&, const BackupFailure&) { return true; }
};

}  // namespace tavro
