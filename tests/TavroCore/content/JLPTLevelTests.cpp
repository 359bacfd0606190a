#include "TavroCore/content/JLPTLevel.h"

#include "Platform/UserDefaults.h"

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

}  // namespace
}  // namespace tavro
