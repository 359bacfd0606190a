// Turning a downloaded update archive into a verified candidate bundle and
// putting it in the place of the installed application.
//
// prepare() checks the manifest against the running system and the
// installed application's signing certificate, requires a newer release,
// checks the archive's size and digest, inspects and extracts it into a
// private staging directory and verifies the extracted bundle before and
// after removing its quarantine attribute. replace() copies the candidate
// beside the installed bundle, verifies the copy, exchanges the two in one
// atomic step, verifies the new bundle at its final place and keeps the old
// one under a hidden name; at every instant the installed path names a
// complete bundle.
//
// The tools (codesign, xattr, lipo) are the platform tools of the compiled-in
// tools directory. Every refusal is an UpdateFailure; file and process
// failures pass through as std::system_error.
#pragma once

#include "TavroUpdate/TavroRelease.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::UpdateWorker {

// The bundle name of the application, installed and candidate alike.
inline constexpr std::string_view candidateBundleName = "BRELVA Tavro.app";
// The main executable, relative to the bundle.
inline constexpr std::string_view mainExecutable = "Contents/MacOS/Tavro";
// The architecture every update must run on.
inline constexpr std::string_view requiredArchitecture = "arm64";
// The attribute that marks downloaded files.
inline constexpr std::string_view quarantineAttribute = "com.apple.quarantine";
// Names beside the installed bundle: the private swap directory and the
// kept previous bundle (each followed by a fresh upper-case UUID).
inline constexpr std::string_view swapDirectoryPrefix = ".tavro-update-";
inline constexpr std::string_view previousBundlePrefix = ".BRELVA Tavro.previous-";
inline constexpr std::string_view previousBundleSuffix = ".app";

// Verifies `archive` against `release` and the installed bundle and extracts
// it into `staging`, which must not exist yet and is created with mode 0700.
// Returns the verified candidate, `staging`/"BRELVA Tavro.app"; the caller
// then owns the staging directory. Before the staging directory is created
// nothing is written; once it exists, any failure removes it first.
// Refuses the main thread ("Verification must run in the background.").
// Fails with "Update could not be verified." for manifest and version
// refusals, a staging path that exists (left untouched), a size or digest
// mismatch, a tool that fails and a candidate that does not verify; archive
// refusals keep their own messages.
std::filesystem::path prepare(const std::filesystem::path& archive, const TavroRelease& release,
                              const std::filesystem::path& installed, const std::filesystem::path& staging);

// Checks a candidate bundle: its name, its Info.plist against `release`,
// its signer against the manifest's certificate, no symbolic link anywhere
// inside ("Unsafe update archive."), its signature and sealed files
// (codesign), an executable main program, and "arm64" among its
// architectures (lipo). Every other refusal is "Update could not be verified.".
void verify(const std::filesystem::path& candidate, const TavroRelease& release);

// Requires `release` to be strictly newer (version, then build) than the
// installed bundle, which must carry the application's identifier and text
// versions. Fails with "Update could not be verified.".
void requireUpgrade(const TavroRelease& release, const std::filesystem::path& installed);

// SHA-256 of a file as 64 lower-case hexadecimal digits, read in 1 MiB
// pieces. Throws std::system_error when the file cannot be read.
std::string digest(const std::filesystem::path& file);

// SHA-256 of the leaf certificate that signed `bundle`, lower-case hex; no
// value when the bundle's signature cannot be read.
std::optional<std::string> certificate(const std::filesystem::path& bundle);

// Runs `executable` with `arguments` and returns its standard output as
// UTF-8 (ill-formed sequences replaced by U+FFFD). Standard error goes to
// the null device. Fails with "Update could not be verified." when the
// program ends with a status other than 0 (or by a signal); a program that
// cannot be started is a std::system_error.
std::string output(const std::filesystem::path& executable, const std::vector<std::string>& arguments);

// The running system's version: major.minor.patch.
std::string currentOS();

// The path of a platform tool ("codesign", "xattr", "lipo", "open").
std::filesystem::path tool(std::string_view name);

// Puts the verified `candidate` in the place of `installed` and returns where
// the old bundle now lies (".BRELVA Tavro.previous-" + UUID + ".app" beside
// it; never removed by the installer). Fails with "Update installation
// failed." on the main thread, for an installed path that is wrongly named,
// a symbolic link or another application, and when the exchange fails;
// verification refusals keep their messages; file failures pass through.
// When the new bundle fails at its final place, the exchange is reversed
// before the failure is passed on. The swap directory is removed on every
// path unless it still holds the old bundle (known by its identity on disk,
// whatever a failure claims about the exchange): the old bundle is then
// moved to the previous-bundle name, and should that fail too, the
// directory stays, because it holds the user's application.
std::filesystem::path replace(const std::filesystem::path& candidate, const std::filesystem::path& installed,
                              const TavroRelease& release);

// Called after each step of an installation that changes the file system,
// named by `step`. The installer's own build does nothing here; a test
// build of the installer stops the process at each step so that a test can
// kill it there.
void afterFileSystemStep(std::string_view step);

}  // namespace tavro::UpdateWorker
