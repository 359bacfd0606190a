// One account operation (sign-in, sync) running on a worker thread so that
// the screen stays responsive. The work reports progress as a line of text
// and may be cancelled; its result is applied on the screen's thread, in
// finish(), so the tutor's state is only ever changed there.
#pragma once

#include "TavroCore/account/TavroCloudSync.h"
#include "TavroTerminal/InterfaceLanguage.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavro::terminal {

// Makes the fetch an operation sends its requests through; `cancelled` is
// polled while a request runs and abandons it when true.
using FetchMaker = std::function<TavroCloudSync::Fetch(std::function<bool()> cancelled)>;

class AccountTask {
 public:
  // What the worker hands back: run on the screen's thread by finish().
  using Apply = std::function<void()>;
  // The work, given a fetch that stops at once when the task is cancelled.
  using Work = std::function<Apply(AccountTask& task, const TavroCloudSync::Fetch& fetch)>;

  // `language` is the language of the failure message.
  AccountTask(const FetchMaker& makeFetch, Work work,
              InterfaceLanguage language = InterfaceLanguage::english);
  // Cancels and waits for the worker.
  ~AccountTask();
  AccountTask(const AccountTask&) = delete;
  AccountTask& operator=(const AccountTask&) = delete;

  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }
  bool done() const { return done_; }
  // True when the failure was the service refusing the session token.
  bool sessionRefused() const { return unauthorized_; }

  void setProgress(std::string text);
  std::string progress() const;

  // Once done(): runs the work's result and returns nothing, or returns the
  // failure as a message fit for the screen (never the token).
  std::optional<std::string> finish();

 private:
  std::atomic<bool> cancelled_ = false;
  std::atomic<bool> done_ = false;
  mutable std::mutex mutex_;
  std::string progress_;
  Apply apply_;
  std::optional<std::string> failure_;
  bool unauthorized_ = false;
  InterfaceLanguage language_;  // set before the worker starts
  std::thread worker_;
};

// The message for a failure of an account operation, in English or
// Japanese; the service's own messages and details pass as they are.
std::string accountFailureMessage(std::exception_ptr failure, bool& sessionRefused,
                                  InterfaceLanguage language = InterfaceLanguage::english);

}  // namespace tavro::terminal
