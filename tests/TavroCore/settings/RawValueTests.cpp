#include "TavroCore/RawValue.h"

#include "TavroCore/content/JLPTLevel.h"
#include "TavroCore/input/Keyboard.h"
#include "TavroCore/input/RomajiStyle.h"
#include "TavroCore/input/TavroLanguage.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/SpeedUnit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace tavro {

enum class Shade { pale, deepBlue, dark, black };

template <>
struct RawValues<Shade> {
  using enum Shade;
  static constexpr RawValueTable<Shade, 4> cases = {
      {{pale, "pale"}, {deepBlue, "Deep Blue"}, {dark, "dark"}, {black, "black"}}};
};

namespace {

// A stored text names a case only when it is exactly that case's raw value:
// another letter case, a blank, a prefix or an embedded NUL is no case.
TEST(RawValue, ReadsOnlyExactRawValues) {
  struct Case {
    std::string_view text;
    std::optional<Shade> expected;
  };
  const Case cases[] = {
      {"pale", Shade::pale},
      {"Deep Blue", Shade::deepBlue},
      {"dark", Shade::dark},
      {"black", Shade::black},
      {"Pale", std::nullopt},
      {"deep blue", std::nullopt},
      {"DeepBlue", std::nullopt},
      {"pal", std::nullopt},
      {"dark ", std::nullopt},
      {" dark", std::nullopt},
      {std::string_view("dark\0", 5), std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(fromRawValue<Shade>(c.text), c.expected);
  }
  EXPECT_EQ(rawValue(Shade::deepBlue), "Deep Blue");
  // A cast integer outside the cases still stores as a case.
  EXPECT_EQ(rawValue(static_cast<Shade>(9)), "pale");
  static_assert(allCasesOf<Shade>() ==
                std::array{Shade::pale, Shade::deepBlue, Shade::dark, Shade::black});
  static_assert(rawValue(Shade::dark) == "dark");
}

// Every enumeration stored as text: each case has its own non-empty raw
// value that reads back as that case, and the list of every case is the
// table's, one entry per case.
template <typename E>
void expectSoundTable(const char* name, const auto& allCases) {
  SCOPED_TRACE(name);
  std::set<std::string_view> seen;
  std::set<E> cases;
  for (E value : allCases) {
    std::string_view raw = rawValue(value);
    SCOPED_TRACE(std::string(raw));
    EXPECT_FALSE(raw.empty());
    EXPECT_TRUE(seen.insert(raw).second) << "raw value used twice";
    EXPECT_TRUE(cases.insert(value).second) << "case listed twice";
    EXPECT_EQ(fromRawValue<E>(raw), value);
  }
  EXPECT_EQ(allCases.size(), RawValues<E>::cases.size());
}

TEST(RawValue, EveryStoredEnumerationHasOneRawValuePerCase) {
  expectSoundTable<TavroLanguage>("TavroLanguage", TavroLanguages::allCases);
  expectSoundTable<JLPTLevel>("JLPTLevel", JLPTLevels::allCases);
  expectSoundTable<Finger>("Finger", Fingers::allCases);
  expectSoundTable<AppearanceTheme>("AppearanceTheme", AppearanceThemes::allCases);
  expectSoundTable<RomajiStyle>("RomajiStyle", RomajiStyles::allCases);
  expectSoundTable<SpeedUnit>("SpeedUnit", SpeedUnits::allCases);
}

}  // namespace
}  // namespace tavro
