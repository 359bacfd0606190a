// Where the tutor keeps its files and how it reads and writes the score
// archive. The archive (attempts, weak keys, layout and theme) lives in the
// data folder, preferences in the config folder; `--data-dir` puts both in
// one folder. A damaged archive is set aside under a new name and reported,
// never overwritten; an archive that cannot be read at all turns saving off
// for the session rather than replacing what may still be good.
#pragma once

#include "TavroCore/account/TavroBackup.h"
#include "TavroCore/history/Archive.h"
#include "TavroHost/HostMessage.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavro {

struct StoragePaths {
  std::filesystem::path dataFolder;    // the score archive
  std::filesystem::path configFolder;  // preferences and the session token

  std::filesystem::path archive() const { return dataFolder / "archive.json"; }
  std::filesystem::path preferences() const { return configFolder / "preferences.json"; }
};

// Reads one environment variable; nothing when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
Environment processEnvironment();

// The folders: `dataDirectory` for both when given; otherwise
// $XDG_DATA_HOME/tavro and $XDG_CONFIG_HOME/tavro, falling back to
// ~/.local/share/tavro and ~/.config/tavro when a variable is unset, empty
// or not an absolute path. Nothing when no folder can be found (no usable
// HOME either).
std::optional<StoragePaths> storagePaths(const std::optional<std::filesystem::path>& dataDirectory,
                                         const Environment& environment);

// Why `--data-dir` cannot be used, or nothing: it names something that is
// there but is no folder (a file, a pipe). A folder that is not there yet is
// made when the first file is saved.
std::optional<std::string> dataDirectoryProblem(const std::filesystem::path& directory);

// The largest archive file read: the archive's own bound, so that what the
// tutor accepts Archive::read accepts too.
inline constexpr std::uintmax_t maximumArchiveBytes = Archive::maximumFileBytes;

struct LoadedArchive {
  Archive archive;
  // False when the file exists but could not be read: saving would replace it.
  bool canSave = true;
  // True when something was found at the archive's place (readable or not):
  // the learner has used the tutor before.
  bool found = false;
  // What the learner must be told: a damaged archive set aside, or one that
  // could not be read.
  std::optional<HostMessage> notice;
};

// Reads the archive at `file`. A missing file gives an empty archive. A file
// that is not a regular file (a folder, a pipe, a device) is not opened for
// reading and is left alone. A file that is too large or does not decode is
// renamed to "archive.json.damaged-" + UTC time (a number added when that
// name is taken) and a new archive is started.
// With `setAsideDamaged` false nothing on disk is changed: a damaged file
// is only reported, and saving is off.
LoadedArchive loadArchive(const std::filesystem::path& file, bool setAsideDamaged = true);

// What the archive may hold so that the tutor can still read it back: the
// attempts a backup may hold, and the bytes loadArchive reads. Tests make
// them small.
struct ArchiveBounds {
  std::size_t attempts = TavroBackup::maximumAttempts;
  std::uintmax_t bytes = maximumArchiveBytes;
};

// Why `archive` must not be saved, or nothing when it is within `bounds`.
// Every path that grows the archive (a finished round, an import, a sync)
// asks before it changes anything: an archive saved past these bounds is
// set aside as damaged at the next start, every score gone from view.
std::optional<HostMessage> archiveBeyondBounds(const Archive& archive,
                                                         const ArchiveBounds& bounds = {});

// Renames a damaged `file` to `file` + ".damaged-" + UTC time (a number
// added when that name is taken), never replacing another file; the new
// name, or nothing with the reason in `failure`.
std::optional<std::filesystem::path> setAsideDamagedFile(const std::filesystem::path& file,
                                                         std::string& failure);

// Saves atomically; the error message when it failed, nothing on success.
std::optional<std::string> saveArchive(const Archive& archive, const std::filesystem::path& file);

// How long a save waits for another program's save to finish.
inline constexpr std::chrono::milliseconds archiveLockWait{2000};

// Saves `archive` as one of several programs sharing the file (both tutors
// may run at once), so that none loses what another saved:
// - it holds an exclusive lock on `file` + ".lock" (waiting at most
//   archiveLockWait for another program's save), so saves never interleave;
// - it reads the file again and takes in what was saved there since `base`
//   (what this program last read from the file or saved to it): attempts
//   `archive` does not hold (by id) are added after its own, and every weak
//   key's tally gains what it gained in the file since `base`; the layout,
//   theme and other settings are `archive`'s;
// - a file that no longer decodes is set aside as damaged (never merged and
//   never overwritten); a merged archive past `bounds` is not saved.
// On success `archive` is what was saved and `base` a copy of it; on failure
// both are as they were and the reason is returned.
std::optional<std::string> saveSharedArchive(Archive& archive, Archive& base,
                                             const std::filesystem::path& file,
                                             const ArchiveBounds& bounds = {});

}  // namespace tavro
