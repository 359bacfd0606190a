#include "TavroCore/content/JLPTLevel.h"

#include "Platform/UserDefaults.h"
#include "TavroCore/content/JLPTCurriculum.h"
#include "TavroCore/history/Attempt.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(JLPTLevel, RawValuesRoundTripAndAreCaseSensitive) {
  const std::vector<std::pair<JLPTLevel, std::string>> cases = {{JLPTLevel::n5, "N5"},
                                                                {JLPTLevel::n4, "N4"},
                                                                {JLPTLevel::n3, "N3"},
                                                                {JLPTLevel::n2, "N2"},
                                                                {JLPTLevel::n1, "N1"}};
  ASSERT_EQ(JLPTLevels::allCases.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].second);
    EXPECT_EQ(JLPTLevels::allCases[i], cases[i].first);
    EXPECT_EQ(rawValue(cases[i].first), cases[i].second);
    EXPECT_EQ(fromRawValue<JLPTLevel>(cases[i].second), cases[i].first);
  }
  for (std::string_view bad : {"n5", "N6", "", " N5", "N5 ", "N"}) {
    EXPECT_EQ(fromRawValue<JLPTLevel>(bad), std::nullopt) << bad;
  }
}

TEST(JLPTLevel, JsonIsTheRawValueText) {
  EXPECT_EQ(json::encode(JLPTLevels::json(JLPTLevel::n3)), "\"N3\"");
  const auto document = json::Document::parse(R"({"level":"N2"})");
  EXPECT_EQ(JLPTLevels::decode(document.root().object().required("level")), JLPTLevel::n2);
  for (std::string_view bad : {R"("n2")", R"("N0")", "2", "null", R"(["N2"])"}) {
    SCOPED_TRACE(bad);
    const auto other = json::Document::parse(bad);
    EXPECT_THROW(JLPTLevels::decode(other.root()), json::DecodingError);
  }
}

TEST(JLPTLevel, SavedLevelFallsBackToN5) {
  platform::InMemoryUserDefaults store;
  EXPECT_EQ(JLPTLevels::saved(store), JLPTLevel::n5);
  JLPTLevels::save(JLPTLevel::n3, store);
  EXPECT_EQ(store.string("practiceJLPTLevel"), "N3");
  EXPECT_EQ(JLPTLevels::saved(store), JLPTLevel::n3);
  for (const char* bad : {"X", "n1", ""}) {
    store.set("practiceJLPTLevel", bad);
    EXPECT_EQ(JLPTLevels::saved(store), JLPTLevel::n5) << bad;
  }
  store.set("practiceJLPTLevel", 1);
  EXPECT_EQ(JLPTLevels::saved(store), JLPTLevel::n5);
}

// History keeps the level as text without knowing the enumeration; the two
// lists must name the same five levels.
TEST(JLPTLevel, AttemptsAcceptExactlyTheLevelRawValues) {
  for (JLPTLevel level : JLPTLevels::allCases) {
    SCOPED_TRACE(std::string(rawValue(level)));
    EXPECT_TRUE(Attempt::isJLPTLevelText(rawValue(level)));
  }
  for (std::string_view bad : {"n5", "N6", "N0", "", "N"}) {
    EXPECT_FALSE(Attempt::isJLPTLevelText(bad)) << bad;
  }
}

TEST(JLPTLevel, LevelDependentRoundsAreTheJLPTRounds) {
  struct Case {
    std::string_view mode;
    std::int64_t round;
    bool usesLevel;
  };
  const Case cases[] = {
      {"romaji", 1, true},         {"romaji", 2, true},          {"romaji", 7, true},
      {"kana", 1, true},           {"kana", 6, true},            {"romaji", 0, false},
      {"romaji", 8, false},        {"guided-romaji", 2, false},  {"english", 2, false},
      {"nepali", 2, false},        {"kana-custom", 1, false},    {"numpad", 2, false},
      {"Romaji", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.round));
    EXPECT_EQ(JLPTCurriculum::usesLevel(c.mode, c.round), c.usesLevel);
  }
}

}  // namespace
}  // namespace tavro
