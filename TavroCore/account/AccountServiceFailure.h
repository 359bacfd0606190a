// The failure of every account operation: a message fit to show the user, the
// HTTP status when the failure comes from an error reply, and whether the
// service said the session token is no longer accepted. Messages made from
// service content pass through AccountService::safeDetail first, so no link,
// token or verifier reaches one.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace tavro {

class AccountServiceFailure : public std::exception {
 public:
  explicit AccountServiceFailure(std::string message, std::optional<std::int64_t> httpStatus = std::nullopt,
                                 bool isSessionUnauthorized = false)
      : message_(std::move(message)), httpStatus_(httpStatus), isSessionUnauthorized_(isSessionUnauthorized) {}

  const std::string& message() const { return message_; }
  std::optional<std::int64_t> httpStatus() const { return httpStatus_; }
  bool isSessionUnauthorized() const { return isSessionUnauthorized_; }

  // The message, as shown to the user.
  const char* what() const noexcept override { return message_.c_str(); }

  // Field by field.
  friend bool operator==(const AccountServiceFailure& a, const AccountServiceFailure& b) {
    return a.message_ == b.message_ && a.httpStatus_ == b.httpStatus_ &&
           a.isSessionUnauthorized_ == b.isSessionUnauthorized_;
  }

 private:
  std::string message_;
  std::optional<std::int64_t> httpStatus_;
  bool isSessionUnauthorized_;
};

}  // namespace tavro
