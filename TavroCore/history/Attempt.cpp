#include "TavroCore/history/Attempt.h"

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tavro {

Attempt::Attempt(std::string mode, std::int64_t round, std::int64_t correct, std::int64_t misses,
                 double seconds)
    : Attempt(Uuid::random(), Date::now(), std::move(mode), round, correct, misses, seconds) {}

Attempt::Attempt(Uuid id, Date date, std::string mode, std::int64_t round, std::int64_t correct,
                 std::int64_t misses, double seconds)
    : id_(id),
      date_(date),
      mode_(std::move(mode)),
      round_(round),
      correct_(correct),
      misses_(misses),
      seconds_(seconds) {}

double Attempt::cpm() const {
  if (!(seconds_ > 0)) return 0;
  return static_cast<double>(correct_) * 60 / seconds_;
}

namespace {

// correct + misses, summed in 64-bit integers. Decoded records carry
// whatever counts the file held, so a sum beyond 64 bits is taken in doubles
// rather than overflowing.
double keystrokes(std::int64_t correct, std::int64_t misses) {
  std::int64_t total = 0;
  if (__builtin_add_overflow(correct, misses, &total)) {
    return static_cast<double>(correct) + static_cast<double>(misses);
  }
  return static_cast<double>(total);
}

}  // namespace

double Attempt::accuracy() const {
  double total = keystrokes(correct_, misses_);
  if (!(total > 0)) return 0;
  return static_cast<double>(correct_) * 100 / total;
}

double Attempt::missRate() const {
  double total = keystrokes(correct_, misses_);
  if (!(total > 0)) return 0;
  return static_cast<double>(misses_) * 100 / total;
}

std::string Attempt::completionTime() const {
  std::int64_t total = 0;
  if (std::isfinite(seconds_) && seconds_ > 0) {
    // 2^63 is the first double beyond int64; anything at or above it is
    // clamped rather than converted, which would be undefined.
    constexpr double limit = 9223372036854775808.0;
    double whole = std::floor(seconds_);
    total = whole >= limit ? std::numeric_limits<std::int64_t>::max()
                           : static_cast<std::int64_t>(whole);
  }
  return std::to_string(total / 60) + "m " + std::to_string(total % 60) + "s";
}

namespace {

// The most bytes an encoded attempt needs besides its mode's text: the
// seven keys and the level's key with their punctuation, a 36-character id,
// two doubles in their shortest round-trip form (at most 24 characters, as
// in "-2.2250738585072014e-308"), three 64-bit integers (at most 20, as in
// "-9223372036854775808") and a two-character level text.
constexpr std::string_view keysAndPunctuation =
    R"({"id":"","date":,"mode":"","round":,"correct":,"misses":,"seconds":,"jlptLevel":""})";
constexpr std::size_t levelTextBytes = 2;
constexpr std::size_t encodedBytesBesidesMode =
    keysAndPunctuation.size() + 36 + 2 * 24 + 3 * 20 + levelTextBytes;

// The stored texts of the JLPT levels. History uses no other subsystem, so
// they are repeated here; a test holds them equal to the levels' raw
// values.
constexpr std::array<std::string_view, 5> levelTexts = {"N5", "N4", "N3", "N2", "N1"};
static_assert(levelTexts[0].size() == levelTextBytes);

// The encoder escapes a control character as "\u00XX", six bytes for one,
// and no byte grows more than that.
constexpr std::size_t largestEscapeBytes = 6;

// So a mode within its bound always leaves the whole object within its
// bound, and the check needs no encoding.
static_assert(Attempt::maximumModeBytes * largestEscapeBytes + encodedBytesBesidesMode <=
              Attempt::maximumEncodedBytes);

}  // namespace

bool Attempt::isJLPTLevelText(std::string_view text) {
  for (std::string_view level : levelTexts) {
    if (text == level) return true;
  }
  return false;
}

void Attempt::setJLPTLevel(std::optional<std::string_view> level) {
  if (!level) {
    jlptLevel_.reset();
    return;
  }
  if (!isJLPTLevelText(*level)) throw std::invalid_argument("Expected a JLPT level (N5 to N1)");
  jlptLevel_ = std::string(*level);
}

bool Attempt::withinByteBounds() const {
  return mode_.size() <= maximumModeBytes;
}

Attempt Attempt::decode(const json::Value& value) {
  // Archives hold tens of thousands of attempts, so the members are found in
  // one pass; each is still read with its exact type, and the first of a
  // repeated key counts, as everywhere else.
  static constexpr std::array<std::string_view, 8> keys = {
      "id", "date", "mode", "round", "correct", "misses", "seconds", "jlptLevel"};
  const std::array<std::optional<json::Value>, 8> found = value.object().lookup(keys);
  json::Value idValue = json::requiredValue(found[0], keys[0]);
  std::optional<Uuid> id = Uuid::parse(idValue.stringView());
  if (!id) throw json::DecodingError("Expected a UUID for " + idValue.name());
  double date = json::requiredValue(found[1], keys[1]).number();
  std::string_view mode = json::requiredValue(found[2], keys[2]).stringView();
  std::int64_t round = json::requiredValue(found[3], keys[3]).integer();
  std::int64_t correct = json::requiredValue(found[4], keys[4]).integer();
  std::int64_t misses = json::requiredValue(found[5], keys[5]).integer();
  double seconds = json::requiredValue(found[6], keys[6]).number();
  Attempt attempt(*id, Date{date}, std::string(mode), round, correct, misses, seconds);
  // Null included: strict like every other member, since a level this
  // version cannot name would be ranked under the wrong level, or dropped
  // on the next save.
  if (const std::optional<json::Value>& level = found[7]) {
    std::string_view text = level->stringView();
    if (!isJLPTLevelText(text))
      throw json::DecodingError("Expected a JLPT level (N5 to N1) for " + level->name());
    attempt.jlptLevel_ = std::string(text);
  }
  return attempt;
}

Attempt Attempt::decode(std::string_view text) {
  json::Document document = json::Document::parse(text);
  return decode(document.root());
}

json::OrderedJson Attempt::json() const {
  // Archives hold tens of thousands of attempts, so the object is filled in
  // place: its keys are distinct by construction and need no lookup.
  json::OrderedJson object = json::OrderedJson::object();
  auto& members = object.get_ref<json::OrderedJson::object_t&>();
  members.reserve(8);
  members.emplace_back("id", id_.text());
  members.emplace_back("date", json::finite(date_.secondsSinceReferenceDate, "date"));
  members.emplace_back("mode", mode_);
  members.emplace_back("round", round_);
  members.emplace_back("correct", correct_);
  members.emplace_back("misses", misses_);
  members.emplace_back("seconds", json::finite(seconds_, "seconds"));
  if (jlptLevel_) members.emplace_back("jlptLevel", *jlptLevel_);
  return object;
}

std::string Attempt::encode() const {
  return json::encode(json());
}

}  // namespace tavro
