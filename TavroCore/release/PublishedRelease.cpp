#include "TavroCore/release/PublishedRelease.h"

#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/BackupFailure.h"
#include "TavroCore/release/DownloadAddress.h"
#include "TavroCore/release/ReleaseIdentity.h"
#include "TavroCore/release/SemanticVersion.h"

#include <boost/url/parse.hpp>

#include <algorithm>
#include <cmath>

namespace tavro {
namespace {

[[noreturn]] void refuse() {
  throw BackupFailure::invalid();
}

// The member's text when it is present as a JSON string.
std::optional<std::string_view> stringMember(const json::Object& object, std::string_view key) {
  std::optional<json::Value> value = object.field(key);
  if (!value || value->kind() != json::Kind::string) return std::nullopt;
  return value->stringView();
}

bool isNumberOne(const json::Value& value) {
  if (value.kind() == json::Kind::integer) return value.integer() == 1;
  if (value.kind() == json::Kind::number) return value.number() == 1.0;
  return false;
}

bool isHexDigest(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

std::string notes(const json::Object& entry) {
  std::optional<json::Value> value = entry.field("releaseNotes");
  if (!value) return {};
  if (value->kind() == json::Kind::string) return value->string();
  if (value->kind() != json::Kind::array) return {};
  std::vector<json::Value> items = value->array().elements();
  // Only an array made entirely of texts counts as notes.
  if (!std::all_of(items.begin(), items.end(),
                   [](const json::Value& item) { return item.kind() == json::Kind::string; })) {
    return {};
  }
  std::string joined;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += items[i].stringView();
  }
  return joined;
}

// Any JSON number, a fraction cut off. A number outside the signed 64-bit
// range has no such value, and the document is refused rather than the
// size made up.
std::optional<std::int64_t> fileSize(const json::Object& entry) {
  std::optional<json::Value> value = entry.field("fileSize");
  if (!value) return std::nullopt;
  if (value->kind() == json::Kind::integer) return value->integer();
  if (value->kind() != json::Kind::number) return std::nullopt;
  double truncated = std::trunc(value->number());
  constexpr double limit = 9223372036854775808.0;  // 2^63
  if (!(truncated >= -limit && truncated < limit)) refuse();
  return static_cast<std::int64_t>(truncated);
}

PublishedRelease entryRelease(const json::Object& entry) {
  PublishedRelease release;

  std::optional<std::string_view> version = stringMember(entry, "version");
  if (!version || !SemanticVersion::parse(*version)) refuse();
  release.version = std::string(*version);

  std::optional<std::string_view> address = stringMember(entry, "downloadURL");
  if (!address) refuse();
  auto url = boost::urls::parse_uri(*address);
  if (!url || !PublishedRelease::allowed(*url)) refuse();
  release.downloadURL = *url;

  std::string text = notes(entry);

  if (std::optional<json::Value> digest = entry.field("sha256");
      digest && digest->kind() == json::Kind::string) {
    if (!isHexDigest(digest->stringView())) refuse();
    release.sha256 = digest->string();
  }

  release.build = std::string(stringMember(entry, "build").value_or("0"));
  release.notes = text::graphemePrefix(text, PublishedRelease::maximumNotesCharacters);
  release.fileSize = fileSize(entry);
  return release;
}

}  // namespace

std::optional<PublishedRelease> PublishedRelease::decode(std::string_view data, bool dedicated) {
  // Bounded before any parsing work.
  if (data.size() > maximumDocumentBytes) refuse();
  json::Document document = json::Document::parse(data);
  json::Value root = document.root();
  if (root.kind() != json::Kind::object) refuse();
  json::Object top = root.object();

  std::optional<json::Object> entry;
  if (dedicated) {
    std::optional<std::string_view> application = stringMember(top, "applicationID");
    if (application && *application != ReleaseIdentity::bundleID) refuse();
    std::optional<std::string_view> status = stringMember(top, "distributionStatus");
    if (status && *status != "published") return std::nullopt;
    entry = top;
  } else {
    std::optional<json::Value> schema = top.field("schemaVersion");
    if (!schema || !isNumberOne(*schema)) refuse();
    std::optional<json::Value> applications = top.field("applications");
    if (!applications || applications->kind() != json::Kind::array) refuse();
    std::vector<json::Value> objects = applications->array().elements();
    if (!std::all_of(objects.begin(), objects.end(),
                     [](const json::Value& item) { return item.kind() == json::Kind::object; })) {
      refuse();
    }
    // The first published entry for this application is the one; a fault in
    // it is not mended by a later entry.
    for (const json::Value& item : objects) {
      json::Object object = item.object();
      if (stringMember(object, "applicationID") == ReleaseIdentity::bundleID &&
          stringMember(object, "distributionStatus") == "published") {
        entry = object;
        break;
      }
    }
    if (!entry) return std::nullopt;
  }
  return entryRelease(*entry);
}

bool PublishedRelease::allowed(boost::urls::url_view url) {
  if (!DownloadAddress::onDownloadHost(url) || !DownloadAddress::inToolsFolder(url)) return false;
  std::string extension = text::lowercased(DownloadAddress::pathExtension(url));
  if (extension != "zip" && extension != "dmg") return false;
  return DownloadAddress::path(url).find("..") == std::string::npos;
}

}  // namespace tavro
