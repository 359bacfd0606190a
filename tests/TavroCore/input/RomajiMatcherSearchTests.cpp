// The romaji matcher follows the typed text through the prompt's heads
// instead of searching on every keystroke. The search stays the definition:
// these tests type every curriculum prompt along its first spellings, and
// random keys into curriculum and awkward prompts, and compare after every
// keystroke what the matcher answers with what the search gives.
#include "Support/CharacterBounds.h"
#include "Support/Text.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/content/MainRomajiCurriculum.h"
#include "TavroCore/content/RomajiCurriculum.h"
#include "TavroCore/content/Vocabulary.h"
#include "TavroCore/input/Matcher.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace tavro {
namespace {

using Inputs = std::set<std::string>;

// What the host reads after a keystroke.
struct Answers {
  bool complete = false;
  Inputs next;
  std::optional<std::string> expected;
  std::int64_t completed = 0;
  std::vector<RomajiHint> hints;     // limit 3, as the tutor asks
  std::vector<RomajiHint> allHints;  // no limit in effect
  std::vector<std::string> candidates;

  friend bool operator==(const Answers&, const Answers&) = default;
};

// The answers as the search gives them for `typed` (already lower-cased and
// normalised, as the matcher keeps it).
Answers searched(const std::string& prompt, const std::string& typed) {
  Answers out;
  out.candidates = Romaji::matchingSpellings(prompt, typed);
  for (const std::string& spelling : out.candidates) {
    std::string_view rest = std::string_view(spelling).substr(typed.size());
    if (rest.empty()) {
      out.complete = true;
    } else {
      out.next.emplace(rest.substr(0, text::firstCharacterSize(rest)));
    }
  }
  if (!out.candidates.empty()) {
    std::string_view rest = std::string_view(out.candidates.front()).substr(typed.size());
    if (!rest.empty()) out.expected = std::string(rest.substr(0, text::firstCharacterSize(rest)));
  }
  out.completed = Romaji::completedCharacters(prompt, typed);
  out.hints = Romaji::hints(prompt, typed, 3);
  out.allHints = Romaji::hints(prompt, typed, 1000);
  return out;
}

Answers answered(const Matcher& matcher) {
  Answers out;
  out.complete = matcher.complete();
  out.next = matcher.next();
  out.expected = matcher.expectedInput();
  out.completed = matcher.completedCharacters();
  out.hints = matcher.hints(3);
  out.allHints = matcher.hints(1000);
  out.candidates = matcher.candidates();
  // The forms that reuse storage answer the same, even over old contents.
  std::vector<std::string> next = {"stale", "entries"};
  matcher.next(next);
  EXPECT_EQ(Inputs(next.begin(), next.end()), out.next);
  EXPECT_EQ(next.size(), out.next.size());
  std::vector<RomajiHint> hints(5, RomajiHint{7, "x", {"A", "B", "C", "D"}, 3, 2});
  matcher.hints(3, hints);
  EXPECT_EQ(hints, out.hints);
  return out;
}

// Offers `piece` to the matcher and checks acceptance and every answer
// against the search. Returns whether it was accepted.
bool offer(Matcher& matcher, const std::string& prompt, const std::string& piece) {
  std::string candidate = text::nfc(matcher.typed() + text::lowercased(piece));
  bool acceptable = !Romaji::matchingSpellings(prompt, candidate).empty();
  std::string before = matcher.typed();
  bool accepted = matcher.input(piece);
  EXPECT_EQ(accepted, acceptable) << "piece \"" << piece << "\" after \"" << before << "\"";
  EXPECT_EQ(matcher.typed(), accepted ? candidate : before);
  EXPECT_EQ(answered(matcher), searched(prompt, matcher.typed()))
      << "typed \"" << matcher.typed() << "\"";
  return accepted;
}

std::vector<std::string> curriculumPrompts() {
  std::set<std::string> prompts;
  for (const auto& round : RomajiCurriculum::rounds()) prompts.insert(round.begin(), round.end());
  for (const std::string& phrase : RomajiCurriculum::kanaPhrases()) prompts.insert(phrase);
  auto addReadings = [&](const std::vector<JapanesePrompt>& list) {
    for (const JapanesePrompt& prompt : list) prompts.insert(prompt.reading());
  };
  for (std::int64_t round = 1; round <= 6; ++round)
    addReadings(MainRomajiCurriculum::prompts(round));
  for (JLPTLevel level : JLPTLevels::allCases) {
    for (std::int64_t round = 1; round <= 7; ++round)
      addReadings(JLPTCurriculum::prompts(level, round, ""));
  }
  addReadings(Vocabulary::basic());
  addReadings(Vocabulary::tango());
  return {prompts.begin(), prompts.end()};
}

TEST(RomajiMatcherAgainstSearch, EveryPrefixOfTheFirstSpellingsOfEveryCurriculumPrompt) {
  std::vector<std::string> prompts = curriculumPrompts();
  ASSERT_GT(prompts.size(), 400u);
  for (const std::string& prompt : prompts) {
    SCOPED_TRACE(prompt);
    std::vector<std::string> spellings = Romaji::spellings(prompt);
    if (spellings.size() > 3) spellings.resize(3);
    for (const std::string& spelling : spellings) {
      SCOPED_TRACE(spelling);
      Matcher matcher = Matcher::romaji(prompt);
      ASSERT_EQ(answered(matcher), searched(prompt, ""));
      for (const std::string& key : text::graphemes(spelling)) {
        // A key the prompt cannot take here is refused and changes nothing.
        Answers now = searched(prompt, matcher.typed());
        for (const char* wrong : {"q", "x", "'", "v"}) {
          if (now.next.count(wrong) == 0) {
            offer(matcher, prompt, wrong);
            break;
          }
        }
        ASSERT_TRUE(offer(matcher, prompt, key));
        if (::testing::Test::HasFailure()) return;
      }
      EXPECT_TRUE(matcher.complete());
    }
  }
}

// Prompts where the shortcuts of the matcher would go wrong first: spellings
// that meet (ぢゃ spells dixya twice; "んnん" reads "nnnn" two ways), more
// than 128 spellings, characters spelled as themselves (some of several
// bytes, some upper-case, CR LF), combining marks and an empty prompt.
const char* const kAwkwardPrompts[] = {
    "ぢゃぢゅぢょ",
    "んnん",
    "んnんnんnん",
    "しししししししし",
    "しちつふじしちつふじ",
    "っっった",
    "っち",
    "ほん",
    "きんえん",
    "かった",
    "カタカナ漢字abc",
    "e\u0301か",
    "\r\nか",
    "か\u0301",
    "ー、。！？「」（）",
    "ゔぁゔぃゔ",
    "んんんん",
    "っ",
    "",
    "ABCか",
    "ゎゕゖ",
    "ふぁ",
    "しゃしゅしょ",
    "ちゃんと、じゃあね。",
    "a\u0600か",
    "🇯🇵か",
};

TEST(RomajiMatcherAgainstSearch, RandomKeysIntoCurriculumAndAwkwardPrompts) {
  std::vector<std::string> prompts(std::begin(kAwkwardPrompts), std::end(kAwkwardPrompts));
  std::vector<std::string> curriculum = curriculumPrompts();
  std::mt19937 random(20261210);
  for (int index = 0; index < 60; ++index)
    prompts.push_back(curriculum[random() % curriculum.size()]);

  // Plain keys (some upper-case), and pieces the matcher must hand to the
  // search's rules: accents, a Kelvin sign that lower-cases to "k", CR, kana.
  const std::string plain = "abcdefghijklmnopqrstuvwxyzKSN'-,.!?[]() ";
  const std::vector<std::string> odd = {"\u00E9", "e",  "\u0301", "\u212A", "\r",
                                        "\n",     "カ", "漢",     "A",      "\xFF"};
  for (const std::string& prompt : prompts) {
    SCOPED_TRACE(prompt);
    for (int run = 0; run < 4; ++run) {
      Matcher matcher = Matcher::romaji(prompt);
      for (int step = 0; step < 60; ++step) {
        std::string piece;
        std::uint32_t choice = random() % 100;
        std::vector<std::string> next;
        matcher.next(next);
        if (choice < 60 && !next.empty()) {
          piece = next[random() % next.size()];  // mostly keys that go on
          if (choice < 10) piece += plain[random() % plain.size()];
        } else if (choice < 90) {
          piece = std::string(1, plain[random() % plain.size()]);
        } else if (choice < 95) {
          piece = odd[random() % odd.size()];
        } else if (choice < 98) {
          Matcher copy = matcher;  // a copy goes on as its own value
          offer(copy, prompt, "x");
          matcher = copy;
        }
        offer(matcher, prompt, piece);
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

TEST(RomajiMatcher, AnswersWithinTheFirstOneHundredTwentyEightSpellings) {
  // Eight し have 256 spellings; the first 128 all begin with "si", so once
  // "s" is typed "h" is not among the next inputs, as the search says.
  Matcher matcher = Matcher::romaji("しししししししし");
  ASSERT_TRUE(matcher.input("s"));
  EXPECT_EQ(matcher.next(), Inputs{"i"});
  EXPECT_TRUE(matcher.input("h"));  // still a spelling, so still accepted
  EXPECT_EQ(matcher.next(), Inputs{"i"});
  EXPECT_EQ(matcher.completedCharacters(), 0);
  EXPECT_TRUE(matcher.input("i"));
  EXPECT_EQ(matcher.completedCharacters(), 1);
}

TEST(RomajiMatcherAgainstSearch, OneTextSpelledInThousandsOfWays) {
  // ぢゃ spells dixya twice, so eleven of them typed that way are reached by
  // 2048 head sequences, and answers still agree with the search.
  std::string prompt;
  std::string spelling;
  for (int index = 0; index < 11; ++index) {
    prompt += "ぢゃ";
    spelling += "dixya";
  }
  Matcher matcher = Matcher::romaji(prompt);
  for (char key : spelling) {
    ASSERT_TRUE(offer(matcher, prompt, std::string(1, key)));
  }
  EXPECT_TRUE(matcher.complete());
}

TEST(RomajiMatcher, HintsAndCompletedCharactersOfTheTypedText) {
  Matcher matcher = Matcher::romaji("かな");
  ASSERT_TRUE(matcher.input("K"));
  std::vector<RomajiHint> expected = {{0, "か", {"K", "A"}, 1, 1},
                                      {1, "な", {"N", "A"}, 0, std::nullopt}};
  EXPECT_EQ(matcher.hints(2), expected);
  EXPECT_EQ(matcher.hints(0), std::vector<RomajiHint>{});
  EXPECT_EQ(matcher.completedCharacters(), 0);
  ASSERT_TRUE(matcher.input("an"));
  EXPECT_EQ(matcher.completedCharacters(), 1);

  Matcher sokuon = Matcher::romaji("っか");
  ASSERT_TRUE(sokuon.input("k"));
  EXPECT_EQ(sokuon.completedCharacters(), 1);  // the head "k" of っ is complete

  // Other flavours have no romaji prompt to hint at.
  Matcher list({"ka"}, true);
  EXPECT_EQ(list.completedCharacters(), 0);
  EXPECT_EQ(list.hints(3), std::vector<RomajiHint>{});
}

}  // namespace
}  // namespace tavro
