// The decoding of what the service reads from clients it has not
// authenticated yet (the sign-in body, the sign-in page's query and its
// approving form) or does not trust (the upload body), and the size limits
// those bodies and the pages live by.
// Kept apart from the handlers so a fuzzer can drive them without a server.
#pragma once

#include "TavroCore/history/Attempt.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavro::reference {

namespace limits {
// A page carries at most this many attempts...
inline constexpr std::size_t maximumPageAttempts = 500;
// ...whose JSON texts (with a separator each) stay well inside the client's
// 128,000-byte page limit, leaving room for the rest of the page.
inline constexpr std::size_t maximumPageAttemptBytes = 120'000;
inline constexpr std::size_t maximumUploadAttempts = 100;
// The body of an upload.
inline constexpr std::size_t maximumUploadBytes = 1 << 20;
// The body of a sign-in: a code and a verifier, nothing more.
inline constexpr std::size_t maximumSignInBytes = 16 << 10;
// The sign-in page's approving form: four short items, an address and a name.
inline constexpr std::size_t maximumSignInFormBytes = 16 << 10;
// The state the tutor hands the page, which goes back into its callback.
inline constexpr std::size_t maximumStateBytes = 1024;
}  // namespace limits

// What a sign-in asks: the one-time code and the verifier whose challenge
// the code was made for.
struct SignInBody {
  std::string code;
  std::string verifier;
};

// The code and verifier of a JSON object {"code","verifier"} (other keys
// ignored); nothing for any other text.
std::optional<SignInBody> parseSignInBody(std::string_view body);

// What the sign-in page is opened with: the tutor's state, handed back
// unchanged, and the S256 challenge the sign-in code will be bound to.
struct SignInPageRequest {
  std::string state;
  std::string challenge;
};

// The page's form, sent back to approve: the same items and the account
// that signs in.
struct SignInApproval {
  SignInPageRequest page;
  std::string email;
  std::string name;
};

// Why the page or its form was refused.
enum class SignInPageRefusal {
  malformed,         // not form-encoded, an item missing, without a value or unknown
  repeatedItem,      // an item given twice: which of them would count is anyone's guess
  unknownApp,        // app is not "tavro"
  foreignRedirect,   // redirect_uri is not exactly the tutor's callback
  invalidState,      // empty, over maximumStateBytes, not UTF-8, or holding a control or format
                     // character
  invalidChallenge,  // not 43 characters of base64url
  invalidAccount,    // the e-mail address or the name breaks the account rules
};

// The items of the page's query: exactly "app" (tavro), "state",
// "challenge" and "redirect_uri" (the tutor's callback URL), once each, in
// any order, form-encoded ("+" is a blank), within maximumSignInFormBytes.
std::variant<SignInPageRequest, SignInPageRefusal> parseSignInPageQuery(std::string_view query);

// The page's form: the four items of the query and "email" and "name",
// once each. The address must pass AccountProfile::validEmail and the name
// be 1 to 256 characters, as an account's are.
std::variant<SignInApproval, SignInPageRefusal> parseSignInApprovalForm(std::string_view form);

// Why an upload body was refused: its JSON is not an upload, or an attempt
// breaks the backup limits or could never travel in a page.
enum class UploadRefusal { malformed, outsideLimits };

// The attempts of {"schemaVersion":1,"attempts":[...]} for `accountID`: at
// most maximumUploadAttempts, each within the backup limits, no identifier
// twice, and each small enough to fit a page on its own.
std::variant<std::vector<Attempt>, UploadRefusal> parseUploadBody(std::string_view body,
                                                                  const std::string& accountID);

}  // namespace tavro::reference
