#include "TavroUpdate/TavroRelease.h"

#include "Support/Json.h"
#include "Support/JsonEncoding.h"

#include <boost/url/parse.hpp>

namespace tavro {

TavroRelease TavroRelease::decode(std::string_view data) {
  json::Document document = json::Document::parse(data);
  json::Object root = document.root().object();

  TavroRelease release;
  release.applicationID = root.string("applicationID");
  release.version = root.string("version");
  release.build = root.string("build");
  release.distributionStatus = root.string("distributionStatus");
  std::string_view url = root.required("downloadURL").stringView();
  auto parsed = boost::urls::parse_uri_reference(url);
  if (url.empty() || !parsed) throw json::DecodingError("Key \"downloadURL\" is not a valid URL");
  release.downloadURL = *parsed;
  release.sha256 = root.string("sha256");
  release.fileSize = root.integer("fileSize");
  for (const json::Value& architecture : root.array("architectures").elements()) {
    release.architectures.push_back(architecture.string());
  }
  release.minimumMacOSVersion = root.string("minimumMacOSVersion");
  json::Object signing = root.object("codeSigning");
  release.codeSigning.mode = signing.string("mode");
  release.codeSigning.certificateSHA256 = signing.string("certificateSHA256");
  return release;
}

bool operator==(const TavroRelease& a, const TavroRelease& b) {
  return a.applicationID == b.applicationID && a.version == b.version && a.build == b.build &&
         a.distributionStatus == b.distributionStatus && a.downloadURL.buffer() == b.downloadURL.buffer() &&
         a.sha256 == b.sha256 && a.fileSize == b.fileSize && a.architectures == b.architectures &&
         a.minimumMacOSVersion == b.minimumMacOSVersion && a.codeSigning == b.codeSigning;
}

std::string TavroRelease::encode() const {
  json::OrderedJson signing;
  signing["mode"] = codeSigning.mode;
  signing["certificateSHA256"] = codeSigning.certificateSHA256;

  json::OrderedJson root;
  root["applicationID"] = applicationID;
  root["version"] = version;
  root["build"] = build;
  root["distributionStatus"] = distributionStatus;
  root["downloadURL"] = std::string(downloadURL.buffer());
  root["sha256"] = sha256;
  root["fileSize"] = fileSize;
  root["architectures"] = architectures;
  root["minimumMacOSVersion"] = minimumMacOSVersion;
  root["codeSigning"] = std::move(signing);
  return json::encode(root);
}

}  // namespace tavro
