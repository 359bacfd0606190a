#include "installation/UpdateScenario.h"

#include "Platform/Bundle.h"
#include "Support/Sha256.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <sys/stat.h>

namespace tavro::testing {

namespace fs = std::filesystem;

void zipDirectory(const fs::path& directory, const std::string& member, const fs::path& archive,
                  const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"-c", "cd \"$1\" && shift && exec zip -X -r -q \"$@\"", "sh",
                                        directory.string()};
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.push_back(fs::absolute(archive).string());
  arguments.push_back(member);
  ProcessResult zipped = runProcess("/bin/sh", arguments);
  if (zipped.exitStatus != 0) throw std::runtime_error("zip failed: " + zipped.standardError);
}

UpdateScenario::UpdateScenario()
    : identity(SigningIdentity::create(root.path(), "maker")),
      applications(root / "Applications"),
      installed(applications / "BRELVA Tavro.app"),
      downloads(root / "Downloads"),
      archive(downloads / "BRELVA-Tavro-1.6.4.zip"),
      manifest(downloads / "manifest.json"),
      work(root / "work") {
  fs::create_directories(applications);
  fs::create_directories(downloads);
  fs::create_directories(work);
}

BundleSpec UpdateScenario::updateSpec() {
  BundleSpec layout;
  layout.version("1.6.4", "19");
  layout.files["Contents/Resources/Prompts.json"] = "{\"rounds\": 7}\n";
  layout.files["Contents/Frameworks/Engine.framework/Versions/A/Engine"] = std::string(4096, 'e');
  return layout;
}

void UpdateScenario::writeInstalled(const BundleSpec& layout) { writeSignedBundle(installed, layout, identity); }

void UpdateScenario::writeUpdate(const BundleSpec& layout, const std::function<void(const fs::path&)>& change,
                                 const SigningIdentity* signer) {
  fs::remove_all(work);
  fs::create_directories(work);
  fs::path bundle = work / "BRELVA Tavro.app";
  writeSignedBundle(bundle, layout, signer != nullptr ? *signer : identity);
  if (change) change(bundle);
  archiveWork();

  auto version = layout.info.find("CFBundleShortVersionString");
  auto build = layout.info.find("CFBundleVersion");
  release.applicationID = "com.brelva.tavro";
  release.version = version == layout.info.end() ? "" : version->second;
  release.build = build == layout.info.end() ? "" : build->second;
  release.distributionStatus = "published";
  std::string address = "https://downloads.brelva.example/tools/BRELVA-Tavro-";
  address.append(release.version).append(".zip");
  release.downloadURL = boost::urls::url(address);
  release.architectures = {"arm64"};
  release.minimumMacOSVersion = "1.0";
  release.codeSigning = {"same-certificate", identity.certificateSHA256};
}

void UpdateScenario::archiveWork(const std::vector<std::string>& zipOptions) {
  fs::remove(archive);
  zipDirectory(work, "BRELVA Tavro.app", archive, zipOptions);
  release.sha256 = sha256::hexOfFile(archive);
  release.fileSize = static_cast<std::int64_t>(fs::file_size(archive));
}

void UpdateScenario::writeManifest() { writeFile(manifest, release.encode()); }

void UpdateScenario::writeAll() {
  writeInstalled();
  writeUpdate();
  writeManifest();
}

std::vector<std::string> UpdateScenario::installerArguments() const {
  // No process has this id (above any pid_max), so the wait ends at once.
  return {"--manifest", manifest.string(), "--installed", installed.string(), "--archive", archive.string(),
          "--parent-pid", "2147483646"};
}

std::vector<std::string> UpdateScenario::namesStartingWith(const fs::path& directory, std::string_view prefix) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with(prefix)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string UpdateScenario::versionOf(const fs::path& bundle) {
  try {
    platform::PlistDictionary info = platform::infoDictionary(bundle);
    auto entry = info.find("CFBundleShortVersionString");
    if (entry != info.end() && entry->second.string() != nullptr) return *entry->second.string();
  } catch (const std::exception&) {
  }
  return "";
}

std::string UpdateScenario::treeFingerprint(const fs::path& directory) {
  std::map<std::string, std::string> items;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(directory)) {
    struct stat status {};
    ::lstat(entry.path().c_str(), &status);
    std::string description = std::to_string(status.st_mode);
    if (S_ISREG(status.st_mode)) description.append(" ").append(sha256::hexOfFile(entry.path()));
    items[entry.path().lexically_relative(directory).string()] = description;
  }
  std::string fingerprint;
  for (const auto& [name, description] : items) fingerprint.append(name).append(" ").append(description).append("\n");
  return fingerprint;
}

}  // namespace tavro::testing
