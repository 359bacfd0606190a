// One entry of the maker's release feed: the release the host may offer as
// an update. The feed comes from the network, so decoding trusts nothing in
// it: the document is bounded before it is parsed, every member is read with
// its JSON type checked, and the download address must lie in the tools
// folder of the maker's download host.
#pragma once

#include <boost/url/url.hpp>
#include <boost/url/url_view.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

struct PublishedRelease {
  // The largest feed document decoded, in bytes.
  static constexpr std::size_t maximumDocumentBytes = 256000;
  // Release notes are cut to this many characters.
  static constexpr std::size_t maximumNotesCharacters = 12000;

  std::string version;                   // as the feed gives it ("v" and "+..." kept)
  std::string build;                     // as the feed gives it, "0" when it gives none
  boost::urls::url downloadURL;          // always passes allowed()
  std::string notes;                     // at most maximumNotesCharacters characters
  std::optional<std::string> sha256;     // 64 hexadecimal digits, either case
  std::optional<std::int64_t> fileSize;  // bytes, as the feed gives it

  // Decodes a feed document. `dedicated` says whether it is one object
  // describing this application's release or a catalog
  // {"schemaVersion": 1, "applications": [...]} of several applications'.
  // Returns this application's entry, or no value when the feed has no
  // published release for it. Throws BackupFailure::invalid() for a document
  // over maximumDocumentBytes, a top level that is not an object, a malformed
  // catalog, another application's dedicated document, or an entry whose
  // version, download address, digest or file size is unusable; throws
  // json::DecodingError when the bytes are not JSON.
  static std::optional<PublishedRelease> decode(std::string_view data, bool dedicated);

  // The feed's rule for download addresses: on the download host (see
  // DownloadAddress::onDownloadHost), in the "/tools/" folder, with the
  // extension "zip" or "dmg" in any letter case, and no ".." anywhere in the
  // decoded path.
  static bool allowed(boost::urls::url_view url);

  // Field by field; the download URL compares by its text, as the manifest's
  // does (Boost.URL's own comparison reads out of bounds on some URLs).
  friend bool operator==(const PublishedRelease& a, const PublishedRelease& b) {
    return a.version == b.version && a.build == b.build && a.downloadURL.buffer() == b.downloadURL.buffer() &&
           a.notes == b.notes && a.sha256 == b.sha256 && a.fileSize == b.fileSize;
  }
};

}  // namespace tavro
