#include "TavroTerminal/AccountTask.h"

#include "Support/Json.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountServiceFailure.h"
#include "TavroTerminal/TutorStrings.h"

namespace tavro::terminal {
namespace {

struct Cancelled : std::exception {
  const char* what() const noexcept override { return "cancelled"; }
};

}  // namespace

std::string accountFailureMessage(std::exception_ptr failure, bool& sessionRefused, bool english) {
  auto t = [english](std::string_view text) { return TutorStrings::text(text, english); };
  sessionRefused = false;
  try {
    std::rethrow_exception(failure);
  } catch (const Cancelled&) {
    return t("Cancelled; nothing was changed.");
  } catch (const platform::HTTPTransportFailure& error) {
    if (error.cause() == platform::HTTPTransportFailure::Cause::cancelled)
      return t("Cancelled; nothing was changed.");
    return TutorStrings::text("Could not reach the account service: {1}", english,
                              {AccountService::safeDetail(error.what())});
  } catch (const AccountServiceFailure& error) {
    sessionRefused = error.isSessionUnauthorized();
    return error.message();
  } catch (const BackupFailure&) {
    return t("The account service sent data that does not belong to this account or breaks a "
             "limit; nothing was changed.");
  } catch (const json::DecodingError&) {
    return t("The account service sent a reply that could not be read; nothing was changed.");
  } catch (const std::exception& error) {
    return TutorStrings::text("The account operation failed: {1}", english,
                              {AccountService::safeDetail(error.what())});
  } catch (...) {
    return t("The account operation failed.");
  }
}

AccountTask::AccountTask(const FetchMaker& makeFetch, Work work, bool english)
    : english_(english) {
  TavroCloudSync::Fetch inner = makeFetch([this] { return cancelled_.load(); });
  worker_ = std::thread([this, inner = std::move(inner), work = std::move(work)] {
    TavroCloudSync::Fetch fetch = [&](const platform::HTTPRequest& request) {
      if (cancelled_) throw Cancelled();
      std::string body = inner(request);
      if (cancelled_) throw Cancelled();
      return body;
    };
    Apply apply;
    std::optional<std::string> failure;
    bool unauthorized = false;
    try {
      apply = work(*this, fetch);
    } catch (...) {
      failure = accountFailureMessage(std::current_exception(), unauthorized, english_);
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
      return accountFailureMessage(std::current_exception(), ignored, english_);
    }
  }
  return std::nullopt;
}

}  // namespace tavro::terminal
