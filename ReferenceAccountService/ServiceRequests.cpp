#include "ReferenceAccountService/ServiceRequests.h"

#include "Support/Json.h"
#include "TavroCore/account/TavroBackup.h"

namespace tavro::reference {

std::optional<SignInBody> parseSignInBody(std::string_view body) {
  if (body.size() > limits::maximumSignInBytes) return std::nullopt;
  try {
    json::Document document = json::Document::parse(body);
    json::Object object = document.root().object();
    return SignInBody{object.string("code"), object.string("verifier")};
  } catch (const json::DecodingError&) {
    return std::nullopt;
  }
}

std::variant<std::vector<Attempt>, UploadRefusal> parseUploadBody(std::string_view body,
                                                                  const std::string& accountID) {
  if (body.size() > limits::maximumUploadBytes) return UploadRefusal::malformed;
  std::vector<Attempt> attempts;
  try {
    json::Document document = json::Document::parse(body);
    json::Object object = document.root().object();
    json::Array list = object.array("attempts");
    if (object.integer("schemaVersion") != 1 || list.size() > limits::maximumUploadAttempts)
      return UploadRefusal::malformed;
    attempts.reserve(list.size());
    for (const json::Value& value : list.elements()) attempts.push_back(Attempt::decode(value));
  } catch (const json::DecodingError&) {
    return UploadRefusal::malformed;
  }
  try {
    TavroBackup(accountID, attempts, JLPTLevel::n5, false, Date{}).validated(accountID);
  } catch (const BackupFailure&) {
    return UploadRefusal::outsideLimits;
  }
  // An attempt that cannot fit an otherwise empty page could never be sent
  // back to any device: storing it would leave every page after it stuck.
  for (const Attempt& attempt : attempts) {
    if (attempt.encode().size() + 1 > limits::maximumPageAttemptBytes)
      return UploadRefusal::outsideLimits;
  }
  return attempts;
}

}  // namespace tavro::reference
