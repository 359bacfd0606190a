// What went wrong in an account operation (sign-in, sync, the account
// pages, backups), sorted into the few kinds a host words differently, so
// that each host words a failure in one place and from one sorting. The core
// adds no text of its own here: the detail is the failure's own message,
// already safe to show.
#pragma once

#include "Platform/HTTPRequest.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace tavro {

// Thrown by a host from its fetch (or a sync's progress handler) to end an
// account operation it cancelled; the operation ends with this failure and
// changes nothing.
class AccountOperationCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

struct AccountFailureSummary {
  enum class Kind {
    cancelled,        // the host cancelled, or the transport's cancellation check did
    unreachable,      // no reply: the transport failed (transportCause says how)
    timedOut,         // a request's time-out passed, or the download outlasted its deadline
    unauthorized,     // the service no longer accepts the session token
    serviceRefused,   // the service answered with an error, an unusable reply, or did not confirm
    invalidData,      // a reply or backup breaks a limit or belongs to another account
    unreadableReply,  // a reply whose members do not have their types
    other,            // anything else, a failure of the host's own included
  };

  Kind kind = Kind::other;
  // Set exactly when the failure is the transport's.
  std::optional<platform::HTTPTransportFailure::Cause> transportCause;
  // The status of the error reply the failure was made from.
  std::optional<std::int64_t> httpStatus;
  // The failure's own words, safe to show: the account failure's message
  // (made safe when it was made), or a transport's or any other standard
  // failure's message through AccountService::safeDetail. None for
  // cancellations, invalid or unreadable data, and failures that are not
  // standard exceptions.
  std::optional<std::string> detail;

  friend bool operator==(const AccountFailureSummary&, const AccountFailureSummary&) = default;

  // The summary of `failure` (what an account operation threw). Never
  // throws; a null pointer is `other` without detail.
  static AccountFailureSummary of(std::exception_ptr failure);
};

}  // namespace tavro
