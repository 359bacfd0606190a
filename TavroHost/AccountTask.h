// One account operation (sign-in, sync, the devices) running on a worker
// thread so that the tutor's window or screen stays responsive. The work
// reports progress as a message and may be cancelled; its result is applied
// on the tutor's own thread, in finish(), so the tutor's state is only ever
// changed there. Messages are HostMessages: each tutor words them.
#pragma once

#include "TavroCore/account/TavroCloudSync.h"
#include "TavroHost/HostMessage.h"

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace tavro {

// Makes the fetch an operation sends its requests through; `cancelled` is
// polled while a request runs and abandons it when true.
using FetchMaker = std::function<TavroCloudSync::Fetch(std::function<bool()> cancelled)>;

// Thrown by an operation's apply step when it refuses to change anything:
// the message says why. what() is its English text.
class AccountRefusal : public std::runtime_error {
 public:
  explicit AccountRefusal(HostMessage message);
  const HostMessage& message() const { return message_; }

 private:
  HostMessage message_;
};

class AccountTask {
 public:
  // What the worker hands back: run on the tutor's thread by finish().
  using Apply = std::function<void()>;
  // The work, given a fetch that stops at once when the task is cancelled.
  using Work = std::function<Apply(AccountTask& task, const TavroCloudSync::Fetch& fetch)>;

  // Starts `work` on a worker thread.
  AccountTask(const FetchMaker& makeFetch, Work work);
  // Cancels and waits for the worker.
  ~AccountTask();
  AccountTask(const AccountTask&) = delete;
  AccountTask& operator=(const AccountTask&) = delete;

  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }
  bool done() const { return done_; }
  // True when the failure was the service refusing the session token.
  bool sessionRefused() const { return unauthorized_; }

  // Called by the work from its thread; read by the tutor from its own.
  void setProgress(HostMessage message);
  // The last progress set (an empty pattern before the first).
  HostMessage progress() const;

  // Once done() (waits for the worker otherwise): runs the work's result
  // and returns nothing, or returns the failure of the work or of its
  // result as a message (never holding the token).
  std::optional<HostMessage> finish();

 private:
  std::atomic<bool> cancelled_ = false;
  std::atomic<bool> done_ = false;
  mutable std::mutex mutex_;
  HostMessage progress_{""};
  Apply apply_;
  std::optional<HostMessage> failure_;
  bool unauthorized_ = false;
  std::thread worker_;
};

// A text from outside (the service, a path, a system error) as a message or
// a part of one: shown as it is in every language.
HostMessage untranslated(std::string text);

// The message for a failure of an account operation; the service's own
// messages and details pass as values, never translated. `sessionRefused`
// is set to whether the service refused the session token.
HostMessage accountFailureMessage(std::exception_ptr failure, bool& sessionRefused);

}  // namespace tavro
