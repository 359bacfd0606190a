// One update on disk, as the host leaves it for the installer: an installed
// signed application at 1.6.3, a signed 1.6.4 update zipped with
// `zip -X -r`, and its manifest. Each part can be changed before use.
#pragma once

#include "common/TestSupport.h"
#include "installation/BundleFixture.h"
#include "TavroUpdate/TavroRelease.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tavro::testing {

struct UpdateScenario {
  TemporaryDirectory root;
  SigningIdentity identity;
  std::filesystem::path applications;  // holds the installed bundle
  std::filesystem::path installed;     // applications/"BRELVA Tavro.app"
  std::filesystem::path downloads;     // holds the archive and the manifest
  std::filesystem::path archive;
  std::filesystem::path manifest;
  std::filesystem::path work;  // where the update is built before zipping
  TavroRelease release;

  UpdateScenario();

  // The installed application, signed by `identity`.
  void writeInstalled(const BundleSpec& layout = BundleSpec());

  // Builds "BRELVA Tavro.app" from `layout`, signs it (by `signer`, or by
  // `identity`), lets `change` alter the signed bundle, zips it into
  // `archive` and sets `release` to match the archive and `identity`.
  void writeUpdate(const BundleSpec& layout = updateSpec(), const std::function<void(const std::filesystem::path&)>& change = {},
                   const SigningIdentity* signer = nullptr);

  // Zips the bundle in `work` again (with further `zip` options, e.g. "-y"
  // to store links as links) and updates the release's size and digest.
  void archiveWork(const std::vector<std::string>& zipOptions = {});

  // Writes `release` to `manifest`.
  void writeManifest();

  // All three with their defaults.
  void writeAll();

  // What the update bundle holds: 1.6.4, build 19.
  static BundleSpec updateSpec();

  // The installer's command line for this scenario (the host already gone).
  std::vector<std::string> installerArguments() const;

  // Names in `directory` that start with `prefix`.
  static std::vector<std::string> namesStartingWith(const std::filesystem::path& directory, std::string_view prefix);

  // CFBundleShortVersionString of a bundle, or "" when unreadable.
  static std::string versionOf(const std::filesystem::path& bundle);

  // Digests of every file below `directory` with its mode, for "untouched" checks.
  static std::string treeFingerprint(const std::filesystem::path& directory);
};

// Zips `member` of `directory` into `archive` with `zip -X -r -q` and `options`.
void zipDirectory(const std::filesystem::path& directory, const std::string& member, const std::filesystem::path& archive,
                  const std::vector<std::string>& options = {});

}  // namespace tavro::testing
