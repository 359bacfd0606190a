// The decoding of the two request bodies the service reads from clients
// it has not authenticated yet (the sign-in body) or does not trust (the
// upload body), and the size limits those bodies and the pages live by.
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

// Why an upload body was refused: its JSON is not an upload, or an attempt
// breaks the backup limits or could never travel in a page.
enum class UploadRefusal { malformed, outsideLimits };

// The attempts of {"schemaVersion":1,"attempts":[...]} for `accountID`: at
// most maximumUploadAttempts, each within the backup limits, no identifier
// twice, and each small enough to fit a page on its own.
std::variant<std::vector<Attempt>, UploadRefusal> parseUploadBody(std::string_view body,
                                                                  const std::string& accountID);

}  // namespace tavro::reference
