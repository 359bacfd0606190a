// The score archive: the local history of every finished round, the
// weak-key history, and a few settings the host keeps beside them, stored
// as one JSON file. It ranks the attempts of a mode and round (the top five)
// and lays out the results table, marking where the latest attempt stands.
#pragma once

#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "Support/Uuid.h"
#include "TavroCore/history/Attempt.h"
#include "TavroCore/history/WeakKeyHistory.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One line of the results table.
struct ScoreRow {
  Attempt attempt;
  std::optional<std::int64_t> rank;  // 1 to 5 on a top-five line; absent on the extra line
  bool isLatest = false;             // the line shows the attempt just finished
  bool isOutsideTopFive = false;     // the extra line for a latest attempt below the top five

  // The results table underlines the latest attempt.
  bool isUnderlined() const { return isLatest; }
  // Lines are identified by their attempt.
  const Uuid& id() const { return attempt.id(); }
};

struct Archive {
  std::vector<Attempt> attempts;                            // every stored attempt, oldest first
  std::map<std::string, std::int64_t, std::less<>> errors;  // per-key error tally kept for the host
  std::optional<WeakKeyHistory> weakKeys;  // per-mode, per-key keystroke statistics
  // The appearance theme as older versions saved it. The theme is now a
  // preference (AppearanceThemes::savedOrAdopted, settings/); this field
  // is still read and written so that older versions keep their theme.
  std::string appearance = "System";
  std::string sound = "Keyboard Click";    // the saved keystroke sound
  bool jis = false;                        // true: JIS layout, false: US layout
  bool english = false;                    // a host setting stored with the history
  std::int64_t duration = 60;              // a host duration setting

  // The largest archive file read: far beyond any real history (100,000
  // attempts take about 15 MB) but a bound on the memory a stray file can take.
  static constexpr std::uintmax_t maximumFileBytes = 64u << 20;

  // Reads and decodes the whole file. A file that cannot be opened or read
  // throws std::system_error (with errno; EISDIR for a folder, EINVAL for
  // anything else that is not a regular file, which is never waited on,
  // EFBIG for one larger than maximumFileBytes, refused before it is read);
  // malformed JSON, a missing
  // required key, a wrong JSON type or one undecodable attempt throws
  // json::DecodingError. No partial archive is ever returned.
  static Archive read(const std::filesystem::path& file);

  // Writes the archive to `file` so that the file always holds either the
  // previous archive or the new one, whole: the folder is created if need
  // be, the JSON goes to a temporary file in the same folder, is flushed to
  // disk and renamed over the old file, and the folder is synced. Throws
  // json::EncodingError (an attempt's seconds not finite; nothing written)
  // or the platform's std::system_error; a failed save removes its
  // temporary file and leaves the previous file as it was.
  void save(const std::filesystem::path& file) const;

  // The best attempts of the mode and round, at most five: higher speed
  // first, then higher accuracy; equal results keep archive order.
  //
  // With `jlptLevel` (the text "N5" to "N1"), only the attempts of that
  // level take part, so a round whose words come from the level ranks each
  // level apart. Attempts without a level were made before the level was
  // recorded, when N5 (the default level) is the one they were most likely
  // made under: they take part with "N5", so none is hidden. The host
  // passes a level only for rounds that depend on it
  // (JLPTCurriculum::usesLevel); without one every attempt of the mode and
  // round takes part, whatever its level.
  std::vector<Attempt> top(std::string_view mode, std::int64_t round,
                           std::optional<std::string_view> jlptLevel = std::nullopt) const;

  // Whether `attempt` takes part in the table of `jlptLevel` as top() and
  // scoreRows() choose (any level when absent; "N5" for an attempt without
  // one). Other summaries of the same attempts use it so they count what the
  // tables count.
  static bool inLevelTable(const Attempt& attempt, std::optional<std::string_view> jlptLevel);

  // The results table of the mode and round: the top five, each marked when
  // it is the latest attempt, and an extra unranked line when the latest
  // attempt is not among them. The latest attempt is the one with
  // `latestID` or, when that is absent or not of this mode and round, the
  // most recently appended one. Empty when the mode and round have none.
  // `jlptLevel` chooses the attempts as in top(), for the latest one too.
  std::vector<ScoreRow> scoreRows(std::string_view mode, std::int64_t round,
                                  std::optional<Uuid> latestID,
                                  std::optional<std::string_view> jlptLevel = std::nullopt) const;

  // The archive document. Every key but "weakKeys" is required with its
  // exact JSON type; "weakKeys" may be absent or null. Unknown keys are
  // ignored. Throws json::DecodingError, also for an attempt outside
  // Attempt::withinByteBounds() (a mode over 512 bytes), naming it.
  static Archive decode(std::string_view json);

  // The compact archive document, keys in field order, "weakKeys" only when
  // present. Throws json::EncodingError when an attempt cannot be written.
  std::string encode() const;
};

}  // namespace tavro
