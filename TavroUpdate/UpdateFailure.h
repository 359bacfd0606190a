// The one failure the update module raises. Its text is what the installer
// prints and what the host may show the user, so only the fixed messages
// below are ever used.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro {

class UpdateFailure : public std::runtime_error {
 public:
  static constexpr const char* invalidRequest = "Invalid update request.";
  static constexpr const char* closeApp = "Please close the app before installing.";
  static constexpr const char* installationFailed = "Update installation failed.";
  static constexpr const char* notVerified = "Update could not be verified.";
  static constexpr const char* invalidArchive = "Invalid update archive.";
  static constexpr const char* unsafeArchive = "Unsafe update archive.";
  static constexpr const char* mainThread = "Verification must run in the background.";

  explicit UpdateFailure(const std::string& message) : std::runtime_error(message) {}

  friend bool operator==(const UpdateFailure& a, const UpdateFailure& b) {
    return std::string_view(a.what()) == b.what();
  }
};

}  // namespace tavro
