#include "TavroCore/account/AccountFailureSummary.h"

#include "Support/Json.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountServiceFailure.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace tavro {
namespace {

using Kind = AccountFailureSummary::Kind;
using Cause = platform::HTTPTransportFailure::Cause;

// Every failure an account operation can end with lands in the kind its
// host words, with the detail it may show and nothing it must not.
TEST(AccountFailureSummary, SortsEveryFailureIntoItsKind) {
  const std::string secret(64, 'f');
  const std::string path(TavroCloudSync::path);
  struct Case {
    std::string name;
    std::exception_ptr failure;
    AccountFailureSummary expected;
  };
  const Case cases[] = {
      {"host cancelled",
       std::make_exception_ptr(AccountOperationCancelled()),
       {Kind::cancelled, std::nullopt, std::nullopt, std::nullopt}},
      {"transport cancelled",
       std::make_exception_ptr(platform::HTTPTransportFailure(Cause::cancelled, "cancelled")),
       {Kind::cancelled, Cause::cancelled, std::nullopt, std::nullopt}},
      {"refused, token redacted",
       std::make_exception_ptr(
           platform::HTTPTransportFailure(Cause::refused, "refused while sending " + secret)),
       {Kind::unreachable, Cause::refused, std::nullopt,
        "refused while sending [secret redacted]"}},
      {"insecure",
       std::make_exception_ptr(platform::HTTPTransportFailure(Cause::insecure, "bad certificate")),
       {Kind::unreachable, Cause::insecure, std::nullopt, "bad certificate"}},
      {"request time-out",
       std::make_exception_ptr(platform::HTTPTransportFailure(Cause::timedOut, "timed out")),
       {Kind::timedOut, Cause::timedOut, std::nullopt, "timed out"}},
      {"download deadline",
       std::make_exception_ptr(
           AccountServiceFailure(std::string(TavroCloudSync::slowDownloadMessage))),
       {Kind::timedOut, std::nullopt, std::nullopt,
        std::string(TavroCloudSync::slowDownloadMessage)}},
      {"session expired",
       std::make_exception_ptr(AccountService::httpFailure(401, path, R"({"error":"expired"})")),
       {Kind::unauthorized, std::nullopt, 401, "HTTP 401 " + path + ": expired"}},
      {"wrong security code is no expired session",
       std::make_exception_ptr(AccountService::httpFailure(
           401, AccountService::securityPath,
           R"({"error":")" + std::string(AccountService::wrongSecurityCodeError) + "\"}")),
       {Kind::serviceRefused, std::nullopt, 401,
        "HTTP 401 " + std::string(AccountService::securityPath) + ": " +
            std::string(AccountService::wrongSecurityCodeError)}},
      {"service error",
       std::make_exception_ptr(AccountService::httpFailure(503, path, "<html>")),
       {Kind::serviceRefused, std::nullopt, 503,
        "HTTP 503 " + path + ": " + std::string(AccountService::nonJSONErrorDetail)}},
      {"uploads not confirmed",
       std::make_exception_ptr(
           AccountServiceFailure(std::string(TavroCloudSync::unconfirmedMessage))),
       {Kind::serviceRefused, std::nullopt, std::nullopt,
        std::string(TavroCloudSync::unconfirmedMessage)}},
      {"an error reply carrying the deadline's words is still an error reply",
       std::make_exception_ptr(
           AccountServiceFailure(std::string(TavroCloudSync::slowDownloadMessage), 500)),
       {Kind::serviceRefused, std::nullopt, 500, std::string(TavroCloudSync::slowDownloadMessage)}},
      {"invalid data",
       std::make_exception_ptr(BackupFailure::invalid()),
       {Kind::invalidData, std::nullopt, std::nullopt, std::nullopt}},
      {"unreadable reply",
       std::make_exception_ptr(json::DecodingError("Expected a string for attempts[0].mode")),
       {Kind::unreadableReply, std::nullopt, std::nullopt, std::nullopt}},
      {"host's own failure, made safe",
       std::make_exception_ptr(std::runtime_error("disk full\nsee https://example.com/help")),
       {Kind::other, std::nullopt, std::nullopt, "disk fullsee [URL redacted]"}},
      {"not a standard exception",
       std::make_exception_ptr(42),
       {Kind::other, std::nullopt, std::nullopt, std::nullopt}},
      {"no failure at all", nullptr, {Kind::other, std::nullopt, std::nullopt, std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AccountFailureSummary summary = AccountFailureSummary::of(c.failure);
    EXPECT_EQ(summary.kind, c.expected.kind);
    EXPECT_EQ(summary.transportCause, c.expected.transportCause);
    EXPECT_EQ(summary.httpStatus, c.expected.httpStatus);
    EXPECT_EQ(summary.detail, c.expected.detail);
  }
}

}  // namespace
}  // namespace tavro
