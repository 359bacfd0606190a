// The view a round keeps of the word being typed: after every judged key it
// says what a screen drawing from scratch would work out from the prompt and
// the matcher, and nothing but a judged key (or a new guide style) changes it.
#include "TavroCore/practice/PracticeRound.h"

#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/KeyLookAhead.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/PracticeItem.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavro {
namespace {

// The view worked out from scratch, from the round's public state alone,
// the way a screen drawing each frame would: `list` is the round's prompts.
PracticeView fromScratch(const PracticeRound& round, const std::vector<RoundPrompt>& list) {
  const RoundPrompt& prompt = round.prompt();
  const Matcher& matcher = round.matcher();
  const std::string& typed = matcher.typed();
  Exercise exercise = round.exercise();
  PracticeView view;
  view.display = prompt.display();
  if (prompt.japanese) {
    std::string reading = prompt.japanese->reading();
    if (reading != view.display) view.reading = reading;
    if (exercise == Exercise::japaneseKana) {
      PracticeItem item(reading, "kana", round.jis());
      view.doneCharacters = prompt.japanese->completedDisplayCharacters(item.completedCharacters(typed));
      for (const KanaHint& hint : KanaInput::hints(reading, typed, round.jis(), 4))
        view.hints.push_back({hint.text(), hint.isActive()});
    } else {
      view.doneCharacters = prompt.japanese->completedDisplayCharacters(
          Romaji::completedCharacters(reading, typed));
      view.guide = RomajiGuide::fromPrompt(reading, typed, round.guideStyle());
      view.ghostKeys = KeyLookAhead::ghost(reading, typed);
      for (const RomajiHint& hint : Romaji::hints(reading, typed, 4, round.guideStyle()))
        view.hints.push_back({hint.kana + " " + hint.text(), hint.isActive()});
    }
  } else {
    view.doneCharacters = prompt.language->completedDisplayCharacters(typed);
    if (language(exercise) == TavroLanguage::nepali)
      view.guide = prompt.language->guide(typed, TavroLanguage::nepali);
  }
  view.nextInputs = matcher.next();
  view.expectedInput = matcher.expectedInput(exercise == Exercise::nepaliDirect);
  if (exercise != Exercise::nepaliDirect) {
    if (const std::optional<std::string>& expected = view.expectedInput) {
      std::string base = Keyboard::baseKey(*expected, round.jis());
      bool shifted = *expected == Keyboard::jisShiftZero || base != *expected;
      if (*expected == Keyboard::jisShiftZero) base = "0";
      view.nextKey = NextKey{base, shifted, Keyboard::finger(base, round.mode())};
    }
    for (const auto& row : Keyboard::rows(round.jis())) {
      for (const std::string& label : row) {
        if (Keyboard::isTarget(label, view.nextInputs, round.mode(), round.jis()))
          view.targetKeys.insert(label);
      }
    }
  }
  view.waiting = matcher.complete();
  std::int64_t words = round.session().completedWords();
  if (words + 1 < WordSession::wordLimit)
    view.nextDisplay = list[static_cast<std::size_t>(words + 1) % list.size()].display();
  return view;
}

RoundPrompt kana(std::string_view word) { return {JapanesePrompt::kana(word), std::nullopt}; }
RoundPrompt shown(std::string display, std::string reading) {
  return {JapanesePrompt(std::move(display), std::move(reading)), std::nullopt};
}
RoundPrompt latin(std::string_view text) { return {std::nullopt, LanguagePrompt(text)}; }

TEST(PracticeViewTest, EveryJudgedKeyLeavesTheViewAFreshDrawWouldShow) {
  // "*" types the suggested input; every other entry is typed as it is.
  struct Case {
    const char* name;
    Exercise exercise;
    bool jis;
    RomajiStyle style;
    std::vector<RoundPrompt> prompts;
    std::vector<std::string> keys;
    std::int64_t misses;
  };
  std::vector<RoundPrompt> nepali = prompts(Exercise::nepaliRoman, JLPTLevel::n5, 1, "", false);
  nepali.resize(2, nepali.front());
  const Case cases[] = {
      {"romaji typed as Kunrei, guided in Hepburn", Exercise::japaneseRomaji, false,
       RomajiStyle::hepburn, {kana("しんぶん"), kana("ちず")},
       {"s", "i", "q", "n", "b", "u", "n", "n", "t", "i", "z", "u"}, 1},
      {"romaji typed as Hepburn, guided in Kunrei", Exercise::japaneseRomaji, false,
       RomajiStyle::kunrei, {kana("しゃしん"), kana("つき")},
       {"s", "h", "a", "s", "h", "i", "n", "t", "s", "u", "k", "i"}, 0},
      {"a closing ん waits, then a space or the next word's key moves on", Exercise::guidedRomaji,
       false, RomajiStyle::hepburn, {kana("ほん"), kana("かん"), kana("えき")},
       {"h", "o", "n", " ", "k", "a", "n", "x", "e", "k", "i"}, 1},
      {"kanji shown over the reading", Exercise::customText, false, RomajiStyle::fewestKeys,
       {shown("学校", "がっこう"), shown("行く", "いく")},
       {"g", "a", "k", "k", "o", "u", "i", "k", "u"}, 0},
      {"kana keys on JIS, small kana and を with Shift", Exercise::japaneseKana, true,
       RomajiStyle::hepburn, {kana("きょうを"), kana("がっこう")},
       {"*", "*", "*", "x", "*", "*", "*", "*", "*", "*", "*", "*"}, 1},
      {"kana keys on US", Exercise::japaneseKana, false, RomajiStyle::hepburn,
       {kana("ぱーてぃー")}, {"*", "*", "*", "*", "*", "*", "*"}, 0},
      {"English with capitals", Exercise::english, false, RomajiStyle::hepburn,
       {latin("Hi, Ann!"), latin("ok")},
       {"H", "i", "i", ",", " ", "A", "n", "n", "!", "o", "k"}, 1},
      {"Nepali romanized", Exercise::nepaliRoman, false, RomajiStyle::hepburn, nepali,
       {"*", "*", "*", "q", "*", "*", "*", "*"}, 1},
      {"Nepali typed directly", Exercise::nepaliDirect, false, RomajiStyle::hepburn, nepali,
       {"*", "*", "q", "*", "*"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PracticeRound round(c.exercise, 1, c.jis, c.prompts);
    EXPECT_EQ(round.view(), fromScratch(round, c.prompts)) << "as the first word starts";
    round.setGuideStyle(c.style);
    EXPECT_EQ(round.view(), fromScratch(round, c.prompts)) << "in the chosen style";
    double now = 0;
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      SCOPED_TRACE("after key " + std::to_string(i + 1) + " " + c.keys[i]);
      std::string key = c.keys[i];
      if (key == "*") {
        ASSERT_TRUE(round.expectedInput());
        key = *round.expectedInput();
      }
      round.type(key, now += 0.1);
      EXPECT_EQ(round.view(), fromScratch(round, c.prompts));
    }
    // The wrong keys were judged as wrong, and only they.
    EXPECT_EQ(round.session().misses(), c.misses);
  }
}

// What the tables above rest on, named once: the JIS keys with Shift, the
// finger and the faint look-ahead key.
TEST(PracticeViewTest, NextKeyNamesShiftAndFinger) {
  PracticeRound kanaKeys(Exercise::japaneseKana, 1, true, {kana("をょ")});
  ASSERT_TRUE(kanaKeys.view().nextKey);
  EXPECT_EQ(*kanaKeys.view().nextKey, (NextKey{"0", true, Keyboard::finger("0")}));
  kanaKeys.type(std::string(Keyboard::jisShiftZero), 1);
  ASSERT_TRUE(kanaKeys.view().nextKey);
  EXPECT_EQ(*kanaKeys.view().nextKey, (NextKey{"9", true, Keyboard::finger("9")}));

  PracticeRound romaji(Exercise::japaneseRomaji, 1, false, {kana("しゃ")});
  EXPECT_EQ(romaji.view().nextKey, (NextKey{"s", false, Finger::leftRing}));
  EXPECT_EQ(romaji.view().ghostKeys, (std::set<std::string>{"h"}));
  EXPECT_EQ(romaji.view().targetKeys, (std::set<std::string>{"s"}));

  PracticeRound direct(Exercise::nepaliDirect, 1, false,
                       {prompts(Exercise::nepaliDirect, JLPTLevel::n5, 1, "", false).front()});
  EXPECT_TRUE(direct.view().expectedInput);
  EXPECT_FALSE(direct.view().nextKey) << "Devanagari typed directly has no key on the layout";
  EXPECT_TRUE(direct.view().targetKeys.empty());
}

TEST(PracticeViewTest, OnlyAJudgedKeyOrANewStyleChangesTheView) {
  std::vector<RoundPrompt> list = {kana("しほん")};
  PracticeRound round(Exercise::japaneseRomaji, 1, false, list);
  const PracticeView* address = &round.view();
  round.type("s", 1);
  const PracticeView before = round.view();
  ASSERT_TRUE(before.guide);
  EXPECT_EQ(before.guide->text(), "shihon");

  // Everything a redraw asks leaves it as it is.
  (void)round.hints(2);
  (void)round.continuesLastWord("n");
  (void)round.nextDisplay();
  (void)round.rejectedPiece();
  EXPECT_EQ(round.view(), before);
  // Keys the round ignores are not judged.
  EXPECT_EQ(round.type("", 2), PracticeRound::Outcome::ignored);
  EXPECT_EQ(round.confirmWord(3), PracticeRound::Outcome::ignored);
  EXPECT_EQ(round.view(), before);

  // The guide line and its hints follow a new style at once.
  round.setGuideStyle(RomajiStyle::kunrei);
  ASSERT_TRUE(round.view().guide);
  EXPECT_EQ(round.view().guide->text(), "sihon");
  EXPECT_EQ(round.view(), fromScratch(round, list));

  // A judged key moves it on; the reference a screen holds stays valid.
  round.type("h", 4);
  EXPECT_NE(round.view(), before);
  EXPECT_EQ(round.view().guide->completed, "sh");
  EXPECT_EQ(&round.view(), address);
}

}  // namespace
}  // namespace tavro
