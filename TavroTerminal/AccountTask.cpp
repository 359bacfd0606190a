#include "TavroTerminal/AccountTask.h"

#include "TavroCore/account/AccountFailureSummary.h"
#include "TavroTerminal/TutorStrings.h"

namespace tavro::terminal {

// Every failure of an account operation is worded here, from the core's
// sorting of it; the service's own messages and details pass as they are.
std::string accountFailureMessage(std::exception_ptr failure, bool& sessionRefused,
                                  InterfaceLanguage language) {
  auto t = [language](std::string_view text) { return TutorStrings::text(text, language); };
  using Kind = AccountFailureSummary::Kind;
  AccountFailureSummary summary = AccountFailureSummary::of(failure);
  sessionRefused = summary.kind == Kind::unauthorized;
  switch (summary.kind) {
    case Kind::cancelled:
      return t("Cancelled; nothing was changed.");
    case Kind::unreachable:
    case Kind::timedOut:
      if (summary.transportCause)
        return TutorStrings::text("Could not reach the account service: {1}", language,
                                  {summary.detail.value_or("")});
      return summary.detail.value_or(t("The account operation failed."));
    case Kind::unauthorized:
    case Kind::serviceRefused:
      return summary.detail.value_or(t("The account operation failed."));
    case Kind::invalidData:
      return t("The account service sent data that does not belong to this account or breaks a "
               "limit; nothing was changed.");
    case Kind::unreadableReply:
      return t("The account service sent a reply that could not be read; nothing was changed.");
    case Kind::other:
      break;
  }
  if (summary.detail)
    return TutorStrings::text("The account operation failed: {1}", language, {*summary.detail});
  return t("The account operation failed.");
}

AccountTask::AccountTask(const FetchMaker& makeFetch, Work work, InterfaceLanguage language)
    : language_(language) {
  TavroCloudSync::Fetch inner = makeFetch([this] { return cancelled_.load(); });
  worker_ = std::thread([this, inner = std::move(inner), work = std::move(work)] {
    TavroCloudSync::Fetch fetch = [&](const platform::HTTPRequest& request) {
      if (cancelled_) throw AccountOperationCancelled();
      std::string body = inner(request);
      if (cancelled_) throw AccountOperationCancelled();
      return body;
    };
    Apply apply;
    std::optional<std::string> failure;
    bool unauthorized = false;
    try {
      apply = work(*this, fetch);
    } catch (...) {
      failure = accountFailureMessage(std::current_exception(), unauthorized, language_);
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

void AccountTask::setProgress(std::string text) {
  std::lock_guard lock(mutex_);
  progress_ = std::move(text);
}

std::string AccountTask::progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

std::optional<std::string> AccountTask::finish() {
  if (worker_.joinable()) worker_.join();
  std::lock_guard lock(mutex_);
  if (failure_) return failure_;
  if (apply_) {
    try {
      apply_();
    } catch (...) {
      bool ignored = false;
      return accountFailureMessage(std::current_exception(), ignored, language_);
    }
  }
  return std::nullopt;
}

}  // namespace tavro::terminal
