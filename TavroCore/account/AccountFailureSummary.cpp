#include "TavroCore/account/AccountFailureSummary.h"

#include "Support/Json.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountServiceFailure.h"
#include "TavroCore/account/TavroCloudSync.h"

namespace tavro {

AccountFailureSummary AccountFailureSummary::of(std::exception_ptr failure) {
  using Kind = AccountFailureSummary::Kind;
  using Cause = platform::HTTPTransportFailure::Cause;
  AccountFailureSummary summary;
  if (!failure) return summary;
  try {
    // Most derived first: every failure below is also a std::exception.
    try {
      std::rethrow_exception(failure);
    } catch (const AccountOperationCancelled&) {
      summary.kind = Kind::cancelled;
    } catch (const platform::HTTPTransportFailure& error) {
      summary.transportCause = error.cause();
      if (error.cause() == Cause::cancelled) {
        summary.kind = Kind::cancelled;
      } else {
        summary.kind = error.cause() == Cause::timedOut ? Kind::timedOut : Kind::unreachable;
        summary.detail = AccountService::safeDetail(error.what());
      }
    } catch (const AccountServiceFailure& error) {
      summary.httpStatus = error.httpStatus();
      summary.detail = error.message();
      if (error.isSessionUnauthorized())
        summary.kind = Kind::unauthorized;
      else if (!error.httpStatus() && error.message() == TavroCloudSync::slowDownloadMessage)
        summary.kind = Kind::timedOut;
      else
        summary.kind = Kind::serviceRefused;
    } catch (const BackupFailure&) {
      summary.kind = Kind::invalidData;
    } catch (const json::DecodingError&) {
      summary.kind = Kind::unreadableReply;
    } catch (const std::exception& error) {
      summary.detail = AccountService::safeDetail(error.what());
    } catch (...) {
    }
  } catch (...) {
    // Copying a message ran out of memory: the kind alone still tells the
    // host what to say.
    summary.detail.reset();
  }
  return summary;
}

}  // namespace tavro
