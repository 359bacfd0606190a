// The account pages the signed-in user manages from inside the tutor
// (profile, security, activity, logout, password reset): their authorised
// requests, the device list of the activity page, the form check of a typed
// six-digit code, and completing a profile's missing address.
#pragma once

#include "Platform/HTTPRequest.h"
#include "TavroCore/account/AccountDevice.h"
#include "TavroCore/account/AccountProfile.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::AccountManagement {

enum class Endpoint { profile, security, activity, logout, passwordReset };

// "profile", "security", "activity", "logout", "password-reset".
std::string_view rawValue(Endpoint endpoint);
// The endpoint whose raw value is exactly `text`; none for any other text.
std::optional<Endpoint> fromRawValue(std::string_view text);
// "/api/downloader/" followed by the raw value.
std::string path(Endpoint endpoint);

inline constexpr std::string_view signInFirstMessage = "Sign in first.";
// Device list replies above this size are refused before parsing.
inline constexpr std::size_t maximumDeviceListBytes = 128000;

// An authorised request to an account page: the endpoint's URL (with the one
// query item "device" when `device` is given), `method` as given,
// "Authorization: Bearer <token>" and "Content-Type: application/json",
// cookies off, time-out 60 seconds, and as body the JSON object of `fields`
// when given (no body otherwise, also for "POST").
// Throws AccountServiceFailure("Sign in first.") when `token` fails
// AccountService::validToken, before anything is built; nlohmann's
// type_error when a field is not UTF-8; std::invalid_argument when `method`
// is not an HTTP token.
platform::HTTPRequest request(
    Endpoint endpoint, std::string_view token, std::string_view method,
    const std::optional<std::map<std::string, std::string>>& fields = std::nullopt,
    const std::optional<std::string>& device = std::nullopt);

// The "devices" array of a device list reply, in the order received. Throws
// json::DecodingError for a reply over 128,000 bytes, one that is not an
// object with an array "devices", or any entry that does not decode.
std::vector<AccountDevice> devices(std::string_view data);

// True when `text`, trimmed of white space and line breaks, is exactly six
// ASCII digits.
bool isSixDigitCode(std::string_view text);

// `profile` with `previous`'s address when `profile` has none, `previous`
// has the same id and its address passes AccountProfile::validEmail;
// otherwise `profile` unchanged.
AccountProfile resolveProfile(const AccountProfile& profile,
                              const std::optional<AccountProfile>& previous);

}  // namespace tavro::AccountManagement
