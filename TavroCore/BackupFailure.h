// The core's one failure for invalid data. It has a single case and no
// message; two failures are always equal. Its name comes from backups, where
// it began and where stored data and hosts know it by that name, but every
// subsystem raises it for data it refuses: sync pages, and the release-feed
// code too (a feed too large, malformed, or with an unusable entry).
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
