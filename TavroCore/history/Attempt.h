// One finished practice round: when it was recorded, in which exercise
// mode and round (and, for rounds whose words come from a JLPT level, which
// level), how many keystrokes were accepted and rejected, and how long the
// typing took. Attempts are the unit of the score archive, of backups and of
// cloud sync, and all of them use the JSON form defined here.
#pragma once

#include "Support/Date.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "Support/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

class Attempt {
 public:
  // Byte bounds beside the character rules. A mode of one character may
  // still be hundreds of kilobytes (a letter followed by combining marks),
  // and a single attempt that large could never travel in a sync page, so
  // every reader of outside attempts (backup validation, archive decoding,
  // upload) also refuses an attempt over these bounds.
  // The mode's UTF-8 bytes.
  static constexpr std::size_t maximumModeBytes = 512;
  // The whole encoded attempt object (`encode()`).
  static constexpr std::size_t maximumEncodedBytes = 4096;

  // A new record with a fresh random id and the current date.
  Attempt(std::string mode, std::int64_t round, std::int64_t correct, std::int64_t misses,
          double seconds);

  // A record with every field given, as read back from storage.
  Attempt(Uuid id, Date date, std::string mode, std::int64_t round, std::int64_t correct,
          std::int64_t misses, double seconds);

  // Identity of the attempt: two records with the same id are the same
  // attempt.
  const Uuid& id() const { return id_; }

  // When the record was made.
  const Date& date() const { return date_; }

  // The exercise-mode identifier ("romaji", "kana", "english", ...).
  const std::string& mode() const { return mode_; }
  // Round number within the mode, counted from 1.
  std::int64_t round() const { return round_; }
  // Accepted keystrokes.
  std::int64_t correct() const { return correct_; }
  // Rejected keystrokes.
  std::int64_t misses() const { return misses_; }
  // Elapsed typing time in seconds.
  double seconds() const { return seconds_; }

  // The JLPT level the round's words came from, as its stored text "N5"
  // to "N1"; absent for rounds that do not depend on a level, and for
  // attempts recorded before the level was kept (see the history README
  // for where those rank). History uses no other subsystem, so the level
  // travels as its validated text: the host converts with
  // rawValue(JLPTLevel) and fromRawValue<JLPTLevel> (content/JLPTLevel.h).
  const std::optional<std::string>& jlptLevel() const { return jlptLevel_; }
  // Sets or clears the level. Throws std::invalid_argument, leaving the
  // attempt unchanged, for any text but exactly "N5", "N4", "N3", "N2" or
  // "N1" (case-sensitive).
  void setJLPTLevel(std::optional<std::string_view> level);
  // True for exactly the five level texts.
  static bool isJLPTLevelText(std::string_view text);

  // Accepted keystrokes per minute; 0 unless seconds is positive.
  double cpm() const;
  // Percentage of accepted keystrokes; 0 when there were no keystrokes.
  double accuracy() const;
  // Percentage of rejected keystrokes; 0 when there were no keystrokes.
  double missRate() const;
  // The whole minutes and seconds of the typing time, as "2m 5s". A
  // negative or non-finite time reads "0m 0s"; a time beyond what 64-bit
  // whole seconds can hold is clamped to that largest value.
  std::string completionTime() const;

  // True when the mode holds at most maximumModeBytes bytes and the encoded
  // object at most maximumEncodedBytes. Costs no encoding: the encoded size
  // follows from the mode's size (see Attempt.cpp).
  bool withinByteBounds() const;

  // Reads an attempt object. All seven keys are required with their exact
  // JSON types ("round", "correct", "misses" integers; "date", "seconds"
  // numbers; "id" a UUID text in either case). "jlptLevel" is optional:
  // absent means no level; present, it must be one of the five level texts
  // (anything else, null included, is a damaged attempt, as a wrong type of
  // any other key is). Other keys are ignored, which is also how versions
  // before the level read an attempt that carries one.
  // Throws json::DecodingError otherwise.
  static Attempt decode(const json::Value& value);
  static Attempt decode(std::string_view json);

  // The attempt object, keys in field order and the id in upper case,
  // "jlptLevel" last and only when the attempt has a level. Throws json::EncodingError when seconds (or the date) is not finite.
  json::OrderedJson json() const;
  std::string encode() const;

 private:
  Uuid id_;
  Date date_;
  std::string mode_;
  std::int64_t round_;
  std::int64_t correct_;
  std::int64_t misses_;
  double seconds_;
  std::optional<std::string> jlptLevel_;
};

}  // namespace tavro
