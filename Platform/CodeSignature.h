// Code signatures of application bundles.
//
// A bundle is sealed by "Contents/_CodeSignature/CodeResources", a JSON
// document
//   {"files": {"relative/path": "sha-256 hex", ...},
//    "executables": ["relative/path", ...], "folders": ["relative/path", ...]}
// listing every regular file of the bundle except the two signature files
// with its digest, the files that carry an execute permission, and every
// folder below the bundle folder; it is signed by
// "Contents/_CodeSignature/CodeSignature", a detached CMS signature (DER)
// over the exact bytes of CodeResources that embeds the signer's
// certificate. Symbolic links and special files are never sealed, and
// nothing in a bundle may be writable by group or others: a bundle holding
// such an item neither signs nor verifies.
//
// The signature's digest must be SHA-256 or stronger (SHA-384, SHA-512).
//
// Trust is not a certificate chain: the installer pins the signer's
// certificate (see certificate()) against the installed application's.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace tavro::platform::codeSignature {

inline constexpr const char* resourcesPath = "Contents/_CodeSignature/CodeResources";
inline constexpr const char* signaturePath = "Contents/_CodeSignature/CodeSignature";

// A bundle that cannot be signed or does not verify; the text says why.
class SignatureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Seals every regular file and folder of `bundle` and signs the seal with
// the private key and certificate read from the PEM files. An existing
// signature is replaced. Throws SignatureError (a symbolic link, special
// file or item writable by group or others in the bundle, unreadable key or
// certificate, a key that does not match the certificate) or
// std::system_error for file failures.
void sign(const std::filesystem::path& bundle, const std::filesystem::path& privateKeyPEM,
          const std::filesystem::path& certificatePEM);

// Checks that the signature is a valid CMS signature by its embedded
// certificate over CodeResources, that every sealed file is present with its
// digest and its execute permission as sealed, that the folders are exactly
// the sealed ones, that no file is unsealed, and that nothing in the bundle
// (the bundle folder included) is a symbolic link, a special file or
// writable by group or others. Seals without the executables and folders
// lists (made before they were recorded) are refused. Throws SignatureError
// naming the first fault. `bundle` itself may be given through a symbolic
// link.
void verify(const std::filesystem::path& bundle);

// SHA-256 (64 lower-case hexadecimal digits) of the DER encoding of the
// signer's (leaf) certificate, read from a signature that is valid over the
// bundle's CodeResources. No value when the bundle is unsigned, the files are
// unreadable, malformed or not regular files, the signature does not hold, or
// there is not exactly one signer. The sealed files are not hashed here;
// verify() does that.
std::optional<std::string> certificate(const std::filesystem::path& bundle);

}  // namespace tavro::platform::codeSignature
