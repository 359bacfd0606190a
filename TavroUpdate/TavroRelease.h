// The release manifest: which release an update archive claims to be and how
// its signature is judged. Decoding only checks the JSON form; every rule on
// the content is applied later by the update policy.
#pragma once

#include <boost/url/url.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct TavroRelease {
  struct Signing {
    std::string mode;               // "same-certificate" is the only accepted rule
    std::string certificateSHA256;  // SHA-256 of the leaf certificate's DER, hex

    friend bool operator==(const Signing&, const Signing&) = default;
  };

  std::string applicationID;
  std::string version;
  std::string build;
  std::string distributionStatus;
  boost::urls::url downloadURL;
  std::string sha256;
  std::int64_t fileSize = 0;
  std::vector<std::string> architectures;
  std::string minimumMacOSVersion;
  Signing codeSigning;

  // Decodes the manifest's JSON. Every key is required with its exact JSON
  // type (fileSize an integer within 64 bits, downloadURL a string that
  // parses as a non-empty URL reference); unknown keys are ignored. Throws
  // json::DecodingError otherwise.
  static TavroRelease decode(std::string_view json);

  // The manifest's JSON, keys in field order.
  std::string encode() const;

  // Field by field; the download URL compares by its text (Boost.URL's own
  // comparison reads out of bounds on some URLs with an empty host).
  friend bool operator==(const TavroRelease& a, const TavroRelease& b);
};

}  // namespace tavro
