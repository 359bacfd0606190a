#include "TavroHost/AccountTask.h"

#include "TavroCore/account/AccountFailureSummary.h"

#include <utility>

namespace tavro {
HostMessage untranslated(std::string text) {
  // "{1}" is in no table, so the text comes through as it is.
  return HostMessage("{1}", {std::move(text)});
}

AccountRefusal::AccountRefusal(HostMessage message)
    : std::runtime_error(message.text()), message_(std::move(message)) {}

// Every failure of an account operation is worded here, from the core's
// sorting of it; the service's own messages and details pass as they are.
HostMessage accountFailureMessage(std::exception_ptr failure, bool& sessionRefused) {
  sessionRefused = false;
  // A refusal of our own is worded already; it goes in whole, translated.
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const AccountRefusal& refusal) {
    return HostMessage("The account operation failed: {1}", {}, {refusal.message()});
  } catch (...) {
  }
  using Kind = AccountFailureSummary::Kind;
  AccountFailureSummary summary = AccountFailureSummary::of(failure);
  sessionRefused = summary.kind == Kind::unauthorized;
  const HostMessage failed("The account operation failed.");
  switch (summary.kind) {
    case Kind::cancelled:
      return HostMessage("Cancelled; nothing was changed.");
    case Kind::unreachable:
    case Kind::timedOut:
      if (summary.transportCause)
        return HostMessage("Could not reach the account service: {1}", {summary.detail.value_or("")});
      return summary.detail ? untranslated(*summary.detail) : failed;
    case Kind::unauthorized:
    case Kind::serviceRefused:
      return summary.detail ? untranslated(*summary.detail) : failed;
    case Kind::invalidData:
      return HostMessage(
          "The account service sent data that does not belong to this account or breaks a "
          "limit; nothing was changed.");
    case Kind::unreadableReply:
      return HostMessage(
          "The account service sent a reply that could not be read; nothing was changed.");
    case Kind::other:
      break;
  }
  if (summary.detail) return HostMessage("The account operation failed: {1}", {*summary.detail});
  return failed;
}

AccountTask::AccountTask(const FetchMaker& makeFetch, Work work) {
  TavroCloudSync::Fetch inner = makeFetch([this] { return cancelled_.load(); });
  worker_ = std::thread([this, inner = std::move(inner), work = std::move(work)] {
    TavroCloudSync::Fetch fetch = [&](const platform::HTTPRequest& request) {
      if (cancelled_) throw AccountOperationCancelled();
      std::string body = inner(request);
      if (cancelled_) throw AccountOperationCancelled();
      return body;
    };
    Apply apply;
    std::optional<HostMessage> failure;
    bool unauthorized = false;
    try {
      apply = work(*this, fetch);
    } catch (...) {
      failure = accountFailureMessage(std::current_exception(), unauthorized);
    }
    {
      std::lock_guard lock(mutex_);
      apply_ = std::move(apply);
      failure_ = std::move(failure);
      unauthorized_ = unauthorized;
    }
    done_ = true;
  });
}

AccountTask::~AccountTask() {
  cancelled_ = true;
  if (worker_.joinable()) worker_.join();
}

void AccountTask::setProgress(HostMessage message) {
  std::lock_guard lock(mutex_);
  progress_ = std::move(message);
}

HostMessage AccountTask::progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

std::optional<HostMessage> AccountTask::finish() {
  if (worker_.joinable()) worker_.join();
  std::lock_guard lock(mutex_);
  if (failure_) return failure_;
  if (apply_) {
    try {
      apply_();
    } catch (...) {
      bool ignored = false;
      return accountFailureMessage(std::current_exception(), ignored);
    }
  }
  return std::nullopt;
}

}  // namespace tavro
