// The notice at start about a damaged preferences file: given once, by the
// run that set the file aside, and never for a sound file.
#include "common/TestSupport.h"

#include "TavroHost/PreferencesNotice.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using tavro::testing::TemporaryDirectory;

TEST(PreferencesNotice, IsGivenOnlyByTheRunThatSetADamagedFileAside) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder.path() / "preferences.json";
  {
    platform::FileUserDefaults sound(file);
    sound.set("theme", "dark");
    EXPECT_FALSE(damagedPreferencesNotice(platform::FileUserDefaults(file)));
  }
  tavro::testing::writeFile(file, "{\"theme\": ");
  platform::FileUserDefaults damaged(file);
  std::optional<HostMessage> notice = damagedPreferencesNotice(damaged);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->values, std::vector<std::string>{damaged.damagedFile().string()});
  EXPECT_TRUE(std::filesystem::exists(damaged.damagedFile()));
  // The next run finds the file set aside by this one: nothing new to tell.
  EXPECT_FALSE(damagedPreferencesNotice(platform::FileUserDefaults(file)));
  // A second damaged file replaces the first and is told again.
  tavro::testing::writeFile(file, "not json");
  EXPECT_TRUE(damagedPreferencesNotice(platform::FileUserDefaults(file)));
}

}  // namespace
}  // namespace tavro
