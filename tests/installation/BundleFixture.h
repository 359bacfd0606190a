// Test fixtures for installation tests: signing identities made with
// OpenSSL, application bundles written file by file, and Mach-O and ELF
// headers for the architecture check.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::testing {

// A private key and a self-signed certificate (PEM files in `directory`).
struct SigningIdentity {
  std::filesystem::path privateKey;
  std::filesystem::path certificate;
  std::string certificateSHA256;  // SHA-256 of the certificate's DER, lower-case hex

  // A fresh P-256 key and certificate named `commonName`, written as
  // `name`.key.pem and `name`.cert.pem.
  static SigningIdentity create(const std::filesystem::path& directory, std::string_view name);
};

// A detached CMS signature (DER) by `identity` over `content` with the named
// digest ("SHA256", "SHA1", ...), made without the code under test.
std::string detachedSignature(std::string_view content, const SigningIdentity& identity,
                              const char* digest = "SHA256");

// The first 32 bytes of a 64-bit little-endian Mach-O executable for each
// (cputype, cpusubtype), joined in a universal file when there are several.
std::string machOExecutable(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& architectures);
inline constexpr std::uint32_t cpuTypeARM64 = 0x0100000c;
inline constexpr std::uint32_t cpuTypeX86_64 = 0x01000007;

// A 64-byte ELF header (little-endian, 64-bit) for `machine`.
std::string elfHeader(std::uint16_t machine);

// What a test application bundle holds.
struct BundleSpec {
  std::map<std::string, std::string> info = {
      {"CFBundleIdentifier", "com.brelva.tavro"}, {"CFBundleExecutable", "Tavro"},
      {"CFBundleShortVersionString", "1.6.3"},    {"CFBundleVersion", "18"},
      {"CFBundlePackageType", "APPL"},            {"LSMinimumSystemVersion", "1.0"}};
  std::string executable = machOExecutable({{cpuTypeARM64, 0}});
  // Further files, by path relative to the bundle.
  std::map<std::string, std::string> files = {{"Contents/Resources/en.lproj/Localizable.strings", "\"Hello\" = \"Hello\";\n"},
                                              {"Contents/Resources/Prompts.json", "{\"rounds\": 6}\n"}};

  BundleSpec& version(std::string shortVersion, std::string build);
};

// An XML property list of text values.
std::string infoPlist(const std::map<std::string, std::string>& values);

// Writes the bundle at `bundle` (created; its parents must exist): Info.plist,
// Contents/MacOS/<CFBundleExecutable> with mode 0755, and the further files.
void writeBundle(const std::filesystem::path& bundle, const BundleSpec& layout);

// writeBundle followed by sealing and signing with `identity`.
void writeSignedBundle(const std::filesystem::path& bundle, const BundleSpec& layout, const SigningIdentity& identity);

}  // namespace tavro::testing
